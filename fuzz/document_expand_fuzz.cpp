// Fuzz target: the expander on arbitrary coded documents.
//
// The input is taken as a whole coded document: 255 entries each ended by a
// 0 byte, then tokens up to a 0. The expander must never read past the end
// of the bytes it is given (the copy below is exactly that long, so ASan
// stops at the first byte beyond) and must write exactly the entries the
// tokens name, in order: never more. A cut dictionary writes nothing; a
// token stream without its ending 0 writes what it named up to the end.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "notice/expand.h"
#include "notice/notice.h"

namespace {

struct Reference {
  std::string document;
  bool complete = false;  // dictionary whole and token stream ended by 0
};

// The layout read the plain way, for comparison: find each entry's 0 with
// memchr, then join the entries that the tokens name.
Reference expand_reference(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> entries;
  std::size_t pos = 0;
  while (entries.size() < notice_core::ENTRY_COUNT) {
    const void* zero = pos < size ? std::memchr(data + pos, 0, size - pos) : nullptr;
    if (zero == nullptr) return {};
    const auto end = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - data);
    entries.emplace_back(reinterpret_cast<const char*>(data + pos), end - pos);
    pos = end + 1;
  }
  Reference reference;
  for (; pos < size; ++pos) {
    if (data[pos] == 0) {
      reference.complete = true;
      break;
    }
    reference.document += entries[data[pos] - 1u];
  }
  return reference;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto copy = std::make_unique<std::uint8_t[]>(size);
  if (size != 0) std::memcpy(copy.get(), data, size);
  const std::span<const std::uint8_t> coded(copy.get(), size);
  const Reference reference = expand_reference(data, size);

  // The core, through a memory sink; every piece must lie inside `coded`.
  std::string pieces;
  const bool complete = notice_core::expand(coded, [&](std::span<const std::uint8_t> piece) {
    FUZZ_CHECK(!piece.empty());
    FUZZ_CHECK(piece.data() >= coded.data() &&
               piece.data() + piece.size() <= coded.data() + coded.size());
    pieces.append(reinterpret_cast<const char*>(piece.data()), piece.size());
  });
  FUZZ_CHECK(complete == reference.complete);
  FUZZ_CHECK(pieces == reference.document);

  // The program's own entry point, through a stream.
  WriteStream stream;
  document_expand(coded, stream.file());
  FUZZ_CHECK(stream.take() == reference.document);
  return 0;
}
