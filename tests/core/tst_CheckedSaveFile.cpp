#include "core/CheckedSaveFile.h"
#include "support/FileContent.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

class TestCheckedSaveFile : public QObject
{
    Q_OBJECT
private slots:
    void writesTheWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"file.txt"_s);
        writeFile(path, "old");
        const QByteArray content = QByteArray("new line\n").repeated(10000);
        QCOMPARE(saveFileContents(path, content), QString());
        QCOMPARE(readFile(path), content);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"file.txt"_s});
    }

    void writesInPieces()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"file.txt"_s);
        CheckedSaveFile file(path);
        QCOMPARE(file.open(), QString());
        QCOMPARE(file.write("one "), QString());
        QCOMPARE(file.write(""), QString());
        QCOMPARE(file.write("two"), QString());
        QVERIFY(!QFileInfo::exists(path)); // named only at the commit
        QCOMPARE(file.commit(), QString());
        QCOMPARE(readFile(path), QByteArray("one two"));
    }

    // Each refusal is reported with the system's reason, and the old file
    // stays as it was, with nothing left beside it.
    void refusedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<qsizetype>("size");
        QTest::newRow("disk full, one small write") << u"file size limit"_s << qsizetype(100);
        QTest::newRow("disk full, one large write") << u"file size limit"_s << qsizetype(1 << 20);
        QTest::newRow("disk full, in pieces") << u"pieces"_s << qsizetype(1 << 16);
        QTest::newRow("folder missing") << u"missing folder"_s << qsizetype(100);
        QTest::newRow("path is a folder") << u"folder"_s << qsizetype(100);
    }
    void refusedWriteKeepsTheOldFile()
    {
        QFETCH(QString, how);
        QFETCH(qsizetype, size);
        QTemporaryDir dir;
        const QByteArray old("the old content\n");
        QString path = dir.filePath(u"file.txt"_s);
        if (how == u"missing folder"_s)
            path = dir.filePath(u"gone/file.txt"_s);
        else if (how == u"folder"_s)
            QVERIFY(QDir(dir.path()).mkdir(u"file.txt"_s));
        else
            writeFile(path, old);

        const QByteArray content(size, 'x');
        QString failure;
        {
            std::optional<FileSizeLimit> limit;
            if (how == u"file size limit"_s || how == u"pieces"_s)
                limit.emplace(64);
            if (how == u"pieces"_s) {
                CheckedSaveFile file(path);
                failure = file.open();
                for (int i = 0; i < 4 && failure.isEmpty(); ++i)
                    failure = file.write(QByteArrayView(content).first(size / 4));
                // A failure is final: the commit reports it again.
                QCOMPARE(file.commit(), failure);
            } else {
                failure = saveFileContents(path, content);
            }
        }
        QVERIFY2(!failure.isEmpty(), "the refused write was reported as a success");
        QVERIFY2(!failure.contains(u"Unknown error"_s, Qt::CaseInsensitive), qPrintable(failure));
        if (how == u"file size limit"_s || how == u"pieces"_s) {
            QCOMPARE(readFile(path), old);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"file.txt"_s});
        } else {
            QVERIFY(!QFileInfo(path).isFile());
        }
    }
};

QTEST_GUILESS_MAIN(TestCheckedSaveFile)
#include "tst_CheckedSaveFile.moc"
