// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UpdateChecker.h"

#include "core/ProductInfo.h"
#include "platform/HttpsAddress.h"
#include "platform/NetworkAbort.h"
#include "platform/PlatformServices.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace Ryvel
{

// Written once by the worker, read by the UI thread. The strings and status are guarded by the
// mutex; done is set after the mutex is released (release), so a reader that sees done (acquire)
// then finds the final result under the mutex.
struct UpdateChecker::State_
{
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::int32_t status = kFailed;
    std::string latestVersion;
    std::string downloadUrl;
};

namespace
{

std::string defaultDownloadUrl()
{
    return "https://" + std::string(Product::kWebHost) + "/downloads";
}

// strtol's reading of a decimal number (leading white space, a sign, digits up to the first
// non-digit), without its locale; no digits or a value outside 32 bits read as 0.
std::int32_t parseVersionPart(std::string_view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::size_t firstDigit = i;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{INT32_MAX} + 1)
            return 0;
    }
    if (i == firstDigit)
        return 0;
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX)
        return 0;
    return static_cast<std::int32_t>(value);
}

// Every worker is counted here so that the module's unload can wait for them. The object is
// never freed: the last worker's unlock and notification run in the C++ runtime after this
// module's code is done, possibly after the module is gone.
struct Workers
{
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
};

Workers& workers()
{
    static Workers* const instance = []
    {
        auto* w = new Workers;
#if defined(__SANITIZE_ADDRESS__)
        // Immortal on purpose (see above); not a leak the leak checker should report once the
        // module has been unloaded and nothing points at it any more.
        __lsan_ignore_object(w);
#endif
        return w;
    }();
    return *instance;
}

// The last thing a worker does. The count drops now, but the mutex stays held until the thread
// has finished (its captures destroyed, the thread routine returned); the runtime then unlocks
// and notifies from outside this module, so a waiter that sees zero knows no worker can still
// execute an instruction of ours.
void leaveAtThreadExit() noexcept
{
    Workers& w = workers();
    std::unique_lock lock(w.mutex);
    --w.running;
    std::notify_all_at_thread_exit(w.idle, std::move(lock));
}

} // namespace

UpdateChecker::UpdateChecker(std::string runningVersion)
{
    try
    {
        start(std::move(runningVersion), std::string(Product::kWebHost), &httpsGetMac);
    }
    catch (...)
    {
        // Out of memory before the check could start: isDone() reports a failed check.
    }
}

UpdateChecker::UpdateChecker(std::string runningVersion, std::string host, Get get)
{
    start(std::move(runningVersion), std::move(host), std::move(get));
}

UpdateChecker::~UpdateChecker() = default;

void UpdateChecker::start(std::string runningVersion, std::string host, Get get) noexcept
{
    try
    {
        state_ = std::make_shared<State_>();
        state_->downloadUrl = defaultDownloadUrl();
    }
    catch (...)
    {
        state_.reset();
        return;
    }

    Workers& w = workers();
    {
        std::lock_guard lock(w.mutex);
        ++w.running;
    }
    try
    {
        std::thread(
            [state = state_, version = std::move(runningVersion), host = std::move(host),
             get = std::move(get)]() mutable
            {
                runWorker(std::move(state), std::move(version), std::move(host), std::move(get));
                leaveAtThreadExit();
            })
            .detach();
    }
    catch (...)
    {
        // std::system_error when the system refuses another thread: a failed check, done now.
        {
            std::lock_guard lock(w.mutex);
            --w.running;
        }
        w.idle.notify_all();
        state_->done.store(true, std::memory_order_release);
    }
}

void UpdateChecker::runWorker(std::shared_ptr<State_> state, std::string runningVersion,
                              std::string host, Get get) noexcept
{
    std::int32_t status = kFailed;
    std::string latestVersion;
    std::string documentUrl; // empty: the default download page stays
    try
    {
        const std::string body = get(host, std::string(kDocumentPath), kRequestTimeoutMs);
        if (!body.empty())
        {
            std::string url = extractJsonString(body, "url");
            // The document comes from the network, and its "url" ends up in the system's
            // opener: nothing but a web page may ever be opened through it.
            if (isHttpsAddress(url))
                documentUrl = std::move(url);
            std::string version = extractJsonString(body, "version");
            if (!version.empty())
            {
                // An equal or older version on the server counts as up to date.
                status = parseSemver(version) > parseSemver(runningVersion) ? kUpdateAvailable
                                                                            : kUpToDate;
                latestVersion = std::move(version);
            }
        }
    }
    catch (...)
    {
        status = kFailed;
        latestVersion.clear();
    }

    {
        std::lock_guard lock(state->mutex);
        state->status = status;
        state->latestVersion = std::move(latestVersion);
        if (!documentUrl.empty())
            state->downloadUrl = std::move(documentUrl);
    }
    state->done.store(true, std::memory_order_release);
    state.reset();
}

bool UpdateChecker::isDone() const noexcept
{
    return !state_ || state_->done.load(std::memory_order_acquire);
}

UpdateChecker::Result UpdateChecker::result() const noexcept
{
    try
    {
        if (!state_)
            return {kFailed, {}, defaultDownloadUrl()};
        std::lock_guard lock(state_->mutex);
        return {state_->status, state_->latestVersion, state_->downloadUrl};
    }
    catch (...)
    {
        return {};
    }
}

int UpdateChecker::compareSemver(const std::string& a, const std::string& b) noexcept
{
    const Semver va = parseSemver(a);
    const Semver vb = parseSemver(b);
    return va < vb ? -1 : (vb < va ? 1 : 0);
}

UpdateChecker::Semver UpdateChecker::parseSemver(std::string_view text) noexcept
{
    Semver parts{0, 0, 0};
    std::size_t begin = 0;
    for (std::int32_t& part : parts)
    {
        const std::size_t dot = text.find('.', begin);
        part =
            parseVersionPart(text.substr(begin, dot == std::string_view::npos ? dot : dot - begin));
        if (dot == std::string_view::npos || dot + 1 == text.size())
            break;
        begin = dot + 1;
    }
    return parts;
}

std::string UpdateChecker::extractJsonString(std::string_view text, std::string_view key) noexcept
{
    try
    {
        std::string quotedKey;
        quotedKey.reserve(key.size() + 2);
        quotedKey.append(1, '"').append(key).append(1, '"');
        const std::size_t keyAt = text.find(quotedKey);
        if (keyAt == std::string_view::npos)
            return {};
        const std::size_t colon = text.find(':', keyAt + quotedKey.size());
        if (colon == std::string_view::npos)
            return {};
        const std::size_t open = text.find('"', colon + 1);
        if (open == std::string_view::npos)
            return {};
        const std::size_t close = text.find('"', open + 1);
        if (close == std::string_view::npos)
            return {};
        return std::string(text.substr(open + 1, close - open - 1));
    }
    catch (...)
    {
        return {};
    }
}

bool UpdateChecker::abortAllAndWait() noexcept
{
    NetworkAbort::begin();
    bool allLeft = false;
    try
    {
        Workers& w = workers();
        std::unique_lock lock(w.mutex);
        allLeft = w.idle.wait_for(lock, std::chrono::milliseconds(kRequestTimeoutMs),
                                  [&] { return w.running == 0; });
    }
    catch (...)
    {
        allLeft = false;
    }
    NetworkAbort::end();
    return allLeft;
}

} // namespace Ryvel
