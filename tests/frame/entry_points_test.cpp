// NP_GetEntryPoints, NP_Initialize, NP_Shutdown and what they leave in the
// host's records and in BrowserFunctionTable.
#include "browser.h"
#include "entry_points.h"
#include "fake_browser.h"
#include "plugin_instance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr unsigned char kUntouched = 0x5A;

// Entry slots of the host table, as raw words, for field-by-field checks.
constexpr size_t kFirstEntry = offsetof(NPNetscapeFuncs, geturl);
constexpr size_t kEntryCount = (sizeof(NPNetscapeFuncs) - kFirstEntry) / sizeof(void*);

uintptr_t entryAt(const NPNetscapeFuncs& table, size_t slot) {
    uintptr_t value;
    std::memcpy(&value, reinterpret_cast<const char*>(&table) + kFirstEntry + slot * sizeof(void*), sizeof value);
    return value;
}

void setEntryAt(NPNetscapeFuncs& table, size_t slot, uintptr_t value) {
    std::memcpy(reinterpret_cast<char*>(&table) + kFirstEntry + slot * sizeof(void*), &value, sizeof value);
}

constexpr size_t slotOf(size_t offset) { return (offset - kFirstEntry) / sizeof(void*); }

bool sameBytes(const NPNetscapeFuncs& a, const NPNetscapeFuncs& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class FrameEntryPointsTest : public ::testing::Test {
protected:
    FrameEntryPointsTest() {
        // Start from a table the frame took from this host, so every test sees the same state.
        EXPECT_EQ(NP_Initialize(&host.functions()), NPERR_NO_ERROR);
    }
    ~FrameEntryPointsTest() override { NP_Initialize(&host.functions()); }  // no stray pointers for the next test

    fakehost::FakeBrowser host;
};

// ---- NP_GetEntryPoints ------------------------------------------------------------

struct SizeCase {
    uint16_t size;
    NPError expected;
};

class FrameGetEntryPointsSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FrameGetEntryPointsSize, FillsOnlyTheHandlersAndOnlyFromSixtyBytesOn) {
    NPPluginFuncs funcs;
    std::memset(&funcs, kUntouched, sizeof funcs);
    funcs.size = GetParam().size;
    funcs.version = 0x1234;
    NPPluginFuncs before = funcs;

    EXPECT_EQ(NP_GetEntryPoints(&funcs), GetParam().expected);

    if (GetParam().expected != NPERR_NO_ERROR) {
        EXPECT_EQ(std::memcmp(&funcs, &before, sizeof funcs), 0) << "a refused record must stay as it was";
        return;
    }
    EXPECT_EQ(funcs.size, before.size);
    EXPECT_EQ(funcs.version, 0x1234);
    EXPECT_EQ(funcs.javaClass, before.javaClass);
    EXPECT_EQ(funcs.newp, &NPP_New);
    EXPECT_EQ(funcs.destroy, &NPP_Destroy);
    EXPECT_EQ(funcs.setwindow, &NPP_SetWindow);
    EXPECT_EQ(funcs.newstream, &NPP_NewStream);
    EXPECT_EQ(funcs.destroystream, &NPP_DestroyStream);
    EXPECT_EQ(funcs.asfile, &NPP_StreamAsFile);
    EXPECT_EQ(funcs.writeready, &NPP_WriteReady);
    EXPECT_EQ(funcs.write, &NPP_Write);
    EXPECT_EQ(funcs.print, &NPP_Print);
    EXPECT_EQ(funcs.event, &NPP_HandleEvent);
    EXPECT_EQ(funcs.urlnotify, &NPP_URLNotify);
    EXPECT_EQ(funcs.getvalue, &NPP_GetValue);
    EXPECT_EQ(funcs.setvalue, &NPP_SetValue);
    const size_t tail = offsetof(NPPluginFuncs, setvalue) + sizeof(void*);
    EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(&funcs) + tail, reinterpret_cast<char*>(&before) + tail,
                          sizeof funcs - tail),
              0)
        << "entries after NPP_SetValue belong to the host";
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameGetEntryPointsSize,
                         ::testing::Values(SizeCase{0, NPERR_INVALID_FUNCTABLE_ERROR},
                                           SizeCase{59, NPERR_INVALID_FUNCTABLE_ERROR},
                                           SizeCase{60, NPERR_NO_ERROR},
                                           SizeCase{sizeof(NPPluginFuncs), NPERR_NO_ERROR},
                                           SizeCase{0xFFFF, NPERR_NO_ERROR}),
                         [](const auto& info) { return "Size" + std::to_string(info.param.size); });

