#pragma once

#include "popup/PopupBackground.h"
#include "popup/PopupGeometry.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>

class TaskbarGeometry;
class TfrmMSNPopUp;

enum TMSNPopupOption {
    msnAutoOpenURL = 0x01,    // after OnURLClick, open the URL with the desktop's default handler
    msnSystemFont = 0x02,     // kept for stored option sets; changes nothing
    msnCascadePopups = 0x04,  // place each new window beyond the open ones
    msnAllowScroll = 0x08,    // slide in; without it a window shows at full size at once
    msnAllowHyperlink = 0x10, // body text acts as a link: hover font, left click raises OnURLClick
};
Q_DECLARE_FLAGS(TMSNPopupOptions, TMSNPopupOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMSNPopupOptions)

// Which monitor a window is meant for; carried into every window. The
// placement itself always uses the screen that holds the taskbar.
enum class TDefaultMonitor { dmDesktop, dmPrimary, dmMainForm, dmActiveForm };

// A font together with the colour its text is drawn in.
struct PopupFont
{
    QFont font;
    QColor color;
    friend bool operator==(const PopupFont &, const PopupFont &) = default;
};

// An item of a button's drop-down menu.
struct MSNPopUpMenuItem
{
    QString action;
    QString text;
    friend bool operator==(const MSNPopUpMenuItem &, const MSNPopUpMenuItem &) = default;
};

// A small button along the bottom of a window. A click on it, or on one of
// the items of its menu, raises OnButtonClick with the action named and
// closes the window.
struct MSNPopUpButton
{
    QString action;
    QString text;        // the caption; shortened with an ellipsis when it does not fit
    QString description; // the tool tip; assistive tools read it after the caption
    QList<MSNPopUpMenuItem> menu; // a drop-down beside the button; none when empty
    friend bool operator==(const MSNPopUpButton &, const MSNPopUpButton &) = default;
};

// Everything a window is built from. A window takes its own copy when it is
// shown, so later changes affect only the windows shown after them.
struct MSNPopUpProperties
{
    QString text = QStringLiteral("text");
    QString url = QStringLiteral("https://www.example.com/");
    QImage iconBitmap;
    int iconLeft = 8;
    int iconTop = 8;
    int timeOut = 10; // seconds fully shown; 0 or less: until clicked
    int width = 148;
    int height = 121;
    QColor gradientColor1 = QColor(0x99, 0xCC, 0xFF);
    QColor gradientColor2 = QColor(0xFF, 0xFF, 0xFF);
    TOrientation gradientOrientation = TOrientation::mbVertical;
    quint8 scrollSpeed = 9; // pixels per 25 ms step
    PopupFont font;
    PopupFont hoverFont;
    QString title = QStringLiteral("title");
    PopupFont titleFont;
    TMSNPopupOptions options = msnAutoOpenURL | msnCascadePopups | msnAllowScroll | msnAllowHyperlink;
    Qt::Alignment textAlignment = Qt::AlignHCenter; // AlignLeft, AlignRight or AlignHCenter
    TMSNImageDrawMethod backgroundDrawMethod = TMSNImageDrawMethod::dmActualSize;
    Qt::CursorShape textCursor = Qt::ArrowCursor;
    int popupMarge = 2;  // gap between cascaded windows
    int popupStartX = 16; // horizontal distance from the work-area edge
    int popupStartY = 2;  // vertical distance from the work-area edge
    TDefaultMonitor defaultMonitor = TDefaultMonitor::dmActiveForm;
    QImage backgroundImage; // replaces the gradient when set
    // Buttons in rows along the bottom, above the band strip; none by
    // default. A window too small to keep a line of text above them shows none.
    QList<MSNPopUpButton> buttons;
    QVariant userData; // the owner's own, carried into the window unchanged
};

// Shows small notification windows that slide out of the screen corner next
// to the taskbar, stay for a while, slide back and close. Several can be open
// at once; they cascade. A click on a window raises OnURLClick or OnTextClick
// with the window's URL text. The component knows nothing about what the
// notifications are for.
class TMSNPopUp : public QObject
{
    Q_OBJECT
public:
    using UrlOpener = std::function<bool(const QUrl &)>;

    explicit TMSNPopUp(QObject *owner = nullptr);
    ~TMSNPopUp() override;

    // The values the main window's instance starts with (the settings file
    // then overrides colours, time-out, scroll speed, size and start position).
    void applyMainWindowDesign();

    const MSNPopUpProperties &properties() const { return m_props; }

