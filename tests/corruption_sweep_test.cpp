// Corruption sweep: every single-bit flip and every cut of a few valid WBMP
// files goes through the reader and through the whole command. The reader
// must answer one of its statuses, and the command must either write the
// picture the reader loaded or print the "can't read" message, never crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/run.h"
#include "notice/notice.h"
#include "pixquill/image.h"
#include "tests/image_support.h"

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Sample {
  const char* name;
  Bytes wbmp;
  std::size_t header_size;  // bytes before the pixel data; the height is one byte in each
  std::int32_t width;
  std::string picture;
};

std::string repeat(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::vector<Sample> samples() {
  const std::string quill = read_file(PIXQUILL_SAMPLES "/quill.wbmp");
  Bytes one_row{0x00, 0x00, 0x87, 0x68, 0x01};
  one_row.insert(one_row.end(), 125, 0xF0);
  return {
      // 64 x 32, no padding
      {"quill", Bytes(quill.begin(), quill.end()), 4, 64, read_file(PIXQUILL_SAMPLES "/quill.txt")},
      // 7 padding bits a row; the last byte's padding is all ones
      {"nine_by_two",
       {0x00, 0x00, 0x09, 0x02, 0xA5, 0x80, 0x3C, 0x7F},
       4,
       9,
       ".#.##.#..\n##....###\n"},
      // the largest width, written in two bytes
      {"thousand_by_one", one_row, 5, 1000, repeat("....####", 125) + "\n"},
  };
}

struct Loaded {
  int status;
  std::string picture;  // the record drawn with bitmap_get_pixel, on status 0
};

Loaded load(const Bytes& wbmp) {
  const ByteStream stream(wbmp);
  MonoBitmap image{};
  Loaded loaded{wbmp_read(&image, stream.file, heap_allocate), {}};
  if (loaded.status == 0) {
    for (std::int32_t y = 0; y < image.height; ++y) {
      for (std::int32_t x = 0; x < image.width; ++x) {
        loaded.picture += bitmap_get_pixel(&image, x, y) != 0 ? '.' : '#';
      }
      loaded.picture += '\n';
    }
  }
  bitmap_release(&image, heap_release);
  return loaded;
}

class CorruptionSweep : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("pixquill-sweep-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "work");
    previous_ = fs::current_path();
    fs::current_path(root_ / "work");
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(root_);
  }

  // Runs the command in-process on `wbmp` and checks its whole outcome
  // against what the reader made of the same bytes.
  void expect_command_agrees(const Bytes& wbmp, const Loaded& loaded, const std::string& what) {
    // Removed rather than truncated: ext4 flushes a file that is truncated
    // and written again at close, which made the sweep eight times slower.
    for (const char* name : {"work/in.wbmp", "work/out.txt", "work/cv.html", "stdout", "stderr"}) {
      fs::remove(root_ / name);
    }
    std::ofstream(root_ / "work" / "in.wbmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(wbmp.data()),
               static_cast<std::streamsize>(wbmp.size()));
    std::fflush(stdout);
    std::fflush(stderr);
    const int saved_out = dup(1);
    const int saved_err = dup(2);
    const int out = open((root_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open((root_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_TRUE(saved_out >= 0 && saved_err >= 0 && out >= 0 && err >= 0);
    dup2(out, 1);
    dup2(err, 2);
    close(out);
    close(err);
    const char* const argv[] = {"pixquill", "in.wbmp", "out.txt", nullptr};
    const int status = pixquill_run(3, argv);
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(saved_out, 1);
    dup2(saved_err, 2);
    close(saved_out);
    close(saved_err);

    EXPECT_EQ(read_file(root_ / "stdout"), std::string(BANNER_TEXT) + "\n") << what;
    const bool has_picture = fs::exists(root_ / "work" / "out.txt");
    if (loaded.status == 0) {
      EXPECT_EQ(status, EXIT_CONVERTED) << what;
      EXPECT_EQ(read_file(root_ / "stderr"), "") << what;
      EXPECT_TRUE(has_picture) << what;
      EXPECT_EQ(read_file(root_ / "work" / "out.txt"), loaded.picture) << what;
    } else {
      EXPECT_EQ(status, EXIT_FAILED) << what;
      EXPECT_EQ(read_file(root_ / "stderr"), "*** pixQuill ERROR \"can't read \"in.wbmp\"\"\n\n")
          << what;
      EXPECT_FALSE(has_picture) << what;
    }
  }

  fs::path root_;
  fs::path previous_;
};

TEST_F(CorruptionSweep, EveryCut) {
  for (const Sample& sample : samples()) {
    for (std::size_t length = 0; length <= sample.wbmp.size(); ++length) {
      const std::string what = std::string(sample.name) + " cut to " + std::to_string(length);
      const Bytes cut(sample.wbmp.begin(),
                      sample.wbmp.begin() + static_cast<std::ptrdiff_t>(length));
      const Loaded loaded = load(cut);
      // Nothing, the type byte alone, a cut side (the height then reads 0),
      // short pixel data, and the whole file.
      const int expected = length == 0                   ? 1
                           : length == 1                 ? 2
                           : length < sample.header_size ? 3
                           : length < sample.wbmp.size() ? 5
                                                         : 0;
      EXPECT_EQ(loaded.status, expected) << what;
      if (length == sample.wbmp.size()) {
        EXPECT_EQ(loaded.picture, sample.picture);
      }
      expect_command_agrees(cut, loaded, what);
    }
  }
}

TEST_F(CorruptionSweep, EveryBitFlip) {
  for (const Sample& sample : samples()) {
    const auto bytes_per_row = static_cast<std::size_t>((sample.width + 7) / 8);
    for (std::size_t i = 0; i < sample.wbmp.size(); ++i) {
      for (int bit = 0; bit < 8; ++bit) {
        const std::string what =
            std::string(sample.name) + " byte " + std::to_string(i) + " bit " + std::to_string(bit);
        Bytes flipped = sample.wbmp;
        flipped[i] = static_cast<std::uint8_t>(flipped[i] ^ BIT_MASKS[bit]);
        const Loaded loaded = load(flipped);
        if (i == 0) {
          EXPECT_EQ(loaded.status, 1) << what;
        } else if (i == 1) {
          EXPECT_EQ(loaded.status, 2) << what;
        } else if (i < sample.header_size) {
          // A changed side may still fit the data, or not; any answer must
          // be one of the reader's.
          EXPECT_TRUE(loaded.status >= 0 && loaded.status <= 5) << what << ": " << loaded.status;
        } else {
          // One pixel changes, unless the bit is row padding.
          const std::size_t row = (i - sample.header_size) / bytes_per_row;
          const std::size_t column =
              (i - sample.header_size) % bytes_per_row * 8 + static_cast<std::size_t>(bit);
          std::string picture = sample.picture;
          if (column < static_cast<std::size_t>(sample.width)) {
            char& pixel = picture[row * static_cast<std::size_t>(sample.width + 1) + column];
            pixel = pixel == '.' ? '#' : '.';
          }
          EXPECT_EQ(loaded.status, 0) << what;
          EXPECT_EQ(loaded.picture, picture) << what;
        }
        expect_command_agrees(flipped, loaded, what);
      }
    }
  }
}

}  // namespace
