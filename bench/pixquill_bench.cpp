// Micro-benchmarks: reading a 1000 x 1000 WBMP from memory and writing it
// back, rendering it as a text picture into a memory stream, and expanding
// the built-in CV page.
// Every benchmark first runs its operation once and checks the whole result
// against an independent rendition; a mismatch skips the timing and makes
// the program exit 1.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/run.h"
#include "notice/notice.h"
#include "pixquill/image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int32_t kSide = WBMP_MAX_SIDE;
constexpr std::int32_t kBytesPerRow = (kSide + 7) / 8;
constexpr std::size_t kPixelBytes = std::size_t{kBytesPerRow} * kSide;
constexpr std::size_t kPictureBytes = std::size_t{kSide + 1} * kSide;  // a "\n" per row

bool check_failed = false;

void fail(benchmark::State& state, const char* what) {
  check_failed = true;
  state.SkipWithError(what);
}

void* heap_allocate(std::int32_t byte_count) {
  return std::malloc(static_cast<std::size_t>(byte_count));
}

// Pixel bytes of the largest readable image: a fixed pseudo-random pattern,
// so that neither the reader nor the renderer meets only one kind of byte.
Bytes pixel_bytes() {
  Bytes bytes(kPixelBytes);
  std::uint32_t state = 20240611;
  for (std::uint8_t& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

// The image as a WBMP file: type 0, fixed header 0, 1000 = 0x87 0x68 twice.
Bytes wbmp_file() {
  Bytes file{0x00, 0x00, 0x87, 0x68, 0x87, 0x68};
  const Bytes pixels = pixel_bytes();
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// The text picture of those bytes, by shifting rather than by mask table.
std::string expected_picture(const Bytes& pixels) {
  std::string text;
  text.reserve(kPictureBytes);
  for (std::int32_t y = 0; y < kSide; ++y) {
    for (std::int32_t x = 0; x < kSide; ++x) {
      const std::size_t at = static_cast<std::size_t>(y * kBytesPerRow + x / 8);
      text += ((pixels[at] >> (7 - x % 8)) & 1) != 0 ? '.' : '#';
    }
    text += '\n';
  }
  return text;
}

std::string read_text_file(const char* path) {
  std::string text;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return text;
  int c = 0;
  while ((c = std::fgetc(file)) != EOF) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

// Times `run`, with `stream` rewound before each run and flushed after it,
// then closes the stream and reports `bytes` handled per run.
template <typename Run>
void time_on_stream(benchmark::State& state, std::FILE* stream, std::size_t bytes, Run run) {
  for (auto _ : state) {
    std::rewind(stream);
    run();
    std::fflush(stream);
    benchmark::ClobberMemory();
  }
  std::fclose(stream);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

// A stream that writes into `buffer`, which has room for `size` bytes and
// the 0 that fmemopen adds on flush.
std::FILE* memory_sink(std::string& buffer, std::size_t size) {
  buffer.assign(size + 1, '\0');
  return fmemopen(buffer.data(), buffer.size(), "w");
}

// Whether the memory sink over `buffer` holds exactly `expected`.
template <typename Text>
bool sink_holds(std::FILE* stream, const std::string& buffer, const Text& expected) {
  std::fflush(stream);
  return std::ftell(stream) == static_cast<long>(expected.size()) &&
         std::equal(expected.begin(), expected.end(), buffer.begin(), [](auto want, char got) {
           return static_cast<unsigned char>(want) == static_cast<unsigned char>(got);
         });
}

void BM_wbmp_read(benchmark::State& state) {
  Bytes file = wbmp_file();
  std::FILE* stream = fmemopen(file.data(), file.size(), "rb");
  MonoBitmap image{};
  if (wbmp_read(&image, stream, heap_allocate) != 0 || image.width != kSide ||
      image.height != kSide || image.byte_count != static_cast<std::int32_t>(kPixelBytes) ||
      std::memcmp(image.pixels, file.data() + 6, kPixelBytes) != 0) {
    fail(state, "wbmp_read did not load the 1000 x 1000 image");
  }
  std::free(image.pixels);
  time_on_stream(state, stream, file.size(), [&] {
    benchmark::DoNotOptimize(wbmp_read(&image, stream, heap_allocate));
    std::free(image.pixels);
  });
}
BENCHMARK(BM_wbmp_read);

void BM_wbmp_write(benchmark::State& state) {
  const Bytes file = wbmp_file();
  Bytes pixels = pixel_bytes();
  const MonoBitmap image{kSide, kSide, kBytesPerRow, static_cast<std::int32_t>(kPixelBytes),
                         pixels.data()};
  std::string buffer;
  std::FILE* stream = memory_sink(buffer, file.size());
  if (wbmp_write(&image, stream) != 0 || !sink_holds(stream, buffer, file)) {
    fail(state, "wbmp_write did not store the 1000 x 1000 image");
  }
  time_on_stream(state, stream, file.size(),
                 [&] { benchmark::DoNotOptimize(wbmp_write(&image, stream)); });
}
BENCHMARK(BM_wbmp_write);

void BM_render_text_picture(benchmark::State& state) {
  Bytes pixels = pixel_bytes();
  const MonoBitmap image{kSide, kSide, kBytesPerRow, static_cast<std::int32_t>(kPixelBytes),
                         pixels.data()};
  std::string buffer;
  std::FILE* stream = memory_sink(buffer, kPictureBytes);
  render_text_picture(&image, stream);
  if (!sink_holds(stream, buffer, expected_picture(pixels))) {
    fail(state, "render_text_picture drew another picture");
  }
  time_on_stream(state, stream, kPictureBytes, [&] { render_text_picture(&image, stream); });
}
BENCHMARK(BM_render_text_picture);

void BM_document_expand(benchmark::State& state) {
  const std::string page = read_text_file(PIXQUILL_CV_HTML);
  std::string buffer;
  std::FILE* stream = memory_sink(buffer, page.size());
  document_expand(CODED_DOCUMENT, stream);
  if (page.empty() || !sink_holds(stream, buffer, page)) {
    fail(state, "document_expand did not write cv.html");
  }
  time_on_stream(state, stream, page.size(), [&] { document_expand(CODED_DOCUMENT, stream); });
}
BENCHMARK(BM_document_expand);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return check_failed ? 1 : 0;
}
