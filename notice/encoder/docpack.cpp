#include "notice/encoder/docpack.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <utility>

#include "notice/expand.h"

namespace docpack {
namespace {

// Pieces are held as std::string; char_traits<char> orders them as unsigned
// bytes, which keeps every tie-break below independent of char signedness.
using Piece = std::string;

constexpr std::size_t kSlots = notice_core::ENTRY_COUNT;
constexpr std::size_t kUnreachable = std::numeric_limits<std::size_t>::max();

std::uint8_t byte_at(const Piece& piece, std::size_t i) {
  return static_cast<std::uint8_t>(piece[i]);
}

// Coded size for a dictionary of `used_bytes` entry bytes and `tokens`
// tokens: every one of the 255 slots ends with a 0, and so does the stream.
std::size_t coded_size(std::size_t used_bytes, std::size_t tokens) {
  return kSlots + used_bytes + tokens + 1;
}

// ---- Optimal tokenisation over a fixed dictionary ---------------------------

struct Tokenising {
  std::size_t tokens = kUnreachable;  // kUnreachable: the page cannot be covered
  std::vector<std::size_t> path;      // entry indices, in page order
};

// Fewest tokens covering `page` with the entries of `dict` not masked out by
// `skip` (kUnreachable masks none). Ties go to the entry listed first.
Tokenising tokenise(std::span<const std::uint8_t> page, const std::vector<Piece>& dict,
                    std::size_t skip) {
  std::array<std::vector<std::size_t>, 256> by_first;
  for (std::size_t e = 0; e < dict.size(); ++e) {
    if (e != skip && !dict[e].empty()) {
      by_first[byte_at(dict[e], 0)].push_back(e);
    }
  }
  const std::size_t n = page.size();
  std::vector<std::size_t> best(n + 1, kUnreachable);
  std::vector<std::size_t> choice(n + 1, 0);
  best[n] = 0;
  for (std::size_t i = n; i-- > 0;) {
    for (const std::size_t e : by_first[page[i]]) {
      const Piece& piece = dict[e];
      if (piece.size() > n - i || best[i + piece.size()] == kUnreachable) {
        continue;
      }
      bool match = true;
      for (std::size_t k = 1; k < piece.size() && match; ++k) {
        match = byte_at(piece, k) == page[i + k];
      }
      if (match && best[i + piece.size()] + 1 < best[i]) {
        best[i] = best[i + piece.size()] + 1;
        choice[i] = e;
      }
    }
  }
  Tokenising result;
  if (best[0] == kUnreachable) {
    return result;
  }
  result.tokens = best[0];
  result.path.reserve(best[0]);
  for (std::size_t i = 0; i < n; i += dict[choice[i]].size()) {
    result.path.push_back(choice[i]);
  }
  return result;
}

// Keeps only the entries `path` uses (in their order in `dict`), renumbering
// `path` to match, and answers the coded size of the result.
std::size_t keep_used(std::vector<Piece>& dict, std::vector<std::size_t>& path) {
  std::vector<std::size_t> renumber(dict.size(), kUnreachable);
  for (const std::size_t e : path) {
    renumber[e] = 0;
  }
  std::vector<Piece> kept;
  std::size_t used_bytes = 0;
  for (std::size_t e = 0; e < dict.size(); ++e) {
    if (renumber[e] != kUnreachable) {
      renumber[e] = kept.size();
      used_bytes += dict[e].size();
      kept.push_back(std::move(dict[e]));
    }
  }
  for (std::size_t& e : path) {
    e = renumber[e];
  }
  dict = std::move(kept);
  return coded_size(used_bytes, path.size());
}

std::size_t dict_bytes(const std::vector<Piece>& dict) {
  std::size_t total = 0;
  for (const Piece& piece : dict) {
    total += piece.size();
  }
  return total;
}

// Drops, one at a time, each entry whose absence makes the coded form smaller
// (its bytes outweigh the extra tokens), until none does.
std::size_t prune(std::span<const std::uint8_t> page, std::vector<Piece>& dict,
                  std::vector<std::size_t>& path) {
  std::size_t size = keep_used(dict, path);
  bool improved = true;
  while (improved) {
    improved = false;
    for (std::size_t e = 0; e < dict.size(); ++e) {
      Tokenising without = tokenise(page, dict, e);
      if (without.tokens == kUnreachable) {
        continue;
      }
      const std::size_t bytes = dict_bytes(dict) - dict[e].size();
      if (coded_size(bytes, without.tokens) < size) {
        std::vector<Piece> trial = dict;
        const std::size_t trial_size = keep_used(trial, without.path);
        if (trial_size < size) {
          dict = std::move(trial);
          path = std::move(without.path);
          size = trial_size;
          improved = true;
          --e;  // the entry now at index e has not been tried yet
        }
      }
    }
  }
  return size;
}

// ---- Adding repeated substrings ---------------------------------------------

// A substring seen at two or more non-overlapping places, the only kind an
// entry can pay for: one seen once costs its length and saves fewer tokens.
struct Candidate {
  Piece text;
  std::vector<std::size_t> at;  // every start, ascending
};

// Longer entries rarely repeat in a page and would only slow the search.
constexpr std::size_t kMaxEntryLength = 96;

std::vector<Candidate> repeated_substrings(std::span<const std::uint8_t> page) {
  const std::size_t n = page.size();
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) {
    order[i] = i;
  }
  std::sort(order.begin(), order.end(), [page](std::size_t a, std::size_t b) {
    return std::lexicographical_compare(page.begin() + static_cast<std::ptrdiff_t>(a), page.end(),
                                        page.begin() + static_cast<std::ptrdiff_t>(b), page.end());
  });
  // common[k]: bytes shared by the suffixes at order[k-1] and order[k], capped.
  std::vector<std::size_t> common(n, 0);
  for (std::size_t k = 1; k < n; ++k) {
    const std::size_t a = order[k - 1];
    const std::size_t b = order[k];
    std::size_t len = 0;
    while (len < kMaxEntryLength && a + len < n && b + len < n && page[a + len] == page[b + len]) {
      ++len;
    }
    common[k] = len;
  }
  std::vector<Candidate> found;
  for (std::size_t len = 2; len <= kMaxEntryLength; ++len) {
    for (std::size_t k = 0; k < n;) {
      std::size_t end = k + 1;
      while (end < n && common[end] >= len) {
        ++end;
      }
      if (end - k >= 2) {
        std::vector<std::size_t> at(order.begin() + static_cast<std::ptrdiff_t>(k),
                                    order.begin() + static_cast<std::ptrdiff_t>(end));
        std::sort(at.begin(), at.end());
        std::size_t apart = 1;
        for (std::size_t i = 1, last = at[0]; i < at.size(); ++i) {
          if (at[i] >= last + len) {
            ++apart;
            last = at[i];
          }
        }
        if (apart >= 2) {
          const auto* first = page.data() + at[0];
          found.push_back({Piece(first, first + len), std::move(at)});
        }
      }
      k = end;
    }
  }
  return found;
}

// before[i]: fewest tokens covering page[0, i); after[i]: page[i, n).
struct Reach {
  std::vector<long> before;
  std::vector<long> after;
};

constexpr long kFar = std::numeric_limits<long>::max() / 4;

Reach reach(std::span<const std::uint8_t> page, const std::vector<Piece>& dict) {
  const std::size_t n = page.size();
  std::array<std::vector<std::size_t>, 256> by_first;
  for (std::size_t e = 0; e < dict.size(); ++e) {
    by_first[byte_at(dict[e], 0)].push_back(e);
  }
  auto matches = [&](std::size_t e, std::size_t i) {
    const Piece& piece = dict[e];
    if (piece.size() > n - i) {
      return false;
    }
    for (std::size_t k = 1; k < piece.size(); ++k) {
      if (byte_at(piece, k) != page[i + k]) {
        return false;
      }
    }
    return true;
  };
  Reach r{std::vector<long>(n + 1, kFar), std::vector<long>(n + 1, kFar)};
  r.before[0] = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (r.before[i] == kFar) {
      continue;
    }
    for (const std::size_t e : by_first[page[i]]) {
      if (matches(e, i)) {
        long& to = r.before[i + dict[e].size()];
        to = std::min(to, r.before[i] + 1);
      }
    }
  }
  r.after[n] = 0;
  for (std::size_t i = n; i-- > 0;) {
    for (const std::size_t e : by_first[page[i]]) {
      if (matches(e, i) && r.after[i + dict[e].size()] != kFar) {
        r.after[i] = std::min(r.after[i], r.after[i + dict[e].size()] + 1);
      }
    }
  }
  return r;
}

