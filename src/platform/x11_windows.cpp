#include "platform/x11_windows.h"

#include <QDebug>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <vector>

// Xlib last: its macros (None, Bool, Status, ...) would clash with Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace zul {
namespace {

// Properties of other programs are read up to this many 32-bit units (4 KiB).
constexpr long kPropertyLimit = 1024;
// Depth below the root window at which a client window is looked for (root, frame,
// wrapper, client).
constexpr int kSearchDepth = 3;

// EWMH client message fields.
constexpr long kStateRemove = 0;
constexpr long kStateAdd = 1;
constexpr long kSourcePager = 2;
constexpr long kRestackAbove = 0;  // X's Above
constexpr long kRestackBelow = 1;  // X's Below
constexpr long kMoveResizeFlags = (1L << 8) | (1L << 9) | (1L << 10) | (1L << 11);

// Catches the X errors of the calls made while it lives, instead of Xlib's default
// handler, which ends the process. A window of another program may vanish between two
// calls; the call then does nothing.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display) {
        XSync(display_, False);
        errorCode() = 0;
        previous_ = XSetErrorHandler(&ErrorTrap::handler);
    }
    ~ErrorTrap() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Whether an error arrived so far (waits for the server's answer).
    bool failed() {
        XSync(display_, False);
        return errorCode() != 0;
    }

private:
    static int& errorCode() {
        thread_local int code = 0;
        return code;
    }
    static int handler(Display*, XErrorEvent* event) {
        errorCode() = event->error_code;
        return 0;
    }

    Display* display_;
    XErrorHandler previous_ = nullptr;
};

// A property value as bytes (format 8) or as 32-bit units (format 32, one long each).
struct Property {
    Atom type = 0;
    int format = 0;
    QByteArray bytes;
    std::vector<unsigned long> longs;
};

std::optional<Property> readProperty(Display* display, Window window, Atom name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, name, 0, kPropertyLimit, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) != Success) {
        return std::nullopt;
    }
    std::unique_ptr<unsigned char, int (*)(void*)> owned(data, &XFree);
    if (type == 0 || data == nullptr) {
        return std::nullopt;
    }
    Property p;
    p.type = type;
    p.format = format;
    if (format == 8) {
        p.bytes = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
    } else if (format == 32) {
        // Xlib hands 32-bit items over as longs.
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        p.longs.assign(items, items + count);
    }
    return p;
}

Window toWindow(WindowId id) {
    return static_cast<Window>(id);
}

// Windows remembered per id; ids of windows that vanish unnoticed would pile up, so the
// record starts afresh beyond this many.
constexpr std::size_t kRememberedWindows = 256;

template <typename Map, typename Value>
void remember(Map& map, unsigned long window, const Value& value) {
    if (map.size() >= kRememberedWindows && !map.contains(window)) {
        map.clear();
    }
    map[window] = value;
}

}  // namespace

QRect clientRectForFrame(const QRect& outer, const QMargins& frame, int border, int gravity) {
    border = std::clamp(border, 0, 10000);
    const int width = std::max(1, outer.width() - frame.left() - frame.right() - 2 * border);
    const int height = std::max(1, outer.height() - frame.top() - frame.bottom() - 2 * border);
    // The client's request, border included, and the frame share the reference point
    // that the gravity names: a corner, the middle of an edge, or the centre.
    const int requestWidth = width + 2 * border;
    const int requestHeight = height + 2 * border;
    const auto along = [](int start, int outerSize, int requestSize, int side) {
        switch (side) {
            case 0:
                return start;
            case 1:
                return start + (outerSize - requestSize) / 2;
            default:
                return start + outerSize - requestSize;
        }
    };
    int x = 0;
    int y = 0;
    if (gravity == StaticGravity) {
        // The window itself stays put: the frame goes round it.
        x = outer.x() + frame.left();
        y = outer.y() + frame.top();
    } else {
        // NorthWest 1 ... SouthEast 9, row by row; anything else counts as NorthWest.
        const int g = gravity >= NorthWestGravity && gravity <= SouthEastGravity
                          ? gravity - NorthWestGravity
                          : 0;
        x = along(outer.x(), outer.width(), requestWidth, g % 3);
        y = along(outer.y(), outer.height(), requestHeight, g / 3);
    }
    return QRect(x, y, width, height);
}

struct X11Windows::Atoms {
    Atom utf8 = 0;
    Atom netWmName = 0;
    Atom netFrameExtents = 0;
    Atom netWmState = 0;
    Atom netWmStateAbove = 0;
    Atom netSupportingWmCheck = 0;
    Atom netSupported = 0;
    Atom netMoveResize = 0;
    Atom netRestack = 0;
    Atom wmState = 0;

