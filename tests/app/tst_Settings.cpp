// The settings file as the main window reads it at start-up and writes it
// at exit.

#include "support/FileContent.h"
#include "app/TfNudgewick.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "popup/MSNPopUp.h"
#include "store/Connection.h"
#include "settings/ProfileFile.h"
#include "store/DataModule.h"
#include "store/Query.h"
#include "toolkit/ScreenFit.h"
#include "support/FileSizeLimit.h"
#include "support/MainWindowFixture.h"
#include "toolkit/ScriptedPrompter.h"
#include "views/ViewPanel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

using Start = MainWindowFixture;

// Every key the exit writes, with a value other than its default, in the
// order the exit writes them; then the sections only start-up reads.
const QByteArray HandMade = R"([Settings]
Windows Startup=0
Exit Dialog=1
LongDate=1
ESC Minimize Nudgewick=0
Minimize to tray=0
Auto Update=0
Snooze Confirm=1
Minimize on Close=0
Tray Hint Shown=1

[Main Window Sizes]
Window State=wsNormal
Top=40
Left=30
Height=520
Width=750

[Tasks]
LastView=Search dentist
All=0
Outstanding=1
Completed=0
AllPriorities=0
AllOccurrences=0
AllCategories=0
ViewTasks=Next Week
PriorityOccurrences=1
PriorityCategories=1
OccurrencePriorities=1
OccurrenceCategories=1
CategoryPriorities=1
CategoryOccurrences=1
DatePriorities=1
DateOccurrences=1
DateCategories=1
DateDueDateTime=1
CalendarPriorities=1
CalendarOccurrences=1
CalendarCategories=1
CalendarDueDateTime=1
Description Height=120
Notes Height=150
Notes Width=210

[Notify]
GradientColor1=255
GradientColor2=65280
ScrollSpeed=300
TimeOut=12
Width=180
Height=120
Start Position=40
AlarmFile=/usr/share/sounds/bell.wav
DisablePopups=25
PopupInterval=3
DesktopNotifications=0

[Formats]
DateSeperator=-
ShortDate=dd-mm-yyyy
LongDate=dddd d mmmm yyyy
ShortTime=HH:mm:ss
LongTime=hh:mm AM/PM

[Defaults]
ApplyOccurrence=1

[Priorities]
3=Checked
7=Checked

[Occurrences]
Daily=Checked

