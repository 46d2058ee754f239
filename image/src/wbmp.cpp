// WBMP type 0: the uncompressed one-bit Wireless Bitmap.
//
//   offset  field          encoding
//   0       type           one byte, 0
//   1       fixed header   one byte, 0 (no extension headers follow)
//   2       width          multi-byte integer, 1 to 1000 accepted
//   .       height         multi-byte integer, 1 to 1000 accepted
//   .       pixel data     height rows of (width + 7) / 8 bytes, top row
//                          first, leftmost pixel in the most significant
//                          bit, 1 = white, 0 = black, rows padded to bytes
//
// Multi-byte integer: the value cut into groups of 7 bits, most significant
// group first, one group in the low 7 bits of each byte; bit 0x80 is set on
// every byte but the last.
//
//   5     -> 0x05
//   127   -> 0x7F
//   128   -> 0x81 0x00            (1 << 7 | 0)
//   1000  -> 0x87 0x68            (7 << 7 | 104 = 896 + 104)
//   16384 -> 0x81 0x80 0x00       (1 << 14)
//
// A 9 x 2 image is 00 00 09 02 followed by 4 pixel bytes (2 per row).
#include <cstdint>
#include <cstdio>

#include "pixquill/image.h"

std::int32_t mbint_read(std::FILE* stream) {
  // Unsigned so that groups shifted past bit 31 simply fall off.
  std::uint32_t value = 0;
  for (;;) {
    const int c = std::getc(stream);
    if (c == EOF) break;
    value = (value << 7) | (static_cast<std::uint32_t>(c) & 0x7Fu);
    if ((c & 0x80) == 0) break;
  }
  return static_cast<std::int32_t>(value);
}

int wbmp_read(MonoBitmap* image, std::FILE* stream, AllocateFn allocate) {
  if (stream == nullptr) return 1;
  if (std::getc(stream) != 0) return 1;  // EOF is not 0 either
  if (std::getc(stream) != 0) return 2;

  // Both sides are read before either is tested.
  const std::int32_t width = mbint_read(stream);
  const std::int32_t height = mbint_read(stream);
  if (width <= 0 || width > WBMP_MAX_SIDE) return 3;
  if (height <= 0 || height > WBMP_MAX_SIDE) return 3;

  if (bitmap_create(image, width, height, allocate) != 0) return 4;

  // At most 125 * 1000 bytes, in one block read.
  const auto wanted = static_cast<std::size_t>(image->byte_count);
  if (std::fread(image->pixels, 1, wanted, stream) != wanted) return 5;
  return 0;
}

int mbint_write(std::FILE* stream, std::int32_t value) {
  // 127 or less, negatives included, is one byte of the low 7 bits.
  if (value <= 127) return std::fputc(value & 0x7F, stream);

  // Groups gathered least significant first, then put most significant
  // first; 32 bits make at most 5 groups. No leading zero group is put.
  auto rest = static_cast<std::uint32_t>(value);
  std::uint8_t groups[5];
  int count = 0;
  while (rest != 0) {
    groups[count++] = static_cast<std::uint8_t>(rest & 0x7Fu);
    rest >>= 7;
  }
  while (count > 1) std::fputc(groups[--count] | 0x80, stream);
  return std::fputc(groups[0], stream);
}

int wbmp_write(const MonoBitmap* image, std::FILE* stream) {
  if (image == nullptr) return 1;
  if (image->pixels == nullptr) return 2;
  if (stream == nullptr) return 3;

  std::fputc(0, stream);  // type 0
  std::fputc(0, stream);  // fixed header: no extension headers
  mbint_write(stream, image->width);
  mbint_write(stream, image->height);
  if (image->byte_count > 0) {
    std::fwrite(image->pixels, 1, static_cast<std::size_t>(image->byte_count), stream);
  }
  // Buffered bytes only meet a full disk when they leave the buffer.
  std::fflush(stream);
  return std::ferror(stream) != 0 ? 4 : 0;
}
