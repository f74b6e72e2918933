#pragma once

#include "alarm/PromptAnswers.h"
#include "alarm/PromptRoute.h"

#include <QCoreApplication>
#include <QList>

#include <optional>

class TfrmMSNPopUp;
class TMSNPopUp;
struct MSNPopUpButton;

// The program's own popup as a prompt of a due task: the buttons it shows
// (Done, Snooze with a menu of lengths, Open) and the prompt each of its
// windows stands for, so its clicks and buttons answer that prompt alone.
class PopupPrompts
{
    Q_DECLARE_TR_FUNCTIONS(PopupPrompts)
public:
    // The lengths the Snooze button's menu offers, in minutes.
    static const QList<qint64> &snoozeLengths();

    // The buttons of a prompt's popup.
    static QList<MSNPopUpButton> buttons(const DuePrompt &prompt);
    // Readies the component to show the prompt in its next window: its
    // buttons, and the prompt the window stands for.
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
