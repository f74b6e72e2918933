// The quick-add box in the running main window: where it is offered, and
// that what it saves is the row the line describes.

#include "support/FakeHotKeyBackend.h"
#include "support/MainWindowFixture.h"

#include "app/AppTrayIcon.h"
#include "editor/TfTaskEdit.h"
#include "quickadd/TfQuickAdd.h"
#include "store/Query.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// Runs `answer` on the quick-add box once it is open.
template <typename Answer>
void whenBoxOpen(QObject *context, Answer answer)
{
    QTimer::singleShot(0, context, [answer] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<TfQuickAdd *>(w); box && box->isVisible())
                return answer(box);
        QFAIL("the quick-add box did not open");
    });
}

QVariantMap onlyTask(TDM &dm)
{
    Query q(dm.ADOConnection);
    q.setSql({u"select * from Tasks"_s});
    q.open();
    QVariantMap row;
    if (q.recordCount() != 1)
        return row;
    for (const char *name : {"Task", "Category", "Priority", "Occurrence", "Frequency", "ValidDays"})
        row.insert(QString::fromLatin1(name), q.fieldByName(QString::fromLatin1(name)).value());
    for (const char *name : {"DueDateTime", "AlarmDateTime"})
        row.insert(QString::fromLatin1(name), q.fieldByName(QString::fromLatin1(name)).asDateTime().toQDateTime());
    return row;
}

int taskCount(TDM &dm)
{
    Query q(dm.ADOConnection);
    q.setSql({u"select count(*) as N from Tasks"_s});
    q.open();
    return int(q.fieldByName(u"N"_s).asInteger());
}

} // namespace

