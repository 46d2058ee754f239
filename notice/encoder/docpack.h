// Host-side coder for the CV page: picks a 255-entry dictionary and writes
// the coded form as a C++ source for the runtime library.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace docpack {

// Codes `page` as 255 zero-ended dictionary entries followed by a 0-ended
// token stream. Answers nullopt when the page holds a 0 byte, the only
// thing the format cannot carry; an empty page codes to 256 zero bytes.
// Equal pages always give equal bytes. The caller owns the returned bytes.
std::optional<std::vector<std::uint8_t>> encode(std::span<const std::uint8_t> page);

// Expands `coded` with the runtime's own expansion core and answers whether
// it is complete and gives back exactly `page`; false on any difference.
bool expands_to(std::span<const std::uint8_t> coded, std::span<const std::uint8_t> page);

// C++ source defining CODED_DOCUMENT over `coded` (twelve bytes a line),
// naming only `page_name` so the text never depends on paths or dates.
// `coded` must not be empty (a coded document has at least 256 bytes);
// an empty one answers an empty string. The caller owns the text.
std::string source_text(std::span<const std::uint8_t> coded, std::string_view page_name);

}  // namespace docpack
