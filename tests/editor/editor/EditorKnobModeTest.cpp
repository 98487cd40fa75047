// SPDX-License-Identifier: GPL-3.0-or-later
// The host's knob mode, from IEditController2::setKnobMode to the knobs of an open editor.

#include "EditorFixture.h"

#include "editor/controls/SoftKnob.h"

#include <cmath>

using namespace Steinberg;
using namespace Ryvel;
using namespace Ryvel::Testing;

namespace
{

using Drag = ui::SoftKnob::DragMode;

class EditorKnobMode : public EditorFixture
{
protected:
    // Every knob of the control page drags in `mode`.
    void expectEveryKnob(Drag mode)
    {
        for (ParamKind kind : {ParamKind::Gain, ParamKind::Pan, ParamKind::Filter, ParamKind::Reso,
                               ParamKind::Drive})
            for (int v = 0; v < kNumVoices; ++v)
            {
                ui::SoftKnob* k = editor->knob(voiceParamId(kind, v));
                ASSERT_NE(k, nullptr);
                EXPECT_EQ(k->getDragMode(), mode) << voiceParamId(kind, v);
            }
    }

    // A press left of voice 1's gain knob and a drag over its top to its right: what the host
    // was sent.
    double dragGainKnob()
    {
        ui::SoftKnob& k = *editor->knob(128);
        controller->setParamNormalized(128, 0.5);
        k.setValue(0.5f);
        k.onMouseDown(ui::PointerEvent::at(4, 34));
        k.onMouseMoved(ui::PointerEvent::at(34, 4));
        k.onMouseMoved(ui::PointerEvent::at(64, 34));
        k.onMouseUp(ui::PointerEvent::at(64, 34));
        return controller->getParamNormalized(128);
    }
};

TEST_F(EditorKnobMode, KnobsDragVerticallyUntilTheHostChoosesAMode)
{
    EXPECT_EQ(controller->hostKnobMode(), HostKnobMode::NotSet);
    expectEveryKnob(Drag::Vertical);
    EXPECT_NEAR(dragGainKnob(), 0.8, 1e-6); // 60 px right
}

TEST_F(EditorKnobMode, AnOpenEditorFollowsEachModeAtOnceAndIgnoresUnknownOnes)
{
    struct Case
    {
        Vst::KnobMode mode;
        HostKnobMode recorded;
        Drag drag;
        double afterDrag; // from 0.5, see dragGainKnob
    };
    // Circular: 90 degrees right of straight up is 225 of the arc's 270. Relative: half a turn
    // from 0.5 reaches the end.
    for (const Case& c :
         {Case{Vst::kCircularMode, HostKnobMode::Circular, Drag::Circular, 225.0 / 270.0},
          Case{Vst::kRelativCircularMode, HostKnobMode::RelativeCircular, Drag::RelativeCircular,
               1.0},
          Case{Vst::kLinearMode, HostKnobMode::Linear, Drag::Vertical, 0.8}})
    {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(controller->setKnobMode(c.mode), kResultOk);
        EXPECT_EQ(controller->hostKnobMode(), c.recorded);
        expectEveryKnob(c.drag);
        EXPECT_NEAR(dragGainKnob(), c.afterDrag, 1e-6);

        for (Vst::KnobMode unknown : {3, -1, 0x7fffffff})
            EXPECT_EQ(controller->setKnobMode(unknown), kResultFalse) << unknown;
        EXPECT_EQ(controller->hostKnobMode(), c.recorded);
        expectEveryKnob(c.drag);
    }
}

TEST_F(EditorKnobMode, AnEditorOpenedLaterStartsInTheModeChosenWhileItWasClosed)
{
    editor->close();
    ASSERT_EQ(controller->setKnobMode(Vst::kRelativCircularMode), kResultOk);
    ASSERT_TRUE(editor->open(nullptr));
    expectEveryKnob(Drag::RelativeCircular);
}

} // namespace
