// Editing a one-bit image, the WBMP writer, its round trips with the
// reader, and a cross-check of both directions against netpbm.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "image_support.h"
#include "pixquill/image.h"

namespace fs = std::filesystem;

namespace {

// A write stream whose bytes can be looked at.
struct WriteStream {
  WriteStream() : file(open_memstream(&buffer, &size)) {}
  ~WriteStream() {
    std::fclose(file);
    std::free(buffer);
  }
  WriteStream(const WriteStream&) = delete;
  WriteStream& operator=(const WriteStream&) = delete;
  Bytes bytes() {
    std::fflush(file);
    return Bytes(buffer, buffer + size);
  }
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* file;
};

// An image set up from its sizes and pixel bytes; released at the end.
struct Image {
  Image(std::int32_t width, std::int32_t height, const Bytes& pixels = {}) {
    EXPECT_EQ(bitmap_create(&record, width, height, heap_allocate), 0);
    std::copy(pixels.begin(), pixels.end(), record.pixels);
  }
  ~Image() { bitmap_release(&record, heap_release); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  Bytes pixels() const { return Bytes(record.pixels, record.pixels + record.byte_count); }
  MonoBitmap record{};
};

// Every pixel drawn from a fixed seed; padding bits stay clear.
void fill_random(MonoBitmap* image, std::uint32_t seed) {
  std::mt19937 bits(seed);
  for (std::int32_t y = 0; y < image->height; ++y) {
    for (std::int32_t x = 0; x < image->width; ++x) {
      ASSERT_EQ(bitmap_set_pixel(image, x, y, static_cast<int>(bits() & 1u)), 0);
    }
  }
}

Bytes write_wbmp(const MonoBitmap* image) {
  WriteStream stream;
  EXPECT_EQ(wbmp_write(image, stream.file), 0);
  return stream.bytes();
}

Bytes concat(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// ---------------------------------------------------------------------------
// Multi-byte integers, both directions.

struct MbintCase {
  std::int32_t value;
  Bytes bytes;
  std::int32_t reads_back;  // what mbint_read makes of `bytes`
};

// clang-format off
const MbintCase kMbintCases[] = {
  // value       bytes                              reads back
  {0,            {0x00},                            0},
  {1,            {0x01},                            1},
  {127,          {0x7F},                            127},         // largest single byte
  {128,          {0x81, 0x00},                      128},         // smallest two bytes
  {1000,         {0x87, 0x68},                      1000},        // the largest side read
  {16383,        {0xFF, 0x7F},                      16383},       // largest two bytes
  {16384,        {0x81, 0x80, 0x00},                16384},       // smallest three bytes
  {2097151,      {0xFF, 0xFF, 0x7F},                2097151},     // largest three bytes
  {2097152,      {0x81, 0x80, 0x80, 0x00},          2097152},     // smallest four bytes
  {268435456,    {0x81, 0x80, 0x80, 0x80, 0x00},    268435456},   // smallest five bytes
  {INT32_MAX,    {0x87, 0xFF, 0xFF, 0xFF, 0x7F},    INT32_MAX},
  {-1,           {0x7F},                            127},         // negatives keep the low 7 bits
  {-5,           {0x7B},                            123},
  {-128,         {0x00},                            0},
  {INT32_MIN,    {0x00},                            0},
};
// clang-format on

TEST(Mbint, WritesMinimalGroupsAndReadsThemBack) {
  for (const MbintCase& c : kMbintCases) {
    SCOPED_TRACE(c.value);
    WriteStream out;
    EXPECT_EQ(mbint_write(out.file, c.value), c.bytes.back()) << "answers the last byte put";
    EXPECT_EQ(out.bytes(), c.bytes);

    MemoryStream in(c.bytes);
    EXPECT_EQ(mbint_read(in.file), c.reads_back);
    EXPECT_EQ(std::ftell(in.file), static_cast<long>(c.bytes.size()));
  }
}

TEST(Mbint, AnswersEofWhenTheStreamRefusesTheLastByte) {
  MemoryStream read_only({0x00});
  EXPECT_EQ(mbint_write(read_only.file, 5), EOF);
  EXPECT_EQ(mbint_write(read_only.file, 1000), EOF);
  EXPECT_NE(std::ferror(read_only.file), 0);
}

// ---------------------------------------------------------------------------
// bitmap_set_pixel and bitmap_release.

TEST(BitmapSetPixel, ChangesExactlyOneBit) {
  struct Case {
    const char* what;
    std::uint8_t fill;  // every byte of the 9 x 2 image before the call
    std::int32_t x, y;
    int value;
    int status;
    Bytes after;
  };
  // clang-format off
  const Case cases[] = {
    // what                               fill  x           y           value status after
    {"set the first pixel",               0x00, 0,          0,          1,    0,     {0x80, 0x00, 0x00, 0x00}},
    {"set pixel 8: second byte's 0x80",   0x00, 8,          0,          1,    0,     {0x00, 0x80, 0x00, 0x00}},
    {"any non-zero value sets",           0x00, 8,          1,          -7,   0,     {0x00, 0x00, 0x00, 0x80}},
    {"set a set pixel",                   0xFF, 1,          0,          1,    0,     {0xFF, 0xFF, 0xFF, 0xFF}},
    {"clear pixel 8, padding stays",      0xFF, 8,          0,          0,    0,     {0xFF, 0x7F, 0xFF, 0xFF}},
    {"clear pixel 3 of row 1",            0xFF, 3,          1,          0,    0,     {0xFF, 0xFF, 0xEF, 0xFF}},
    {"clear a clear pixel",               0x00, 4,          1,          0,    0,     {0x00, 0x00, 0x00, 0x00}},
    {"x = width is a padding bit",        0x00, 9,          0,          1,    3,     {0x00, 0x00, 0x00, 0x00}},
    {"y = height",                        0x00, 0,          2,          1,    3,     {0x00, 0x00, 0x00, 0x00}},
    {"x = -1",                            0xFF, -1,         0,          0,    3,     {0xFF, 0xFF, 0xFF, 0xFF}},
    {"y = -1",                            0xFF, 0,          -1,         0,    3,     {0xFF, 0xFF, 0xFF, 0xFF}},
    {"x = INT32_MIN",                     0x00, INT32_MIN,  0,          1,    3,     {0x00, 0x00, 0x00, 0x00}},
    {"y = INT32_MAX",                     0x00, 0,          INT32_MAX,  1,    3,     {0x00, 0x00, 0x00, 0x00}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Image image(9, 2, Bytes(4, c.fill));
    EXPECT_EQ(bitmap_set_pixel(&image.record, c.x, c.y, c.value), c.status);
    EXPECT_EQ(image.pixels(), c.after);
  }
}

TEST(BitmapSetPixel, NeedsARecordWithPixelData) {
  EXPECT_EQ(bitmap_set_pixel(nullptr, 0, 0, 1), 1);
  MonoBitmap sizes_only{9, 2, 2, 4, nullptr};
  EXPECT_EQ(bitmap_set_pixel(&sizes_only, 0, 0, 1), 2);
}

std::vector<void*> released;  // what record_release was handed, in order
void record_release(void* block) {
  released.push_back(block);
  std::free(block);
}

TEST(BitmapRelease, HandsTheBlockBackOnceAndKeepsTheSizes) {
  released.clear();
  MonoBitmap image{};
  ASSERT_EQ(bitmap_create(&image, 9, 2, heap_allocate), 0);
  void* const block = image.pixels;

  EXPECT_EQ(bitmap_release(&image, nullptr), 3);
  EXPECT_EQ(image.pixels, block) << "a refused release keeps the block";

  EXPECT_EQ(bitmap_release(&image, record_release), 0);
  EXPECT_EQ(released, std::vector<void*>{block});
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.width, 9);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.bytes_per_row, 2);
  EXPECT_EQ(image.byte_count, 4);

  EXPECT_EQ(bitmap_release(&image, record_release), 2);
  EXPECT_EQ(released.size(), 1u) << "a second release calls nothing";
  EXPECT_EQ(bitmap_release(nullptr, record_release), 1);

  // A released record holds no image for any operation.
  WriteStream out;
  EXPECT_EQ(wbmp_write(&image, out.file), 2);
  EXPECT_EQ(bitmap_get_pixel(&image, 0, 0), 0);
  EXPECT_EQ(bitmap_set_pixel(&image, 0, 0, 1), 2);
}

// ---------------------------------------------------------------------------
// wbmp_write.

TEST(WbmpWrite, PutsHeaderSidesAndEveryPixelByte) {
  struct Case {
    const char* what;
    std::int32_t width, height;
    Bytes pixels;
    Bytes file;
  };
  // clang-format off
  const Case cases[] = {
    {"9 x 2, padding bits as stored", 9, 2, {0x12, 0xFF, 0x80, 0x01},
                                      {0x00, 0x00, 0x09, 0x02, 0x12, 0xFF, 0x80, 0x01}},
    {"3 x 1 with pixel 0 set",        3, 1, {0x80},
                                      {0x00, 0x00, 0x03, 0x01, 0x80}},
    {"all black 1 x 1",               1, 1, {},
                                      {0x00, 0x00, 0x01, 0x01, 0x00}},
    {"two-byte width 128",            128, 1, Bytes(16, 0xAA),
                                      concat({0x00, 0x00, 0x81, 0x00, 0x01}, Bytes(16, 0xAA))},
    {"two-byte height 1000",          1, 1000, Bytes(1000, 0x80),
                                      concat({0x00, 0x00, 0x01, 0x87, 0x68}, Bytes(1000, 0x80))},
    {"three-byte width 16384",        16384, 1, Bytes(2048, 0x0F),
                                      concat({0x00, 0x00, 0x81, 0x80, 0x00, 0x01}, Bytes(2048, 0x0F))},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Image image(c.width, c.height, c.pixels);
    EXPECT_EQ(write_wbmp(&image.record), c.file);
    EXPECT_EQ(image.record.width, c.width) << "the record is not changed";
  }
}

TEST(WbmpWrite, RefusedArgumentsWriteNothing) {
  Image image(3, 1);
  MonoBitmap no_pixels{3, 1, 1, 1, nullptr};
  WriteStream out;
  EXPECT_EQ(wbmp_write(nullptr, out.file), 1);
  EXPECT_EQ(wbmp_write(nullptr, nullptr), 1);
  EXPECT_EQ(wbmp_write(&no_pixels, out.file), 2);
  EXPECT_EQ(wbmp_write(&no_pixels, nullptr), 2);
  EXPECT_EQ(wbmp_write(&image.record, nullptr), 3);
  EXPECT_EQ(out.bytes(), Bytes{});
}

TEST(WbmpWrite, AnswersFourWhenTheStreamFails) {
  Image image(9, 2);
  // /dev/full takes the bytes into the buffer and fails them at the flush.
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(wbmp_write(&image.record, full), 4);
  std::fclose(full);
  // A stream open for reading only fails every put at once.
  MemoryStream read_only({0x00});
  EXPECT_EQ(wbmp_write(&image.record, read_only.file), 4);
}

// ---------------------------------------------------------------------------
// Round trips.

TEST(RoundTrip, ReadThenWriteGivesBackTheSameBytes) {
  struct Case {
    const char* what;
    Bytes file;
  };
  Image random_side(1000, 1000);  // 125 bytes a row, no padding
  fill_random(&random_side.record, 1);
  Image random_padded(127, 5);
  fill_random(&random_padded.record, 2);
  for (std::int32_t i = 15; i < random_padded.record.byte_count; i += 16) {
    random_padded.record.pixels[i] |= 0x01;  // the one padding bit of each row
  }
  const Case cases[] = {
      {"1 x 1, seven padding bits set", {0x00, 0x00, 0x01, 0x01, 0x7F}},
      {"9 x 2, padding bits set", {0x00, 0x00, 0x09, 0x02, 0x00, 0xFF, 0x80, 0x7F}},
      {"127 x 5, random, padding set", write_wbmp(&random_padded.record)},
      {"1000 x 1000, random", write_wbmp(&random_side.record)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryStream in(c.file);
    MonoBitmap image{};
    ASSERT_EQ(wbmp_read(&image, in.file, heap_allocate), 0);
    EXPECT_EQ(write_wbmp(&image), c.file);
    bitmap_release(&image, heap_release);
  }
}

TEST(RoundTrip, WriteThenReadGivesTheSameSizesAndPixels) {
  struct Size {
    std::int32_t width, height;
  };
  const Size sizes[] = {{1, 1}, {7, 3}, {8, 8}, {9, 2}, {127, 5}, {128, 5}, {1000, 1000}};
  for (const Size& s : sizes) {
    SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height));
    Image written(s.width, s.height);
    fill_random(&written.record, static_cast<std::uint32_t>(s.width * 31 + s.height));
    MemoryStream in(write_wbmp(&written.record));
    MonoBitmap read{};
    ASSERT_EQ(wbmp_read(&read, in.file, heap_allocate), 0);
    EXPECT_EQ(read.width, s.width);
    EXPECT_EQ(read.height, s.height);
    EXPECT_EQ(Bytes(read.pixels, read.pixels + read.byte_count), written.pixels());
    bitmap_release(&read, heap_release);
  }
}

TEST(RoundTrip, OnePixelSetInABlank3x1) {
  Image image(3, 1);
  ASSERT_EQ(bitmap_set_pixel(&image.record, 0, 0, 1), 0);
  MemoryStream in(write_wbmp(&image.record));
  MonoBitmap read{};
  ASSERT_EQ(wbmp_read(&read, in.file, heap_allocate), 0);
  EXPECT_EQ(read.width, 3);
  EXPECT_EQ(read.height, 1);
  const std::string pixels = {static_cast<char>('0' + bitmap_get_pixel(&read, 0, 0)),
                              static_cast<char>('0' + bitmap_get_pixel(&read, 1, 0)),
                              static_cast<char>('0' + bitmap_get_pixel(&read, 2, 0))};
  EXPECT_EQ(pixels, "100");
  bitmap_release(&read, heap_release);
}

// ---------------------------------------------------------------------------
// Cross-check against netpbm's wbmptopbm and pbmtowbmp.

bool on_path(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string dirs = path;
  for (std::size_t start = 0; start <= dirs.size();) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const fs::path candidate = fs::path(dirs.substr(start, end - start)) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

Bytes read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Runs `program < in > out`; answers its exit status.
int filter(const char* program, const fs::path& in, const fs::path& out) {
  const std::string command =
      std::string(program) + " < '" + in.string() + "' > '" + out.string() + "'";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The raw PBM of `image`: PBM's 1 is black where WBMP's 1 is white, so
// every pixel bit is inverted; PBM padding bits are 0.
Bytes as_pbm(const MonoBitmap& image) {
  const std::string head =
      "P4\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
  Bytes pbm(head.begin(), head.end());
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t byte = 0; byte < image.bytes_per_row; ++byte) {
      std::uint8_t bits = 0;
      for (std::int32_t x = byte * 8; x < byte * 8 + 8 && x < image.width; ++x) {
        if (bitmap_get_pixel(&image, x, y) == 0) bits |= BIT_MASKS[x % 8];
      }
      pbm.push_back(bits);
    }
  }
  return pbm;
}

class Netpbm : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!on_path("wbmptopbm") || !on_path("pbmtowbmp")) {
      GTEST_SKIP() << "netpbm's wbmptopbm and pbmtowbmp are not on PATH "
                      "(apt-get install netpbm): cross-check not run";
    }
    char name[] = "/tmp/pixquill-netpbm-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    dir = name;
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }
  fs::path dir;
};

