// The computation on its own: executable name, name digest, text digest.
#include "signature.h"
#include "reference_md5.h"
#include "winsim.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using sigplug::kMd5HexSize;
using sigplug_test::expectedSignature;
using sigplug_test::referenceMd5Hex;
using sigplug_test::upper;

TEST(ExecutableName, LowerCasesAndCutsAtTheWinningSeparator) {
    struct Case {
        const char* path;
        const char* name;  // null: no name, the call fails
    };
    const Case cases[] = {
        {"C:\\Apps\\Host.EXE", "host.exe"},
        {"c:\\apps\\host.exe", "host.exe"},
        {"C:\\Apps/Tools\\Host.exe", "tools\\host.exe"},  // a slash anywhere beats every backslash
        {"C:/Apps/Host.exe", "host.exe"},
        {"\\Host.exe", "host.exe"},
        {"C:\\\xC3\x84PPS\\\xC3\x84PP.EXE", "\xC3\x84pp.exe"},  // bytes from 0x80 stay as they are
        {"C:\\Apps\\", nullptr},
        {"C:/Apps/", nullptr},
        {"C:\\Apps/", nullptr},  // the slash wins and leaves nothing; the backslash is not tried
        {"Host.exe", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char path[MAX_PATH] = {};
        std::strcpy(path, c.path);
        std::string_view name = sigplug::executableName(path, sizeof path);
        if (c.name) {
            EXPECT_EQ(name, c.name) << c.path;
        } else {
            EXPECT_TRUE(name.empty()) << c.path;
        }
    }
}

TEST(ExecutableName, FailsWhenTheBufferHoldsNoNul) {
    char path[8];
    std::memcpy(path, "C:\\A\\B.E", sizeof path);
    EXPECT_TRUE(sigplug::executableName(path, sizeof path).empty());
    char fits[9] = "C:\\A\\B.E";
    EXPECT_EQ(sigplug::executableName(fits, sizeof fits), "b.e");
}

class NameDigestTest : public ::testing::Test {
protected:
    void SetUp() override { winsim::reset(); }
    void TearDown() override { winsim::reset(); }

    static std::string digestOf(const std::string& path) {
        winsim::setModuleFileName(path);
        return digest();
    }
    static std::string digest() {
        char out[kMd5HexSize];
        std::memset(out, 0x7f, sizeof out);
        return sigplug::executableNameDigest(out) ? std::string(out) : std::string("failed");
    }
};

TEST_F(NameDigestTest, IsTheUpperCaseMd5OfTheLowerCasedName) {
    const std::string expected = upper(referenceMd5Hex("host.exe"));
    for (const char* path : {"C:\\Apps\\Host.EXE", "C:\\APPS\\HOST.EXE", "c:\\apps\\host.exe"})
        EXPECT_EQ(digestOf(path), expected) << path;
    EXPECT_EQ(digestOf("C:\\Apps/Tools\\Host.exe"), upper(referenceMd5Hex("tools\\host.exe")));
    EXPECT_EQ(winsim::callCount("GetModuleFileNameA"), 4u) << "the path is read on every call";
}

TEST_F(NameDigestTest, FailsWithoutAUsableName) {
    for (const char* path : {"C:\\Apps\\", "C:\\Apps/", "Host.exe"}) EXPECT_EQ(digestOf(path), "failed") << path;
    winsim::setModuleFileName("C:\\Apps\\Host.exe");
    winsim::failModuleFileName(true);
    EXPECT_EQ(digest(), "failed") << "GetModuleFileNameA returned 0";
}

// A path longer than the buffer: newer systems cut it and terminate it (used
// as cut), older ones fill all 260 bytes with no NUL (fails).
TEST_F(NameDigestTest, OverlongPathIsUsedCutUnlessItLacksItsNul) {
    const std::string path = "C:\\Apps\\" + std::string(300, 'X') + ".exe";
    winsim::setModuleFileName(path);
    EXPECT_EQ(digest(), upper(referenceMd5Hex(std::string(MAX_PATH - 1 - 8, 'x'))));
    winsim::moduleFileNameWithoutNul(true);
    EXPECT_EQ(digest(), "failed");
}

std::string signed_(const NPString& text, const std::string& nameDigest) {
    char out[kMd5HexSize];
    sigplug::signText(text, nameDigest.c_str(), out);
    return out;
}

TEST(SignText, IsTheMd5OfTheTextFollowedByTheNameDigits) {
    const std::string digits = upper(referenceMd5Hex("host.exe"));
    const std::string big(3 << 20, 'q');
    for (const std::string& text : {std::string("abc"), std::string(), std::string(1000, 'z'), big}) {
        NPString string{text.data(), static_cast<uint32_t>(text.size())};
        EXPECT_EQ(signed_(string, digits), expectedSignature(text, "host.exe")) << "length " << text.size();
    }
}

TEST(SignText, EndsAtTheFirstNulOrAtUtf8Length) {
    const std::string digits = upper(referenceMd5Hex("host.exe"));
    const std::string a = expectedSignature("a", "host.exe");
    EXPECT_EQ(signed_(NPString{"a\0b", 3}, digits), a) << "embedded NUL";
    EXPECT_EQ(signed_(NPString{"abcdef", 1}, digits), a) << "UTF8Length before the NUL";
    EXPECT_EQ(signed_(NPString{nullptr, 7}, digits), expectedSignature("", "host.exe")) << "null characters";
    EXPECT_EQ(signed_(NPString{"", 0}, digits), referenceMd5Hex(digits)) << "empty text";
}

// The host's bytes sit at the very end of a heap block, so ASan reports any
// read beyond UTF8Length.
TEST(SignText, NeverReadsPastUtf8LengthOfAnUnterminatedText) {
    const std::string digits = upper(referenceMd5Hex("host.exe"));
    for (size_t length : {1u, 63u, 64u, 16384u, 16385u, 50000u}) {
        std::unique_ptr<char[]> block(new char[length]);
        std::memset(block.get(), 'u', length);
        NPString string{block.get(), static_cast<uint32_t>(length)};
        EXPECT_EQ(signed_(string, digits), expectedSignature(std::string(length, 'u'), "host.exe")) << length;
    }
}

// Long texts are searched for their NUL piece by piece; the NUL may sit on
// either side of a piece's edge.
TEST(SignText, FindsTheNulAnywhereInALongText) {
    const std::string digits = upper(referenceMd5Hex("host.exe"));
    for (size_t nulAt : {0u, 16383u, 16384u, 16385u, 40000u}) {
        std::string text(50000, 'n');
        text[nulAt] = '\0';
        NPString string{text.data(), static_cast<uint32_t>(text.size())};
        EXPECT_EQ(signed_(string, digits), expectedSignature(text.substr(0, nulAt), "host.exe")) << nulAt;
    }
}

}  // namespace
