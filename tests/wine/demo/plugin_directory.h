// The plug-in folder as a browser sees it: every DLL in it, with the MIME
// type, extension and names its version resource announces.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace demo {

struct FoundPlugin {
    std::wstring path;
    std::wstring fileName;
    std::wstring mimeType;
    std::wstring extension;
    std::wstring productName;
    std::wstring description;
};

std::vector<FoundPlugin> scanPluginFolder(const std::wstring& folder);
// The plug-in that handles `mimeType`, as a browser picks it for an <embed>.
std::optional<FoundPlugin> pluginFor(const std::vector<FoundPlugin>& plugins, const std::wstring& mimeType);

}  // namespace demo
