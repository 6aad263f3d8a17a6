#pragma once

// Window functions on other programs' top-level windows, through Xlib: find a window by
// its WM_CLASS class or by its title, read its rectangle on the screen, move and size it,
// raise and lower it, map and unmap it, and keep it above other windows.
//
// Rectangles are outer rectangles, the window manager's frame included (as the frame
// extents _NET_FRAME_EXTENTS say; without a window manager there is no frame), so that a
// rectangle read from a window and given back to it leaves the window where it was.
//
// "Always on top" is the EWMH state _NET_WM_STATE_ABOVE, which needs a window manager
// (openbox has it). A window manager drops the state when the window is unmapped, so
// map() sets it again for every window that setTopmost() put on top.
//
// Without an X display (the offscreen platform, no DISPLAY, a display that refuses the
// connection) the object logs one line when it is made, finds no window, and every call
// does nothing. Windows may vanish at any moment: an X error on a window that is gone
// is caught and the call does nothing. Every call waits for the X server's answer
// (a round trip of well under a millisecond on the local machine); none ever blocks on
// another program.

#include <QByteArray>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

struct _XDisplay;  // Xlib's Display

namespace zul {

// An X window id; 0 is no window.
using WindowId = quint64;

// Where a window's own rectangle (`border` wide border included in its position) must be
// for a window manager, which puts the frame around it by the window's `gravity` (an X
// gravity value; StaticGravity keeps the window itself in place), to give the frame the
// outer rectangle `outer`. The size is at least 1 x 1.
QRect clientRectForFrame(const QRect& outer, const QMargins& frame, int border, int gravity);

class X11Windows {
public:
    using LogFn = std::function<void(const QString&)>;

    // Connects to the X display of the application: the one in DISPLAY while the Qt
    // platform is "xcb" (or no QGuiApplication exists); on any other Qt platform there
    // is no display. `log` receives the line about a missing display (the Qt log
    // without it).
    explicit X11Windows(LogFn log = {});
    // Connects to the named display (":99"), whatever the Qt platform.
    X11Windows(const QByteArray& displayName, LogFn log);
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    // Whether an X display is connected.
    bool available() const { return display_ != nullptr; }

    // The top-level window (managed, or withdrawn: unmapped and not a pop-up) whose
    // WM_CLASS class is exactly `windowClass`; 0 when there is none. Among several, a
    // mapped one is preferred, then the highest in the stacking order.
    WindowId findByClass(QByteArrayView windowClass) const;
    // The same by title (_NET_WM_NAME, or WM_NAME), compared exactly.
    WindowId findByTitle(const QString& title) const;

    // Whether the window still exists.
    bool exists(WindowId window) const;
    // Whether it is mapped (viewable).
    bool isMapped(WindowId window) const;
    // Whether it carries _NET_WM_STATE_ABOVE.
    bool isTopmost(WindowId window) const;

    // Outer rectangle on the screen; nullopt when the window is gone.
    std::optional<QRect> rect(WindowId window) const;
    // Moves and sizes the window so that its outer rectangle becomes `outer`. A size
    // smaller than the frame leaves the inside 1 x 1 pixel.
    void setRect(WindowId window, const QRect& outer);
    // Moves the outer top-left corner to `topLeft`, size kept.
    void move(WindowId window, QPoint topLeft);
    // Sizes the outer rectangle to `outer`, top-left corner kept.
    void resize(WindowId window, QSize outer);

    // Top and bottom of the stacking order (within the window's layer).
    void raise(WindowId window);
    void lower(WindowId window);
    // Shows and hides the window, position and size kept. map() puts a window that
    // setTopmost() put on top there again.
    void map(WindowId window);
    void unmap(WindowId window);
    // Into or out of the band of windows that stay above the others.
    void setTopmost(WindowId window, bool on);

private:
    struct Atoms;
    void openDisplay(const QByteArray& displayName, const QString& why);
    QString windowTitle(unsigned long window) const;
    void restack(WindowId window, bool above);
    QByteArray windowClass(unsigned long window) const;
    WindowId find(const std::function<bool(unsigned long)>& matches) const;
    std::optional<QRect> clientRect(unsigned long window) const;
    QMargins frameExtents(unsigned long window) const;
    void sendState(unsigned long window, bool add, unsigned long state);
    void writeStateProperty(unsigned long window, bool above);
    void keepPlaceOnMapping(unsigned long window);
    void requestFrameRect(unsigned long window, const QRect& outer, const QMargins& frame,
                          int border);
    void placeClient(unsigned long window, const QRect& outer, const QMargins& frame, int border);
    bool isViewable(unsigned long window) const;
    void forget(WindowId window) const;

    LogFn log_;
    ::_XDisplay* display_ = nullptr;
    unsigned long root_ = 0;
    std::unique_ptr<Atoms> atoms_;
    // Per window: its frame when last seen mapped, where it stands while hidden, and
    // whether setTopmost() put it on top.
    mutable std::map<WindowId, QMargins> extents_;
    mutable std::map<WindowId, QRect> hidden_;
    mutable std::set<WindowId> topmost_;
};

}  // namespace zul