    explicit Atoms(Display* d) {
        const auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
        utf8 = atom("UTF8_STRING");
        netWmName = atom("_NET_WM_NAME");
        netFrameExtents = atom("_NET_FRAME_EXTENTS");
        netWmState = atom("_NET_WM_STATE");
        netWmStateAbove = atom("_NET_WM_STATE_ABOVE");
        netSupportingWmCheck = atom("_NET_SUPPORTING_WM_CHECK");
        netSupported = atom("_NET_SUPPORTED");
        netMoveResize = atom("_NET_MOVERESIZE_WINDOW");
        netRestack = atom("_NET_RESTACK_WINDOW");
        wmState = atom("WM_STATE");
    }
};

X11Windows::X11Windows(LogFn log) : log_(std::move(log)) {
    const QString platform = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                                 ? QGuiApplication::platformName()
                                 : QStringLiteral("xcb");
    if (platform != QLatin1String("xcb")) {
        const QString line = QStringLiteral(
                                 "X11のウインドウ操作は使えません（画面の種類 %1）。"
                                 "IPtalkなど他のプログラムのウインドウは操作しません。")
                                 .arg(platform);
        if (log_) {
            log_(line);
        } else {
            qInfo().noquote() << line;
        }
        return;
    }
    openDisplay(qgetenv("DISPLAY"), QStringLiteral("DISPLAY"));
}

X11Windows::X11Windows(const QByteArray& displayName, LogFn log) : log_(std::move(log)) {
    openDisplay(displayName, QStringLiteral("指定"));
}

X11Windows::~X11Windows() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

void X11Windows::openDisplay(const QByteArray& displayName, const QString& why) {
    if (!displayName.isEmpty()) {
        display_ = XOpenDisplay(displayName.constData());
    }
    if (display_ == nullptr) {
        const QString line = QStringLiteral(
                                 "X11の画面「%1」（%2）に接続できません。"
                                 "IPtalkなど他のプログラムのウインドウは操作しません。")
                                 .arg(QString::fromLocal8Bit(displayName), why);
        if (log_) {
            log_(line);
        } else {
            qInfo().noquote() << line;
        }
        return;
    }
    root_ = DefaultRootWindow(display_);
    atoms_ = std::make_unique<Atoms>(display_);
}

QByteArray X11Windows::windowClass(unsigned long window) const {
    const auto p = readProperty(display_, window, XA_WM_CLASS);
    if (!p || p->format != 8) {
        return {};
    }
    // Two texts, each ended by a zero byte: instance name, then class.
    const qsizetype end = p->bytes.indexOf('\0');
    if (end < 0) {
        return {};
    }
    QByteArray cls = p->bytes.mid(end + 1);
    if (const qsizetype zero = cls.indexOf('\0'); zero >= 0) {
        cls.truncate(zero);
    }
    return cls;
}

QString X11Windows::windowTitle(unsigned long window) const {
    if (const auto p = readProperty(display_, window, atoms_->netWmName);
        p && p->format == 8 && p->type == atoms_->utf8) {
        return QString::fromUtf8(p->bytes);
    }
    const auto p = readProperty(display_, window, XA_WM_NAME);
    if (!p || p->format != 8) {
        return {};
    }
    if (p->type == XA_STRING) {
        return QString::fromLatin1(p->bytes);
    }
    if (p->type == atoms_->utf8) {
        return QString::fromUtf8(p->bytes);
    }
    // COMPOUND_TEXT and the like: Xlib converts.
    XTextProperty text{};
    text.value = reinterpret_cast<unsigned char*>(const_cast<char*>(p->bytes.constData()));
    text.encoding = p->type;
    text.format = 8;
    text.nitems = static_cast<unsigned long>(p->bytes.size());
    char** list = nullptr;
    int count = 0;
    QString title;
    if (Xutf8TextPropertyToTextList(display_, &text, &list, &count) >= Success && list != nullptr) {
        if (count > 0) {
            title = QString::fromUtf8(list[0]);
        }
        XFreeStringList(list);
    }
    return title;
}

