// The one-bit image record and the WBMP reader.
#include "pixquill/image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image_support.h"

namespace {

void* no_memory(std::int32_t) { return nullptr; }
// Fills the block with a pattern, so that a missing clear shows.
void* dirty_allocate(std::int32_t n) {
  void* block = std::malloc(static_cast<std::size_t>(n));
  std::memset(block, 0xA5, static_cast<std::size_t>(n));
  return block;
}
void* must_not_allocate(std::int32_t) {
  ADD_FAILURE() << "allocate called";
  return nullptr;
}

Bytes header(Bytes sides, std::size_t pixel_bytes, std::uint8_t fill = 0x00) {
  Bytes bytes{0x00, 0x00};
  bytes.insert(bytes.end(), sides.begin(), sides.end());
  bytes.insert(bytes.end(), pixel_bytes, fill);
  return bytes;
}

struct ReadResult {
  int status;
  MonoBitmap image;
  long position;  // where the stream stands afterwards
};

ReadResult read_wbmp(const Bytes& bytes) {
  MemoryStream stream(bytes);
  ReadResult result{};
  result.status = wbmp_read(&result.image, stream.file, heap_allocate);
  result.position = std::ftell(stream.file);
  return result;
}

struct ReadCase {
  const char* what;
  Bytes bytes;
  int status;
  std::int32_t width;  // checked when status is 0 or 5
  std::int32_t height;
};

// clang-format off
const ReadCase kReadCases[] = {
  // what                                   bytes                                            status  w     h
  {"empty stream",                          {},                                              1,      0,    0},
  {"type byte 1",                           {0x01, 0x00, 0x01, 0x01, 0xFF},                  1,      0,    0},
  {"ends after the type byte",              {0x00},                                          2,      0,    0},
  {"extension header flag",                 {0x00, 0x80, 0x01, 0x01, 0xFF},                  2,      0,    0},
  {"ends after the fixed header",           {0x00, 0x00},                                    3,      0,    0},
  {"width 0",                               header({0x00, 0x01}, 1),                         3,      0,    0},
  {"height 0",                              header({0x01, 0x00}, 1),                         3,      0,    0},
  {"width 1001 (0x87 0x69)",                header({0x87, 0x69, 0x01}, 126),                 3,      0,    0},
  {"height 1001",                           header({0x01, 0x87, 0x69}, 1001),                3,      0,    0},
  {"1000 x 1000 (0x87 0x68)",               header({0x87, 0x68, 0x87, 0x68}, 125000),        0,      1000, 1000},
  {"1000 x 1000, one byte short",           header({0x87, 0x68, 0x87, 0x68}, 124999),        5,      1000, 1000},
  {"redundant leading group 0x80 0x05",     header({0x80, 0x05, 0x01}, 1),                   0,      5,    1},
  {"groups beyond 32 bits wrap to 5",       header({0x90, 0x80, 0x80, 0x80, 0x05, 0x01}, 1), 0,      5,    1},
  {"32-bit result negative",                header({0x88, 0x80, 0x80, 0x80, 0x00, 0x01}, 1), 3,      0,    0},
  {"all ones: -1 after the wrap",           header({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x01}, 1), 3,      0,    0},
  {"cut inside the width",                  {0x00, 0x00, 0x87},                              3,      0,    0},
  {"cut inside a valid height",             {0x00, 0x00, 0x05, 0x87},                        5,      5,    7},
  {"cut height already past 1000 (1024)",   {0x00, 0x00, 0x05, 0x88, 0x80},                  3,      0,    0},
  {"9 x 2 needs 4 pixel bytes",             header({0x09, 0x02}, 4),                         0,      9,    2},
  {"9 x 2 with 3 pixel bytes",              header({0x09, 0x02}, 3),                         5,      9,    2},
  {"no pixel data at all",                  header({0x01, 0x01}, 0),                         5,      1,    1},
  {"extra bytes after the pixel data",      header({0x01, 0x01}, 5),                         0,      1,    1},
};
// clang-format on

TEST(WbmpRead, AnswersTheStatusOfTheFirstFailingCheck) {
  for (const ReadCase& c : kReadCases) {
    SCOPED_TRACE(c.what);
    ReadResult r = read_wbmp(c.bytes);
    EXPECT_EQ(r.status, c.status);
    if (c.status == 0 || c.status == 5) {
      EXPECT_EQ(r.image.width, c.width);
      EXPECT_EQ(r.image.height, c.height);
      EXPECT_EQ(r.image.bytes_per_row, (c.width + 7) / 8);
      EXPECT_EQ(r.image.byte_count, (c.width + 7) / 8 * c.height);
      EXPECT_NE(r.image.pixels, nullptr);
    }
    std::free(r.image.pixels);
  }
}

TEST(WbmpRead, StopsRightAfterThePixelData) {
  // 9 x 2: header 4 bytes + 4 pixel bytes, then 3 bytes that are not read.
  ReadResult r = read_wbmp(header({0x09, 0x02}, 7));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.position, 8);
  std::free(r.image.pixels);
}

TEST(WbmpRead, NullStreamIsTheEndOfTheStream) {
  MonoBitmap image{};
  EXPECT_EQ(wbmp_read(&image, nullptr, heap_allocate), 1);
}

TEST(WbmpRead, CreateFailuresAnswer4) {
  MemoryStream stream(header({0x01, 0x01}, 1));
  MonoBitmap image{};
  EXPECT_EQ(wbmp_read(&image, stream.file, no_memory), 4);
  MemoryStream again(header({0x01, 0x01}, 1));
  EXPECT_EQ(wbmp_read(nullptr, again.file, heap_allocate), 4);
}

