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