    QString text() const { return m_props.text; }
    void setText(const QString &text) { m_props.text = text; }
    QString url() const { return m_props.url; }
    void setUrl(const QString &url) { m_props.url = url; }
    QImage iconBitmap() const { return m_props.iconBitmap; }
    void setIconBitmap(const QImage &icon) { m_props.iconBitmap = icon; }
    int iconLeft() const { return m_props.iconLeft; }
    void setIconLeft(int left) { m_props.iconLeft = left; }
    int iconTop() const { return m_props.iconTop; }
    void setIconTop(int top) { m_props.iconTop = top; }
    int timeOut() const { return m_props.timeOut; }
    void setTimeOut(int seconds) { m_props.timeOut = seconds; }
    int width() const { return m_props.width; }
    void setWidth(int width) { m_props.width = width; }
    int height() const { return m_props.height; }
    void setHeight(int height) { m_props.height = height; }
    QColor gradientColor1() const { return m_props.gradientColor1; }
    void setGradientColor1(const QColor &color) { m_props.gradientColor1 = color; }
    QColor gradientColor2() const { return m_props.gradientColor2; }
    void setGradientColor2(const QColor &color) { m_props.gradientColor2 = color; }
    TOrientation gradientOrientation() const { return m_props.gradientOrientation; }
    void setGradientOrientation(TOrientation orientation) { m_props.gradientOrientation = orientation; }
    quint8 scrollSpeed() const { return m_props.scrollSpeed; }
    void setScrollSpeed(quint8 pixels) { m_props.scrollSpeed = pixels; }
    PopupFont font() const { return m_props.font; }
    void setFont(const PopupFont &font) { m_props.font = font; }
    PopupFont hoverFont() const { return m_props.hoverFont; }
    void setHoverFont(const PopupFont &font) { m_props.hoverFont = font; }
    QString title() const { return m_props.title; }
    void setTitle(const QString &title) { m_props.title = title; }
    PopupFont titleFont() const { return m_props.titleFont; }
    void setTitleFont(const PopupFont &font) { m_props.titleFont = font; }
    TMSNPopupOptions options() const { return m_props.options; }
    void setOptions(TMSNPopupOptions options) { m_props.options = options; }
    Qt::Alignment textAlignment() const { return m_props.textAlignment; }
    void setTextAlignment(Qt::Alignment alignment) { m_props.textAlignment = alignment; }
    TMSNImageDrawMethod backgroundDrawMethod() const { return m_props.backgroundDrawMethod; }
    void setBackgroundDrawMethod(TMSNImageDrawMethod method) { m_props.backgroundDrawMethod = method; }
    Qt::CursorShape textCursor() const { return m_props.textCursor; }
    void setTextCursor(Qt::CursorShape cursor) { m_props.textCursor = cursor; }
    int popupMarge() const { return m_props.popupMarge; }
    void setPopupMarge(int pixels) { m_props.popupMarge = pixels; }
    int popupStartX() const { return m_props.popupStartX; }
    void setPopupStartX(int pixels) { m_props.popupStartX = pixels; }
    int popupStartY() const { return m_props.popupStartY; }
    void setPopupStartY(int pixels) { m_props.popupStartY = pixels; }
    TDefaultMonitor defaultMonitor() const { return m_props.defaultMonitor; }
    void setDefaultMonitor(TDefaultMonitor monitor) { m_props.defaultMonitor = monitor; }
    QImage backgroundImage() const { return m_props.backgroundImage; }
    void setBackgroundImage(const QImage &image) { m_props.backgroundImage = image; }
    QList<MSNPopUpButton> buttons() const { return m_props.buttons; }
    void setButtons(const QList<MSNPopUpButton> &buttons) { m_props.buttons = buttons; }
    QVariant userData() const { return m_props.userData; }
    void setUserData(const QVariant &data) { m_props.userData = data; }

    // Windows shown and not yet freed.
    int openCount() const { return m_openCount; }
    // Where the next cascaded window goes, in pixels from the corner.
    int stackOffset() const { return m_stackOffset; }
    // The taskbar edge seen at the last ShowPopupWindow.
    TaskbarEdge lastTaskbarEdge() const { return m_lastTaskbarEdge; }

    // Shows one window from the current properties. False when the stack is
    // full: nothing is shown and OpenCount stays as it is.
    bool ShowPopupWindow();
    // How many windows a stack started now shows at once: those that fit
    // beside the taskbar when cascading (at least one, at most 100), one
    // when windows do not cascade and so cover each other.
    int stackCapacity() const;
    // Asks every open window of this component to close.
    void CloseAllPopupWindows();
    // The screen edge that holds the taskbar, None when none is reported.
    TaskbarEdge GetTaskbarEdge() const;
    // The desktop area not covered by the taskbar.
    QRect workArea() const;

    // The windows of this component that are still open, oldest first.
    QList<TfrmMSNPopUp *> popupWindows() const;
    // The window whose click is being answered (see OnTextClick); none
    // outside a click.
    TfrmMSNPopUp *clickedWindow() const;

    // Where the taskbar and work area are read from; nullptr (the default)
    // reads the primary screen. The geometry must outlive the component.
    void setTaskbarGeometry(const TaskbarGeometry *geometry);
    // How an address is opened (QDesktopServices::openUrl by default).
    void setUrlOpener(UrlOpener opener);

signals:
    // A click on a window. Sender is the window for a left click on the body
    // text and the component for every other click; url is the window's URL.
    void OnTextClick(QObject *sender, const QString &url);
    void OnURLClick(QObject *sender, const QString &url);
    // A click on one of a window's buttons or on an item of a button's
    // menu. Sender is the window; action is the button's or the item's.
    void OnButtonClick(QObject *sender, const QString &url, const QString &action);

private:
    friend class TfrmMSNPopUp;
    void windowClosed(TfrmMSNPopUp *window);
    void openUrl(const QString &url) const;

    MSNPopUpProperties m_props;
    int m_openCount = 0;
    int m_stackOffset = 0;
    TaskbarEdge m_lastTaskbarEdge = TaskbarEdge::Left;
    QList<QPointer<TfrmMSNPopUp>> m_windows;
    std::unique_ptr<TaskbarGeometry> m_screenGeometry;
    const TaskbarGeometry *m_geometry = nullptr;
    UrlOpener m_urlOpener;
};
