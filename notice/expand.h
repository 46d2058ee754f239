// Expansion core shared by the runtime (FILE* sink) and the host encoder's
// self-check (memory sink). Header only, so the encoder builds without the
// runtime library.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace notice_core {

// Dictionary size of the coded form: tokens are bytes and 0 ends the stream.
inline constexpr std::size_t ENTRY_COUNT = 255;

// Calls `sink(std::span<const std::uint8_t>)` with the bytes of each entry the
// token stream names, in order; empty entries are not passed on. The spans
// point into `coded`, so they live as long as the caller's buffer.
// Answers true when the document was complete (all 255 entries and a token
// stream ended by 0); false when it ran into the end of `coded` first, after
// sinking whatever could be expanded (nothing when the dictionary is cut).
template <typename Sink>
constexpr bool expand(std::span<const std::uint8_t> coded, Sink&& sink) {
  // begin[k] is the offset of entry k; slot 0 stays unused as 0 is no token.
  // The extra last slot holds where the token stream begins, so that every
  // entry, 255 included, ends at the 0 just before the next slot's offset.
  std::array<std::size_t, ENTRY_COUNT + 2> begin{};
  std::size_t pos = 0;
  for (std::size_t k = 1; k <= ENTRY_COUNT; ++k) {
    begin[k] = pos;
    while (pos < coded.size() && coded[pos] != 0) {
      ++pos;
    }
    if (pos == coded.size()) {
      return false;
    }
    ++pos;
  }
  begin[ENTRY_COUNT + 1] = pos;
  for (; pos < coded.size(); ++pos) {
    const std::size_t token = coded[pos];
    if (token == 0) {
      return true;
    }
    const std::size_t length = begin[token + 1] - 1 - begin[token];
    if (length != 0) {
      sink(std::span<const std::uint8_t>(coded.data() + begin[token], length));
    }
  }
  return false;
}

}  // namespace notice_core
