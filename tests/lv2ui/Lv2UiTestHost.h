// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A minimal LV2 UI host for end-to-end tests, doing what suil and jalv do with an X11 UI: load
// the UI binary, instantiate a UI with an X11 parent window (one of X11TestHost's, created and
// flushed before), urid:map, ui:touch and ui:resize, send port events, and call the UI's idle
// function about 30 times a second. What the UI asks of the host is recorded in order.

#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Ryvel::TestHost
{

class X11TestHost;

// The UI binary, loaded for as long as this object lives.
class Lv2UiLibrary
{
public:
    explicit Lv2UiLibrary(const std::string& path);
    ~Lv2UiLibrary();
    Lv2UiLibrary(const Lv2UiLibrary&) = delete;
    Lv2UiLibrary& operator=(const Lv2UiLibrary&) = delete;

    const LV2UI_Descriptor* descriptor() const { return ui; }
    const std::string& error() const { return loadError; }

    // Whether the process still maps a file of this path (after dlclose: whether it really
    // went). Threads of the process now, from /proc.
    static bool isMapped(const std::string& path);
    static int threadCount();

private:
    void* handle = nullptr;
    const LV2UI_Descriptor* ui = nullptr;
    std::string loadError;
};

class Lv2UiTestHost
{
public:
    struct Options
    {
        bool parent = true;
        bool idleInterface = true;
        bool touch = true;
        bool resize = true;
        // Passed as ui:scaleFactor in the options feature; 0 passes no options.
        float scaleFactor = 0.0f;
    };

    Lv2UiTestHost(const LV2UI_Descriptor& descriptor, X11TestHost& window, Options options);
    ~Lv2UiTestHost(); // cleans up if still instantiated
    Lv2UiTestHost(const Lv2UiTestHost&) = delete;
    Lv2UiTestHost& operator=(const Lv2UiTestHost&) = delete;

    // Instantiates the UI, then sends every control port its value as hosts do.
    bool instantiate(const std::string& bundlePath);
    void cleanup();
    bool instantiated() const { return handle != nullptr; }
    unsigned long widget() const { return widgetWindow; }

    void portEvent(std::uint32_t port, float value);
    // The UI's idle function, as found through extension_data; 0 without a UI.
    int idle();
    // The host gives the UI's window a size through the UI's ui:resize interface; what that
    // returns, or -1 when the UI offers none.
    int resizeUi(int width, int height);

    // "grab 5", "write 5 1", "release 5", "resize 1050x532", in order.
    std::vector<std::string> events;
    // The last value the UI wrote to each port.
    std::map<std::uint32_t, float> written;

private:
    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                      std::uint32_t protocol, const void* buffer);
    static void touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed);
    static int resize(LV2UI_Feature_Handle handle, int width, int height);
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri);

    const LV2UI_Descriptor& descriptor;
    X11TestHost& window;
    Options options;
    LV2UI_Handle handle = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    unsigned long widgetWindow = 0;
    std::map<std::string, LV2_URID> urids;
    LV2_URID_Map uridMap{};
    LV2UI_Touch touchFeature{};
    LV2UI_Resize resizeFeature{};
};

// Runs the host windows' loops and calls every UI's idle function every 33 ms (Ardour's and
// jalv's rate) for about `ms` milliseconds.
void runIdle(const std::vector<X11TestHost*>& windows, const std::vector<Lv2UiTestHost*>& uis,
             int ms);

} // namespace Ryvel::TestHost
