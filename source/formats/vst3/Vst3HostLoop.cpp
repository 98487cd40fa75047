// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/Vst3HostLoop.h"

#include <vector>

namespace Ryvel
{

using namespace Steinberg;

namespace
{

class RunLoopAdapter final : public GuiToolkit::HostLoop,
                             public Steinberg::Linux::IEventHandler,
                             public Steinberg::Linux::ITimerHandler
{
public:
    explicit RunLoopAdapter(Steinberg::Linux::IRunLoop* loop); // takes over one reference
    ~RunLoopAdapter() override;
    RunLoopAdapter(const RunLoopAdapter&) = delete;
    RunLoopAdapter& operator=(const RunLoopAdapter&) = delete;

    const void* identity() const override { return loop; }
    void watchDescriptors(const std::vector<int>& fds) override;
    void startFrameClock(int intervalMs) override;
    void stopFrameClock() override;

    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;
    void PLUGIN_API onTimer() override;

    // Owned by the toolkit, never by the host: reference counting is a formality.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    Steinberg::Linux::IRunLoop* loop;
    bool watching = false;
    bool ticking = false;
};

} // namespace

std::unique_ptr<GuiToolkit::HostLoop> Vst3HostLoop::of(IPlugFrame* plugFrame)
{
    Linux::IRunLoop* loop = nullptr;
    if (plugFrame == nullptr ||
        plugFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) !=
            kResultOk ||
        loop == nullptr)
        return nullptr;
    return std::make_unique<RunLoopAdapter>(loop);
}

RunLoopAdapter::RunLoopAdapter(Linux::IRunLoop* runLoop) : loop(runLoop) {}

RunLoopAdapter::~RunLoopAdapter()
{
    // The toolkit stops both before it lets go of a loop; this covers any other path.
    watchDescriptors({});
    stopFrameClock();
    loop->release();
}

void RunLoopAdapter::watchDescriptors(const std::vector<int>& fds)
{
    // The run loop unregisters a handler from all its descriptors at once.
    if (watching)
        loop->unregisterEventHandler(static_cast<Linux::IEventHandler*>(this));
    watching = false;
    for (int fd : fds)
        watching |=
            loop->registerEventHandler(static_cast<Linux::IEventHandler*>(this), fd) == kResultOk;
}

void RunLoopAdapter::startFrameClock(int intervalMs)
{
    if (!ticking)
        ticking = loop->registerTimer(static_cast<Linux::ITimerHandler*>(this),
                                      static_cast<Linux::TimerInterval>(intervalMs)) == kResultOk;
}

void RunLoopAdapter::stopFrameClock()
{
    if (ticking)
        loop->unregisterTimer(static_cast<Linux::ITimerHandler*>(this));
    ticking = false;
}

void PLUGIN_API RunLoopAdapter::onFDIsSet(Linux::FileDescriptor fd)
{
    GuiToolkit::descriptorReady(fd);
}

void PLUGIN_API RunLoopAdapter::onTimer()
{
    GuiToolkit::frame(*this);
}

tresult PLUGIN_API RunLoopAdapter::queryInterface(const TUID iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, Linux::IEventHandler::iid))
        *obj = static_cast<Linux::IEventHandler*>(this);
    else if (FUnknownPrivate::iidEqual(iid, Linux::ITimerHandler::iid))
        *obj = static_cast<Linux::ITimerHandler*>(this);
    else if (FUnknownPrivate::iidEqual(iid, FUnknown::iid))
        *obj = static_cast<FUnknown*>(static_cast<Linux::IEventHandler*>(this));
    else
    {
        *obj = nullptr;
        return kNoInterface;
    }
    return kResultOk;
}

} // namespace Ryvel
