// The "signature" computation: the lower-case MD5 of a text followed by the
// upper-case MD5 of the host executable's lower-cased file name.
#pragma once

#include "md5.h"
#include "npapi.h"

#include <cstddef>
#include <string_view>

namespace sigplug {

// Lower-cases A-Z of `path` in place and returns the part after the last
// slash, or after the last backslash when there is no slash. Empty (a
// failure) when `size` bytes hold no NUL, there is no separator, or the
// path ends in the separator found.
std::string_view executableName(char* path, size_t size);

// The name digest: MD5 of the executable's name in upper-case digits and a
// NUL. False when the module file name cannot be read or yields no name.
bool executableNameDigest(char out[kMd5HexSize]);

// Lower-case MD5 of the text (up to its first NUL, never past UTF8Length;
// null characters are the empty text) followed by the 32 name digits.
// Nothing is copied or allocated, whatever the text's length.
void signText(const NPString& text, const char nameDigest[kMd5HexSize], char out[kMd5HexSize]);

// The whole script method. False, with `result` untouched and nothing taken
// from the host, on every failure.
bool signature(const NPVariant* args, uint32_t argCount, NPVariant* result);

}  // namespace sigplug
