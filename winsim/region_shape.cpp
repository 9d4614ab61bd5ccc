#include "region_shape.h"

#include <algorithm>
#include <utility>

namespace winsim {
namespace {

using Span = std::pair<LONG, LONG>;  // [left, right)
struct Band {
    LONG top;
    LONG bottom;
    std::vector<Span> spans;
};

// Spans of the shape covering the whole strip [y0, y1); the strip lies inside
// one band because its edges come from every band edge of the shape.
std::vector<Span> spansIn(const std::vector<RECT>& rects, LONG y0, LONG y1) {
    std::vector<Span> spans;
    for (const RECT& r : rects)
        if (r.top <= y0 && r.bottom >= y1) spans.emplace_back(r.left, r.right);
    return spans;
}

bool covers(const std::vector<Span>& spans, LONG x0, LONG x1) {
    for (const Span& s : spans)
        if (s.first <= x0 && s.second >= x1) return true;
    return false;
}

bool keep(bool inA, bool inB, RegionShape::Op op) {
    switch (op) {
    case RegionShape::Op::And: return inA && inB;
    case RegionShape::Op::Or: return inA || inB;
    case RegionShape::Op::Xor: return inA != inB;
    case RegionShape::Op::Diff: return inA && !inB;
    }
    return false;
}

std::vector<LONG> edges(const std::vector<Span>& a, const std::vector<Span>& b) {
    std::vector<LONG> xs;
    for (const auto* spans : {&a, &b})
        for (const Span& s : *spans) {
            xs.push_back(s.first);
            xs.push_back(s.second);
        }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    return xs;
}

}  // namespace

RegionShape RegionShape::rect(int left, int top, int right, int bottom) {
    RegionShape shape;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (left < right && top < bottom) shape.rects_.push_back(RECT{left, top, right, bottom});
    return shape;
}

RegionShape RegionShape::combine(const RegionShape& a, const RegionShape& b, Op op) {
    std::vector<LONG> ys;
    for (const auto* shape : {&a, &b})
        for (const RECT& r : shape->rects_) {
            ys.push_back(r.top);
            ys.push_back(r.bottom);
        }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    std::vector<Band> bands;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        const LONG y0 = ys[i], y1 = ys[i + 1];
        const auto sa = spansIn(a.rects_, y0, y1);
        const auto sb = spansIn(b.rects_, y0, y1);
        const auto xs = edges(sa, sb);
        std::vector<Span> spans;
        for (size_t j = 0; j + 1 < xs.size(); ++j) {
            const LONG x0 = xs[j], x1 = xs[j + 1];
            if (!keep(covers(sa, x0, x1), covers(sb, x0, x1), op)) continue;
            if (!spans.empty() && spans.back().second == x0)
                spans.back().second = x1;
            else
                spans.emplace_back(x0, x1);
        }
        if (spans.empty()) continue;
        if (!bands.empty() && bands.back().bottom == y0 && bands.back().spans == spans)
            bands.back().bottom = y1;
        else
            bands.push_back(Band{y0, y1, std::move(spans)});
    }

    RegionShape result;
    for (const Band& band : bands)
        for (const Span& s : band.spans) result.rects_.push_back(RECT{s.first, band.top, s.second, band.bottom});
    return result;
}

int RegionShape::type() const {
    if (rects_.empty()) return NULLREGION;
    return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT RegionShape::box() const {
    if (rects_.empty()) return RECT{0, 0, 0, 0};
    RECT box = rects_.front();
    for (const RECT& r : rects_) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    return box;
}

bool RegionShape::contains(int x, int y) const {
    for (const RECT& r : rects_)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

bool RegionShape::operator==(const RegionShape& other) const {
    if (rects_.size() != other.rects_.size()) return false;
    for (size_t i = 0; i < rects_.size(); ++i) {
        const RECT &p = rects_[i], &q = other.rects_[i];
        if (p.left != q.left || p.top != q.top || p.right != q.right || p.bottom != q.bottom) return false;
    }
    return true;
}

}  // namespace winsim