// Sides of three or more multi-byte groups stay out: netpbm gets those
// wrong, and the mbint table above covers them.
struct CrossSize {
  std::int32_t width, height;
};
const CrossSize kCrossSizes[] = {{1, 1}, {7, 3}, {8, 8}, {9, 2}, {127, 5}, {128, 5}, {1000, 1000}};

TEST_F(Netpbm, ReadsWhatWeWriteAsTheSamePicture) {
  for (const CrossSize& s : kCrossSizes) {
    SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height));
    Image image(s.width, s.height);
    fill_random(&image.record, static_cast<std::uint32_t>(s.width * 1009 + s.height));
    write_bytes(dir / "ours.wbmp", write_wbmp(&image.record));
    ASSERT_EQ(filter("wbmptopbm", dir / "ours.wbmp", dir / "theirs.pbm"), 0);
    EXPECT_EQ(read_bytes(dir / "theirs.pbm"), as_pbm(image.record));
  }
}

TEST_F(Netpbm, WritesWhatWeReadAsTheSamePicture) {
  for (const CrossSize& s : kCrossSizes) {
    SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height));
    Image image(s.width, s.height);
    fill_random(&image.record, static_cast<std::uint32_t>(s.width * 7919 + s.height));
    write_bytes(dir / "ours.pbm", as_pbm(image.record));
    ASSERT_EQ(filter("pbmtowbmp", dir / "ours.pbm", dir / "theirs.wbmp"), 0);
    const Bytes theirs = read_bytes(dir / "theirs.wbmp");
    MemoryStream in(theirs);
    MonoBitmap read{};
    ASSERT_EQ(wbmp_read(&read, in.file, heap_allocate), 0);
    EXPECT_EQ(read.width, s.width);
    EXPECT_EQ(read.height, s.height);
    EXPECT_EQ(Bytes(read.pixels, read.pixels + read.byte_count), image.pixels());
    // Both pad with clear bits, so the files agree byte for byte too.
    EXPECT_EQ(theirs, write_wbmp(&image.record));
    bitmap_release(&read, heap_release);
  }
}

}  // namespace
