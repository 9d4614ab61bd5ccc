// MD5 (RFC 1321) with an incremental interface, so a message made of several
// pieces is hashed without joining them first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sigplug {

constexpr size_t kMd5DigestSize = 16;
constexpr size_t kMd5HexSize = 33;  // 32 digits and a NUL

class Md5 {
public:
    Md5() { init(); }

    void init();
    void update(const void* data, size_t length);
    // Feeds the bytes before the first NUL, never more than `length`, and
    // returns how many that was. Reads nothing past `length`.
    size_t updateToNul(const void* data, size_t length);
    // Writes the digest; the context must be init()ed again before reuse.
    void final(uint8_t digest[kMd5DigestSize]);

private:
    uint32_t state_[4];
    uint64_t length_;  // bytes fed so far
    unsigned char buffer_[64];
};

// The digest as "%02x" per byte: 32 lower-case digits and a NUL.
void hexDigits(const uint8_t digest[kMd5DigestSize], char out[kMd5HexSize]);

void md5Hex(const void* data, size_t length, char out[kMd5HexSize]);

}  // namespace sigplug
