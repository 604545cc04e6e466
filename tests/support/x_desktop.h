#pragma once

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What a desktop does to a program's window, done from a test over the X
// server the program runs on: find its window, ping it as a window manager
// does to see whether it still answers (_NET_WM_PING), ask it to close
// (WM_DELETE_WINDOW), click with the server's pointer and type on its
// keyboard (XTest).

namespace m8163::test {

class XDesktop {
  public:
    explicit XDesktop(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
        if (display_ == nullptr)
            throw std::runtime_error("cannot open display " + display);
        root_ = DefaultRootWindow(display_);
        // A window may go between listing it and looking at it (a box
        // answered); Xlib's default handler would end the test for that.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        // A ping's answer comes to the root window.
        XSelectInput(display_, root_, StructureNotifyMask | SubstructureNotifyMask);
        protocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        ping_ = XInternAtom(display_, "_NET_WM_PING", False);
        delete_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        pid_ = XInternAtom(display_, "_NET_WM_PID", False);
    }
    ~XDesktop() { XCloseDisplay(display_); }
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    // The mapped top-level window of process `pid` titled `title`, if there
    // is one.
    std::optional<Window> windowTitled(long pid, const std::string& title) {
        for (Window window : windowsOf(pid)) {
            if (titleOf(window) == title)
                return window;
        }
        return std::nullopt;
    }

    // The title a window manager would show (_NET_WM_NAME, UTF-8).
    std::string titleOf(Window window) {
        std::string title;
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0,
                               256, False, XInternAtom(display_, "UTF8_STRING", False), &type,
                               &format, &items, &after, &data) == Success &&
            data != nullptr) {
            title.assign(reinterpret_cast<const char*>(data), items);
            XFree(data);
        }
        return title;
    }

    // Gives `window` the keyboard, as a window manager does for a new dialog.
    void focus(Window window) {
        XRaiseWindow(display_, window);
        XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
        XFlush(display_);
    }

    // Presses and releases the key of `symbol`, with Control held if asked.
    void key(KeySym symbol, bool control = false) {
        const KeyCode code = XKeysymToKeycode(display_, symbol);
        const KeyCode ctrl = XKeysymToKeycode(display_, XK_Control_L);
        const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
        const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != symbol;
        if (control)
            XTestFakeKeyEvent(display_, ctrl, True, CurrentTime);
        if (shifted)
            XTestFakeKeyEvent(display_, shift, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        if (shifted)
            XTestFakeKeyEvent(display_, shift, False, CurrentTime);
        if (control)
            XTestFakeKeyEvent(display_, ctrl, False, CurrentTime);
        XFlush(display_);
    }

    // Types printable ASCII text (its key symbols are its character codes).
    void type(const std::string& text) {
        for (char c : text)
            key(static_cast<KeySym>(static_cast<unsigned char>(c)));
    }

    // The mapped top-level windows of process `pid`.
    std::vector<Window> windowsOf(long pid) {
        std::vector<Window> found;
        Window rootBack = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, root_, &rootBack, &parent, &children, &count) == 0)
            return found;
        for (unsigned i = 0; i < count; ++i) {
            if (isWindowOf(children[i], pid))
                found.push_back(children[i]);
        }
        if (children != nullptr)
            XFree(children);
        return found;
    }

    // The mapped top-level window of process `pid`, if there is one.
    std::optional<Window> windowOf(long pid) {
        Window rootBack = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::optional<Window> found;
        if (XQueryTree(display_, root_, &rootBack, &parent, &children, &count) == 0)
            return found;
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display_, children[i], &attributes) == 0 ||
                attributes.map_state != IsViewable)
                continue;
            Atom type = 0;
            int format = 0;
            unsigned long items = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display_, children[i], pid_, 0, 1, False, XA_CARDINAL, &type,
                                   &format, &items, &after, &data) == Success &&
                data != nullptr) {
                if (items == 1 &&
                    *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid))
                    found = children[i];
                XFree(data);
            }
        }
        if (children != nullptr)
            XFree(children);
        return found;
    }

    // Pings `window` and waits for its answer; how long it took, or nothing
    // when no answer came within `limit`.
    std::optional<std::chrono::milliseconds> ping(Window window, std::chrono::milliseconds limit) {
        const long serial = ++serial_;
        sendProtocol(window, ping_, serial);
        const auto start = std::chrono::steady_clock::now();
        const auto deadline = start + limit;
        while (waitForEvent(deadline)) {
            XEvent event{};
            XNextEvent(display_, &event);
            if (event.type == ClientMessage && event.xclient.message_type == protocols_ &&
                static_cast<Atom>(event.xclient.data.l[0]) == ping_ &&
                event.xclient.data.l[1] == serial)
                return std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start);
        }
        return std::nullopt;
    }

    // What the close button of a window manager sends.
    void askClose(Window window) { sendProtocol(window, delete_, CurrentTime); }

    // Moves the pointer to (x, y) on the screen and clicks the left button.
    void click(int x, int y) {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XFlush(display_);
    }

  private:
    bool isWindowOf(Window window, long pid) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display_, window, &attributes) == 0 ||
            attributes.map_state != IsViewable)
            return false;
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        bool match = false;
        if (XGetWindowProperty(display_, window, pid_, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &data) == Success &&
            data != nullptr) {
            match = items == 1 &&
                    *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid);
            XFree(data);
        }
        return match;
    }

    void sendProtocol(Window window, Atom protocol, long time) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = protocols_;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(protocol);
        event.xclient.data.l[1] = time;
        event.xclient.data.l[2] = static_cast<long>(window);
        XSendEvent(display_, window, False, NoEventMask, &event);
        XFlush(display_);
    }

    bool waitForEvent(std::chrono::steady_clock::time_point deadline) {
        while (XPending(display_) == 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
        }
        return true;
    }

    Display* display_;
    Window root_ = 0;
    Atom protocols_ = 0;
    Atom ping_ = 0;
    Atom delete_ = 0;
    Atom pid_ = 0;
    long serial_ = 0;
};

}  // namespace m8163::test
