#include "popup/MouseLabel.h"

#include <QMouseEvent>
#include <QPointer>

TMouseLabel::TMouseLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setContentsMargins(0, 0, 0, 0);
    setMargin(0);
    setIndent(0);
}

void TMouseLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    emit mouseEnter();
}

void TMouseLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    emit mouseLeave();
}

void TMouseLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    event->accept();
}

void TMouseLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const Qt::MouseButton button = event->button();
    // A receiver may close the window; the label may be gone afterwards.
    QPointer<TMouseLabel> self(this);
    if (button == Qt::LeftButton) {
        const bool click = m_leftPressed && rect().contains(event->position().toPoint());
        m_leftPressed = false;
        if (click)
            emit clicked();
    }
    if (self)
        emit mouseUp(button);
}
