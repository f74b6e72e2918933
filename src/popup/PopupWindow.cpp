#include "popup/PopupWindow.h"

#include "popup/MouseLabel.h"
#include "popup/PopupBackground.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace {

constexpr int BevelWidth = 2;
constexpr int SlideIntervalMs = 25;
constexpr int StripHeight = 3;
constexpr int IconSize = 32;
constexpr int TextGap = 2; // between the title and a body text that fills the window
constexpr int ButtonGap = 2;    // between buttons, their rows, the text above and the strip below
constexpr int ButtonMargin = 3; // between the buttons and the window's sides
constexpr int CaptionPadding = 9; // beside a button's caption, its frame included

TMouseLabel *makeLabel(QWidget *parent, const char *name)
{
    auto *label = new TMouseLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QTimer *makeTimer(QObject *parent, const char *name, int interval)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    return timer;
}

// The buttons' captions: a size smaller than the body text, so the usual
// three fit the default width in two rows.
QFont buttonFont(QFont font)
{
    if (font.pixelSize() > 0)
        font.setPixelSize(qMax(8, font.pixelSize() - 1));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(qMax(6.0, font.pointSizeF() * 0.9));
    return font;
}

// A caption broken into lines at its spaces so each line fits the width; a
// word wider than that alone is shortened with an ellipsis.
QString wrappedCaption(const QFontMetrics &metrics, const QString &text, int width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        // A pixel to spare: advances are rounded, and an exact fit may not be.
        if (line.isEmpty() || metrics.horizontalAdvance(longer) < width) {
            line = longer;
            continue;
        }
        lines << line;
        line = word;
    }
    lines << line;
    for (QString &l : lines) {
        if (metrics.horizontalAdvance(l) > width)
            l = metrics.elidedText(l, Qt::ElideRight, width);
    }
    return lines.join(QLatin1Char('\n'));
}

// The width a button needs for its caption (the widest line) and the arrow
// of its menu. Narrower than the style's size hint, so the usual buttons
// share a row of the default window; the caption still has room.
int naturalWidth(const QToolButton *button)
{
    int caption = 0;
    for (const QString &line : button->text().split(QLatin1Char('\n')))
        caption = qMax(caption, button->fontMetrics().horizontalAdvance(line));
    int width = caption + CaptionPadding;
    if (button->menu())
        width += button->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, button);
    return width;
}

} // namespace

