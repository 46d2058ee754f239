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

// The entries as a trie, so one walk from a page position meets every entry
// that matches there, shortest first. The first byte indexes a table; deeper
// bytes follow sibling lists, as entries rarely branch wide past it.
struct Trie {
  struct Node {
    std::int32_t child = -1;
    std::int32_t sibling = -1;
    std::int32_t entry = -1;  // -1: no entry ends here
    std::uint8_t byte = 0;
  };
  std::array<std::int32_t, 256> first{};
  std::vector<Node> nodes;
};

// Trie of the non-empty entries of `dict` but `skip` (kUnreachable skips
// none); of equal entries the one listed first is the one found.
Trie build_trie(const std::vector<Piece>& dict, std::size_t skip) {
  Trie trie;
  trie.first.fill(-1);
  auto add_node = [&trie](std::uint8_t b) {
    trie.nodes.push_back({-1, -1, -1, b});
    return static_cast<std::int32_t>(trie.nodes.size() - 1);
  };
  for (std::size_t e = 0; e < dict.size(); ++e) {
    const Piece& piece = dict[e];
    if (e == skip || piece.empty()) {
      continue;
    }
    std::int32_t node = trie.first[byte_at(piece, 0)];
    if (node == -1) {
      node = add_node(byte_at(piece, 0));
      trie.first[byte_at(piece, 0)] = node;
    }
    for (std::size_t k = 1; k < piece.size(); ++k) {
      const std::uint8_t b = byte_at(piece, k);
      std::int32_t child = trie.nodes[static_cast<std::size_t>(node)].child;
      while (child != -1 && trie.nodes[static_cast<std::size_t>(child)].byte != b) {
        child = trie.nodes[static_cast<std::size_t>(child)].sibling;
      }
      if (child == -1) {
        child = add_node(b);
        Trie::Node& parent = trie.nodes[static_cast<std::size_t>(node)];
        trie.nodes[static_cast<std::size_t>(child)].sibling = parent.child;
        parent.child = child;
      }
      node = child;
    }
    std::int32_t& entry = trie.nodes[static_cast<std::size_t>(node)].entry;
    if (entry == -1) {
      entry = static_cast<std::int32_t>(e);
    }
  }
  return trie;
}

// Calls `found(entry, length)` for every entry of `trie` matching `page` at
// `i`, shortest first.
template <typename Found>
void for_each_match(const Trie& trie, std::span<const std::uint8_t> page, std::size_t i,
                    Found&& found) {
  std::int32_t node = trie.first[page[i]];
  for (std::size_t len = 1; node != -1; ++len) {
    const Trie::Node& here = trie.nodes[static_cast<std::size_t>(node)];
    if (here.entry != -1) {
      found(static_cast<std::size_t>(here.entry), len);
    }
    if (i + len == page.size()) {
      return;
    }
    node = here.child;
    while (node != -1 && trie.nodes[static_cast<std::size_t>(node)].byte != page[i + len]) {
      node = trie.nodes[static_cast<std::size_t>(node)].sibling;
    }
  }
}

struct Tokenising {
  std::size_t tokens = kUnreachable;  // kUnreachable: the page cannot be covered
  std::vector<std::size_t> path;      // entry indices, in page order
};

