// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for libcurl 7.81 (Ubuntu 22.04's): the system's libcurl behind a curl_easy_setopt
// that refuses the options the older release did not know, as it would. Opened in place of
// libcurl.so.4; every other function is found in the real library below it.

#include <curl/curl.h>

#include <dlfcn.h>

#include <cstdarg>

namespace
{

bool newerThan781(CURLoption option)
{
    return option == CURLOPT_PROTOCOLS_STR || option == CURLOPT_REDIR_PROTOCOLS_STR ||
           option == CURLOPT_QUICK_EXIT;
}

} // namespace

// In parentheses: curl.h defines a type-checking macro of the same name.
extern "C" __attribute__((visibility("default")))
CURLcode(curl_easy_setopt)(CURL* handle, CURLoption option, ...)
{
    if (newerThan781(option))
        return CURLE_UNKNOWN_OPTION;
    // Every option's value is a long, a pointer or a curl_off_t, each one 64-bit register on
    // x86-64, so one word read and passed on reaches libcurl unchanged.
    std::va_list arguments;
    va_start(arguments, option);
    void* const value = va_arg(arguments, void*);
    va_end(arguments);
    using Setopt = CURLcode (*)(CURL*, CURLoption, ...);
    static const auto real = reinterpret_cast<Setopt>(dlsym(RTLD_NEXT, "curl_easy_setopt"));
    return real != nullptr ? real(handle, option, value) : CURLE_FAILED_INIT;
}
