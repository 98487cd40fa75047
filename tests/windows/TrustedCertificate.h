// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The local HTTPS server's certificate made trusted in the test prefix's root store, so that
// WinHTTP checks it as it would a real one.

#include <windows.h>

#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace Ryvel::Testing
{

inline bool trustCertificateFile(const std::string& pemPath)
{
    std::ifstream in(pemPath, std::ios::binary);
    const std::string pem{std::istreambuf_iterator<char>(in), {}};
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr))
        return false;
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                              nullptr))
        return false;
    HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (store == nullptr)
        return false;
    const bool added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added;
}

} // namespace Ryvel::Testing
