# Shared part of the mingw-w64 toolchains: a Windows console program built on
# Linux. The including file sets PIXQUILL_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${PIXQUILL_MINGW_TRIPLE}")

# The posix thread model: the default win32 one has no std::mutex, which
# GoogleTest needs. The program starts no thread; winpthread is linked in
# statically like the rest. GoogleTest's project also enables C.
set(CMAKE_CXX_COMPILER ${PIXQUILL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_C_COMPILER ${PIXQUILL_MINGW_TRIPLE}-gcc-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${PIXQUILL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: the .exe needs only the system DLLs, so it runs as it is
# copied, on Windows or under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
