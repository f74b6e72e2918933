#pragma once

#include "popup/MSNPopUp.h"
#include "popup/PopupGeometry.h"

#include <QPointer>
#include <QWidget>

class QFrame;
class QLabel;
class QTimer;
class QToolButton;
class TMouseLabel;

// One notification window of a TMSNPopUp: frameless, always on top, never
// taking the keyboard focus, without a taskbar entry. It slides in from the
// taskbar side, stays for its time-out, slides back and closes and frees
// itself. A click raises one of the component's events and closes it. Its
// buttons, when it has any, never take the focus either.
class TfrmMSNPopUp final : public QWidget
{
    Q_OBJECT
public:
    // A hidden window holding its own copy of the properties.
    TfrmMSNPopUp(TMSNPopUp *popUp, const MSNPopUpProperties &properties);
    ~TfrmMSNPopUp() override;

    // Places the window at position (its fully shown top-left corner), draws
    // it and starts sliding it in (or shows it at once).
    void ShowPopUp(TaskbarEdge edge, const QPoint &position, int savedStackOffset);

    QString text() const { return m_props.text; }
    QString url() const { return m_props.url; }
    QString title() const { return m_props.title; }
    QVariant userData() const { return m_props.userData; }
    // The buttons of the properties, in their order; hidden ones included.
    QList<QToolButton *> buttons() const { return m_buttons; }
    TaskbarEdge taskbarEdge() const { return m_edge; }
    int savedStackOffset() const { return m_savedStackOffset; }
    // The full-size geometry the window slides toward and rests at.
    QRect restingGeometry() const { return m_resting; }
    // False while a click's event is delivered: a close request then only hides.
    bool freeOnClose() const { return m_freeOnClose; }
    bool isDeliveringClick() const { return m_delivering; }

    const QTimer &exitTimer() const { return *tmrExit; }
    const QTimer &scrollTimer() const { return *tmrScroll; }
    const QTimer &scrollDownTimer() const { return *tmrScrollDown; }

    // The timer handlers, public so that a slide can be stepped by hand.
    void tmrScrollTimer();
    void tmrScrollDownTimer();
    void tmrExitTimer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void lblTextClick();
    void lblTextMouseUp(Qt::MouseButton button);
    void lblTextMouseEnter();
    void lblTextMouseLeave();
    void otherMouseUp();
    void buttonClick(const QString &action);
    void createButtons();
    int layoutButtons();
    void menuShown();
    void menuHidden();
    void LayoutText();
    QString fittedText(int width, int maxHeight);
    void setTextFont(const PopupFont &font);
    void paintBackground();
    void startExitTimer();
    void stopTimers();
    void stayClickableAboveModalDialogs();
    template <typename Raise>
    void deliverClick(Raise raise);
    EdgeRect currentWorkArea() const;
    PopupGeometry::Placement placement() const;

    QPointer<TMSNPopUp> m_popUp;
    MSNPopUpProperties m_props;
    TaskbarEdge m_edge = TaskbarEdge::None;
    int m_savedStackOffset = 0;
    QRect m_resting;
    QRect m_frame;
    bool m_freeOnClose = true;
    bool m_delivering = false;
    bool m_released = false;
    bool m_menuOpen = false;
    int m_textBottom = 0; // the lowest the body text may reach, above the buttons

    QFrame *pnlBorder;
    TMouseLabel *imgGradient;
    TMouseLabel *imgIcon;
    TMouseLabel *lblText;
    TMouseLabel *lblTitle;
    QLabel *imgMsn = nullptr;
    QList<QToolButton *> m_buttons;
    QTimer *tmrExit;
    QTimer *tmrScroll;
    QTimer *tmrScrollDown;
};
