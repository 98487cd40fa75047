// SPDX-License-Identifier: GPL-3.0-or-later
// A host loads and unloads a module many times in one session (scanning, project switches,
// sandboxes that reuse a process). Every cycle must start from a clean module and leave nothing
// running or allocated behind; LeakSanitizer checks the latter in the asan build.
//
// Cycles: RYVEL_LIFECYCLE_CYCLES in the environment, or the CMake option of the same name.

#include "TestHost.h"
#include "TestServers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Ryvel::TestHost;

namespace
{

int cycles()
{
    if (const char* text = std::getenv("RYVEL_LIFECYCLE_CYCLES"))
        if (const int n = std::atoi(text); n > 0)
            return n;
    return RYVEL_LIFECYCLE_DEFAULT_CYCLES;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMeasureMemory = false; // quarantine and shadow memory hide ours
#else
constexpr bool kMeasureMemory = true;
#endif

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

bool stillMapped(const std::string& file)
{
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

// One host session with the module: returns an empty text or what went wrong.
std::string oneCycle(const std::string& file)
{
    PluginModule module(file);
    if (!module.loaded())
        return "load: " + module.error();
    Ref<IPluginFactory> factory = module.factory();
    if (!factory)
        return "no factory";

    ProcessorDriver driver(*factory.get(), 48000.0, 512);
    if (!driver.ready())
        return "processor set-up failed";
    TUID controllerId;
    if (driver.component().getControllerClassId(controllerId) != kResultOk)
        return "no controller class";
    auto controller = createInstance<IEditController>(*factory.get(), controllerId);
    if (!controller || controller->initialize(nullptr) != kResultOk)
        return "controller initialise failed";

    driver.changes.add(0, 1.0); // voice 1, step 1: an echo inside the block
    std::vector<float> in(512, 0.0f), outL(512), outR(512);
    in[0] = 1.0f;
    driver.process(in.data(), in.data(), outL.data(), outR.data(), 512, Transport{960.0});
    for (std::size_t i = 0; i < outL.size(); ++i)
        if (!std::isfinite(outL[i]) || !std::isfinite(outR[i]))
            return "non-finite output";

    MemoryStream state;
    if (driver.component().getState(&state) != kResultOk)
        return "getState failed";
    state.position = 0;
    if (controller->setComponentState(&state) != kResultOk ||
        controller->getParamNormalized(0) < 0.5)
        return "the controller did not take the processor's state";
    controller->terminate();
    return {};
}

TEST(ModuleLifecycle, LoadCreateProcessReleaseUnloadCyclesLeaveNothingBehind)
{
    const std::string file = moduleFileInBundle(builtBundle());
    const int n = cycles();
    ASSERT_FALSE(stillMapped(file));

    long settled = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i)
    {
        const std::string problem = oneCycle(file);
        ASSERT_EQ(problem, "") << "cycle " << i;
        // Otherwise every later cycle would reuse the first one's module and test nothing.
        ASSERT_FALSE(stillMapped(file)) << "the module stayed mapped after dlclose, cycle " << i;
        if (i == std::min(n - 1, 9))
            settled = residentBytes();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long grown = residentBytes() - settled;
    std::printf("lifecycle: %d cycles in %.1f s (%.1f ms each), RSS %+.1f MiB after cycle 10\n", n,
                seconds, 1000.0 * seconds / n, static_cast<double>(grown) / (1024.0 * 1024.0));
    if (kMeasureMemory && n > 50)
    {
        EXPECT_LT(grown, 8L << 20) << "resident memory keeps growing with each load";
    }
}

using ProbeStart = void (*)(const char*, const char*);
using ProbeFlag = bool (*)();

TEST(ModuleLifecycle, UnloadWithAnUpdateCheckStalledOnTheNetworkEndsTheWorkerFirst)
{
    // The web server only lends its certificate (the trust anchor) and checks the end state.
    Ryvel::TestSupport::LocalWebServer server;
    ASSERT_TRUE(server.ok());
    server.setDocument(R"({"version":"1.0.5"})");
    const int n = cycles();

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i <= n; ++i)
    {
        // The last cycle's check is allowed to finish against the live server.
        const bool stalled = i < n;
        Ryvel::TestSupport::SilentServer silent;
        ASSERT_FALSE(silent.host().empty());
        void* handle = dlopen(RYVEL_TEST_UPDATE_PROBE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        auto startCheck = reinterpret_cast<ProbeStart>(dlsym(handle, "ryvelProbeStartCheck"));
        auto isDone = reinterpret_cast<ProbeFlag>(dlsym(handle, "ryvelProbeIsDone"));
        auto leave = reinterpret_cast<ProbeFlag>(dlsym(handle, "ryvelProbeExit"));
        ASSERT_TRUE(startCheck && isDone && leave);

        startCheck(stalled ? silent.host().c_str() : server.host().c_str(),
                   server.caFile().c_str());
        // Hang detectors, not timing requirements.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        if (stalled)
        {
            while (silent.acceptPending() < 1 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ASSERT_EQ(silent.acceptPending(), 1) << "cycle " << i;
            ASSERT_FALSE(isDone()) << "cycle " << i;
        }
        else
        {
            while (!isDone() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ASSERT_TRUE(isDone()) << "a check in a freshly loaded module did not finish";
        }
        EXPECT_TRUE(leave()) << "a worker was still running at unload, cycle " << i;
        ASSERT_EQ(dlclose(handle), 0);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("lifecycle with stalled update checks: %d cycles in %.1f s\n", n, seconds);
}

} // namespace
