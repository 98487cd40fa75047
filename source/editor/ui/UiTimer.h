// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A toolkit timer with a callback, owned by whoever created it. `fire()` runs one tick by hand,
// so timing behaviour is tested by counting ticks rather than by waiting.

#include <juce_events/juce_events.h>

#include <functional>
#include <utility>

namespace Ryvel::ui
{

class UiTimer final : private juce::Timer
{
public:
    UiTimer(int periodMs, std::function<void()> callback)
        : period(periodMs), onTick(std::move(callback))
    {
    }
    ~UiTimer() override { stopTimer(); }
    UiTimer(const UiTimer&) = delete;
    UiTimer& operator=(const UiTimer&) = delete;

    void start() { startTimer(period); }
    void stop() { stopTimer(); }
    bool isRunning() const { return isTimerRunning(); }
    int periodMs() const { return period; }
    void fire()
    {
        if (onTick)
            onTick();
    }

private:
    void timerCallback() override { fire(); }

    int period;
    std::function<void()> onTick;
};

} // namespace Ryvel::ui
