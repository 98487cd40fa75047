// SPDX-License-Identifier: GPL-3.0-or-later
// Drives JUCE from the host's UI loop: a loop that watches descriptors and runs timers (the
// VST 3 adapter brings the host's IRunLoop as a GuiToolkit::HostLoop), or the idle calls of a
// host with no run loop to offer (LV2's ui:idleInterface).
//
// Written against JUCE 7.0.5 as Debian ships it. It uses JUCE's internal
// juce::LinuxEventLoopInternal (juce_events/native/juce_linux_EventLoopInternal.h), because JUCE
// has no public way to hand its file descriptors to a foreign event loop, and JUCE's X11
// accessors (XWindowSystem, X11Symbols); keep every use of them in this file. Without them JUCE
// would need a thread of its own, and all GUI work must happen on the host's UI thread.
//
// One module-wide handler serves every open editor. VST 3's run loop has no per-descriptor
// unregister, so whenever JUCE's descriptor set changes (the X connection's descriptor appears
// only after the first window is created) all registrations are dropped and made again. Editors
// attached without a run loop are served by idle(): it polls JUCE's descriptors without waiting
// and runs the same frame as the run loop's timer, so a host's idle period (33 ms in Ardour and
// jalv) is the granularity of everything, timers included.
//
// Idle cost. JUCE 7.0.5's Linux window repaints from a juce::Timer running at the display's
// refresh rate (100 Hz when the server reports none, as Xvfb does): JUCE's timer thread wakes
// and posts a message to the host's loop 60 to 100 times a second per window, which alone cost
// more than an idle editor may. That clock is switched off (a display whose refresh rate is not
// positive makes the window stop it), and the host's run loop gives the only clock instead: one
// frame timer that polls each editor's playhead, hands JUCE any X events Xlib has already read
// off the socket, and paints what was invalidated since the last frame.
//
// X errors. Xlib's error handler is process-wide and JUCE installs none inside a plug-in, so an
// error on JUCE's own connection (e.g. a request about a host window the host has just
// destroyed) would reach the host's handler, and GDK's ends the process. While any editor is
// attached, a handler of ours swallows errors from JUCE's connection and passes every other one
// to the handler it replaced.

#include "editor/GuiToolkit.h"

// JUCE's X11 accessors and the Xlib declarations they use.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_events/juce_events.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include <dlfcn.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace Ryvel::GuiToolkit
{

namespace
{

void takeOverMessageThread()
{
    auto* messageManager = juce::MessageManager::getInstance();
    if (!messageManager->isThisTheMessageThread())
        messageManager->setCurrentThreadAsMessageThread();
}

::Display* toolkitDisplay()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
}

// ------------------------------------------------------------------------------------------
// The process-wide X error handler.
//
// Xlib offers no way to remove a handler from the middle of a chain. When we leave and another
// handler was installed on top of ours, ours stays in that chain as a pure pass-through, and the
// module is made resident so the chain never calls into unmapped code. Should we install again
// while still in such a chain, the same function sits twice in it; the nesting depth on the
// calling thread tells which of our positions a call comes through.
namespace XErrorGuard
{

constexpr int kMaxChain = 8;
std::array<std::atomic<XErrorHandler>, kMaxChain> replaced{}; // [0] is the oldest
std::atomic<int> chainLength{0};
std::atomic<::Display*> guardedDisplay{nullptr};
std::atomic<bool> reported{false};
bool installed = false;
thread_local int nesting = 0;

int onXError(::Display* display, XErrorEvent* event)
{
    ::Display* guarded = guardedDisplay.load(std::memory_order_acquire);
    if (guarded != nullptr && display == guarded)
    {
        if (!reported.exchange(true))
            std::fprintf(stderr,
                         "Ryvel: ignoring X error %d (request %d.%d, resource 0x%lx) on the "
                         "editor's own X connection; further ones are ignored silently\n",
                         event->error_code, event->request_code, event->minor_code,
                         event->resourceid);
        return 0;
    }
    const int length = chainLength.load(std::memory_order_acquire);
    const int slot = length - 1 - nesting;
    XErrorHandler next = slot >= 0 ? replaced[static_cast<size_t>(slot)].load() : nullptr;
    if (next == nullptr)
        return 0;
    ++nesting;
    const int result = next(display, event);
    --nesting;
    return result;
}

void stayResident()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&onXError), &info) != 0 && info.dli_fname != nullptr)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

void install(::Display* display)
{
    if (installed || display == nullptr)
        return;
    auto* x = juce::X11Symbols::getInstance();
    const XErrorHandler previous = x->xSetErrorHandler(onXError);
    if (previous == onXError)
    {
        // Whoever sat above us has gone and put us back: we are the top of the chain again.
        chainLength.store(std::min(chainLength.load(), 1));
    }
    else
    {
        const int length = chainLength.load();
        if (length == kMaxChain)
        {
            x->xSetErrorHandler(previous);
            return;
        }
        replaced[static_cast<size_t>(length)].store(previous);
        chainLength.store(length + 1, std::memory_order_release);
    }
    guardedDisplay.store(display, std::memory_order_release);
    installed = true;
}

