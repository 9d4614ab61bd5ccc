#include "plugin_directory.h"

#include "version_resource.h"

namespace demo {

std::vector<FoundPlugin> scanPluginFolder(const std::wstring& folder) {
    std::vector<FoundPlugin> plugins;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*.dll").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return plugins;
    do {
        FoundPlugin plugin;
        plugin.fileName = entry.cFileName;
        plugin.path = folder + L"\\" + plugin.fileName;
        winehost::VersionInfo info(plugin.path);
        // Without a MIME type a browser does not take the DLL as a plug-in.
        std::optional<std::wstring> mime = info.string(L"MIMEType");
        if (!mime || mime->empty()) continue;
        plugin.mimeType = *mime;
        plugin.extension = info.string(L"FileExtents").value_or(L"");
        plugin.productName = info.string(L"ProductName").value_or(L"");
        plugin.description = info.string(L"FileDescription").value_or(L"");
        plugins.push_back(plugin);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return plugins;
}

std::optional<FoundPlugin> pluginFor(const std::vector<FoundPlugin>& plugins, const std::wstring& mimeType) {
    for (const FoundPlugin& plugin : plugins) {
        if (plugin.mimeType == mimeType) return plugin;
    }
    return std::nullopt;
}

}  // namespace demo
