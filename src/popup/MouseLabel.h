#pragma once

#include <QLabel>

// A label (or picture) that reports the pointer entering and leaving it, a
// left click (press and release inside it), and every button release.
class TMouseLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TMouseLabel(QWidget *parent = nullptr);

signals:
    void mouseEnter();
    void mouseLeave();
    void clicked();
    void mouseUp(Qt::MouseButton button);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_leftPressed = false;
};