WindowId X11Windows::find(const std::function<bool(unsigned long)>& matches) const {
    if (display_ == nullptr) {
        return 0;
    }
    ErrorTrap trap(display_);
    WindowId unmapped = 0;
    // Top-down through the stacking order; a window with WM_CLASS is a client window and
    // ends the descent, a window without it (a frame) is searched below.
    std::function<WindowId(Window, int)> search = [&](Window parent, int depth) -> WindowId {
        Window rootReturn = 0;
        Window parentReturn = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, parent, &rootReturn, &parentReturn, &children, &count) == 0) {
            return 0;
        }
        std::unique_ptr<Window, int (*)(void*)> owned(children, &XFree);
        for (unsigned int i = count; i-- > 0;) {
            const Window w = children[i];
            XWindowAttributes a{};
            if (XGetWindowAttributes(display_, w, &a) == 0) {
                continue;  // gone meanwhile
            }
            if (!windowClass(w).isNull() || readProperty(display_, w, XA_WM_NAME)) {
                // A client window: pop-ups (override-redirect) and input-only helper
                // windows are never the program's main window.
                if (a.override_redirect || a.c_class != InputOutput || !matches(w)) {
                    continue;
                }
                if (a.map_state == IsViewable) {
                    return w;
                }
                if (unmapped == 0) {
                    unmapped = w;
                }
                continue;
            }
            if (depth < kSearchDepth) {
                if (const WindowId found = search(w, depth + 1)) {
                    return found;
                }
            }
        }
        return 0;
    };
    WindowId mapped = search(root_, 1);
    if (mapped == 0 && unmapped == 0) {
        // The tree was walked while the window manager moved a window between its frame and
        // the root (a window being hidden or shown): once the server has done that, again.
        XSync(display_, False);
        mapped = search(root_, 1);
    }
    return mapped != 0 ? mapped : unmapped;
}

WindowId X11Windows::findByClass(QByteArrayView wanted) const {
    if (wanted.isEmpty()) {
        return 0;
    }
    return find([this, wanted](unsigned long w) { return windowClass(w) == wanted; });
}

WindowId X11Windows::findByTitle(const QString& title) const {
    if (title.isEmpty()) {
        return 0;
    }
    return find([this, &title](unsigned long w) { return windowTitle(w) == title; });
}

bool X11Windows::exists(WindowId window) const {
    if (display_ == nullptr || window == 0) {
        return false;
    }
    ErrorTrap trap(display_);
    XWindowAttributes a{};
    const bool ok = XGetWindowAttributes(display_, toWindow(window), &a) != 0;
    return ok && !trap.failed();
}

bool X11Windows::isMapped(WindowId window) const {
    if (display_ == nullptr || window == 0) {
        return false;
    }
    ErrorTrap trap(display_);
    XWindowAttributes a{};
    return XGetWindowAttributes(display_, toWindow(window), &a) != 0 && a.map_state == IsViewable &&
           !trap.failed();
}

bool X11Windows::isTopmost(WindowId window) const {
    if (display_ == nullptr || window == 0) {
        return false;
    }
    ErrorTrap trap(display_);
    const auto p = readProperty(display_, toWindow(window), atoms_->netWmState);
    return p && p->format == 32 &&
           std::find(p->longs.begin(), p->longs.end(), atoms_->netWmStateAbove) != p->longs.end();
}

std::optional<QRect> X11Windows::clientRect(unsigned long window) const {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display_, window, &a) == 0) {
        return std::nullopt;
    }
    int x = 0;
    int y = 0;
    Window child = 0;
    if (XTranslateCoordinates(display_, window, root_, 0, 0, &x, &y, &child) == 0) {
        return std::nullopt;
    }
    // The border belongs to the outer rectangle.
    const int b = a.border_width;
    return QRect(x - b, y - b, a.width + 2 * b, a.height + 2 * b);
}

QMargins X11Windows::frameExtents(unsigned long window) const {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display_, window, &a) == 0) {
        return {};
    }
    if (a.map_state != IsViewable) {
        // No frame while unmapped: the one it had, which it gets again when mapped.
        const auto known = extents_.find(window);
        return known != extents_.end() ? known->second : QMargins();
    }
    const auto p = readProperty(display_, window, atoms_->netFrameExtents);
    if (!p || p->format != 32 || p->longs.size() != 4) {
        return {};
    }
    // left, right, top, bottom; a frame wider than a screen is nonsense.
    const auto side = [&p](std::size_t i) {
        return static_cast<int>(std::min<unsigned long>(p->longs[i], 10000));
    };
    const QMargins extents(side(0), side(2), side(1), side(3));
    remember(extents_, window, extents);
    return extents;
}