void uninstall()
{
    if (!installed)
        return;
    installed = false;
    auto* x = juce::X11Symbols::getInstance();
    // Errors caused by tearing the windows down (the host may have destroyed their parent
    // first) arrive with the replies; collect them while they are still ours to ignore.
    if (::Display* display = guardedDisplay.load())
        x->xSync(display, False);
    guardedDisplay.store(nullptr, std::memory_order_release);

    const int length = chainLength.load();
    if (length == 0)
        return;
    const XErrorHandler previous = replaced[static_cast<size_t>(length - 1)].load();
    // Xlib can only tell which handler is installed by replacing it.
    const XErrorHandler current = x->xSetErrorHandler(previous);
    if (current == onXError)
    {
        chainLength.store(length - 1, std::memory_order_release);
        return;
    }
    x->xSetErrorHandler(current);
    stayResident();
}

} // namespace XErrorGuard

// ------------------------------------------------------------------------------------------

// A display refresh rate that JUCE's window takes as "no refresh clock".
constexpr double kNoRefreshClock = -1.0;

// JUCE reads the rates again whenever the display configuration changes; checked every frame.
void switchOffRefreshClock()
{
    auto& displays = const_cast<juce::Displays&>(juce::Desktop::getInstance().getDisplays());
    for (auto& display : displays.displays)
        display.verticalFrequencyHz = kNoRefreshClock;
}

// Attachments with a null loop are driven by idle().
class RunLoopHandler final : private juce::LinuxEventLoopInternal::Listener
{
public:
    RunLoopHandler() { juce::LinuxEventLoopInternal::registerLinuxEventLoopListener(*this); }
    ~RunLoopHandler() override
    {
        juce::LinuxEventLoopInternal::deregisterLinuxEventLoopListener(*this);
        // Views the host never removed must not leave callbacks into an unloaded module.
        if (registeredOn != nullptr)
            registeredOn->watchDescriptors({});
        for (auto& loop : loops)
            loop->stopFrameClock();
        loops.clear();
        XErrorGuard::uninstall();
    }

    // `offered` may be null (an idle attachment) or equal to a loop already held.
    void attach(std::unique_ptr<HostLoop> offered, FrameListener& listener)
    {
        detach(listener);
        takeOverMessageThread();
        if (listeners.empty())
        {
            // Opens JUCE's X connection if it is not open yet; windows are made right after.
            switchOffRefreshClock();
            if (auto* windowSystem = juce::XWindowSystem::getInstance())
                XErrorGuard::install(windowSystem->getDisplay());
        }
        HostLoop* loop = nullptr;
        if (offered != nullptr)
        {
            const auto held =
                std::find_if(loops.begin(), loops.end(),
                             [&](const auto& l) { return l->identity() == offered->identity(); });
            if (held != loops.end())
            {
                loop = held->get();
            }
            else
            {
                loop = offered.get();
                loops.push_back(std::move(offered));
                loop->startFrameClock(kFrameIntervalMs);
            }
        }
        listeners.push_back({&listener, loop});
        reregister();
    }

    void detach(FrameListener& listener)
    {
        auto it = std::find_if(listeners.begin(), listeners.end(),
                               [&](const Attachment& a) { return a.listener == &listener; });
        if (it == listeners.end())
            return;
        HostLoop* loop = it->loop;
        listeners.erase(it);
        const bool loopStillUsed = std::any_of(listeners.begin(), listeners.end(),
                                               [&](const Attachment& a) { return a.loop == loop; });
        if (loop != nullptr && !loopStillUsed)
        {
            if (loop == registeredOn)
            {
                loop->watchDescriptors({});
                registeredOn = nullptr;
            }
            loop->stopFrameClock();
            loops.erase(std::find_if(loops.begin(), loops.end(),
                                     [&](const auto& l) { return l.get() == loop; }));
        }
        reregister();
        if (listeners.empty())
            XErrorGuard::uninstall();
    }

    bool hasIdleAttachments() const
    {
        return std::any_of(listeners.begin(), listeners.end(),
                           [](const Attachment& a) { return a.loop == nullptr; });
    }

    void idle()
    {
        takeOverMessageThread();
        serviceReadyDescriptors();
        const double now = std::chrono::duration<double, std::milli>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
        if (now - lastIdleFrameMs >= kFrameIntervalMs)
        {
            lastIdleFrameMs = now;
            runFrameListeners(nullptr);
        }
        paintAndFlush();
    }

    // Each loop's clock ticks the editors attached through that loop.
    void frame(const HostLoop* loop)
    {
        takeOverMessageThread();
        runFrameListeners(loop);
        paintAndFlush();
    }

private:
    struct Attachment
    {
        FrameListener* listener;
        HostLoop* loop;
    };

