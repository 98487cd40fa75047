// SPDX-License-Identifier: GPL-3.0-or-later
// Drives JUCE from the host's Steinberg::Linux::IRunLoop.
//
// Written against JUCE 7.0.5 as Debian ships it. It uses JUCE's internal
// juce::LinuxEventLoopInternal (juce_events/native/juce_linux_EventLoopInternal.h), because JUCE
// has no public way to hand its file descriptors to a foreign event loop; keep every use of it
// in this file. Without it JUCE would need a thread of its own, and all GUI work must happen on
// the host's UI thread.
//
// One module-wide handler serves every open editor. The run loop has no per-descriptor
// unregister, so whenever JUCE's descriptor set changes (the X connection's descriptor appears
// only after the first window is created) all registrations are dropped and made again.

#include "editor/GuiToolkit.h"

#include "pluginterfaces/gui/iplugview.h"

#include <juce_events/juce_events.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include <poll.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace Ryvel::GuiToolkit
{

namespace
{

using Steinberg::Linux::IRunLoop;

void takeOverMessageThread()
{
    auto* messageManager = juce::MessageManager::getInstance();
    if (!messageManager->isThisTheMessageThread())
        messageManager->setCurrentThreadAsMessageThread();
}

class RunLoopHandler final : public Steinberg::Linux::IEventHandler,
                             public Steinberg::Linux::ITimerHandler,
                             private juce::LinuxEventLoopInternal::Listener
{
public:
    RunLoopHandler() { juce::LinuxEventLoopInternal::registerLinuxEventLoopListener(*this); }
    ~RunLoopHandler() override
    {
        juce::LinuxEventLoopInternal::deregisterLinuxEventLoopListener(*this);
    }

    bool attach(IRunLoop* loop)
    {
        if (runLoops[loop]++ == 0)
        {
            loop->addRef();
            // A safety net for run loops that miss a readiness change: every timer tick
            // dispatches whatever descriptor is readable without blocking.
            loop->registerTimer(static_cast<Steinberg::Linux::ITimerHandler*>(this), kPollMs);
        }
        reregister();
        takeOverMessageThread();
        return true;
    }

    void detach(IRunLoop* loop)
    {
        auto it = runLoops.find(loop);
        if (it == runLoops.end())
            return;
        if (--it->second == 0)
        {
            loop->unregisterEventHandler(static_cast<Steinberg::Linux::IEventHandler*>(this));
            loop->unregisterTimer(static_cast<Steinberg::Linux::ITimerHandler*>(this));
            loop->release();
            runLoops.erase(it);
        }
        reregister();
    }

    bool idle() const { return runLoops.empty(); }

    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override
    {
        takeOverMessageThread();
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd(fd);
    }

    void PLUGIN_API onTimer() override
    {
        takeOverMessageThread();
        std::vector<pollfd> fds;
        for (int fd : juce::LinuxEventLoopInternal::getRegisteredFds())
            fds.push_back(pollfd{fd, POLLIN, 0});
        if (fds.empty() || ::poll(fds.data(), fds.size(), 0) <= 0)
            return;
        for (const pollfd& p : fds)
            if ((p.revents & POLLIN) != 0)
                juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd(p.fd);
    }

    // Owned by the module, never by the host: reference counting is a formality.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override
    {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::Linux::IEventHandler::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid))
        {
            *obj = static_cast<Steinberg::Linux::IEventHandler*>(this);
            return Steinberg::kResultOk;
        }
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::Linux::ITimerHandler::iid))
        {
            *obj = static_cast<Steinberg::Linux::ITimerHandler*>(this);
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    static constexpr Steinberg::Linux::TimerInterval kPollMs = 100;

    void fdCallbacksChanged() override { reregister(); }

    // All descriptors go to one run loop (hosts give every view the same one).
    void reregister()
    {
        auto* handler = static_cast<Steinberg::Linux::IEventHandler*>(this);
        if (registeredOn != nullptr)
            registeredOn->unregisterEventHandler(handler);
        registeredOn = runLoops.empty() ? nullptr : runLoops.begin()->first;
        if (registeredOn == nullptr)
            return;
        for (int fd : juce::LinuxEventLoopInternal::getRegisteredFds())
            registeredOn->registerEventHandler(handler, fd);
    }

    std::map<IRunLoop*, int> runLoops;
    IRunLoop* registeredOn = nullptr;
};

std::mutex lifeMutex;
int users = 0;
std::unique_ptr<RunLoopHandler> handler;

IRunLoop* runLoopOf(Steinberg::IPlugFrame* plugFrame)
{
    IRunLoop* loop = nullptr;
    if (plugFrame == nullptr ||
        plugFrame->queryInterface(IRunLoop::iid, reinterpret_cast<void**>(&loop)) !=
            Steinberg::kResultOk)
        return nullptr;
    return loop;
}

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

bool attachHostRunLoop(Steinberg::IPlugFrame* plugFrame)
{
    IRunLoop* loop = runLoopOf(plugFrame);
    if (loop == nullptr)
        return false;
    if (handler == nullptr)
        handler = std::make_unique<RunLoopHandler>();
    const bool attached = handler->attach(loop);
    loop->release(); // the handler keeps its own reference
    return attached;
}

void detachHostRunLoop(Steinberg::IPlugFrame* plugFrame)
{
    IRunLoop* loop = runLoopOf(plugFrame);
    if (loop == nullptr || handler == nullptr)
        return;
    handler->detach(loop);
    loop->release();
}

} // namespace Ryvel::GuiToolkit
