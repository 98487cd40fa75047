// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11TestHost.h"

#include <X11/Xlib.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <png.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

using namespace Steinberg;

namespace Ryvel::TestHost
{

namespace
{

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int errorCount = 0;
int hostDisplayErrors = 0;
int otherDisplayErrors = 0;
std::vector<Display*> hostDisplays;

// Xlib's default handler ends the process on any error; a host must install its own.
int countingErrorHandler(Display* display, XErrorEvent* event)
{
    ++errorCount;
    if (std::find(hostDisplays.begin(), hostDisplays.end(), display) != hostDisplays.end())
        ++hostDisplayErrors;
    else
        ++otherDisplayErrors;
    std::fprintf(stderr, "X error %d (request %d.%d)\n", event->error_code, event->request_code,
                 event->minor_code);
    return 0;
}

XErrorHandler replacedByChaining = nullptr;
int chainingErrors = 0;

int chainingErrorHandler(Display* display, XErrorEvent* event)
{
    ++chainingErrors;
    return replacedByChaining != nullptr ? replacedByChaining(display, event) : 0;
}

bool isInstalled(XErrorHandler handler)
{
    const XErrorHandler current = XSetErrorHandler(handler);
    XSetErrorHandler(current);
    return current == handler;
}

} // namespace

X11TestHost::X11TestHost(int w, int h) : width(w), height(h), errorsBefore(errorCount)
{
    XSetErrorHandler(countingErrorHandler);
    display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return;
    hostDisplays.push_back(display);
    // A bare X server has no window manager: make sure the atoms toolkits expect exist.
    // (A window manager would have made them; toolkits query them without checking.)
    for (const char* atom : {"WM_PROTOCOLS",
                             "WM_DELETE_WINDOW",
                             "WM_TAKE_FOCUS",
                             "WM_STATE",
                             "WM_CHANGE_STATE",
                             "_NET_WM_PING",
                             "_NET_WM_STATE",
                             "_NET_WM_STATE_HIDDEN",
                             "_NET_WM_STATE_FULLSCREEN",
                             "_NET_WM_NAME",
                             "_NET_WM_PID",
                             "_NET_WM_WINDOW_TYPE",
                             "_NET_WM_WINDOW_TYPE_NORMAL",
                             "_NET_WM_WINDOW_TYPE_COMBO",
                             "_NET_WM_ALLOWED_ACTIONS",
                             "_NET_FRAME_EXTENTS",
                             "_NET_WORKAREA",
                             "_MOTIF_WM_HINTS",
                             "_WIN_HINTS",
                             "KWM_WIN_DECORATION",
                             "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE",
                             "_XEMBED",
                             "_XEMBED_INFO"})
        XInternAtom(display, atom, False);
    const int screen = DefaultScreen(display);
    window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                 BlackPixel(display, screen), WhitePixel(display, screen));
    XStoreName(display, window, "Ryvel test host");
    XMapRaised(display, window);
    XSync(display, False);
}

X11TestHost::~X11TestHost()
{
    if (display == nullptr)
        return;
    if (window != 0)
        XDestroyWindow(display, window);
    XCloseDisplay(display);
    hostDisplays.erase(std::find(hostDisplays.begin(), hostDisplays.end(), display));
}

void X11TestHost::destroyWindow()
{
    XDestroyWindow(display, window);
    XSync(display, False);
    window = 0;
}

void X11TestHost::provokeXError()
{
    // No client owns window 1: BadWindow.
    XMapWindow(display, 1);
    XSync(display, False);
}

int X11TestHost::errorsOnHostDisplays()
{
    return hostDisplayErrors;
}

int X11TestHost::errorsOnOtherDisplays()
{
    return otherDisplayErrors;
}

bool X11TestHost::hostErrorHandlerInstalled()
{
    return isInstalled(countingErrorHandler);
}

void X11TestHost::installChainingErrorHandler()
{
    replacedByChaining = XSetErrorHandler(chainingErrorHandler);
}

bool X11TestHost::chainingErrorHandlerInstalled()
{
    return isInstalled(chainingErrorHandler);
}

int X11TestHost::errorsSeenByChainingHandler()
{
    return chainingErrors;
}

