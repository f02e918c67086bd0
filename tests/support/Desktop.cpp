#include "support/Desktop.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace testing_support {

namespace {

const char* const kChildVariable = "VEYRA_DESKTOP_CHILD";

xcb_connection_t* connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

xcb_keycode_t keycodeOf(xcb_connection_t* c, unsigned keysym) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* r = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr);
    xcb_keycode_t found = 0;
    if (r) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(r);
        for (int i = 0; i < count * r->keysyms_per_keycode && !found; ++i)
            if (syms[i] == keysym) found = xcb_keycode_t(setup->min_keycode + i / r->keysyms_per_keycode);
        std::free(r);
    }
    return found;
}

}  // namespace

PrivateDesktop::PrivateDesktop(QSize screen) {
    if (!PrivateDisplay::available(true)) {
        whyNot_ = "needs Xvfb and openbox (scripts/install-deps --with-test-tools installs them)";
        missing_ = true;
        return;
    }
    whyNot_ = display_.start(true, QString("%1x%2x24").arg(screen.width()).arg(screen.height()));
}

PrivateDesktop::Result PrivateDesktop::run(const QString& filter, const QProcessEnvironment& extra,
                                           int timeoutMs) const {
    QProcessEnvironment env = display_.environment();
    env.insert(kChildVariable, "1");
    for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + filter});
    Result r;
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished(3000);
        r.out = "(timed out)\n";
    }
    r.out += QString::fromUtf8(child.readAll());
    r.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    return r;
}

bool onPrivateDesktop() {
    return !qEnvironmentVariableIsEmpty(kChildVariable);
}

void pressKeyOnDisplay(unsigned keysym) {
    xcb_connection_t* c = connection();
    if (!c) return;
    const xcb_keycode_t code = keycodeOf(c, keysym);
    xcb_get_input_focus_reply_t* focus = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const xcb_window_t target = focus ? focus->focus : XCB_NONE;
    std::free(focus);
    if (!code || target == XCB_NONE) return;
    for (uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
        xcb_key_press_event_t e{};
        e.response_type = type;
        e.detail = code;
        e.time = XCB_CURRENT_TIME;
        e.root = rootWindow(c);
        e.event = target;
        e.same_screen = 1;
        xcb_send_event(c, 1, target, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE,
                       reinterpret_cast<const char*>(&e));
    }
    xcb_flush(c);
}

void clickOnDisplay(QWidget* widget) {
    xcb_connection_t* c = connection();
    if (!c || !widget) return;
    QWidget* window = widget->window();
    // The X server counts device pixels.
    const qreal dpr = window->devicePixelRatio();
    const QPoint centre = widget->rect().center();
    const QPoint inWindow = widget->mapTo(window, centre) * dpr;
    const QPoint global = widget->mapToGlobal(centre) * dpr;
    const xcb_window_t target = xcb_window_t(window->winId());
    for (uint8_t type : {uint8_t(XCB_BUTTON_PRESS), uint8_t(XCB_BUTTON_RELEASE)}) {
        xcb_button_press_event_t e{};
        e.response_type = type;
        e.detail = 1;
        e.time = XCB_CURRENT_TIME;
        e.root = rootWindow(c);
        e.event = target;
        e.root_x = int16_t(global.x());
        e.root_y = int16_t(global.y());
        e.event_x = int16_t(inWindow.x());
        e.event_y = int16_t(inWindow.y());
        e.state = type == XCB_BUTTON_RELEASE ? uint16_t(XCB_BUTTON_MASK_1) : uint16_t(0);
        e.same_screen = 1;
        xcb_send_event(c, 1, target, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                       reinterpret_cast<const char*>(&e));
    }
    // Through the server and back before returning.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

void closeByWindowManager(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = xcb_window_t(window->window()->winId());
    e.type = atom(c, "_NET_CLOSE_WINDOW");
    e.data.data32[0] = XCB_CURRENT_TIME;
    e.data.data32[1] = 2;  // from a pager or the like: the user asked
    xcb_send_event(c, 0, rootWindow(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(c);
}

void waitForFrame(QWidget* window) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 4000 && window->frameGeometry().size() == window->size()) QTest::qWait(50);
    QTest::qWait(300);
}

}  // namespace testing_support
