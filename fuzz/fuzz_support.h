// Helpers of the fuzz targets: a check that aborts (libFuzzer and ctest both
// report an abort as a crash, with the input that caused it), and a FILE*
// and a FILE* that reads from or writes into memory.
#ifndef PIXQUILL_FUZZ_SUPPORT_H
#define PIXQUILL_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

// Unlike assert, stays on in release builds, where the fuzzers run.
#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : fuzz_check_failed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void fuzz_check_failed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

// A read-only stream over a copy of `bytes`, in memory (fmemopen refuses a
// size of 0, so an empty input is a stream over one byte already consumed).
struct MemoryStream {
  explicit MemoryStream(std::vector<std::uint8_t> bytes) : data(std::move(bytes)) {
    if (data.empty()) {
      data.push_back(0);
      file = fmemopen(data.data(), 1, "rb");
      FUZZ_CHECK(file != nullptr);
      std::fgetc(file);
    } else {
      file = fmemopen(data.data(), data.size(), "rb");
      FUZZ_CHECK(file != nullptr);
    }
  }
  ~MemoryStream() { std::fclose(file); }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  std::vector<std::uint8_t> data;
  std::FILE* file = nullptr;
};

// A write stream into a growing heap buffer; take() closes it and answers
// everything written.
class WriteStream {
 public:
  WriteStream() {
    file_ = open_memstream(&buffer_, &size_);
    FUZZ_CHECK(file_ != nullptr);
  }
  ~WriteStream() {
    if (file_ != nullptr) std::fclose(file_);
    std::free(buffer_);
  }
  WriteStream(const WriteStream&) = delete;
  WriteStream& operator=(const WriteStream&) = delete;
  std::FILE* file() const { return file_; }
  std::string take() {
    FUZZ_CHECK(std::fclose(file_) == 0);
    file_ = nullptr;
    return {buffer_, size_};
  }

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_ = nullptr;
};

#endif  // PIXQUILL_FUZZ_SUPPORT_H
