// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/Vst3HostLoop.h"

namespace Ryvel
{

using namespace Steinberg;

std::unique_ptr<GuiToolkit::HostLoop> Vst3HostLoop::of(IPlugFrame* plugFrame)
{
    Linux::IRunLoop* loop = nullptr;
    if (plugFrame == nullptr ||
        plugFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) !=
            kResultOk ||
        loop == nullptr)
        return nullptr;
    return std::make_unique<Vst3HostLoop>(loop);
}

Vst3HostLoop::Vst3HostLoop(Linux::IRunLoop* runLoop) : loop(runLoop) {}

Vst3HostLoop::~Vst3HostLoop()
{
    // The toolkit stops both before it lets go of a loop; this covers any other path.
    watchDescriptors({});
    stopFrameClock();
    loop->release();
}

void Vst3HostLoop::watchDescriptors(const std::vector<int>& fds)
{
    // The run loop unregisters a handler from all its descriptors at once.
    if (watching)
        loop->unregisterEventHandler(static_cast<Linux::IEventHandler*>(this));
    watching = false;
    for (int fd : fds)
        watching |=
            loop->registerEventHandler(static_cast<Linux::IEventHandler*>(this), fd) == kResultOk;
}

void Vst3HostLoop::startFrameClock(int intervalMs)
{
    if (!ticking)
        ticking = loop->registerTimer(static_cast<Linux::ITimerHandler*>(this),
                                      static_cast<Linux::TimerInterval>(intervalMs)) == kResultOk;
}

void Vst3HostLoop::stopFrameClock()
{
    if (ticking)
        loop->unregisterTimer(static_cast<Linux::ITimerHandler*>(this));
    ticking = false;
}

void PLUGIN_API Vst3HostLoop::onFDIsSet(Linux::FileDescriptor fd)
{
    GuiToolkit::descriptorReady(fd);
}

void PLUGIN_API Vst3HostLoop::onTimer()
{
    GuiToolkit::frame(*this);
}

tresult PLUGIN_API Vst3HostLoop::queryInterface(const TUID iid, void** obj)
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
