// SPDX-License-Identifier: GPL-3.0-or-later
// openURLMac and openPathMac on macOS: the shared workspace opens both; outcomes are ignored.

#include "platform/PlatformServices.h"

#import <AppKit/AppKit.h>

namespace Ryvel
{
namespace
{

// The exact bytes as a platform string; nil for text that is not UTF-8.
NSString* platformString(const std::string& text)
{
    return [[NSString alloc] initWithBytes:text.data()
                                    length:text.size()
                                  encoding:NSUTF8StringEncoding];
}

} // namespace

void openURLMac(const std::string& url) noexcept
{
    @autoreleasepool
    {
        NSString* text = platformString(url);
        NSURL* address = text ? [NSURL URLWithString:text] : nil;
        if (!address || address.scheme.length == 0)
            return;
        [[NSWorkspace sharedWorkspace] openURL:address];
    }
}

void openPathMac(const std::string& path) noexcept
{
    @autoreleasepool
    {
        NSString* text = platformString(path);
        if (!text || text.length == 0)
            return;
        [[NSWorkspace sharedWorkspace] openURL:[NSURL fileURLWithPath:text]];
    }
}

} // namespace Ryvel
