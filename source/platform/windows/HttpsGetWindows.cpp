// SPDX-License-Identifier: GPL-3.0-or-later
// httpsGetMac on Windows, with WinHTTP in asynchronous mode: the worker issues each step and
// waits for its completion in short slices, so that the total timeout and a module unload
// (NetworkAbort) end the request at once instead of after WinHTTP's own per-phase timeouts.
//
// Ending a request early closes its handle; WinHTTP then still calls back once more
// (HANDLE_CLOSING), so the shared state stays alive until that call has happened.

#include "platform/NetworkAbort.h"
#include "platform/PlatformServices.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <winhttp.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace Ryvel
{
namespace
{

constexpr std::size_t kMaxBodyBytes = 65536;
constexpr DWORD kMaxRedirects = 5;
// How long a wait lasts at most before the abort flag and the deadline are looked at again.
constexpr DWORD kAbortPollMs = 20;
// After an early end, how long the worker waits for WinHTTP to let go of the request.
constexpr DWORD kCloseWaitMs = 1000;

using Clock = std::chrono::steady_clock;

// Written by WinHTTP's callback (on its own threads), read by the worker after `step` is set.
struct Exchange
{
    HANDLE step = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD status = 0;       // the WINHTTP_CALLBACK_STATUS_* of the completed step
    DWORD length = 0;       // bytes available or read
    bool leftHttps = false; // a redirect led away from https
    std::atomic<bool> failed{false};

    ~Exchange()
    {
        if (step)
            CloseHandle(step);
        if (closed)
            CloseHandle(closed);
    }
};

bool startsWithHttps(const wchar_t* url) noexcept
{
    return url != nullptr && _wcsnicmp(url, L"https://", 8) == 0;
}

void CALLBACK onStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength)
{
    auto* exchange = reinterpret_cast<Exchange*>(context);
    if (exchange == nullptr)
        return;
    switch (status)
    {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        SetEvent(exchange->closed);
        return;
    case WINHTTP_CALLBACK_STATUS_REDIRECT:
        // WinHTTP never goes from https to http by default; this holds even if that changes.
        if (!startsWithHttps(static_cast<const wchar_t*>(info)))
            exchange->leftHttps = true;
        return;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        exchange->length = info != nullptr ? *static_cast<DWORD*>(info) : 0;
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        exchange->length = infoLength;
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        exchange->failed = true;
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
    default:
        return;
    }
    exchange->status = status;
    SetEvent(exchange->step);
}

class Handle
{
public:
    explicit Handle(HINTERNET h = nullptr) noexcept : handle(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HINTERNET get() const noexcept { return handle; }
    void close() noexcept
    {
        if (handle)
            WinHttpCloseHandle(handle);
        handle = nullptr;
    }

private:
    HINTERNET handle;
};

class Request
{
public:
    Request(const std::wstring& url, std::int32_t timeoutMs)
        : deadline(Clock::now() + std::chrono::milliseconds(timeoutMs))
    {
        URL_COMPONENTS parts{};
        parts.dwStructSize = sizeof parts;
        parts.dwHostNameLength = static_cast<DWORD>(-1);
        parts.dwUrlPathLength = static_cast<DWORD>(-1);
        parts.dwExtraInfoLength = static_cast<DWORD>(-1);
        if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
            parts.nScheme != INTERNET_SCHEME_HTTPS || parts.dwHostNameLength == 0)
            return;
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
        object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

        session = std::make_unique<Handle>(
            WinHttpOpen(L"Ryvel/UpdateCheck", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
        if (!session->get())
            return;
        const int phase = static_cast<int>(timeoutMs);
        WinHttpSetTimeouts(session->get(), phase, phase, phase, phase);
        connection =
            std::make_unique<Handle>(WinHttpConnect(session->get(), host.c_str(), parts.nPort, 0));
        if (!connection->get())
            return;
        request = WinHttpOpenRequest(connection->get(), L"GET", object.c_str(), nullptr,
                                     WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                     WINHTTP_FLAG_SECURE | WINHTTP_FLAG_REFRESH);
        if (!request)
            return;
        DWORD noCookies = WINHTTP_DISABLE_COOKIES;
        DWORD redirects = kMaxRedirects;
        DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP;
        ready = WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noCookies,
                                 sizeof noCookies) &&
                WinHttpSetOption(request, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                                 sizeof redirects) &&
                WinHttpSetOption(request, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy) &&
                exchange->step && exchange->closed &&
                WinHttpSetStatusCallback(request, &onStatus,
                                         WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS |
                                             WINHTTP_CALLBACK_FLAG_HANDLES |
                                             WINHTTP_CALLBACK_FLAG_REDIRECT,
                                         0) != WINHTTP_INVALID_STATUS_CALLBACK;
        callbackSet = ready;
    }

    ~Request()
    {
        if (request)
        {
            WinHttpCloseHandle(request);
            // Without the callback WinHTTP has nothing of ours to call.
            if (callbackSet && WaitForSingleObject(exchange->closed, kCloseWaitMs) != WAIT_OBJECT_0)
                exchange.release(); // still referenced by WinHTTP: leaked, never freed under it
        }
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    std::string run()
    {
        if (!ready)
            return {};
        const auto context = reinterpret_cast<DWORD_PTR>(exchange.get());
        if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                                0, 0, context) ||
            !await(WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE))
            return {};
        if (!WinHttpReceiveResponse(request, nullptr) ||
            !await(WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE) || exchange->leftHttps)
            return {};

        DWORD status = 0;
        DWORD size = sizeof status;
        if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                                 WINHTTP_NO_HEADER_INDEX) ||
            status != 200)
            return {};
        // An announced length over the limit fails before any body byte arrives.
        DWORD announced = 0;
        size = sizeof announced;
        if (WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &announced, &size,
                                WINHTTP_NO_HEADER_INDEX) &&
            announced > kMaxBodyBytes)
            return {};

        std::string body;
        char buffer[8192];
        for (;;)
        {
            if (!WinHttpQueryDataAvailable(request, nullptr) ||
                !await(WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE))
                return {};
            if (exchange->length == 0)
                break;
            const DWORD want = exchange->length < sizeof buffer ? exchange->length
                                                                : static_cast<DWORD>(sizeof buffer);
            if (!WinHttpReadData(request, buffer, want, nullptr) ||
                !await(WINHTTP_CALLBACK_STATUS_READ_COMPLETE))
                return {};
            if (exchange->length == 0)
                break;
            if (exchange->length > kMaxBodyBytes - body.size())
                return {};
            body.append(buffer, exchange->length);
        }
        return body;
    }