std::optional<QRect> X11Windows::rect(WindowId window) const {
    if (display_ == nullptr || window == 0) {
        return std::nullopt;
    }
    ErrorTrap trap(display_);
    const Window w = toWindow(window);
    auto r = clientRect(w);
    if (!r || trap.failed()) {
        forget(window);
        return std::nullopt;
    }
    if (!isViewable(w)) {
        // Hidden by unmap() or placed while hidden: where it comes back.
        if (const auto hidden = hidden_.find(window); hidden != hidden_.end()) {
            return hidden->second;
        }
    }
    return r->marginsAdded(frameExtents(w));
}

namespace {

// Whether a window manager runs and says it supports `feature`.
bool wmSupports(Display* display, Window root, Atom check, Atom supported, Atom feature) {
    const auto owner = readProperty(display, root, check);
    if (!owner || owner->format != 32 || owner->longs.empty()) {
        return false;
    }
    XWindowAttributes a{};
    if (XGetWindowAttributes(display, owner->longs[0], &a) == 0) {
        return false;  // a window manager that has gone leaves its property behind
    }
    const auto list = readProperty(display, root, supported);
    return list && list->format == 32 &&
           std::find(list->longs.begin(), list->longs.end(), feature) != list->longs.end();
}

void sendToRoot(Display* display, Window root, Window window, Atom type,
                const std::array<long, 5>& data) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    std::copy(data.begin(), data.end(), e.xclient.data.l);
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

}  // namespace

void X11Windows::setRect(WindowId window, const QRect& outer) {
    if (display_ == nullptr || window == 0) {
        return;
    }
    ErrorTrap trap(display_);
    const Window w = toWindow(window);
    XWindowAttributes a{};
    if (XGetWindowAttributes(display_, w, &a) == 0) {
        forget(window);
        return;
    }
    const QMargins frame = frameExtents(w);
    if (a.map_state == IsViewable && wmSupports(display_, root_, atoms_->netSupportingWmCheck,
                                                atoms_->netSupported, atoms_->netMoveResize)) {
        requestFrameRect(w, outer, frame, a.border_width);
        return;
    }
    if (a.map_state != IsViewable) {
        remember(hidden_, window, outer);
    }
    placeClient(w, outer, frame, a.border_width);
}

void X11Windows::requestFrameRect(unsigned long window, const QRect& outer, const QMargins& frame,
                                  int border) {
    // North-west gravity: x and y are where the frame's top-left corner goes.
    const QRect client = clientRectForFrame(outer, frame, border, NorthWestGravity);
    sendToRoot(display_, root_, window, atoms_->netMoveResize,
               {NorthWestGravity | kMoveResizeFlags | (kSourcePager << 12), outer.x(), outer.y(),
                client.width(), client.height()});
}

void X11Windows::placeClient(unsigned long window, const QRect& outer, const QMargins& frame,
                             int border) {
    XSizeHints hints{};
    long supplied = 0;
    int gravity = NorthWestGravity;
    if (XGetWMNormalHints(display_, window, &hints, &supplied) != 0 &&
        (hints.flags & PWinGravity) != 0) {
        gravity = hints.win_gravity;
    }
    // Where the window manager, taking the window's own request by its gravity, puts the
    // frame at `outer` (without one, frame is empty and the window goes there itself).
    const QRect client = clientRectForFrame(outer, frame, border, gravity);
    XMoveResizeWindow(display_, window, client.x(), client.y(),
                      static_cast<unsigned int>(client.width()),
                      static_cast<unsigned int>(client.height()));
}

void X11Windows::move(WindowId window, QPoint topLeft) {
    if (const auto r = rect(window)) {
        setRect(window, QRect(topLeft, r->size()));
    }
}

void X11Windows::resize(WindowId window, QSize outer) {
    if (const auto r = rect(window)) {
        setRect(window, QRect(r->topLeft(), outer));
    }
}

void X11Windows::raise(WindowId window) {
    restack(window, true);
}

void X11Windows::lower(WindowId window) {
    restack(window, false);
}

// Through the window manager when it offers restacking (it keeps its own order otherwise),
// else straight on the server.
void X11Windows::restack(WindowId window, bool above) {
    if (display_ == nullptr || window == 0) {
        return;
    }
    ErrorTrap trap(display_);
    if (wmSupports(display_, root_, atoms_->netSupportingWmCheck, atoms_->netSupported,
                   atoms_->netRestack)) {
        sendToRoot(display_, root_, toWindow(window), atoms_->netRestack,
                   {kSourcePager, 0, above ? kRestackAbove : kRestackBelow, 0, 0});
    } else if (above) {
        XRaiseWindow(display_, toWindow(window));
    } else {
        XLowerWindow(display_, toWindow(window));
    }
}

