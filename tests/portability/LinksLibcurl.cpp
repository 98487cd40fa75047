// SPDX-License-Identifier: GPL-3.0-or-later
// A module that names libcurl as NEEDED, as the plug-in once did: the portability check must
// reject it.

#include <curl/curl.h>

extern "C" __attribute__((visibility("default"))) void* ryvelCounterexample()
{
    return curl_easy_init();
}