// Bytes saved by adding `c`, reckoned occurrence by occurrence against the
// current optimum; exact for one occurrence, close for several.
long estimated_gain(const Candidate& c, const Reach& r) {
  const std::size_t len = c.text.size();
  const long total = r.after[0];
  long saved = 0;
  std::size_t free_from = 0;
  for (const std::size_t i : c.at) {
    if (i < free_from || r.before[i] == kFar || r.after[i + len] == kFar) {
      continue;
    }
    const long here = total - (r.before[i] + 1 + r.after[i + len]);
    if (here > 0) {
      saved += here;
      free_from = i + len;
    }
  }
  return saved - static_cast<long>(len);
}

// Bytes the coded form would grow by without entry `e`, reckoned use by use:
// each use re-covered alone by the other entries. Never below the exact loss
// a full re-tokenising would find; kFar when some use cannot be re-covered.
std::vector<long> removal_losses(std::span<const std::uint8_t> page, const std::vector<Piece>& dict,
                                 const std::vector<std::size_t>& path) {
  std::array<std::vector<std::size_t>, 256> by_first;
  for (std::size_t e = 0; e < dict.size(); ++e) {
    by_first[byte_at(dict[e], 0)].push_back(e);
  }
  std::vector<long> loss(dict.size(), 0);
  for (std::size_t e = 0; e < dict.size(); ++e) {
    loss[e] = -static_cast<long>(dict[e].size());
  }
  std::vector<long> fewest;
  std::size_t at = 0;
  for (const std::size_t used : path) {
    const std::size_t len = dict[used].size();
    fewest.assign(len + 1, kFar);
    fewest[len] = 0;
    for (std::size_t i = len; i-- > 0;) {
      for (const std::size_t e : by_first[page[at + i]]) {
        const Piece& piece = dict[e];
        if (e == used || piece.size() > len - i || fewest[i + piece.size()] == kFar) {
          continue;
        }
        if (std::equal(piece.begin() + 1, piece.end(),
                       page.begin() + static_cast<std::ptrdiff_t>(at + i + 1),
                       [](char p, std::uint8_t b) { return static_cast<std::uint8_t>(p) == b; })) {
          fewest[i] = std::min(fewest[i], fewest[i + piece.size()] + 1);
        }
      }
    }
    loss[used] = fewest[0] == kFar || loss[used] >= kFar ? kFar : loss[used] + fewest[0] - 1;
    at += len;
  }
  return loss;
}

