// Every member of the signature object against wrong counts, wrong types and
// odd values, with the answer each must give and the host's memory ledger
// balanced after every row.
#include "../sigplug/sigplug_fixture.h"

#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace sigplug_test {
namespace {

enum class Answer { FalseUntouched, Signature, DefaultText, VoidResult };
enum class Member { Invoke, InvokeDefault, GetProperty };

struct Row {
    const char* label;
    Member member;
    const char* name;
    std::vector<NPVariant> args;
    Answer answer;
};

NPVariant number(double d) { return fakehost::doubleVariant(d); }

const char kText[] = "page text";
const char kNulText[] = "a\0b\0";

std::vector<Row> rows() {
    using fakehost::boolVariant;
    using fakehost::intVariant;
    using fakehost::nullVariant;
    using fakehost::stringVariant;
    using fakehost::voidVariant;
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<NPVariant> notStrings = {voidVariant(),       nullVariant(),        boolVariant(true),
                                               intVariant(0),       intVariant(-2147483647 - 1),
                                               number(std::numeric_limits<double>::quiet_NaN()),
                                               number(inf),         number(-inf),         number(1e300),
                                               number(-0.0),        number(2147483648.0), number(-2147483649.0)};
    std::vector<Row> r;
    r.push_back({"no_args", Member::Invoke, "signature", {}, Answer::FalseUntouched});
    for (const NPVariant& v : notStrings) {
        r.push_back({"not_a_string", Member::Invoke, "signature", {v}, Answer::FalseUntouched});
        r.push_back({"not_a_string_then_string", Member::Invoke, "signature", {v, stringVariant(kText, 9)},
                     Answer::FalseUntouched});
        r.push_back({"string_then_anything", Member::Invoke, "signature", {stringVariant(kText, 9), v},
                     Answer::Signature});
        r.push_back({"cache_file", Member::Invoke, "getCacheFile", {v}, Answer::FalseUntouched});
        r.push_back({"default_call", Member::InvokeDefault, "", {v, v}, Answer::DefaultText});
    }
    r.push_back({"empty_string", Member::Invoke, "signature", {stringVariant(nullptr, 0)}, Answer::Signature});
    r.push_back({"nul_inside_length", Member::Invoke, "signature", {stringVariant(kNulText, 4)}, Answer::Signature});
    r.push_back({"cache_file_no_args", Member::Invoke, "getCacheFile", {}, Answer::FalseUntouched});
    r.push_back({"cache_file_string", Member::Invoke, "getCacheFile", {stringVariant(kText, 9)}, Answer::FalseUntouched});
    for (const char* other : {"", "Signature", "toString", "signature "})
        r.push_back({"unknown_method", Member::Invoke, other, {stringVariant(kText, 9)}, Answer::FalseUntouched});
    for (const char* other : {"", "signature", "length"})
        r.push_back({"property", Member::GetProperty, other, {}, Answer::VoidResult});
    return r;
}

void PrintTo(const Row& row, std::ostream* os) { *os << row.name << " " << row.label; }

class BadInputTest : public SigplugTest, public ::testing::WithParamInterface<Row> {};

TEST_P(BadInputTest, AnswersAsDefinedAndLeavesTheLedgerBalanced) {
    const Row& row = GetParam();
    const size_t blocksAtStart = browser.memory().liveBlocks;
    NPVariant result = Outcome::sentinel();
    NPIdentifier name = fakehost::FakeBrowser::identifier(row.name);
    const uint32_t count = static_cast<uint32_t>(row.args.size());
    bool ok = false;
    switch (row.member) {
    case Member::Invoke: ok = object->_class->invoke(object, name, row.args.data(), count, &result); break;
    case Member::InvokeDefault: ok = object->_class->invokeDefault(object, row.args.data(), count, &result); break;
    case Member::GetProperty: ok = object->_class->getProperty(object, name, &result); break;
    }
    Outcome outcome{ok, result};
    switch (row.answer) {
    case Answer::FalseUntouched:
        EXPECT_FALSE(ok);
        EXPECT_TRUE(outcome.untouched());
        break;
    case Answer::Signature:
    case Answer::DefaultText: {
        ASSERT_TRUE(ok);
        ASSERT_EQ(result.type, NPVariantType_String);
        const NPString& s = result.value.stringValue;
        EXPECT_EQ(s.UTF8Length, row.answer == Answer::Signature ? 32u : 25u);
        EXPECT_GT(browser.blockSize(s.UTF8Characters), s.UTF8Length);
        EXPECT_EQ(s.UTF8Characters[s.UTF8Length], '\0');
        if (row.answer == Answer::DefaultText) {
            EXPECT_EQ(std::string(s.UTF8Characters, s.UTF8Length), "default method return val");
        }
        browser.clearVariant(&result);
        break;
    }
    case Answer::VoidResult:
        EXPECT_TRUE(ok);
        EXPECT_EQ(result.type, NPVariantType_Void);
        break;
    }
    EXPECT_EQ(browser.memory().liveBlocks, blocksAtStart);
    EXPECT_TRUE(browser.errors().empty()) << ::testing::PrintToString(browser.errors());
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) {
    return std::string(info.param.label) + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(EveryMember, BadInputTest, ::testing::ValuesIn(rows()), rowName);

}  // namespace
}  // namespace sigplug_test
