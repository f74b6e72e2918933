#include "alarm/PopupPrompts.h"

#include "alarm/PopupSnooze.h"
#include "core/Logging.h"
#include "popup/MSNPopUp.h"
#include "popup/PopupWindow.h"

using namespace Qt::StringLiterals;

const QList<qint64> &PopupPrompts::snoozeLengths()
{
    static const QList<qint64> lengths{5, 10, 15, 30, 60, 1440};
    return lengths;
}

namespace {
// "5 minutes", "1 hour", "1 day".
QString lengthText(qint64 minutes)
{
    if (minutes % 1440 == 0)
        return minutes == 1440 ? PopupPrompts::tr("1 day") : PopupPrompts::tr("%1 days").arg(minutes / 1440);
    if (minutes % 60 == 0)
        return minutes == 60 ? PopupPrompts::tr("1 hour") : PopupPrompts::tr("%1 hours").arg(minutes / 60);
    return minutes == 1 ? PopupPrompts::tr("1 minute") : PopupPrompts::tr("%1 minutes").arg(minutes);
}
} // namespace

QList<MSNPopUpButton> PopupPrompts::buttons(const DuePrompt &prompt)
{
    const qint64 minutes = PopupSnooze::minutesFor(prompt.snoozeTime);
    const QString done = prompt.doneLabel.isEmpty() ? tr("Done") : prompt.doneLabel;
    MSNPopUpButton snooze{PopupSnooze::SnoozeAnswer, tr("Snooze %1 min").arg(minutes),
                          tr("Snooze for %1; the arrow offers other lengths").arg(lengthText(minutes)), {}};
    for (const qint64 length : snoozeLengths())
        snooze.menu.append({PopupSnooze::snoozeForAnswer(length), lengthText(length)});
    return {
        {PopupSnooze::DoneAnswer, done,
         done == tr("Done") ? tr("Mark the task as done")
                            : tr("Finish this occurrence; the task comes back at its next one"),
         {}},
        snooze,
        {PopupSnooze::OpenAnswer, tr("Open"), tr("Open the task"), {}},
    };
}

void PopupPrompts::prepare(TMSNPopUp &popup, const DuePrompt &prompt)
{
    popup.setButtons(buttons(prompt));
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
