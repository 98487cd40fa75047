// SPDX-License-Identifier: GPL-3.0-or-later
// The GUI toolkit inside a Windows module (GuiToolkit.h). Written against JUCE 7.0.5 as Debian
// ships it, built with mingw-w64.
//
// On Windows there is nothing to bridge: JUCE's messages arrive through a hidden window of its
// own on the thread that created it, and the host's UI thread pumps every window's messages. So
// a host loop, when a format offers one, is not needed: the frame clock is a toolkit timer, and
// attaching succeeds without a loop.
//
// Repaints. JUCE 7.0.5's Windows peer paints what was invalidated only when a thread waiting for
// the display's vertical blank (DXGI's IDXGIOutput::WaitForVBlank) tells it to. Under Wine that
// wait returns at once without a blank, and after the first WM_PAINT nothing was ever painted
// again. Every frame therefore paints what is pending itself, which on real Windows finds
// nothing left to do most of the time.

#include "editor/GuiToolkit.h"

#include <juce_events/juce_events.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
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

class FrameClock final : private juce::Timer
{
public:
    ~FrameClock() override { stopTimer(); }

    void attach(FrameListener& listener)
    {
        detach(listener);
        listeners.push_back(&listener);
        if (!isTimerRunning())
            startTimer(kFrameIntervalMs);
    }

    void detach(FrameListener& listener)
    {
        listeners.erase(std::remove(listeners.begin(), listeners.end(), &listener),
                        listeners.end());
        if (listeners.empty())
            stopTimer();
    }

private:
    void timerCallback() override
    {
        // A listener may detach itself (or another) from its callback.
        const std::vector<FrameListener*> ticking = listeners;
        for (FrameListener* listener : ticking)
            if (std::find(listeners.begin(), listeners.end(), listener) != listeners.end())
                listener->onFrame();
        for (int i = juce::ComponentPeer::getNumPeers(); --i >= 0;)
            if (auto* peer = juce::ComponentPeer::getPeer(i))
                peer->performAnyPendingRepaintsNow();
    }

    std::vector<FrameListener*> listeners;
};

std::mutex lifeMutex;
int users = 0;
std::unique_ptr<FrameClock> clock;

bool attachToClock(FrameListener& listener)
{
    takeOverMessageThread();
    if (clock == nullptr)
        clock = std::make_unique<FrameClock>();
    clock->attach(listener);
    return true;
}

void detachFromClock(FrameListener& listener)
{
    if (clock != nullptr)
        clock->detach(listener);
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
    takeOverMessageThread();
    clock.reset();
    juce::shutdownJuce_GUI();
}

// No descriptors and no host clock on Windows.
void descriptorReady(int) {}
void frame(const HostLoop&) {}

bool attachHostLoop(std::unique_ptr<HostLoop>, FrameListener& listener)
{
    return attachToClock(listener);
}

void detachHostLoop(FrameListener& listener)
{
    detachFromClock(listener);
}

bool attachIdleLoop(FrameListener& listener)
{
    return attachToClock(listener);
}

void detachIdleLoop(FrameListener& listener)
{
    detachFromClock(listener);
}

void idle() {}

} // namespace Ryvel::GuiToolkit
