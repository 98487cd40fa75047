// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Identity of the product: class IDs that hosts store in projects (never change them), the
// vendor's names and addresses, and the one version text used everywhere.

#include <cstdint>
#include <string_view>

namespace Ryvel::Product
{

inline constexpr std::string_view kName = "Ryvel";
inline constexpr std::string_view kVendor = "Corvane";
inline constexpr std::string_view kVendorFullName = "Corvane Audio";
inline constexpr std::string_view kVersion = "1.0.4";
inline constexpr std::string_view kSdkVersionText = "VST 3.8.1";
inline constexpr std::string_view kSubCategories = "Fx|Delay";

// The vendor web site's host: the update endpoint and every page we open live there.
inline constexpr std::string_view kWebHost = "corvane-audio.com";
inline constexpr std::string_view kVendorUrl = "https://corvane-audio.com";
inline constexpr std::string_view kSupportEmail = "mailto:support@corvane-audio.com";

// Each ID as four 32-bit words; hosts store them most significant byte first.
struct ClassId
{
    std::uint32_t w1, w2, w3, w4;
};
inline constexpr ClassId kProcessorId = {0xA1B2C3D4, 0xE5F60718, 0x92A3B4C5, 0xD6E7F809};
inline constexpr ClassId kControllerId = {0x10203040, 0x50607080, 0x90A0B0C0, 0xD0E0F001};

} // namespace Ryvel::Product
