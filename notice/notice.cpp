#include "notice/notice.h"

#include "notice/expand.h"

void document_expand(std::span<const std::uint8_t> coded, std::FILE* stream) {
  notice_core::expand(coded, [stream](std::span<const std::uint8_t> bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
  });
}

bool notice_publish() {
  std::fwrite(BANNER_TEXT.data(), 1, BANNER_TEXT.size(), stdout);
  std::fputc('\n', stdout);

  std::FILE* page = std::fopen("cv.html", "w");
  if (page == nullptr) {
    return false;
  }
  document_expand(CODED_DOCUMENT, page);
  // fwrite buffers, so a full device may only show up at the last flush;
  // flushed here since Wine's msvcrt (8.0) fclose answers 0 when it fails.
  const bool written = std::fflush(page) == 0 && std::ferror(page) == 0;
  const bool closed = std::fclose(page) == 0;
  return written && closed;
}
