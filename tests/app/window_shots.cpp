// Writes pictures of the main window, the task editor, the About box and the
// settings dialog over sample tasks as PNG files into the folder given on the
// command line, for looking at them; not run by CTest. With --dark the
// windows use the Fusion style with a dark palette; run it with
// QT_SCALE_FACTOR=2 for the double scale. Run it on a display (Xvfb will do)
// to see the windows at the size they take on its screen.

#include "support/MainWindowFixture.h"

#include "editor/TfTaskEdit.h"
#include "settings/ProfileFile.h"
#include "sync/SyncRunner.h"
#include "store/DataModule.h"
#include "toolkit/RecordingUrlOpener.h"
#include "update/TfAbout.h"
#include "views/TaskGrid.h"
#include "views/TaskGridModel.h"
#include "views/ViewPanel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
// Shows in the status bar what a finished sync pass reports.
class PicturedRunner final : public tasksync::SyncRunner
{
public:
    using SyncRunner::SyncRunner;
    void setAccount(const tasksync::Account &, const QString &) override {}
    bool running() const override { return false; }
    void syncNow() override {}
    void report(const tasksync::Report &report)
    {
        emit started();
        emit finished(report);
    }
};

void settle(int ms = 250)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void save(QWidget *widget, const QDir &folder, const QString &name)
{
    settle();
    const QString file = folder.filePath(name + u".png"_s);
    widget->grab().save(file);
    std::printf("%s %dx%d\n", qPrintable(file), widget->width(), widget->height());
}

// Every page of the tab widgets of a window, one picture each.
void savePages(QWidget *window, const QDir &folder, const QString &name)
{
    save(window, folder, name);
    for (QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        if (!tabs->isVisible())
            continue;
        for (int i = 1; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            save(window, folder, name + u"-"_s + QString::number(i));
        }
        tabs->setCurrentIndex(0);
    }
}

QPalette darkPalette()
{
    QPalette p;
    const QColor window(53, 53, 53), base(35, 35, 35), text(230, 230, 230), disabled(127, 127, 127);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, QColor(25, 25, 25));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(42, 130, 218));
    p.setColor(QPalette::LinkVisited, QColor(130, 100, 218));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Light, QColor(80, 80, 80));
    p.setColor(QPalette::Midlight, QColor(66, 66, 66));
    p.setColor(QPalette::Mid, QColor(45, 45, 45));
    p.setColor(QPalette::Dark, QColor(25, 25, 25));
    p.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

void addTask(TDM &dm, const QString &task, const QString &category, int priority, double due, bool completed,
             const QString &notes = {})
{
    dm.tImport.append();
    dm.tImport.setFieldValue(u"Task"_s, task);
    dm.tImport.setFieldValue(u"Category"_s, category);
    dm.tImport.setFieldValue(u"Priority"_s, priority);
    dm.tImport.setFieldValue(u"Occurrence"_s, u"Scheduled"_s);
    dm.tImport.setFieldValue(u"DueDateTime"_s, due);
    dm.tImport.setFieldValue(u"AlarmDateTime"_s, due - 0.01);
    dm.tImport.setFieldValue(u"Completed"_s, completed ? 1 : 0);
    dm.tImport.setFieldValue(u"Notes"_s, notes);
    dm.tImport.post();
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(u"Nudgewick"_s);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool dark = args.contains(u"--dark"_s);
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
        QApplication::setPalette(darkPalette());
    }
    QDir folder(QDir::currentPath());
    for (const QString &arg : args)
        if (!arg.startsWith(u"--"_s))
            folder.setPath(arg);
    folder.mkpath(u"."_s);

    MainWindowFixture f;
    f.create();
    PicturedRunner runner;
    f.window->setSyncRunner(&runner);
    tasksync::Report synced;
    synced.finished = QDateTime(QDate(2026, 12, 10), QTime(7, 58));
    synced.received = 2;
    runner.report(synced);
    f.dm.tImport.open();
    addTask(f.dm, u"Renew the car insurance before the end of the year"_s, u"Car"_s, 2, 46366.375, false,
            u"Call the broker first.\nAsk about the no-claims bonus."_s);
    addTask(f.dm, u"Water the plants"_s, u"Home"_s, 5, 46367.3, true);
    addTask(f.dm, u"Dentist appointment"_s, u"Health"_s, 3, 46368.6, false);
    addTask(f.dm, u"Pay the rent"_s, u"Finance"_s, 1, 46370.4, true, u"Standing order from January"_s);
    addTask(f.dm, u"Prepare the annual budget review for the department meeting"_s, u"Work"_s, 4, 46372.5, false);
    f.window->FormActivate();
    f.window->viewPanel()->refreshValueLists();
    f.window->show();
    f.window->activateWindow();
    settle(500);

    save(f.window.get(), folder, u"main"_s);
    TaskGrid *grid = f.window->grid();
    grid->setFocus();
    grid->setCurrentIndex(f.window->gridModel()->index(1, 4));
    save(f.window.get(), folder, u"main-grid-focus"_s);
    if (auto *notes = f.window->findChild<QPlainTextEdit *>(u"dbmNotes"_s)) {
        notes->setFocus();
        save(f.window.get(), folder, u"main-notes-focus"_s);
    }
    ViewPanel *panel = f.window->viewPanel();
    for (int tab : {int(ViewPanel::TabPriority), int(ViewPanel::TabDate), int(ViewPanel::TabCalendar)}) {
        panel->setCurrentIndex(tab);
        save(f.window.get(), folder, u"main-tab"_s + QString::number(tab));
    }
    panel->setCurrentIndex(ViewPanel::TabAll);

    // The editor of the first task, page by page.
    f.dm.qTasks.first();
    {
        TfTaskEdit editor({f.dm, f.state, f.prompter, f.clock, f.ini(), {}, {}, {}, {}});
        f.state.CurrentTaskEditor = &editor;
        editor.fillFrom(f.dm.qTasks, TaskEditorMode::Edit);
        editor.show();
        editor.activateWindow();
        savePages(&editor, folder, u"editor"_s);
        f.state.CurrentTaskEditor = nullptr;
    }

    {
        RecordingUrlOpener opener;
        TfAbout about(opener);
        about.show();
        save(&about, folder, u"about"_s);
    }

    // A sync account on plain http, so the Sync page shows its warning.
    {
        ProfileFile settings(f.ini());
        settings.setValue(u"Sync"_s, u"Address"_s, u"http://nas.home/dav/"_s);
        settings.setValue(u"Sync"_s, u"User"_s, u"ann"_s);
        settings.save();
    }

    // The settings dialog is modal: pictured once it is up, then closed.
    QTimer::singleShot(300, &app, [&] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            savePages(dialog, folder, u"settings"_s);
            // A read-only field with the keyboard focus in it.
            for (QLineEdit *field : dialog->findChildren<QLineEdit *>()) {
                if (!field->isReadOnly())
                    continue;
                for (QWidget *w = field->parentWidget(); w && w != dialog; w = w->parentWidget())
                    if (auto *tabs = qobject_cast<QTabWidget *>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
                        tabs->setCurrentWidget(w);
                field->setFocus();
                save(dialog, folder, u"settings-readonly-focus"_s);
                break;
            }
            dialog->close();
        }
    });
    f.window->findChild<QAction *>(u"Settings2"_s)->trigger();
    f.window.reset();
    return 0;
}
