// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A minimal Linux VST 3 host window for end-to-end editor tests: an X11 window, an IPlugFrame
// that also is the host's IRunLoop (as Linux hosts provide it), synthetic clicks through XTest,
// and screenshots written as PNG files.

#include "TestHost.h"

#include "pluginterfaces/gui/iplugview.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Xlib stays out of this header: its macros (None, Status, ...) break other headers.
struct _XDisplay;

namespace Ryvel::TestHost
{

class X11TestHost final : public Steinberg::IPlugFrame, public Steinberg::Linux::IRunLoop
{
public:
    X11TestHost(int width, int height);
    ~X11TestHost();
    X11TestHost(const X11TestHost&) = delete;
    X11TestHost& operator=(const X11TestHost&) = delete;

    bool ok() const { return display != nullptr; }
    void* parentWindow() const { return reinterpret_cast<void*>(window); }
    // Runs the run loop (descriptors and timers) for about `ms` milliseconds.
    void pump(int ms);
    // A left click at window coordinates, delivered through the X server.
    void click(int x, int y);
    void key(const char* keysym);
    // RGB of the host window's pixel, as the X server has it.
    std::uint32_t pixel(int x, int y);
    bool screenshot(const std::string& pngPath);

    // Gives the host's window a new size, as a host does on a plug-in's request.
    void resize(int width, int height);
    // The size of a window of the display, any client's.
    std::pair<int, int> windowSize(unsigned long xWindow);

    // Destroys the host's window behind the plug-in's back (as hosts do when they close a
    // window before removing the view); the plug-in's child window goes with it.
    void destroyWindow();
    // A request that fails on the host's own display, delivered to the installed handler.
    void provokeXError();

    // X errors that reached this host's handler (Xlib's handler is process-wide), by whose
    // connection they came from: a test host's or another one (the plug-in's).
    static int errorsOnHostDisplays();
    static int errorsOnOtherDisplays();
    // Whether the host's handler is the installed one (Xlib reports it only by replacing it).
    static bool hostErrorHandlerInstalled();
    // Another component of the host process installing its handler over whatever is installed,
    // passing every error on to the one it replaced; and whether it still is installed.
    static void installChainingErrorHandler();
    static bool chainingErrorHandlerInstalled();
    static int errorsSeenByChainingHandler();

    int resizeCount = 0;
    Steinberg::ViewRect lastResize{};
    bool offerRunLoop = true;
    int xErrors = 0;
    // What woke the run loop: descriptor callbacks (by fd) and timer callbacks.
    int fdCallbacks = 0;
    int timerCallbacks = 0;

    // IPlugFrame
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;
    // IRunLoop
    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval ms) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

    std::size_t handlerCount() const { return handlers.size(); }
    std::size_t timerCount() const { return timers.size(); }
    std::int64_t timerInterval(std::size_t i) const { return timers.at(i).intervalMs; }

private:
    struct FdEntry
    {
        Steinberg::Linux::IEventHandler* handler;
        int fd;
    };
    struct TimerEntry
    {
        Steinberg::Linux::ITimerHandler* handler;
        std::int64_t intervalMs;
        std::int64_t dueMs;
    };

    _XDisplay* display = nullptr;
    unsigned long window = 0; // an X window ID
    int width, height;
    int errorsBefore = 0; // the handler's count is process-wide
    std::vector<FdEntry> handlers;
    std::vector<TimerEntry> timers;
};

} // namespace Ryvel::TestHost
