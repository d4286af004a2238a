#include "plugin_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "error.h"

namespace standin {

LoadedPlugin load_plugin(const std::string &dir)
{
    const std::string path = dir + "/" + kPluginFile;
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *why = dlerror();
        throw Error("cannot load " + path + ": " + (why ? why : "unknown error"));
    }
    LoadedPlugin loaded;
    loaded.handle = handle;
    loaded.dir = dir;
    if (!find_entry_points(loaded, [&](const char *name) { return dlsym(handle, name); })) {
        dlclose(handle);
        throw Error(path + kMissingEntryPoints);
    }
    return loaded;
}

void unload_plugin(LoadedPlugin &plugin)
{
    if (plugin.handle != nullptr) dlclose(plugin.handle);
    plugin = LoadedPlugin{};
}

std::string executable_dir()
{
    char path[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0) return ".";
    std::string full(path, static_cast<size_t>(size));
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? "." : full.substr(0, slash);
}

std::string default_plugin_dir()
{
    const std::filesystem::path exe_dir = executable_dir();
    std::error_code error;
    if (std::filesystem::exists(exe_dir / kPluginFile, error)) return exe_dir.string();
    return (exe_dir / ".." / "lib" / "rilo").lexically_normal().string();
}

}  // namespace standin
