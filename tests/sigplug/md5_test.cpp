#include "md5.h"
#include "reference_md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using sigplug::Md5;
using sigplug::md5Hex;
using sigplug_test::referenceMd5Hex;

std::string ours(const std::string& data) {
    char hex[sigplug::kMd5HexSize];
    md5Hex(data.data(), data.size(), hex);
    return hex;
}

std::string randomBytes(std::mt19937& random, size_t length) {
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

TEST(Md5, Rfc1321TestSuite) {
    struct Vector {
        const char* message;
        const char* digest;
    };
    const Vector vectors[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Vector& v : vectors) EXPECT_EQ(ours(v.message), v.digest) << '"' << v.message << '"';
}

// Every length up to 200 crosses the padding cases: 55, 56, 63, 64 and 119, 120 bytes.
TEST(Md5, AgreesWithOpenSslOnEveryShortLengthAndSomeLargeOnes) {
    std::mt19937 random(1321);
    std::vector<size_t> lengths;
    for (size_t length = 0; length <= 200; ++length) lengths.push_back(length);
    for (size_t length : {4095u, 4096u, 65536u + 63u, (1u << 20) + 13u, 3u << 20}) lengths.push_back(length);
    for (size_t length : lengths) {
        const std::string data = randomBytes(random, length);
        ASSERT_EQ(ours(data), referenceMd5Hex(data)) << "length " << length;
    }
}

TEST(Md5, IncrementalUpdatesSplitAnywhereMatchOneMessage) {
    std::mt19937 random(64);
    for (int round = 0; round < 300; ++round) {
        const size_t length = round < 250 ? random() % 300 : random() % 100000;
        const std::string data = randomBytes(random, length);
        Md5 md5;
        size_t offset = 0;
        while (offset < length) {
            size_t piece = std::min<size_t>(length - offset, random() % (round % 2 ? 8 : 200));  // zero-size pieces too
            md5.update(data.data() + offset, piece);
            offset += piece;
        }
        uint8_t digest[sigplug::kMd5DigestSize];
        md5.final(digest);
        char hex[sigplug::kMd5HexSize];
        sigplug::hexDigits(digest, hex);
        ASSERT_EQ(std::string(hex), referenceMd5Hex(data)) << "length " << length << ", round " << round;
    }
}

// After a random prefix (so the context may hold a partial block), a text in
// a heap block of exactly its size (ASan catches reads past it) with a NUL at
// a random place, or none, possibly cut short by the length given.
TEST(Md5, UpdateToNulFeedsTheBytesBeforeTheFirstNulAndNoFurther) {
    std::mt19937 random(0);
    for (int round = 0; round < 2000; ++round) {
        const std::string prefix = randomBytes(random, random() % 130);
        const size_t size = round < 1900 ? random() % 400 : random() % 70000;
        std::unique_ptr<char[]> text(new char[size ? size : 1]);
        for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>(1 + random() % 255);
        size_t expected = size;
        if (size && random() % 4) text[expected = random() % size] = '\0';
        size_t given = size;
        if (random() % 5 == 0) expected = std::min(expected, given = random() % (size + 1));

        Md5 md5;
        md5.update(prefix.data(), prefix.size());
        ASSERT_EQ(md5.updateToNul(text.get(), given), expected) << "round " << round;
        uint8_t digest[sigplug::kMd5DigestSize];
        md5.final(digest);
        char hex[sigplug::kMd5HexSize];
        sigplug::hexDigits(digest, hex);
        ASSERT_EQ(std::string(hex), referenceMd5Hex(prefix + std::string(text.get(), expected))) << "round " << round;
    }
}

TEST(Md5, InitStartsANewMessage) {
    Md5 md5;
    md5.update("something else", 14);
    uint8_t digest[sigplug::kMd5DigestSize];
    md5.final(digest);
    md5.init();
    md5.update("abc", 3);
    md5.final(digest);
    char hex[sigplug::kMd5HexSize];
    sigplug::hexDigits(digest, hex);
    EXPECT_STREQ(hex, "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, HexIsTwoLowerCaseDigitsPerByteInDigestOrderThenNul) {
    uint8_t digest[sigplug::kMd5DigestSize];
    for (size_t i = 0; i < sizeof digest; ++i) digest[i] = static_cast<uint8_t>(0x0f * i + 0x0a);
    std::string expected;
    for (uint8_t byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        expected += pair;
    }
    char out[40];
    std::memset(out, 0x7f, sizeof out);
    sigplug::hexDigits(digest, out);
    EXPECT_EQ(std::string(out, 32), expected);
    EXPECT_EQ(out[32], '\0');
    EXPECT_EQ(out[33], 0x7f) << "wrote past the 33-byte buffer";

    std::memset(out, 0x7f, sizeof out);
    md5Hex("abc", 3, out);
    EXPECT_STREQ(out, "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(out[33], 0x7f);
}

}  // namespace
