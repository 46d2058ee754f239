// Fuzz target: read, write, read again.
//
// Any input that wbmp_read loads must come back from wbmp_write and a second
// wbmp_read unchanged: the same sides and counts, the same pixel bytes
// (padding bits included), with the second read ending exactly at the end of
// what was written. What the writer puts is 00 00, the two sides, then the
// pixel block; writing the reloaded image again gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "pixquill/image.h"
#include "tests/image_support.h"

namespace {

std::string write_wbmp(const MonoBitmap& image) {
  WriteStream stream;
  FUZZ_CHECK(wbmp_write(&image, stream.file()) == 0);
  return stream.take();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MonoBitmap first{};
  {
    const MemoryStream stream(Bytes(data, data + size));
    if (wbmp_read(&first, stream.file, heap_allocate) != 0) {
      bitmap_release(&first, heap_release);
      return 0;
    }
  }
  const std::string written = write_wbmp(first);

  const auto count = static_cast<std::size_t>(first.byte_count);
  // Each side takes one to two bytes up to 1000 (0x87 0x68 at most).
  FUZZ_CHECK(written.size() >= 4 + count && written.size() <= 6 + count);
  FUZZ_CHECK(written[0] == 0 && written[1] == 0);
  FUZZ_CHECK(std::memcmp(written.data() + (written.size() - count), first.pixels, count) == 0);

  MonoBitmap second{};
  const MemoryStream stream(Bytes(written.begin(), written.end()));
  FUZZ_CHECK(wbmp_read(&second, stream.file, heap_allocate) == 0);
  FUZZ_CHECK(std::ftell(stream.file) == static_cast<long>(written.size()));
  FUZZ_CHECK(second.width == first.width && second.height == first.height);
  FUZZ_CHECK(second.bytes_per_row == first.bytes_per_row && second.byte_count == first.byte_count);
  FUZZ_CHECK(std::memcmp(second.pixels, first.pixels, count) == 0);
  FUZZ_CHECK(write_wbmp(second) == written);

  FUZZ_CHECK(bitmap_release(&first, heap_release) == 0);
  FUZZ_CHECK(bitmap_release(&second, heap_release) == 0);
  FUZZ_CHECK(bitmap_release(&second, heap_release) == 2);
  return 0;
}
