// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's frame, layout, parameter binding and playhead, without a window.

#include "EditorFixture.h"

#include "editor/controls/ChevronButton.h"
#include "editor/controls/DicePill.h"
#include "editor/controls/LabelSlider.h"
#include "editor/controls/MenuButton.h"
#include "editor/controls/PresetPill.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/SoftSwitch.h"
#include "editor/controls/TabPill.h"
#include "editor/ui/UiTimer.h"
#include "formats/vst3/RyvelProcessor.h"
#include "formats/vst3/RyvelShared.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Ryvel;
using namespace Ryvel::Testing;

namespace
{

using Rect = juce::Rectangle<int>;
Rect edges(int l, int t, int r, int b)
{
    return Rect::leftTopRightBottom(l, t, r, b);
}

// A view's rect in frame (design) coordinates.
Rect inFrame(RyvelEditor& editor, juce::Component& view)
{
    return editor.getFrame()->getLocalArea(view.getParentComponent(), view.getBounds());
}

using EditorView = EditorFixture;

TEST_F(EditorView, OpensAtTheStoredZoomAndResizesOnlyThroughApplyZoom)
{
    Steinberg::ViewRect size;
    view->getSize(&size);
    EXPECT_EQ(size.getWidth(), 1050); // nothing stored: 1.25
    EXPECT_EQ(size.getHeight(), 532);
    EXPECT_EQ(view->canResize(), Steinberg::kResultFalse);

    const struct
    {
        double zoom;
        int width, height;
    } cases[] = {{1.5, 1260, 639}, {1.75, 1470, 745}, {1.25, 1050, 532}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.zoom);
        editor->applyZoom(c.zoom);
        view->getSize(&size);
        EXPECT_EQ(size.getWidth(), c.width);
        EXPECT_EQ(size.getHeight(), c.height);
        EXPECT_EQ(editor->renderSnapshot().getWidth(), c.width);
    }
    editor->applyZoom(0.0);
    editor->applyZoom(-2.0);
    view->getSize(&size);
    EXPECT_EQ(size.getWidth(), 1050);

    // The zoom persists: a new editor opens at the last one chosen.
    editor->applyZoom(1.75);
    auto* second = new RyvelPlugView(*controller);
    second->getSize(&size);
    EXPECT_EQ(size.getWidth(), 1470);
    second->release();
}

TEST_F(EditorView, LaysOutTheGridAndKnobsWhereTheDesignPutsThem)
{
    struct Case
    {
        int voice, step;
        Rect expected;
    };
    for (const Case& c : {Case{1, 4, edges(435, 132 + 40, 522, 197 + 40)},
                          Case{0, 0, edges(107, 54 + 40, 194, 119 + 40)},
                          Case{3, 7, edges(681, 288 + 40, 768, 353 + 40)}})
    {
        SCOPED_TRACE(testing::Message() << c.voice << "/" << c.step);
        ui::SoftSwitch* sw = editor->stepSwitch(c.voice, c.step);
        ASSERT_NE(sw, nullptr);
        EXPECT_EQ(sw->getTag(), 8 * c.voice + c.step);
        EXPECT_EQ(inFrame(*editor, *sw), c.expected);
    }
    // Every switch and knob follows its grid; the body starts 40 pixels down in the frame.
    for (int v = 0; v < kNumVoices; ++v)
    {
        for (int st = 0; st < kNumSteps; ++st)
            EXPECT_EQ(inFrame(*editor, *editor->stepSwitch(v, st)),
                      edges(107 + 82 * st, 94 + 78 * v, 194 + 82 * st, 159 + 78 * v));
        const int left[] = {138, 274, 682, 410, 546}; // gain, pan, drive, filter, reso
        for (int k = 0; k < 5; ++k)
        {
            ui::SoftKnob* knob = editor->knob(voiceParamId(kVoiceKinds[static_cast<size_t>(k)], v));
            ASSERT_NE(knob, nullptr);
            EXPECT_EQ(inFrame(*editor, *knob),
                      edges(left[k], 88 + 78 * v, left[k] + 68, 156 + 78 * v));
        }
    }
    struct KnobCase
    {
        ParamId id;
        Rect expected;
    };
    for (const KnobCase& c : {KnobCase{155, edges(546, 282 + 40, 614, 350 + 40)},
                              KnobCase{128, edges(138, 48 + 40, 206, 116 + 40)},
                              KnobCase{146, edges(682, 204 + 40, 750, 272 + 40)},
                              KnobCase{137, edges(274, 126 + 40, 342, 194 + 40)}})
    {
        SCOPED_TRACE(c.id);
        ui::SoftKnob* k = editor->knob(c.id);
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k->getTag(), static_cast<std::int32_t>(c.id));
        EXPECT_EQ(inFrame(*editor, *k), c.expected);
    }
    EXPECT_EQ(inFrame(*editor, *editor->mixSlider()), edges(696, 9, 782, 31));
    EXPECT_EQ(inFrame(*editor, *editor->highpassSlider()), edges(602, 9, 688, 31));
    EXPECT_EQ(inFrame(*editor, *editor->tabPill()), edges(14, 9, 74, 31));
    EXPECT_EQ(inFrame(*editor, *editor->presetPillView()), edges(335, 9, 479, 31));
    EXPECT_EQ(inFrame(*editor, *editor->chevron(-1)), edges(485, 9, 507, 31));
    EXPECT_EQ(inFrame(*editor, *editor->chevron(1)), edges(511, 9, 533, 31));
    EXPECT_EQ(inFrame(*editor, *editor->diceButton()), edges(307, 9, 329, 31));
    EXPECT_EQ(inFrame(*editor, *editor->actionsButton()), edges(790, 9, 826, 31));
}

