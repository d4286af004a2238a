// The module's four entry points and its one-time registration with the host.
#include <cstdlib>
#include <cstring>

#include "ac3d.h"
#include "rilo.h"

namespace {

bool init_pending = true;

// The plug-in folder as handed over at initialisation; kept for the life of
// the process (volatile: the store must stay although nothing reads it back).
char *volatile plugin_dir_copy = nullptr;

const char kAbout[] = "Rilo - version 1.1 - Velkmar";
const char kInfo[] = "Rilo utility - Applies an axis-aligned waveform to selected vertices";

char *copy_string(const char *text)
{
    const size_t size = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(size));
    if (copy != nullptr) std::memcpy(copy, text, size);
    return copy;
}

// Characters that would start a substitution or end the word inside a
// double-quoted Tcl word.
bool is_tcl_special(char c)
{
    return c == '"' || c == '$' || c == '[' || c == ']' || c == '\\';
}

// Sources rilo.tcl from the folder.  A folder name holding Tcl's special
// characters is passed with those characters escaped, so it is read as a
// name and never evaluated.
void source_script(const char *dir)
{
    size_t specials = 0;
    for (const char *p = dir; *p != '\0'; ++p) specials += is_tcl_special(*p) ? 1 : 0;
    if (specials == 0) {
        tcl_command("source \"%s/rilo.tcl\"", dir);
        return;
    }
    char *escaped = static_cast<char *>(std::malloc(std::strlen(dir) + specials + 1));
    if (escaped == nullptr) return;
    char *out = escaped;
    for (const char *p = dir; *p != '\0'; ++p) {
        if (is_tcl_special(*p)) *out++ = '\\';
        *out++ = *p;
    }
    *out = '\0';
    tcl_command("source \"%s/rilo.tcl\"", escaped);
    std::free(escaped);
}

}  // namespace

extern "C" {

AC3D_PLUGIN_EXPORT int AC3DPluginInit(PluginInitData *data)
{
    if (!init_pending) return 0;
    // Without a folder there is nothing to source: stay pending so that a
    // later, proper call can still initialise.
    if (data == nullptr || data->plugin_dir == nullptr) return 0;
    char *dir = copy_string(data->plugin_dir);
    if (dir == nullptr) return 0;
    plugin_dir_copy = dir;
    ac_unbackslash_string(dir);
    source_script(dir);
    ac_add_tools_menu_item("Rilo...", "pjtrilo_dialog", "Apply an axis-aligned waveform to the selected vertices");
    ac_add_command_full("pjtrilo_go", sine_deform_command, 7, AC_CMD_ARGV, "TODO: Show params here", "Rilo utility");
    init_pending = false;
    return 0;
}

AC3D_PLUGIN_EXPORT int AC3DPluginExit(void)
{
    return 0;
}

AC3D_PLUGIN_EXPORT const char *AC3DPluginAbout(void)
{
    return kAbout;
}

AC3D_PLUGIN_EXPORT const char *AC3DPluginInfo(void)
{
    return kInfo;
}

}  // extern "C"