TfrmMSNPopUp::TfrmMSNPopUp(TMSNPopUp *popUp, const MSNPopUpProperties &properties)
    : QWidget(nullptr,
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      m_popUp(popUp),
      m_props(properties)
{
    setObjectName(QStringLiteral("TfrmMSNPopUp"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    // Compositors give notification windows their shadow and keep them on top.
    setAttribute(Qt::WA_X11NetWmWindowTypeNotification);
    setFocusPolicy(Qt::NoFocus);
    m_props.width = qMax(1, m_props.width);
    m_props.height = qMax(1, m_props.height);

    pnlBorder = new QFrame(this);
    pnlBorder->setObjectName(QStringLiteral("pnlBorder"));
    pnlBorder->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlBorder->setLineWidth(BevelWidth);

    imgGradient = makeLabel(pnlBorder, "imgGradient");
    imgIcon = makeLabel(pnlBorder, "imgIcon");
    imgIcon->setGeometry(3, 8, IconSize, IconSize);
    lblText = makeLabel(pnlBorder, "lblText");
    lblText->setWordWrap(true);
    lblText->setAlignment(m_props.textAlignment | Qt::AlignVCenter);
    lblTitle = makeLabel(pnlBorder, "lblTitle");
    lblTitle->move(48, 8);

    tmrExit = makeTimer(this, "tmrExit", 0);
    tmrScroll = makeTimer(this, "tmrScroll", SlideIntervalMs);
    tmrScrollDown = makeTimer(this, "tmrScrollDown", SlideIntervalMs);
    connect(tmrExit, &QTimer::timeout, this, &TfrmMSNPopUp::tmrExitTimer);
    connect(tmrScroll, &QTimer::timeout, this, &TfrmMSNPopUp::tmrScrollTimer);
    connect(tmrScrollDown, &QTimer::timeout, this, &TfrmMSNPopUp::tmrScrollDownTimer);

    connect(lblText, &TMouseLabel::clicked, this, &TfrmMSNPopUp::lblTextClick);
    connect(lblText, &TMouseLabel::mouseUp, this, &TfrmMSNPopUp::lblTextMouseUp);
    connect(lblText, &TMouseLabel::mouseEnter, this, &TfrmMSNPopUp::lblTextMouseEnter);
    connect(lblText, &TMouseLabel::mouseLeave, this, &TfrmMSNPopUp::lblTextMouseLeave);
    connect(lblTitle, &TMouseLabel::mouseUp, this, &TfrmMSNPopUp::otherMouseUp);
    connect(imgGradient, &TMouseLabel::mouseUp, this, &TfrmMSNPopUp::otherMouseUp);
    connect(imgIcon, &TMouseLabel::mouseUp, this, &TfrmMSNPopUp::otherMouseUp);
    createButtons();
}

TfrmMSNPopUp::~TfrmMSNPopUp()
{
    if (!m_released && m_popUp)
        m_popUp->windowClosed(this);
}

void TfrmMSNPopUp::ShowPopUp(TaskbarEdge edge, const QPoint &position, int savedStackOffset)
{
    const QSize size(m_props.width, m_props.height);
    m_edge = edge;
    m_savedStackOffset = savedStackOffset;
    m_resting = QRect(position, size);
    m_freeOnClose = true;

    // The controls keep the full size while the window around them grows
    // and shrinks, so a slide reveals the content instead of squeezing it.
    pnlBorder->setGeometry(QRect(QPoint(0, 0), size));
    imgGradient->setGeometry(pnlBorder->contentsRect());
    imgMsn = new QLabel(pnlBorder);
    imgMsn->setObjectName(QStringLiteral("imgMsn"));
    imgMsn->setScaledContents(true);
    imgMsn->setAttribute(Qt::WA_TransparentForMouseEvents); // a click on it is a click on the background
    const QRect inner = pnlBorder->contentsRect();
    imgMsn->setGeometry(inner.left(), inner.bottom() + 1 - StripHeight, inner.width(), StripHeight);
    lblText->setCursor(m_props.textCursor);

    lblTitle->setFont(m_props.titleFont.font);
    QPalette titlePalette = lblTitle->palette();
    titlePalette.setColor(QPalette::WindowText, m_props.titleFont.color);
    lblTitle->setPalette(titlePalette);
    lblTitle->setText(m_props.title);
    lblTitle->adjustSize();
    setWindowTitle(m_props.title);

    paintBackground();
    m_textBottom = layoutButtons();

    const qint64 exitMs = qint64(m_props.timeOut) * 1000;
    tmrExit->setInterval(int(qMin<qint64>(exitMs, std::numeric_limits<int>::max())));

    if (m_props.options.testFlag(msnAllowScroll)) {
        m_frame = PopupGeometry::collapsedGeometry(m_edge, m_resting);
        tmrScroll->start();
    } else {
        m_frame = m_resting;
        startExitTimer();
    }
    setGeometry(m_frame);
    create();
    windowHandle()->installEventFilter(this);
    show();

    setTextFont(m_props.hoverFont);
    LayoutText();
    setTextFont(m_props.font);
    LayoutText();
}

void TfrmMSNPopUp::paintBackground()
{
    const QSize area = imgGradient->size();
    QImage picture;
    if (m_props.backgroundImage.isNull()) {
        imgMsn->setPixmap(QPixmap::fromImage(PopupBackground::bandStripImage()));
        picture = PopupBackground::gradientImage(area, m_props.gradientColor1, m_props.gradientColor2,
                                                 m_props.gradientOrientation);
    } else {
        picture = QImage(area, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        PopupBackground::drawBackgroundImage(painter, area, PopupBackground::transparentImage(m_props.backgroundImage),
                                             m_props.backgroundDrawMethod);
    }
    if (m_props.iconBitmap.isNull()) {
        lblTitle->move(8, lblTitle->y());
    } else if (!picture.isNull()) {
        QPainter painter(&picture);
        painter.drawImage(m_props.iconLeft, m_props.iconTop, PopupBackground::transparentImage(m_props.iconBitmap));
    }
    imgGradient->setPixmap(QPixmap::fromImage(picture));
}

void TfrmMSNPopUp::setTextFont(const PopupFont &font)
{
    lblText->setFont(font.font);
    QPalette palette = lblText->palette();
    palette.setColor(QPalette::WindowText, font.color);
    lblText->setPalette(palette);
}

void TfrmMSNPopUp::LayoutText()
{
    const int panelWidth = pnlBorder->width();
    const int panelHeight = pnlBorder->height();
    const int width = qMax(0, panelWidth - 15);
    // The text is centred in the window. One too long for the space between
    // the title and the band strip is shortened with an ellipsis and kept in
    // that space, so neither its beginning nor the title is painted over.
    const int minTop = lblTitle->geometry().bottom() + 1 + TextGap;
    const int maxBottom = m_textBottom;
    lblText->setText(fittedText(width, qMax(0, maxBottom - minTop)));
    const int height = qMax(0, lblText->heightForWidth(width));
    int top = PopupGeometry::halfRoundedToEven(panelHeight - height);
    top = qMax(minTop, qMin(top, maxBottom - height));
    lblText->setGeometry(PopupGeometry::halfRoundedToEven(panelWidth - width), top, width, height);
}

QString TfrmMSNPopUp::fittedText(int width, int maxHeight)
{
    const QString &full = m_props.text;
    const auto heightOf = [this, width](const QString &text) {
        lblText->setText(text);
        return lblText->heightForWidth(width);
    };
    if (heightOf(full) <= maxHeight)
        return full;
    const QString ellipsis(QChar(0x2026));
    // The longest beginning that still fits with the ellipsis after it.
    int lo = 0, hi = int(full.size());
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (heightOf(full.left(mid).trimmed() + ellipsis) <= maxHeight)
            lo = mid;
        else
            hi = mid - 1;
    }
    QString kept = full.left(lo);
    const qsizetype space = kept.lastIndexOf(QLatin1Char(' '));
    if (space > 0 && lo < full.size() && !full.at(lo).isSpace())
        kept.truncate(space); // end at a whole word
    return kept.trimmed() + ellipsis;
}

void TfrmMSNPopUp::createButtons()
{
    for (const MSNPopUpButton &b : std::as_const(m_props.buttons)) {
        auto *button = new QToolButton(pnlBorder);
        button->setObjectName(QStringLiteral("btn") + b.action);
        // Pressing one never takes the focus from the window the user works in.
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setFont(buttonFont(m_props.font.font));
        button->setCursor(Qt::ArrowCursor);
        button->setText(b.text);
        button->setToolTip(b.description);
        button->setAccessibleName(b.text);
        button->setAccessibleDescription(b.description);
        const QString action = b.action;
        connect(button, &QToolButton::clicked, this, [this, action] { buttonClick(action); });
        if (!b.menu.isEmpty()) {
            auto *menu = new QMenu(button);
            menu->setObjectName(QStringLiteral("menu") + b.action);
            for (const MSNPopUpMenuItem &item : b.menu)
                menu->addAction(item.text)->setData(item.action);
            button->setMenu(menu);
            button->setPopupMode(QToolButton::MenuButtonPopup);
            connect(menu, &QMenu::triggered, this, [this](QAction *item) { buttonClick(item->data().toString()); });
            connect(menu, &QMenu::aboutToShow, this, &TfrmMSNPopUp::menuShown);
            connect(menu, &QMenu::aboutToHide, this, &TfrmMSNPopUp::menuHidden);
        }
        button->hide();
        m_buttons.append(button);
    }
}

// The buttons go in rows along the bottom, above the band strip, in their
// order, as many to a row as fit at their natural widths (the top row
// takes what is left over); each row is
// stretched to the window's width, and a caption too wide for a row alone
// is broken into lines. Returns the lowest the body text may reach: the top
// of the rows, or the strip when there are none (or no room for them).
int TfrmMSNPopUp::layoutButtons()
{
    const QRect inner = pnlBorder->contentsRect();
    const int bottom = inner.bottom() + 1 - StripHeight;
    for (QToolButton *button : std::as_const(m_buttons))
        button->hide();
    const int width = inner.width() - 2 * ButtonMargin;
    if (m_buttons.isEmpty() || width <= 0)
        return bottom;

    struct Row
    {
        QList<int> buttons;
        int used = 0;   // natural widths and the gaps between them
        int height = 0;
    };
    // Filled from the last button up, so the lowest rows are the full ones.
    QList<Row> rows; // bottom row first, turned top to bottom below
    for (int i = int(m_buttons.size()) - 1; i >= 0; --i) {
        QToolButton *button = m_buttons.at(i);
        const QString &text = m_props.buttons.at(i).text;
        button->setText(text);
        int natural = naturalWidth(button);
        if (natural > width) {
            const int padding = natural - button->fontMetrics().horizontalAdvance(text);
            button->setText(wrappedCaption(button->fontMetrics(), text, width - padding));
            natural = naturalWidth(button);
        }
        if (!rows.isEmpty() && rows.last().used + ButtonGap + natural <= width) {
            rows.last().used += ButtonGap + natural;
        } else {
            rows.append(Row{});
            rows.last().used = natural;
        }
        rows.last().buttons.prepend(i);
        rows.last().height = qMax(rows.last().height, button->sizeHint().height());
    }
    std::reverse(rows.begin(), rows.end());
    int top = bottom;
    for (const Row &row : std::as_const(rows))
        top -= row.height + ButtonGap;
    // A window too small for a line of text above the buttons shows none;
    // its clicks still answer as they always did.
    const int titleBottom = lblTitle->geometry().bottom() + 1 + TextGap;
    if (top - titleBottom < QFontMetrics(m_props.font.font).lineSpacing())
        return bottom;

    int y = top + ButtonGap;
    for (const Row &row : std::as_const(rows)) {
        const int count = int(row.buttons.size());
        const int spare = qMax(0, width - row.used);
        int x = inner.left() + ButtonMargin;
        for (int k = 0; k < count; ++k) {
            QToolButton *button = m_buttons.at(row.buttons.at(k));
            // The spare width is shared out; the last button takes what rounding left.
            const int w = k + 1 < count ? naturalWidth(button) + spare / count
                                        : inner.left() + ButtonMargin + width - x;
            QRect place(x, y, w, row.height);
            if (isRightToLeft())
                place.moveLeft(inner.left() + inner.right() - place.right());
            button->setGeometry(place);
            button->show();
            x += w + ButtonGap;
        }
        y += row.height + ButtonGap;
    }
    return top;
}

void TfrmMSNPopUp::buttonClick(const QString &action)
{
    deliverClick([this, action] {
        if (m_popUp)
            emit m_popUp->OnButtonClick(this, m_props.url, action);
    });
}

// While a button's menu is open the window stays where it is.
void TfrmMSNPopUp::menuShown()
{
    m_menuOpen = true;
    tmrExit->stop();
    if (tmrScrollDown->isActive()) {
        tmrScrollDown->stop();
        m_frame = m_resting;
        setGeometry(m_frame);
    }
}

void TfrmMSNPopUp::menuHidden()
{
    m_menuOpen = false;
    if (!m_delivering && !tmrScroll->isActive())
        startExitTimer();
}

void TfrmMSNPopUp::lblTextMouseEnter()
{
    if (!m_props.options.testFlag(msnAllowHyperlink))
        return;
    setTextFont(m_props.hoverFont);
    LayoutText();
}

void TfrmMSNPopUp::lblTextMouseLeave()
{
    if (!m_props.options.testFlag(msnAllowHyperlink))
        return;
    setTextFont(m_props.font);
    LayoutText();
}

EdgeRect TfrmMSNPopUp::currentWorkArea() const
{
    return EdgeRect::fromQRect(m_popUp ? m_popUp->workArea() : QRect());
}

PopupGeometry::Placement TfrmMSNPopUp::placement() const
{
    return {m_props.width, m_props.height, m_props.popupStartX, m_props.popupStartY};
}

void TfrmMSNPopUp::tmrScrollTimer()
{
    const PopupGeometry::SlideStep step =
        PopupGeometry::slideInStep(m_edge, m_frame, m_resting.size(), m_props.scrollSpeed, currentWorkArea(),
                                   placement(), m_savedStackOffset);
    m_frame = step.geometry;
    setGeometry(m_frame);
    if (step.finished) {
        tmrScroll->stop();
        startExitTimer();
    }
}

void TfrmMSNPopUp::tmrExitTimer()
{
    tmrExit->stop();
    if (m_menuOpen)
        return; // the menu's closing starts the time-out again
    tmrScrollDown->start();
}

void TfrmMSNPopUp::tmrScrollDownTimer()
{
    const PopupGeometry::SlideStep step = PopupGeometry::slideOutStep(m_edge, m_frame, m_props.scrollSpeed);
    if (step.finished) {
        tmrScrollDown->stop();
        close();
        return;
    }
    m_frame = step.geometry;
    setGeometry(m_frame);
}

void TfrmMSNPopUp::startExitTimer()
{
    // A time-out of 0 means the window stays until it is clicked.
    if (tmrExit->interval() > 0)
        tmrExit->start();
}

void TfrmMSNPopUp::stopTimers()
{
    tmrExit->stop();
    tmrScroll->stop();
    tmrScrollDown->stop();
}

template <typename Raise>
void TfrmMSNPopUp::deliverClick(Raise raise)
{
    // A second click while the first one's handler still runs (say, in a
    // dialog it opened) is not answered twice.
    if (m_delivering)
        return;
    QPointer<TfrmMSNPopUp> self(this);
    m_delivering = true;
    m_freeOnClose = false;
    raise();
    if (!self)
        return;
    m_delivering = false;
    m_freeOnClose = true;
    close();
}

void TfrmMSNPopUp::lblTextClick()
{
    if (m_props.options.testFlag(msnAllowHyperlink)) {
        deliverClick([this] {
            if (m_popUp)
                emit m_popUp->OnURLClick(this, m_props.url);
            if (m_popUp && m_popUp->options().testFlag(msnAutoOpenURL))
                m_popUp->openUrl(m_props.url);
        });
    } else {
        deliverClick([this] {
            if (m_popUp)
                emit m_popUp->OnTextClick(this, m_props.url);
        });
    }
}

void TfrmMSNPopUp::lblTextMouseUp(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        otherMouseUp();
}

void TfrmMSNPopUp::otherMouseUp()
{
    deliverClick([this] {
        if (m_popUp)
            emit m_popUp->OnTextClick(m_popUp.data(), m_props.url);
    });
}

bool TfrmMSNPopUp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == windowHandle()) {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            stayClickableAboveModalDialogs();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmMSNPopUp::stayClickableAboveModalDialogs()
{
    // A notification answers clicks while a modal dialog is open (a click
    // may even open a second editor over the first). Qt turns away pointer
    // input to every window outside the modal dialog's family, so before
    // the input is looked at the window joins the family of the topmost
    // modal dialog.
    QWindow *modal = QGuiApplication::modalWindow();
    QWindow *own = windowHandle();
    if (modal && own && modal != own && own->transientParent() != modal)
        own->setTransientParent(modal);
}

void TfrmMSNPopUp::closeEvent(QCloseEvent *event)
{
    stopTimers();
    if (!m_freeOnClose) {
        // A click's event is still being delivered: only hide; the click
        // handler's own close afterwards frees the window.
        event->ignore();
        hide();
        return;
    }
    event->accept();
    if (m_released)
        return;
    m_released = true;
    if (m_popUp)
        m_popUp->windowClosed(this);
    deleteLater();
}
