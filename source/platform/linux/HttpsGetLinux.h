// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Linux request behind httpsGetMac, with one extra argument that only tests use.

#include <cstdint>
#include <string>

namespace Ryvel
{

// httpsGetMac with a chosen trust anchor: a non-empty caFile (PEM) replaces the system's
// certificate authorities; empty trusts the system's, as httpsGetMac does.
std::string httpsGetTrusting(const std::string& host, const std::string& path,
                             std::int32_t timeoutMs, const std::string& caFile) noexcept;

} // namespace Ryvel
