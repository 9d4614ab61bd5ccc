// Every docking method against each wrong argument count, each wrong type and
// odd numbers, with the answer each must give and the host's ledgers balanced
// after every row.
#include "../dockplug/resolve_fixture.h"

#include <cmath>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace dockplug_test {
namespace {

// Arguments named by kind, made into variants once the windows exist.
enum class A { Page, PageAsDouble, Target, DeadPage, Int, Dbl, Str, StrNul, Obj, Void, Null, Bool };
struct Arg {
    A kind;
    double number = 0;
};
Arg page() { return {A::Page}; }
Arg num(double d) { return {A::Dbl, d}; }
Arg i32(double i) { return {A::Int, i}; }
Arg kind(A k) { return {k}; }

enum class Answer { FalseUntouched, TrueUntouched, TrueBoolTrue, TrueBoolFalse };

struct Row {
    const char* label;
    const char* method;
    std::vector<Arg> args;
    Answer answer;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::vector<Row> rows() {
    std::vector<Row> r;
    const A wrongTypes[] = {A::Str, A::Obj, A::Void, A::Null, A::Bool};
    // Numbers that are no window: NaN gives 0, the infinities and the big ones saturate.
    const double oddNumbers[] = {kNaN, kInf, -kInf, 1e300, -1e300, -0.0, 2147483648.0, -2147483649.0, 0.5};
    for (const char* m : {"attachWndToTab", "attachWndToMainFrame"}) {
        r.push_back({"no_args", m, {}, Answer::FalseUntouched});
        r.push_back({"one_arg", m, {page()}, Answer::FalseUntouched});
        for (A t : wrongTypes) {
            r.push_back({"bad_first", m, {kind(t), kind(A::Target)}, Answer::FalseUntouched});
            r.push_back({"bad_second", m, {page(), kind(t)}, Answer::FalseUntouched});
        }
        for (double d : oddNumbers) {
            r.push_back({"odd_page", m, {num(d), kind(A::Target)}, Answer::TrueBoolFalse});
            r.push_back({"odd_target", m, {page(), num(d)}, Answer::TrueBoolFalse});
        }
        r.push_back({"int_min_page", m, {i32(-2147483648.0), kind(A::Target)}, Answer::TrueBoolFalse});
        r.push_back({"dead_page", m, {kind(A::DeadPage), kind(A::Target)}, Answer::TrueBoolFalse});
        r.push_back({"valid", m, {page(), kind(A::Target)}, Answer::TrueBoolTrue});
        r.push_back({"valid_as_doubles", m, {kind(A::PageAsDouble), kind(A::Target)}, Answer::TrueBoolTrue});
        r.push_back({"extra_args_ignored", m, {page(), kind(A::Target), kind(A::Str)}, Answer::TrueBoolTrue});
    }
    for (const char* m : {"hideLayeredWnd", "showLayeredWnd"}) {
        r.push_back({"no_args", m, {}, Answer::FalseUntouched});
        r.push_back({"two_args", m, {page(), page()}, Answer::FalseUntouched});
        for (A t : wrongTypes) r.push_back({"bad_type", m, {kind(t)}, Answer::FalseUntouched});
        for (double d : oddNumbers) r.push_back({"odd_page", m, {num(d)}, Answer::FalseUntouched});
        r.push_back({"dead_page", m, {kind(A::DeadPage)}, Answer::FalseUntouched});
        r.push_back({"valid", m, {page()}, Answer::TrueUntouched});
    }
    const char* bands = "setDisplayRgn";
    r.push_back({"no_args", bands, {}, Answer::FalseUntouched});
    r.push_back({"two_args", bands, {page(), i32(1)}, Answer::FalseUntouched});
    r.push_back({"four_args", bands, {page(), i32(1), i32(1), i32(1)}, Answer::FalseUntouched});
    for (A t : wrongTypes) {
        r.push_back({"bad_page", bands, {kind(t), i32(5), i32(5)}, Answer::FalseUntouched});
        r.push_back({"bad_top", bands, {page(), kind(t), i32(5)}, Answer::FalseUntouched});
        r.push_back({"bad_bottom", bands, {page(), i32(5), kind(t)}, Answer::FalseUntouched});
    }
    for (double d : oddNumbers) {
        r.push_back({"odd_top", bands, {page(), num(d), i32(5)}, Answer::TrueUntouched});
        r.push_back({"odd_bottom", bands, {page(), i32(5), num(d)}, Answer::TrueUntouched});
        r.push_back({"odd_page", bands, {num(d), i32(5), i32(5)}, Answer::TrueUntouched});
    }
    r.push_back({"int_extremes", bands, {page(), i32(2147483647.0), i32(-2147483648.0)}, Answer::TrueUntouched});
    r.push_back({"dead_page", bands, {kind(A::DeadPage), i32(5), i32(5)}, Answer::TrueUntouched});
    const char* dns = "dnsResolve";
    r.push_back({"no_args", dns, {}, Answer::FalseUntouched});
    r.push_back({"one_arg", dns, {kind(A::Str)}, Answer::FalseUntouched});
    r.push_back({"three_args", dns, {kind(A::Str), kind(A::Obj), kind(A::Obj)}, Answer::FalseUntouched});
    for (A t : {A::Obj, A::Void, A::Null, A::Bool}) r.push_back({"bad_name", dns, {kind(t), kind(A::Obj)}, Answer::FalseUntouched});
    r.push_back({"number_name", dns, {num(kNaN), kind(A::Obj)}, Answer::FalseUntouched});
    for (A t : {A::Str, A::Void, A::Null, A::Bool}) r.push_back({"bad_callback", dns, {kind(A::Str), kind(t)}, Answer::FalseUntouched});
    r.push_back({"callback_number", dns, {kind(A::Str), num(kInf)}, Answer::FalseUntouched});
    r.push_back({"nul_inside_name", dns, {kind(A::StrNul), kind(A::Obj)}, Answer::TrueUntouched});
    r.push_back({"valid", dns, {kind(A::Str), kind(A::Obj)}, Answer::TrueUntouched});
    for (const char* other : {"", "attachwndtotab", "toString"})
        r.push_back({"unknown_method", other, {page(), kind(A::Target)}, Answer::FalseUntouched});
    return r;
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.method << " " << row.label; }

class BadInputTest : public ResolveTest, public ::testing::WithParamInterface<Row> {
protected:
    NPVariant make(const Arg& a) {
        switch (a.kind) {
        case A::Page: return handleArg(windows.page);
        case A::PageAsDouble: return doubleArg(static_cast<double>(handleBits(windows.page)) + 0.75);
        case A::Target: return handleArg(target);
        case A::DeadPage: return handleArg(deadPage);
        case A::Int: return intArg(static_cast<int32_t>(a.number));
        case A::Dbl: return doubleArg(a.number);
        case A::Str: return stringArg(kName, sizeof kName - 1);
        case A::StrNul: return stringArg(kNulName, sizeof kNulName - 1);
        case A::Obj: return objectArg(callback.object());
        case A::Void: return typedArg(NPVariantType_Void);
        case A::Null: return typedArg(NPVariantType_Null);
        case A::Bool: {
            NPVariant v = typedArg(NPVariantType_Bool);
            v.value.boolValue = true;
            return v;
        }
        }
        return typedArg(NPVariantType_Void);
    }

