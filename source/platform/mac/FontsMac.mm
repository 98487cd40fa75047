// SPDX-License-Identifier: GPL-3.0-or-later
// registerBundledFontsMac on macOS: Core Text registration for this process only.

#include "platform/BundledFonts.h"
#include "platform/PlatformServices.h"

#import <CoreText/CoreText.h>
#import <Foundation/Foundation.h>

#include <dlfcn.h>

namespace Ryvel
{
namespace
{

void recordFamilies(NSURL* file)
{
    CFArrayRef descriptors = CTFontManagerCreateFontDescriptorsFromURL((__bridge CFURLRef)file);
    if (!descriptors)
        return;
    for (CFIndex i = 0; i < CFArrayGetCount(descriptors); ++i)
    {
        const auto descriptor =
            static_cast<CTFontDescriptorRef>(CFArrayGetValueAtIndex(descriptors, i));
        NSString* family = (__bridge_transfer NSString*)CTFontDescriptorCopyAttribute(
            descriptor, kCTFontFamilyNameAttribute);
        if (family.UTF8String && file.path.UTF8String)
            BundledFonts::record(file.path.UTF8String, family.UTF8String);
    }
    CFRelease(descriptors);
}

} // namespace

void registerBundledFontsMac() noexcept
{
    @autoreleasepool
    {
        // The module's own file: .../Ryvel.vst3/Contents/MacOS/Ryvel.
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&registerBundledFontsMac), &info) == 0 ||
            !info.dli_fname || info.dli_fname[0] == '\0')
            return;
        NSString* module = [NSString stringWithUTF8String:info.dli_fname];
        if (!module)
            return;
        NSString* folder = [[[module stringByDeletingLastPathComponent]
            stringByDeletingLastPathComponent] stringByAppendingPathComponent:@"Resources"];
        folder = [folder stringByAppendingPathComponent:@"Fonts"];

        NSArray<NSString*>* names = [[NSFileManager defaultManager] contentsOfDirectoryAtPath:folder
                                                                                        error:nil];
        for (NSString* name in names)
        {
            NSString* extension = name.pathExtension.lowercaseString;
            if (![extension isEqualToString:@"ttf"] && ![extension isEqualToString:@"otf"])
                continue;
            NSURL* file = [NSURL fileURLWithPath:[folder stringByAppendingPathComponent:name]];
            // Fails harmlessly when an earlier call registered the file already.
            CFErrorRef error = nullptr;
            CTFontManagerRegisterFontsForURL((__bridge CFURLRef)file, kCTFontManagerScopeProcess,
                                             &error);
            if (error)
                CFRelease(error);
            recordFamilies(file);
        }
    }
}

} // namespace Ryvel
