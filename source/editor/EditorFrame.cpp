// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/EditorFrame.h"

namespace Ryvel
{

EditorFrame::EditorFrame()
{
    setOpaque(true);
    setBounds(0, 0, kEditorWidth, kEditorHeight);
}

EditorFrame::~EditorFrame()
{
    // Modal views go first: they may refer to the views below them.
    sessions.clear();
    deleteAllChildren();
}

juce::Rectangle<int> EditorFrame::viewRectFor(double scale)
{
    return {0, 0, static_cast<int>(kEditorWidth * scale), static_cast<int>(kEditorHeight * scale)};
}

void EditorFrame::setScale(double newScale)
{
    if (!(newScale > 0.0))
        return;
    scale = newScale;
    setTransform(juce::AffineTransform::scale(static_cast<float>(scale)));
}

std::optional<std::uint32_t>
EditorFrame::beginModalViewSession(std::unique_ptr<juce::Component> view)
{
    if (view == nullptr)
        return std::nullopt;
    addAndMakeVisible(*view);
    view->toFront(false);
    const std::uint32_t id = nextSessionId++;
    sessions.push_back(Session{id, std::move(view)});
    return id;
}

bool EditorFrame::endModalViewSession(std::uint32_t id)
{
    for (auto it = sessions.begin(); it != sessions.end(); ++it)
    {
        if (it->id != id)
            continue;
        std::unique_ptr<juce::Component> view = std::move(it->view);
        sessions.erase(it);
        removeChildComponent(view.get());
        return true;
    }
    return false;
}

juce::Component* EditorFrame::modalView(std::uint32_t id) const
{
    for (const Session& s : sessions)
        if (s.id == id)
            return s.view.get();
    return nullptr;
}

void EditorFrame::paint(juce::Graphics& g)
{
    g.fillAll(juce::Colours::black);
}

} // namespace Ryvel
