# Cross build for 32-bit Windows with Debian's mingw-w64 compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(RILO_MINGW_TRIPLET i686-w64-mingw32)

# SSE2 arithmetic rounds every float and double operation the way x86_64
# does; x87 registers would keep excess precision.  A 32-bit host may call
# in with a stack aligned to 4 bytes only, so functions that keep SSE values
# on the stack realign it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
