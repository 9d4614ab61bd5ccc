// Exact region arithmetic on rectangle sets kept in canonical band form, the
// representation GDI uses: equal results compare equal.
#pragma once

#include "win32_api.h"

#include <vector>

namespace winsim {

class RegionShape {
public:
    RegionShape() = default;
    static RegionShape rect(int left, int top, int right, int bottom);  // normalises reversed edges

    enum class Op { And, Or, Xor, Diff };
    static RegionShape combine(const RegionShape& a, const RegionShape& b, Op op);

    const std::vector<RECT>& rects() const { return rects_; }
    bool empty() const { return rects_.empty(); }
    int type() const;  // NULLREGION, SIMPLEREGION or COMPLEXREGION
    RECT box() const;  // all zeros when empty
    bool contains(int x, int y) const;
    bool operator==(const RegionShape& other) const;

private:
    std::vector<RECT> rects_;
};

}  // namespace winsim
