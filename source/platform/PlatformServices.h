// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The plug-in's own uses of the operating system, behind one set of names on every platform.
// The names carry "Mac" because macOS is the product's home; the Linux build (linux/) meets the
// same contracts. All four run synchronously on the calling thread, report nothing and never
// throw: a failure is an empty result or no effect.

#include <cstdint>
#include <string>

namespace Ryvel
{

// GET "https://" + host + path (plain concatenation, path begins with "/") with the header
// "User-Agent: Ryvel/UpdateCheck", no cookies and no cache. Returns the body byte for byte only
// when the final status (after redirects, which may lead to https only) is exactly 200 and the
// body holds 1 to 65536 bytes; empty on anything else, including an address that does not parse
// and a non-positive timeout. Blocks for at most timeoutMs plus about 100 ms.
// Worker threads only: never call it on the UI thread.
std::string httpsGetMac(const std::string& host, const std::string& path,
                        std::int32_t timeoutMs) noexcept;

// Hands an absolute address (UTF-8) to the user's default handler; nothing happens for a text
// without a scheme. Does not wait for the handler. UI thread.
void openURLMac(const std::string& url) noexcept;

// Shows an existing folder (absolute UTF-8 path) in the file browser; a missing path opens
// nothing. Does not wait. UI thread.
void openPathMac(const std::string& path) noexcept;

// Makes every .ttf/.otf file in the bundle's Contents/Resources/Fonts folder usable by this
// process until it exits, and records them in BundledFonts. Calling it again is harmless.
// UI thread.
void registerBundledFontsMac() noexcept;

} // namespace Ryvel
