#include "alarm/PopupPacing.h"

#include "core/Logging.h"
#include "popup/MSNPopUp.h"

#include <QAction>
#include <QTimer>

PopupPacing::PopupPacing(QTimer &popupTimer, QTimer &disableTimer, QTimer &intervalTimer, QAction &disableAction,
                         TMSNPopUp &popup, QObject *parent)
    : QObject(parent),
      tPopup(popupTimer),
      tDisablePopups(disableTimer),
      tPopupInterval(intervalTimer),
      aDisablePopups(disableAction),
      m_popup(popup)
{
    aDisablePopups.setCheckable(true);
    // Minutes-long periods should end on time, not up to 5 % late.
    tDisablePopups.setTimerType(Qt::PreciseTimer);
    tPopupInterval.setTimerType(Qt::PreciseTimer);
    // A checkable action has already changed its check mark when it reports
    // the trigger; the handler applies that state.
    connect(&aDisablePopups, &QAction::triggered, this, &PopupPacing::setPopupsDisabled);
    connect(&tDisablePopups, &QTimer::timeout, this, &PopupPacing::tDisablePopupsTimer);
    connect(&tPopupInterval, &QTimer::timeout, this, &PopupPacing::tPopupIntervalTimer);
}

bool PopupPacing::popupsDisabled() const
{
    return aDisablePopups.isChecked();
}

void PopupPacing::start()
{
    if (!popupsDisabled())
        tPopup.start();
    setPopupInterval(tPopupInterval.interval());
}

void PopupPacing::setDisablePeriod(int ms)
{
    // A running period keeps running, counted afresh with the new length.
    tDisablePopups.setInterval(ms);
}

void PopupPacing::setPopupInterval(int ms)
{
    tPopupInterval.setInterval(ms);
    // A zero interval would fire on every turn of the event loop.
    if (ms > 0)
        tPopupInterval.start();
    else
        tPopupInterval.stop();
}

void PopupPacing::aDisablePopupsExecute()
{
    aDisablePopups.trigger();
}

void PopupPacing::setPopupsDisabled(bool disabled)
{
    aDisablePopups.setChecked(disabled);
    if (disabled) {
        tPopup.stop();
        tDisablePopups.start(); // a full period from now
        m_popup.CloseAllPopupWindows();
    } else {
        tDisablePopups.stop();
        tPopup.start();
    }
    qCDebug(lcAlarm) << "popups" << (disabled ? "disabled" : "enabled");
}

void PopupPacing::tDisablePopupsTimer()
{
    tDisablePopups.stop();
    aDisablePopups.setChecked(false);
    tPopup.start();
    qCDebug(lcAlarm) << "popups enabled again";
}

void PopupPacing::tPopupIntervalTimer()
{
    if (tPopupInterval.interval() > 0 && !tDisablePopups.isActive())
        tPopup.start();
}

void PopupPacing::passEnded()
{
    if (tPopupInterval.interval() > 0)
        tPopup.stop();
}

void PopupPacing::settingsDialogOpening()
{
    tPopup.stop();
    m_popup.CloseAllPopupWindows();
}

void PopupPacing::settingsDialogClosed()
{
    if (!popupsDisabled())
        tPopup.start();
}
