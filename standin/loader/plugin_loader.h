// Loading a plug-in module the way the modeller does.
#ifndef RILO_STANDIN_PLUGIN_LOADER_H
#define RILO_STANDIN_PLUGIN_LOADER_H

#include <string>

#include "ac3d.h"

namespace standin {

struct LoadedPlugin {
    void *handle = nullptr;
    std::string dir;
    AC3DPluginInitProc init = nullptr;
    AC3DPluginExitProc exit = nullptr;
    AC3DPluginTextProc about = nullptr;
    AC3DPluginTextProc info = nullptr;
};

// The module's file name inside a plug-in folder.
inline constexpr const char *kPluginFile = "rilo.p";

// Finds the four entry points through find(name) -> address; false if any is missing.
template <typename Find>
bool find_entry_points(LoadedPlugin &plugin, Find find)
{
    plugin.init = reinterpret_cast<AC3DPluginInitProc>(find("AC3DPluginInit"));
    plugin.exit = reinterpret_cast<AC3DPluginExitProc>(find("AC3DPluginExit"));
    plugin.about = reinterpret_cast<AC3DPluginTextProc>(find("AC3DPluginAbout"));
    plugin.info = reinterpret_cast<AC3DPluginTextProc>(find("AC3DPluginInfo"));
    return plugin.init && plugin.exit && plugin.about && plugin.info;
}

inline constexpr const char *kMissingEntryPoints =
    " lacks one of AC3DPluginInit, AC3DPluginExit, AC3DPluginAbout, AC3DPluginInfo";

// Calls the module's initialisation with a record naming its folder.
inline int init_plugin(LoadedPlugin &plugin)
{
    // The record is the host's; the module copies the folder name it needs.
    PluginInitData data{0, plugin.dir.data()};
    return plugin.init(&data);
}

// Opens DIR/rilo.p and finds its four entry points; throws Error saying why
// when it cannot.
LoadedPlugin load_plugin(const std::string &dir);
void unload_plugin(LoadedPlugin &plugin);

// The folder of the running executable, where the build puts rilo.p.
std::string executable_dir();

// The plug-in folder used without --plugins: the executable's own folder when
// it holds rilo.p (the build tree), otherwise EXE-DIR/../lib/rilo (an install).
std::string default_plugin_dir();

}  // namespace standin

#endif
