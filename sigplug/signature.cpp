#include "signature.h"

#include "platform.h"
#include "variant.h"

#include <cstring>

namespace sigplug {
namespace {

constexpr size_t kDigits = kMd5HexSize - 1;

// Upper-cases in place; reports failure when `size` bytes hold no NUL.
bool upperCaseDigits(char* text, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (text[i] == '\0') return true;
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
    }
    return false;
}

}  // namespace

std::string_view executableName(char* path, size_t size) {
    size_t length = 0;
    for (; length < size && path[length] != '\0'; ++length) {
        if (path[length] >= 'A' && path[length] <= 'Z') path[length] = static_cast<char>(path[length] - 'A' + 'a');
    }
    if (length == size) return {};
    const std::string_view lowered(path, length);
    size_t separator = lowered.rfind('/');
    if (separator == std::string_view::npos) separator = lowered.rfind('\\');
    if (separator == std::string_view::npos) return {};
    return lowered.substr(separator + 1);
}

bool executableNameDigest(char out[kMd5HexSize]) {
    char path[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return false;
    const std::string_view name = executableName(path, sizeof path);
    if (name.empty()) return false;
    md5Hex(name.data(), name.size(), out);
    return upperCaseDigits(out, kMd5HexSize);
}

void signText(const NPString& text, const char nameDigest[kMd5HexSize], char out[kMd5HexSize]) {
    Md5 md5;
    if (text.UTF8Characters) md5.updateToNul(text.UTF8Characters, text.UTF8Length);
    md5.update(nameDigest, kDigits);
    uint8_t digest[kMd5DigestSize];
    md5.final(digest);
    hexDigits(digest, out);
}

bool signature(const NPVariant* args, uint32_t argCount, NPVariant* result) {
    if (argCount < 1 || !args || args[0].type != NPVariantType_String) return false;
    char nameDigest[kMd5HexSize];
    if (!executableNameDigest(nameDigest)) return false;
    char digits[kMd5HexSize];
    signText(args[0].value.stringValue, nameDigest, digits);
    return setStringResult(result, digits, static_cast<uint32_t>(kDigits));
}

}  // namespace sigplug