// Fewest tokens covering `page` with the entries of `dict` but `skip`
// (kUnreachable skips none). Of equal counts the shorter first entry wins.
Tokenising tokenise(std::span<const std::uint8_t> page, const std::vector<Piece>& dict,
                    std::size_t skip) {
  const Trie trie = build_trie(dict, skip);
  const std::size_t n = page.size();
  std::vector<std::size_t> best(n + 1, kUnreachable);
  std::vector<std::size_t> choice(n + 1, 0);
  std::vector<std::size_t> length(n + 1, 0);
  best[n] = 0;
  for (std::size_t i = n; i-- > 0;) {
    for_each_match(trie, page, i, [&](std::size_t e, std::size_t len) {
      if (best[i + len] != kUnreachable && best[i + len] + 1 < best[i]) {
        best[i] = best[i + len] + 1;
        choice[i] = e;
        length[i] = len;
      }
    });
  }
  Tokenising result;
  if (best[0] == kUnreachable) {
    return result;
  }
  result.tokens = best[0];
  result.path.reserve(best[0]);
  for (std::size_t i = 0; i < n; i += length[i]) {
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

// Tokenises `page` over `trial` and, when that codes smaller than `size`,
// makes it the current dictionary, tokenising and size; answers whether it
// did. `trial` is consumed either way.
bool adopt_if_smaller(std::span<const std::uint8_t> page, std::vector<Piece>& trial,
                      std::vector<Piece>& dict, std::vector<std::size_t>& path, std::size_t& size) {
  Tokenising t = tokenise(page, trial, kUnreachable);
  if (t.tokens == kUnreachable) {
    return false;
  }
  const std::size_t trial_size = keep_used(trial, t.path);
  if (trial_size >= size) {
    return false;
  }
  dict = std::move(trial);
  path = std::move(t.path);
  size = trial_size;
  return true;
}

// The candidate, not yet in `dict` nor rejected, whose estimated gain is
// largest and above `floor`; candidates.size() when there is none.
std::size_t most_promising(std::span<const std::uint8_t> page,
                           const std::vector<Candidate>& candidates,
                           const std::vector<bool>& rejected, const std::vector<Piece>& dict,
                           long floor) {
  const Reach r = reach(page, dict);
  std::vector<Piece> sorted = dict;
  std::sort(sorted.begin(), sorted.end());
  long best_gain = floor;
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
  return best;
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
      const std::size_t best = most_promising(page, candidates, rejected, dict, 0);
      if (best == candidates.size()) {
        break;
      }
      std::vector<Piece> trial = dict;
      trial.push_back(candidates[best].text);
      if (!adopt_if_smaller(page, trial, dict, path, size)) {
        rejected[best] = true;
      }
    }
    // Every slot taken: trade the entry that earns least for a candidate
    // promising more.
    while (dict.size() == kSlots) {
      const std::vector<long> loss = removal_losses(page, dict, path);
      const auto victim =
          static_cast<std::size_t>(std::min_element(loss.begin(), loss.end()) - loss.begin());
      const std::size_t best = most_promising(page, candidates, rejected, dict, loss[victim]);
      if (best == candidates.size()) {
        break;
      }
      std::vector<Piece> trial = dict;
      trial[victim] = candidates[best].text;
      if (!adopt_if_smaller(page, trial, dict, path, size)) {
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

// ---- Local search ------------------------------------------------------------

// splitmix64: a fixed generator keeps the coded form equal on every host.
struct Rng {
  std::uint64_t state;

  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  // In [0, n), n > 0; the modulo bias is irrelevant at these sizes.
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
  // In [0, n), leaning towards 0: the lists it draws from are ranked.
  std::size_t ranked(std::size_t n) { return std::min(below(n), below(n)); }
};

// Exact tokenisings tried by the search, which bounds its time: 3000 add
// about 0.3 s at -O2 for the 8 KB CV page and save 7 bytes there, beyond
// which more tries found no more than a dozen.
constexpr std::size_t kSearchBudget = 3000;
// Candidates ranked by promised gain and entries ranked by removal loss
// that the moves draw from; re-ranked after every accepted move.
constexpr std::size_t kPool = 48;
constexpr std::size_t kVictims = 24;

// Hill-climbs from the greedy result by trial moves, each checked by an exact
// tokenising and kept only when the coded size shrinks: a ranked candidate
// added or swapped for a ranked low earner, or an entry grown or cut by a
// byte. Equal inputs give equal results. `dict`/`path` must be a valid
// tokenising of `page` on entry and are one on return; answers the size.
std::size_t search(std::span<const std::uint8_t> page, const std::vector<Candidate>& candidates,
                   std::vector<Piece>& dict, std::vector<std::size_t>& path) {
  std::size_t size = keep_used(dict, path);
  std::vector<std::pair<Piece, std::size_t>> by_text;
  by_text.reserve(candidates.size());
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    by_text.emplace_back(candidates[c].text, c);
  }
  std::sort(by_text.begin(), by_text.end());
  auto is_candidate = [&by_text](const Piece& text) {
    const auto it =
        std::lower_bound(by_text.begin(), by_text.end(), std::pair<Piece, std::size_t>(text, 0));
    return it != by_text.end() && it->first == text;
  };

  Rng rng{0x7069787175696C6Cu};
  std::size_t evaluations = 0;
  while (evaluations < kSearchBudget) {
    std::vector<Piece> sorted = dict;
    std::sort(sorted.begin(), sorted.end());
    const Reach r = reach(page, dict);
    std::vector<std::pair<long, std::size_t>> pool;
    for (std::size_t c = 0; c < candidates.size(); ++c) {
      if (!std::binary_search(sorted.begin(), sorted.end(), candidates[c].text)) {
        pool.emplace_back(-estimated_gain(candidates[c], r), c);
      }
    }
    const std::size_t pool_size = std::min(kPool, pool.size());
    std::partial_sort(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(pool_size),
                      pool.end());
    const std::vector<long> loss = removal_losses(page, dict, path);
    std::vector<std::pair<long, std::size_t>> victims;
    for (std::size_t e = 0; e < dict.size(); ++e) {
      victims.emplace_back(loss[e], e);
    }
    std::sort(victims.begin(), victims.end());
    const std::size_t victim_count = std::min(kVictims, victims.size());

    bool moved = false;
    while (!moved && evaluations < kSearchBudget) {
      std::vector<Piece> trial = dict;
      const std::size_t kind = rng.below(4);
      if (kind == 0 && !dict.empty()) {
        // Reshape an entry by one byte: shorter, or longer if it repeats.
        const std::size_t e = rng.below(dict.size());
        Piece& piece = trial[e];
        const std::size_t how = rng.below(4);
        if (how == 0 && piece.size() > 1) {
          piece.erase(0, 1);
        } else if (how == 1 && piece.size() > 1) {
          piece.pop_back();
        } else {
          // Grow at either end by the byte following (or preceding) one of
          // its uses in the current tokenising.
          std::size_t at = 0;
          std::vector<std::size_t> uses;
          for (const std::size_t used : path) {
            if (used == e) {
              uses.push_back(at);
            }
            at += dict[used].size();
          }
          if (uses.empty()) {
            continue;
          }
          const std::size_t use = uses[rng.below(uses.size())];
          if (how == 2 && use + piece.size() < page.size()) {
            piece.push_back(static_cast<char>(page[use + piece.size()]));
          } else if (how == 3 && use > 0) {
            piece.insert(piece.begin(), static_cast<char>(page[use - 1]));
          } else {
            continue;
          }
          if (!is_candidate(piece)) {
            continue;
          }
        }
      } else if (pool_size > 0) {
        const Piece& text = candidates[pool[rng.ranked(pool_size)].second].text;
        if (dict.size() < kSlots && kind == 1) {
          trial.push_back(text);
        } else if (victim_count > 0) {
          trial[victims[rng.ranked(victim_count)].second] = text;
        } else {
          continue;
        }
      } else {
        break;
      }
      ++evaluations;
      moved = adopt_if_smaller(page, trial, dict, path, size);
    }
    if (!moved) {
      break;
    }
  }
  return size;
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
  search(page, candidates, dict, path);
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
