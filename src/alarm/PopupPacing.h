#pragma once

#include <QObject>

class QAction;
class QTimer;
class TMSNPopUp;

// Gives the user room from repeated prompts by switching the alarm timer
// off and on: "Disable Popups" silences the scan for a set time and closes
// the open notifications, the popup interval lets a pass run only once per
// interval, and the settings dialog stops the scan while it is open.
//
// The main window owns the timers and the action; this class holds what
// happens on them. Their intervals are set by whoever reads the settings.
class PopupPacing : public QObject
{
    Q_OBJECT
public:
    PopupPacing(QTimer &tPopup, QTimer &tDisablePopups, QTimer &tPopupInterval, QAction &aDisablePopups,
                TMSNPopUp &popup, QObject *parent = nullptr);

    // Starts the alarm timer, and the interval timer when it has an interval.
    void start();
    // The settings' periods in milliseconds. A new popup interval restarts
    // its count; 0 stops it (a pass is then never followed by a rest).
    void setDisablePeriod(int ms);
    void setPopupInterval(int ms);

    // Toggles the disabled period, as the action does when it is triggered
    // (from the tray menu or the hotkey).
    void aDisablePopupsExecute();
    // The disabled period is over.
    void tDisablePopupsTimer();
    // The popup interval has passed: the scan may run again.
    void tPopupIntervalTimer();
    // After every pass of the scan: with a popup interval, the scan rests
    // until the interval timer's next tick.
    void passEnded();

    // Around the settings dialog: the scan stops and the notifications close
    // before it opens, and the scan starts again after it closed unless
    // popups are disabled.
    void settingsDialogOpening();
    void settingsDialogClosed();

    bool popupsDisabled() const;

private:
    void setPopupsDisabled(bool disabled);

    QTimer &tPopup;
    QTimer &tDisablePopups;
    QTimer &tPopupInterval;
    QAction &aDisablePopups;
    TMSNPopUp &m_popup;
};