TEST_F(EditorView, TabsSwitchPagesAndAnyOtherValueHidesBoth)
{
    EXPECT_TRUE(editor->patternPageView()->isVisible());
    EXPECT_FALSE(editor->controlPageView()->isVisible());
    // The left half is already selected: nothing happens.
    editor->tabPill()->onMouseDown(ui::PointerEvent::at(10.0f, 10.0f));
    EXPECT_TRUE(editor->patternPageView()->isVisible());

    ui::PointerEvent right = ui::PointerEvent::at(50.0f, 10.0f);
    editor->tabPill()->onMouseDown(right);
    EXPECT_FALSE(editor->patternPageView()->isVisible());
    EXPECT_TRUE(editor->controlPageView()->isVisible());

    editor->selectTab(2);
    EXPECT_FALSE(editor->patternPageView()->isVisible());
    EXPECT_FALSE(editor->controlPageView()->isVisible());
    EXPECT_TRUE(handler.events.empty()) << "page switches are not parameter edits";
}

TEST_F(EditorView, ControlsStartAtTheControllersValues)
{
    controller->setParamNormalized(153, 0.25);
    controller->setParamNormalized(12, 1.0);
    controller->setParamNormalized(kMixId, 0.8);
    editor->close();
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_FLOAT_EQ(editor->knob(153)->getValue(), 0.25f);
    EXPECT_FLOAT_EQ(editor->knob(128)->getValue(), 0.7f);
    EXPECT_EQ(editor->stepSwitch(1, 4)->getValue(), 1.0f);
    EXPECT_FLOAT_EQ(editor->mixSlider()->getValue(), 0.8f);
}

TEST_F(EditorView, AClickOnASwitchIsOneCompleteHostEdit)
{
    editor->loadFactoryPresetByName("Thumper");
    ASSERT_TRUE(editor->isCurrentPresetFactory());
    handler.events.clear();
    ui::SoftSwitch* sw = editor->stepSwitch(2, 5); // ID 21, off in Thumper
    ASSERT_EQ(sw->getValue(), 0.0f);
    click(*sw);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"begin 21", "perform 21 1", "end 21"}));
    EXPECT_EQ(controller->getParamNormalized(21), 1.0);
    EXPECT_FALSE(editor->isCurrentPresetFactory());
    EXPECT_EQ(editor->presetName(), "Thumper");
}

