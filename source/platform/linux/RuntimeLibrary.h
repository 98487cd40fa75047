// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Libraries the plug-in uses only where the system has them (libcurl for the update check,
// fontconfig for the bundled fonts). They are opened with dlopen on first use instead of being
// named as the binary's dependencies, so that a host on a system without them, or with a build
// of them whose symbol versions differ, still loads the plug-in: only the feature that needs
// the library is missing then. Functions are looked up by plain name (dlsym, no version), and
// only those the caller lists. An opened library stays loaded until the process exits: threads
// it started and data it handed out may outlive the caller and the module that opened it.

#include <mutex>
#include <string>

namespace Ryvel::RuntimeLibrary
{

// dlopen of `soname`, or of the file a test put in its place; null when it cannot be loaded.
// Any thread.
void* open(const char* soname) noexcept;

// The function `name` of a library from open(), null when it has none.
void* function(void* library, const char* name) noexcept;

// The file a test put in place of `soname`, empty when none.
std::string replacementFor(const char* soname) noexcept;

// Test seam: later loads of `soname` open `file` instead (a missing file makes them fail); an
// empty `file` restores the real library. Not for use while another thread loads.
void replaceForTesting(const std::string& soname, const std::string& file);

// `Api` loaded from `soname`: Api::resolve(library, api) fills in its function pointers and
// says whether every one was found. The real library is loaded once per process; while a test
// replacement is in place it is loaded again on each call. Null when the library or one of its
// functions is missing. The storage is plain and never destroyed, so a detached worker still
// inside a call at process exit finds its functions in place. Any thread.
template <typename Api> const Api* load(const char* soname) noexcept
{
    static std::mutex mutex;
    static Api real{};
    static bool tried = false;
    static bool loaded = false;
    static Api replaced{};

    const std::lock_guard lock(mutex);
    if (!replacementFor(soname).empty())
    {
        replaced = Api{};
        void* library = open(soname);
        return library && Api::resolve(library, replaced) ? &replaced : nullptr;
    }
    if (!tried)
    {
        tried = true;
        void* library = open(soname);
        loaded = library && Api::resolve(library, real);
    }
    return loaded ? &real : nullptr;
}

// Fills `pointer` with the function `name` of `library`; false when there is none.
template <typename Function>
bool resolveFunction(void* library, const char* name, Function*& pointer) noexcept
{
    pointer = reinterpret_cast<Function*>(function(library, name));
    return pointer != nullptr;
}

} // namespace Ryvel::RuntimeLibrary
