// One run of the command: notice, command line, source, text picture.
#ifndef PIXQUILL_APP_RUN_H
#define PIXQUILL_APP_RUN_H

#include <cstdio>

#include "pixquill/image.h"

inline constexpr char USAGE_TEXT[] =
    "utilisation :\n"
    "\n"
    "   pixQuill  srce.wbmp  dest.txt\n"
    "\n"
    "arguments :\n"
    "\n"
    "   srce.wbmp        fichier WBMP d'origine\n"
    "   dest.txt         fichier TEXTE qui sera construit\n"
    "\n"
    "le fond deviendra des . et les les pixels deviendront des #.";

// Exit statuses of a run.
inline constexpr int EXIT_CONVERTED = 0;  // the text picture was written
inline constexpr int EXIT_FAILED = 1;     // an error message was written
inline constexpr int EXIT_USAGE = 2;      // the usage text was printed

// Writes `image` to `stream` as text: one line per row, top row first, "."
// for a set pixel and "#" for a clear one, each row ended by "\n". Padding
// bits never show. Write errors are left on the stream's error indicator.
void render_text_picture(const MonoBitmap* image, std::FILE* stream);

// Runs the command on its argument vector and answers the exit status.
int pixquill_run(int argc, const char* const argv[]);

#endif  // PIXQUILL_APP_RUN_H
