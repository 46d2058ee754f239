#include "notice/notice.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "notice/expand.h"

// Entries average about three bytes, and one fwrite per entry (a lock, the
// buffer bookkeeping and a copy call) cost some 150 instructions each: the
// entries are gathered into a block on the stack and written a block at a
// time instead. An entry of up to 16 bytes is copied as one fixed 16-byte
// move (a single load and store, where a copy call costs some 15
// instructions) whenever 16 bytes can be read from it without leaving
// `coded`; the block has 16 bytes of slack for the part that is not used.
// An entry larger than the whole block goes out on its own.
void document_expand(std::span<const std::uint8_t> coded, std::FILE* stream) {
  constexpr std::size_t kMove = 16;
  constexpr std::size_t kBlock = 4096;
  std::array<std::uint8_t, kBlock + kMove> block;
  std::size_t used = 0;
  const std::uint8_t* const coded_end = coded.data() + coded.size();
  notice_core::expand(coded, [&](std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kBlock - used) {
      std::fwrite(block.data(), 1, used, stream);
      used = 0;
      if (bytes.size() > kBlock) {
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        return;
      }
    }
    if (bytes.size() <= kMove && coded_end - bytes.data() >= static_cast<std::ptrdiff_t>(kMove)) {
      std::memcpy(block.data() + used, bytes.data(), kMove);
    } else {
      std::memcpy(block.data() + used, bytes.data(), bytes.size());
    }
    used += bytes.size();
  });
  std::fwrite(block.data(), 1, used, stream);
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
