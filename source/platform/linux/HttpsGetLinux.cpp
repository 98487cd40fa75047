// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/HttpsGetLinux.h"

#include "platform/NetworkAbort.h"
#include "platform/PlatformServices.h"
#include "platform/linux/CurlApi.h"

#include <string>

namespace Ryvel
{
namespace
{

constexpr std::size_t kMaxBodyBytes = 65536;
constexpr long kMaxRedirects = 5;
// How long the transfer loop sleeps at most before it looks at the abort flag again.
constexpr int kAbortPollMs = 20;

// CURLOPT_PROTOCOLS and CURLOPT_REDIR_PROTOCOLS, the only protocol limits libcurl before 7.85
// knows; later headers mark them deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
constexpr CURLoption kProtocolsByMask = CURLOPT_PROTOCOLS;
constexpr CURLoption kRedirectProtocolsByMask = CURLOPT_REDIR_PROTOCOLS;
#pragma GCC diagnostic pop

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

class Url
{
public:
    explicit Url(const CurlApi& api) noexcept : api_(api), url_(api.url()) {}
    ~Url()
    {
        if (url_)
            api_.urlCleanup(url_);
    }
    Url(const Url&) = delete;
    Url& operator=(const Url&) = delete;

    CURLU* get() const noexcept { return url_; }

private:
    const CurlApi& api_;
    CURLU* url_;
};

// An easy handle inside its own multi handle, so that the transfer can be driven in short
// slices and abandoned between them.
class Transfer
{
public:
    explicit Transfer(const CurlApi& api) noexcept
        : api_(api), multi_(api.multiInit()), easy_(api.easyInit())
    {
    }
    ~Transfer()
    {
        if (added_)
            api_.multiRemoveHandle(multi_, easy_);
        api_.easyCleanup(easy_);
        api_.multiCleanup(multi_);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    CURL* easy() const noexcept { return easy_; }
    bool valid() const noexcept { return multi_ && easy_; }

    // True when the transfer ran to completion without error.
    bool run() noexcept
    {
        added_ = api_.multiAddHandle(multi_, easy_) == CURLM_OK;
        if (!added_)
            return false;
        int running = 1;
        while (running > 0)
        {
            if (NetworkAbort::requested())
                return false;
            if (api_.multiPerform(multi_, &running) != CURLM_OK)
                return false;
            if (running > 0 &&
                api_.multiPoll(multi_, nullptr, 0, kAbortPollMs, nullptr) != CURLM_OK)
                return false;
        }
        int queued = 0;
        const CURLMsg* message = api_.multiInfoRead(multi_, &queued);
        return message && message->msg == CURLMSG_DONE && message->data.result == CURLE_OK;
    }

private:
    const CurlApi& api_;
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
        if (timeoutMs <= 0 || NetworkAbort::requested())
            return {};
        // Without libcurl on the system the request fails like an unreachable server.
        const CurlApi* api = CurlApi::get();
        if (!api)
            return {};

        // Parsed first, so that an address that does not parse never reaches the network.
        const Url url(*api);
        const std::string text = "https://" + host + path;
        if (!url.get() || api->urlSet(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
            return {};

        Body body;
        Transfer transfer(*api);
        if (!transfer.valid())
            return {};
        CURL* easy = transfer.easy();
        const auto setopt = [api, easy](CURLoption option, auto value)
        { return api->easySetopt(easy, option, value) == CURLE_OK; };
        // The distributions the binaries load on ship libcurl 7.74 and later. Protocols by name
        // came with 7.85; older ones take the same limit as a bit mask.
        const auto httpsOnly = [api, easy, &setopt](CURLoption byName, CURLoption byMask)
        {
            const CURLcode named = api->easySetopt(easy, byName, "https");
            if (named != CURLE_UNKNOWN_OPTION)
                return named == CURLE_OK;
            return setopt(byMask, static_cast<long>(CURLPROTO_HTTPS));
        };
        const auto setoptIfKnown = [api, easy](CURLoption option, long value)
        {
            const CURLcode code = api->easySetopt(easy, option, value);
            return code == CURLE_OK || code == CURLE_UNKNOWN_OPTION;
        };
        const long timeout = timeoutMs;
        bool configured =
            setopt(CURLOPT_CURLU, url.get()) && setopt(CURLOPT_HTTPGET, 1L) &&
            httpsOnly(CURLOPT_PROTOCOLS_STR, kProtocolsByMask) &&
            httpsOnly(CURLOPT_REDIR_PROTOCOLS_STR, kRedirectProtocolsByMask) &&
            setopt(CURLOPT_FOLLOWLOCATION, 1L) && setopt(CURLOPT_MAXREDIRS, kMaxRedirects) &&
            setopt(CURLOPT_USERAGENT, "Ryvel/UpdateCheck") &&
            // Worker thread: no signals for timeouts; the threaded resolver keeps name look-up
            // inside the timeout, and an unfinished one is left behind instead of waited for
            // (libcurl before 7.87 lacks the choice; an unload waits for a worker only so long).
            setopt(CURLOPT_NOSIGNAL, 1L) && setoptIfKnown(CURLOPT_QUICK_EXIT, 1L) &&
            setopt(CURLOPT_CONNECTTIMEOUT_MS, timeout) && setopt(CURLOPT_TIMEOUT_MS, timeout) &&
            setopt(CURLOPT_SSL_VERIFYPEER, 1L) && setopt(CURLOPT_SSL_VERIFYHOST, 2L) &&
            // An announced length over the limit fails before any body byte arrives.
            setopt(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes)) &&
            setopt(CURLOPT_WRITEFUNCTION, &appendBody) && setopt(CURLOPT_WRITEDATA, &body);
        // No cookie engine (no CURLOPT_COOKIEFILE), no Accept-Encoding: nothing is remembered
        // between calls and the body arrives as sent.
        if (configured && !caFile.empty())
            configured = setopt(CURLOPT_CAINFO, caFile.c_str()) &&
                         setopt(CURLOPT_CAPATH, static_cast<const char*>(nullptr));
        if (!configured || !transfer.run())
            return {};

        long status = 0;
        if (api->easyGetinfo(easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
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
