#include "tours.h"

#include <cstdio>

namespace demo {
namespace {

std::string executableName() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    size_t cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

bool sign(EmbeddedPlugin& plugin, const std::string& text) {
    fakehost::CallResult result = plugin.call("signature", {fakehost::stringVariant(text)});
    if (!result.ok() || result.type() != NPVariantType_String) {
        std::printf("  signature(\"%s\") failed\n", text.c_str());
        return false;
    }
    std::printf("  signature(\"%s\") = %s\n", text.c_str(), result.text().c_str());
    return result.text().size() == 32;
}

}  // namespace

bool signatureTour(EmbeddedPlugin& plugin, const std::string& commandLineText) {
    bool good = true;
    std::printf("  the page's script finds the methods: signature %s, getCacheFile %s\n",
                plugin.hasMethod("signature") ? "yes" : "no", plugin.hasMethod("getCacheFile") ? "yes" : "no");
    std::printf("  host executable: %s (its lower-cased name is part of every signature)\n",
                executableName().c_str());
    good = sign(plugin, "Hello from the demo page") && good;
    if (!commandLineText.empty()) good = sign(plugin, commandLineText) && good;

    fakehost::CallResult cache = plugin.call("getCacheFile", {fakehost::stringVariant(std::string("page.html"))});
    std::printf("  getCacheFile(\"page.html\") %s\n",
                cache.ok() ? "answered (unexpected)" : "fails, as it always does: the page sees a script exception");
    good = !cache.ok() && good;

    fakehost::CallResult element = plugin.callElement();
    std::printf("  calling the element itself gives \"%s\"\n", element.text().c_str());
    return element.ok() && good;
}

}  // namespace demo
