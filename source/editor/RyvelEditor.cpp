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

#include <cmath>

namespace Ryvel
{

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

} // namespace

juce::Component* RyvelEditor::patternPageView() const
{
    return patternPage;
}
juce::Component* RyvelEditor::controlPageView() const
{
    return controlPage;
}

RyvelEditor::RyvelEditor(EditorHost& h) : host(h)
{
    zoom = presetManager.loadZoom();
}

RyvelEditor::~RyvelEditor()
{
    // Hosts may release a view without removing it first; the host side must not keep a
    // pointer to the editor, and no timer may outlive it.
    if (isOpen())
        close();
    if (uiLoopAttached)
        host.detachUiLoop(*this);
    host.unregisterEditor(this);
}

void RyvelEditor::onFrame()
{
    if (isOpen())
        pollPlayhead();
}

int RyvelEditor::viewWidth() const
{
    return EditorFrame::viewRectFor(effectiveScale()).getWidth();
}

int RyvelEditor::viewHeight() const
{
    return EditorFrame::viewRectFor(effectiveScale()).getHeight();
}

void RyvelEditor::setWindowSize(int width, int height)
{
    if (window != nullptr)
        window->setSize(width, height);
}

void* RyvelEditor::nativeWindow() const
{
    return window != nullptr ? window->getWindowHandle() : nullptr;
}

void RyvelEditor::setContentScale(double scale)
{
    if (!(scale > 0.0) || !std::isfinite(scale))
        return;
    contentScale = scale;
    rescale();
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
    if (parent != nullptr)
    {
        // Without the host's loop nothing would paint and no timer would run.
        if (!host.attachUiLoop(*this))
            return false;
        uiLoopAttached = true;
    }

    presetManager.extractFactoryPresetsIfMissing();
    registerBundledFontsMac(); // before anything makes a font

    window = std::make_unique<EditorWindow>();
    window->setLookAndFeel(&acquireLookAndFeel());
    frame = std::make_unique<EditorFrame>();
    window->addAndMakeVisible(*frame);
    frame->setScale(effectiveScale());
    window->setSize(viewWidth(), viewHeight());

    loadBitmaps();
    buildUI();
    syncGridFromController();

    openToken = std::make_shared<RyvelEditor*>(this);
    knobModeChanged(host.knobMode());
    host.registerEditor(this);

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
    host.unregisterEditor(this);
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
    if (uiLoopAttached)
    {
        uiLoopAttached = false;
        host.detachUiLoop(*this);
    }
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
    if (frame == nullptr)
        return;
    frame->setScale(effectiveScale());
    // The host may answer with another size of its own (setWindowSize) before this returns.
    window->setSize(viewWidth(), viewHeight());
    host.requestResize(viewWidth(), viewHeight());
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
