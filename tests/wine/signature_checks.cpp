// sigplug's "signature" in the real DLL against CryptoAPI's MD5 over this
// program's own lower-cased file name and the text. The second check runs the
// first again from a copy of this program with a mixed-case name.
#include "host_context.h"

#include <wincrypt.h>

#include <string>
#include <vector>

namespace {

using winehost::HostContext;
using winehost::PluginSession;

class CryptoHash {
public:
    CryptoHash() {
        if (CryptAcquireContextW(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
            CryptCreateHash(provider_, CALG_MD5, 0, 0, &hash_);
    }
    ~CryptoHash() {
        if (hash_) CryptDestroyHash(hash_);
        if (provider_) CryptReleaseContext(provider_, 0);
    }
    CryptoHash(const CryptoHash&) = delete;
    CryptoHash& operator=(const CryptoHash&) = delete;

    // Lower-case hexadecimal digest; empty when CryptoAPI failed.
    std::string hex(const std::string& data) {
        BYTE digest[16];
        DWORD size = sizeof digest;
        const BYTE* bytes = reinterpret_cast<const BYTE*>(data.data());
        if (!hash_ || !CryptHashData(hash_, bytes, static_cast<DWORD>(data.size()), 0) ||
            !CryptGetHashParam(hash_, HP_HASHVAL, digest, &size, 0) || size != sizeof digest)
            return {};
        static const char kDigits[] = "0123456789abcdef";
        std::string text;
        for (BYTE byte : digest) {
            text += kDigits[byte >> 4];
            text += kDigits[byte & 15];
        }
        return text;
    }

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
};

std::string cryptoMd5Hex(const std::string& data) { return CryptoHash().hex(data); }

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// This program's file name as the plug-in must see it: lower-cased, after
// the last slash, or the last backslash when there is no slash.
std::string lowerCasedExecutableName() {
    char path[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return {};
    std::string lowered(path);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    size_t separator = lowered.rfind('/');
    if (separator == std::string::npos) separator = lowered.rfind('\\');
    return separator == std::string::npos ? std::string() : lowered.substr(separator + 1);
}

struct Text {
    std::string bytes;   // what the page passes
    std::string signed_;  // what is signed: up to the first NUL
};

std::vector<Text> texts() {
    std::string big(1 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(1 + i % 251);
    return {
        {"abc", "abc"},
        {"", ""},
        {std::string("a\0b", 3), "a"},
        {"Hello, World", "Hello, World"},
        {"\xE4\xB8\xAD\xE6\x96\x87 text", "\xE4\xB8\xAD\xE6\x96\x87 text"},
        {big, big},
    };
}

HOST_CHECK(signature_matches_cryptoapi) {
    PluginSession session(context, L"sigplug.dll");
    if (!REQUIRE(session.loaded())) return;
    const std::string name = lowerCasedExecutableName();
    if (!CHECK_MSG(!name.empty(), "no executable name")) return;
    std::printf("   executable name: %s\n", name.c_str());
    const std::string nameDigits = upper(cryptoMd5Hex(name));
    if (!CHECK_EQ(nameDigits.size(), size_t{32})) return;

    fakehost::PluginHarness& harness = session.harness();
    NPObject* first = harness.scriptableObject(session.newInstance());
    NPObject* second = harness.scriptableObject(session.newInstance());
    if (!REQUIRE(first && second)) return;
    CHECK(harness.hasMethod(first, "signature"));
    for (const Text& text : texts()) {
        const std::string expected = cryptoMd5Hex(text.signed_ + nameDigits);
        for (NPObject* object : {first, second}) {
            fakehost::CallResult result = harness.invoke(object, "signature", {fakehost::stringVariant(text.bytes)});
            if (!CHECK_MSG(result.ok(), "text of " + std::to_string(text.bytes.size()) + " bytes")) continue;
            CHECK_EQ(result.text(), expected);
            CHECK_EQ(session.browser().blockSize(result.value().value.stringValue.UTF8Characters), size_t{33});
        }
    }
    fakehost::CallResult cacheFile = harness.invoke(first, "getCacheFile", {fakehost::stringVariant("abc")});
    CHECK(!cacheFile.ok());
    harness.release(first);
    harness.release(second);
    const std::vector<std::string> problems = session.finish();
    CHECK_MSG(problems.empty(), problems.empty() ? std::string() : problems.front());
}

// Deletes the copy whatever happens to the check.
class FileCopy {
public:
    FileCopy(const std::wstring& from, const std::wstring& to)
        : path_(to), made_(CopyFileW(from.c_str(), to.c_str(), FALSE) != 0) {}
    ~FileCopy() {
        if (made_) DeleteFileW(path_.c_str());
    }
    FileCopy(const FileCopy&) = delete;
    FileCopy& operator=(const FileCopy&) = delete;
    bool made() const { return made_; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool made_;
};

// The copy's console output goes to a file that is printed afterwards: a
// child without a console of its own may not be able to open one here.
std::string readAll(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got != 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

HOST_CHECK(signature_from_renamed_copy) {
    wchar_t self[MAX_PATH] = {};
    if (!REQUIRE(GetModuleFileNameW(nullptr, self, MAX_PATH) != 0)) return;
    wchar_t temp[MAX_PATH] = {};
    if (!REQUIRE(GetTempPathW(MAX_PATH, temp) != 0)) return;
    FileCopy copy(self, std::wstring(temp) + L"SigHost.Copy-Of.EXE");
    if (!REQUIRE(copy.made())) return;
    const std::wstring logPath = std::wstring(temp) + L"sighost-copy.log";

    DWORD exitCode = STILL_ACTIVE;
    DWORD waited = WAIT_FAILED;
    {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE log = CreateFileW(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (!REQUIRE(log != INVALID_HANDLE_VALUE)) return;
        std::wstring commandLine =
            L"\"" + copy.path() + L"\" \"" + context.distDir + L"\" signature_matches_cryptoapi";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = log;
        startup.hStdError = log;
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(copy.path().c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                            CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
        CloseHandle(log);
        if (!REQUIRE(started)) return;
        waited = WaitForSingleObject(process.hProcess, 5 * 60 * 1000);
        if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::printf("   --- the copy's run:\n%s   ---\n", readAll(logPath).c_str());
    DeleteFileW(logPath.c_str());
    CHECK_EQ(waited, DWORD{WAIT_OBJECT_0});
    CHECK_MSG(exitCode == 0, "the copy's own checks failed, exit code " + std::to_string(exitCode));
}

}  // namespace
