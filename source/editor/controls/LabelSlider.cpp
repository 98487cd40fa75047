// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/controls/LabelSlider.h"

#include "editor/ui/Drawing.h"
#include "editor/ui/Fonts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace Ryvel::ui
{
namespace
{
// Geometry in design pixels from the view's edges.
constexpr float kCaptionLeft = 11.0f;
constexpr float kCaptionRight = 35.0f;
constexpr float kTrackLeft = 39.0f;
constexpr float kTrackRightInset = 11.0f;
constexpr float kThumbRadius = 3.0f;
// Below this an alpha draws nothing visible.
constexpr float kInvisibleAlpha = 0.004f;
// The high-pass law: 20 Hz at 0 to 2500 Hz at 1, exponential.
constexpr double kLowestHz = 20.0;
constexpr double kFrequencySpan = 125.0;
} // namespace

LabelSlider::LabelSlider(juce::Rectangle<int> bounds, ControlListener* listener, std::int32_t tag,
                         std::string label, ValueFormat format)
    : Control(bounds, listener, tag), label(std::move(label)), format(format)
{
}

float LabelSlider::trackStart() const
{
    return kTrackLeft;
}

float LabelSlider::trackEnd() const
{
    return static_cast<float>(getWidth()) - kTrackRightInset;
}

std::string LabelSlider::formatValue() const
{
    const double v = getValueNormalized();
    char text[16] = {};
    if (format == ValueFormat::Percent)
    {
        std::snprintf(text, sizeof text, "%d%%", static_cast<int>(std::lround(v * 100.0)));
        return text;
    }
    const double hz = kLowestHz * std::pow(kFrequencySpan, juce::jlimit(0.0, 1.0, v));
    if (hz >= 1000.0)
        std::snprintf(text, sizeof text, "%.1fk", hz / 1000.0);
    else
        std::snprintf(text, sizeof text, "%d", static_cast<int>(std::lround(hz)));
    return text;
}

void LabelSlider::flashReadout()
{
    readoutText = formatValue();
    labelAlpha = 0.0f;
    lastChangeMs = clock();
    if (readoutTimer == nullptr)
        readoutTimer = std::make_unique<UiTimer>(kReadoutPeriodMs, [this] { readoutTick(); });
    readoutTimer->start();
    invalid();
}

void LabelSlider::readoutTick()
{
    const double fadedMs = clock() - lastChangeMs - kReadoutHoldMs;
    if (fadedMs < 0.0)
        return;
    labelAlpha = static_cast<float>(std::min(1.0, fadedMs / kReadoutFadeMs));
    if (labelAlpha >= 1.0f)
        readoutTimer->stop();
    invalid();
}

float LabelSlider::valueAt(juce::Point<float> point) const
{
    const float span = trackEnd() - trackStart();
    if (!(span > 0.0f) || !std::isfinite(point.x))
        return 0.0f;
    return juce::jlimit(0.0f, 1.0f, (point.x - trackStart()) / span);
}

void LabelSlider::updateValueFromPoint(juce::Point<float> point)
{
    setValue(valueAt(point));
    valueChanged();
    flashReadout();
}

bool LabelSlider::onMouseDown(const PointerEvent& event)
{
    if (!event.onlyLeftButton)
        return false;
    dragging = true;
    beginEdit();
    updateValueFromPoint(event.position);
    return true;
}

bool LabelSlider::onMouseMoved(const PointerEvent& event)
{
    if (!dragging)
        return false;
    updateValueFromPoint(event.position);
    return true;
}

bool LabelSlider::onMouseUp(const PointerEvent&)
{
    if (!dragging)
        return false;
    dragging = false;
    endEdit();
    return true;
}

void LabelSlider::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    drawPill(g, bounds, kBlack, kOutlineGrey);

    const juce::Font font = makeUiFont(9.0f);
    const juce::Rectangle<float> caption(kCaptionLeft, 0.0f, kCaptionRight - kCaptionLeft,
                                         bounds.getHeight());
    if (labelAlpha > kInvisibleAlpha)
        drawTextLine(g, label, font, withAlphaByte(kOutlineGrey, labelAlpha), caption,
                     juce::Justification::centredLeft);
    const float readoutAlpha = 1.0f - labelAlpha;
    if (readoutAlpha > kInvisibleAlpha && !readoutText.empty())
        drawTextLine(g, readoutText, font, withAlphaByte(kAccent, readoutAlpha), caption,
                     juce::Justification::centredLeft);

    const float mid = bounds.getHeight() * 0.5f;
    g.setColour(kOutlineGrey);
    g.fillRect(juce::Rectangle<float>(trackStart(), mid - 0.5f, trackEnd() - trackStart(), 1.0f));
    const float x = trackStart() + getValueNormalized() * (trackEnd() - trackStart());
    g.fillEllipse(x - kThumbRadius, mid - kThumbRadius, 2.0f * kThumbRadius, 2.0f * kThumbRadius);
}

} // namespace Ryvel::ui