private:
    // Waits for the step just issued; false on an error, an abort or the deadline.
    bool await(DWORD expected)
    {
        for (;;)
        {
            if (NetworkAbort::requested())
                return false;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0)
                return false;
            const DWORD slice = left < kAbortPollMs ? static_cast<DWORD>(left) : kAbortPollMs;
            if (WaitForSingleObject(exchange->step, slice) == WAIT_OBJECT_0)
                return !exchange->failed && exchange->status == expected;
        }
    }

    Clock::time_point deadline;
    std::unique_ptr<Exchange> exchange = std::make_unique<Exchange>();
    std::unique_ptr<Handle> session;
    std::unique_ptr<Handle> connection;
    HINTERNET request = nullptr;
    bool ready = false;
    bool callbackSet = false;
};

} // namespace

std::string httpsGetMac(const std::string& host, const std::string& path,
                        std::int32_t timeoutMs) noexcept
{
    try
    {
        if (timeoutMs <= 0 || NetworkAbort::requested() || host.empty() || path.empty() ||
            path.front() != '/')
            return {};
        const std::wstring url = widenUtf8("https://" + host + path);
        if (url.empty())
            return {};
        Request request(url, timeoutMs);
        return request.run();
    }
    catch (...)
    {
        return {};
    }
}

} // namespace Ryvel
