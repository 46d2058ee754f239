// pixquill image module: a one-bit image in memory and the WBMP type 0 codec.
//
// Plain records and free functions. Every operation answers a small status
// code (0 for success, otherwise the number of the first check that failed,
// the checks running in the order of their codes). Nothing here prints,
// throws, opens or closes a stream, or allocates or frees except through the
// caller's AllocateFn and ReleaseFn.
#ifndef PIXQUILL_IMAGE_H
#define PIXQUILL_IMAGE_H

#include <cstdint>
#include <cstdio>

// A one-bit image. The caller owns the record; the module fills it in.
//
// Pixel layout: rows are stored top row first with no gap, row y starting at
// byte y * bytes_per_row. Pixel x of a row lies in byte x / 8 of the row, at
// the bit BIT_MASKS[x % 8]: the leftmost pixel of a byte is its most
// significant bit. A set bit is white in WBMP terms, a clear bit black. When
// width is not a multiple of 8, the last byte of each row carries padding
// bits; they travel unchanged and no pixel operation looks at them.
struct MonoBitmap {
  std::int32_t width;          // pixels per row, > 0 once set up
  std::int32_t height;         // rows, > 0 once set up
  std::int32_t bytes_per_row;  // (width + 7) / 8: rows are padded to whole bytes
  std::int32_t byte_count;     // bytes_per_row * height
  std::uint8_t* pixels;        // byte_count bytes from the caller's AllocateFn, or null
};

// Gives a block of byte_count bytes, or null. The block belongs to the
// record it is stored in until the caller takes it back.
using AllocateFn = void* (*)(std::int32_t byte_count);

// Takes back a block that the caller's AllocateFn gave (std::free for a
// std::malloc allocator).
using ReleaseFn = void (*)(void* block);

// The mask of pixel x within its byte is BIT_MASKS[x % 8].
inline constexpr std::uint8_t BIT_MASKS[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

// The largest width and the largest height that wbmp_read accepts.
inline constexpr std::int32_t WBMP_MAX_SIDE = 1000;

// Sets up `image` as a width x height image, all black (every bit clear),
// with its pixel block taken from `allocate`. The record owns that block
// from then on.
// Answers 0 when set up; 1 when image is null; 2 when width <= 0; 3 when
// height <= 0 (nothing stored for 1 to 3); 4 when allocate is null, answers
// null, or the byte count does not fit a signed 32-bit count (the sizes are
// stored, pixels is null, and byte_count is 0 when it did not fit).
int bitmap_create(MonoBitmap* image, std::int32_t width, std::int32_t height, AllocateFn allocate);

// Answers 1 when pixel (x, y) is set, 0 when it is clear, and 0 as well
// when image is null, holds no pixel data, or (x, y) lies outside it.
// x counts from the left, y from the top.
inline int bitmap_get_pixel(const MonoBitmap* image, std::int32_t x, std::int32_t y) {
  if (image == nullptr || image->pixels == nullptr) return 0;
  if (x < 0 || x >= image->width || y < 0 || y >= image->height) return 0;
  const std::uint8_t byte = image->pixels[y * image->bytes_per_row + x / 8];
  return (byte & BIT_MASKS[x % 8]) != 0 ? 1 : 0;
}

// Hands the pixel block to `release` and sets pixels to null; the four size
// fields keep their values. From then on the block is the caller's again.
// Answers 0 when released; 1 when image is null; 2 when it holds no pixel
// data (so a second release calls nothing); 3 when release is null (nothing
// changes, the record keeps its block).
int bitmap_release(MonoBitmap* image, ReleaseFn release);

// Sets pixel (x, y) when value is non-zero, clears it when value is 0; no
// other bit of the pixel block changes, padding bits included.
// Answers 0 when written; 1 when image is null; 2 when it holds no pixel
// data; 3 when x < 0, x >= width, y < 0 or y >= height (nothing changes).
int bitmap_set_pixel(MonoBitmap* image, std::int32_t x, std::int32_t y, int value);

// Reads one multi-byte integer from `stream`. At end of stream it answers
// the value gathered so far (0 when no byte was left). Only the low 32 bits
// of a longer integer are kept, taken as a signed number.
std::int32_t mbint_read(std::FILE* stream);

// Loads a WBMP type 0 image from `stream`, open for binary reading at the
// first byte of the WBMP data, into `image` (whose former contents are
// ignored), taking the pixel block from `allocate`.
// Answers 0 when loaded; 1 when the first byte is not 0 (end of stream
// included, and a null stream); 2 when the second byte is not 0; 3 when
// width or height lies outside 1 to WBMP_MAX_SIDE; 4 when bitmap_create
// failed (image null or no memory); 5 when fewer pixel bytes than
// byte_count could be read, in which case the record keeps its partly
// filled pixel block, which the caller must give back.
// The stream stays the caller's: it is neither closed nor rewound, and on
// success it stands right after the pixel data.
int wbmp_read(MonoBitmap* image, std::FILE* stream, AllocateFn allocate);

// Writes `value` to `stream` as a multi-byte integer with no leading zero
// group: 0 -> 00, 127 -> 7F, 128 -> 81 00, 1000 -> 87 68, INT32_MAX ->
// 87 FF FF FF 7F. A value of 127 or less, negative ones included, is the
// single byte value & 0x7F (-1 -> 7F, INT32_MIN -> 00): there is no
// encoding of negative numbers, and this keeps a byte count of one.
// Answers what std::fputc answered for the last byte: that byte, or EOF
// when the stream failed it (bytes before it may have failed too; the
// stream's error indicator tells).
int mbint_write(std::FILE* stream, std::int32_t value);

// Stores `image` on `stream`, open for binary writing, as WBMP type 0: the
// bytes 00 00, the width and height as multi-byte integers, then all
// byte_count pixel bytes, padding bits included. The record is not changed
// and the stream stays the caller's (neither opened nor closed); it is
// flushed at the end so that a failed write shows.
// Answers 0 when written; 1 when image is null; 2 when it holds no pixel
// data; 3 when stream is null (nothing written for 1 to 3); 4 when the
// stream's error indicator is set after the pixel data was written or
// flushed (a full disk, a closed pipe, an error left from before).
int wbmp_write(const MonoBitmap* image, std::FILE* stream);

#endif  // PIXQUILL_IMAGE_H
