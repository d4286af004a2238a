// The module's four entry points and its one-time registration with the host.
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "ac3d.h"
#include "rilo.h"
#include "utf8.h"

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

#if defined(_WIN32)
// TEXT read in the ANSI code page, as UTF-8 on the heap; null when it cannot
// be converted or stored.
char *ansi_to_utf8(const char *text)
{
    const int wide_size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wide_size <= 0) return nullptr;
    auto *wide = static_cast<wchar_t *>(std::malloc(sizeof(wchar_t) * static_cast<size_t>(wide_size)));
    if (wide == nullptr) return nullptr;
    char *utf8 = nullptr;
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, wide_size) == wide_size) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        if (size > 0) utf8 = static_cast<char *>(std::malloc(static_cast<size_t>(size)));
        if (utf8 != nullptr && WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, size, nullptr, nullptr) != size) {
            std::free(utf8);
            utf8 = nullptr;
        }
    }
    std::free(wide);
    return utf8;
}
#endif

// The heap copy of the folder name, in the UTF-8 that Tcl reads.  A Windows
// host hands the name over in its ANSI code page, which Tcl would misread
// past ASCII: a name that is not UTF-8 already is converted from that code
// page.  Null when the copy cannot be made.
char *copy_folder_name(const char *dir)
{
#if defined(_WIN32)
    if (!is_utf8(dir)) return ansi_to_utf8(dir);
#endif
    return copy_string(dir);
}

// Characters that would start a substitution or end the word inside a
// double-quoted Tcl word.
bool is_tcl_special(char c)
{
    return c == '"' || c == '$' || c == '[' || c == ']' || c == '\\';
}

// The folder name with Tcl's special characters escaped, so that the
// source command reads it as a name and never evaluates any of it; null
// when it cannot be stored.
char *escape_for_tcl(const char *dir)
{
    size_t specials = 0;
    for (const char *p = dir; *p != '\0'; ++p) specials += is_tcl_special(*p) ? 1 : 0;
    char *escaped = static_cast<char *>(std::malloc(std::strlen(dir) + specials + 1));
    if (escaped == nullptr) return nullptr;
    char *out = escaped;
    for (const char *p = dir; *p != '\0'; ++p) {
        if (is_tcl_special(*p)) *out++ = '\\';
        *out++ = *p;
    }
    *out = '\0';
    return escaped;
}

}  // namespace

extern "C" {

AC3D_PLUGIN_EXPORT int AC3DPluginInit(PluginInitData *data)
{
    if (!init_pending) return 0;
    // Without a folder there is nothing to source: stay pending so that a
    // later, proper call can still initialise.
    if (data == nullptr || data->plugin_dir == nullptr) return 0;
    // Either copy missing: nothing is sent and initialisation stays pending.
    char *dir = copy_folder_name(data->plugin_dir);
    if (dir == nullptr) return 0;
    ac_unbackslash_string(dir);
    char *escaped = escape_for_tcl(dir);
    if (escaped == nullptr) {
        std::free(dir);
        return 0;
    }
    plugin_dir_copy = dir;
    tcl_command("source \"%s/rilo.tcl\"", escaped);
    std::free(escaped);
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
