#include "toolkit/RecordingUrlOpener.h"
#include "update/HelpWindow.h"
#include "update/TfAbout.h"
#include "update/Version.h"
#include "update/WebAddresses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QUrl Home(u"https://nudgewick.example.org/"_s);
const QUrl Support(u"https://nudgewick.example.org/support/"_s);
}

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void showsNameAndVersion()
    {
        RecordingUrlOpener opener;
        TfAbout about(opener);
        about.show();
        const auto *name = about.findChild<QLabel *>(u"lNudgewick"_s);
        QVERIFY(name);
        QCOMPARE(name->text(), u"Nudgewick "_s + OwnVersion());
        QVERIFY(QRegularExpression(u"^Nudgewick \\d+\\.\\d+\\.\\d+\\.\\d+$"_s).match(name->text()).hasMatch());
        QCOMPARE(about.windowTitle(), u"Splash Screen"_s);
    }

    // With the pages a build names, the labels open them.
    void labelsOpenTheirPages_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QUrl>("page");
        QTest::addColumn<QString>("hint");
        QTest::newRow("message") << u"lMessage"_s << Home
                                 << u"Click to join the Halvorin Mailing List via e-mail"_s;
        QTest::newRow("web site") << u"lWebSite"_s << Home << u"Click to visit our website"_s;
        QTest::newRow("author") << u"lMail"_s << Support << QString();
    }
    void labelsOpenTheirPages()
    {
        QFETCH(QString, label);
        QFETCH(QUrl, page);
        QFETCH(QString, hint);
        RecordingUrlOpener opener;
        TfAbout about(opener, Home, Support);
        about.show();
        auto *link = about.findChild<QLabel *>(label);
        QVERIFY(link);
        QVERIFY(link->isVisible());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        if (!hint.isEmpty())
            QCOMPARE(link->toolTip(), hint);
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(opener.opened, QList<QUrl>{page});
        QCOMPARE(about.findChild<QLabel *>(u"lWebSite"_s)->text(), u"nudgewick.example.org"_s);
    }

    // A build that names no page shows no address and no link: the web
    // site's label is hidden, the others are plain text that opens nothing.
    void noAddressWithoutPages()
    {
        RecordingUrlOpener opener;
        TfAbout about(opener, QUrl(), QUrl());
        about.show();
        QVERIFY(!about.findChild<QLabel *>(u"lWebSite"_s)->isVisible());
        for (const QString &name : {u"lMessage"_s, u"lMail"_s}) {
            auto *label = about.findChild<QLabel *>(name);
            QVERIFY(label->isVisible());
            QCOMPARE(label->cursor().shape(), Qt::ArrowCursor);
            QVERIFY(label->toolTip().isEmpty());
            QTest::mouseClick(label, Qt::LeftButton);
        }
        QVERIFY(opener.opened.isEmpty());
        for (QLabel *label : about.findChildren<QLabel *>())
            QVERIFY2(!label->isVisible() || !label->text().contains(u"example"_s), qPrintable(label->text()));
        // The build at hand names pages of its own or none.
        const TfAbout built(opener);
        QCOMPARE(built.findChild<QLabel *>(u"lWebSite"_s)->isVisibleTo(&built), !WebAddresses::homePage().isEmpty());
    }

    // The help page shows in the program's own window: links between local
    // pages stay there, links to the web go to the browser.
    void helpWindowFollowsLinks()
    {
        QTemporaryDir dir;
        const auto write = [&](const QString &name, const QByteArray &html) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(html);
        };
        write(u"help.html"_s, "<html><head><title>Nudgewick Help</title></head><body><p>First steps</p>"
                              "<a href=\"more.html\">more</a> <a href=\"https://example.net/x\">web</a></body></html>");
        write(u"more.html"_s, "<html><body><p>Second page</p></body></html>");
        RecordingUrlOpener opener;
        HelpWindow help(opener);
        help.showPage(QUrl::fromLocalFile(dir.filePath(u"help.html"_s)));
        QVERIFY(help.isVisible());
        QCOMPARE(help.windowTitle(), u"Nudgewick Help"_s);
        QVERIFY(help.browser()->toPlainText().contains(u"First steps"_s));

        emit help.browser()->anchorClicked(QUrl(u"https://example.net/x"_s));
        QCOMPARE(opener.opened, QList<QUrl>{QUrl(u"https://example.net/x"_s)});
        QVERIFY(help.browser()->toPlainText().contains(u"First steps"_s));

        emit help.browser()->anchorClicked(QUrl(u"more.html"_s));
        QCOMPARE(opener.opened.size(), 1);
        QVERIFY(help.browser()->toPlainText().contains(u"Second page"_s));
    }

    void helpPageAddress_data()
    {
        QTest::addColumn<QString>("page"); // where the help page lies, under a bin folder's parent
        QTest::addColumn<bool>("local");
        QTest::newRow("installed") << u"share/nudgewick/help.html"_s << true;
        QTest::newRow("beside the executable") << u"bin/help.html"_s << true;
        QTest::newRow("missing: online") << QString() << false;
    }
    void helpPageAddress()
    {
        QFETCH(QString, page);
        QFETCH(bool, local);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"bin"_s));
        if (!page.isEmpty()) {
            QVERIFY(QDir(dir.path()).mkpath(QFileInfo(dir.filePath(page)).path()));
            QFile file(dir.filePath(page));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QUrl address = ::helpPageAddress(dir.filePath(u"bin"_s));
        if (local)
            QCOMPARE(address, QUrl::fromLocalFile(QFileInfo(dir.filePath(page)).canonicalFilePath()));
        else
            QCOMPARE(address, WebAddresses::helpPage());
    }

    void closeButtonCloses()
    {
        RecordingUrlOpener opener;
        TfAbout about(opener);
        about.show();
        QTest::mouseClick(about.findChild<QPushButton *>(u"sbClose"_s), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QVERIFY(opener.opened.isEmpty());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_About.moc"
