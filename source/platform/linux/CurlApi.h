// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The libcurl functions the HTTPS request uses, from libcurl.so.4 opened at run time
// (RuntimeLibrary.h). The header gives the types and constants; nothing links against libcurl.

#include <curl/curl.h>

namespace Ryvel
{

struct CurlApi
{
    static constexpr const char* kLibrary = "libcurl.so.4";

    // libcurl loaded and initialised (curl_global_init) once per process; null when it is not
    // installed, lacks one of the functions or fails to initialise. Any thread.
    static const CurlApi* get() noexcept;

    // For RuntimeLibrary::load.
    static bool resolve(void* library, CurlApi& api) noexcept;

    decltype(&::curl_global_init) globalInit;
    decltype(&::curl_easy_init) easyInit;
    decltype(&::curl_easy_cleanup) easyCleanup;
    decltype(&::curl_easy_setopt) easySetopt;
    decltype(&::curl_easy_getinfo) easyGetinfo;
    decltype(&::curl_multi_init) multiInit;
    decltype(&::curl_multi_cleanup) multiCleanup;
    decltype(&::curl_multi_add_handle) multiAddHandle;
    decltype(&::curl_multi_remove_handle) multiRemoveHandle;
    decltype(&::curl_multi_perform) multiPerform;
    decltype(&::curl_multi_poll) multiPoll;
    decltype(&::curl_multi_info_read) multiInfoRead;
    decltype(&::curl_url) url;
    decltype(&::curl_url_cleanup) urlCleanup;
    decltype(&::curl_url_set) urlSet;
};

} // namespace Ryvel
