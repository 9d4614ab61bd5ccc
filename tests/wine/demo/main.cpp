// npplug_demo.exe [--headless] [--pictures DIR] PLUGIN-FOLDER [TEXT...]
// A small browser: it finds the plug-ins in PLUGIN-FOLDER by the MIME types
// in their version resources, opens a main frame whose page embeds both, and
// runs the page's script: signatures of a sample text and of TEXT, then the
// overlay docked on the frame while the frame moves, resizes, hides and shows.
// Prints every step; exit code 0 when both plug-ins behaved.
#include "plugin_directory.h"
#include "screen_picture.h"
#include "tours.h"

#include <cstdio>
#include <cstring>

namespace demo {

constexpr wchar_t kSignatureType[] = L"application/quorvia-sigplug-plugin";
constexpr wchar_t kDockingType[] = L"application/quorvia-npruntime-dockplug-plugin";

void Pictures::take(const std::string& name) {
    if (folder_.empty()) return;
    // Let every window paint before the screen is read.
    winehost::pumpMessages(std::chrono::milliseconds(400));
    GdiFlush();
    const std::wstring path = folder_ + L"\\" + winehost::widen(name) + L".bmp";
    std::printf("  picture %s%s\n", name.c_str(), saveScreenBitmap(path) ? "" : " could not be taken");
}

bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds ceiling) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ceiling.count());
    while (!condition()) {
        if (GetTickCount64() >= end) return false;
        winehost::pumpMessages(std::chrono::milliseconds(10));
    }
    return true;
}

namespace {

int usage() {
    std::printf("usage: npplug_demo.exe [--headless] [--pictures DIR] PLUGIN-FOLDER [TEXT...]\n");
    return 2;
}

std::optional<FoundPlugin> announce(const std::vector<FoundPlugin>& plugins, const wchar_t* type) {
    std::optional<FoundPlugin> plugin = pluginFor(plugins, type);
    if (plugin) {
        std::printf("  %s announces %s (extension %s), \"%s\"\n", winehost::narrow(plugin->fileName).c_str(),
                    winehost::narrow(plugin->mimeType).c_str(), winehost::narrow(plugin->extension).c_str(),
                    winehost::narrow(plugin->productName).c_str());
    } else {
        std::printf("  no plug-in announces %s\n", winehost::narrow(type).c_str());
    }
    return plugin;
}

bool embedded(const EmbeddedPlugin& plugin, const FoundPlugin& found) {
    std::printf("The page embeds %s: %s\n", winehost::narrow(found.mimeType).c_str(),
                plugin.ready() ? ("loaded " + winehost::narrow(found.fileName) + ", instance on its element's window")
                                       .c_str()
                               : plugin.problem().c_str());
    return plugin.ready();
}

}  // namespace
}  // namespace demo

int main(int argc, char** argv) {
    using namespace demo;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    std::wstring pictureFolder, pluginFolder;
    std::string text;
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        } else if (std::strcmp(argv[i], "--pictures") == 0 && i + 1 < argc) {
            pictureFolder = winehost::widen(argv[++i]);
        } else if (pluginFolder.empty()) {
            pluginFolder = winehost::widen(argv[i]);
        } else {
            text += (text.empty() ? "" : " ") + std::string(argv[i]);
        }
    }
    if (pluginFolder.empty()) return usage();
    if (headless) pictureFolder.clear();

    std::printf("Demo browser: plug-in folder %s\n", winehost::narrow(pluginFolder).c_str());
    const std::vector<FoundPlugin> plugins = scanPluginFolder(pluginFolder);
    std::optional<FoundPlugin> signatureDll = announce(plugins, kSignatureType);
    std::optional<FoundPlugin> dockingDll = announce(plugins, kDockingType);
    if (!signatureDll || !dockingDll) return 1;

    BrowserWindow browser;
    if (!browser.created()) {
        std::printf("could not create the browser's windows\n");
        return 1;
    }
    Pictures pictures(pictureFolder);
    fakehost::FakeBrowser host;
    bool good = true;
    {
        EmbeddedPlugin signature(host, signatureDll->path, browser.signatureEmbed());
        if (embedded(signature, *signatureDll)) {
            good = signatureTour(signature, text) && good;
        } else {
            good = false;
        }
        EmbeddedPlugin docking(host, dockingDll->path, browser.dockingEmbed());
        if (embedded(docking, *dockingDll)) {
            good = dockingTour(docking, browser, pictures) && good;
        } else {
            good = false;
        }
        docking.unload();
        signature.unload();
    }
    const std::vector<std::string> problems = host.problems();
    std::printf("Plug-ins unloaded; the browser's books %s\n",
                problems.empty() ? "are clean (no leaked memory or objects)" : "show problems:");
    for (const std::string& problem : problems) std::printf("  %s\n", problem.c_str());
    good = problems.empty() && good;
    std::printf("Demo %s\n", good ? "finished: both plug-ins did their work" : "FAILED");
    return good ? 0 : 1;
}
