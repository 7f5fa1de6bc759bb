#include "support/program/WindowClose.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

namespace {

qint64 windowPid(Display* display, Window window, Atom pidAtom)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) != Success ||
        !data)
        return -1;
    const qint64 pid = format == 32 && count == 1 ? qint64(*reinterpret_cast<long*>(data)) : -1;
    XFree(data);
    return pid;
}

QString windowTitle(Display* display, Window window)
{
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name)
        return {};
    const QString title = QString::fromLocal8Bit(name);
    XFree(name);
    return title;
}

} // namespace

namespace {

// The first shown window below parent (without a window manager, the root) of process pid whose
// title starts with title.
Window findIn(Display* d, Window parent, qint64 pid, const QString& title)
{
    const Atom pidAtom = XInternAtom(d, "_NET_WM_PID", False);
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, parent, &root, &up, &children, &count))
        return 0;
    Window target = 0;
    for (unsigned int i = 0; i < count && !target; ++i) {
        XWindowAttributes attributes{};
        if (windowPid(d, children[i], pidAtom) == pid &&
            windowTitle(d, children[i]).startsWith(title) &&
            XGetWindowAttributes(d, children[i], &attributes) && attributes.map_state == IsViewable)
            target = children[i];
    }
    if (children)
        XFree(children);
    return target;
}

using DisplayPtr = std::unique_ptr<Display, int (*)(Display*)>;

} // namespace

quint64 FindWindow(qint64 pid, const QString& title)
{
    DisplayPtr display(XOpenDisplay(nullptr), XCloseDisplay);
    if (!display)
        return 0;
    return findIn(display.get(), DefaultRootWindow(display.get()), pid, title);
}

bool CloseWindow(qint64 pid, const QString& title, QString& error)
{
    DisplayPtr display(XOpenDisplay(nullptr), XCloseDisplay);
    if (!display) {
        error = QStringLiteral("no X display");
        return false;
    }
    Display* d = display.get();
    const Window target = findIn(d, DefaultRootWindow(d), pid, title);
    if (!target) {
        error = QStringLiteral("no window \"%1\" of process %2").arg(title).arg(pid);
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, target, False, NoEventMask, &event);
    XFlush(d);
    return true;
}