tresult PLUGIN_API X11TestHost::queryInterface(const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid))
    {
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    if (offerRunLoop && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid))
    {
        *obj = static_cast<Linux::IRunLoop*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

tresult PLUGIN_API X11TestHost::resizeView(IPlugView* view, ViewRect* newSize)
{
    if (view == nullptr || newSize == nullptr)
        return kInvalidArgument;
    ++resizeCount;
    lastResize = *newSize;
    resize(newSize->getWidth(), newSize->getHeight());
    return view->onSize(newSize);
}

void X11TestHost::resize(int w, int h)
{
    XResizeWindow(display, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XSync(display, False);
}

std::pair<int, int> X11TestHost::windowSize(unsigned long xWindow)
{
    Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    if (XGetGeometry(display, xWindow, &root, &x, &y, &w, &h, &border, &depth) == 0)
        return {0, 0};
    return {static_cast<int>(w), static_cast<int>(h)};
}

tresult PLUGIN_API X11TestHost::registerEventHandler(Linux::IEventHandler* handler,
                                                     Linux::FileDescriptor fd)
{
    if (handler == nullptr)
        return kInvalidArgument;
    handlers.push_back({handler, fd});
    return kResultOk;
}

tresult PLUGIN_API X11TestHost::unregisterEventHandler(Linux::IEventHandler* handler)
{
    handlers.erase(std::remove_if(handlers.begin(), handlers.end(),
                                  [handler](const FdEntry& e) { return e.handler == handler; }),
                   handlers.end());
    return kResultOk;
}

tresult PLUGIN_API X11TestHost::registerTimer(Linux::ITimerHandler* handler,
                                              Linux::TimerInterval ms)
{
    if (handler == nullptr)
        return kInvalidArgument;
    const auto interval = static_cast<std::int64_t>(std::max<Linux::TimerInterval>(ms, 1));
    timers.push_back({handler, interval, nowMs() + interval});
    return kResultOk;
}

tresult PLUGIN_API X11TestHost::unregisterTimer(Linux::ITimerHandler* handler)
{
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [handler](const TimerEntry& e) { return e.handler == handler; }),
                 timers.end());
    return kResultOk;
}

// Like a real host's main loop: sleep in poll() until a registered descriptor, the host's own X
// connection or the next timer is due, then dispatch only what is ready.
void X11TestHost::pump(int ms)
{
    const std::int64_t end = nowMs() + ms;
    const int ownFd = ConnectionNumber(display);
    while (true)
    {
        const std::int64_t now = nowMs();
        if (now >= end)
            break;
        std::int64_t wait = end - now;
        for (const TimerEntry& t : timers)
            wait = std::min(wait, std::max<std::int64_t>(0, t.dueMs - now));
        // Events Xlib has already read (e.g. during an XSync) make the socket look idle.
        const bool ownQueued = XEventsQueued(display, QueuedAlready) > 0;
        if (ownQueued)
            wait = 0;

        std::vector<pollfd> fds;
        for (const FdEntry& e : handlers)
            fds.push_back({e.fd, POLLIN, 0});
        fds.push_back({ownFd, POLLIN, 0});
        ::poll(fds.data(), fds.size(), static_cast<int>(wait));

        // Callbacks may change the registrations: dispatch from copies, re-checking each entry.
        const std::vector<FdEntry> snapshot = handlers;
        for (std::size_t i = 0; i < snapshot.size(); ++i)
        {
            if ((fds[i].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            const FdEntry& e = snapshot[i];
            const bool stillRegistered = std::any_of(
                handlers.begin(), handlers.end(),
                [&](const FdEntry& h) { return h.handler == e.handler && h.fd == e.fd; });
            if (stillRegistered)
            {
                ++fdCallbacks;
                e.handler->onFDIsSet(e.fd);
            }
        }
        const std::int64_t after = nowMs();
        const std::vector<TimerEntry> due = timers;
        for (const TimerEntry& t : due)
        {
            if (t.dueMs > after)
                continue;
            auto it = std::find_if(timers.begin(), timers.end(),
                                   [&](const TimerEntry& x) { return x.handler == t.handler; });
            if (it == timers.end())
                continue;
            it->dueMs = after + it->intervalMs;
            ++timerCallbacks;
            t.handler->onTimer();
        }
        if (ownQueued || (fds.back().revents & POLLIN) != 0)
            while (XPending(display) > 0)
            {
                XEvent event;
                XNextEvent(display, &event);
            }
    }
    xErrors = errorCount - errorsBefore;
}

void X11TestHost::click(int x, int y)
{
    Window child = 0;
    int rootX = 0, rootY = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY,
                          &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    XSync(display, False);
    pump(30);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    pump(30);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
}

void X11TestHost::key(const char* keysymName)
{
    const KeySym sym = XStringToKeysym(keysymName);
    const KeyCode code = XKeysymToKeycode(display, sym);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XSync(display, False);
}

std::uint32_t X11TestHost::pixel(int x, int y)
{
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<std::uint32_t>(p & 0xFFFFFF);
}

bool X11TestHost::screenshot(const std::string& pngPath)
{
    // From the root window, so that pop-up menus over the host window are in the picture.
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    Window child = 0;
    int left = 0, top = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &left, &top, &child);
    XImage* image = XGetImage(display, DefaultRootWindow(display), left, top,
                              static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(attributes.width) *
                                  static_cast<std::size_t>(attributes.height) * 3);
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x)
        {
            const unsigned long p = XGetPixel(image, x, y);
            std::uint8_t* out = &rgb[(static_cast<std::size_t>(y) * attributes.width + x) * 3];
            out[0] = static_cast<std::uint8_t>((p >> 16) & 0xFF);
            out[1] = static_cast<std::uint8_t>((p >> 8) & 0xFF);
            out[2] = static_cast<std::uint8_t>(p & 0xFF);
        }
    XDestroyImage(image);

    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(attributes.width);
    png.height = static_cast<png_uint_32>(attributes.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, pngPath.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

} // namespace Ryvel::TestHost
