#include "md5.h"

#include <algorithm>
#include <cstring>

// Three-part lea (base + index + displacement) is slow on many x86 cores and
// under emulation; this tuning feeds the message words with memory-operand
// adds instead. Instruction selection only: no newer instructions are used.
#if defined(__i386__) && defined(__GNUC__) && !defined(__clang__)
#pragma GCC target("tune=pentium4")
#endif

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "word loads below assume a little-endian target"
#endif

namespace sigplug {
namespace {

inline uint32_t load32(const unsigned char* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline void store32(unsigned char* p, uint32_t word) { std::memcpy(p, &word, sizeof word); }

template <int s>
inline uint32_t rotl(uint32_t x) {
    return (x << s) | (x >> (32 - s));
}

// The round functions are arranged so that the newest value, b, enters as
// late as possible: MD5 is one long dependency chain and only its length counts.
template <int s>
inline void stepF(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t k) {
    a += x + k;
    a += d ^ (b & (c ^ d));
    a = rotl<s>(a) + b;
}

// G(b,c,d) = (b & d) | (c & ~d); the two halves never share a bit, so they
// can be added separately and the c half is ready before b.
template <int s>
inline void stepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t k) {
    a += x + k;
    a += ~d & c;
    a += d & b;
    a = rotl<s>(a) + b;
}

template <int s>
inline void stepH(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t k) {
    a += x + k;
    a += (c ^ d) ^ b;
    a = rotl<s>(a) + b;
}

template <int s>
inline void stepI(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t k) {
    a += x + k;
    a += c ^ (b | ~d);
    a = rotl<s>(a) + b;
}

// Bits 7, 15, 23, 31 of the result, once masked with 0x80808080, tell
// whether a byte of `word` is zero. The mask distributes over or, so it is
// applied once per block.
inline uint32_t zeroByteBits(uint32_t word) { return (word - 0x01010101u) & ~word; }

template <bool kWatch>
inline uint32_t watched(uint32_t word, uint32_t& zeros) {
    if (kWatch) zeros |= zeroByteBits(word);
    return word;
}

// Hashes whole blocks; with kStopAtNul it stops before the first block that
// holds a zero byte. The check rides along in round 1, which loads every word
// once, and costs little: MD5 waits on its dependency chain, not on the ALUs.
// Returns the number of blocks hashed.
template <bool kStopAtNul>
size_t processBlocks(uint32_t state[4], const unsigned char* p, size_t blocks) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    size_t done = 0;
    for (; done != blocks; ++done, p += 64) {
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
        uint32_t zeros = 0;
#define X(i) load32(p + 4 * (i))
#define W(i) watched<kStopAtNul>(load32(p + 4 * (i)), zeros)
        stepF<7>(a, b, c, d, W(0), 0xd76aa478);
        stepF<12>(d, a, b, c, W(1), 0xe8c7b756);
        stepF<17>(c, d, a, b, W(2), 0x242070db);
        stepF<22>(b, c, d, a, W(3), 0xc1bdceee);
        stepF<7>(a, b, c, d, W(4), 0xf57c0faf);
        stepF<12>(d, a, b, c, W(5), 0x4787c62a);
        stepF<17>(c, d, a, b, W(6), 0xa8304613);
        stepF<22>(b, c, d, a, W(7), 0xfd469501);
        stepF<7>(a, b, c, d, W(8), 0x698098d8);
        stepF<12>(d, a, b, c, W(9), 0x8b44f7af);
        stepF<17>(c, d, a, b, W(10), 0xffff5bb1);
        stepF<22>(b, c, d, a, W(11), 0x895cd7be);
        stepF<7>(a, b, c, d, W(12), 0x6b901122);
        stepF<12>(d, a, b, c, W(13), 0xfd987193);
        stepF<17>(c, d, a, b, W(14), 0xa679438e);
        stepF<22>(b, c, d, a, W(15), 0x49b40821);
        if (kStopAtNul && (zeros & 0x80808080u) != 0) {
            a = a0;
            b = b0;
            c = c0;
            d = d0;
            break;
        }

        stepG<5>(a, b, c, d, X(1), 0xf61e2562);
        stepG<9>(d, a, b, c, X(6), 0xc040b340);
        stepG<14>(c, d, a, b, X(11), 0x265e5a51);
        stepG<20>(b, c, d, a, X(0), 0xe9b6c7aa);
        stepG<5>(a, b, c, d, X(5), 0xd62f105d);
        stepG<9>(d, a, b, c, X(10), 0x02441453);
        stepG<14>(c, d, a, b, X(15), 0xd8a1e681);
        stepG<20>(b, c, d, a, X(4), 0xe7d3fbc8);
        stepG<5>(a, b, c, d, X(9), 0x21e1cde6);
        stepG<9>(d, a, b, c, X(14), 0xc33707d6);
        stepG<14>(c, d, a, b, X(3), 0xf4d50d87);
        stepG<20>(b, c, d, a, X(8), 0x455a14ed);
        stepG<5>(a, b, c, d, X(13), 0xa9e3e905);
        stepG<9>(d, a, b, c, X(2), 0xfcefa3f8);
        stepG<14>(c, d, a, b, X(7), 0x676f02d9);
        stepG<20>(b, c, d, a, X(12), 0x8d2a4c8a);

        stepH<4>(a, b, c, d, X(5), 0xfffa3942);
        stepH<11>(d, a, b, c, X(8), 0x8771f681);
        stepH<16>(c, d, a, b, X(11), 0x6d9d6122);
        stepH<23>(b, c, d, a, X(14), 0xfde5380c);
        stepH<4>(a, b, c, d, X(1), 0xa4beea44);
        stepH<11>(d, a, b, c, X(4), 0x4bdecfa9);
        stepH<16>(c, d, a, b, X(7), 0xf6bb4b60);
        stepH<23>(b, c, d, a, X(10), 0xbebfbc70);
        stepH<4>(a, b, c, d, X(13), 0x289b7ec6);
        stepH<11>(d, a, b, c, X(0), 0xeaa127fa);
        stepH<16>(c, d, a, b, X(3), 0xd4ef3085);
        stepH<23>(b, c, d, a, X(6), 0x04881d05);
        stepH<4>(a, b, c, d, X(9), 0xd9d4d039);
        stepH<11>(d, a, b, c, X(12), 0xe6db99e5);
        stepH<16>(c, d, a, b, X(15), 0x1fa27cf8);
        stepH<23>(b, c, d, a, X(2), 0xc4ac5665);

        stepI<6>(a, b, c, d, X(0), 0xf4292244);
        stepI<10>(d, a, b, c, X(7), 0x432aff97);
        stepI<15>(c, d, a, b, X(14), 0xab9423a7);
        stepI<21>(b, c, d, a, X(5), 0xfc93a039);
        stepI<6>(a, b, c, d, X(12), 0x655b59c3);
        stepI<10>(d, a, b, c, X(3), 0x8f0ccc92);
        stepI<15>(c, d, a, b, X(10), 0xffeff47d);
        stepI<21>(b, c, d, a, X(1), 0x85845dd1);
        stepI<6>(a, b, c, d, X(8), 0x6fa87e4f);
        stepI<10>(d, a, b, c, X(15), 0xfe2ce6e0);
        stepI<15>(c, d, a, b, X(6), 0xa3014314);
        stepI<21>(b, c, d, a, X(13), 0x4e0811a1);
        stepI<6>(a, b, c, d, X(4), 0xf7537e82);
        stepI<10>(d, a, b, c, X(11), 0xbd3af235);
        stepI<15>(c, d, a, b, X(2), 0x2ad7d2bb);
        stepI<21>(b, c, d, a, X(9), 0xeb86d391);
#undef W
#undef X
        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    return done;
}

}  // namespace

void Md5::init() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    length_ = 0;
}