[Categories]
Work=Checked
)";
}

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void firstExitWritesTheDefaults()
    {
        Start s;
        s.create(); // not shown, as when started from autostart
        s.window->endSession();
        const QPoint centred = s.window->pos();
        const QByteArray expected = QByteArray(R"([Settings]
Windows Startup=0
Exit Dialog=0
LongDate=0
ESC Minimize Nudgewick=1
Minimize to tray=1
Auto Update=0
Snooze Confirm=0
Minimize on Close=1
Tray Hint Shown=0

[Main Window Sizes]
Window State=wsNormal
Top=%1
Left=%2
Height=650
Width=800

[Tasks]
LastView=All
All=1
Outstanding=0
Completed=0
AllPriorities=1
AllOccurrences=1
AllCategories=1
ViewTasks=Today
PriorityOccurrences=0
PriorityCategories=0
OccurrencePriorities=0
OccurrenceCategories=0
CategoryPriorities=0
CategoryOccurrences=0
DatePriorities=0
DateOccurrences=0
DateCategories=0
DateDueDateTime=0
CalendarPriorities=0
CalendarOccurrences=0
CalendarCategories=0
CalendarDueDateTime=0
Description Height=100
Notes Height=200
Notes Width=185
)").replace("%1", QByteArray::number(centred.y())).replace("%2", QByteArray::number(centred.x()));
        QCOMPARE(readFile(s.ini()), expected);
        // The window was centred on the screen at its designed size.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(s.window->geometry().center().x() - screen.center().x()) <= 1);
    }

    void defaultsTakeEffectWithoutAFile()
    {
        Start s;
        s.create();
        QVERIFY(!QFile::exists(s.ini()));
        QCOMPARE(s.state.AutoUpdate, false);
        QCOMPARE(s.state.UpdateCheckPending, false);
        QCOMPARE(s.window->MSNPopUp->gradientColor1(), QColor(Qt::blue));
        QCOMPARE(s.window->MSNPopUp->gradientColor2(), QColor(Qt::white));
        QCOMPARE(s.window->MSNPopUp->width(), 150);
        QCOMPARE(s.window->MSNPopUp->timeOut(), 0);
        QCOMPARE(s.state.AlarmFile, u"Alarm.wav"_s);
        QVERIFY(s.state.UseDesktopNotifications); // on where X11 is not the platform
        QCOMPARE(s.window->disablePopupsTimer()->interval(), 10 * 60000);
        QCOMPARE(s.window->popupIntervalTimer()->interval(), 0);
        QCOMPARE(s.state.Formats.shortDateFormat, u"yyyy/mm/dd"_s);
        QCOMPARE(s.state.Formats.longTimeFormat, u"hh:mm"_s);
        QCOMPARE(s.state.ViewStateText, u"All Tasks"_s);
        QCOMPARE(s.state.KeysIniFolder, QDir(s.dir.path()).absolutePath() + u"/"_s);
    }

    void handMadeFileRoundTrips()
    {
        Start s;
        QDir(s.dir.path()).mkdir(u"keys"_s);
        writeFile(s.dir.filePath(u"keys/Keys.Ini"_s), "[Show Nudgewick]\n");
        {
            // "Ini Path" names a folder that holds a hotkey file.
            QByteArray withPath = HandMade;
            withPath.replace("Tray Hint Shown=1\n", "Tray Hint Shown=1\nIni Path=" + s.dir.filePath(u"keys/"_s).toUtf8() + "\n");
            writeFile(s.ini(), withPath);
        }
        {
            // The checked values exist, so the value lists keep their marks.
            Connection tasks;
            tasks.setDatabaseFile(s.dir.filePath(u"Nudgewick.mdb"_s));
            Query insert(tasks);
            insert.setSql({u"insert into Tasks (Task, Priority, Occurrence, Category) values ('a', 3, 'Daily', 'Work'),"
                           " ('b', 7, 'Weekly', 'Home')"_s});
            insert.execSql();
        }
        s.create();

        QVERIFY(s.state.ExitDialog && s.state.LongDateFormat && !s.state.EscMinimize && !s.state.MinimizeToTray);
        QVERIFY(!s.state.AutoUpdate && !s.state.UpdateCheckPending && s.state.SnoozeConfirm && !s.state.MinimizeOnClose);
        QVERIFY(s.state.TrayHintShown);
        QVERIFY(s.window->aLongDateFormat->isChecked());
        QCOMPARE(s.window->pos(), QPoint(30, 40));
        QCOMPARE(s.window->size(), QSize(750, 520));
        QCOMPARE(s.state.LastView, u"Search dentist"_s);
        QCOMPARE(s.state.Views.CompletionChoice, 1);
        QCOMPARE(s.state.ViewStateText, u"Outstanding Tasks"_s);
        QCOMPARE(s.state.Views.ViewTasks, u"Next Week"_s);
        QVERIFY(s.state.Views.CalendarDueDateTime && s.state.Views.PriorityOccurrences && !s.state.Views.AllCategories);
        QCOMPARE(s.state.CheckedPriorities, QStringList({u"3"_s, u"7"_s}));
        QCOMPARE(s.state.CheckedOccurrences, QStringList{u"Daily"_s});
        QCOMPARE(s.state.CheckedCategories, QStringList{u"Work"_s});

        TMSNPopUp *popup = s.window->MSNPopUp;
        QCOMPARE(popup->gradientColor1(), QColor(Qt::red)); // 0x00BBGGRR
        QCOMPARE(popup->gradientColor2(), QColor(Qt::green));
        QCOMPARE(popup->scrollSpeed(), quint8(44)); // 300 held in 8 bits
        QCOMPARE(popup->timeOut(), 12);
        QCOMPARE(popup->width(), 180);
        QCOMPARE(popup->height(), 120);
        QCOMPARE(popup->popupStartY(), 40);
        QCOMPARE(s.state.AlarmFile, u"/usr/share/sounds/bell.wav"_s);
        QVERIFY(!s.state.UseDesktopNotifications);
        QCOMPARE(s.window->disablePopupsTimer()->interval(), 25 * 60000);
        QCOMPARE(s.window->popupIntervalTimer()->interval(), 3 * 60000);

        // The two "LongDate" keys are independent; time patterns lose "HH".
        QCOMPARE(s.state.Formats.dateSeparator, u'-');
        QCOMPARE(s.state.Formats.longDateFormat, u"dddd d mmmm yyyy"_s);
        QCOMPARE(s.state.Formats.shortTimeFormat, u"hh:mm:ss"_s);
        QCOMPARE(s.dm.qTasks.displayFormat(s.dm.qTasks.fieldIndex(u"DueDateTime"_s)), u"dddd d mmmm yyyy tt"_s);
        QVERIFY(s.state.AutoCloseOnApply);
        QCOMPARE(s.state.KeysIniFolder, s.dir.filePath(u"keys/"_s));

        const QByteArray before = readFile(s.ini());
        s.window->endSession();
        QCOMPARE(readFile(s.ini()), before);
    }

    void partialWindowPlacementIsIgnored()
    {
        Start s;
        writeFile(s.ini(), "[Main Window Sizes]\nLeft=5\nHeight=700\nWidth=1000\n");
        s.create();
        QCOMPARE(s.window->size(), firstWindowSize(QGuiApplication::primaryScreen()->availableGeometry().size()));
        QVERIFY(s.window->pos() != QPoint(5, 0));
    }

    // A category the file cannot hold loses its own mark, nothing else.
    void unstorableCheckMarkLeavesTheRestSaved()
    {
        Start s;
        s.create();
        s.state.CheckedCategories = {u"Work\nHome"_s, u"Home"_s};
        s.state.ExitDialog = true;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"left out.*Categories"_s));
        s.window->endSession();
        const ProfileFile saved(s.ini());
        QCOMPARE(saved.keys(u"Categories"_s), QStringList{u"Home"_s});
        QCOMPARE(saved.value(u"Settings"_s, u"Exit Dialog"_s), u"1"_s);
    }

    // A place on a screen since removed, and a size larger than the screen,
    // end up on the screen the program runs on.
    void placementOffTheScreenIsBroughtOnIt()
    {
        Start s;
        writeFile(s.ini(), "[Main Window Sizes]\nWindow State=wsNormal\nTop=5000\nLeft=-3000\nHeight=1500\nWidth=2000\n");
        s.create();
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(available.contains(QRect(s.window->pos(), s.window->size())),
                 qPrintable(u"%1,%2 %3x%4"_s.arg(s.window->x()).arg(s.window->y()).arg(s.window->width()).arg(s.window->height())));
        QVERIFY(s.window->minimumWidth() <= available.width() && s.window->minimumHeight() <= available.height());
    }

    void refusedSaveIsReportedAndLosesNothing()
    {
        Start s;
        writeFile(s.ini(), HandMade);
        s.create();
        s.state.ExitDialog = false;
        s.state.MinimizeOnClose = false;
        s.state.LastView = u"Category"_s; // a change the save cannot keep
        // The grid layout of the open tab, saved at exit as well.
        ViewPanel *panel = s.window->viewPanel();
        panel->SaveGridLayout();
        const QString layout = panel->layoutFile(panel->currentIndex());
        const QByteArray layoutBefore = readFile(layout);
        QVERIFY(!layoutBefore.isEmpty());
        {
            FileSizeLimit limit(16); // the disk is full
            s.window->close();
        }
        QCOMPARE(s.prompter.shown, QStringList{u"message: There was a problem saving in the SaveSettings procedure!"_s});
        QCOMPARE(s.ended->size(), 1); // the exit goes on
        QCOMPARE(readFile(s.ini()), HandMade);
        QCOMPARE(readFile(layout), layoutBefore);
        QStringList leftovers = QDir(s.dir.path()).entryList({u"*.ini*"_s}, QDir::Files | QDir::Hidden);
        QStringList expected{QFileInfo(layout).fileName(), u"Nudgewick.ini"_s};
        leftovers.sort();
        expected.sort();
        QCOMPARE(leftovers, expected);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestSettings test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_Settings.moc"
