/* The modeller's services and records as the plug-in sees them.
 *
 * The host owns every record declared here.  Vertex is declared as the
 * public prefix of the host's vertex record: the host keeps more behind it.
 * Object and Surface are opaque handles.  The services are exported by the
 * host program itself (ac3d.exe on Windows, the stand-in elsewhere). */
#ifndef RILO_HOST_AC3D_H
#define RILO_HOST_AC3D_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(AC3D_HOST_BUILD)
#define AC3D_IMPORT __declspec(dllexport)
#define AC3D_PLUGIN_EXPORT
#elif defined(_WIN32)
#define AC3D_IMPORT __declspec(dllimport)
#define AC3D_PLUGIN_EXPORT __declspec(dllexport)
#else
#define AC3D_IMPORT
#define AC3D_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

/* A singly linked chain; a list is a pointer to its first node, null when empty. */
typedef struct List {
    void *data;
    struct List *next;
} List;

/* Public prefix of the host's vertex record, in model units. */
typedef struct Vertex {
    float x;
    float y;
    float z;
} Vertex;

typedef struct Object Object;
typedef struct Surface Surface;

/* Handed to AC3DPluginInit: four bytes the plug-in does not read, then the
 * null-terminated path of the folder holding the plug-in and its script. */
typedef struct PluginInitData {
    int32_t reserved;
    char *plugin_dir;
} PluginInitData;

/* Selection modes answered by ac_get_select_mode; any other value means objects. */
enum { AC_SELECT_SURFACE = 2, AC_SELECT_VERTEX = 3 };

/* Argument style for ac_add_command_full: the procedure receives the count
 * of strings and the strings, entry 0 being the command name. */
#define AC_CMD_ARGV 1

typedef void *(*ac_command_proc)(int argc, char **argv);

AC3D_IMPORT void ac_add_tools_menu_item(const char *label, const char *command, const char *help);
AC3D_IMPORT int ac_add_command_full(const char *name, ac_command_proc proc, int nparams, int style, const char *usage,
                                    const char *description);
AC3D_IMPORT void tcl_command(const char *format, ...);
AC3D_IMPORT void ac_unbackslash_string(char *s);
AC3D_IMPORT void windows_message_dialog(const char *format, ...);
AC3D_IMPORT void debugf(const char *format, ...);

AC3D_IMPORT int ac_get_select_mode(void);
AC3D_IMPORT List *ac_selection_get_objects(void);
AC3D_IMPORT List *ac_selection_get_surfaces(void);
AC3D_IMPORT List *ac_surfacelist_get_vertices(List *surfaces);
AC3D_IMPORT List *ac_selection_get_vertices(void);
AC3D_IMPORT List *ac_object_get_vertexlist(Object *object);
AC3D_IMPORT List *ac_object_get_childrenlist(Object *object);
AC3D_IMPORT Object *object_of_vertex(Vertex *vertex);
AC3D_IMPORT int ac_object_is_subdivided(Object *object);

AC3D_IMPORT void list_append_list_unique(List **list, List *items);
AC3D_IMPORT void list_free(List **list);
AC3D_IMPORT void add_undoable_vertex_positions(const char *name, List *vertices);

AC3D_IMPORT void find_bounding_box(void);
AC3D_IMPORT void redraw_all(void);
AC3D_IMPORT void display_status(void);

/* The plug-in's entry points, found by these exact names. */
typedef int (*AC3DPluginInitProc)(PluginInitData *data);
typedef int (*AC3DPluginExitProc)(void);
typedef const char *(*AC3DPluginTextProc)(void);

#ifdef __cplusplus
}
#endif

#endif
