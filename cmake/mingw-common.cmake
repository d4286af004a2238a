# Shared part of the mingw-w64 toolchain files; RILO_MINGW_TRIPLET names the target.
# The posix flavour: its C++ library has std::thread and std::mutex, which
# the stand-in uses.  Its threads library is linked statically like the rest.
set(CMAKE_C_COMPILER ${RILO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RILO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RILO_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${RILO_MINGW_TRIPLET}-dlltool)
set(CMAKE_OBJDUMP ${RILO_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${RILO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