TEST(WbmpRead, PixelLayoutAndPaddingBits) {
  // 9 x 2; row 0 = 0x00 0x80 (only pixel 8 set), row 1 = 0x80 0x7F
  // (pixel 0 set; the seven padding bits of the second byte are set but
  // stand outside the image).
  MemoryStream stream({0x00, 0x00, 0x09, 0x02, 0x00, 0x80, 0x80, 0x7F});
  MonoBitmap image{};
  ASSERT_EQ(wbmp_read(&image, stream.file, heap_allocate), 0);
  std::string rows;
  for (std::int32_t y = 0; y < 2; ++y) {
    for (std::int32_t x = 0; x < 9; ++x) rows += bitmap_get_pixel(&image, x, y) ? '1' : '0';
    rows += '|';
  }
  EXPECT_EQ(rows, "000000001|100000000|");
  EXPECT_EQ(image.pixels[3], 0x7F) << "padding bits are kept as read";
  std::free(image.pixels);
}

struct MbintCase {
  Bytes bytes;
  std::int32_t value;
  long consumed;
};

TEST(MbintRead, DecodesGroupsMostSignificantFirst) {
  // clang-format off
  const MbintCase cases[] = {
    {{0x00},                         0,           1},
    {{0x05, 0x77},                   5,           1},  // stops at the clear top bit
    {{0x7F},                         127,         1},
    {{0x81, 0x00},                   128,         2},
    {{0x87, 0x68},                   1000,        2},
    {{0x81, 0x80, 0x00},             16384,       3},
    {{0x80, 0x80, 0x05},             5,           3},  // leading zero groups
    {{0x87, 0xFF, 0xFF, 0xFF, 0x7F}, INT32_MAX,   5},
    {{0x88, 0x80, 0x80, 0x80, 0x00}, INT32_MIN,   5},
    {{0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, -1,          5},  // bits past 31 fall off
    {{0x87},                         7,           1},  // end of stream mid-integer
    {{},                             0,           0},
  };
  // clang-format on
  for (const MbintCase& c : cases) {
    MemoryStream stream(c.bytes);
    const long start = std::ftell(stream.file);
    EXPECT_EQ(mbint_read(stream.file), c.value) << "case of " << c.bytes.size() << " bytes";
    EXPECT_EQ(std::ftell(stream.file) - start, c.consumed);
  }
}

TEST(BitmapCreate, ChecksInOrderBeforeStoringAnything) {
  struct Case {
    const char* what;
    std::int32_t width, height;
    int status;
  };
  const Case cases[] = {
      {"width 0 and height 0", 0, 0, 2},
      {"negative width", -3, 5, 2},
      {"width 1, height 0", 1, 0, 3},
      {"negative height", 1, -1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MonoBitmap image{7, 7, 7, 7, nullptr};
    EXPECT_EQ(bitmap_create(&image, c.width, c.height, must_not_allocate), c.status);
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.byte_count, 7);
  }
  EXPECT_EQ(bitmap_create(nullptr, 1, 1, must_not_allocate), 1);
}

TEST(BitmapCreate, SetsUpSizesAndClearsEveryByte) {
  MonoBitmap image{};
  ASSERT_EQ(bitmap_create(&image, 9, 2, dirty_allocate), 0);
  EXPECT_EQ(image.width, 9);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.bytes_per_row, 2);
  EXPECT_EQ(image.byte_count, 4);
  ASSERT_NE(image.pixels, nullptr);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 4), Bytes(4, 0x00));
  std::free(image.pixels);
}

TEST(BitmapCreate, NoMemoryKeepsTheSizes) {
  MonoBitmap image{};
  EXPECT_EQ(bitmap_create(&image, 9, 2, no_memory), 4);
  EXPECT_EQ(image.width, 9);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.bytes_per_row, 2);
  EXPECT_EQ(image.byte_count, 4);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(bitmap_create(&image, 9, 2, nullptr), 4);
}

TEST(BitmapCreate, ByteCountBeyond32BitsIsRefusedWithoutAllocating) {
  MonoBitmap image{};
  // (INT32_MAX + 7) / 8 = 268435456 bytes per row: the row alone fits, the
  // product with 8 rows (2^31) does not.
  EXPECT_EQ(bitmap_create(&image, INT32_MAX, 8, must_not_allocate), 4);
  EXPECT_EQ(image.bytes_per_row, 268435456);
  EXPECT_EQ(image.byte_count, 0);
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(bitmap_create(&image, INT32_MAX, INT32_MAX, must_not_allocate), 4);
}

TEST(BitmapGetPixel, AnswersZeroOutsideTheImage) {
  MonoBitmap image{};
  ASSERT_EQ(bitmap_create(&image, 9, 2, heap_allocate), 0);
  std::memset(image.pixels, 0xFF, 4);
  struct Case {
    std::int32_t x, y;
    int pixel;
  };
  const Case cases[] = {{0, 0, 1},  {8, 1, 1},  {9, 0, 0},         {0, 2, 0},
                        {-1, 0, 0}, {0, -1, 0}, {INT32_MIN, 0, 0}, {INT32_MAX, 1, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(bitmap_get_pixel(&image, c.x, c.y), c.pixel) << c.x << "," << c.y;
  }
  EXPECT_EQ(bitmap_get_pixel(nullptr, 0, 0), 0);
  std::free(image.pixels);
  image.pixels = nullptr;
  EXPECT_EQ(bitmap_get_pixel(&image, 0, 0), 0);
}

}  // namespace
