// Shared by the winsim tests: a clean simulation per test and RECT printing.
#pragma once

#include "winsim.h"

#include <gtest/gtest.h>

#include <ostream>

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

class WinsimTest : public testing::Test {
protected:
    void SetUp() override { winsim::reset(); }
    void TearDown() override { winsim::reset(); }
};
