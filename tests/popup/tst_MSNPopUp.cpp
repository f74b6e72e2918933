#include "support/QuietRaise.h"
#include "popup/MSNPopUp.h"
#include "popup/PopupWindow.h"
#include "toolkit/TaskbarGeometry.h"

#include <QApplication>
#include <QDialog>
#include <QEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <memory>

Q_DECLARE_METATYPE(TaskbarEdge)

namespace {

const QRect Screen(0, 0, 1280, 1024);
const QRect BottomWorkArea(0, 0, 1280, 994);
const QRect TopWorkArea(0, 30, 1280, 994);

// The buttons a due task's popup shows.
QList<MSNPopUpButton> taskButtons(const QString &done = QStringLiteral("Done \u2014 next Fri 09:00"))
{
    return {{QStringLiteral("done"), done, QStringLiteral("Finish this occurrence"), {}},
            {QStringLiteral("snooze"), QStringLiteral("Snooze 5 min"), QStringLiteral("Snooze for 5 minutes"),
             {{QStringLiteral("snooze:15"), QStringLiteral("15 minutes")},
              {QStringLiteral("snooze:60"), QStringLiteral("1 hour")}}},
            {QStringLiteral("default"), QStringLiteral("Open"), QStringLiteral("Open the task"), {}}};
}

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Steps a window's slide in until it rests.
void slideIn(TfrmMSNPopUp *window)
{
    for (int i = 0; i < 1000 && window->scrollTimer().isActive(); ++i)
        window->tmrScrollTimer();
}

// Lets a window time out and slide away; returns the slide-out steps taken.
int timeOutAndSlideOut(TfrmMSNPopUp *window)
{
    QPointer<TfrmMSNPopUp> guard(window);
    window->tmrExitTimer();
    int steps = 0;
    while (guard && guard->scrollDownTimer().isActive() && steps < 1000) {
        guard->tmrScrollDownTimer();
        ++steps;
    }
    return steps;
}

} // namespace

class TestMSNPopUp : public QObject
{
    Q_OBJECT

    std::unique_ptr<FixedTaskbarGeometry> m_geometry;
    std::unique_ptr<TMSNPopUp> m_popUp;
    QList<QUrl> m_opened;

    TMSNPopUp &popUp() { return *m_popUp; }
    TfrmMSNPopUp *lastWindow() const
    {
        const auto windows = m_popUp->popupWindows();
        return windows.isEmpty() ? nullptr : windows.last();
    }
    TfrmMSNPopUp *showOne()
    {
        if (!m_popUp->ShowPopupWindow())
            return nullptr;
        return lastWindow();
    }

private slots:
    void initTestCase()
    {
        hideRaiseWarnings();
    }