TEST(FrameGetEntryPoints, NullRecordIsRefused) { EXPECT_EQ(NP_GetEntryPoints(nullptr), NPERR_INVALID_FUNCTABLE_ERROR); }

TEST(FrameGetEntryPoints, SixtyByteRecordIsNotWrittenPastItsEnd) {
    // A heap block of exactly 60 bytes: the sanitizer reports any write beyond.
    std::unique_ptr<unsigned char[]> block(new unsigned char[kPluginFuncsMinSize]);
    std::memset(block.get(), kUntouched, kPluginFuncsMinSize);
    auto* funcs = reinterpret_cast<NPPluginFuncs*>(block.get());
    funcs->size = kPluginFuncsMinSize;
    EXPECT_EQ(NP_GetEntryPoints(funcs), NPERR_NO_ERROR);
    EXPECT_EQ(funcs->setvalue, &NPP_SetValue);
}

// ---- NP_Initialize -------------------------------------------------------------------

struct VersionCase {
    uint16_t version;
    uint16_t size;
    NPError expected;
};

class FrameInitialize : public FrameEntryPointsTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(FrameInitialize, RefusesWithoutWritingAndAcceptsMajorZero) {
    NPNetscapeFuncs offered = fakehost::FakeBrowser::completeTable(GetParam().version);
    offered.size = GetParam().size;
    offered.memflush = nullptr;  // tells this record from the one already copied
    const NPNetscapeFuncs before = BrowserFunctionTable;

    EXPECT_EQ(NP_Initialize(&offered), GetParam().expected);

