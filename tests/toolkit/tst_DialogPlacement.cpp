// Dialogs open centred on their window, wholly inside the available screen
// area, and scroll when their content is larger than that area.

#include "toolkit/DialogPlacement.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>

class TestDialogPlacement : public QObject
{
    Q_OBJECT
private slots:
    void placesTheRectangle_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("parent");
        QTest::addColumn<QList<QRect>>("areas");
        QTest::addColumn<QRect>("expected");
        const QRect screen(0, 0, 1280, 800);
        const QRect right(1280, 0, 1920, 1080);
        QTest::newRow("centred on the parent") << QSize(400, 300) << QRect(100, 100, 800, 600) << QList<QRect>{screen}
                                               << QRect(300, 250, 400, 300);
        QTest::newRow("parent hidden: the screen") << QSize(400, 300) << QRect() << QList<QRect>{screen}
                                                   << QRect(440, 250, 400, 300);
        QTest::newRow("parent at the top edge") << QSize(400, 300) << QRect(0, -50, 300, 100)
                                                << QList<QRect>{screen} << QRect(0, 0, 400, 300);
        QTest::newRow("taller than the screen") << QSize(600, 1400) << QRect(100, 100, 800, 600)
                                                << QList<QRect>{screen} << QRect(200, 0, 600, 800);
        QTest::newRow("parent on the second screen") << QSize(400, 300) << QRect(1400, 100, 800, 600)
                                                     << QList<QRect>{screen, right} << QRect(1600, 250, 400, 300);
        QTest::newRow("parent across the edge: the screen holding its centre")
            << QSize(400, 300) << QRect(1100, 100, 300, 200) << QList<QRect>{screen, right}
            << QRect(880, 50, 400, 300);
    }
    void placesTheRectangle()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, parent);
        QFETCH(QList<QRect>, areas);
        QFETCH(QRect, expected);
        QCOMPARE(placeDialog(size, parent, areas), expected);
    }

    // A dialog whose content does not fit the screen opens inside it and
    // scrolls; a small one opens centred on the screen while its parent is
    // hidden.
    void dialogsOpenOnScreen()
    {
        DialogPlacement placement;
        qApp->installEventFilter(&placement);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget hiddenParent;

        QDialog tall(&hiddenParent);
        auto *layout = new QVBoxLayout(&tall);
        auto *content = new QWidget;
        content->setMinimumSize(300, area.height() * 2);
        layout->addWidget(content);
        tall.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tall));
        QVERIFY(area.contains(tall.frameGeometry()));
        QVERIFY(tall.findChild<QScrollArea *>());

        QDialog small(&hiddenParent);
        small.resize(200, 100);
        small.show();
        QVERIFY(QTest::qWaitForWindowExposed(&small));
        QCOMPARE(small.geometry().center(), area.center());
        QVERIFY(!small.findChild<QScrollArea *>());
        qApp->removeEventFilter(&placement);
    }
};

QTEST_MAIN(TestDialogPlacement)
#include "tst_DialogPlacement.moc"
