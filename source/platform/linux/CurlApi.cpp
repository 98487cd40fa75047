// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/CurlApi.h"

#include "platform/linux/RuntimeLibrary.h"

namespace Ryvel
{

const CurlApi* CurlApi::get() noexcept
{
    return RuntimeLibrary::load<CurlApi>(kLibrary);
}

bool CurlApi::resolve(void* library, CurlApi& api) noexcept
{
    using RuntimeLibrary::resolveFunction;
    const bool all = resolveFunction(library, "curl_global_init", api.globalInit) &&
                     resolveFunction(library, "curl_easy_init", api.easyInit) &&
                     resolveFunction(library, "curl_easy_cleanup", api.easyCleanup) &&
                     resolveFunction(library, "curl_easy_setopt", api.easySetopt) &&
                     resolveFunction(library, "curl_easy_getinfo", api.easyGetinfo) &&
                     resolveFunction(library, "curl_multi_init", api.multiInit) &&
                     resolveFunction(library, "curl_multi_cleanup", api.multiCleanup) &&
                     resolveFunction(library, "curl_multi_add_handle", api.multiAddHandle) &&
                     resolveFunction(library, "curl_multi_remove_handle", api.multiRemoveHandle) &&
                     resolveFunction(library, "curl_multi_perform", api.multiPerform) &&
                     resolveFunction(library, "curl_multi_poll", api.multiPoll) &&
                     resolveFunction(library, "curl_multi_info_read", api.multiInfoRead) &&
                     resolveFunction(library, "curl_url", api.url) &&
                     resolveFunction(library, "curl_url_cleanup", api.urlCleanup) &&
                     resolveFunction(library, "curl_url_set", api.urlSet);
    // Once per loaded library, before any handle exists; the library is never unloaded, so
    // there is no matching curl_global_cleanup.
    return all && api.globalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

} // namespace Ryvel
