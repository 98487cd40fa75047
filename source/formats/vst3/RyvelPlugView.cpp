// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3/RyvelPlugView.h"

#include "formats/vst3/HostBoundary.h"
#include "formats/vst3/RyvelController.h"
#include "formats/vst3/RyvelShared.h"
#include "formats/vst3/Vst3HostLoop.h"
#include "formats/vst3/Vst3WindowType.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace Ryvel
{

using namespace Steinberg;

namespace
{

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

RyvelPlugView::RyvelPlugView(RyvelController& c)
    : EditorView(&c), controller(c), content(static_cast<EditorHost&>(*this))
{
    rect = ViewRect(0, 0, content.viewWidth(), content.viewHeight());
}

// The editor goes first (it is the last member): it closes if the host released the view
// without removing it, unregisters from the controller and leaves the run loop.
RyvelPlugView::~RyvelPlugView() = default;

tresult PLUGIN_API RyvelPlugView::isPlatformTypeSupported(FIDString type)
{
    if (type != nullptr && std::strcmp(type, vst3WindowType()) == 0)
        return kResultTrue;
    return kResultFalse;
}

tresult PLUGIN_API RyvelPlugView::attached(void* parent, FIDString type)
{
    if (parent == nullptr)
        return kInvalidArgument;
    if (isPlatformTypeSupported(type) != kResultTrue || !isHostWindow(parent))
        return kResultFalse;
    const tresult result =
        guardHostCall("attached",
                      [&]() -> tresult
                      {
                          if (!content.open(parent))
                              return kResultFalse;
                          rect = ViewRect(0, 0, content.viewWidth(), content.viewHeight());
                          return EditorView::attached(parent, type);
                      });
    // The host treats a failed attach as no attach: whatever was built goes again.
    if (result != kResultOk)
        removed();
    return result;
}

tresult PLUGIN_API RyvelPlugView::removed()
{
    const tresult closed = guardHostCall("removed",
                                         [this]
                                         {
                                             content.close();
                                             return kResultOk;
                                         });
    // Even when closing failed half-way, the run loop must not keep calling into the view.
    detachFromRunLoop();
    const tresult result = EditorView::removed();
    return closed == kResultOk ? result : closed;
}

tresult PLUGIN_API RyvelPlugView::onSize(ViewRect* newSize)
{
    if (newSize == nullptr || !isValidSize(*newSize))
        return kInvalidArgument;
    return guardHostCall("onSize",
                         [&]
                         {
                             rect = *newSize;
                             content.setWindowSize(newSize->getWidth(), newSize->getHeight());
                             return kResultTrue;
                         });
}

tresult PLUGIN_API RyvelPlugView::setContentScaleFactor(ScaleFactor factor)
{
    if (!std::isfinite(factor) || !(factor > 0.0f) || factor > kMaxContentScale)
        return kInvalidArgument;
    return guardHostCall("setContentScaleFactor",
                         [&]
                         {
                             content.setContentScale(factor);
                             // An open editor has asked for its new size (requestResize).
                             if (!content.isOpen())
                                 rect = ViewRect(0, 0, content.viewWidth(), content.viewHeight());
                             return kResultTrue;
                         });
}

double RyvelPlugView::paramValue(ParamId id) const
{
    return controller.getParamNormalized(id);
}

void RyvelPlugView::beginEdit(ParamId id)
{
    controller.beginEdit(id);
}

bool RyvelPlugView::setParam(ParamId id, double value)
{
    return controller.setParamNormalized(id, value) == kResultOk;
}

void RyvelPlugView::performEdit(ParamId id, double value)
{
    controller.performEdit(id, value);
}

void RyvelPlugView::endEdit(ParamId id)
{
    controller.endEdit(id);
}

std::int32_t RyvelPlugView::playheadStep() const
{
    return RyvelShared::playheadStep.load(std::memory_order_relaxed);
}

HostKnobMode RyvelPlugView::knobMode() const
{
    return controller.hostKnobMode();
}

void RyvelPlugView::registerEditor(EditorLink* editor)
{
    controller.registerEditor(editor);
}

void RyvelPlugView::unregisterEditor(EditorLink* editor)
{
    controller.unregisterEditor(editor);
}

bool RyvelPlugView::requestResize(int width, int height)
{
    rect = ViewRect(0, 0, width, height);
    if (plugFrame == nullptr)
        return false;
    // The host may answer with onSize before this returns, and give another size.
    ViewRect newRect = rect;
    return plugFrame->resizeView(this, &newRect) == kResultTrue;
}

bool RyvelPlugView::attachUiLoop(GuiToolkit::FrameListener& listener)
{
    if (!GuiToolkit::attachHostLoop(Vst3HostLoop::of(plugFrame), listener))
        return false;
    runLoopListener = &listener;
    return true;
}

void RyvelPlugView::detachUiLoop(GuiToolkit::FrameListener& listener)
{
    if (runLoopListener == &listener)
        detachFromRunLoop();
}

void RyvelPlugView::detachFromRunLoop()
{
    if (runLoopListener == nullptr)
        return;
    GuiToolkit::detachHostLoop(*runLoopListener);
    runLoopListener = nullptr;
}

} // namespace Ryvel
