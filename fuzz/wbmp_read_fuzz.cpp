// Fuzz target: the WBMP reader and the text picture on any bytes.
//
// Whatever the input, wbmp_read answers a status from 0 to 5 and leaves
// pixel data in the record only on 0 and 5. On 0 the sides lie in 1 to
// WBMP_MAX_SIDE, the counts agree with them, the pixel block is a copy of
// the input bytes that end where the stream stands, every pixel reads as its
// bit in those bytes, and the text picture shows exactly those pixels.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/run.h"
#include "fuzz/fuzz_support.h"
#include "pixquill/image.h"
#include "tests/image_support.h"

namespace {

void check_loaded(const MonoBitmap& image, const std::uint8_t* data, std::size_t size,
                  long position) {
  // Two header bytes and at least one byte for each side come first.
  const auto count = static_cast<std::size_t>(image.byte_count);
  FUZZ_CHECK(position >= 0);
  const auto end = static_cast<std::size_t>(position);
  FUZZ_CHECK(end <= size && end >= 4 + count);
  const std::uint8_t* source = data + (end - count);

  std::string expected;
  expected.reserve(static_cast<std::size_t>(image.height) *
                   static_cast<std::size_t>(image.width + 1));
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      const std::uint8_t byte = source[y * image.bytes_per_row + x / 8];
      const int bit = (byte >> (7 - x % 8)) & 1;
      FUZZ_CHECK(bitmap_get_pixel(&image, x, y) == bit);
      expected += bit != 0 ? '.' : '#';
    }
    expected += '\n';
  }
  for (std::size_t i = 0; i < count; ++i) FUZZ_CHECK(image.pixels[i] == source[i]);
  // Just outside the image every side answers 0.
  FUZZ_CHECK(bitmap_get_pixel(&image, -1, 0) == 0);
  FUZZ_CHECK(bitmap_get_pixel(&image, image.width, 0) == 0);
  FUZZ_CHECK(bitmap_get_pixel(&image, 0, -1) == 0);
  FUZZ_CHECK(bitmap_get_pixel(&image, 0, image.height) == 0);

  WriteStream picture;
  render_text_picture(&image, picture.file());
  FUZZ_CHECK(picture.take() == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const MemoryStream stream(Bytes(data, data + size));
  MonoBitmap image{};
  const int status = wbmp_read(&image, stream.file, heap_allocate);
  FUZZ_CHECK(status >= 0 && status <= 5);
  if (status == 0 || status == 5) {
    // The sides were tested before the block was taken; a short file keeps it.
    FUZZ_CHECK(image.width >= 1 && image.width <= WBMP_MAX_SIDE);
    FUZZ_CHECK(image.height >= 1 && image.height <= WBMP_MAX_SIDE);
    FUZZ_CHECK(image.bytes_per_row == (image.width + 7) / 8);
    FUZZ_CHECK(image.byte_count == image.bytes_per_row * image.height);
    FUZZ_CHECK(image.pixels != nullptr);
  } else {
    FUZZ_CHECK(image.pixels == nullptr);
  }
  if (status == 0) check_loaded(image, data, size, std::ftell(stream.file));
  // A short block read means the whole input was used up.
  if (status == 5) FUZZ_CHECK(std::ftell(stream.file) == static_cast<long>(size));
  // Answers 2, calling nothing, when no block was taken.
  bitmap_release(&image, heap_release);
  return 0;
}
