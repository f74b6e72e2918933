#include "popup/PopupBackground.h"
#include "popup/PopupGeometry.h"

#include <QPainter>
#include <QTest>

using namespace PopupGeometry;

Q_DECLARE_METATYPE(TaskbarEdge)

namespace {
const QRect Screen(0, 0, 1280, 1024);
}

class TestPopupGeometry : public QObject
{
    Q_OBJECT
private slots:
    void taskbarEdgeFromWorkArea_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<TaskbarEdge>("edge");
        QTest::newRow("bottom") << Screen << QRect(0, 0, 1280, 994) << TaskbarEdge::Bottom;
        QTest::newRow("top") << Screen << QRect(0, 30, 1280, 994) << TaskbarEdge::Top;
        QTest::newRow("left") << Screen << QRect(40, 0, 1240, 1024) << TaskbarEdge::Left;
        QTest::newRow("right") << Screen << QRect(0, 0, 1240, 1024) << TaskbarEdge::Right;
        QTest::newRow("none reported") << Screen << Screen << TaskbarEdge::None;
        QTest::newRow("no screen") << QRect() << QRect() << TaskbarEdge::None;
        // A primary screen that does not start at the desktop's origin.
        QTest::newRow("bottom, screen to the right")
            << QRect(1920, 0, 1280, 1024) << QRect(1920, 0, 1280, 994) << TaskbarEdge::Bottom;
        QTest::newRow("left, screen below")
            << QRect(0, 1080, 1280, 1024) << QRect(40, 1080, 1240, 1024) << TaskbarEdge::Left;
        // Panels on two sides: the thicker one is the taskbar.
        QTest::newRow("top bar and wider left dock") << Screen << QRect(64, 27, 1216, 997) << TaskbarEdge::Left;
        QTest::newRow("equal top and bottom panels") << Screen << QRect(0, 30, 1280, 964) << TaskbarEdge::Bottom;
    }
    void taskbarEdgeFromWorkArea()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, workArea);
        QFETCH(TaskbarEdge, edge);
        QCOMPARE(taskbarEdge(screen, workArea), edge);
    }

    // The edge rule itself, on rectangles as the desktop reports them.
    void edgeOfTaskbarRectangle_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<TaskbarEdge>("edge");
        QTest::newRow("left") << 0 << 0 << 40 << 1024 << TaskbarEdge::Left;
        QTest::newRow("top") << 0 << 0 << 1280 << 30 << TaskbarEdge::Top;
        QTest::newRow("bottom") << 0 << 994 << 1280 << 1024 << TaskbarEdge::Bottom;
        QTest::newRow("right") << 1240 << 0 << 1280 << 1024 << TaskbarEdge::Right;
        QTest::newRow("square at the corner") << 0 << 0 << 50 << 50 << TaskbarEdge::Right;
    }
    void edgeOfTaskbarRectangle()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, right);
        QFETCH(int, bottom);
        QFETCH(TaskbarEdge, edge);
        QCOMPARE(edgeOfTaskbar(EdgeRect{left, top, right, bottom}), edge);
    }

    void cascadeUntilTheStackIsFull_data()
    {
        QTest::addColumn<TaskbarEdge>("edge");
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<QList<QPoint>>("positions");
        const auto column = [](int x, QList<int> tops) {
            QList<QPoint> points;
            for (int top : tops)
                points << QPoint(x, top);
            return points;
        };
        // Windows 150 x 150, 16 from the side, 2 from the edge, 2 apart.
        QTest::newRow("bottom") << TaskbarEdge::Bottom << QRect(0, 0, 1280, 994)
                                << column(1114, {842, 690, 538, 386, 234, 82});
        QTest::newRow("right") << TaskbarEdge::Right << QRect(0, 0, 1240, 1024)
                               << column(1074, {872, 720, 568, 416, 264, 112});
        QTest::newRow("left") << TaskbarEdge::Left << QRect(40, 0, 1240, 1024)
                              << column(56, {872, 720, 568, 416, 264, 112});
        // Downward from the top-right corner until the next bottom would
        // pass the work-area bottom.
        QTest::newRow("top") << TaskbarEdge::Top << QRect(0, 30, 1280, 994)
                             << column(1114, {32, 184, 336, 488, 640, 792});
        // No taskbar reported: the bottom-right corner of the screen.
        QTest::newRow("none") << TaskbarEdge::None << Screen << column(1114, {872, 720, 568, 416, 264, 112});
    }
    void cascadeUntilTheStackIsFull()
    {
        QFETCH(TaskbarEdge, edge);
        QFETCH(QRect, workArea);
        QFETCH(QList<QPoint>, positions);
        const EdgeRect work = EdgeRect::fromQRect(workArea);
        const Placement placement{150, 150, 16, 2};
        int offset = 0;
        QList<QPoint> shown;
        for (int i = 0; i < 20; ++i) {
            if (i > 0 && stackFull(edge, Screen.top(), work, placement, offset))
                break;
            shown << popupPosition(edge, work, placement, offset);
            offset = nextStackOffset(true, offset, 150, 2);
        }
        QCOMPARE(shown, positions);
    }

    void stackFullAtTheBoundary_data()
    {
        QTest::addColumn<TaskbarEdge>("edge");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("full");
        // Work-area bottom 994, height 150, start 2: 842 is the last offset
        // whose window top (0) is still on the screen.
        QTest::newRow("bottom, top at 0") << TaskbarEdge::Bottom << 842 << false;
        QTest::newRow("bottom, top at -1") << TaskbarEdge::Bottom << 843 << true;
        QTest::newRow("top, bottom at 994") << TaskbarEdge::Top << 842 << false;
        QTest::newRow("top, bottom at 995") << TaskbarEdge::Top << 843 << true;
    }
    void stackFullAtTheBoundary()
    {
        QFETCH(TaskbarEdge, edge);
        QFETCH(int, offset);
        QFETCH(bool, full);
        QCOMPARE(stackFull(edge, 0, EdgeRect{0, 0, 1280, 994}, Placement{150, 150, 16, 2}, offset), full);
    }

    // Windows 150 high, 2 from the edge and 2 apart, cascaded until the stack
    // is full: every one lies on its own screen, between the screen's top
    // and the work area's bottom.
    void stackStaysOnItsScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<int>("windows");
        QTest::newRow("bottom") << QRect(0, 0, 1920, 1080) << QRect(0, 0, 1920, 1040) << 6;
        QTest::newRow("top") << QRect(0, 0, 1920, 1080) << QRect(0, 40, 1920, 1040) << 6;
        QTest::newRow("left") << QRect(0, 0, 1920, 1080) << QRect(60, 0, 1860, 1080) << 7;
        QTest::newRow("right") << QRect(0, 0, 1920, 1080) << QRect(0, 0, 1860, 1080) << 7;
        QTest::newRow("screen below, taskbar bottom") << QRect(0, 1080, 1920, 1080) << QRect(0, 1080, 1920, 1040) << 6;
        QTest::newRow("screen below, taskbar top") << QRect(0, 1080, 1920, 1080) << QRect(0, 1120, 1920, 1040) << 6;
        QTest::newRow("screen above, taskbar bottom") << QRect(1920, -1080, 1920, 1080)
                                                      << QRect(1920, -1080, 1920, 1040) << 6;
        QTest::newRow("screen above, taskbar left") << QRect(-1920, -1080, 1920, 1080)
                                                    << QRect(-1860, -1080, 1860, 1080) << 7;
    }
    void stackStaysOnItsScreen()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, workArea);
        QFETCH(int, windows);
        const TaskbarEdge edge = taskbarEdge(screen, workArea);
        const EdgeRect work = EdgeRect::fromQRect(workArea);
        const Placement placement{150, 150, 16, 2};
        int offset = 0;
        int shown = 0;
        for (; shown < 50; ++shown) {
            if (shown > 0 && stackFull(edge, screen.top(), work, placement, offset))
                break;
            const QRect window(popupPosition(edge, work, placement, offset), QSize(150, 150));
            QVERIFY2(screen.contains(window) && window.bottom() < work.bottom,
                     qPrintable(QStringLiteral("window %1 at %2,%3").arg(shown).arg(window.x()).arg(window.y())));
            offset = nextStackOffset(true, offset, 150, 2);
        }
        QCOMPARE(shown, windows);
    }

    void withoutCascadeEveryWindowTakesTheCorner()
    {
        QCOMPARE(nextStackOffset(false, 456, 150, 2), 0);
        QCOMPARE(nextStackOffset(true, 456, 150, 2), 608);
    }

    // Slide in from the collapsed geometry until finished; every step but
    // the last grows by the speed, the last lands exactly on the resting place.
    void slideInReachesTheRestingPlace_data()
    {
        QTest::addColumn<TaskbarEdge>("edge");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("ticks");
        QTest::newRow("bottom, speed 4") << TaskbarEdge::Bottom << 4 << 38;
        QTest::newRow("bottom, speed 9") << TaskbarEdge::Bottom << 9 << 17;
        QTest::newRow("top, speed 4") << TaskbarEdge::Top << 4 << 38;
        QTest::newRow("left, speed 4") << TaskbarEdge::Left << 4 << 38;
        QTest::newRow("right, speed 4") << TaskbarEdge::Right << 4 << 38;
        QTest::newRow("none, speed 4") << TaskbarEdge::None << 4 << 38;
        QTest::newRow("speed 0 still moves") << TaskbarEdge::Bottom << 0 << 149;
        QTest::newRow("speed above the size") << TaskbarEdge::Bottom << 255 << 1;
    }
    void slideInReachesTheRestingPlace()
    {
        QFETCH(TaskbarEdge, edge);
        QFETCH(int, speed);
        QFETCH(int, ticks);
        const QRect workArea = edge == TaskbarEdge::Top ? QRect(0, 30, 1280, 994) : QRect(0, 0, 1280, 994);
        const EdgeRect work = EdgeRect::fromQRect(workArea);
        const Placement placement{150, 150, 16, 2};
        const int saved = 152; // the second window of a stack
        const QRect resting(popupPosition(edge, work, placement, saved), QSize(150, 150));
        QRect frame = collapsedGeometry(edge, resting);
        const bool vertical = placementEdge(edge) == TaskbarEdge::Top || placementEdge(edge) == TaskbarEdge::Bottom;
        QCOMPARE(vertical ? frame.height() : frame.width(), 1);

        int count = 0;
        SlideStep step;
        do {
            const int before = vertical ? frame.height() : frame.width();
            step = slideInStep(edge, frame, resting.size(), speed, work, placement, saved);
            frame = step.geometry;
            ++count;
            if (!step.finished)
                QCOMPARE(vertical ? frame.height() : frame.width(), before + qMax(1, speed));
        } while (!step.finished && count < 1000);
        QCOMPARE(count, ticks);
        QCOMPARE(frame, resting);
    }

    // Slide out from the resting place: the side facing the taskbar stays
    // put while the window shrinks toward it, and it is closed instead of
    // reaching zero.
    void slideOutShrinksTowardTheTaskbar_data()
    {
        QTest::addColumn<TaskbarEdge>("edge");
        QTest::addColumn<QRect>("afterOneStep");
        QTest::newRow("bottom") << TaskbarEdge::Bottom << QRect(100, 504, 150, 146);
        QTest::newRow("none") << TaskbarEdge::None << QRect(100, 504, 150, 146);
        QTest::newRow("top") << TaskbarEdge::Top << QRect(100, 500, 150, 146);
        QTest::newRow("left") << TaskbarEdge::Left << QRect(100, 500, 146, 150);
        QTest::newRow("right") << TaskbarEdge::Right << QRect(104, 500, 146, 150);
    }
    void slideOutShrinksTowardTheTaskbar()
    {
        QFETCH(TaskbarEdge, edge);
        QFETCH(QRect, afterOneStep);
        const QRect resting(100, 500, 150, 150);
        SlideStep step = slideOutStep(edge, resting, 4);
        QVERIFY(!step.finished);
        QCOMPARE(step.geometry, afterOneStep);
        int count = 1;
        while (!step.finished) {
            step = slideOutStep(edge, step.geometry, 4);
            ++count;
        }
        // 37 steps leave 2 pixels; the 38th would leave none and closes.
        QCOMPARE(count, 38);
    }

    void halvesRoundToEven_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("half");
        QTest::newRow("15") << 15 << 8;
        QTest::newRow("13") << 13 << 6;
        QTest::newRow("14") << 14 << 7;
        QTest::newRow("1") << 1 << 0;
        QTest::newRow("3") << 3 << 2;
        QTest::newRow("-3") << -3 << -2;
        QTest::newRow("-5") << -5 << -2;
        QTest::newRow("-20") << -20 << -10;
    }
    void halvesRoundToEven()
    {
        QFETCH(int, value);
        QFETCH(int, half);
        QCOMPARE(halfRoundedToEven(value), half);
    }

    void gradientColour_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QColor>("from");
        QTest::addColumn<QColor>("to");
        QTest::addColumn<QColor>("expected");
        const QColor lightBlue(0x99, 0xCC, 0xFF);
        const QColor white(0xFF, 0xFF, 0xFF);
        QTest::newRow("first line") << 0 << 150 << lightBlue << white << lightBlue;
        QTest::newRow("last line") << 150 << 150 << lightBlue << white << white;
        // Halfway: red 153 + 51, green 204 + 25.5 -> 230, blue stays.
        QTest::newRow("halfway up") << 75 << 150 << lightBlue << white << QColor(0xCC, 0xE6, 0xFF);
        // Downward the half rounds away from zero too: 255 - 25.5 -> 229.
        QTest::newRow("halfway down") << 75 << 150 << white << lightBlue << QColor(0xCC, 0xE5, 0xFF);
        // Halves of 1, 3 and 5 all go up, not to the even neighbour.
        QTest::newRow("halves away from zero") << 1 << 2 << QColor(0, 0, 0) << QColor(1, 3, 5) << QColor(1, 2, 3);
        QTest::newRow("negative halves away from zero")
            << 1 << 2 << QColor(1, 3, 5) << QColor(0, 0, 0) << QColor(0, 1, 2);
        QTest::newRow("just below half") << 1 << 3 << QColor(0, 0, 0) << QColor(4, 4, 4) << QColor(1, 1, 1);
        QTest::newRow("just above half") << 2 << 3 << QColor(0, 0, 0) << QColor(4, 4, 4) << QColor(3, 3, 3);
        QTest::newRow("no lines") << 0 << 0 << lightBlue << white << lightBlue;
    }
    void gradientColour()
    {
        QFETCH(int, line);
        QFETCH(int, lines);
        QFETCH(QColor, from);
        QFETCH(QColor, to);
        QFETCH(QColor, expected);
        QCOMPARE(PopupBackground::gradientColorAt(line, lines, from, to), expected);
    }

    void gradientImageRunsAlongItsOrientation()
    {
        const QColor c1(0x99, 0xCC, 0xFF), c2(Qt::white);
        const QImage vertical = PopupBackground::gradientImage(QSize(20, 146), c1, c2, TOrientation::mbVertical);
        QCOMPARE(vertical.pixelColor(0, 0), c1);
        QCOMPARE(vertical.pixelColor(19, 0), c1);
        QCOMPARE(vertical.pixelColor(7, 73), PopupBackground::gradientColorAt(73, 146, c1, c2));
        QCOMPARE(vertical.pixelColor(7, 145), PopupBackground::gradientColorAt(145, 146, c1, c2));

        const QImage horizontal = PopupBackground::gradientImage(QSize(146, 20), c1, c2, TOrientation::mbHorizontal);
        QCOMPARE(horizontal.pixelColor(0, 19), c1);
        QCOMPARE(horizontal.pixelColor(73, 5), PopupBackground::gradientColorAt(73, 146, c1, c2));
    }

    void backgroundImageDrawMethods_data()
    {
        QTest::addColumn<TMSNImageDrawMethod>("method");
        QTest::addColumn<QColor>("atTopLeft");
        QTest::addColumn<QColor>("atMiddle");    // (15, 15)
        QTest::addColumn<QColor>("atFarCorner"); // (39, 39)
        const QColor red(Qt::red), blue(Qt::blue), white(Qt::white);
        // A 10 x 10 image, red with a blue right half, over a 40 x 40 area.
        QTest::newRow("actual size") << TMSNImageDrawMethod::dmActualSize << red << white << white;
        QTest::newRow("tile") << TMSNImageDrawMethod::dmTile << red << blue << blue;
        QTest::newRow("fit") << TMSNImageDrawMethod::dmFit << red << red << blue;
    }
    void backgroundImageDrawMethods()
    {
        QFETCH(TMSNImageDrawMethod, method);
        QFETCH(QColor, atTopLeft);
        QFETCH(QColor, atMiddle);
        QFETCH(QColor, atFarCorner);
        QImage image(10, 10, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QPainter(&image).fillRect(5, 0, 5, 10, Qt::blue);
        QImage area(40, 40, QImage::Format_RGB32);
        area.fill(Qt::white);
        {
            QPainter painter(&area);
            PopupBackground::drawBackgroundImage(painter, area.size(), image, method);
        }
        QCOMPARE(area.pixelColor(0, 0), atTopLeft);
        QCOMPARE(area.pixelColor(15, 15), atMiddle);
        QCOMPARE(area.pixelColor(39, 39), atFarCorner);
    }

    void bitmapsWithoutAlphaLoseTheirBottomLeftColour()
    {
        QImage bitmap(4, 4, QImage::Format_RGB32);
        bitmap.fill(Qt::magenta);
        bitmap.setPixelColor(1, 1, Qt::black);
        const QImage shown = PopupBackground::transparentImage(bitmap);
        QCOMPARE(qAlpha(shown.pixel(0, 3)), 0);
        QCOMPARE(qAlpha(shown.pixel(3, 0)), 0);
        QCOMPARE(shown.pixelColor(1, 1), QColor(Qt::black));

        QImage withAlpha(4, 4, QImage::Format_ARGB32);
        withAlpha.fill(Qt::magenta);
        QCOMPARE(PopupBackground::transparentImage(withAlpha), withAlpha);
    }

    void bandStripHasThreeBands()
    {
        const QImage strip = PopupBackground::bandStripImage();
        QCOMPARE(strip.size(), QSize(138, 3));
        const QColor yellow = strip.pixelColor(20, 1), blue = strip.pixelColor(69, 1), green = strip.pixelColor(120, 1);
        QVERIFY(yellow.red() > 200 && yellow.green() > 150 && yellow.blue() < 100);
        QVERIFY(blue.blue() > blue.red() && blue.blue() > blue.green());
        QVERIFY(green.green() > green.red() && green.green() > green.blue());
        for (int y = 0; y < 3; ++y)
            QCOMPARE(strip.pixelColor(0, y), yellow);
    }
};

QTEST_GUILESS_MAIN(TestPopupGeometry)
#include "tst_PopupGeometry.moc"