void Md5::update(const void* data, size_t length) {
    if (length == 0) return;
    auto* p = static_cast<const unsigned char*>(data);
    size_t buffered = static_cast<size_t>(length_ % 64);
    length_ += length;
    if (buffered != 0) {
        size_t take = 64 - buffered;
        if (length < take) {
            std::memcpy(buffer_ + buffered, p, length);
            return;
        }
        std::memcpy(buffer_ + buffered, p, take);
        processBlocks<false>(state_, buffer_, 1);
        p += take;
        length -= take;
    }
    // Whole blocks straight from the caller's memory: no copy of the data.
    size_t blocks = length / 64;
    processBlocks<false>(state_, p, blocks);
    p += blocks * 64;
    length -= blocks * 64;
    if (length != 0) std::memcpy(buffer_, p, length);
}

size_t Md5::updateToNul(const void* data, size_t length) {
    auto* const start = static_cast<const unsigned char*>(data);
    const unsigned char* p = start;
    // Bytes that complete a partly filled buffer: few, a plain search will do.
    const size_t buffered = static_cast<size_t>(length_ % 64);
    if (buffered != 0) {
        const size_t take = std::min(length, 64 - buffered);
        const void* nul = std::memchr(p, '\0', take);
        const size_t fed = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - p) : take;
        update(p, fed);
        if (nul || fed == length) return fed;
        p += fed;
        length -= fed;
    }
    const size_t blocks = processBlocks<true>(state_, p, length / 64);
    length_ += blocks * 64;
    p += blocks * 64;
    length -= blocks * 64;
    // What is left: the block holding the NUL, or a tail shorter than a block.
    const size_t rest = std::min<size_t>(length, 64);
    const void* nul = std::memchr(p, '\0', rest);
    const size_t fed = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - p) : rest;
    update(p, fed);
    return static_cast<size_t>(p - start) + fed;
}

void Md5::final(uint8_t digest[kMd5DigestSize]) {
    const uint64_t bits = length_ * 8;
    size_t buffered = static_cast<size_t>(length_ % 64);
    buffer_[buffered++] = 0x80;
    if (buffered > 56) {
        std::memset(buffer_ + buffered, 0, 64 - buffered);
        processBlocks<false>(state_, buffer_, 1);
        buffered = 0;
    }
    std::memset(buffer_ + buffered, 0, 56 - buffered);
    store32(buffer_ + 56, static_cast<uint32_t>(bits));
    store32(buffer_ + 60, static_cast<uint32_t>(bits >> 32));
    processBlocks<false>(state_, buffer_, 1);
    for (int i = 0; i < 4; ++i) store32(digest + 4 * i, state_[i]);
}

void hexDigits(const uint8_t digest[kMd5DigestSize], char out[kMd5HexSize]) {
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < kMd5DigestSize; ++i) {
        out[2 * i] = kDigits[digest[i] >> 4];
        out[2 * i + 1] = kDigits[digest[i] & 0x0f];
    }
    out[2 * kMd5DigestSize] = '\0';
}

void md5Hex(const void* data, size_t length, char out[kMd5HexSize]) {
    Md5 md5;
    md5.update(data, length);
    uint8_t digest[kMd5DigestSize];
    md5.final(digest);
    hexDigits(digest, out);
}

}  // namespace sigplug
