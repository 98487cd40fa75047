// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 UI binary (ryvel-ui.so): Ryvel's editor embedded as a ui:X11UI in the host's window.
//
// LV2 has no module entry or exit, and hosts unload the binary when its last UI closes (suil
// does), so the toolkit lives from the first instance to the last: each instance holds one
// reference, and the last cleanup shuts the toolkit down before the host can dlclose us (a
// toolkit still running at dlclose takes the host down with it). Nothing is created at load.
// Every function here runs on the host's GUI thread; no exception leaves one.

#include "editor/GuiToolkit.h"
#include "editor/RyvelEditor.h"
#include "formats/lv2/Lv2Ports.h"
#include "formats/lv2/Lv2UiHost.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

namespace Ryvel::Lv2
{
namespace
{

struct UiInstance
{
    UiInstance(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
               const LV2UI_Resize* resize)
        : host(write, controller, touch, resize), editor(host)
    {
    }
    ~UiInstance()
    {
        // The editor's window goes before the reference that keeps the toolkit alive.
        editor.close();
    }

    Lv2UiHost host;
    RyvelEditor editor;
};

// The toolkit reference of one instance, taken before anything of the toolkit is made and
// dropped after all of it is gone.
class ToolkitReference
{
public:
    ToolkitReference() { GuiToolkit::initialise(); }
    ~ToolkitReference() { GuiToolkit::shutdown(); }
    ToolkitReference(const ToolkitReference&) = delete;
    ToolkitReference& operator=(const ToolkitReference&) = delete;
};

struct Instance
{
    ToolkitReference toolkit;
    std::unique_ptr<UiInstance> ui;
};

const void* feature(const LV2_Feature* const* features, const char* uri, bool* present = nullptr)
{
    for (auto f = features; f != nullptr && *f != nullptr; ++f)
        if ((*f)->URI != nullptr && std::strcmp((*f)->URI, uri) == 0)
        {
            if (present != nullptr)
                *present = true;
            return (*f)->data;
        }
    return nullptr;
}

// The host's HiDPI scale (ui:scaleFactor among the options it passes), or 1 when it names none
// or one that makes no sense.
double hostScale(const LV2_Feature* const* features)
{
    const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
    const auto* options =
        static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options));
    if (map == nullptr || map->map == nullptr || options == nullptr)
        return 1.0;
    const LV2_URID scaleKey = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o)
        if (o->context == LV2_OPTIONS_INSTANCE && o->key == scaleKey && o->type == floatType &&
            o->size == sizeof(float) && o->value != nullptr)
        {
            const float scale = *static_cast<const float*>(o->value);
            constexpr float kLargestScale = 4.0f;
            return std::isfinite(scale) && scale >= 1.0f && scale <= kLargestScale ? scale : 1.0;
        }
    return 1.0;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (pluginUri == nullptr || std::string_view(pluginUri) != kPluginUri || widget == nullptr ||
        write == nullptr)
        return nullptr;
    // Without a parent there is nothing to embed in; without idle calls nothing would paint.
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    bool idleOffered = false;
    feature(features, LV2_UI__idleInterface, &idleOffered);
    if (parent == nullptr || !idleOffered)
        return nullptr;
    const auto* touch = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
    const auto* hostResize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
    try
    {
        auto instance = std::make_unique<Instance>();
        instance->ui = std::make_unique<UiInstance>(write, controller, touch, hostResize);
        RyvelEditor& editor = instance->ui->editor;
        editor.setContentScale(hostScale(features));
        if (!editor.open(parent))
            return nullptr;
        *widget = editor.nativeWindow();
        if (hostResize != nullptr && hostResize->ui_resize != nullptr)
            hostResize->ui_resize(hostResize->handle, editor.viewWidth(), editor.viewHeight());
        return instance.release();
    }
    catch (...)
    {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle)
{
    try
    {
        delete static_cast<Instance*>(handle);
    }
    catch (...)
    {
    }
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t bufferSize, uint32_t format,
               const void* buffer)
{
    try
    {
        static_cast<Instance*>(handle)->ui->host.portEvent(port, bufferSize, format, buffer);
    }
    catch (...)
    {
    }
}

int idle(LV2UI_Handle)
{
    try
    {
        GuiToolkit::idle();
    }
    catch (...)
    {
    }
    return 0;
}

// The host has given our window this size (suil and Ardour resize the X window themselves and
// do not call this; other hosts may).
int resizeByHost(LV2UI_Feature_Handle handle, int width, int height)
{
    if (handle == nullptr || width <= 0 || height <= 0)
        return 1;
    try
    {
        static_cast<Instance*>(handle)->ui->editor.setWindowSize(width, height);
        return 0;
    }
    catch (...)
    {
        return 1;
    }
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface{idle};
    static const LV2UI_Resize resizeInterface{nullptr, resizeByHost};
    if (uri == nullptr)
        return nullptr;
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &idleInterface;
    if (std::strcmp(uri, LV2_UI__resize) == 0)
        return &resizeInterface;
    return nullptr;
}

} // namespace
} // namespace Ryvel::Lv2

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor*
lv2ui_descriptor(uint32_t index)
{
    static const LV2UI_Descriptor descriptor{Ryvel::Lv2::kUiUri.data(), Ryvel::Lv2::instantiate,
                                             Ryvel::Lv2::cleanup, Ryvel::Lv2::portEvent,
                                             Ryvel::Lv2::extensionData};
    return index == 0 ? &descriptor : nullptr;
}
