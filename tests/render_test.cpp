// The text picture drawn from a record in memory: every pixel one character,
// the padding bits of each row's last byte never shown.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/run.h"
#include "image_support.h"

namespace {

// What render_text_picture writes for a width x height record over `pixels`
// (no pixel data when `pixels` is empty).
std::string render(std::int32_t width, std::int32_t height, Bytes pixels) {
  const std::int32_t bytes_per_row = (width + 7) / 8;
  const MonoBitmap image{width, height, bytes_per_row, bytes_per_row * height,
                         pixels.empty() ? nullptr : pixels.data()};
  ByteStream out;
  render_text_picture(&image, out.file);
  const Bytes text = out.bytes();
  return std::string(text.begin(), text.end());
}

struct RenderCase {
  const char* what;
  std::int32_t width;
  std::int32_t height;
  Bytes pixels;
  std::string expected;
};

TEST(RenderTextPicture, Cases) {
  const std::vector<RenderCase> cases = {
      // A lone pixel is the byte's top bit.
      {"1x1 set", 1, 1, {0x80}, ".\n"},
      // The seven padding bits are set and must not show.
      {"1x1 clear, padding set", 1, 1, {0x7F}, "#\n"},
      // One whole byte, most significant bit leftmost.
      {"8x1", 8, 1, {0xA5}, ".#.##.#.\n"},
      // Pixel 8 is bit 0x80 of the row's second byte.
      {"9x2", 9, 2, {0xFF, 0x00, 0x00, 0x80}, "........#\n########.\n"},
      // The second byte's seven padding bits are set.
      {"9x1 padding set", 9, 1, {0x00, 0x7F}, "#########\n"},
      // Three bytes a row: each row starts at its own byte, not after the
      // last pixel of the row above.
      {"17x2",
       17,
       2,
       {0x80, 0x01, 0xFF, 0x7F, 0xFE, 0x00},
       ".##############..\n#..............##\n"},
      // Narrower than a byte with padding of both values.
      {"3x2", 3, 2, {0xBF, 0x5F}, ".#.\n#.#\n"},
      // A record without pixel data reads as clear pixels.
      {"no pixel data", 3, 2, {}, "###\n###\n"},
  };
  for (const RenderCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(render(c.width, c.height, c.pixels), c.expected);
  }
}

// Row b of an 8 x 256 image is the byte b: all 256 bytes drawn, compared
// with the bits taken by shifting.
TEST(RenderTextPicture, EveryByteValue) {
  Bytes pixels;
  std::string expected;
  for (unsigned b = 0; b < 256; ++b) {
    pixels.push_back(static_cast<std::uint8_t>(b));
    for (int shift = 7; shift >= 0; --shift) expected += ((b >> shift) & 1) != 0 ? '.' : '#';
    expected += '\n';
  }
  EXPECT_EQ(render(8, 256, pixels), expected);
}

}  // namespace
