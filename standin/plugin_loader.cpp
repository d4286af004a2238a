#include "plugin_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace {

template <typename Proc>
Proc find(void *handle, const char *name)
{
    return reinterpret_cast<Proc>(dlsym(handle, name));
}

}  // namespace

bool load_plugin(const std::string &dir, LoadedPlugin &plugin, std::string &error)
{
    const std::string path = dir + "/" + kPluginFile;
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *why = dlerror();
        error = "cannot load " + path + ": " + (why ? why : "unknown error");
        return false;
    }
    LoadedPlugin loaded;
    loaded.handle = handle;
    loaded.dir = dir;
    loaded.init = find<AC3DPluginInitProc>(handle, "AC3DPluginInit");
    loaded.exit = find<AC3DPluginExitProc>(handle, "AC3DPluginExit");
    loaded.about = find<AC3DPluginTextProc>(handle, "AC3DPluginAbout");
    loaded.info = find<AC3DPluginTextProc>(handle, "AC3DPluginInfo");
    if (!loaded.init || !loaded.exit || !loaded.about || !loaded.info) {
        error = path + " lacks one of AC3DPluginInit, AC3DPluginExit, AC3DPluginAbout, AC3DPluginInfo";
        dlclose(handle);
        return false;
    }
    plugin = loaded;
    return true;
}

int init_plugin(LoadedPlugin &plugin)
{
    // The record is the host's; the module copies the folder name it needs.
    PluginInitData data{0, plugin.dir.data()};
    return plugin.init(&data);
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
