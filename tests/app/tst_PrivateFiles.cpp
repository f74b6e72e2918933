// The user's tasks and notes are not readable by other local users: under
// the usual umask 022 the data folder the program makes is 0700, and the
// database, its backups, the settings and layout files are 0600. A folder
// the user chose keeps its mode; a warning in the log says when others can
// read it.

#include "app/DataFolder.h"
#include "core/PrivateFiles.h"
#include "store/Connection.h"
#include "support/MainWindowFixture.h"
#include "views/ViewPanel.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
constexpr QFile::Permissions OwnerFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                                           | QFile::WriteUser | QFile::ExeUser;
constexpr QFile::Permissions OwnerFile = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
constexpr QFile::Permissions OpenFolder = OwnerFolder | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::ExeOther;

// The permission bits of a file or folder, as "0700".
QString modeOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return u"missing"_s;
    return u"0"_s + QString::number(info.st_mode & 0777, 8);
}
}

class TestPrivateFiles : public QObject
{
    Q_OBJECT

    mode_t m_umask = 0;

private slots:
    void initTestCase()
    {
        m_umask = ::umask(022); // what most desktops start programs with
    }
    void cleanupTestCase()
    {
        ::umask(m_umask);
    }

    // Where the data folder is and what its mode becomes.
    void dataFolder_data()
    {
        QTest::addColumn<QString>("which");     // "default", "NUDGEWICK_DIR", "portable"
        QTest::addColumn<bool>("existsBefore");
        QTest::addColumn<QString>("modeBefore"); // of an existing folder
        QTest::addColumn<QString>("modeAfter");
        QTest::addColumn<bool>("warned");

        QTest::newRow("default, made by the program") << u"default"_s << false << QString() << u"0700"_s << false;
        QTest::newRow("default, made open by an earlier version")
            << u"default"_s << true << u"0755"_s << u"0700"_s << false;
        QTest::newRow("NUDGEWICK_DIR, made by the program") << u"NUDGEWICK_DIR"_s << false << QString() << u"0700"_s
                                                            << false;
        QTest::newRow("NUDGEWICK_DIR open to others") << u"NUDGEWICK_DIR"_s << true << u"0755"_s << u"0755"_s << true;
        QTest::newRow("NUDGEWICK_DIR open to the group") << u"NUDGEWICK_DIR"_s << true << u"0750"_s << u"0750"_s
                                                         << true;
        QTest::newRow("NUDGEWICK_DIR private") << u"NUDGEWICK_DIR"_s << true << u"0700"_s << u"0700"_s << false;
        QTest::newRow("portable folder open to others") << u"portable"_s << true << u"0755"_s << u"0755"_s << true;
        QTest::newRow("portable folder private") << u"portable"_s << true << u"0700"_s << u"0700"_s << false;
    }
    void dataFolder()
    {
        QFETCH(QString, which);
        QFETCH(bool, existsBefore);
        QFETCH(QString, modeBefore);
        QFETCH(QString, modeAfter);
        QFETCH(bool, warned);

        QTemporaryDir root;
        QProcessEnvironment environment;
        QString executableFolder = root.filePath(u"bin"_s);
        QVERIFY(QDir().mkpath(executableFolder));
        QString expected;
        if (which == u"default"_s) {
            qputenv("XDG_DATA_HOME", root.filePath(u"share"_s).toLocal8Bit());
            expected = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
            QVERIFY(expected.startsWith(root.path()));
        } else if (which == u"NUDGEWICK_DIR"_s) {
            expected = root.filePath(u"chosen/tasks"_s);
            environment.insert(u"NUDGEWICK_DIR"_s, expected);
        } else {
            expected = executableFolder;
        }
        if (existsBefore) {
            QVERIFY(QDir().mkpath(expected));
            QVERIFY(::chmod(QFile::encodeName(expected).constData(), modeBefore.toUInt(nullptr, 8)) == 0);
        }
        if (which == u"portable"_s) {
            QFile database(QDir(expected).filePath(u"Nudgewick.mdb"_s));
            QVERIFY(database.open(QIODevice::WriteOnly));
        }
        if (warned)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"readable by other users"_s));
        QTest::failOnWarning(QRegularExpression(u"."_s));

        QCOMPARE(chooseDataFolder(executableFolder, environment), QDir(expected).absolutePath());
        QCOMPARE(modeOf(expected), modeAfter);
        qunsetenv("XDG_DATA_HOME");
    }

    // A start and an exit of the main window, a backup and a saved layout:
    // every file in the data folder is the owner's only, and so is every
    // folder the program made there.
    void everyFileInTheDataFolderIsTheOwners()
    {
        MainWindowFixture f;
        QVERIFY(::chmod(QFile::encodeName(f.dir.path()).constData(), 0755) == 0); // a folder the user chose
        f.create();
        // The start-up backup of the day.
        QTRY_VERIFY(!QDir(f.dir.filePath(u"Backups"_s)).entryList({u"Nudgewick.*.mdb"_s}, QDir::Files).isEmpty());
        f.window->viewPanel()->SaveGridLayout();
        f.state.ExitDialog = false;
        f.state.MinimizeOnClose = false;
        f.window->close();
        QCOMPARE(f.ended->size(), 1);

        QStringList seen;
        QDirIterator it(f.dir.path(), QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = QDir(f.dir.path()).relativeFilePath(path);
            if (name == u"config"_s || name.startsWith(u"config/"_s))
                continue; // the test's own XDG_CONFIG_HOME: the autostart entry is no private file
            if (name == u"Alarm.wav"_s)
                continue; // the default alarm sound, the same for everyone
            seen << name + u" "_s + modeOf(path);
            QCOMPARE(name + u" "_s + modeOf(path), name + (it.fileInfo().isDir() ? u" 0700"_s : u" 0600"_s));
        }
        QVERIFY2(seen.contains(u"Nudgewick.mdb 0600"_s), qPrintable(seen.join(u", "_s)));
        QVERIFY2(seen.contains(u"Nudgewick.ini 0600"_s), qPrintable(seen.join(u", "_s)));
        QVERIFY2(seen.contains(u"Backups 0700"_s), qPrintable(seen.join(u", "_s)));
        QVERIFY2(!seen.filter(QRegularExpression(u"^Backups/Nudgewick\\.\\d+\\.mdb 0600$"_s)).isEmpty(),
                 qPrintable(seen.join(u", "_s)));
        QVERIFY2(seen.filter(QRegularExpression(u"^[A-Za-z ]+\\.ini 0600$"_s)).size() >= 2, // layout and settings
                 qPrintable(seen.join(u", "_s)));
        // The folder the user chose keeps its mode.
        QCOMPARE(modeOf(f.dir.path()), u"0755"_s);
    }

    // A database that an earlier version left open to others is narrowed
    // when the program opens it, with the files of its journal.
    void anOpenDatabaseIsNarrowed()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"Nudgewick.mdb"_s);
        {
            Connection c;
            c.setDatabaseFile(file);
            c.open();
        }
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0644) == 0);
        Connection c;
        c.setDatabaseFile(file);
        c.open();
        QSqlQuery insert(c.database());
        QVERIFY(insert.exec(u"insert into Tasks (Task) values ('x')"_s)); // the journal files are made
        QCOMPARE(modeOf(file), u"0600"_s);
        for (const char *journal : {"-wal", "-shm"})
            if (QFileInfo::exists(file + QLatin1String(journal)))
                QCOMPARE(modeOf(file + QLatin1String(journal)), u"0600"_s);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Nudgewick"_s);
    TestPrivateFiles test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_PrivateFiles.moc"
