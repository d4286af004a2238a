# Shared part of the mingw-w64 toolchain files; RILO_MINGW_TRIPLET names the target.
#
# RILO_MINGW_THREADS picks the compilers' thread model, and with it what the
# build makes (CMakeLists.txt).  win32, the default, builds the module and
# its package: its runtime then needs no winpthread, which would bring a TLS
# callback run on every thread the modeller starts and imports newer than
# the rest of the module's (GetTickCount64, from Vista on).  posix builds
# ac3d.exe, the test host: the stand-in's scene takes a std::mutex, which
# GCC 12's win32 thread model lacks.  Either way the runtime is linked
# statically.
set(RILO_MINGW_THREADS win32 CACHE STRING
  "Thread model of the mingw-w64 compilers: win32 (the module) or posix (ac3d.exe, the test host)")
set_property(CACHE RILO_MINGW_THREADS PROPERTY STRINGS win32 posix)
if(NOT RILO_MINGW_THREADS MATCHES "^(win32|posix)$")
  message(FATAL_ERROR "RILO_MINGW_THREADS is ${RILO_MINGW_THREADS}; expected win32 or posix")
endif()
set(CMAKE_C_COMPILER ${RILO_MINGW_TRIPLET}-gcc-${RILO_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${RILO_MINGW_TRIPLET}-g++-${RILO_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${RILO_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${RILO_MINGW_TRIPLET}-dlltool)
set(CMAKE_OBJDUMP ${RILO_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${RILO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
