#include "popup/MSNPopUp.h"

#include "core/Logging.h"
#include "popup/PopupWindow.h"
#include "toolkit/TaskbarGeometry.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPalette>

namespace {

QColor windowTextColor()
{
    return QGuiApplication::palette().color(QPalette::WindowText);
}

PopupFont underlinedBlue(QFont font)
{
    font.setUnderline(true);
    return {font, QColor(Qt::blue)};
}

PopupFont bold(QFont font)
{
    font.setBold(true);
    return {font, windowTextColor()};
}

} // namespace

TMSNPopUp::TMSNPopUp(QObject *owner)
    : QObject(owner),
      m_screenGeometry(std::make_unique<ScreenTaskbarGeometry>()),
      m_geometry(m_screenGeometry.get()),
      m_urlOpener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    const QFont platformFont = QGuiApplication::font();
    m_props.font = {platformFont, windowTextColor()};
    m_props.hoverFont = underlinedBlue(platformFont);
    m_props.titleFont = bold(platformFont);
}

TMSNPopUp::~TMSNPopUp()
{
    const auto windows = m_windows;
    for (const QPointer<TfrmMSNPopUp> &window : windows) {
        if (!window)
            continue;
        // A window whose click is still being answered frees itself when
        // the answer returns; deleting it here would pull it from under the
        // running handler.
        if (window->isDeliveringClick())
            continue;
        delete window.data();
    }
}

void TMSNPopUp::applyMainWindowDesign()
{
    m_props.timeOut = 30;
    m_props.width = 150;
    m_props.height = 150;
    m_props.gradientColor1 = QColor(Qt::white);
    m_props.gradientColor2 = QColor(Qt::white);
    m_props.gradientOrientation = TOrientation::mbVertical;
    m_props.scrollSpeed = 4;
    QFont font = QGuiApplication::font();
    font.setPixelSize(11);
    m_props.font = {font, windowTextColor()};
    m_props.hoverFont = underlinedBlue(font);
    m_props.titleFont = bold(font);
    m_props.options = msnCascadePopups | msnAllowScroll | msnAllowHyperlink;
    m_props.textAlignment = Qt::AlignHCenter;
    m_props.backgroundDrawMethod = TMSNImageDrawMethod::dmFit;
    m_props.textCursor = Qt::PointingHandCursor;
    m_props.popupMarge = 2;
    m_props.popupStartX = 16;
    m_props.popupStartY = 2;
    m_props.defaultMonitor = TDefaultMonitor::dmDesktop;
}

TaskbarEdge TMSNPopUp::GetTaskbarEdge() const
{
    return PopupGeometry::taskbarEdge(m_geometry->screenGeometry(), m_geometry->workArea());
}

QRect TMSNPopUp::workArea() const
{
    return m_geometry->workArea();
}

bool TMSNPopUp::ShowPopupWindow()
{
    const TaskbarEdge edge = GetTaskbarEdge();
    if (edge != m_lastTaskbarEdge) {
        m_lastTaskbarEdge = edge;
        m_openCount = 0;
    }
    const EdgeRect work = EdgeRect::fromQRect(workArea());
    const PopupGeometry::Placement placement{m_props.width, m_props.height, m_props.popupStartX,
                                             m_props.popupStartY};
    if (m_openCount <= 0) {
        m_stackOffset = 0;
    } else if (PopupGeometry::stackFull(m_lastTaskbarEdge, m_geometry->screenGeometry().top(), work, placement,
                                                m_stackOffset)) {
        qCDebug(lcPopup) << "stack full at offset" << m_stackOffset;
        return false;
    }
    ++m_openCount;

    // Owned by this component (see the destructor) until it closes and frees itself.
    auto *window = new TfrmMSNPopUp(this, m_props);
    m_windows.append(window);

    const TaskbarEdge windowEdge = GetTaskbarEdge();
    const QPoint position = PopupGeometry::popupPosition(windowEdge, work, placement, m_stackOffset);
    const int savedStackOffset = m_stackOffset;
    m_stackOffset = PopupGeometry::nextStackOffset(m_props.options.testFlag(msnCascadePopups), m_stackOffset,
                                                   m_props.height, m_props.popupMarge);
    window->ShowPopUp(windowEdge, position, savedStackOffset);
    qCDebug(lcPopup) << "shown at" << position << "edge" << int(windowEdge) << "open" << m_openCount;
    return true;
}

int TMSNPopUp::stackCapacity() const
{
    if (!m_props.options.testFlag(msnCascadePopups))
        return 1;
    const TaskbarEdge edge = GetTaskbarEdge();
    const EdgeRect work = EdgeRect::fromQRect(workArea());
    const PopupGeometry::Placement placement{m_props.width, m_props.height, m_props.popupStartX,
                                             m_props.popupStartY};
    const int screenTop = m_geometry->screenGeometry().top();
    int count = 1; // the first window is always shown
    int offset = 0;
    for (; count < 100; ++count) {
        offset = PopupGeometry::nextStackOffset(true, offset, m_props.height, m_props.popupMarge);
        if (PopupGeometry::stackFull(edge, screenTop, work, placement, offset))
            break;
    }
    return count;
}

void TMSNPopUp::CloseAllPopupWindows()
{
    if (m_openCount < 0)
        return;
    const auto windows = m_windows;
    for (const QPointer<TfrmMSNPopUp> &window : windows) {
        if (window)
            window->close();
    }
}

QList<TfrmMSNPopUp *> TMSNPopUp::popupWindows() const
{
    QList<TfrmMSNPopUp *> open;
    for (const QPointer<TfrmMSNPopUp> &window : m_windows) {
        if (window)
            open.append(window.data());
    }
    return open;
}

TfrmMSNPopUp *TMSNPopUp::clickedWindow() const
{
    for (const QPointer<TfrmMSNPopUp> &window : m_windows) {
        if (window && window->isDeliveringClick())
            return window.data();
    }
    return nullptr;
}

void TMSNPopUp::setTaskbarGeometry(const TaskbarGeometry *geometry)
{
    m_geometry = geometry ? geometry : m_screenGeometry.get();
}

void TMSNPopUp::setUrlOpener(UrlOpener opener)
{
    m_urlOpener = std::move(opener);
}

void TMSNPopUp::windowClosed(TfrmMSNPopUp *window)
{
    m_openCount = qMax(0, m_openCount - 1);
    m_windows.removeAll(QPointer<TfrmMSNPopUp>(window));
}

void TMSNPopUp::openUrl(const QString &url) const
{
    if (m_urlOpener && !m_urlOpener(QUrl::fromUserInput(url)))
        qCWarning(lcPopup) << "could not open" << url;
}
