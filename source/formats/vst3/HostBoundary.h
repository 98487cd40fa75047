// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The firewall between the host and our code. Hosts call through a C-like ABI and are often not
// built to unwind C++ exceptions; one that crosses an interface call terminates the host and the
// user's session with it. Interface methods that run our own or the GUI toolkit's code wrap
// that work in guardHostCall. `process` is deliberately not wrapped: it is built never to throw,
// and a try block there would hide a fault the realtime rules forbid.

#include "pluginterfaces/base/funknown.h"

#include <exception>
#include <utility>

namespace Ryvel
{

// Writes one line to stderr the first time an exception is stopped at the boundary in this
// process; later ones are silent, so a host that retries a failing call is not flooded.
// `what` may be null (an exception that is not a std::exception).
void reportStoppedException(const char* call, const char* what) noexcept;

// Runs `body` and returns its result. An exception escaping it is reported and `fallback` is
// returned instead: null for calls that hand out an object, a result code otherwise.
template <typename Result, typename Body>
Result guardHostCall(const char* call, Result fallback, Body&& body) noexcept
{
    try
    {
        return std::forward<Body>(body)();
    }
    catch (const std::exception& e)
    {
        reportStoppedException(call, e.what());
    }
    catch (...)
    {
        reportStoppedException(call, nullptr);
    }
    return fallback;
}

// A call that answers with a result code: kInternalError when the work throws.
template <typename Body> Steinberg::tresult guardHostCall(const char* call, Body&& body) noexcept
{
    return guardHostCall(call, Steinberg::tresult{Steinberg::kInternalError},
                         std::forward<Body>(body));
}

} // namespace Ryvel