    if (GetParam().expected != NPERR_NO_ERROR) {
        EXPECT_TRUE(sameBytes(BrowserFunctionTable, before)) << "a failed call writes nothing";
    } else {
        EXPECT_EQ(BrowserFunctionTable.size, GetParam().size);
        EXPECT_EQ(BrowserFunctionTable.version, GetParam().version);
        EXPECT_EQ(BrowserFunctionTable.memflush, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameInitialize,
    ::testing::Values(VersionCase{256, 196, NPERR_INCOMPATIBLE_VERSION_ERROR},
                      VersionCase{256, 100, NPERR_INCOMPATIBLE_VERSION_ERROR},  // version is tested first
                      VersionCase{0xFF1B, sizeof(NPNetscapeFuncs), NPERR_INCOMPATIBLE_VERSION_ERROR},
                      VersionCase{255, 196, NPERR_NO_ERROR},
                      VersionCase{27, 196, NPERR_NO_ERROR},
                      VersionCase{0, sizeof(NPNetscapeFuncs), NPERR_NO_ERROR},
                      VersionCase{27, 195, NPERR_INVALID_FUNCTABLE_ERROR},
                      VersionCase{27, 180, NPERR_INVALID_FUNCTABLE_ERROR},
                      VersionCase{27, 0, NPERR_INVALID_FUNCTABLE_ERROR}),
    [](const auto& info) {
        return "Version" + std::to_string(info.param.version) + "Size" + std::to_string(info.param.size);
    });

TEST_F(FrameEntryPointsTest, InitializeRefusesNullRecordWithoutWriting) {
    const NPNetscapeFuncs before = BrowserFunctionTable;
    EXPECT_EQ(NP_Initialize(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    EXPECT_TRUE(sameBytes(BrowserFunctionTable, before));
}

TEST_F(FrameEntryPointsTest, CopiesTheListedEntriesAndNullsTheRest) {
    NPNetscapeFuncs offered = fakehost::FakeBrowser::completeTable();
    for (size_t slot = 0; slot < kEntryCount; ++slot) setEntryAt(offered, slot, 0x1000 + slot);  // never called

    ASSERT_EQ(NP_Initialize(&offered), NPERR_NO_ERROR);

    const std::vector<size_t> nulled = {
        slotOf(offsetof(NPNetscapeFuncs, getJavaEnv)), slotOf(offsetof(NPNetscapeFuncs, getJavaPeer)),
        slotOf(offsetof(NPNetscapeFuncs, pushpopupsenabledstate)),
        slotOf(offsetof(NPNetscapeFuncs, poppopupsenabledstate)), slotOf(offsetof(NPNetscapeFuncs, enumerate))};
    const size_t firstNotCopied = slotOf(offsetof(NPNetscapeFuncs, construct));
    for (size_t slot = 0; slot < kEntryCount; ++slot) {
        bool copied = slot < firstNotCopied && std::find(nulled.begin(), nulled.end(), slot) == nulled.end();
        EXPECT_EQ(entryAt(BrowserFunctionTable, slot), copied ? 0x1000 + slot : 0u) << "entry " << slot;
    }
    EXPECT_EQ(reinterpret_cast<uintptr_t>(BrowserFunctionTable.pluginthreadasynccall),
              0x1000 + slotOf(offsetof(NPNetscapeFuncs, pluginthreadasynccall)));
    EXPECT_EQ(BrowserFunctionTable.construct, nullptr);
    EXPECT_EQ(BrowserFunctionTable.urlredirectresponse, nullptr);
}

TEST_F(FrameEntryPointsTest, ReadsNothingPastA196ByteRecord) {
    // Exactly the minimum size on the heap: the sanitizer reports any read beyond.
    NPNetscapeFuncs complete = fakehost::FakeBrowser::completeTable();
    std::unique_ptr<unsigned char[]> block(new unsigned char[kNetscapeFuncsMinSize]);
    std::memcpy(block.get(), &complete, kNetscapeFuncsMinSize);
    auto* offered = reinterpret_cast<NPNetscapeFuncs*>(block.get());
    offered->size = kNetscapeFuncsMinSize;
    EXPECT_EQ(NP_Initialize(offered), NPERR_NO_ERROR);
    EXPECT_EQ(BrowserFunctionTable.memalloc, complete.memalloc);
}

TEST_F(FrameEntryPointsTest, NullHostEntriesAreCopiedAndAnswerLikeFailedServices) {
    NPNetscapeFuncs offered = host.functions();
    offered.memalloc = nullptr;
    offered.createobject = nullptr;
    offered.getstringidentifier = nullptr;
    offered.releaseobject = nullptr;
    ASSERT_EQ(NP_Initialize(&offered), NPERR_NO_ERROR);
    EXPECT_EQ(BrowserFunctionTable.memalloc, nullptr);
    EXPECT_EQ(NPN_MemAlloc(4), nullptr);
    EXPECT_EQ(NPN_GetStringIdentifier("alpha"), nullptr);
    NPClass plain{};
    EXPECT_EQ(NPN_CreateObject(nullptr, &plain), nullptr);
    NPN_ReleaseObject(nullptr);
    EXPECT_EQ(host.memory().allocations, 0u);
}

TEST_F(FrameEntryPointsTest, ASecondInitializeCopiesOverTheFirst) {
    NPNetscapeFuncs second = host.functions();
    second.version = 26;
    second.memfree = nullptr;
    ASSERT_EQ(NP_Initialize(&second), NPERR_NO_ERROR);
    EXPECT_EQ(BrowserFunctionTable.version, 26);
    EXPECT_EQ(BrowserFunctionTable.memfree, nullptr);
    EXPECT_EQ(BrowserFunctionTable.memalloc, host.functions().memalloc);
}

TEST_F(FrameEntryPointsTest, ShutdownChangesNothing) {
    const NPNetscapeFuncs before = BrowserFunctionTable;
    EXPECT_EQ(NP_Shutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(NP_Shutdown(), NPERR_NO_ERROR);
    EXPECT_TRUE(sameBytes(BrowserFunctionTable, before));
    EXPECT_TRUE(host.serviceCalls().empty());
}

}  // namespace
