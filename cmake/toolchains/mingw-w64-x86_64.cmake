# 64-bit Windows build; ctest runs its programs under 64-bit Wine.
set(PIXQUILL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Debian's path; `wine` itself is a wrapper script that may pick the 32-bit
# loader. Override with -DCMAKE_CROSSCOMPILING_EMULATOR=... elsewhere.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
