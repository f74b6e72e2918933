#include "toolkit/FocusFrame.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
constexpr int Width = 2;

// How far apart two colours are in lightness, 0..255.
int lightnessGap(const QColor &a, const QColor &b)
{
    return std::abs(a.lightness() - b.lightness());
}
}

FocusFrame *FocusFrame::attach(QWidget *target)
{
    if (auto *existing = target->findChild<FocusFrame *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new FocusFrame(target);
}

FocusFrame::FocusFrame(QWidget *target) : QWidget(target), m_target(target)
{
    setObjectName(target->objectName() + u"FocusFrame"_s);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    target->installEventFilter(this);
    follow();
}

QColor FocusFrame::color() const
{
    const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    const QPalette &own = m_target->palette();
    return lightnessGap(highlight, own.color(QPalette::Active, QPalette::Base)) >= 60
               ? highlight
               : own.color(QPalette::Active, QPalette::Text);
}

void FocusFrame::follow()
{
    setGeometry(m_target->rect());
    const bool focused = m_target->hasFocus();
    setVisible(focused);
    if (focused)
        raise();
    update();
}

bool FocusFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::PaletteChange:
        case QEvent::ChildAdded:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(color(), Width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    const qreal half = Width / 2.0;
    painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
}