// Adds the candidate promising most while the coded size really shrinks, and
// prunes whenever adding stalls, until neither helps. `dict`/`path` must be a
// valid tokenising of `page` on entry and are one on return.
std::size_t refine(std::span<const std::uint8_t> page, const std::vector<Candidate>& candidates,
                   std::vector<Piece>& dict, std::vector<std::size_t>& path) {
  std::size_t size = keep_used(dict, path);
  std::vector<bool> rejected(candidates.size(), false);
  for (;;) {
    while (dict.size() < kSlots) {
      const Reach r = reach(page, dict);
      std::vector<Piece> sorted = dict;
      std::sort(sorted.begin(), sorted.end());
      long best_gain = 0;
      std::size_t best = candidates.size();
      for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (rejected[c] || std::binary_search(sorted.begin(), sorted.end(), candidates[c].text)) {
          continue;
        }
        const long gain = estimated_gain(candidates[c], r);
        if (gain > best_gain) {
          best_gain = gain;
          best = c;
        }
      }
      if (best == candidates.size()) {
        break;
      }
      std::vector<Piece> trial = dict;
      trial.push_back(candidates[best].text);
      Tokenising t = tokenise(page, trial, kUnreachable);
      const std::size_t trial_size = keep_used(trial, t.path);
      if (trial_size < size) {
        dict = std::move(trial);
        path = std::move(t.path);
        size = trial_size;
      } else {
        rejected[best] = true;
      }
    }
    // Every slot taken: trade the entry that earns least for a candidate
    // promising more.
    while (dict.size() == kSlots) {
      const std::vector<long> loss = removal_losses(page, dict, path);
      const auto victim =
          static_cast<std::size_t>(std::min_element(loss.begin(), loss.end()) - loss.begin());
      const Reach r = reach(page, dict);
      std::vector<Piece> sorted = dict;
      std::sort(sorted.begin(), sorted.end());
      long best_gain = loss[victim];
      std::size_t best = candidates.size();
      for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (rejected[c] || std::binary_search(sorted.begin(), sorted.end(), candidates[c].text)) {
          continue;
        }
        const long gain = estimated_gain(candidates[c], r);
        if (gain > best_gain) {
          best_gain = gain;
          best = c;
        }
      }
      if (best == candidates.size()) {
        break;
      }
      std::vector<Piece> trial = dict;
      trial[victim] = candidates[best].text;
      Tokenising t = tokenise(page, trial, kUnreachable);
      if (t.tokens == kUnreachable) {
        rejected[best] = true;
        continue;
      }
      const std::size_t trial_size = keep_used(trial, t.path);
      if (trial_size < size) {
        dict = std::move(trial);
        path = std::move(t.path);
        size = trial_size;
      } else {
        rejected[best] = true;
      }
    }
    const std::size_t pruned = prune(page, dict, path);
    // Adding stopped for want of a candidate or a slot; only pruning can
    // change that.
    if (pruned == size) {
      return size;
    }
    size = pruned;
    std::fill(rejected.begin(), rejected.end(), false);
  }
}