TEST_F(EditorView, AutomationMovesControlsWithoutEchoOrReadout)
{
    ui::SoftSwitch* sw = editor->stepSwitch(0, 3);
    controller->setParamNormalized(3, 0.7);
    EXPECT_EQ(sw->getValue(), 1.0f);
    controller->setParamNormalized(3, 0.6);
    EXPECT_EQ(sw->getValue(), 1.0f);
    controller->setParamNormalized(3, 0.2);
    EXPECT_EQ(sw->getValue(), 0.0f);

    ui::SoftKnob* k = editor->knob(150);
    controller->setParamNormalized(150, 0.5);
    ASSERT_FLOAT_EQ(k->getValue(), 0.5f);
    controller->setParamNormalized(150, 0.5 + 1e-7);
    EXPECT_EQ(k->getValue(), 0.5f);
    controller->setParamNormalized(150, 0.5 + 1e-5);
    EXPECT_EQ(k->getValue(), static_cast<float>(0.5 + 1e-5));

    controller->setParamNormalized(kMixId, 0.25);
    EXPECT_FLOAT_EQ(editor->mixSlider()->getValue(), 0.25f);
    EXPECT_TRUE(editor->mixSlider()->getReadoutText().empty());
    EXPECT_TRUE(handler.events.empty()) << "nothing echoes back to the host";

    // Dragging the slider is an edit per value and shows the readout.
    ui::LabelSlider* mix = editor->mixSlider();
    mix->onMouseDown(ui::PointerEvent::at(mix->getWidth() - 11.0f, 10.0f));
    mix->onMouseUp(ui::PointerEvent::at(mix->getWidth() - 11.0f, 10.0f));
    EXPECT_EQ(mix->getReadoutText(), "100%");
    EXPECT_EQ(controller->getParamNormalized(kMixId), 1.0);
    EXPECT_EQ(handler.events.front(), "begin 162");
}

// Whether the processor, given `value` for voice 1's first step, echoes a click a step later.
bool processorPlaysFirstStep(double value)
{
    TestHost::ProcessorDriver driver(
        TestHost::Ref<Steinberg::Vst::IComponent>(new RyvelProcessor()), 44100.0);
    EXPECT_TRUE(driver.ready());
    driver.changes.add(stepId(0, 0), value);
    std::vector<float> in(8192, 0.0f), outL(in.size()), outR(in.size());
    in[0] = 1.0f;
    driver.process(in.data(), in.data(), outL.data(), outR.data(), static_cast<int>(in.size()));
    // At 120 BPM the echo is due 5512 samples after the click; nothing else sounds there.
    float peak = 0.0f;
    for (std::size_t i = 5000; i < in.size(); ++i)
        peak = std::max(peak, std::fabs(outL[i]));
    return peak > 1e-3f;
}

// Automation at the switch law's edge: the grid must show what the audio plays, whether the
// value arrives while the editor is open or is there when it opens.
TEST_F(EditorView, StepSwitchesAgreeWithTheProcessorAtExactlyHalfAndJustBelow)
{
    struct Case
    {
        const char* name;
        double value;
        bool on;
    };
    const double below = std::nextafter(0.5, 0.0);
    // Alternating, so that every value has to move the switch.
    for (const Case c : {Case{"exactly 0.5", 0.5, true}, Case{"just below 0.5", below, false},
                         Case{"exactly 0.5 again", 0.5, true}})
    {
        SCOPED_TRACE(c.name);
        controller->setParamNormalized(stepId(0, 0), c.value);
        EXPECT_EQ(editor->stepSwitch(0, 0)->isOn(), c.on) << "automation into the open editor";
        editor->close();
        ASSERT_TRUE(editor->open(nullptr));
        EXPECT_EQ(editor->stepSwitch(0, 0)->isOn(), c.on) << "editor opened on the value";
        EXPECT_EQ(processorPlaysFirstStep(c.value), c.on);
    }
}