    void init()
    {
        m_geometry = std::make_unique<FixedTaskbarGeometry>(Screen, BottomWorkArea);
        m_popUp = std::make_unique<TMSNPopUp>();
        m_popUp->applyMainWindowDesign();
        m_popUp->setTaskbarGeometry(m_geometry.get());
        m_opened.clear();
        m_popUp->setUrlOpener([this](const QUrl &url) {
            m_opened << url;
            return true;
        });
    }

    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
        m_popUp.reset();
        processDeferredDeletes();
        const auto leftovers = QApplication::topLevelWidgets();
        for (QWidget *widget : leftovers) {
            if (qobject_cast<TfrmMSNPopUp *>(widget))
                QFAIL("a notification window outlived its component");
        }
    }

    void defaultsAndMainWindowDesign()
    {
        TMSNPopUp fresh;
        QCOMPARE(fresh.text(), QStringLiteral("text"));
        QCOMPARE(fresh.title(), QStringLiteral("title"));
        QCOMPARE(fresh.timeOut(), 10);
        QCOMPARE(QSize(fresh.width(), fresh.height()), QSize(148, 121));
        QCOMPARE(fresh.gradientColor1(), QColor(0x99, 0xCC, 0xFF));
        QCOMPARE(fresh.scrollSpeed(), quint8(9));
        QCOMPARE(fresh.options(), msnAutoOpenURL | msnCascadePopups | msnAllowScroll | msnAllowHyperlink);
        QVERIFY(fresh.hoverFont().font.underline());
        QCOMPARE(fresh.hoverFont().color, QColor(Qt::blue));
        QVERIFY(fresh.titleFont().font.bold());
        QCOMPARE(fresh.backgroundDrawMethod(), TMSNImageDrawMethod::dmActualSize);
        QCOMPARE(fresh.openCount(), 0);
        QCOMPARE(fresh.stackOffset(), 0);
        QCOMPARE(fresh.lastTaskbarEdge(), TaskbarEdge::Left);

        const TMSNPopUp &main = popUp();
        QCOMPARE(main.timeOut(), 30);
        QCOMPARE(QSize(main.width(), main.height()), QSize(150, 150));
        QCOMPARE(main.gradientColor1(), QColor(Qt::white));
        QCOMPARE(main.gradientColor2(), QColor(Qt::white));
        QCOMPARE(main.scrollSpeed(), quint8(4));
        QCOMPARE(main.options(), msnCascadePopups | msnAllowScroll | msnAllowHyperlink);
        QCOMPARE(main.backgroundDrawMethod(), TMSNImageDrawMethod::dmFit);
        QCOMPARE(main.textCursor(), Qt::PointingHandCursor);
        QCOMPARE(main.hoverFont().font.family(), main.font().font.family());
        QVERIFY(main.hoverFont().font.underline());
        QVERIFY(main.titleFont().font.bold());
        QCOMPARE(main.defaultMonitor(), TDefaultMonitor::dmDesktop);
    }

    void cascadeUntilFull_data()
    {
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<TaskbarEdge>("edge");
        QTest::addColumn<QList<int>>("tops");
        QTest::addColumn<int>("left");
        QTest::newRow("bottom") << BottomWorkArea << TaskbarEdge::Bottom << QList<int>{842, 690, 538, 386, 234, 82}
                                << 1114;
        QTest::newRow("top") << TopWorkArea << TaskbarEdge::Top << QList<int>{32, 184, 336, 488, 640, 792} << 1114;
        QTest::newRow("left") << QRect(40, 0, 1240, 1024) << TaskbarEdge::Left
                              << QList<int>{872, 720, 568, 416, 264, 112} << 56;
        QTest::newRow("not reported") << Screen << TaskbarEdge::None << QList<int>{872, 720, 568, 416, 264, 112}
                                      << 1114;
    }
    void cascadeUntilFull()
    {
        QFETCH(QRect, workArea);
        QFETCH(TaskbarEdge, edge);
        QFETCH(QList<int>, tops);
        QFETCH(int, left);
        m_geometry->set(Screen, workArea);
        QCOMPARE(popUp().GetTaskbarEdge(), edge);

        QList<int> shownTops;
        for (int i = 0; i < tops.size(); ++i) {
            TfrmMSNPopUp *window = showOne();
            QVERIFY(window);
            QCOMPARE(window->restingGeometry().left(), left);
            shownTops << window->restingGeometry().top();
        }
        QCOMPARE(shownTops, tops);
        QCOMPARE(popUp().lastTaskbarEdge(), edge);
        QCOMPARE(popUp().openCount(), tops.size());

        QVERIFY(!popUp().ShowPopupWindow());
        QCOMPARE(popUp().openCount(), tops.size());
        QCOMPARE(popUp().popupWindows().size(), tops.size());
    }

    // The real screen of the offscreen platform has no taskbar: the window
    // still goes to the bottom-right corner and still slides away.
    void screenWithoutTaskbarUsesTheBottomRightCorner()
    {
        TMSNPopUp plain;
        plain.applyMainWindowDesign();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(plain.GetTaskbarEdge(), TaskbarEdge::None);
        QVERIFY(plain.ShowPopupWindow());
        TfrmMSNPopUp *window = plain.popupWindows().first();
        QCOMPARE(window->restingGeometry(),
                 QRect(screen.x() + screen.width() - 166, screen.y() + screen.height() - 152, 150, 150));
        slideIn(window);
        QCOMPARE(window->geometry(), window->restingGeometry());
        QCOMPARE(timeOutAndSlideOut(window), 38);
        QCOMPARE(plain.openCount(), 0);
    }

    void everyWindowRestsWhereItWasPlaced()
    {
        // Sliding in ends exactly at the place in the stack, also for a
        // window that was not the first.
        showOne();
        TfrmMSNPopUp *second = showOne();
        QCOMPARE(second->geometry(), QRect(1114, 992 - 152, 150, 1));
        slideIn(second);
        QCOMPARE(second->geometry(), QRect(1114, 690, 150, 150));
        QVERIFY(second->isVisible());
    }

    void taskbarMovingStartsANewStack()
    {
        showOne();
        showOne();
        QCOMPARE(popUp().openCount(), 2);
        m_geometry->set(Screen, TopWorkArea);
        TfrmMSNPopUp *window = showOne();
        QVERIFY(window);
        QCOMPARE(popUp().lastTaskbarEdge(), TaskbarEdge::Top);
        QCOMPARE(popUp().openCount(), 1);
        QCOMPARE(window->restingGeometry().topLeft(), QPoint(1114, 32));
        QCOMPARE(window->taskbarEdge(), TaskbarEdge::Top);
        QCOMPARE(popUp().stackOffset(), 152);
    }

    void stackOffsetOnlyReturnsWhenAllHaveClosed()
    {
        TfrmMSNPopUp *first = showOne();
        showOne();
        first->close();
        processDeferredDeletes();
        QCOMPARE(popUp().openCount(), 1);
        // The gap the first window left is not filled.
        QCOMPARE(showOne()->restingGeometry().top(), 538);

        popUp().CloseAllPopupWindows();
        QCOMPARE(popUp().openCount(), 0);
        QCOMPARE(popUp().stackOffset(), 456);
        QCOMPARE(showOne()->restingGeometry().top(), 842);
    }

    void withoutCascadeEveryWindowTakesTheCorner()
    {
        popUp().setOptions(msnAllowScroll | msnAllowHyperlink);
        QCOMPARE(showOne()->restingGeometry().top(), 842);
        QCOMPARE(showOne()->restingGeometry().top(), 842);
        QCOMPARE(popUp().openCount(), 2);
    }

    void slideInAtSpeedFourTakes38Ticks()
    {
        TfrmMSNPopUp *window = showOne();
        QVERIFY(window->scrollTimer().isActive());
        QCOMPARE(window->scrollTimer().interval(), 25);
        QVERIFY(!window->exitTimer().isActive());
        for (int tick = 1; tick <= 37; ++tick) {
            window->tmrScrollTimer();
            QCOMPARE(window->geometry().height(), 1 + 4 * tick);
            QCOMPARE(window->geometry().bottom(), 992);
        }
        QVERIFY(window->scrollTimer().isActive());
        window->tmrScrollTimer();
        QCOMPARE(window->geometry(), QRect(1114, 842, 150, 150));
        QVERIFY(!window->scrollTimer().isActive());
        QVERIFY(window->exitTimer().isActive());
        QCOMPARE(window->exitTimer().interval(), 30000);
    }

    void timingOutSlidesAwayAndFrees()
    {
        TfrmMSNPopUp *first = showOne();
        TfrmMSNPopUp *second = showOne();
        slideIn(first);
        QPointer<TfrmMSNPopUp> guard(first);
        QCOMPARE(timeOutAndSlideOut(first), 38);
        QVERIFY(guard && !guard->isVisible());
        QCOMPARE(popUp().openCount(), 1);
        processDeferredDeletes();
        QVERIFY(!guard);
        QCOMPARE(popUp().popupWindows(), QList<TfrmMSNPopUp *>{second});
    }

    void timersReallyRunTheLifeOfAWindow()
    {
        popUp().setTimeOut(1);
        popUp().setScrollSpeed(100);
        QPointer<TfrmMSNPopUp> window = showOne();
        QTRY_COMPARE_WITH_TIMEOUT(window->geometry().height(), 150, 1000);
        QTRY_VERIFY_WITH_TIMEOUT(!window, 3000);
        QCOMPARE(popUp().openCount(), 0);
    }

    void timeOutZeroStaysUntilClicked()
    {
        popUp().setTimeOut(0);
        popUp().setScrollSpeed(255);
        QPointer<TfrmMSNPopUp> window = showOne();
        QTRY_VERIFY_WITH_TIMEOUT(!window->scrollTimer().isActive(), 1000);
        QCOMPARE(window->geometry().height(), 150);
        QVERIFY(!window->exitTimer().isActive());
        QTest::qWait(150);
        QVERIFY(window && window->isVisible());
        QVERIFY(!window->scrollDownTimer().isActive());
        QCOMPARE(popUp().openCount(), 1);
    }

    void withoutScrollShownAtOnceButStillSlidesAway()
    {
        popUp().setOptions(msnCascadePopups);
        TfrmMSNPopUp *window = showOne();
        QCOMPARE(window->geometry(), QRect(1114, 842, 150, 150));
        QVERIFY(!window->scrollTimer().isActive());
        QVERIFY(window->exitTimer().isActive());
        QCOMPARE(timeOutAndSlideOut(window), 38);
        QCOMPARE(popUp().openCount(), 0);
    }

    void clickRoutes_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<TMSNPopupOptions>("options");
        QTest::addColumn<QString>("event"); // "url", "text" or "" for none
        QTest::addColumn<bool>("senderIsWindow");
        QTest::addColumn<bool>("opened");
        const TMSNPopupOptions link = msnCascadePopups | msnAllowScroll | msnAllowHyperlink;
        const TMSNPopupOptions plain = msnCascadePopups | msnAllowScroll;
        const QString url = QStringLiteral("url"), text = QStringLiteral("text");
        QTest::newRow("left on text, link") << "lblText" << Qt::LeftButton << link << url << true << false;
        QTest::newRow("left on text, link, auto open")
            << "lblText" << Qt::LeftButton << (link | msnAutoOpenURL) << url << true << true;
        QTest::newRow("left on text, no link") << "lblText" << Qt::LeftButton << plain << text << true << false;
        QTest::newRow("right on text") << "lblText" << Qt::RightButton << link << text << false << false;
        QTest::newRow("right on text, no link") << "lblText" << Qt::RightButton << plain << text << false << false;
        QTest::newRow("middle on text") << "lblText" << Qt::MiddleButton << link << QString() << false << false;
        QTest::newRow("left on title") << "lblTitle" << Qt::LeftButton << link << text << false << false;
        QTest::newRow("right on title, auto open")
            << "lblTitle" << Qt::RightButton << (link | msnAutoOpenURL) << text << false << false;
        QTest::newRow("left on background") << "imgGradient" << Qt::LeftButton << link << text << false << false;
        QTest::newRow("middle on background") << "imgGradient" << Qt::MiddleButton << link << text << false << false;
        QTest::newRow("right on icon") << "imgIcon" << Qt::RightButton << link << text << false << false;
    }
    void clickRoutes()
    {
        QFETCH(QString, control);
        QFETCH(Qt::MouseButton, button);
        QFETCH(TMSNPopupOptions, options);
        QFETCH(QString, event);
        QFETCH(bool, senderIsWindow);
        QFETCH(bool, opened);
        popUp().setOptions(options);
        popUp().setUrl(QStringLiteral("42"));
        QPointer<TfrmMSNPopUp> window = showOne();
        slideIn(window);
        popUp().setUrl(QStringLiteral("43")); // the window keeps its own copy
        QSignalSpy urlSpy(&popUp(), &TMSNPopUp::OnURLClick);
        QSignalSpy textSpy(&popUp(), &TMSNPopUp::OnTextClick);

        auto *target = window->findChild<QWidget *>(control);
        QVERIFY(target);
        QTest::mouseClick(target, button, {}, QPoint(2, 2));

        const QSignalSpy &raised = event == QStringLiteral("url") ? urlSpy : textSpy;
        const QSignalSpy &silent = event == QStringLiteral("url") ? textSpy : urlSpy;
        QCOMPARE(silent.count(), 0);
        if (event.isEmpty()) {
            QCOMPARE(raised.count(), 0);
            QVERIFY(window && window->isVisible());
            QCOMPARE(popUp().openCount(), 1);
            return;
        }
        QCOMPARE(raised.count(), 1);
        QObject *expectedSender = senderIsWindow ? static_cast<QObject *>(window.data()) : &popUp();
        QCOMPARE(raised.at(0).at(0).value<QObject *>(), expectedSender);
        QCOMPARE(raised.at(0).at(1).toString(), QStringLiteral("42"));
        QCOMPARE(m_opened, opened ? QList<QUrl>{QUrl::fromUserInput(QStringLiteral("42"))} : QList<QUrl>{});
        QCOMPARE(popUp().openCount(), 0);
        processDeferredDeletes();
        QVERIFY(!window);
    }

    void clickOnTheBandStripCountsAsBackground()
    {
        QPointer<TfrmMSNPopUp> window = showOne();
        slideIn(window);
        QSignalSpy textSpy(&popUp(), &TMSNPopUp::OnTextClick);
        auto *strip = window->findChild<QLabel *>(QStringLiteral("imgMsn"));
        QVERIFY(strip);
        // Through the window system, so that the click finds its control by position.
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, strip->geometry().center());
        QCOMPARE(textSpy.count(), 1);
        QCOMPARE(popUp().openCount(), 0);
    }

    // A handler that opens a modal dialog: while it runs, a request to close
    // the window only hides it and OpenCount keeps counting it; the window
    // is freed when the handler returns.
    void windowOutlivesAModalHandler()
    {
        QPointer<TfrmMSNPopUp> window = showOne();
        slideIn(window);
        showOne();
        bool hiddenDuringHandler = false, aliveDuringHandler = false;
        int countDuringHandler = -1;
        connect(&popUp(), &TMSNPopUp::OnTextClick, this, [&] {
            QDialog dialog;
            QTimer::singleShot(0, &dialog, [&] {
                popUp().CloseAllPopupWindows();
                window->tmrExitTimer(); // its own time-out running out meanwhile
                processDeferredDeletes();
                aliveDuringHandler = !window.isNull();
                hiddenDuringHandler = window && !window->isVisible();
                countDuringHandler = popUp().openCount();
                dialog.accept();
            });
            dialog.exec();
        });
        QTest::mouseClick(window->findChild<QWidget *>(QStringLiteral("lblTitle")), Qt::LeftButton);
        QVERIFY(aliveDuringHandler);
        QVERIFY(hiddenDuringHandler);
        QCOMPARE(countDuringHandler, 1); // the other window was freed, this one not yet
        QCOMPARE(popUp().openCount(), 0);
        processDeferredDeletes();
        QVERIFY(!window);
    }

    // The editor is modal, and a notification shown over it (or before it)
    // must still answer clicks, which arrive through the window system.
    void clickableWhileAModalDialogIsOpen_data()
    {
        QTest::addColumn<bool>("shownBeforeDialog");
        QTest::newRow("shown before the dialog") << true;
        QTest::newRow("shown while the dialog is open") << false;
    }
    void clickableWhileAModalDialogIsOpen()
    {
        QFETCH(bool, shownBeforeDialog);
        QPointer<TfrmMSNPopUp> window;
        if (shownBeforeDialog)
            window = showOne();
        QSignalSpy textSpy(&popUp(), &TMSNPopUp::OnTextClick);
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            if (!window)
                window = showOne();
            slideIn(window);
            auto *title = window->findChild<QWidget *>(QStringLiteral("lblTitle"));
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, title->geometry().center());
            dialog.accept();
        });
        dialog.exec();
        QCOMPARE(textSpy.count(), 1);
        QCOMPARE(popUp().openCount(), 0);
    }

    void secondClickDuringAHandlerIsNotAnsweredTwice()
    {
        QPointer<TfrmMSNPopUp> window = showOne();
        slideIn(window);
        int calls = 0;
        connect(&popUp(), &TMSNPopUp::OnTextClick, this, [&] {
            if (++calls == 1)
                QTest::mouseClick(window->findChild<QWidget *>(QStringLiteral("imgGradient")), Qt::LeftButton);
        });
        QTest::mouseClick(window->findChild<QWidget *>(QStringLiteral("imgGradient")), Qt::LeftButton);
        QCOMPARE(calls, 1);
        QCOMPARE(popUp().openCount(), 0);
    }

    void componentDestroyedByAHandler()
    {
        QPointer<TfrmMSNPopUp> window = showOne();
        showOne();
        connect(&popUp(), &TMSNPopUp::OnURLClick, this, [&] { m_popUp.reset(); });
        QTest::mouseClick(window->findChild<QWidget *>(QStringLiteral("lblText")), Qt::LeftButton);
        QVERIFY(!m_popUp);
        processDeferredDeletes();
        QVERIFY(!window);
    }

    void closeAllLeavesOtherComponentsAlone()
    {
        TMSNPopUp other;
        other.setTaskbarGeometry(m_geometry.get());
        QVERIFY(other.ShowPopupWindow());
        showOne();
        showOne();
        popUp().CloseAllPopupWindows();
        QCOMPARE(popUp().openCount(), 0);
        QVERIFY(popUp().popupWindows().isEmpty());
        QCOMPARE(other.openCount(), 1);
        QVERIFY(other.popupWindows().first()->isVisible());
    }

    void hoverSwitchesFontOnlyInHyperlinkMode_data()
    {
        QTest::addColumn<bool>("hyperlink");
        QTest::newRow("hyperlink") << true;
        QTest::newRow("plain") << false;
    }
    void hoverSwitchesFontOnlyInHyperlinkMode()
    {
        QFETCH(bool, hyperlink);
        popUp().setOptions(hyperlink ? msnAllowScroll | msnAllowHyperlink : msnAllowScroll);
        TfrmMSNPopUp *window = showOne();
        auto *text = window->findChild<QLabel *>(QStringLiteral("lblText"));
        QVERIFY(!text->font().underline());
        QCOMPARE(text->palette().color(QPalette::WindowText), popUp().font().color);

        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(text, &enter);
        QCOMPARE(text->font().underline(), hyperlink);
        QCOMPARE(text->palette().color(QPalette::WindowText) == QColor(Qt::blue), hyperlink);

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(text, &leave);
        QVERIFY(!text->font().underline());
    }

    void bodyTextIsCentredInTheWindow()
    {
        popUp().setText(QStringLiteral("[Work] Send the quarterly report"));
        TfrmMSNPopUp *window = showOne();
        auto *text = window->findChild<QLabel *>(QStringLiteral("lblText"));
        QCOMPARE(text->text(), QStringLiteral("[Work] Send the quarterly report"));
        QCOMPARE(text->x(), 8); // (150 - 135) / 2 = 7.5, to even
        QCOMPARE(text->width(), 135);
        QCOMPARE(text->height(), text->heightForWidth(135));
        QVERIFY(text->height() > text->fontMetrics().height()); // wrapped onto more lines
        const int spare = 150 - text->height();
        QCOMPARE(text->y(), spare % 2 == 0 ? spare / 2 : (spare / 2 % 2 == 0 ? spare / 2 : spare / 2 + 1));
        QCOMPARE(text->textFormat(), Qt::PlainText);
        QCOMPARE(text->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(text->alignment() & Qt::AlignHCenter);
    }

    void longTextIsShortenedBetweenTitleAndStrip()
    {
        const QString longText = QStringLiteral(
            "[Errands] Pick up the dry cleaning, buy stamps, return the library books before they close at six, "
            "and remember to ask about the parcel that was supposed to arrive on Tuesday but never did, then "
            "fill up the car on the way home");
        popUp().setText(longText);
        TfrmMSNPopUp *window = showOne();
        auto *text = window->findChild<QLabel *>(QStringLiteral("lblText"));
        auto *title = window->findChild<QLabel *>(QStringLiteral("lblTitle"));
        QVERIFY(text->text().startsWith(QStringLiteral("[Errands] Pick up")));
        QVERIFY(text->text().endsWith(QChar(0x2026)));
        QVERIFY(text->text().size() < longText.size());
        QVERIFY(longText.startsWith(text->text().chopped(1).trimmed()));
        QVERIFY(text->y() > title->geometry().bottom());
        QVERIFY(text->geometry().bottom() < 150 - 2 - 3);
        QCOMPARE(text->height(), text->heightForWidth(text->width()));

        // Hovering lays it out again with the same limits.
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(text, &enter);
        QVERIFY(text->text().startsWith(QStringLiteral("[Errands] Pick up")));
        QVERIFY(text->y() > title->geometry().bottom());
        QVERIFY(text->geometry().bottom() < 150 - 2 - 3);
    }

    void titlePlacementFollowsTheIcon_data()
    {
        QTest::addColumn<bool>("icon");
        QTest::addColumn<int>("titleLeft");
        QTest::newRow("no icon") << false << 8;
        QTest::newRow("icon") << true << 48;
    }
    void titlePlacementFollowsTheIcon()
    {
        QFETCH(bool, icon);
        QFETCH(int, titleLeft);
        if (icon) {
            QImage bitmap(32, 32, QImage::Format_RGB32);
            bitmap.fill(Qt::red);
            popUp().setIconBitmap(bitmap);
        }
        popUp().setTitle(QStringLiteral("Nudgewick [09:00]"));
        TfrmMSNPopUp *window = showOne();
        auto *title = window->findChild<QLabel *>(QStringLiteral("lblTitle"));
        QCOMPARE(title->text(), QStringLiteral("Nudgewick [09:00]"));
        QCOMPARE(title->pos(), QPoint(titleLeft, 8));
        QVERIFY(title->font().bold());
        QCOMPARE(window->windowTitle(), QStringLiteral("Nudgewick [09:00]"));
    }

    void windowNeverTakesTheFocus()
    {
        TfrmMSNPopUp *window = showOne();
        QVERIFY(window->isWindow());
        QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(window->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(window->windowType(), Qt::ToolTip); // no taskbar entry, placed where asked
        QVERIFY(!window->parent());
    }

    // Done, Snooze (with its menu) and Open along the bottom of a 150 x 150
    // window: each inside the window, clear of one another and of the text
    // above, with its caption whole and a name for assistive tools, never
    // taking the focus; however long the text or whichever its direction.
    void buttonsFitTheDefaultWindow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("done");
        QTest::newRow("short") << QStringLiteral("[Home] Take pills") << QStringLiteral("Done");
        QTest::newRow("repeating") << QStringLiteral("[Home] Take pills")
                                   << QStringLiteral("Done \u2014 next Fri 09:00");
        QTest::newRow("long") << QStringLiteral("[Work] ") + QStringLiteral("Prepare the quarterly report ").repeated(9)
                              << QStringLiteral("Done \u2014 next 2026/12/17 09:00");
        QTest::newRow("right to left") << QStringLiteral("[\u05D1\u05D9\u05EA] \u05DC\u05E7\u05D7\u05EA "
                                                         "\u05DB\u05D3\u05D5\u05E8\u05D9\u05DD "
                                                         "\u05DC\u05E4\u05E0\u05D9 \u05D4\u05D0\u05E8\u05D5\u05D7\u05D4")
                                       << QStringLiteral("Done \u2014 next Fri 09:00");
        QTest::newRow("long word") << QStringLiteral("x").repeated(300) << QStringLiteral("Done");
    }
    void buttonsFitTheDefaultWindow()
    {
        QFETCH(QString, text);
        QFETCH(QString, done);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));

        popUp().setText(text);
        popUp().setButtons(taskButtons(done));
        TfrmMSNPopUp *window = showOne();
        slideIn(window);
        QCOMPARE(window->size(), QSize(150, 150));
        const QRect inside = window->findChild<QFrame *>(QStringLiteral("pnlBorder"))->contentsRect();
        const QRect body = window->findChild<QLabel *>(QStringLiteral("lblText"))->geometry();
        const QRect strip = window->findChild<QLabel *>(QStringLiteral("imgMsn"))->geometry();
        const QList<QToolButton *> buttons = window->buttons();
        QCOMPARE(buttons.size(), 3);
        QStringList names;
        for (int i = 0; i < buttons.size(); ++i) {
            QToolButton *b = buttons.at(i);
            QVERIFY(b->isVisible());
            QVERIFY2(inside.contains(b->geometry()), qPrintable(b->objectName()));
            QVERIFY(b->geometry().top() > body.bottom());
            QVERIFY(b->geometry().bottom() < strip.top());
            for (int j = 0; j < i; ++j)
                QVERIFY(!b->geometry().intersects(buttons.at(j)->geometry()));
            // The caption is whole (broken into lines when it is too wide
            // for a row), and fits its button.
            QCOMPARE(b->text().replace(QLatin1Char('\n'), QLatin1Char(' ')), popUp().buttons().at(i).text);
            const int arrow = b->menu() ? b->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, b) : 0;
            for (const QString &line : b->text().split(QLatin1Char('\n')))
                QVERIFY(b->fontMetrics().horizontalAdvance(line) + 4 + arrow <= b->width());
            QVERIFY(b->sizeHint().height() <= b->height());
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
            names << b->accessibleName();
        }
        QCOMPARE(names, (QStringList{done, QStringLiteral("Snooze 5 min"), QStringLiteral("Open")}));
        // Snooze and Open share the lowest row.
        QCOMPARE(buttons.at(1)->y(), buttons.at(2)->y());
        QVERIFY(buttons.at(1)->menu());
        QCOMPARE(buttons.at(1)->menu()->actions().size(), 2);
        QVERIFY(other.isActiveWindow());
        QVERIFY(!window->isActiveWindow());
    }

    // A click on a button, or on an item of its menu, reports the button's
    // action for the window and closes it; it is no click on the body.
    void buttonClicksReportTheirAction_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("item"); // -1: the button itself
        QTest::addColumn<QString>("action");
        QTest::newRow("Done") << 0 << -1 << QStringLiteral("done");
        QTest::newRow("Snooze") << 1 << -1 << QStringLiteral("snooze");
        QTest::newRow("Snooze for an hour") << 1 << 1 << QStringLiteral("snooze:60");
        QTest::newRow("Open") << 2 << -1 << QStringLiteral("default");
    }
    void buttonClicksReportTheirAction()
    {
        QFETCH(int, button);
        QFETCH(int, item);
        QFETCH(QString, action);
        popUp().setUrl(QStringLiteral("42"));
        popUp().setButtons(taskButtons());
        popUp().setUserData(QStringLiteral("the owner's"));
        TfrmMSNPopUp *window = showOne();
        slideIn(window);
        QCOMPARE(window->userData(), QVariant(QStringLiteral("the owner's")));
        QSignalSpy buttonSpy(&popUp(), &TMSNPopUp::OnButtonClick);
        QSignalSpy textSpy(&popUp(), &TMSNPopUp::OnTextClick);
        QSignalSpy urlSpy(&popUp(), &TMSNPopUp::OnURLClick);
        QPointer<TfrmMSNPopUp> guard(window);
        QToolButton *b = window->buttons().at(button);
        if (item < 0)
            QTest::mouseClick(b, Qt::LeftButton);
        else
            b->menu()->actions().at(item)->trigger();
        QCOMPARE(buttonSpy.size(), 1);
        QCOMPARE(buttonSpy.first().at(0).value<QObject *>(), static_cast<QObject *>(window));
        QCOMPARE(buttonSpy.first().at(1).toString(), QStringLiteral("42"));
        QCOMPARE(buttonSpy.first().at(2).toString(), action);
        QCOMPARE(textSpy.size(), 0);
        QCOMPARE(urlSpy.size(), 0);
        QCOMPARE(popUp().openCount(), 0);
        processDeferredDeletes();
        QVERIFY(!guard);
    }

    // While a button's menu is open the window neither times out nor slides away.
    void openMenuHoldsTheWindow()
    {
        popUp().setButtons(taskButtons());
        TfrmMSNPopUp *window = showOne();
        slideIn(window);
        QVERIFY(window->exitTimer().isActive());
        QMenu *menu = window->buttons().at(1)->menu();
        QMetaObject::invokeMethod(menu, "aboutToShow");
        QVERIFY(!window->exitTimer().isActive());
        window->tmrExitTimer();
        QVERIFY(!window->scrollDownTimer().isActive());
        QMetaObject::invokeMethod(menu, "aboutToHide");
        QVERIFY(window->exitTimer().isActive());
    }

    // A window too low for a line of text above the buttons shows none.
    void noButtonsInATinyWindow()
    {
        popUp().setHeight(50);
        popUp().setButtons(taskButtons());
        TfrmMSNPopUp *window = showOne();
        slideIn(window);
        QCOMPARE(window->buttons().size(), 3);
        for (QToolButton *b : window->buttons())
            QVERIFY(!b->isVisible());
    }

    void drawsGradientAndBandStrip()
    {
        popUp().setGradientColor1(QColor(0x99, 0xCC, 0xFF));
        popUp().setGradientColor2(QColor(Qt::white));
        popUp().setText(QString());
        TfrmMSNPopUp *window = showOne();
        slideIn(window);
        const QImage shot = window->grab().toImage();
        QCOMPARE(shot.size(), QSize(150, 150));
        // Inside the 2-pixel bevel the gradient starts at colour 1 ...
        QCOMPARE(shot.pixelColor(100, 2), QColor(0x99, 0xCC, 0xFF));
        // ... and is colour 2 just above the strip (line 142 of 146).
        QCOMPARE(shot.pixelColor(100, 144), PopupBackground::gradientColorAt(142, 146, QColor(0x99, 0xCC, 0xFF),
                                                                             QColor(Qt::white)));
        // The strip along the bottom: yellow, blue, green from left to right.
        const QImage strip = PopupBackground::bandStripImage();
        QCOMPARE(shot.pixelColor(10, 146), strip.pixelColor(0, 0));
        QCOMPARE(shot.pixelColor(75, 146), strip.pixelColor(69, 0));
        QCOMPARE(shot.pixelColor(140, 147), strip.pixelColor(137, 0));
    }

    void backgroundImageReplacesGradientAndStrip()
    {
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(QColor(Qt::darkGreen));
        popUp().setBackgroundImage(image);
        popUp().setText(QString());
        TfrmMSNPopUp *window = showOne();
        slideIn(window);
        const QImage shot = window->grab().toImage();
        // Drawn to fit: it covers the whole inner area, strip row included.
        QCOMPARE(shot.pixelColor(100, 2), QColor(Qt::darkGreen));
        QCOMPARE(shot.pixelColor(10, 146), QColor(Qt::darkGreen));
    }
};

QTEST_MAIN(TestMSNPopUp)
#include "tst_MSNPopUp.moc"
