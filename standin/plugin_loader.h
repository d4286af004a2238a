// Loading a plug-in module the way the modeller does.
#ifndef RILO_STANDIN_PLUGIN_LOADER_H
#define RILO_STANDIN_PLUGIN_LOADER_H

#include <string>

#include "ac3d.h"

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

// Opens DIR/rilo.p and finds its four entry points; on failure says why.
bool load_plugin(const std::string &dir, LoadedPlugin &plugin, std::string &error);
// Calls the module's initialisation with a record naming its folder.
int init_plugin(LoadedPlugin &plugin);
void unload_plugin(LoadedPlugin &plugin);

// The folder of the running executable, where the build puts rilo.p.
std::string executable_dir();

#endif