    static constexpr char kName[] = "host.example";
    static constexpr char kNulName[] = "host\0.example";
    WindowChain windows{};
    HWND target = nullptr;
    HWND deadPage = nullptr;
    // Released before the fixture's teardown checks the host's object ledger.
    std::unique_ptr<fakehost::ScriptFunction> callbackHolder = std::make_unique<fakehost::ScriptFunction>(browser);
    fakehost::ScriptFunction& callback = *callbackHolder;

    void TearDown() override {
        finishLookups();
        callbackHolder.reset();
        ResolveTest::TearDown();
    }
};

TEST_P(BadInputTest, AnswersAsDefinedAndLeavesTheLedgersBalanced) {
    const Row& row = GetParam();
    windows = chain();
    target = window();
    WindowChain dead = chain();
    deadPage = dead.page;
    destroy(dead.layered);
    destroy(dead.page);
    const size_t objectsAtStart = browser.liveObjects();
    winsim::setDnsAnswer(kName, {0, {aRecord(kName, ipv4(10, 0, 0, 1))}, false});

    std::vector<NPVariant> args;
    for (const Arg& a : row.args) args.push_back(make(a));
    result = untouchedResult();
    bool ok = object->_class->invoke(object, fakehost::FakeBrowser::identifier(row.method), args.data(),
                                     static_cast<uint32_t>(args.size()), &result);
    switch (row.answer) {
    case Answer::FalseUntouched: EXPECT_FALSE(ok); EXPECT_TRUE(isUntouched(result)); break;
    case Answer::TrueUntouched: EXPECT_TRUE(ok); EXPECT_TRUE(isUntouched(result)); break;
    case Answer::TrueBoolTrue: EXPECT_TRUE(ok); EXPECT_TRUE(resultIsBool(true)); break;
    case Answer::TrueBoolFalse: EXPECT_TRUE(ok); EXPECT_TRUE(resultIsBool(false)); break;
    }
    // A few follow ticks with the row's state, then every lookup comes home.
    for (int i = 0; i < 3; ++i) winsim::fireTimer(pluginWindow, dockplug::kFollowTimerId);
    finishLookups();
    bool resolving = std::string(row.method) == "dnsResolve" && ok;
    EXPECT_EQ(callback.calls().size(), resolving ? 1u : 0u);
    EXPECT_EQ(winsim::liveGdiObjects(), 0u);
    EXPECT_EQ(winsim::liveDnsRecordLists(), 0u);
    EXPECT_EQ(browser.memory().liveBlocks, 0u);
    EXPECT_EQ(browser.liveObjects(), objectsAtStart);
    EXPECT_TRUE(browser.errors().empty()) << ::testing::PrintToString(browser.errors());
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) {
    std::string method = info.param.method[0] ? info.param.method : "empty";
    return method + "_" + info.param.label + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(EveryMethod, BadInputTest, ::testing::ValuesIn(rows()), rowName);

}  // namespace
}  // namespace dockplug_test
