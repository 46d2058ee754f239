# Compiler settings shared by every target of ours, kept on small interface
# targets so that each flag is stated once, with its reason.

option(PIXQUILL_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(pixquill_warnings INTERFACE)
target_compile_options(pixquill_warnings INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:
    -Wall -Wextra -Wpedantic   # the common baseline
    -Wconversion               # byte, size and 32-bit count conversions are where image code breaks
    -Wshadow                   # short names (x, y, c) are everywhere in pixel loops
    $<$<BOOL:${PIXQUILL_WARNINGS_AS_ERRORS}>:-Werror>   # CI and the test preset
  >
  $<$<CXX_COMPILER_ID:MSVC>:/W4 $<$<BOOL:${PIXQUILL_WARNINGS_AS_ERRORS}>:/WX>>
)
