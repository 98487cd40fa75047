// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's view tree: the header band, and the pattern and control pages of the body.

#include "editor/DesignRect.h"
#include "editor/RyvelEditor.h"

#include "editor/TextLabel.h"
#include "editor/ViewContainer.h"
#include "editor/controls/ChevronButton.h"
#include "editor/controls/DicePill.h"
#include "editor/controls/HeaderDivider.h"
#include "editor/controls/LabelSlider.h"
#include "editor/controls/MenuButton.h"
#include "editor/controls/PresetPill.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/SoftSwitch.h"
#include "editor/controls/StretchedBitmap.h"
#include "editor/controls/TabPill.h"
#include "editor/ui/Fonts.h"

#include <string>

namespace Ryvel
{

namespace
{

using Rect = juce::Rectangle<int>;

const juce::Colour kCaptionColour(110, 120, 132);
const juce::Colour kBodyColour(27, 24, 22);

// The five knob columns of the control page, left to right, with the parameter each carries.
struct KnobColumn
{
    const char* caption;
    int captionLeft;
    int knobLeft;
    ParamKind kind;
};
constexpr KnobColumn kKnobColumns[] = {
    {"GAIN", 108, 138, ParamKind::Gain},   {"PAN", 244, 274, ParamKind::Pan},
    {"FILT", 380, 410, ParamKind::Filter}, {"RESO", 516, 546, ParamKind::Reso},
    {"DIST", 652, 682, ParamKind::Drive},
};

} // namespace

void RyvelEditor::buildUI()
{
    const auto paramValue = [this](ParamId id) { return host.paramValue(id); };
    const juce::Font font = ui::pickFontFamily(ui::kCaptionFamilies, juce::Font::plain, 10.0f);
    const auto caption = [&](Rect bounds, std::string text, juce::Justification just)
    { return std::make_unique<TextLabel>(bounds, std::move(text), font, kCaptionColour, just); };

    auto* header = new ViewContainer(fromEdges(0, 0, 840, 40), juce::Colours::black);
    frame->addAndMakeVisible(header);

    tab = header->add(std::make_unique<ui::TabPill>(fromEdges(14, 9, 74, 31), this, kTabTag));
    tab->setSelectedPage(0);
    tab->invalid();
    tab->setIcons(bitmaps.iconPtrnIdle, bitmaps.iconPtrnActive, bitmaps.iconCtrlIdle,
                  bitmaps.iconCtrlActive);
    dice = header->add(std::make_unique<ui::DicePill>(fromEdges(307, 9, 329, 31), this, kDiceTag));
    presetPill = header->add(
        std::make_unique<ui::PresetPill>(fromEdges(335, 9, 479, 31), this, kPresetPillTag));
    presetPill->setName(currentPresetName);
    previousButton = header->add(
        std::make_unique<ui::ChevronButton>(fromEdges(485, 9, 507, 31), this, kPreviousTag, -1));
    nextButton = header->add(
        std::make_unique<ui::ChevronButton>(fromEdges(511, 9, 533, 31), this, kNextTag, 1));
    menuButton =
        header->add(std::make_unique<ui::MenuButton>(fromEdges(790, 9, 826, 31), this, kMenuTag));
    mix = header->add(std::make_unique<ui::LabelSlider>(fromEdges(696, 9, 782, 31), this,
                                                        static_cast<std::int32_t>(kMixId), "MIX",
                                                        ui::ValueFormat::Percent));
    mix->setValue(static_cast<float>(paramValue(kMixId)));
    highpass = header->add(std::make_unique<ui::LabelSlider>(fromEdges(602, 9, 688, 31), this,
                                                             static_cast<std::int32_t>(kHighPassId),
                                                             "HP", ui::ValueFormat::Frequency));
    highpass->setValue(static_cast<float>(paramValue(kHighPassId)));

    auto* body = new ViewContainer(fromEdges(0, 40, 840, 426), kBodyColour);
    frame->addAndMakeVisible(body);
    if (bitmaps.background.getWidth() > 0)
        body->add(
            std::make_unique<ui::StretchedBitmap>(fromEdges(0, 0, 840, 386), bitmaps.background));
    body->add(std::make_unique<ui::HeaderDivider>(fromEdges(32, 38, 796, 39)));

    patternPage = body->add(std::make_unique<ViewContainer>(fromEdges(0, 0, 840, 386),
                                                            juce::Colours::transparentBlack));
    for (int s = 0; s < kNumSteps; ++s)
        patternPage->add(caption(fromEdges(120 + 82 * s, 18, 194 + 82 * s, 36),
                                 "STEP " + std::to_string(s + 1), juce::Justification::centred));
    for (int v = 0; v < kNumVoices; ++v)
    {
        patternPage->add(caption(fromEdges(32, 54 + 78 * v, 108, 110 + 78 * v),
                                 "VOICE " + std::to_string(v + 1),
                                 juce::Justification::centredLeft));
        for (int s = 0; s < kNumSteps; ++s)
        {
            const ParamId id = stepId(v, s);
            stepSwitches[id] = patternPage->add(std::make_unique<ui::SoftSwitch>(
                fromEdges(107 + 82 * s, 54 + 78 * v, 194 + 82 * s, 119 + 78 * v), this,
                static_cast<std::int32_t>(id), v, s, bitmaps.buttonOff, bitmaps.buttonOn,
                bitmaps.buttonPressed, bitmaps.buttonActive));
        }
    }

    controlPage = body->add(std::make_unique<ViewContainer>(fromEdges(0, 0, 840, 386),
                                                            juce::Colours::transparentBlack));
    for (const KnobColumn& column : kKnobColumns)
        controlPage->add(caption(fromEdges(column.captionLeft, 18, column.captionLeft + 128, 36),
                                 column.caption, juce::Justification::centred));
    for (int v = 0; v < kNumVoices; ++v)
    {
        controlPage->add(caption(fromEdges(32, 54 + 78 * v, 108, 110 + 78 * v),
                                 "VOICE " + std::to_string(v + 1),
                                 juce::Justification::centredLeft));
        for (const KnobColumn& column : kKnobColumns)
        {
            const ParamId id = voiceParamId(column.kind, v);
            auto* k = controlPage->add(std::make_unique<ui::SoftKnob>(
                fromEdges(column.knobLeft, 48 + 78 * v, column.knobLeft + 68, 116 + 78 * v), this,
                static_cast<std::int32_t>(id), bitmaps.knobStrip));
            k->setMin(0.0f);
            k->setMax(1.0f);
            k->setDefaultValue(static_cast<float>(defaultValue(id)));
            k->setValue(static_cast<float>(paramValue(id)));
            const auto index = static_cast<size_t>(v);
            switch (column.kind)
            {
            case ParamKind::Gain:
                gainKnobs[index] = k;
                break;
            case ParamKind::Pan:
                panKnobs[index] = k;
                break;
            case ParamKind::Filter:
                filterKnobs[index] = k;
                break;
            case ParamKind::Reso:
                resoKnobs[index] = k;
                break;
            default:
                driveKnobs[index] = k;
                break;
            }
        }
    }

    selectTab(0);
}

} // namespace Ryvel
