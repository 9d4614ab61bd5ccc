// GDI regions: handles, the ownership ledger and window regions.
#include "internal.h"
#include "region_shape.h"

#include <map>

namespace winsim {
using detail::bits;

namespace {
constexpr uint32_t firstRegion = 0x04000000;
struct Region {
    RegionShape shape;
    HWND owner = nullptr;  // the window that took it with SetWindowRgn
};
std::map<uint32_t, Region> regions;  // created and not freed
uint32_t nextRegion = firstRegion;

Region* findRegion(HRGN handle) {
    if (!handle) return nullptr;
    auto it = regions.find(bits(handle));
    return it == regions.end() ? nullptr : &it->second;
}

const RegionShape* windowShape(HWND window) {
    detail::Window* w = detail::liveWindow(window);
    if (!w || !w->region) return nullptr;
    Region* r = findRegion(w->region);
    return r ? &r->shape : nullptr;
}
}  // namespace

namespace detail {
void freeOwnedRegion(HRGN region) { regions.erase(bits(region)); }
void resetRegions() {
    regions.clear();
    nextRegion = firstRegion;
}
}  // namespace detail

bool hasWindowRegion(HWND window) { return windowShape(window) != nullptr; }

Rects windowRegion(HWND window) {
    const RegionShape* shape = windowShape(window);
    return shape ? shape->rects() : Rects{};
}

bool windowRegionContains(HWND window, int x, int y) {
    const RegionShape* shape = windowShape(window);
    return shape && shape->contains(x, y);
}

size_t liveGdiObjects() {
    size_t count = 0;
    for (const auto& entry : regions)
        if (!entry.second.owner) ++count;
    return count;
}

size_t ownedRegions() { return regions.size() - liveGdiObjects(); }

}  // namespace winsim

using winsim::detail::logCall;

HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom) {
    logCall("CreateRectRgn");
    HRGN handle = winsim::detail::fromBits<HRGN>(winsim::nextRegion);
    winsim::nextRegion += 4;
    winsim::regions.emplace(winsim::detail::bits(handle),
                            winsim::Region{winsim::RegionShape::rect(left, top, right, bottom), nullptr});
    return handle;
}

int WINAPI CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
    logCall("CombineRgn");
    winsim::Region* dst = winsim::findRegion(destination);
    winsim::Region* a = winsim::findRegion(source1);
    if (!dst || !a) return ERROR;
    if (mode == RGN_COPY) {
        dst->shape = a->shape;
        return dst->shape.type();
    }
    winsim::Region* b = winsim::findRegion(source2);
    if (!b) return ERROR;
    using Op = winsim::RegionShape::Op;
    Op op;
    switch (mode) {
    case RGN_AND: op = Op::And; break;
    case RGN_OR: op = Op::Or; break;
    case RGN_XOR: op = Op::Xor; break;
    case RGN_DIFF: op = Op::Diff; break;
    default: return ERROR;
    }
    dst->shape = winsim::RegionShape::combine(a->shape, b->shape, op);
    return dst->shape.type();
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    logCall("DeleteObject");
    winsim::Region* r = winsim::findRegion(static_cast<HRGN>(object));
    if (!r || r->owner) return FALSE;
    winsim::regions.erase(winsim::detail::bits(object));
    return TRUE;
}

int WINAPI SetWindowRgn(HWND window, HRGN region, BOOL) {
    logCall("SetWindowRgn");
    auto* w = winsim::detail::liveWindow(window);
    if (!w) return 0;
    if (region) {
        winsim::Region* r = winsim::findRegion(region);
        if (!r || (r->owner && r->owner != window)) return 0;
        r->owner = window;
    }
    if (w->region && w->region != region) winsim::detail::freeOwnedRegion(w->region);
    w->region = region;
    return 1;
}

int WINAPI GetWindowRgn(HWND window, HRGN region) {
    logCall("GetWindowRgn");
    const winsim::RegionShape* shape = winsim::windowShape(window);
    winsim::Region* r = winsim::findRegion(region);
    if (!shape || !r) return ERROR;
    r->shape = *shape;
    return r->shape.type();
}

int WINAPI GetRgnBox(HRGN region, LPRECT rect) {
    logCall("GetRgnBox");
    winsim::Region* r = winsim::findRegion(region);
    if (!r || !rect) return ERROR;
    *rect = r->shape.box();
    return r->shape.type();
}

BOOL WINAPI PtInRegion(HRGN region, int x, int y) {
    logCall("PtInRegion");
    winsim::Region* r = winsim::findRegion(region);
    return r && r->shape.contains(x, y) ? TRUE : FALSE;
}
