// Loading a plug-in module on Windows: LoadLibrary and GetProcAddress.
#include <windows.h>

#include <cstddef>
#include <string>

#include "error.h"
#include "plugin_loader.h"

// The record handed to AC3DPluginInit: the 4-byte field first, then the
// folder's pointer at its natural alignment, on 32-bit and 64-bit Windows alike.
static_assert(offsetof(PluginInitData, reserved) == 0);
static_assert(sizeof(PluginInitData::reserved) == 4);
static_assert(offsetof(PluginInitData, plugin_dir) == alignof(char *));
static_assert(sizeof(PluginInitData) == 2 * sizeof(char *));

namespace standin {

namespace {

std::string last_error_text(DWORD code)
{
    char *text = nullptr;
    const DWORD size =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string result = size > 0 && text != nullptr ? std::string(text, size) : "error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
        result.pop_back();
    }
    return result;
}

// The ANSI call fails past MAX_PATH; a longer path goes to the wide one with
// the \\?\ prefix, which lifts the limit.  The altered search path looks for
// the module's own imports beside it first.
HMODULE load_module(const std::string &path)
{
    const DWORD flags = LOAD_WITH_ALTERED_SEARCH_PATH;
    if (path.size() < MAX_PATH) return LoadLibraryExA(path.c_str(), nullptr, flags);
    const int size = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (size <= 0) return nullptr;
    std::wstring wide(L"\\\\?\\");
    const size_t prefix = wide.size();
    wide.resize(prefix + static_cast<size_t>(size));
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data() + prefix, size);
    return LoadLibraryExW(wide.c_str(), nullptr, flags);
}

}  // namespace

LoadedPlugin load_plugin(const std::string &dir)
{
    const std::string path = dir + "\\" + kPluginFile;
    HMODULE module = load_module(path);
    if (module == nullptr) {
        throw Error("cannot load " + path + ": " + last_error_text(GetLastError()));
    }
    LoadedPlugin loaded;
    loaded.handle = module;
    loaded.dir = dir;
    if (!find_entry_points(loaded, [&](const char *name) {
            // Through the generic function pointer type, which converts to any other.
            return reinterpret_cast<void (*)(void)>(GetProcAddress(module, name));
        })) {
        FreeLibrary(module);
        throw Error(path + kMissingEntryPoints);
    }
    return loaded;
}

void unload_plugin(LoadedPlugin &plugin)
{
    if (plugin.handle != nullptr) FreeLibrary(static_cast<HMODULE>(plugin.handle));
    plugin = LoadedPlugin{};
}

std::string executable_dir()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD size = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (size == 0) return ".";
        if (size < path.size()) {
            path.resize(size);
            break;
        }
        path.resize(path.size() * 2);  // truncated: try a larger buffer
    }
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace standin
