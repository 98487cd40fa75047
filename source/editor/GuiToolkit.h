// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The GUI toolkit's life inside a plug-in module, and the bridge that lets the host's UI loop
// drive it: a run loop that watches descriptors and runs timers (VST 3's IRunLoop, adapted by
// the VST 3 format), or a plain idle call (LV2's ui:idleInterface). Nothing here touches the
// display: a module loads, scans and processes audio with no X server at all. The display is
// opened only when an editor is attached to a host window. No plug-in format's types appear
// here.

#include <memory>
#include <vector>

namespace Ryvel::GuiToolkit
{

// Module load and unload (ModuleEntry/ModuleExit), or the first and last UI instance where a
// format has no module entry (LV2); reference-counted.
void initialise();
void shutdown();

// The one clock an open editor needs: the host's run loop calls every attached listener once
// per frame, then paints whatever was invalidated. Nothing else wakes the host while the editor
// sits idle.
inline constexpr int kFrameIntervalMs = 20;

class FrameListener
{
public:
    virtual void onFrame() = 0;

protected:
    ~FrameListener() = default;
};

// A host's UI loop that watches file descriptors and runs timers on the host's UI thread. A
// format adapter implements it over the host's object; the toolkit decides what to watch and
// when the clock runs, and the loop calls descriptorReady() and frame() back.
class HostLoop
{
public:
    virtual ~HostLoop() = default;

    // The host object behind the adapter: adapters of one host object are one loop (hosts give
    // every view the same run loop).
    virtual const void* identity() const = 0;
    // Replaces the descriptors watched; an empty set watches none.
    virtual void watchDescriptors(const std::vector<int>& fds) = 0;
    virtual void startFrameClock(int intervalMs) = 0;
    virtual void stopFrameClock() = 0;
};

// From a HostLoop, on the host's UI thread: `fd` is readable; the frame clock ticked.
void descriptorReady(int fd);
void frame(const HostLoop& loop);

// Makes `loop` deliver the toolkit's file descriptors and `listener`'s frames on the host's UI
// thread. The toolkit keeps the loop (or the equal one it already has) until its last listener
// detaches, or until shutdown(). False without a loop: then nothing would paint and no timer
// would run, so the editor refuses to attach. While any listener is attached, X errors on the
// toolkit's own display connection are ignored instead of reaching the host's error handler.
// UI thread. On Windows the toolkit runs its own message handling on the host's UI thread and
// its own timer as the frame clock: there is no loop to hand over (the VST 3 adapter passes
// null) and the argument is ignored.
bool attachHostLoop(std::unique_ptr<HostLoop> loop, FrameListener& listener);
void detachHostLoop(FrameListener& listener);

// For hosts that have no run loop to offer but call an idle function regularly (LV2 hosts call
// ui:idleInterface's about 30 times a second): `listener` gets its frames from idle(), at most
// one every kFrameIntervalMs, as close as the host's calls allow. Each idle() call also lets
// the toolkit read its descriptors (messages, timers, X events), paints what was invalidated and
// flushes the drawing, whichever instance's idle it is. False when the toolkit cannot reach the
// X server. X errors as with the run loop. UI thread.
bool attachIdleLoop(FrameListener& listener);
void detachIdleLoop(FrameListener& listener);
void idle();

} // namespace Ryvel::GuiToolkit
