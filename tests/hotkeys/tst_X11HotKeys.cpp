// Global hotkeys on a real X server: Xvfb started by the test, key presses
// sent by xdotool, and a second X client that holds the keyboard focus or
// grabs a combination first.

#include "hotkeys/HotKeyManager.h"
#include "support/VirtualDisplay.h"
#include "toolkit/HotKeyBackend.h"

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

VirtualDisplay *server = nullptr;
bool serverUp = false;

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments) == 0;
}

// Another program on the same display: a window that takes the keyboard
// focus, and a grab of its own.
class OtherClient
{
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~OtherClient() { xcb_disconnect(m_connection); }

    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }

    void takeFocus()
    {
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(m_connection, window);
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        xcb_aux_sync();
    }

    bool grab(quint16 modifiers, xcb_keysym_t keysym)
    {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, keysym);
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(m_connection, 1, screen->root, modifiers, codes[0],
                                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        std::free(error);
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return error == nullptr;
    }

private:
    void xcb_aux_sync() { std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); }
    xcb_connection_t *m_connection;
};

} // namespace

class TestX11HotKeys : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<HotKeyBackend> m_backend;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<HotKeyManager> m_manager;

    THotKeyItem &addControlAltN()
    {
        THotKeyItem &item = m_manager->HotKeys().add();
        item.setVirtKey(vkN);
        item.setModifiers(modControl | modAlt);
        item.Command = u"Show Nudgewick"_s;
        item.setEnabled(true);
        return item;
    }

private slots:
    void initTestCase()
    {
        if (!serverUp)
            QSKIP(qPrintable(server->error()));
        if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            QSKIP("xdotool is not installed");
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        m_backend = createHotKeyBackend();
        QVERIFY(!qobject_cast<NoHotKeyBackend *>(m_backend.get()));
    }

    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_manager = std::make_unique<HotKeyManager>(m_window.get(), m_backend.get());
    }
    void cleanup()
    {
        m_manager.reset();
        m_window.reset();
    }

    void pressedWhileAnotherProgramHasTheFocus()
    {
        OtherClient other;
        QVERIFY(other.ok());
        other.takeFocus();
        const THotKeyItem &item = addControlAltN();
        QVERIFY(item.Registered());

        QSignalSpy spy(m_manager.get(), &HotKeyManager::OnHotKeys);
        QVERIFY(xdotool({u"key"_s, u"ctrl+alt+n"_s}));
        QVERIFY(spy.wait(5000));
        const int index = spy.at(0).at(1).value<quint16>();
        QCOMPARE(hotKeyCommand(m_manager->HotKeys()[index].Command), cShow_Nudgewick);

        // Other combinations of the same key are not taken.
        QVERIFY(xdotool({u"key"_s, u"ctrl+n"_s}));
        QVERIFY(!spy.wait(300));
        QCOMPARE(spy.count(), 1);
    }

    void lockKeysDoNotStopIt()
    {
        addControlAltN();
        QSignalSpy spy(m_manager.get(), &HotKeyManager::OnHotKeys);
        QVERIFY(xdotool({u"key"_s, u"Num_Lock"_s, u"Caps_Lock"_s}));
        QVERIFY(xdotool({u"key"_s, u"ctrl+alt+n"_s}));
        const bool triggered = spy.wait(5000);
        QVERIFY(xdotool({u"key"_s, u"Num_Lock"_s, u"Caps_Lock"_s}));
        QVERIFY(triggered);
    }

    void releasedOnDisable()
    {
        THotKeyItem &item = addControlAltN();
        item.setEnabled(false);
        QVERIFY(!item.Registered());
        QSignalSpy spy(m_manager.get(), &HotKeyManager::OnHotKeys);
        QVERIFY(xdotool({u"key"_s, u"ctrl+alt+n"_s}));
        QVERIFY(!spy.wait(300));
        // Now free for another client.
        OtherClient other;
        QVERIFY(other.grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, 0x6e));
    }

    void heldByAnotherProgram()
    {
        OtherClient other;
        QVERIFY(other.grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, 0x6e));
        const THotKeyItem &item = addControlAltN();
        QVERIFY(item.Enabled());
        QVERIFY(!item.Registered());
        QSignalSpy spy(m_manager.get(), &HotKeyManager::OnHotKeys);
        QVERIFY(xdotool({u"key"_s, u"ctrl+alt+n"_s}));
        QVERIFY(!spy.wait(300));

        // A combination nobody holds still registers.
        THotKeyItem &free = m_manager->HotKeys().add();
        free.setVirtKey(vkF5);
        free.setModifiers(modWin);
        free.setEnabled(true);
        QVERIFY(free.Registered());
        QVERIFY(xdotool({u"key"_s, u"super+F5"_s}));
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(0).at(1).value<quint16>(), quint16(1));
    }
};

int main(int argc, char *argv[])
{
    VirtualDisplay xvfb;
    server = &xvfb;
    serverUp = xvfb.start(u"640x480x24"_s);
    if (serverUp) {
        xvfb.makeDefault();
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    TestX11HotKeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_X11HotKeys.moc"
