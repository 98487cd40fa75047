// SPDX-License-Identifier: GPL-3.0-or-later
// httpsGetMac on macOS: an ephemeral URL session whose completion handler meets the calling
// worker through a semaphore.

#include "platform/NetworkAbort.h"
#include "platform/PlatformServices.h"

#import <Foundation/Foundation.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>

namespace Ryvel
{
namespace
{

constexpr NSUInteger kMaxBodyBytes = 65536;
// How long the waiting worker sleeps at most before it looks at the abort flag again.
constexpr std::int64_t kAbortPollMs = 20;
// After a cancel: time for a handler that is already running to finish.
constexpr std::int64_t kLateHandlerMs = 100;

// Shared by the caller and the completion handler, which can still run after the caller has
// given up and returned: the handler stores nothing once the caller has taken the body.
struct Exchange
{
    std::mutex mutex;
    bool taken = false;
    std::string body;
};

bool waitFor(dispatch_semaphore_t semaphore, std::int64_t ms)
{
    const auto delta = static_cast<std::int64_t>(ms * static_cast<std::int64_t>(NSEC_PER_MSEC));
    return dispatch_semaphore_wait(semaphore, dispatch_time(DISPATCH_TIME_NOW, delta)) == 0;
}

} // namespace

std::string httpsGetMac(const std::string& host, const std::string& path,
                        std::int32_t timeoutMs) noexcept
{
    try
    {
        if (timeoutMs <= 0 || NetworkAbort::requested())
            return {};
        @autoreleasepool
        {
            const std::string text = "https://" + host + path;
            NSString* urlText = [[NSString alloc] initWithBytes:text.data()
                                                         length:text.size()
                                                       encoding:NSUTF8StringEncoding];
            NSURL* url = urlText ? [NSURL URLWithString:urlText] : nil;
            if (!url)
                return {};

            NSURLSessionConfiguration* config =
                [NSURLSessionConfiguration ephemeralSessionConfiguration];
            config.timeoutIntervalForRequest = timeoutMs / 1000.0;
            config.timeoutIntervalForResource = timeoutMs / 1000.0;
            config.HTTPShouldSetCookies = NO;
            config.HTTPCookieAcceptPolicy = NSHTTPCookieAcceptPolicyNever;
            config.URLCache = nil;
            config.HTTPAdditionalHeaders = @{@"User-Agent" : @"Ryvel/UpdateCheck"};
            NSURLSession* session = [NSURLSession sessionWithConfiguration:config];

            auto exchange = std::make_shared<Exchange>();
            dispatch_semaphore_t finished = dispatch_semaphore_create(0);
            NSURLSessionDataTask* task =
                [session dataTaskWithURL:url
                       completionHandler:^(NSData* data, NSURLResponse* response, NSError* error) {
                         if (data && !error && [response isKindOfClass:[NSHTTPURLResponse class]] &&
                             ((NSHTTPURLResponse*)response).statusCode == 200 && data.length >= 1 &&
                             data.length <= kMaxBodyBytes)
                         {
                             std::lock_guard lock(exchange->mutex);
                             if (!exchange->taken)
                             {
                                 try
                                 {
                                     exchange->body.assign(static_cast<const char*>(data.bytes),
                                                           data.length);
                                 }
                                 catch (...)
                                 {
                                 }
                             }
                         }
                         dispatch_semaphore_signal(finished);
                       }];
            [task resume];

            // Waited in short slices so that the module's unload does not wait for a timeout.
            const auto deadline =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
            bool signalled = false;
            while (!signalled && !NetworkAbort::requested())
            {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now())
                                      .count();
                if (left <= 0)
                    break;
                signalled = waitFor(finished, std::min<std::int64_t>(left, kAbortPollMs));
            }
            if (!signalled)
            {
                // A cancelled task's handler receives an error and stores nothing.
                [task cancel];
                waitFor(finished, kLateHandlerMs);
            }
            [session finishTasksAndInvalidate];

            std::lock_guard lock(exchange->mutex);
            exchange->taken = true;
            return std::move(exchange->body);
        }
    }
    catch (...)
    {
        return {};
    }
}

} // namespace Ryvel
