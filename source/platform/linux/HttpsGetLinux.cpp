// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/HttpsGetLinux.h"

#include "platform/NetworkAbort.h"
#include "platform/PlatformServices.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <memory>

namespace Ryvel
{
namespace
{

constexpr std::size_t kMaxBodyBytes = 65536;
constexpr long kMaxRedirects = 5;
// How long the transfer loop sleeps at most before it looks at the abort flag again.
constexpr int kAbortPollMs = 20;

// curl_global_init once per process, before any handle exists. libcurl is also pinned in
// memory: a timed-out name look-up is left to finish on a resolver thread of libcurl's own
// (CURLOPT_QUICK_EXIT), and that thread must not outlive libcurl's code when the module that
// brought libcurl in is unloaded.
bool curlReady() noexcept
{
    static const bool ready = []
    {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            return false;
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&curl_easy_init), &info) != 0 && info.dli_fname)
            dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return true;
    }();
    return ready;
}

struct Body
{
    std::string bytes;
};

// Keeps the body byte for byte; returning less than offered stops the transfer, which happens
// as soon as the body would pass the limit.
std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* user) noexcept
{
    auto& body = static_cast<Body*>(user)->bytes;
    const std::size_t n = size * count;
    if (n > kMaxBodyBytes - body.size())
        return 0;
    try
    {
        body.append(data, n);
    }
    catch (...)
    {
        return 0;
    }
    return n;
}

struct UrlDeleter
{
    void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};

// An easy handle inside its own multi handle, so that the transfer can be driven in short
// slices and abandoned between them.
class Transfer
{
public:
    Transfer() noexcept : multi_(curl_multi_init()), easy_(curl_easy_init()) {}
    ~Transfer()
    {
        if (added_)
            curl_multi_remove_handle(multi_, easy_);
        curl_easy_cleanup(easy_);
        curl_multi_cleanup(multi_);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    CURL* easy() const noexcept { return easy_; }
    bool valid() const noexcept { return multi_ && easy_; }

    // True when the transfer ran to completion without error.
    bool run() noexcept
    {
        added_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
        if (!added_)
            return false;
        int running = 1;
        while (running > 0)
        {
            if (NetworkAbort::requested())
                return false;
            if (curl_multi_perform(multi_, &running) != CURLM_OK)
                return false;
            if (running > 0 &&
                curl_multi_poll(multi_, nullptr, 0, kAbortPollMs, nullptr) != CURLM_OK)
                return false;
        }
        int queued = 0;
        const CURLMsg* message = curl_multi_info_read(multi_, &queued);
        return message && message->msg == CURLMSG_DONE && message->data.result == CURLE_OK;
    }

private:
    CURLM* multi_;
    CURL* easy_;
    bool added_ = false;
};

} // namespace

std::string httpsGetTrusting(const std::string& host, const std::string& path,
                             std::int32_t timeoutMs, const std::string& caFile) noexcept
{
    try
    {
        // libcurl reads a timeout of 0 as "none"; the contract allows no unbounded wait.
        if (timeoutMs <= 0 || NetworkAbort::requested() || !curlReady())
            return {};

        // Parsed first, so that an address that does not parse never reaches the network.
        const std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
        const std::string text = "https://" + host + path;
        if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
            return {};

        Body body;
        Transfer transfer;
        if (!transfer.valid())
            return {};
        CURL* easy = transfer.easy();
        const long timeout = timeoutMs;
        bool configured =
            curl_easy_setopt(easy, CURLOPT_CURLU, url.get()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https") == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https") == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_USERAGENT, "Ryvel/UpdateCheck") == CURLE_OK &&
            // Worker thread: no signals for timeouts; the threaded resolver keeps name look-up
            // inside the timeout, and an unfinished one is left behind instead of waited for.
            curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK &&
            // An announced length over the limit fails before any body byte arrives.
            curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                             static_cast<curl_off_t>(kMaxBodyBytes)) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &appendBody) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body) == CURLE_OK;
        // No cookie engine (no CURLOPT_COOKIEFILE), no Accept-Encoding: nothing is remembered
        // between calls and the body arrives as sent.
        if (configured && !caFile.empty())
            configured = curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.c_str()) == CURLE_OK &&
                         curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr) == CURLE_OK;
        if (!configured || !transfer.run())
            return {};

        long status = 0;
        if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
            return {};
        return std::move(body.bytes);
    }
    catch (...)
    {
        return {};
    }
}

std::string httpsGetMac(const std::string& host, const std::string& path,
                        std::int32_t timeoutMs) noexcept
{
    return httpsGetTrusting(host, path, timeoutMs, {});
}

} // namespace Ryvel
