// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2UiTestHost.h"

#include "X11TestHost.h"

#include <X11/Xlib.h>
#include <lv2/atom/atom.h>

#include <dlfcn.h>

#include <chrono>
#include <cstring>
#include <fstream>

namespace Ryvel::TestHost
{

namespace
{

std::string formatValue(float v)
{
    std::string s = std::to_string(v);
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s;
}

} // namespace

Lv2UiLibrary::Lv2UiLibrary(const std::string& path)
{
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
    {
        loadError = dlerror();
        return;
    }
    using Entry = const LV2UI_Descriptor* (*)(std::uint32_t);
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, "lv2ui_descriptor"));
    if (entry == nullptr)
    {
        loadError = "no lv2ui_descriptor";
        return;
    }
    ui = entry(0);
}

Lv2UiLibrary::~Lv2UiLibrary()
{
    if (handle != nullptr)
        dlclose(handle);
}

bool Lv2UiLibrary::isMapped(const std::string& path)
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.size() >= path.size() &&
            line.compare(line.size() - path.size(), path.size(), path) == 0)
            return true;
    return false;
}

int Lv2UiLibrary::threadCount()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

Lv2UiTestHost::Lv2UiTestHost(const LV2UI_Descriptor& d, X11TestHost& w, Options o)
    : descriptor(d), window(w), options(o)
{
    uridMap = {this, &Lv2UiTestHost::map};
    touchFeature = {this, &Lv2UiTestHost::touch};
    resizeFeature = {this, &Lv2UiTestHost::resize};
}

Lv2UiTestHost::~Lv2UiTestHost()
{
    cleanup();
}

bool Lv2UiTestHost::instantiate(const std::string& bundlePath)
{
    const LV2_Feature parentFeature{LV2_UI__parent, window.parentWindow()};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature mapFeature{LV2_URID__map, &uridMap};
    const LV2_Feature touchOffer{LV2_UI__touch, &touchFeature};
    const LV2_Feature resizeOffer{LV2_UI__resize, &resizeFeature};
    std::vector<const LV2_Feature*> features{&mapFeature};
    if (options.parent)
        features.push_back(&parentFeature);
    if (options.idleInterface)
        features.push_back(&idleFeature);
    if (options.touch)
        features.push_back(&touchOffer);
    if (options.resize)
        features.push_back(&resizeOffer);
    const LV2_Options_Option hostOptions[] = {{LV2_OPTIONS_INSTANCE, 0,
                                               map(this, LV2_UI__scaleFactor), sizeof(float),
                                               map(this, LV2_ATOM__Float), &options.scaleFactor},
                                              {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature optionsOffer{LV2_OPTIONS__options,
                                   const_cast<LV2_Options_Option*>(hostOptions)};
    if (options.scaleFactor != 0.0f)
        features.push_back(&optionsOffer);
    features.push_back(nullptr);

    void* widgetPointer = nullptr;
    handle = descriptor.instantiate(&descriptor, "https://corvane-audio.com/plugins/ryvel",
                                    bundlePath.c_str(), &Lv2UiTestHost::write, this, &widgetPointer,
                                    features.data());
    if (handle == nullptr)
        return false;
    widgetWindow = reinterpret_cast<unsigned long>(widgetPointer);
    if (descriptor.extension_data != nullptr)
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(
            descriptor.extension_data(LV2_UI__idleInterface));
    return true;
}

void Lv2UiTestHost::cleanup()
{
    if (handle == nullptr)
        return;
    descriptor.cleanup(handle);
    handle = nullptr;
    widgetWindow = 0;
}

void Lv2UiTestHost::portEvent(std::uint32_t port, float value)
{
    if (handle != nullptr && descriptor.port_event != nullptr)
        descriptor.port_event(handle, port, sizeof value, 0, &value);
}

int Lv2UiTestHost::idle()
{
    return handle != nullptr && idleInterface != nullptr ? idleInterface->idle(handle) : 0;
}

int Lv2UiTestHost::resizeUi(int width, int height)
{
    const auto* resizeInterface =
        handle != nullptr && descriptor.extension_data != nullptr
            ? static_cast<const LV2UI_Resize*>(descriptor.extension_data(LV2_UI__resize))
            : nullptr;
    if (resizeInterface == nullptr)
        return -1;
    window.resize(width, height);
    return resizeInterface->ui_resize(handle, width, height);
}

void Lv2UiTestHost::write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                          std::uint32_t protocol, const void* buffer)
{
    auto* self = static_cast<Lv2UiTestHost*>(controller);
    if (protocol != 0 || size != sizeof(float))
    {
        self->events.push_back("bad write " + std::to_string(port));
        return;
    }
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    self->written[port] = value;
    self->events.push_back("write " + std::to_string(port) + " " + formatValue(value));
}

void Lv2UiTestHost::touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed)
{
    static_cast<Lv2UiTestHost*>(handle)->events.push_back((grabbed ? "grab " : "release ") +
                                                          std::to_string(port));
}

int Lv2UiTestHost::resize(LV2UI_Feature_Handle handle, int width, int height)
{
    auto* self = static_cast<Lv2UiTestHost*>(handle);
    self->events.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
    self->window.resize(width, height);
    return 0;
}

LV2_URID Lv2UiTestHost::map(LV2_URID_Map_Handle handle, const char* uri)
{
    auto& urids = static_cast<Lv2UiTestHost*>(handle)->urids;
    const auto found = urids.find(uri);
    if (found != urids.end())
        return found->second;
    const auto id = static_cast<LV2_URID>(urids.size() + 1);
    urids.emplace(uri, id);
    return id;
}

void runIdle(const std::vector<X11TestHost*>& windows, const std::vector<Lv2UiTestHost*>& uis,
             int ms)
{
    constexpr int kIdlePeriodMs = 33;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end)
    {
        // Each window's loop sleeps its share of the period on its own connection.
        for (X11TestHost* w : windows)
            w->pump(kIdlePeriodMs / static_cast<int>(windows.size()));
        for (Lv2UiTestHost* ui : uis)
            ui->idle();
    }
}

} // namespace Ryvel::TestHost
