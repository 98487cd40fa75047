// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One background check of the vendor's update endpoint. The request runs on a detached worker of
// its own so that the UI thread never waits for the network; the checker may be dropped at any
// time, and a running worker then finishes alone (bounded by kRequestTimeoutMs) and its result
// is discarded. Constructor, isDone, result and the destructor: UI thread. The static helpers
// are pure and may be called from any thread.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace Ryvel
{

class UpdateChecker
{
public:
    static constexpr std::int32_t kUpToDate = 0;
    static constexpr std::int32_t kUpdateAvailable = 1;
    static constexpr std::int32_t kFailed = 2;

    static constexpr std::string_view kDocumentPath = "/ryvel/version.json";
    static constexpr std::int32_t kRequestTimeoutMs = 5000;

    struct Result
    {
        std::int32_t status = kFailed;
        std::string latestVersion; // as the endpoint wrote it; empty when none could be read
        std::string downloadUrl;   // the document's "url" when it is a safe https address
    };

    // (major, minor, patch); parts that cannot be read are 0.
    using Semver = std::array<std::int32_t, 3>;

    // host, path, timeout in ms -> body, empty on any failure: the shape of httpsGetMac.
    using Get = std::function<std::string(const std::string&, const std::string&, std::int32_t)>;

    // Starts the check against the vendor's host. If no thread can be started the checker is
    // done at once with kFailed.
    explicit UpdateChecker(std::string runningVersion);

    // Test seam: the same check, fetched through `get` from `host`.
    UpdateChecker(std::string runningVersion, std::string host, Get get);

    // Lets go of the shared state; neither waits for nor stops the worker.
    ~UpdateChecker();

    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    bool isDone() const noexcept;

    // Meaningful once isDone(); before that: kFailed, no version, the default download page.
    Result result() const noexcept;

    // -1, 0 or 1 as a is older than, equal to or newer than b, by parseSemver.
    static int compareSemver(const std::string& a, const std::string& b) noexcept;
    static Semver parseSemver(std::string_view text) noexcept;

    // The text between the first two double quotes after the first ':' that follows the first
    // occurrence of "key" (quoted). A plain text search, no escapes: enough for the endpoint's
    // small flat document, and it never fails on anything else.
    static std::string extractJsonString(std::string_view text, std::string_view key) noexcept;

    // For the module's unload: makes every running check give up at once and waits, for at most
    // kRequestTimeoutMs, until every worker thread has left this module's code. Returns false if
    // one was still running when the wait ended. Checks started afterwards work normally.
    // Any thread except a worker.
    static bool abortAllAndWait() noexcept;

private:
    struct State_;

    void start(std::string runningVersion, std::string host, Get get) noexcept;
    static void runWorker(std::shared_ptr<State_> state, std::string runningVersion,
                          std::string host, Get get) noexcept;

    std::shared_ptr<State_> state_;
};

} // namespace Ryvel