TEST_F(EditorView, AfterCloseTheControllerForwardsNothing)
{
    editor->close();
    EXPECT_EQ(controller->currentEditor(), nullptr);
    controller->setParamNormalized(128, 0.1); // would touch a deleted knob if still registered
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(controller->currentEditor(), editor);
    EXPECT_FLOAT_EQ(editor->knob(128)->getValue(), 0.1f);
    EXPECT_TRUE(editor->patternPageView()->isVisible());
}

TEST_F(EditorView, PlayheadFlashesActiveStepsOncePerNewStep)
{
    controller->setParamNormalized(stepId(0, 1), 1.0);
    controller->setParamNormalized(stepId(2, 1), 1.0);
    controller->setParamNormalized(stepId(1, 2), 1.0);
    // The flashes fade by the clock, which here moves only when the test moves it.
    double nowMs = 0.0;
    for (int v = 0; v < kNumVoices; ++v)
        for (int s = 0; s < kNumSteps; ++s)
            editor->stepSwitch(v, s)->setClock([&nowMs] { return nowMs; });
    auto flashing = [&]
    {
        std::vector<ParamId> ids;
        for (int v = 0; v < kNumVoices; ++v)
            for (int s = 0; s < kNumSteps; ++s)
                if (editor->stepSwitch(v, s)->getFlashAlpha() > 0.0f)
                    ids.push_back(stepId(v, s));
        return ids;
    };
    RyvelShared::playheadStep.store(-1);
    editor->pollPlayhead();
    RyvelShared::playheadStep.store(0);
    editor->pollPlayhead();
    EXPECT_TRUE(flashing().empty());
    RyvelShared::playheadStep.store(1);
    editor->pollPlayhead();
    EXPECT_EQ(flashing(), (std::vector<ParamId>{stepId(0, 1), stepId(2, 1)}));
    // Let the flashes fade out completely.
    nowMs += ui::SoftSwitch::kFlashFadeMs;
    for (int v : {0, 2})
        if (auto* timer = editor->stepSwitch(v, 1)->getFlashTimer())
            timer->fire();
    EXPECT_TRUE(flashing().empty());
    editor->pollPlayhead(); // same step again: nothing
    EXPECT_TRUE(flashing().empty());
    // Stop at step 1, restart so that step 1 is the first shown: no flash for it.
    RyvelShared::playheadStep.store(-1);
    editor->pollPlayhead();
    RyvelShared::playheadStep.store(1);
    editor->pollPlayhead();
    EXPECT_TRUE(flashing().empty());
    RyvelShared::playheadStep.store(2);
    editor->pollPlayhead();
    EXPECT_EQ(flashing(), (std::vector<ParamId>{stepId(1, 2)}));
    RyvelShared::playheadStep.store(-1);
}

TEST_F(EditorView, SnapshotShowsHeaderGridAndKnobs)
{
    controller->setParamNormalized(0, 1.0);
    juce::Image image = editor->renderSnapshot();
    ASSERT_EQ(image.getWidth(), 1050);
    ASSERT_EQ(image.getHeight(), 532);
    const auto at = [&](float x, float y)
    { return image.getPixelAt(static_cast<int>(x * 1.25f), static_cast<int>(y * 1.25f)); };
    const juce::Colour header = at(200, 4);
    EXPECT_LT(header.getRed() + header.getGreen() + header.getBlue(), 20);
    const juce::Colour on = at(150, 126);
    const juce::Colour off = at(232, 126);
    EXPECT_GT(on.getRed() - on.getGreen(), 60) << "an on switch shows the accent";
    EXPECT_LT(std::abs(off.getRed() - off.getGreen()), 40);

    // The control page: the knobs are drawn where the grid was, the header stays.
    editor->selectTab(1);
    controller->setParamNormalized(128, 1.0);
    image = editor->renderSnapshot();
    ASSERT_EQ(image.getWidth(), 1050);
    const juce::Colour knobFace = at(172, 122);
    const juce::Colour beside = at(110, 122);
    EXPECT_NE(knobFace, beside) << "a knob is drawn at its place";
    const juce::Colour controlHeader = at(200, 4);
    EXPECT_LT(controlHeader.getRed() + controlHeader.getGreen() + controlHeader.getBlue(), 20);
}

} // namespace
