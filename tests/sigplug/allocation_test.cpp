// Signing a text of any size takes a small constant amount of memory: the
// text is hashed where the host keeps it, never copied. This binary counts
// every request to the global operator new.
#include "sigplug_fixture.h"
#include "signature.h"

#include <cstdlib>
#include <new>

namespace {
struct NewCounter {
    bool counting = false;
    size_t requests = 0;
    size_t bytes = 0;
    size_t largest = 0;
} newCounter;

void* counted(size_t size) {
    if (newCounter.counting) {
        ++newCounter.requests;
        newCounter.bytes += size;
        if (size > newCounter.largest) newCounter.largest = size;
    }
    return std::malloc(size ? size : 1);
}

class CountNew {
public:
    CountNew() { newCounter = NewCounter{true}; }
    ~CountNew() { newCounter.counting = false; }
    CountNew(const CountNew&) = delete;
    CountNew& operator=(const CountNew&) = delete;
};
}  // namespace

// Inlined into their callers, these look to GCC like free() on memory from
// the library's operator new; they replace that operator, so they pair.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
    if (void* block = counted(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }

namespace {

using sigplug_test::expectedSignature;
using sigplug_test::SigplugTest;

TEST(SignTextMemory, NothingIsAllocatedWhateverTheTextsLength) {
    // A tool that puts its own operator new in place of ours would make every
    // count below zero, and the test pass without looking.
    {
        CountNew count;
        ::operator delete(::operator new(24));
    }
    ASSERT_EQ(newCounter.requests, 1u) << "this binary's operator new is not the one called";

    const std::string digits = sigplug_test::upper(sigplug_test::referenceMd5Hex("host.exe"));
    for (size_t length : {0u, 100u, 16u << 20}) {
        const std::string text(length, 't');
        char out[sigplug::kMd5HexSize];
        {
            CountNew count;
            sigplug::signText(NPString{text.data(), static_cast<uint32_t>(length)}, digits.c_str(), out);
        }
        EXPECT_EQ(newCounter.requests, 0u) << length;
        EXPECT_EQ(std::string(out), expectedSignature(text, "host.exe"));
    }
}

// Through the object the fake host and winsim keep their own small ledgers;
// none of that grows with the text, and the host gives exactly 33 bytes.
TEST_F(SigplugTest, ACallOnA16MiBTextTakesWhatACallOnAShortOneTakes) {
    const std::string big(16u << 20, 'b');
    EXPECT_EQ(sign("warm-up"), expectedSignature("warm-up", "host.exe"));
    const size_t hostBytesBefore = browser.memory().bytesAllocated;
    std::string result;
    {
        CountNew count;
        result = sign(big);
    }
    EXPECT_EQ(result, expectedSignature(big, "host.exe"));
    EXPECT_LT(newCounter.bytes, 4096u);
    EXPECT_LT(newCounter.largest, 1024u);
    EXPECT_EQ(browser.memory().bytesAllocated - hostBytesBefore, 33u);
}

}  // namespace
