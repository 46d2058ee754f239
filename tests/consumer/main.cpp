// Builds a 10 x 3 image with one diagonal, stores it as WBMP, loads it back
// and compares. Exits 0 when the picture came back unchanged.
#include <pixquill/image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void* heap_allocate(std::int32_t byte_count) {
  return std::malloc(static_cast<std::size_t>(byte_count));
}
void heap_release(void* block) { std::free(block); }

int fail(const char* what) {
  std::fprintf(stderr, "consumer: %s\n", what);
  return 1;
}

}  // namespace

int main() {
  MonoBitmap written{};
  if (bitmap_create(&written, 10, 3, heap_allocate) != 0) return fail("bitmap_create");
  for (std::int32_t y = 0; y < 3; ++y) bitmap_set_pixel(&written, y * 4, y, 1);

  std::FILE* stream = std::tmpfile();
  if (stream == nullptr) return fail("tmpfile");
  if (wbmp_write(&written, stream) != 0) return fail("wbmp_write");
  std::rewind(stream);

  MonoBitmap read{};
  const int status = wbmp_read(&read, stream, heap_allocate);
  std::fclose(stream);
  if (status != 0) return fail("wbmp_read");
  if (read.width != 10 || read.height != 3) return fail("sizes differ");
  if (std::memcmp(read.pixels, written.pixels, 6) != 0) return fail("pixels differ");
  if (bitmap_get_pixel(&read, 8, 2) != 1 || bitmap_get_pixel(&read, 9, 2) != 0) {
    return fail("pixel (8, 2) or (9, 2) is wrong");
  }

  bitmap_release(&written, heap_release);
  bitmap_release(&read, heap_release);
  std::puts("consumer: 10 x 3 image written and read back unchanged");
  return 0;
}
