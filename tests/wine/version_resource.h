// A DLL's version resource read the way a browser reads it to register a
// plug-in (GetFileVersionInfoW, VerQueryValueW), plus a walk of the raw block
// so checks can see key order and exact value lengths.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace winehost {

class VersionInfo {
public:
    explicit VersionInfo(const std::wstring& path);

    bool ok() const { return !data_.empty(); }
    std::optional<VS_FIXEDFILEINFO> fixed() const;
    // Every (language, code page) pair of \VarFileInfo\Translation.
    std::vector<std::pair<WORD, WORD>> translations() const;
    // \StringFileInfo\<first translation as llllcccc>\<key>; nullopt when absent.
    std::optional<std::wstring> string(const std::wstring& key) const;

private:
    std::vector<BYTE> data_;
};

// One node of the raw block: key, type (1 text, 0 binary), value, children.
struct VersionNode {
    std::wstring key;
    WORD type = 0;
    WORD valueLength = 0;        // in WCHARs for text, bytes for binary
    std::wstring text;           // a text value as stored, NULs included
    std::vector<VersionNode> children;
};

// Parses the RT_VERSION resource of a module (loaded as a data file).
std::optional<VersionNode> parseVersionResource(HMODULE module);

}  // namespace winehost
