// Helpers shared by the image module's tests: the heap as allocator and
// streams over bytes in memory.
#ifndef PIXQUILL_TESTS_IMAGE_SUPPORT_H
#define PIXQUILL_TESTS_IMAGE_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline void* heap_allocate(std::int32_t n) { return std::malloc(static_cast<std::size_t>(n)); }
inline void heap_release(void* block) { std::free(block); }

// A stream over `bytes`: a temporary file in binary mode, as the command
// opens a source, so that 0x1A and CR LF reach the reader as they are on
// Windows too.
struct ByteStream {
  explicit ByteStream(const Bytes& bytes) : file(std::tmpfile()) {
    if (file == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
  }
  ~ByteStream() {
    if (file != nullptr) std::fclose(file);
  }
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;
  std::FILE* file = nullptr;
};

// A read-only stream over a copy of `bytes`; fmemopen refuses size 0, so an
// empty input is a stream over one byte that is already consumed.
struct MemoryStream {
  explicit MemoryStream(const Bytes& bytes) : data(bytes) {
    if (data.empty()) {
      data.push_back(0);
      file = fmemopen(data.data(), 1, "rb");
      std::fgetc(file);
    } else {
      file = fmemopen(data.data(), data.size(), "rb");
    }
  }
  ~MemoryStream() { std::fclose(file); }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  Bytes data;
  std::FILE* file = nullptr;
};

#endif  // PIXQUILL_TESTS_IMAGE_SUPPORT_H