    void runFrameListeners(const HostLoop* loop)
    {
        // A listener may detach itself (or another) from its callback.
        const std::vector<Attachment> ticking = listeners;
        for (const Attachment& a : ticking)
        {
            const bool stillAttached = std::any_of(
                listeners.begin(), listeners.end(),
                [&](const Attachment& b) { return b.listener == a.listener && b.loop == loop; });
            if (a.loop == loop && stillAttached)
                a.listener->onFrame();
        }
    }

    void paintAndFlush()
    {
        dispatchQueuedXEvents();
        switchOffRefreshClock();
        for (int i = juce::ComponentPeer::getNumPeers(); --i >= 0;)
            if (auto* peer = juce::ComponentPeer::getPeer(i))
                peer->performAnyPendingRepaintsNow();
        // JUCE leaves its drawing in Xlib's output buffer; its own loop would flush it on the
        // next event check, which here may be long in coming.
        if (::Display* display = toolkitDisplay())
            juce::X11Symbols::getInstance()->xFlush(display);
    }

    // What a run loop does between its waits, without waiting: every descriptor that is ready
    // now gets its callback. A few rounds, as a callback may make another one ready (a message
    // posting a repaint, a reply carrying events); a descriptor that stays ready (a hung-up
    // socket) cannot hold the host's thread beyond them.
    static void serviceReadyDescriptors()
    {
        constexpr int kRounds = 4;
        std::vector<pollfd> fds;
        for (int round = 0; round < kRounds; ++round)
        {
            fds.clear();
            for (int fd : juce::LinuxEventLoopInternal::getRegisteredFds())
                fds.push_back({fd, POLLIN, 0});
            if (fds.empty() || ::poll(fds.data(), fds.size(), 0) <= 0)
                return;
            for (const pollfd& p : fds)
                if ((p.revents & POLLIN) != 0)
                    juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd(p.fd);
        }
    }

    // Replies to JUCE's own requests can carry events that Xlib then keeps in its queue; the
    // socket is drained, so no readiness would ever announce them (among them the completion
    // events a window waits for before it paints again).
    static void dispatchQueuedXEvents()
    {
        ::Display* display = toolkitDisplay();
        if (display == nullptr)
            return;
        auto* x = juce::X11Symbols::getInstance();
        if (x->xEventsQueued(display, QueuedAlready) > 0)
            juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd(
                x->xConnectionNumber(display));
    }

    void fdCallbacksChanged() override { reregister(); }

    // All descriptors go to one run loop (hosts give every view the same one).
    void reregister()
    {
        const auto withLoop = std::find_if(listeners.begin(), listeners.end(),
                                           [](const Attachment& a) { return a.loop != nullptr; });
        HostLoop* next = withLoop != listeners.end() ? withLoop->loop : nullptr;
        if (registeredOn != nullptr && registeredOn != next)
            registeredOn->watchDescriptors({});
        registeredOn = next;
        if (registeredOn == nullptr)
            return;
        registeredOn->watchDescriptors(juce::LinuxEventLoopInternal::getRegisteredFds());
    }

    std::vector<Attachment> listeners;
    std::vector<std::unique_ptr<HostLoop>> loops;
    HostLoop* registeredOn = nullptr;
    double lastIdleFrameMs = -1.0e9; // the first idle call runs a frame
};

std::mutex lifeMutex;
int users = 0;
std::unique_ptr<RunLoopHandler> handler;

} // namespace

void initialise()
{
    std::lock_guard<std::mutex> lock(lifeMutex);
    if (users++ == 0)
        juce::initialiseJuce_GUI();
}

void shutdown()
{
    std::lock_guard<std::mutex> lock(lifeMutex);
    if (users == 0 || --users > 0)
        return;
    // Order matters: destroying the window system unregisters the X descriptor, which would
    // call back into a handler that no longer exists.
    takeOverMessageThread();
    handler.reset();
    juce::shutdownJuce_GUI();
}

void descriptorReady(int fd)
{
    takeOverMessageThread();
    juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd(fd);
}

void frame(const HostLoop& loop)
{
    if (handler != nullptr)
        handler->frame(&loop);
}

bool attachHostLoop(std::unique_ptr<HostLoop> loop, FrameListener& listener)
{
    if (loop == nullptr)
        return false;
    if (handler == nullptr)
        handler = std::make_unique<RunLoopHandler>();
    handler->attach(std::move(loop), listener);
    return true;
}

void detachHostLoop(FrameListener& listener)
{
    if (handler != nullptr)
        handler->detach(listener);
}

bool attachIdleLoop(FrameListener& listener)
{
    if (handler == nullptr)
        handler = std::make_unique<RunLoopHandler>();
    handler->attach(nullptr, listener);
    if (toolkitDisplay() != nullptr)
        return true;
    handler->detach(listener);
    return false;
}

void detachIdleLoop(FrameListener& listener)
{
    if (handler != nullptr)
        handler->detach(listener);
}

void idle()
{
    if (handler != nullptr && handler->hasIdleAttachments())
        handler->idle();
}

} // namespace Ryvel::GuiToolkit
