#include <array>
#include <cstdint>

#include "app/char_put.h"
#include "app/run.h"

namespace {

// The text of each possible pixel byte: its eight characters, leftmost
// pixel first, built from BIT_MASKS at compile time (256 x 8 bytes).
constexpr std::array<std::array<char, 8>, 256> BYTE_TEXT = [] {
  std::array<std::array<char, 8>, 256> text{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    for (unsigned bit = 0; bit < 8; ++bit) {
      text[byte][bit] = (byte & BIT_MASKS[bit]) != 0 ? '.' : '#';
    }
  }
  return text;
}();

// Puts the first `count` characters of `text`, one at a time.
inline void put_pixels(const std::array<char, 8>& text, int count, std::FILE* stream) {
  // Unrolled whole bytes keep each put at seven instructions: a character
  // load and the stream's six. -O3 unrolls on its own, -O2 does not.
#if defined(__GNUC__)
#pragma GCC unroll 8
#endif
  for (int bit = 0; bit < count; ++bit) {
    put_char_unlocked(text[static_cast<std::size_t>(bit)], stream);
  }
}

}  // namespace

// Walks the pixel block a byte at a time instead of asking bitmap_get_pixel
// for each pixel: its four bound checks, the index product and the choice of
// character cost more than the put itself, and this loop runs a million
// times for a 1000 x 1000 image.
void render_text_picture(const MonoBitmap* image, std::FILE* stream) {
  const std::int32_t whole_bytes = image->width / 8;
  const int tail_pixels = static_cast<int>(image->width % 8);
  const std::uint8_t* row = image->pixels;
  stream_lock(stream);
  for (std::int32_t y = 0; y < image->height; ++y) {
    // A record without pixel data reads as clear pixels, as bitmap_get_pixel
    // answers for it.
    for (std::int32_t i = 0; i < whole_bytes; ++i) {
      put_pixels(BYTE_TEXT[row != nullptr ? row[i] : 0], 8, stream);
    }
    if (tail_pixels != 0) {
      put_pixels(BYTE_TEXT[row != nullptr ? row[whole_bytes] : 0], tail_pixels, stream);
    }
    put_char_unlocked('\n', stream);
    if (row != nullptr) row += image->bytes_per_row;
  }
  stream_unlock(stream);
}
