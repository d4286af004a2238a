# Windows module: the import library of the host's services and the link
# rules that keep the module self-contained.

# The host's services live in the modeller's executable.  Their import
# library is made from host/ac3d.def; on 32-bit x86 dlltool adds the C
# underscore to the link-time symbols and keeps the imported names undecorated.
find_program(RILO_DLLTOOL NAMES ${CMAKE_DLLTOOL} ${RILO_MINGW_TRIPLET}-dlltool dlltool REQUIRED)
set(RILO_HOST_DEF ${PROJECT_SOURCE_DIR}/host/ac3d.def)
set(RILO_HOST_IMPLIB ${CMAKE_BINARY_DIR}/lib/libac3d.a)
add_custom_command(OUTPUT ${RILO_HOST_IMPLIB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
  COMMAND ${RILO_DLLTOOL} --input-def ${RILO_HOST_DEF} --output-lib ${RILO_HOST_IMPLIB}
  DEPENDS ${RILO_HOST_DEF}
  COMMENT "Import library for ac3d.exe"
  VERBATIM)
add_custom_target(ac3d_implib DEPENDS ${RILO_HOST_IMPLIB})
add_library(ac3d_host_imports STATIC IMPORTED GLOBAL)
set_target_properties(ac3d_host_imports PROPERTIES IMPORTED_LOCATION ${RILO_HOST_IMPLIB})
add_dependencies(ac3d_host_imports ac3d_implib)

# The header names the oldest Windows of this architecture as both the OS
# and the subsystem version; the linker's defaults (NT 4, or 5.2 for 64-bit)
# say nothing about what the module imports.
string(REGEX MATCH "^[^-]+" rilo_windows_arch ${RILO_MINGW_TRIPLET})
set(rilo_oldest ${RILO_OLDEST_WINDOWS_${rilo_windows_arch}})
if(NOT rilo_oldest MATCHES "^([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "no oldest Windows set for ${rilo_windows_arch} (plugin/CMakeLists.txt)")
endif()
set(RILO_WINDOWS_VERSION_OPTIONS
  -Wl,--major-os-version,${CMAKE_MATCH_1},--minor-os-version,${CMAKE_MATCH_2}
  -Wl,--major-subsystem-version,${CMAKE_MATCH_1},--minor-subsystem-version,${CMAKE_MATCH_2})

# Links a module target as a plug-in DLL: the exports of plugin/rilo.def and
# nothing else, the host's services from ac3d.exe, the oldest Windows in the
# header, and the GCC runtime linked in so that no DLL has to travel with
# the module.  Outside Debug builds the module carries no symbol table or
# debugging information.
function(rilo_windows_module target)
  set(def ${PROJECT_SOURCE_DIR}/plugin/rilo.def)
  target_link_libraries(${target} PRIVATE ac3d_host_imports)
  target_link_options(${target} PRIVATE ${def} ${RILO_WINDOWS_VERSION_OPTIONS}
    -static -static-libgcc -static-libstdc++ -Wl,--exclude-all-symbols
    $<$<NOT:$<CONFIG:Debug>>:-s>)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${def} ${RILO_HOST_IMPLIB})
endfunction()
