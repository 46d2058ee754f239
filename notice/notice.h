// Start-up notice: the banner and the maker's CV page written beside the user.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

// Printed on stdout at every start; three lines, each ended by a newline.
inline constexpr std::string_view BANNER_TEXT =
    "\n"
    "Logiciels downloadables sur http://tools.example.org/orvane/\n"
    "Quand on les utilise, ils recopient mon CV, merci de le lire...\n";

// The CV page in coded form (255-entry dictionary, then the token stream);
// defined in the source generated at build time by pixquill_docpack.
// Points at static storage that lives for the whole run.
extern const std::span<const std::uint8_t> CODED_DOCUMENT;

// Writes the page held by `coded` to `stream`. Never reads outside `coded`:
// a document whose dictionary is incomplete writes nothing, and a token
// stream lacking its ending 0 writes the entries named up to the end of the
// span. Write errors are left in `stream`'s error indicator for the caller;
// the caller keeps ownership of `stream` and must close it.
void document_expand(std::span<const std::uint8_t> coded, std::FILE* stream);

// Prints the banner and an empty line on stdout, then writes "cv.html" in
// the current directory (created or emptied). Answers false, printing
// nothing more, when the page cannot be opened, written or closed; a file
// left half-written is kept, never deleted. Owns and closes its own stream.
bool notice_publish();
