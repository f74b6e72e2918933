#pragma once

#include "alarm/PromptAnswers.h"
#include "alarm/PromptRoute.h"


#include <optional>

class TfrmMSNPopUp;
class TMSNPopUp;

// The program's own popup as a prompt of a due task: the prompt each of its
// windows stands for, so its clicks answer that prompt alone.
class PopupPrompts
{
public:
    // Readies the component to show the prompt in its next window: the
    // prompt the window stands for.
    static void prepare(TMSNPopUp &popup, const DuePrompt &prompt);

    // The prompt a window shows; none for a window shown otherwise.
    static std::optional<PromptKey> shownPrompt(const TfrmMSNPopUp &window);
    // The prompt a click of the component answers: the clicked window's
    // (the sender, or the window whose click is being delivered), else the
    // open window's that shows the URL's task. None for a window that shows
    // no prompt. Throws Error when the URL is not a task ID.
    static std::optional<PromptKey> promptOf(const TMSNPopUp &popup, QObject *sender, const QString &url);

    // Closes the open windows whose prompt no longer stands; returns how many.
    static int closeStale(TMSNPopUp &popup, PromptAnswers &answers);
};
