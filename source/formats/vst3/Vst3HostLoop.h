// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/GuiToolkit.h"

#include "pluginterfaces/gui/iplugview.h"

#include <memory>
#include <vector>

namespace Ryvel
{

// The host's Steinberg::Linux::IRunLoop as the toolkit's UI loop: descriptors become event
// handler registrations, the frame clock a run-loop timer. Both callbacks land on the host's UI
// thread, where the toolkit runs.
class Vst3HostLoop final : public GuiToolkit::HostLoop,
                           public Steinberg::Linux::IEventHandler,
                           public Steinberg::Linux::ITimerHandler
{
public:
    // The run loop the plug frame offers, or null when it offers none.
    static std::unique_ptr<GuiToolkit::HostLoop> of(Steinberg::IPlugFrame* plugFrame);

    explicit Vst3HostLoop(Steinberg::Linux::IRunLoop* loop); // takes over one reference
    ~Vst3HostLoop() override;
    Vst3HostLoop(const Vst3HostLoop&) = delete;
    Vst3HostLoop& operator=(const Vst3HostLoop&) = delete;

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

} // namespace Ryvel
