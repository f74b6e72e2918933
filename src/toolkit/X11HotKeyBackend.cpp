#include "toolkit/X11HotKeyBackend.h"

#include "core/Logging.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr quint32 XK_Num_Lock = 0xff7f;
constexpr quint32 XK_Alt_L = 0xffe9;
constexpr quint32 XK_Alt_R = 0xffea;
constexpr quint32 XK_Super_L = 0xffeb;
constexpr quint32 XK_Super_R = 0xffec;

// The modifier bits that can take part in a combination.
constexpr quint16 ModifierBits = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2
                                 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

X11HotKeyBackend::X11HotKeyBackend(xcb_connection_t *connection, QObject *parent)
    : HotKeyBackend(parent),
      m_connection(connection),
      m_keySymbols(xcb_key_symbols_alloc(connection)),
      m_altMask(XCB_MOD_MASK_1),
      m_superMask(XCB_MOD_MASK_4),
      m_numLockMask(XCB_MOD_MASK_2)
{
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem; xcb_screen_next(&it))
        m_roots.append(it.data->root);
    findModifierMasks();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyBackend::~X11HotKeyBackend()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const QList<Grab> &grabs : std::as_const(m_grabs))
        ungrab(grabs);
    xcb_key_symbols_free(m_keySymbols);
}

// Which of the eight modifier bits carry Alt, Super and NumLock depends on
// the server's modifier map; the usual Mod1, Mod4 and Mod2 stand when the
// map does not say.
void X11HotKeyBackend::findModifierMasks()
{
    const Reply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!reply)
        return;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int mod = 3; mod < 8; ++mod) { // Mod1 to Mod5
        for (int k = 0; k < perModifier; ++k) {
            const xcb_keycode_t code = codes[mod * perModifier + k];
            if (code == 0)
                continue;
            const xcb_keysym_t sym = xcb_key_symbols_get_keysym(m_keySymbols, code, 0);
            const quint16 mask = quint16(1u << mod);
            if (sym == XK_Num_Lock)
                m_numLockMask = mask;
            else if (sym == XK_Super_L || sym == XK_Super_R)
                m_superMask = mask;
            else if (sym == XK_Alt_L || sym == XK_Alt_R)
                m_altMask = mask;
        }
    }
}

QList<quint16> X11HotKeyBackend::lockVariants(quint16 modifiers) const
{
    return {modifiers, quint16(modifiers | XCB_MOD_MASK_LOCK), quint16(modifiers | m_numLockMask),
            quint16(modifiers | XCB_MOD_MASK_LOCK | m_numLockMask)};
}

bool X11HotKeyBackend::registerHotKey(int id, quint8 modifiers, quint32 keysym)
{
    unregisterHotKey(id);
    quint16 mask = 0;
    if (modifiers & Shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Alt)
        mask |= m_altMask;
    if (modifiers & Super)
        mask |= m_superMask;

    const Reply<xcb_keycode_t> keycodes(xcb_key_symbols_get_keycode(m_keySymbols, keysym));
    QList<Grab> grabs;
    bool refused = !keycodes || keycodes.get()[0] == XCB_NO_SYMBOL;
    for (const xcb_keycode_t *code = keycodes.get(); !refused && *code != XCB_NO_SYMBOL; ++code) {
        for (const quint32 root : std::as_const(m_roots)) {
            for (const quint16 variant : lockVariants(mask)) {
                const xcb_void_cookie_t cookie = xcb_grab_key_checked(
                    m_connection, 1, root, variant, *code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
                // A combination another client has grabbed comes back as an
                // access error; the grabs made so far are then undone.
                const Reply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
                if (error) {
                    refused = true;
                    break;
                }
                grabs.append({root, *code, variant});
            }
            if (refused)
                break;
        }
    }
    if (refused) {
        ungrab(grabs);
        qCDebug(lcHotkeys) << "grab refused for keysym" << Qt::hex << keysym << "modifiers" << modifiers;
        return false;
    }
    // The grabs of one key code are matched without the lock modifiers.
    for (Grab &grab : grabs)
        grab.modifiers &= quint16(~(XCB_MOD_MASK_LOCK | m_numLockMask));
    m_grabs.insert(id, grabs);
    qCDebug(lcHotkeys) << "grabbed keysym" << Qt::hex << keysym << "modifiers" << modifiers << "as" << id;
    return true;
}

bool X11HotKeyBackend::unregisterHotKey(int id)
{
    const auto it = m_grabs.constFind(id);
    if (it == m_grabs.cend())
        return false;
    QList<Grab> grabs;
    for (const Grab &grab : *it)
        for (const quint16 variant : lockVariants(grab.modifiers))
            grabs.append({grab.root, grab.keycode, variant});
    m_grabs.erase(it);
    ungrab(grabs);
    return true;
}

void X11HotKeyBackend::ungrab(const QList<Grab> &grabs)
{
    for (const Grab &grab : grabs)
        xcb_ungrab_key(m_connection, grab.keycode, grab.root, grab.modifiers);
    xcb_flush(m_connection);
}

bool X11HotKeyBackend::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        xcb_refresh_keyboard_mapping(m_keySymbols,
                                     const_cast<xcb_mapping_notify_event_t *>(
                                         reinterpret_cast<const xcb_mapping_notify_event_t *>(event)));
        return false;
    }
    if (type != XCB_KEY_PRESS)
        return false;
    const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (!m_roots.contains(press->event))
        return false;
    const quint16 state = press->state & ModifierBits & quint16(~(XCB_MOD_MASK_LOCK | m_numLockMask));
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        for (const Grab &grab : it.value()) {
            if (grab.root == press->event && grab.keycode == press->detail && grab.modifiers == state) {
                // The command runs from the event loop, not inside the filter,
                // since it may open a modal dialog.
                const int id = it.key();
                QMetaObject::invokeMethod(this, [this, id] { emit activated(id); }, Qt::QueuedConnection);
                return true;
            }
        }
    }
    return false;
}

std::unique_ptr<HotKeyBackend> createHotKeyBackend()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
            if (xcb_connection_t *connection = x11->connection())
                return std::make_unique<X11HotKeyBackend>(connection);
        }
    }
    qCDebug(lcHotkeys) << "no global hotkeys on the platform" << QGuiApplication::platformName();
    return std::make_unique<NoHotKeyBackend>();
}