class TestQuickAdd : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    // The command sits in the Tasks menu, the tray menu and the button bar,
    // with Ctrl+Shift+N in the window.
    void offeredEverywhere()
    {
        MainWindowFixture f;
        f.create();
        QAction *quick = f.window->aQuickAdd;
        QCOMPARE(quick->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        QVERIFY(f.window->actions().contains(quick));
        bool inTasksMenu = false;
        for (QAction *menu : f.window->menuBar()->actions())
            if (menu->menu() && menu->text() == u"&Tasks"_s)
                inTasksMenu = menu->menu()->actions().contains(quick);
        QVERIFY(inTasksMenu);
        QVERIFY(f.window->trayIcon()->pmTrayIcon()->actions().contains(quick));

        int opened = 0;
        whenBoxOpen(this, [&](TfQuickAdd *box) {
            ++opened;
            box->reject();
        });
        f.window->findChild<QToolButton *>(u"sbQuickAdd"_s)->click();
        QCOMPARE(opened, 1);
    }

    // Typed in and Enter pressed: the row is stored through the window's
    // data module, the task list shows it, and the box is gone.
    void enterSavesTheRow()
    {
        MainWindowFixture f;
        f.create();
        QString preview;
        bool focused = false, onTop = false;
        whenBoxOpen(this, [&](TfQuickAdd *box) {
            auto *line = box->findChild<QPlainTextEdit *>(u"eLine"_s);
            focused = box->focusWidget() == line;
            onTop = box->windowFlags() & Qt::WindowStaysOnTopHint;
            QTest::keyClicks(line, u"dentist tomorrow 3pm remind me 15 minutes before #health !2"_s);
            preview = box->preview();
            QTest::keyClick(line, Qt::Key_Return);
            if (box->isVisible()) // not saved: the checks below say why
                box->reject();
        });
        // The alarm scan is woken for the new task (and may already have run).
        int wakes = 0;
        const std::function<void()> wake = f.state.wakeScan;
        f.state.wakeScan = [&] {
            ++wakes;
            if (wake)
                wake();
        };
        f.window->aQuickAdd->trigger();
        f.state.wakeScan = wake;
        QVERIFY(focused);
        QVERIFY(onTop);
        QCOMPARE(preview, u"Dentist — due Fri 11 Dec 15:00, alarm 14:45, once, #health, priority 2"_s);
        const QVariantMap row = onlyTask(f.dm);
        QCOMPARE(row.value(u"Task"_s).toString(), u"Dentist"_s);
        QCOMPARE(row.value(u"Category"_s).toString(), u"health"_s);
        QCOMPARE(row.value(u"Priority"_s).toInt(), 2);
        QCOMPARE(row.value(u"Occurrence"_s).toString(), u"Scheduled"_s);
        QCOMPARE(row.value(u"DueDateTime"_s).toDateTime(), QDateTime(QDate(2026, 12, 11), QTime(15, 0)));
        QCOMPARE(row.value(u"AlarmDateTime"_s).toDateTime(), QDateTime(QDate(2026, 12, 11), QTime(14, 45)));
        QCOMPARE(f.dm.qTasks.recordCount(), 1);
        QVERIFY(wakes > 0);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Esc, and Enter on a line without a task text, store nothing.
    void escAndEmptyLineStoreNothing()
    {
        MainWindowFixture f;
        f.create();
        bool stayedOpen = false;
        whenBoxOpen(this, [&](TfQuickAdd *box) {
            auto *line = box->findChild<QPlainTextEdit *>(u"eLine"_s);
            QTest::keyClicks(line, u"tomorrow 3pm"_s);
            QTest::keyClick(line, Qt::Key_Return);
            stayedOpen = box->isVisible();
            QTest::keyClick(line, Qt::Key_Escape);
        });
        f.window->aQuickAdd->trigger();
        QVERIFY(stayedOpen);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(taskCount(f.dm), 0);
    }

    // "More…" opens the full editor in Add mode with what was understood;
    // its OK stores the task.
    void moreOpensTheEditorFilledIn()
    {
        MainWindowFixture f;
        f.create();
        QString caption, text, occurrence;
        bool shortcutMissed = false;
        whenBoxOpen(this, [&](TfQuickAdd *box) {
            box->setLine(u"gym every monday and thursday 6pm"_s);
            QTimer::singleShot(0, this, [&] {
                auto *editor = qobject_cast<TfTaskEdit *>(QApplication::activeModalWidget());
                if (!editor)
                    return;
                caption = editor->windowTitle();
                text = editor->findChild<QPlainTextEdit *>(u"mTask"_s)->toPlainText();
                occurrence = editor->gatherValues().occurrence;
                editor->bbOKClick();
            });
            QTest::keyClick(box->findChild<QPlainTextEdit *>(u"eLine"_s), Qt::Key_E, Qt::ControlModifier);
            if (box->isVisible()) { // the short-cut did not reach the box
                shortcutMissed = true;
                box->moreClick();
            }
        });
        f.window->aQuickAdd->trigger();
        QVERIFY(!shortcutMissed);
        QCOMPARE(caption, u"Task Add"_s);
        QCOMPARE(text, u"Gym"_s);
        QCOMPARE(occurrence, u"Daily"_s);
        const QVariantMap row = onlyTask(f.dm);
        QCOMPARE(row.value(u"ValidDays"_s).toString(), u"M__T___"_s);
        QCOMPARE(row.value(u"DueDateTime"_s).toDateTime(), QDateTime(QDate(2026, 12, 10), QTime(18, 0)));
    }

    // A hotkey whose command is "Quick Add" opens the box from anywhere.
    void hotkeyOpensTheBox()
    {
        MainWindowFixture f;
        QFile keys(f.dir.filePath(u"Keys.Ini"_s));
        QVERIFY(keys.open(QIODevice::WriteOnly));
        keys.write("[F5]\nVirtkey=80\nEnabled=1\nCommand=Quick Add\n");
        keys.close();
        auto backend = std::make_unique<FakeHotKeyBackend>();
        FakeHotKeyBackend *fake = backend.get();
        f.window = std::make_unique<TfNudgewick>(f.dm, f.state, f.prompter, f.clock, f.dir.path());
        f.window->setHotKeyBackend(std::move(backend));
        f.window->FormCreate();
        int opened = 0;
        whenBoxOpen(this, [&](TfQuickAdd *box) {
            ++opened;
            box->reject();
        });
        QVERIFY(fake->press(0, 0xffc2)); // F5
        QCOMPARE(opened, 1);
    }
};

QTEST_MAIN(TestQuickAdd)
#include "tst_QuickAdd.moc"
