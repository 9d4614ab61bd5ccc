#include "variant_number.h"

#include "script_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace dockplug_test;
using dockplug::variantToInt32;

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(VariantToInt32, NumbersTruncateTowardZeroAndSaturate) {
    const struct {
        NPVariant argument;
        int32_t expected;
    } cases[] = {
        {intArg(5), 5},
        {intArg(-7), -7},
        {intArg(kMin), kMin},
        {doubleArg(12.9), 12},
        {doubleArg(-12.9), -12},
        {doubleArg(321.9), 321},
        {doubleArg(-0.5), 0},
        {doubleArg(2147483647.9), kMax},
        {doubleArg(-2147483648.9), kMin},
        {doubleArg(2147483648.0), kMax},
        {doubleArg(-2147483649.0), kMin},
        {doubleArg(1e12), kMax},
        {doubleArg(-1e12), kMin},
        {doubleArg(std::numeric_limits<double>::infinity()), kMax},
        {doubleArg(-std::numeric_limits<double>::infinity()), kMin},
        {doubleArg(std::nan("")), 0},
        {doubleArg(-std::nan("")), 0},
    };
    for (const auto& c : cases) {
        const auto value = variantToInt32(c.argument);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, c.expected) << "type " << c.argument.type;
    }
}

TEST(VariantToInt32, OtherTypesAreRefused) {
    const NPVariant refused[] = {typedArg(NPVariantType_Void), typedArg(NPVariantType_Null),
                                 typedArg(NPVariantType_Bool), stringArg("321"), objectArg(nullptr)};
    for (const NPVariant& argument : refused) EXPECT_FALSE(variantToInt32(argument)) << "type " << argument.type;
}

}  // namespace
