#include "core/AppState.h"
#include "core/Clock.h"
#include "store/DataModule.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDataModule : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FixedClock m_clock{DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 10), QTime(9, 30)))};

    struct Fixture
    {
        AppState state;
        TDM dm;
        Fixture(const Clock &clock, const QString &file) : dm(clock, state) { dm.connectTo(file); }

        qint64 add(const QString &task, bool completed)
        {
            Query &q = dm.tImport;
            if (!q.isOpen())
                q.open();
            q.append();
            q.setFieldValue(u"Task"_s, task);
            q.setFieldValue(u"Completed"_s, completed);
            q.setFieldValue(u"PercentageComplete"_s, completed ? 100 : 0);
            q.setFieldValue(u"CompletedDate"_s, completed ? QVariant(45000.0) : QVariant());
            q.post();
            return q.fieldByName(u"ID"_s).asInteger();
        }
        void showView(const QString &condition)
        {
            dm.qTasks.setSql({u"select *"_s, u"from Tasks"_s, condition, u"order by ID"_s});
            dm.RequeryTaskList();
        }
        QVariantList row(qint64 id)
        {
            dm.qPrompt.close();
            dm.qPrompt.setParam(u"ID"_s, id);
            dm.qPrompt.open();
            return {dm.qPrompt.fieldByName(u"Completed"_s).asBoolean(),
                    dm.qPrompt.fieldByName(u"PercentageComplete"_s).asInteger(),
                    dm.qPrompt.fieldByName(u"CompletedDate"_s).value()};
        }
        void tick(qint64 id, bool completed)
        {
            QVERIFY(dm.qTasks.locate(u"ID"_s, id));
            dm.qTasks.edit();
            dm.qTasks.setFieldValue(u"Completed"_s, completed);
        }
    };

private slots:
    void completingInTheOutstandingViewWritesAndRemovesTheRow()
    {
        Fixture f(m_clock, m_dir.filePath(u"complete.mdb"_s));
        const qint64 id = f.add(u"Renew passport"_s, false);
        f.add(u"Other"_s, false);
        f.showView(u"where Completed = False"_s);
        QSignalSpy counts(&f.dm, &TDM::taskCountChanged);

        f.tick(id, true);

        QCOMPARE(f.dm.qTasks.recordCount(), 1);
        QVERIFY(!f.dm.qTasks.locate(u"ID"_s, id));
        QCOMPARE(f.dm.qTasks.recNo(), 0);
        QCOMPARE(counts.last().first().toString(), u" 1 task"_s);
        const QVariantList row = f.row(id);
        QCOMPARE(row.at(0).toBool(), true);
        QCOMPARE(row.at(1).toLongLong(), 100);
        QCOMPARE(row.at(2).toDouble(), m_clock.now().toDouble());
    }

    void reopeningInTheCompletedViewClearsTheDate()
    {
        Fixture f(m_clock, m_dir.filePath(u"reopen.mdb"_s));
        const qint64 id = f.add(u"Done already"_s, true);
        f.showView(u"where Completed = True"_s);

        f.tick(id, false);

        QCOMPARE(f.dm.qTasks.recordCount(), 0);
        QCOMPARE(f.dm.taskCountText(), u" 0 tasks"_s);
        const QVariantList row = f.row(id);
        QCOMPARE(row.at(0).toBool(), false);
        QCOMPARE(row.at(1).toLongLong(), 0);
        QVERIFY(row.at(2).isNull());
    }

    void nothingHappensWhileAnEditorIsOpen()
    {
        Fixture f(m_clock, m_dir.filePath(u"editor.mdb"_s));
        const qint64 id = f.add(u"Being edited"_s, false);
        f.showView(u"where Completed = False"_s);
        QObject editor;
        f.state.CurrentTaskEditor = &editor;

        f.tick(id, true);
        f.dm.qTasks.cancel();

        QCOMPARE(f.dm.qTasks.recordCount(), 1);
        const QVariantList row = f.row(id);
        QCOMPARE(row.at(0).toBool(), false);
        QCOMPARE(row.at(1).toLongLong(), 0);
    }

    void dateColumnsFollowTheLongDateSwitch()
    {
        Fixture f(m_clock, m_dir.filePath(u"formats.mdb"_s));
        f.state.Formats.shortDateFormat = u"dd/mm/yyyy"_s;
        f.state.Formats.longDateFormat = u"dddd d mmmm yyyy"_s;
        f.showView(u"where 1 = 1"_s);
        const int due = f.dm.qTasks.fieldIndex(u"DueDateTime"_s);
        QCOMPARE(f.dm.qTasks.displayFormat(due), u"dd/mm/yyyy tt"_s);
        f.state.LongDateFormat = true;
        f.dm.ApplyDateDisplayFormat();
        QCOMPARE(f.dm.qTasks.displayFormat(f.dm.qTasks.fieldIndex(u"AlarmDateTime"_s)), u"dddd d mmmm yyyy tt"_s);
        QCOMPARE(f.dm.qTasks.field(due).displayLabel(), u"Due Date Time"_s);
    }

    void printSelectedHasTheFirstThirteenFields()
    {
        Fixture f(m_clock, m_dir.filePath(u"print.mdb"_s));
        const qint64 id = f.add(u"Print me"_s, false);
        f.dm.qPrintSelected.setParam(u"ID"_s, id);
        f.dm.qPrintSelected.open();
        QCOMPARE(f.dm.qPrintSelected.fieldCount(), 13);
        QCOMPARE(f.dm.qPrintSelected.field(12).name(), u"Notes"_s);
        QCOMPARE(f.dm.qPrintSelected.field(2).displayLabel(), u"TaskCreated"_s);
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_DataModule.moc"
