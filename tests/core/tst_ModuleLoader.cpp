#include "core/Error.h"
#include "core/ModuleLoader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestModuleLoader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_other; // a folder searched first, holding a file that is no library

private slots:
    void initTestCase()
    {
        QFile garbage(m_other.filePath(u"libnw_garbage.so"_s));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("not a shared object");
    }

    // The first folder that holds the module is used; its function runs.
    void loadsAndCalls()
    {
        const ModuleLoader loader({m_other.path(), QStringLiteral(NW_TEST_MODULE_DIR)});
        auto *answer = loader.resolve<int(int)>(u"current"_s, "nw_answer");
        QVERIFY(answer);
        QCOMPARE(answer(21), 42);
        // Loaded once, resolved again.
        QVERIFY(loader.resolve<int(int)>(u"current"_s, "nw_answer") == answer);
    }

    // Each refusal says in words what is wrong, naming the file.
    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<QString>("said");
        QTest::newRow("missing") << u"absent"_s << QByteArray("nw_answer")
                                 << u"libnw_absent.so was not found in %1, %2."_s;
        QTest::newRow("no library") << u"garbage"_s << QByteArray("nw_answer") << u"could not be loaded"_s;
        QTest::newRow("its library missing")
            << u"missinglibrary"_s << QByteArray("nw_answer") << u"libnw_testneeded.so"_s;
        QTest::newRow("another version") << u"older"_s << QByteArray("nw_answer")
                                         << u"belongs to another version of Nudgewick"_s;
        QTest::newRow("no such function") << u"current"_s << QByteArray("nw_question")
                                          << u"does not provide nw_question"_s;
    }
    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, symbol);
        QFETCH(QString, said);
        const ModuleLoader loader({m_other.path(), QStringLiteral(NW_TEST_MODULE_DIR)});
        try {
            loader.resolve<int(int)>(name, symbol.constData());
            QFAIL("loaded");
        } catch (const Error &e) {
            const QString expected = said.arg(m_other.path(), QStringLiteral(NW_TEST_MODULE_DIR));
            QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
        }
    }

    // The program looks beside itself and in the installed module folder.
    void standardFolders()
    {
        const QStringList folders = ModuleLoader::standardFolders();
        QVERIFY(folders.contains(QCoreApplication::applicationDirPath()));
        QVERIFY2(folders.last().endsWith(u"/nudgewick"_s), qPrintable(folders.join(u", "_s)));
    }
};

QTEST_GUILESS_MAIN(TestModuleLoader)
#include "tst_ModuleLoader.moc"
