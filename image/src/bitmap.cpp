// Setting up, editing and handing back a one-bit image record.
#include <cstdint>
#include <cstring>

#include "pixquill/image.h"

int bitmap_create(MonoBitmap* image, std::int32_t width, std::int32_t height, AllocateFn allocate) {
  if (image == nullptr) return 1;
  if (width <= 0) return 2;
  if (height <= 0) return 3;

  // Computed in 64 bits: width + 7 alone overflows near INT32_MAX, and the
  // product must be known to fit before it is stored as a 32-bit count.
  const std::int64_t bytes_per_row = (std::int64_t{width} + 7) / 8;
  const std::int64_t byte_count = bytes_per_row * height;
  image->width = width;
  image->height = height;
  image->bytes_per_row = static_cast<std::int32_t>(bytes_per_row);
  image->byte_count = 0;
  image->pixels = nullptr;
  if (byte_count > INT32_MAX) return 4;
  image->byte_count = static_cast<std::int32_t>(byte_count);

  if (allocate == nullptr) return 4;
  void* block = allocate(image->byte_count);
  if (block == nullptr) return 4;
  image->pixels = static_cast<std::uint8_t*>(block);
  std::memset(image->pixels, 0, static_cast<std::size_t>(byte_count));
  return 0;
}

int bitmap_release(MonoBitmap* image, ReleaseFn release) {
  if (image == nullptr) return 1;
  if (image->pixels == nullptr) return 2;
  if (release == nullptr) return 3;
  release(image->pixels);
  image->pixels = nullptr;
  return 0;
}

int bitmap_set_pixel(MonoBitmap* image, std::int32_t x, std::int32_t y, int value) {
  if (image == nullptr) return 1;
  if (image->pixels == nullptr) return 2;
  if (x < 0 || x >= image->width || y < 0 || y >= image->height) return 3;
  std::uint8_t& byte = image->pixels[y * image->bytes_per_row + x / 8];
  const std::uint8_t mask = BIT_MASKS[x % 8];
  byte = static_cast<std::uint8_t>(value != 0 ? byte | mask : byte & ~mask);
  return 0;
}
