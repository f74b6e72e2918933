// Popup pacing: Disable Popups, the popup interval and the settings dialog,
// as timelines of the alarm timer.

#include "support/QuietRaise.h"
#include "alarm/PopupPacing.h"
#include "popup/MSNPopUp.h"
#include "toolkit/TaskbarGeometry.h"

#include <QAction>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestPopupPacing : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        QTimer tPopup, tDisablePopups, tPopupInterval;
        QAction aDisablePopups{u"Disable Popups"_s};
        FixedTaskbarGeometry geometry{QRect(0, 0, 1280, 1024), QRect(0, 0, 1280, 994)};
        TMSNPopUp popup;
        PopupPacing pacing{tPopup, tDisablePopups, tPopupInterval, aDisablePopups, popup};

        Fixture(int disableMs = 600000, int intervalMs = 0)
        {
            popup.setTaskbarGeometry(&geometry);
            tPopup.setInterval(1000);
            pacing.setDisablePeriod(disableMs);
            pacing.setPopupInterval(intervalMs);
            pacing.start();
        }
        int openWindows()
        {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return popup.openCount();
        }
    };

private slots:
    void initTestCase()
    {
        hideRaiseWarnings();
    }

    // "Disable Popups" for 10 minutes: the windows go at once, the scan rests
    // for the period, then runs again and the check mark goes; a popup
    // interval's ticks do not end the rest early.
    void disableForAPeriod_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("no popup interval") << 0;
        QTest::newRow("popup interval 5 minutes") << 300000;
    }
    void disableForAPeriod()
    {
        QFETCH(int, intervalMs);
        Fixture f(600000, intervalMs);
        f.popup.ShowPopupWindow();
        f.popup.ShowPopupWindow();
        f.aDisablePopups.trigger();
        QVERIFY(f.aDisablePopups.isChecked());
        QVERIFY(!f.tPopup.isActive());
        QVERIFY(f.tDisablePopups.isActive());
        QCOMPARE(f.tDisablePopups.interval(), 600000);
        QCOMPARE(f.openWindows(), 0);
        // The interval timer does not wake the scan while popups are disabled.
        f.pacing.tPopupIntervalTimer();
        QVERIFY(!f.tPopup.isActive());

        f.pacing.tDisablePopupsTimer();
        QVERIFY(!f.aDisablePopups.isChecked());
        QVERIFY(f.tPopup.isActive());
        QVERIFY(!f.tDisablePopups.isActive());
    }

    // A second execute before the period ends re-enables at once (the hotkey
    // and the tray item both trigger the action).
    void secondExecuteReenables()
    {
        Fixture f;
        f.pacing.aDisablePopupsExecute();
        QVERIFY(!f.tPopup.isActive());
        f.pacing.aDisablePopupsExecute();
        QVERIFY(!f.aDisablePopups.isChecked());
        QVERIFY(f.tPopup.isActive());
        QVERIFY(!f.tDisablePopups.isActive());
    }

    // The period ends by itself through its timer.
    void periodEndsOnItsTimer()
    {
        Fixture f(50);
        f.aDisablePopups.trigger();
        QVERIFY(!f.tPopup.isActive());
        QTRY_VERIFY_WITH_TIMEOUT(f.tPopup.isActive(), 5000);
        QVERIFY(!f.aDisablePopups.isChecked());
        QVERIFY(!f.tDisablePopups.isActive());
    }

    // With an interval of 5 minutes every pass sends the scan to rest until
    // the free-running interval timer's next tick; with 0 it never rests.
    void popupInterval_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("5 minutes") << 300000;
        QTest::newRow("none") << 0;
    }
    void popupInterval()
    {
        QFETCH(int, intervalMs);
        Fixture f(600000, intervalMs);
        QCOMPARE(f.tPopupInterval.isActive(), intervalMs > 0);
        f.pacing.passEnded();
        QCOMPARE(f.tPopup.isActive(), intervalMs == 0);
        f.pacing.tPopupIntervalTimer();
        QVERIFY(f.tPopup.isActive());

        // Changing the interval takes effect at once; 0 stops its timer.
        f.pacing.setPopupInterval(intervalMs ? 0 : 300000);
        QCOMPARE(f.tPopupInterval.isActive(), intervalMs == 0);
        f.pacing.passEnded();
        QCOMPARE(f.tPopup.isActive(), intervalMs > 0);
    }

    // The settings dialog stops the scan and closes the notifications; it
    // starts again afterwards unless popups are disabled.
    void settingsDialog()
    {
        Fixture f;
        f.popup.ShowPopupWindow();
        f.pacing.settingsDialogOpening();
        QVERIFY(!f.tPopup.isActive());
        QCOMPARE(f.openWindows(), 0);
        f.pacing.settingsDialogClosed();
        QVERIFY(f.tPopup.isActive());

        f.aDisablePopups.trigger();
        f.pacing.settingsDialogOpening();
        f.pacing.settingsDialogClosed();
        QVERIFY(!f.tPopup.isActive());
        QVERIFY(f.tDisablePopups.isActive());
    }
};

QTEST_MAIN(TestPopupPacing)
#include "tst_PopupPacing.moc"
