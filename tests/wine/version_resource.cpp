#include "version_resource.h"

#include <cstdio>

namespace winehost {

VersionInfo::VersionInfo(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return;
    std::vector<BYTE> data(size);
    if (GetFileVersionInfoW(path.c_str(), 0, size, data.data())) data_.swap(data);
}

std::optional<VS_FIXEDFILEINFO> VersionInfo::fixed() const {
    void* value = nullptr;
    UINT length = 0;
    if (!ok() || !VerQueryValueW(data_.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    return *static_cast<const VS_FIXEDFILEINFO*>(value);
}

std::vector<std::pair<WORD, WORD>> VersionInfo::translations() const {
    std::vector<std::pair<WORD, WORD>> pairs;
    void* value = nullptr;
    UINT length = 0;
    if (!ok() || !VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &length)) return pairs;
    auto words = static_cast<const WORD*>(value);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) pairs.emplace_back(words[i], words[i + 1]);
    return pairs;
}

std::optional<std::wstring> VersionInfo::string(const std::wstring& key) const {
    std::vector<std::pair<WORD, WORD>> pairs = translations();
    if (pairs.empty()) return std::nullopt;
    wchar_t block[64];
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", pairs[0].first, pairs[0].second);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), (block + key).c_str(), &value, &length) || !value) return std::nullopt;
    return std::wstring(static_cast<const wchar_t*>(value));
}

namespace {

size_t alignUp(size_t offset) { return (offset + 3) & ~size_t(3); }

// Reads the node at `offset` of `data` (whose block started at `base`).
bool parseNode(const BYTE* data, size_t size, size_t offset, VersionNode& node, int depth) {
    if (depth > 8 || offset + 6 > size) return false;
    auto word = [&](size_t at) { return *reinterpret_cast<const WORD*>(data + at); };
    size_t length = word(offset);
    node.valueLength = word(offset + 2);
    node.type = word(offset + 4);
    size_t end = offset + length;
    if (length < 6 || end > size) return false;

    size_t at = offset + 6;
    while (at + 2 <= end && word(at) != 0) {
        node.key.push_back(static_cast<wchar_t>(word(at)));
        at += 2;
    }
    at = alignUp(at + 2);
    size_t valueBytes = node.type == 1 ? size_t(node.valueLength) * 2 : node.valueLength;
    if (at + valueBytes > end) return false;
    if (node.type == 1) {
        for (size_t i = 0; i < node.valueLength; ++i) node.text.push_back(static_cast<wchar_t>(word(at + 2 * i)));
    }
    at = alignUp(at + valueBytes);
    while (at < end) {
        VersionNode child;
        if (!parseNode(data, size, at, child, depth + 1)) return false;
        at = alignUp(at + word(at));
        node.children.push_back(std::move(child));
    }
    return true;
}

}  // namespace

std::optional<VersionNode> parseVersionResource(HMODULE module) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    if (!resource) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, resource);
    DWORD size = SizeofResource(module, resource);
    auto data = static_cast<const BYTE*>(LockResource(loaded));
    if (!data || size < 6) return std::nullopt;
    VersionNode root;
    if (!parseNode(data, size, 0, root, 0)) return std::nullopt;
    return root;
}

}  // namespace winehost
