# 32-bit Windows build. No emulator: a 64-bit-only kernel cannot start 32-bit
# Wine, so this build is compiled, not run.
set(PIXQUILL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