void X11Windows::map(WindowId window) {
    if (display_ == nullptr || window == 0) {
        return;
    }
    ErrorTrap trap(display_);
    const Window w = toWindow(window);
    XWindowAttributes a{};
    if (XGetWindowAttributes(display_, w, &a) == 0) {
        forget(window);
        return;
    }
    const bool above = topmost_.contains(window);
    std::optional<QRect> back;
    if (a.map_state == IsUnmapped) {
        // A window manager reads the state and the place when it takes the window on ...
        if (above) {
            writeStateProperty(w, true);
        }
        if (const auto hidden = hidden_.find(window); hidden != hidden_.end()) {
            back = hidden->second;
            hidden_.erase(hidden);
            placeClient(w, *back, frameExtents(w), a.border_width);
        }
        keepPlaceOnMapping(w);
    }
    XMapWindow(display_, w);
    // ... but one that was still letting the window go (unmapped just before) drops
    // them: ask again. The requests reach it after the mapping, so they apply to the
    // window taken on anew.
    if (above) {
        sendState(w, true, atoms_->netWmStateAbove);
    }
    if (back && wmSupports(display_, root_, atoms_->netSupportingWmCheck, atoms_->netSupported,
                           atoms_->netMoveResize)) {
        requestFrameRect(w, *back, frameExtents(w), a.border_width);
    }
    if (trap.failed()) {
        forget(window);
    }
}

void X11Windows::keepPlaceOnMapping(unsigned long window) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display_, window, &a) == 0 || a.map_state != IsUnmapped) {
        return;
    }
    // A window manager places a window that it takes on anew unless the window's
    // position and size count as given: mark them given, so that the window comes back
    // where it was.
    XSizeHints hints{};
    long supplied = 0;
    if (XGetWMNormalHints(display_, window, &hints, &supplied) == 0) {
        hints = XSizeHints{};
    }
    if ((hints.flags & (USPosition | USSize)) == (USPosition | USSize)) {
        return;
    }
    hints.flags |= USPosition | USSize;
    XSetWMNormalHints(display_, window, &hints);
}

void X11Windows::unmap(WindowId window) {
    if (display_ == nullptr || window == 0) {
        return;
    }
    const auto outer = rect(window);
    ErrorTrap trap(display_);
    const Window w = toWindow(window);
    if (!outer) {
        return;
    }
    if (isViewable(w)) {
        // A window manager may put it anywhere on taking it back: map() restores this.
        remember(hidden_, window, *outer);
    }
    // Withdrawn as ICCCM asks: unmapped, and the window manager told so.
    XWithdrawWindow(display_, w, DefaultScreen(display_));
}

bool X11Windows::isViewable(unsigned long window) const {
    XWindowAttributes a{};
    return XGetWindowAttributes(display_, window, &a) != 0 && a.map_state == IsViewable;
}

void X11Windows::forget(WindowId window) const {
    extents_.erase(window);
    hidden_.erase(window);
    topmost_.erase(window);
}

void X11Windows::writeStateProperty(unsigned long window, bool above) {
    std::vector<unsigned long> states;
    if (const auto p = readProperty(display_, window, atoms_->netWmState); p && p->format == 32) {
        states = p->longs;
    }
    std::erase(states, atoms_->netWmStateAbove);
    if (above) {
        states.push_back(atoms_->netWmStateAbove);
    }
    XChangeProperty(display_, window, atoms_->netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()),
                    static_cast<int>(states.size()));
}

void X11Windows::sendState(unsigned long window, bool add, unsigned long state) {
    sendToRoot(display_, root_, window, atoms_->netWmState,
               {add ? kStateAdd : kStateRemove, static_cast<long>(state), 0, kSourcePager, 0});
}

void X11Windows::setTopmost(WindowId window, bool on) {
    if (display_ == nullptr || window == 0) {
        return;
    }
    ErrorTrap trap(display_);
    const Window w = toWindow(window);
    XWindowAttributes a{};
    if (XGetWindowAttributes(display_, w, &a) == 0) {
        topmost_.erase(window);
        return;
    }
    if (on) {
        topmost_.insert(window);
    } else {
        topmost_.erase(window);
    }
    if (a.map_state == IsViewable && readProperty(display_, w, atoms_->wmState)) {
        // A managed window: its window manager owns the state.
        sendState(w, on, atoms_->netWmStateAbove);
    } else {
        // Unmapped, or no window manager: the state waits in the property.
        writeStateProperty(w, on);
    }
}

}  // namespace zul
