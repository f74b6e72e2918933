#pragma once

#include <QWidget>

// A plainly visible keyboard focus: a frame two pixels wide in the
// application palette's highlight colour around a widget while it has the
// focus. Styles mark the focus of item views and read-only text faintly or
// not at all. The frame is a child of the widget that lets the mouse through
// and takes no focus; it follows the widget's size and the palette.
class FocusFrame : public QWidget
{
    Q_OBJECT
public:
    // Gives the widget a focus frame (once; a second call changes nothing).
    static FocusFrame *attach(QWidget *target);

    // The frame's colour: the application's highlight, or the widget's text
    // colour where the highlight would not stand out from its background.
    QColor color() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    explicit FocusFrame(QWidget *target);
    void follow();

    QWidget *m_target;
};