std::vector<std::uint8_t> lay_out(const std::vector<Piece>& dict,
                                  const std::vector<std::size_t>& path) {
  std::vector<std::uint8_t> coded;
  for (const Piece& piece : dict) {
    coded.insert(coded.end(), piece.begin(), piece.end());
    coded.push_back(0);
  }
  coded.resize(coded.size() + (kSlots - dict.size()), 0);
  for (const std::size_t e : path) {
    coded.push_back(static_cast<std::uint8_t>(e + 1));
  }
  coded.push_back(0);
  return coded;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encode(std::span<const std::uint8_t> page) {
  if (std::find(page.begin(), page.end(), std::uint8_t{0}) != page.end()) {
    return std::nullopt;
  }
  std::vector<Piece> dict;
  std::vector<std::size_t> path;
  {
    std::array<bool, 256> present{};
    for (const std::uint8_t b : page) {
      present[b] = true;
    }
    std::array<std::size_t, 256> id{};
    for (std::size_t b = 1; b < 256; ++b) {
      if (present[b]) {
        id[b] = dict.size();
        dict.emplace_back(1, static_cast<char>(b));
      }
    }
    path.reserve(page.size());
    for (const std::uint8_t b : page) {
      path.push_back(id[b]);
    }
  }
  // Start from one entry per byte value present (at most 255, so the page
  // always codes), then spend the slots on repeated substrings.
  const std::vector<Candidate> candidates = repeated_substrings(page);
  refine(page, candidates, dict, path);
  return lay_out(dict, path);
}

bool expands_to(std::span<const std::uint8_t> coded, std::span<const std::uint8_t> page) {
  std::vector<std::uint8_t> out;
  const bool complete = notice_core::expand(coded, [&out](std::span<const std::uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
  });
  return complete && std::equal(out.begin(), out.end(), page.begin(), page.end());
}

std::string source_text(std::span<const std::uint8_t> coded, std::string_view page_name) {
  if (coded.empty()) {
    return {};
  }
  // Twelve "0x.., " cells keep lines under 80 columns.
  constexpr std::size_t kPerLine = 12;
  std::string text;
  text += "// Generated by pixquill_docpack from ";
  text += page_name;
  text += "; do not edit.\n";
  text += "#include \"notice/notice.h\"\n\n#include <cstdint>\n#include <span>\n\n";
  text += "static constexpr std::uint8_t kCodedBytes[] = {\n";
  for (std::size_t i = 0; i < coded.size(); ++i) {
    std::array<char, 8> cell{};
    std::snprintf(cell.data(), cell.size(), "0x%02x,", static_cast<unsigned>(coded[i]));
    text += i % kPerLine == 0 ? "    " : " ";
    text += cell.data();
    if (i % kPerLine == kPerLine - 1 || i + 1 == coded.size()) {
      text += '\n';
    }
  }
  text += "};\n\n";
  text += "constinit const std::span<const std::uint8_t> CODED_DOCUMENT{kCodedBytes};\n";
  return text;
}

}  // namespace docpack
