// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/RyvelEditor.h"

#include "editor/GuiToolkit.h"
#include "editor/ViewContainer.h"
#include "editor/controls/LabelSlider.h"
#include "editor/controls/SoftKnob.h"
#include "editor/controls/SoftSwitch.h"
#include "editor/controls/TabPill.h"
#include "editor/ui/Bitmaps.h"
#include "editor/ui/Fonts.h"
#include "editor/ui/RyvelLookAndFeel.h"
#include "platform/PlatformServices.h"
#include "shell/HostBoundary.h"
#include "shell/RyvelController.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace Ryvel
{

using namespace Steinberg;

namespace
{

// The platform view: pixel-sized, holds the design-sized frame scaled to fit.
class EditorWindow final : public juce::Component
{
public:
    EditorWindow() { setOpaque(true); }
    void paint(juce::Graphics& g) override { g.fillAll(juce::Colours::black); }
};

// JUCE finds typefaces through its default look-and-feel, so the one that knows the bundled
// fonts is made the default while any editor is open, and removed with the last one (before
// the module may shut the toolkit down).
int openEditors = 0;
std::unique_ptr<ui::RyvelLookAndFeel> sharedLookAndFeel;

juce::LookAndFeel& acquireLookAndFeel()
{
    if (openEditors++ == 0)
    {
        sharedLookAndFeel = std::make_unique<ui::RyvelLookAndFeel>();
        juce::LookAndFeel::setDefaultLookAndFeel(sharedLookAndFeel.get());
    }
    return *sharedLookAndFeel;
}

void releaseLookAndFeel()
{
    if (openEditors == 0 || --openEditors > 0)
        return;
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    sharedLookAndFeel.reset();
}

// Above any display's scale. With the largest zoom the view stays a few tens of thousands of
// pixels wide, far inside the 32-bit sizes the host and the toolkit work in.
constexpr float kMaxContentScale = 8.0f;

// A host rect whose extents are non-negative and fit in 32 bits (computed without overflow).
bool isValidSize(const ViewRect& r)
{
    const std::int64_t width = std::int64_t{r.right} - r.left;
    const std::int64_t height = std::int64_t{r.bottom} - r.top;
    constexpr std::int64_t kMax = std::numeric_limits<int32>::max();
    return width >= 0 && height >= 0 && width <= kMax && height <= kMax;
}

} // namespace

juce::Component* RyvelEditor::patternPageView() const
{
    return patternPage;
}
juce::Component* RyvelEditor::controlPageView() const
{
    return controlPage;
}

RyvelEditor::RyvelEditor(Vst::EditController* controller) : EditorView(controller)
{
    zoom = presetManager.loadZoom();
    updateViewRect();
}

RyvelEditor::~RyvelEditor()
{
    // Hosts may release a view without removing it first; the controller must not keep a
    // pointer to it, and no timer may outlive it.
    if (isOpen())
        close();
    if (hostRunLoopAttached)
        GuiToolkit::detachHostRunLoop(*this);
    if (RyvelController* c = ryvelController())
        c->unregisterEditor(this);
}

RyvelController* RyvelEditor::ryvelController() const
{
    return dynamic_cast<RyvelController*>(getController());
}

void RyvelEditor::updateViewRect()
{
    const juce::Rectangle<int> r = EditorFrame::viewRectFor(effectiveScale());
    rect = ViewRect(0, 0, r.getWidth(), r.getHeight());
}

tresult PLUGIN_API RyvelEditor::isPlatformTypeSupported(FIDString type)
{
    if (type != nullptr && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0)
        return kResultTrue;
    return kResultFalse;
}

tresult PLUGIN_API RyvelEditor::attached(void* parent, FIDString type)
{
    if (parent == nullptr)
        return kInvalidArgument;
    if (isPlatformTypeSupported(type) != kResultTrue)
        return kResultFalse;
    const tresult result = guardHostCall("attached",
                                         [&]() -> tresult
                                         {
                                             if (!GuiToolkit::attachHostRunLoop(plugFrame, *this))
                                                 return kResultFalse;
                                             hostRunLoopAttached = true;
                                             EditorView::attached(parent, type);
                                             return open(parent) ? kResultOk : kResultFalse;
                                         });
    // The host treats a failed attach as no attach: whatever was built goes again.
    if (result != kResultOk)
        removed();
    return result;
}

void RyvelEditor::onFrame()
{
    if (isOpen())
        pollPlayhead();
}

tresult PLUGIN_API RyvelEditor::removed()
{
    const tresult closed = guardHostCall("removed",
                                         [this]
                                         {
                                             close();
                                             return kResultOk;
                                         });
    if (hostRunLoopAttached)
    {
        GuiToolkit::detachHostRunLoop(*this);
        hostRunLoopAttached = false;
    }
    const tresult result = EditorView::removed();
    return closed == kResultOk ? result : closed;
}

tresult PLUGIN_API RyvelEditor::onSize(ViewRect* newSize)
{
    if (newSize == nullptr || !isValidSize(*newSize))
        return kInvalidArgument;
    return guardHostCall("onSize",
                         [&]
                         {
                             rect = *newSize;
                             if (window != nullptr)
                                 window->setSize(newSize->getWidth(), newSize->getHeight());
                             return kResultTrue;
                         });
}

tresult PLUGIN_API RyvelEditor::setContentScaleFactor(ScaleFactor factor)
{
    if (!std::isfinite(factor) || !(factor > 0.0f) || factor > kMaxContentScale)
        return kInvalidArgument;
    return guardHostCall("setContentScaleFactor",
                         [&]
                         {
                             contentScale = factor;
                             rescale();
                             return kResultTrue;
                         });
}

void RyvelEditor::loadBitmaps()
{
    const std::string dir = resourcesDir.empty() ? ui::bundleResourcesDir() : resourcesDir;
    bitmaps.background = ui::loadBitmap(dir, "background.png");
    bitmaps.buttonOff = ui::loadBitmap(dir, "button_off.png");
    bitmaps.buttonOn = ui::loadBitmap(dir, "button_on.png");
    bitmaps.buttonPressed = ui::loadBitmap(dir, "button_pressed.png");
    bitmaps.buttonActive = ui::loadBitmap(dir, "button_active.png");
    bitmaps.knobStrip = ui::loadBitmap(dir, "knob_strip.png");
    bitmaps.iconPtrnIdle = ui::loadBitmap(dir, "icon_ptrn_idle.png");
    bitmaps.iconPtrnActive = ui::loadBitmap(dir, "icon_ptrn_active.png");
    bitmaps.iconCtrlIdle = ui::loadBitmap(dir, "icon_ctrl_idle.png");
    bitmaps.iconCtrlActive = ui::loadBitmap(dir, "icon_ctrl_active.png");
}

bool RyvelEditor::open(void* parent)
{
    if (isOpen())
        close();

    presetManager.extractFactoryPresetsIfMissing();
    registerBundledFontsMac(); // before anything makes a font

    window = std::make_unique<EditorWindow>();
    window->setLookAndFeel(&acquireLookAndFeel());
    frame = std::make_unique<EditorFrame>();
    window->addAndMakeVisible(*frame);
    frame->setScale(effectiveScale());
    updateViewRect();
    window->setSize(rect.getWidth(), rect.getHeight());

    loadBitmaps();
    buildUI();
    syncGridFromController();

    openToken = std::make_shared<RyvelEditor*>(this);
    if (RyvelController* c = ryvelController())
    {
        knobModeChanged(c->hostKnobMode());
        c->registerEditor(this);
    }

    if (parent != nullptr)
    {
        window->addToDesktop(0, parent);
        window->setVisible(true);
    }

    lastPlayheadStep = -1;
    return true;
}

void RyvelEditor::close()
{
    // Menus first: they would otherwise stay on screen, and entries chosen later would find
    // the editor closed (whileOpen makes them do nothing then).
    dismissMenus();
    openToken.reset();
    if (RyvelController* c = ryvelController())
        c->unregisterEditor(this);
    closeSaveDialog();
    closeAboutDialog();
    closeUpdateCheckDialog();
    // An open rename ends without committing; the field goes with the frame.
    renameField = nullptr;

    if (frame != nullptr)
    {
        presetPill = nullptr;
        tab = nullptr;
        menuButton = nullptr;
        mix = highpass = nullptr;
        previousButton = nextButton = nullptr;
        dice = nullptr;
        patternPage = controlPage = nullptr;
        stepSwitches.fill(nullptr);
        for (auto* knobs : {&gainKnobs, &panKnobs, &filterKnobs, &resoKnobs, &driveKnobs})
            knobs->fill(nullptr);
        frame.reset();
    }
    if (window != nullptr)
    {
        window->setLookAndFeel(nullptr);
        window.reset();
        releaseLookAndFeel();
    }
    // No toolkit timer may outlive the frame (or the host's run loop behind it). Stopped last:
    // tearing the views down can still defer an action (a rename field that loses the focus).
    if (deferredActionTimer != nullptr)
        deferredActionTimer->stop();
    if (presetMenuTimer != nullptr)
        presetMenuTimer->stop();
}

void RyvelEditor::selectTab(int page)
{
    if (tab != nullptr)
    {
        tab->setSelectedPage(page);
        tab->invalid();
    }
    if (patternPage != nullptr)
        patternPage->setVisible(page == 0);
    if (controlPage != nullptr)
        controlPage->setVisible(page == 1);
}

void RyvelEditor::applyZoom(double z)
{
    if (!(z > 0.0) || !std::isfinite(z))
        return;
    zoom = z;
    presetManager.saveZoom(z);
    rescale();
}

void RyvelEditor::rescale()
{
    updateViewRect();
    if (frame == nullptr)
        return;
    frame->setScale(effectiveScale());
    if (plugFrame != nullptr)
    {
        ViewRect newRect = rect;
        plugFrame->resizeView(this, &newRect);
    }
    window->setSize(rect.getWidth(), rect.getHeight());
}

juce::Image RyvelEditor::renderSnapshot()
{
    if (window == nullptr)
        return {};
    return window->createComponentSnapshot(window->getLocalBounds(), true, 1.0f);
}

ui::SoftSwitch* RyvelEditor::stepSwitch(int voice, int step) const
{
    if (voice < 0 || voice >= kNumVoices || step < 0 || step >= kNumSteps)
        return nullptr;
    return stepSwitches[static_cast<size_t>(stepId(voice, step))];
}

} // namespace Ryvel
