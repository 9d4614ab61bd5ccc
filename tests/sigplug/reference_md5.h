// Expected values come from OpenSSL, an implementation independent of ours.
#pragma once

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/md5.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

namespace sigplug_test {

inline std::string referenceMd5Hex(std::string_view data) {
    unsigned char digest[MD5_DIGEST_LENGTH];
    MD5(reinterpret_cast<const unsigned char*>(data.data()), data.size(), digest);
    std::string hex;
    char pair[3];
    for (unsigned char byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

inline std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The signature of `text` for an executable whose lower-cased name is `name`.
inline std::string expectedSignature(std::string_view text, std::string_view name) {
    return referenceMd5Hex(std::string(text) + upper(referenceMd5Hex(name)));
}

}  // namespace sigplug_test
