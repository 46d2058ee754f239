#include "app/run.h"

#include <cstdio>
#include <cstdlib>

#include "notice/notice.h"

namespace {

void* heap_allocate(std::int32_t byte_count) {
  return std::malloc(static_cast<std::size_t>(byte_count));
}

void heap_release(void* block) { std::free(block); }

void report(const char* format, const char* path) { std::fprintf(stderr, format, path); }

// Loads the source; answers false when it cannot be opened or read. The
// record may hold pixel data even on failure (a short file), so the caller
// releases it either way.
bool load_source(const char* path, MonoBitmap* image) {
  std::FILE* source = std::fopen(path, "rb");
  if (source == nullptr) return false;
  const int status = wbmp_read(image, source, heap_allocate);
  std::fclose(source);
  return status == 0;
}

// Writes the text picture; answers false when the destination cannot be
// opened, or when writing or closing it failed (a full disk, /dev/full).
// A partly written destination stays as it is: it may be a device or a
// file the user wants to inspect.
bool write_picture(const char* path, const MonoBitmap* image) {
  std::FILE* destination = std::fopen(path, "w");
  if (destination == nullptr) return false;
  render_text_picture(image, destination);
  const bool written = std::ferror(destination) == 0;
  const bool closed = std::fclose(destination) == 0;
  return written && closed;
}

}  // namespace

int pixquill_run(int argc, const char* const argv[]) {
  if (!notice_publish()) {
    std::fputs("*** pixQuill ERROR \"can't write cv.html\"\n\n", stderr);
    return EXIT_FAILED;
  }
  if (argc != 3) {
    std::fputs(USAGE_TEXT, stdout);
    std::fputs("\n\n", stdout);
    return EXIT_USAGE;
  }
  const char* source_path = argv[1];
  const char* destination_path = argv[2];

  MonoBitmap image{};
  int status = EXIT_CONVERTED;
  if (!load_source(source_path, &image)) {
    report("*** pixQuill ERROR \"can't read \"%s\"\"\n\n", source_path);
    status = EXIT_FAILED;
  } else if (!write_picture(destination_path, &image)) {
    report("*** pixQuill ERROR \"can't write \"%s\"\"\n\n", destination_path);
    status = EXIT_FAILED;
  }
  // Answers 2 when the read failed before any pixel block was taken.
  bitmap_release(&image, heap_release);
  return status;
}
