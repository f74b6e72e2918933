#include "alarm/PopupPrompts.h"

#include "alarm/PopupSnooze.h"
#include "core/Logging.h"
#include "popup/MSNPopUp.h"
#include "popup/PopupWindow.h"

using namespace Qt::StringLiterals;

void PopupPrompts::prepare(TMSNPopUp &popup, const DuePrompt &prompt)
{
    popup.setUserData(QVariant::fromValue(PromptKey{prompt.id, prompt.alarm}));
}

std::optional<PromptKey> PopupPrompts::shownPrompt(const TfrmMSNPopUp &window)
{
    const QVariant data = window.userData();
    if (data.metaType() != QMetaType::fromType<PromptKey>())
        return std::nullopt;
    return data.value<PromptKey>();
}

std::optional<PromptKey> PopupPrompts::promptOf(const TMSNPopUp &popup, QObject *sender, const QString &url)
{
    const qint64 id = PopupSnooze::taskIdFromUrl(url);
    const auto keyOf = [id](const TfrmMSNPopUp *window) -> std::optional<PromptKey> {
        const std::optional<PromptKey> key = window ? shownPrompt(*window) : std::nullopt;
        if (!key || key->id != id)
            return std::nullopt;
        return key;
    };
    if (auto key = keyOf(qobject_cast<TfrmMSNPopUp *>(sender)))
        return key;
    if (auto key = keyOf(popup.clickedWindow()))
        return key;
    const QList<TfrmMSNPopUp *> windows = popup.popupWindows();
    for (const TfrmMSNPopUp *window : windows) {
        if (auto key = keyOf(window))
            return key;
    }
    qCDebug(lcAlarm) << "a click on a popup of task" << id << "that shows no prompt";
    return std::nullopt;
}

int PopupPrompts::closeStale(TMSNPopUp &popup, PromptAnswers &answers)
{
    int closed = 0;
    const QList<TfrmMSNPopUp *> windows = popup.popupWindows();
    for (TfrmMSNPopUp *window : windows) {
        // One whose click is being answered closes when the answer returns.
        const std::optional<PromptKey> key = shownPrompt(*window);
        if (window->isDeliveringClick() || !key || answers.stillCurrent(*key))
            continue;
        qCDebug(lcAlarm) << "task" << key->id << "changed; its popup closes";
        window->close();
        ++closed;
    }
    return closed;
}
