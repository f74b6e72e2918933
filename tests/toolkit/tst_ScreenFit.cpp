#include "toolkit/ScreenFit.h"

#include <QTest>

class TestScreenFit : public QObject
{
    Q_OBJECT
private slots:
    void fitsOntoAScreen_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QList<QRect>>("areas");
        QTest::addColumn<QRect>("expected");
        const QRect hd(0, 0, 1920, 1040);
        const QRect right(1920, 0, 1280, 984);
        QTest::newRow("fits, unchanged") << QRect(100, 80, 798, 570) << QList<QRect>{hd} << QRect(100, 80, 798, 570);
        QTest::newRow("on a removed screen") << QRect(2500, 300, 798, 570) << QList<QRect>{hd} << QRect(1122, 300, 798, 570);
        QTest::newRow("above and left of it") << QRect(-900, -700, 798, 570) << QList<QRect>{hd} << QRect(0, 0, 798, 570);
        QTest::newRow("larger than the screen") << QRect(50, 50, 1600, 1000) << QList<QRect>{QRect(0, 0, 1280, 688)}
                                                << QRect(0, 0, 1280, 688);
        QTest::newRow("mostly on the second screen") << QRect(2800, 600, 798, 570) << QList<QRect>{hd, right}
                                                     << QRect(2402, 414, 798, 570);
        QTest::newRow("screen not at the origin") << QRect(0, 0, 798, 570) << QList<QRect>{QRect(-1280, 200, 1280, 800)}
                                                  << QRect(-798, 200, 798, 570);
        QTest::newRow("no screen known") << QRect(5000, 5000, 10, 10) << QList<QRect>{} << QRect(5000, 5000, 10, 10);
    }
    void fitsOntoAScreen()
    {
        QFETCH(QRect, window);
        QFETCH(QList<QRect>, areas);
        QFETCH(QRect, expected);
        QCOMPARE(fitOntoScreens(window, areas), expected);
    }

    void firstStartSize_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("1920x1080 with a panel") << QSize(1920, 1040) << QSize(1344, 728);
        QTest::newRow("1280x800: the least size") << QSize(1280, 770) << QSize(1200, 650);
        QTest::newRow("1024x768: the whole width") << QSize(1024, 740) << QSize(1024, 650);
        QTest::newRow("1280x800 at 2x scale") << QSize(640, 385) << QSize(640, 385);
        QTest::newRow("4K") << QSize(3840, 2100) << QSize(2688, 1470);
    }
    void firstStartSize()
    {
        QFETCH(QSize, available);
        QFETCH(QSize, expected);
        QCOMPARE(firstWindowSize(available), expected);
    }
};

QTEST_GUILESS_MAIN(TestScreenFit)
#include "tst_ScreenFit.moc"
