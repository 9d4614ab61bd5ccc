// The shared plug-in frame in the real DLLs: what a browser reads before
// running code (version resource, manifest, exports), and one instance's life
// on a real window (subclassing, values, scriptable object, teardown).
#include "host_context.h"
#include "version_resource.h"

#include <cstring>
#include <map>
#include <utility>

namespace {

using winehost::HostContext;
using winehost::LoadedPlugin;
using winehost::PluginSession;
using winehost::TopLevelWindow;

constexpr WORD kEnglishUs = 0x0409;
constexpr WORD kCodePage = 1252;
const wchar_t* const kStringKeys[] = {L"CompanyName",    L"FileDescription", L"FileExtents",      L"FileOpenName",
                                      L"FileVersion",    L"InternalName",    L"LegalCopyright",   L"MIMEType",
                                      L"OriginalFilename", L"ProductName",   L"ProductVersion"};

struct PluginFacts {
    const wchar_t* fileName;
    const char* mimeType;
    std::map<std::wstring, std::wstring> strings;  // LegalCopyright: only present and non-empty
    std::vector<const char*> methods;
};

const std::vector<PluginFacts>& plugins() {
    static const std::vector<PluginFacts> facts = {
        {L"sigplug.dll",
         "application/quorvia-sigplug-plugin",
         {{L"CompanyName", L"Tarvel"},
          {L"FileDescription", L"Example Plugin"},
          {L"FileExtents", L"rts"},
          {L"FileOpenName", L"sigplug"},
          {L"FileVersion", L"1, 0, 0, 1"},
          {L"InternalName", L"sigplug"},
          {L"MIMEType", L"application/quorvia-sigplug-plugin"},
          {L"OriginalFilename", L"sigplug.dll"},
          {L"ProductName", L"Tarvel pic ocr plugin"},
          {L"ProductVersion", L"1, 0, 0, 1"}},
         {"signature", "getCacheFile"}},
        {L"dockplug.dll",
         "application/quorvia-npruntime-dockplug-plugin",
         {{L"CompanyName", L"Quorvia"},
          {L"FileDescription", L"Example Plugin"},
          {L"FileExtents", L"rts"},
          {L"FileOpenName", L"dockplug"},
          {L"FileVersion", L"1, 0, 0, 1"},
          {L"InternalName", L"dockplug"},
          {L"MIMEType", L"application/quorvia-npruntime-dockplug-plugin"},
          {L"OriginalFilename", L"dockplug.dll"},
          {L"ProductName", L"dockmaker plugin"},
          {L"ProductVersion", L"1, 0, 0, 1"}},
         {"attachWndToTab", "attachWndToMainFrame", "hideLayeredWnd", "showLayeredWnd", "setDisplayRgn",
          "dnsResolve"}},
    };
    return facts;
}

// A DLL mapped for its resources only, as a browser inspects a candidate.
class DataFileModule {
public:
    explicit DataFileModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataFileModule() {
        if (module_) FreeLibrary(module_);
    }
    DataFileModule(const DataFileModule&) = delete;
    DataFileModule& operator=(const DataFileModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

std::string resourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
    HRSRC resource = FindResourceExW(module, type, name, language);
    if (!resource) return {};
    auto data = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    return data ? std::string(data, SizeofResource(module, resource)) : std::string();
}

struct ResourceEntry {
    ULONG_PTR type;
    ULONG_PTR name;
    WORD language;
    bool operator==(const ResourceEntry& other) const {
        return type == other.type && name == other.name && language == other.language;
    }
};
using ResourceList = std::vector<ResourceEntry>;

// Every resource of the module; named (non-integer) types or names count as id 0xFFFFFFFF.
ResourceList listResources(HMODULE module) {
    struct Walk {
        static ULONG_PTR id(LPCWSTR value) { return IS_INTRESOURCE(value) ? reinterpret_cast<ULONG_PTR>(value) : ~ULONG_PTR(0); }
        static BOOL CALLBACK language(HMODULE, LPCWSTR type, LPCWSTR name, WORD lang, LONG_PTR list) {
            reinterpret_cast<ResourceList*>(list)->push_back({id(type), id(name), lang});
            return TRUE;
        }
        static BOOL CALLBACK name(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR list) {
            EnumResourceLanguagesW(module, type, name, language, list);
            return TRUE;
        }
        static BOOL CALLBACK type(HMODULE module, LPWSTR type, LONG_PTR list) {
            EnumResourceNamesW(module, type, name, list);
            return TRUE;
        }
    };
    ResourceList list;
    EnumResourceTypesW(module, Walk::type, reinterpret_cast<LONG_PTR>(&list));
    return list;
}

std::ostream& operator<<(std::ostream& out, const ResourceList& list) {
    for (const ResourceEntry& entry : list) out << "[" << entry.type << "/" << entry.name << "/" << entry.language << "]";
    return out;
}

}  // namespace

// The version resource a browser reads to register each plug-in.
HOST_CHECK(frame_version_resource) {
    for (const PluginFacts& plugin : plugins()) {
        std::wstring path = context.pluginPath(plugin.fileName);
        winehost::VersionInfo info(path);
        if (!REQUIRE(info.ok())) continue;

        std::optional<VS_FIXEDFILEINFO> fixed = info.fixed();
        if (REQUIRE(fixed.has_value())) {
            CHECK_EQ(fixed->dwSignature, 0xFEEF04BDUL);
            CHECK_EQ(fixed->dwFileVersionMS, 0x00010000UL);
            CHECK_EQ(fixed->dwFileVersionLS, 0x00000001UL);
            CHECK_EQ(fixed->dwProductVersionMS, 0x00010000UL);
            CHECK_EQ(fixed->dwProductVersionLS, 0x00000001UL);
            CHECK_EQ(fixed->dwFileFlagsMask, 0x3FUL);
            CHECK_EQ(fixed->dwFileFlags, 0UL);
            CHECK_EQ(fixed->dwFileOS, 0x40004UL);
            CHECK_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
            CHECK_EQ(fixed->dwFileSubtype, 0UL);
            CHECK_EQ(fixed->dwFileDateMS, 0UL);
            CHECK_EQ(fixed->dwFileDateLS, 0UL);
        }

        std::vector<std::pair<WORD, WORD>> translations = info.translations();
        if (CHECK_EQ(translations.size(), size_t(1))) {
            CHECK_EQ(translations[0].first, kEnglishUs);
            CHECK_EQ(translations[0].second, kCodePage);
        }
        for (const auto& [key, expected] : plugin.strings) {
            std::optional<std::wstring> value = info.string(key);
            if (CHECK(value.has_value())) CHECK_EQ(*value, expected);
        }
        std::optional<std::wstring> copyright = info.string(L"LegalCopyright");
        CHECK(copyright.has_value() && !copyright->empty());
    }
}

// The raw version block: one string table "040904e4" with every key in order,
// each value stored with exactly one terminating NUL.
HOST_CHECK(frame_version_layout) {
    for (const PluginFacts& plugin : plugins()) {
        DataFileModule module(context.pluginPath(plugin.fileName));
        if (!REQUIRE(module.get())) continue;
        std::optional<winehost::VersionNode> root = winehost::parseVersionResource(module.get());
        if (!REQUIRE(root.has_value())) continue;
        CHECK_EQ(root->key, std::wstring(L"VS_VERSION_INFO"));
        CHECK_EQ(root->valueLength, WORD(sizeof(VS_FIXEDFILEINFO)));

        std::vector<std::wstring> blocks;
        for (const winehost::VersionNode& child : root->children) blocks.push_back(child.key);
        CHECK(blocks == (std::vector<std::wstring>{L"StringFileInfo", L"VarFileInfo"}));

        for (const winehost::VersionNode& child : root->children) {
            if (child.key == L"StringFileInfo") {
                if (!CHECK_EQ(child.children.size(), size_t(1))) continue;
                const winehost::VersionNode& table = child.children[0];
                CHECK_EQ(table.key, std::wstring(L"040904e4"));
                std::vector<std::wstring> keys;
                for (const winehost::VersionNode& entry : table.children) {
                    keys.push_back(entry.key);
                    CHECK_EQ(entry.type, WORD(1));
                    size_t firstNul = entry.text.find(L'\0');
                    // one NUL, at the end: the stored length counts it once
                    CHECK_MSG(firstNul != std::wstring::npos && firstNul + 1 == entry.text.size(),
                              winehost::narrow(entry.key));
                }
                CHECK(keys == std::vector<std::wstring>(std::begin(kStringKeys), std::end(kStringKeys)));
            } else if (child.key == L"VarFileInfo") {
                if (!CHECK_EQ(child.children.size(), size_t(1))) continue;
                CHECK_EQ(child.children[0].key, std::wstring(L"Translation"));
                CHECK_EQ(child.children[0].valueLength, WORD(4));
            }
        }
    }
}

// Exactly two resources, version 1 and manifest 2, both English (US); the
// manifest asks for what a plug-in in a browser process needs.
HOST_CHECK(frame_manifest) {
    const ResourceList expected = {{16, 1, kEnglishUs}, {24, 2, kEnglishUs}};
    const char* const wanted[] = {
        "name=\"Microsoft.Windows.Common-Controls\"",
        "version=\"6.0.0.0\"",
        "processorArchitecture=\"*\"",
        "publicKeyToken=\"6595b64144ccf1df\"",
        "language=\"*\"",
        "type=\"win32\"",
        "level=\"asInvoker\"",
        "uiAccess=\"false\"",
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    };
    for (const PluginFacts& plugin : plugins()) {
        DataFileModule module(context.pluginPath(plugin.fileName));
        if (!REQUIRE(module.get())) continue;
        ResourceList resources = listResources(module.get());
        std::ostringstream listed;
        listed << winehost::narrow(plugin.fileName) << " has (type/name/language) " << resources;
        CHECK_MSG(resources == expected, listed.str());
        std::string manifest = resourceBytes(module.get(), MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(2), kEnglishUs);
        if (!REQUIRE(!manifest.empty())) continue;
        CHECK(manifest.rfind("<?xml", 0) == 0);
        CHECK(manifest.find("<assembly") != std::string::npos);
        for (const char* text : wanted) {
            CHECK_MSG(manifest.find(text) != std::string::npos, text);
        }
    }
}

// A browser scans the folder, reads each DLL's MIME type, extension and type
// description, and picks the DLL for the type a page embeds.
HOST_CHECK(frame_mime_lookup) {
    std::map<std::wstring, std::wstring> dllForType;
    std::map<std::wstring, std::wstring> extensionForType;
    std::map<std::wstring, std::wstring> descriptionForType;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(context.pluginPath(L"*.dll").c_str(), &found);
    if (!REQUIRE(search != INVALID_HANDLE_VALUE)) return;
    do {
        winehost::VersionInfo info(context.pluginPath(found.cFileName));
        std::optional<std::wstring> type = info.string(L"MIMEType");
        if (!type) continue;
        CHECK(dllForType.count(*type) == 0);  // one DLL per type
        dllForType[*type] = found.cFileName;
        extensionForType[*type] = info.string(L"FileExtents").value_or(L"");
        descriptionForType[*type] = info.string(L"FileOpenName").value_or(L"");
    } while (FindNextFileW(search, &found));
    FindClose(search);

    for (const PluginFacts& plugin : plugins()) {
        std::wstring type = winehost::widen(plugin.mimeType);
        CHECK_EQ(dllForType[type], std::wstring(plugin.fileName));
        CHECK_EQ(extensionForType[type], std::wstring(L"rts"));
        CHECK_EQ(descriptionForType[type], plugin.strings.at(L"FileOpenName"));
        CHECK(type.find(L'|') == std::wstring::npos);  // one entry, no list separator
    }
}

// The three exports resolve by name and by ordinals 1-3 to the same code,
// use the NPAPI calling convention, and nothing decorated is exported.
HOST_CHECK(frame_exports) {
    const char* const names[] = {"NP_GetEntryPoints", "NP_Initialize", "NP_Shutdown"};
    for (const PluginFacts& plugin : plugins()) {
        LoadedPlugin loaded(context.pluginPath(plugin.fileName));
        std::string why = loaded.module() ? "an export is missing by name"
                                          : "LoadLibraryW error " + std::to_string(loaded.loadError());
        if (!CHECK_MSG(loaded.ok(), winehost::narrow(plugin.fileName) + ": " + why)) continue;
        for (WORD ordinal = 1; ordinal <= 3; ++ordinal) {
            FARPROC byName = loaded.byName(names[ordinal - 1]);
            CHECK(byName != nullptr);
            CHECK(loaded.contains(reinterpret_cast<const void*>(byName)));
            CHECK_EQ(reinterpret_cast<void*>(loaded.byOrdinal(ordinal)), reinterpret_cast<void*>(byName));
        }
        CHECK(loaded.byOrdinal(4) == nullptr);
        for (const char* decorated : {"NP_GetEntryPoints@4", "_NP_GetEntryPoints@4", "NP_Initialize@4",
                                      "_NP_Initialize@4", "NP_Shutdown@0", "_NP_Shutdown@0"}) {
            CHECK(loaded.byName(decorated) == nullptr);
        }

        // Refusals through the real stdcall pointers: a wrong convention would
        // unbalance the stack here.
        fakehost::EntryPoints entry = loaded.entryPoints();
        CHECK_EQ(entry.getEntryPoints(nullptr), NPError(NPERR_INVALID_FUNCTABLE_ERROR));
        CHECK_EQ(entry.initialize(nullptr), NPError(NPERR_INVALID_FUNCTABLE_ERROR));
        CHECK_EQ(entry.shutdown(), NPError(NPERR_NO_ERROR));
    }
}

// One instance on a real window: subclassing, values, the scriptable object,
// teardown back to the original procedure, a clean host and an unloaded DLL.
HOST_CHECK(frame_instance) {
    for (const PluginFacts& plugin : plugins()) {
        {
            PluginSession session(context, plugin.fileName);
            if (!CHECK_MSG(session.loaded(), winehost::narrow(plugin.fileName))) continue;
            const std::wstring title = L"plug-in window";
            TopLevelWindow window(title);
            TopLevelWindow other(L"second window");
            HWND hwnd = window.handle();
            if (!REQUIRE(hwnd && other.handle())) continue;
            const LONG_PTR original = reinterpret_cast<LONG_PTR>(TopLevelWindow::originalProcedure());
            CHECK_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), original);

            NPError status = -1;
            NPP instance = session.newInstance(&status);
            CHECK_EQ(status, NPError(NPERR_NO_ERROR));
            if (!REQUIRE(instance && instance->pdata)) continue;

            CHECK_EQ(session.harness().setWindow(instance, hwnd), NPError(NPERR_NO_ERROR));
            LONG_PTR subclassed = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
            CHECK(subclassed != original);
            CHECK(session.plugin().contains(reinterpret_cast<const void*>(subclassed)));
            CHECK_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(instance->pdata));
            // the plug-in's procedure hands messages on to DefWindowProcW
            CHECK_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), LRESULT(title.size()));
            winehost::pumpMessages(std::chrono::milliseconds(30));
            CHECK(IsWindow(hwnd));

            // a later window is ignored: the first stays subclassed, the second untouched
            CHECK_EQ(session.harness().setWindow(instance, other.handle()), NPError(NPERR_NO_ERROR));
            CHECK_EQ(GetWindowLongPtrW(other.handle(), GWLP_WNDPROC), original);
            CHECK_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), subclassed);

            const char* name = nullptr;
            const char* description = nullptr;
            CHECK_EQ(session.harness().getValue(instance, NPPVpluginNameString, &name), NPError(NPERR_NO_ERROR));
            CHECK_EQ(session.harness().getValue(instance, NPPVpluginDescriptionString, &description),
                     NPError(NPERR_NO_ERROR));
            CHECK_EQ(std::string(name ? name : ""), std::string("REVurozazOvez"));
            CHECK_EQ(std::string(description ? description : ""),
                     std::string("NPRuntime scriptability API test plugin"));
            NPBool unused = 0;
            CHECK_EQ(session.harness().getValue(instance, NPPVpluginNeedsXEmbed, &unused), NPError(NPERR_GENERIC_ERROR));

            NPObject* object = session.harness().scriptableObject(instance);
            if (REQUIRE(object)) {
                NPObject* again = session.harness().scriptableObject(instance);
                CHECK_EQ(static_cast<void*>(again), static_cast<void*>(object));
                CHECK_EQ(object->referenceCount, uint32_t(3));
                if (again) session.harness().release(again);

                for (const char* method : plugin.methods) CHECK(session.harness().hasMethod(object, method));
                CHECK(!session.harness().hasMethod(object, "noSuchMethod"));
                {
                    fakehost::CallResult result =
                        session.harness().invokeDefault(object, {fakehost::intVariant(7), fakehost::boolVariant(true)});
                    CHECK(result.ok());
                    CHECK_EQ(result.type(), NPVariantType_String);
                    CHECK_EQ(result.value().value.stringValue.UTF8Length, uint32_t(25));
                    CHECK_EQ(result.text(), std::string("default method return val"));
                    CHECK_EQ(session.browser().blockSize(result.value().value.stringValue.UTF8Characters), size_t(26));
                }
                session.harness().release(object);
            }

            CHECK_EQ(session.harness().destroy(instance), NPError(NPERR_NO_ERROR));
            CHECK_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), original);
            CHECK_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), LRESULT(title.size()));

            std::vector<std::string> problems = session.finish();
            std::string listed;
            for (const std::string& problem : problems) listed += "\n    " + problem;
            CHECK_MSG(problems.empty(), winehost::narrow(plugin.fileName) + " host ledger:" + listed);
        }
        // FreeLibrary in the session's end unloaded the DLL
        CHECK(GetModuleHandleW(plugin.fileName) == nullptr);
    }
}
