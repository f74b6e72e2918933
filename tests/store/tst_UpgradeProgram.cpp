// The real program started on a data folder where New.mdb waits beside a
// database of tasks.

#include "UpgradeFixture.h"

#include <QDeadlineTimer>
#include <QProcess>

using namespace Qt::StringLiterals;

class TestUpgradeProgram : public QObject
{
    Q_OBJECT

private slots:
    void startUpUpgradesTheDatabaseAndKeepsTheOldOne()
    {
        UpgradeFixture f;
        f.createStandard(f.live());
        f.insert(f.live(), {u"ID"_s, u"Task"_s, u"Notes"_s}, {21, u"Water the plants"_s, u"Kitchen\r\nBalcony"_s});
        f.insert(f.live(), {u"ID"_s, u"Task"_s, u"Notes"_s}, {34, u"Pay the rent"_s, QVariant()});
        f.createStandard(f.fresh());
        f.exec(f.fresh(), u"alter table Tasks add column Colour text default 'none'"_s);
        const QStringList before = f.rows(f.live(), u"Task, Notes"_s);

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"NUDGEWICK_DIR"_s, f.dir.path());
        // Its own session: a copy running for this user elsewhere would
        // otherwise make this one end at once.
        env.insert(u"XDG_RUNTIME_DIR"_s, f.dir.path());
        env.insert(u"XDG_CONFIG_HOME"_s, f.dir.filePath(u"config"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"QT_LOGGING_RULES"_s, u"nudgewick.app.info=true;nudgewick.store.info=true"_s);
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(NW_EXECUTABLE), {});
        QVERIFY(program.waitForStarted());
        QByteArray output;
        QDeadlineTimer deadline(30000);
        while (!output.contains("started with") && !deadline.hasExpired() && program.state() == QProcess::Running) {
            program.waitForReadyRead(100);
            output += program.readAll();
        }
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        output += program.readAll();
        QVERIFY2(output.contains("upgraded the database with 2 tasks"), output.constData());
        QVERIFY2(output.contains("started with 2 tasks"), output.constData());

        const QStringList backups = QDir(f.dir.path()).entryList({u"Nudgewick.??????????????.mdb"_s}, QDir::Files);
        QCOMPARE(backups.size(), 1);
        QCOMPARE(f.rows(f.path(backups.first()), u"ID, Task, Notes"_s),
                 (QStringList{u"ID=int:21 | Task=text:Water the plants | Notes=text:Kitchen\r\nBalcony"_s,
                              u"ID=int:34 | Task=text:Pay the rent | Notes=null"_s}));
        QCOMPARE(f.rows(f.live(), u"Task, Notes"_s), before);
        QCOMPARE(f.rows(f.live(), u"ID, Colour"_s),
                 (QStringList{u"ID=int:1 | Colour=text:none"_s, u"ID=int:2 | Colour=text:none"_s}));
        QVERIFY(!QFile::exists(f.fresh()));
        QVERIFY(!QFile::exists(f.path(u"DataExport.ini"_s)));
    }
};

QTEST_GUILESS_MAIN(TestUpgradeProgram)
#include "tst_UpgradeProgram.moc"
