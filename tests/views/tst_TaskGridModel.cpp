#include "core/AppState.h"
#include "core/Clock.h"
#include "store/DataModule.h"
#include "views/TaskGridModel.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTaskGridModel : public QObject
{
    Q_OBJECT
private slots:
    void showsAndTicksTasks()
    {
        QTemporaryDir dir;
        FixedClock clock(DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6))));
        AppState state;
        state.Formats.shortDateFormat = u"yyyy/mm/dd"_s;
        state.Formats.longTimeFormat = u"hh:nn"_s;
        TDM dm(clock, state);
        dm.connectTo(dir.filePath(u"grid.mdb"_s));
        dm.tImport.open();
        for (const QString &task : {u"first"_s, u"second"_s}) {
            dm.tImport.append();
            dm.tImport.setFieldValue(u"Task"_s, task);
            dm.tImport.setFieldValue(u"DueDateTime"_s, DateTime::fromQDateTime(QDateTime(QDate(2026, 1, 2), QTime(13, 45))).toDouble());
            dm.tImport.post();
        }
        dm.qTasks.setSql({u"select *"_s, u"from Tasks"_s, u"where Completed = False"_s, u"order by Task"_s});

        TaskGridModel model(dm.qTasks, state.Formats);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        dm.RequeryTaskList();
        QVERIFY(resets.size() >= 1);
        QCOMPARE(model.rowCount(), 2);

        const QStringList fields = TaskGridModel::defaultColumnFields();
        const int completed = int(fields.indexOf(u"Completed"_s));
        const int due = int(fields.indexOf(u"DueDateTime"_s));
        QCOMPARE(model.headerData(due, Qt::Horizontal, Qt::DisplayRole).toString(), u"Due Date Time"_s);
        QCOMPARE(model.displayText(0, due), u"2026/01/02 13:45"_s);
        QCOMPARE(model.data(model.index(0, int(fields.indexOf(u"CompletedDate"_s))), Qt::DisplayRole).toString(), QString());
        QCOMPARE(model.data(model.index(1, completed), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(model.flags(model.index(1, completed)) & Qt::ItemIsUserCheckable);
        QVERIFY(!(model.flags(model.index(1, due)) & Qt::ItemIsUserCheckable));

        // Ticking the second task completes it and drops it from this view.
        QVERIFY(model.setData(model.index(1, completed), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.displayText(0, int(fields.indexOf(u"Task"_s))), u"first"_s);
    }
};

QTEST_MAIN(TestTaskGridModel)
#include "tst_TaskGridModel.moc"
