// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's root view in design coordinates (840 x 426 at zoom 1), scaled as a whole by the
// zoom and the host's content scale, plus the modal view sessions that dialogs run in. A modal
// view covers the whole frame; ending its session removes and deletes it. UI thread only.

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Ryvel
{

class EditorFrame final : public juce::Component
{
public:
    static constexpr int kEditorWidth = 840;
    static constexpr int kEditorHeight = 426;

    EditorFrame();
    ~EditorFrame() override;

    // Pixel size of the platform view for a scale factor: each side truncated toward zero.
    static juce::Rectangle<int> viewRectFor(double scale);
    void setScale(double scale);
    double getScale() const { return scale; }

    std::optional<std::uint32_t> beginModalViewSession(std::unique_ptr<juce::Component> view);
    bool endModalViewSession(std::uint32_t id);
    bool hasModalView() const { return !sessions.empty(); }
    juce::Component* modalView(std::uint32_t id) const;

    void paint(juce::Graphics& g) override;

private:
    struct Session
    {
        std::uint32_t id;
        std::unique_ptr<juce::Component> view;
    };
    std::vector<Session> sessions;
    std::uint32_t nextSessionId = 1;
    double scale = 1.0;
};

} // namespace Ryvel
