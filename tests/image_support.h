// Helpers shared by the tests: the heap as allocator and streams over bytes
// in temporary files, opened in binary mode as the command opens a source,
// so that 0x1A and CR LF pass as they are on Windows too.
#ifndef PIXQUILL_TESTS_IMAGE_SUPPORT_H
#define PIXQUILL_TESTS_IMAGE_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline void* heap_allocate(std::int32_t n) { return std::malloc(static_cast<std::size_t>(n)); }
inline void heap_release(void* block) { std::free(block); }

// A stream open for reading and writing, holding `bytes` at first and
// positioned at its start; bytes() answers all it holds.
struct ByteStream {
  explicit ByteStream(const Bytes& bytes = {}) : file(std::tmpfile()) {
    if (file == nullptr) {
      ADD_FAILURE() << "no temporary file";
      return;
    }
    // An empty vector's data() may be null, which fwrite must not be given.
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
  }
  ~ByteStream() {
    if (file != nullptr) std::fclose(file);
  }
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;

  // Every byte from the first, written ones included; leaves the position
  // at the end, so that later puts append.
  Bytes bytes() {
    Bytes all;
    if (file == nullptr) return all;
    std::fflush(file);
    std::rewind(file);
    std::uint8_t block[4096];
    for (std::size_t got = 0; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
      all.insert(all.end(), block, block + got);
    }
    return all;
  }

  std::FILE* file = nullptr;
};

// A stream over `bytes` open for reading only, so that every put fails at
// once: a file of its own in the temporary directory, opened "rb", removed
// when the stream goes.
struct ReadOnlyStream {
  explicit ReadOnlyStream(const Bytes& bytes) {
    std::random_device random;
    do {
      path = std::filesystem::temp_directory_path() /
             ("pixquill-read-only." + std::to_string(random()));
    } while (std::filesystem::exists(path));
    std::FILE* out = std::fopen(path.string().c_str(), "wb");
    if (out != nullptr) {
      const bool written =
          bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
      if (std::fclose(out) == 0 && written) file = std::fopen(path.string().c_str(), "rb");
    }
    if (file == nullptr) ADD_FAILURE() << "cannot make " << path;
  }
  ~ReadOnlyStream() {
    if (file != nullptr) std::fclose(file);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  ReadOnlyStream(const ReadOnlyStream&) = delete;
  ReadOnlyStream& operator=(const ReadOnlyStream&) = delete;
  std::filesystem::path path;
  std::FILE* file = nullptr;
};

#endif  // PIXQUILL_TESTS_IMAGE_SUPPORT_H
