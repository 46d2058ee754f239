#include "notice/notice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "notice/encoder/docpack.h"
#include "notice/expand.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A text as a text-mode stream stores it: Windows ends each line with CR LF.
std::string as_stored(std::string_view lf) {
#ifdef _WIN32
  std::string stored;
  for (const char c : lf) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  return stored;
#else
  return std::string(lf);
#endif
}

std::string text_of(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

Bytes read_file(const fs::path& path) {
  Bytes bytes;
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr) {
    ADD_FAILURE() << "cannot read " << path;
    return bytes;
  }
  int c = 0;
  while ((c = std::fgetc(file)) != EOF) {
    bytes.push_back(static_cast<std::uint8_t>(c));
  }
  std::fclose(file);
  return bytes;
}

void write_file(const fs::path& path, std::span<const std::uint8_t> bytes) {
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  ASSERT_EQ(std::fclose(file), 0);
}

// What document_expand writes to a stream, collected through a temporary
// file in binary mode, which stores every byte as it is.
std::string expand_to_text(std::span<const std::uint8_t> coded) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) {
    ADD_FAILURE() << "no temporary file";
    return {};
  }
  document_expand(coded, file);
  std::rewind(file);
  std::string text;
  int c = 0;
  while ((c = std::fgetc(file)) != EOF) {
    text += static_cast<char>(c);
  }
  std::fclose(file);
  return text;
}

// What the shared core hands its sink, and whether it called the document
// complete.
std::pair<std::string, bool> expand_with_core(std::span<const std::uint8_t> coded) {
  std::string text;
  const bool complete = notice_core::expand(
      coded, [&text](std::span<const std::uint8_t> bytes) { text += text_of(bytes); });
  return {text, complete};
}

// Pages of read-write memory whose last page is made inaccessible.
#ifdef _WIN32
std::size_t page_size() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}
std::uint8_t* map_guarded(std::size_t size, std::size_t page) {
  auto* base = static_cast<std::uint8_t*>(
      VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old_protection = 0;
  VirtualProtect(base + size - page, page, PAGE_NOACCESS, &old_protection);
  return base;
}
void unmap(std::uint8_t* base, std::size_t) { VirtualFree(base, 0, MEM_RELEASE); }
#else
std::size_t page_size() { return static_cast<std::size_t>(sysconf(_SC_PAGESIZE)); }
std::uint8_t* map_guarded(std::size_t size, std::size_t page) {
  void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  auto* base = static_cast<std::uint8_t*>(mapped);
  mprotect(base + size - page, page, PROT_NONE);
  return base;
}
void unmap(std::uint8_t* base, std::size_t size) { munmap(base, size); }
#endif

// A copy of `bytes` ending right at an inaccessible page, so reading one
// byte past the end crashes the test instead of passing by luck.
struct GuardedCopy {
  explicit GuardedCopy(std::span<const std::uint8_t> bytes) {
    const std::size_t page = page_size();
    size = (bytes.size() / page + 2) * page;
    base = map_guarded(size, page);
    view = {base + size - page - bytes.size(), bytes.size()};
    // memcpy from the null data of an empty span is undefined even for 0 bytes.
    if (!bytes.empty())
      std::memcpy(const_cast<std::uint8_t*>(view.data()), bytes.data(), bytes.size());
  }
  ~GuardedCopy() { unmap(base, size); }
  GuardedCopy(const GuardedCopy&) = delete;
  GuardedCopy& operator=(const GuardedCopy&) = delete;

  std::uint8_t* base = nullptr;
  std::size_t size = 0;
  std::span<const std::uint8_t> view;
};

// The dictionary used by the hand-made documents: neighbours of the named
// entries are non-empty so an off-by-one slot shows up as wrong text.
Bytes test_dictionary() {
  std::vector<std::string> entries(255);
  entries[0] = "abc";                // 1
  entries[1] = "";                   // 2
  entries[2] = "\xC3\xA9t\xC3\xA9";  // 3: bytes above 0x7f go out untouched
  entries[198] = "<199>";
  entries[199] = "mid";  // 200
  entries[200] = "<201>";
  entries[253] = "x";     // 254
  entries[254] = "last";  // 255
  Bytes coded;
  for (const std::string& entry : entries) {
    coded.insert(coded.end(), entry.begin(), entry.end());
    coded.push_back(0);
  }
  return coded;
}

Bytes with_tokens(Bytes tokens) {
  Bytes coded = test_dictionary();
  coded.insert(coded.end(), tokens.begin(), tokens.end());
  return coded;
}

struct ExpandCase {
  const char* what;
  Bytes coded;
  std::string expected;
  bool complete;
};

// Entry 1 "ab", entry 2 a run of `long_entry` "x", the rest empty, then
// `tokens`.
Bytes with_long_entry(std::size_t long_entry, Bytes tokens) {
  Bytes coded{'a', 'b', 0};
  coded.insert(coded.end(), long_entry, 'x');
  coded.insert(coded.end(), 254, 0);
  coded.insert(coded.end(), tokens.begin(), tokens.end());
  return coded;
}

std::vector<ExpandCase> expand_cases() {
  const Bytes dictionary = test_dictionary();
  return {
      // The stream may end at once; what follows its 0 is not read.
      {"empty stream", with_tokens({0, 1}), "", true},
      // A token may repeat; each use writes the entry again.
      {"token three times", with_tokens({1, 1, 1, 0}), "abcabcabc", true},
      // 255 ends at the 0 before the stream, not at the stream's first byte.
      {"token 255", with_tokens({255, 254, 0}), "lastx", true},
      // Tokens above 127 must be read as unsigned bytes.
      {"token 200", with_tokens({200, 0}), "mid", true},
      // Empty entries write nothing but do not stop the stream.
      {"empty entries", with_tokens({2, 1, 2, 3, 2, 0}), "abc\xC3\xA9t\xC3\xA9", true},
      // Nothing after the ending 0 is expanded.
      {"bytes after the end", with_tokens({1, 0, 3}), "abc", true},
      // A stream cut before its 0 expands what it has, then stops.
      {"stream without its 0", with_tokens({1, 255}), "abclast", false},
      // A whole dictionary and no stream at all.
      {"no stream", dictionary, "", false},
      // The last entry lacks its 0: no stream can start, nothing is written.
      {"last entry unended", Bytes(dictionary.begin(), dictionary.end() - 1), "", false},
      // Cut in the middle of entry 200: the tail is not taken for tokens.
      {"dictionary cut short",
       Bytes(dictionary.begin(),
             dictionary.begin() + static_cast<std::ptrdiff_t>(dictionary.size() - 12)),
       "", false},
      // Nothing at all.
      {"empty span", {}, "", false},
      // Longer than any block a writer may gather entries in, between short
      // entries that must stay in order around it.
      {"entry of 10000 bytes", with_long_entry(10000, {1, 2, 1, 0}),
       "ab" + std::string(10000, 'x') + "ab", true},
      // Many mid-sized entries that fill such a block several times over.
      {"entry of 1000 bytes, 9 times", with_long_entry(1000, {2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 0}),
       std::string(9000, 'x') + "ab", true},
  };
}

TEST(DocumentExpand, HandMadeDocuments) {
  for (const ExpandCase& c : expand_cases()) {
    SCOPED_TRACE(c.what);
    const GuardedCopy guarded(c.coded);
    EXPECT_EQ(expand_to_text(guarded.view), c.expected);
    EXPECT_EQ(expand_with_core(guarded.view), std::make_pair(c.expected, c.complete));
  }
}

TEST(DocumentExpand, BuiltInDocumentIsThePage) {
  const Bytes page = read_file(PIXQUILL_CV_HTML);
  const GuardedCopy guarded(CODED_DOCUMENT);
  EXPECT_EQ(expand_to_text(guarded.view), text_of(page));
  EXPECT_TRUE(expand_with_core(guarded.view).second);
}

// ---- Coder ------------------------------------------------------------------

TEST(DocpackEncode, RefusesZeroBytes) {
  for (const std::string_view page :
       {std::string_view("\0", 1), std::string_view("ab\0cd", 5), std::string_view("abcd\0", 5)}) {
    SCOPED_TRACE(testing::PrintToString(page));
    EXPECT_EQ(docpack::encode(bytes_of(page)), std::nullopt);
  }
}

TEST(DocpackEncode, EmptyPageIsEmptyEntriesAndAnEndedStream) {
  EXPECT_EQ(docpack::encode({}), Bytes(256, 0));
}

std::vector<std::pair<const char*, Bytes>> round_trip_pages() {
  Bytes every_value;
  for (int b = 1; b < 256; ++b) {
    every_value.push_back(static_cast<std::uint8_t>(b));
  }
  Bytes noise;
  std::uint32_t state = 12345;
  for (int i = 0; i < 3000; ++i) {
    state = state * 1664525u + 1013904223u;
    noise.push_back(static_cast<std::uint8_t>(1 + (state >> 24) % 255));
  }
  std::string pairs;
  for (int i = 0; i < 150; ++i) {
    pairs += "ab";
  }
  return {
      {"one byte", bytes_of("a")},
      {"all 255 values", every_value},
      {"noise", noise},
      // A run: pair counts must not overlap ("aaa" holds one "aa").
      {"run", Bytes(101, 'a')},
      {"pairs", bytes_of(pairs + "a")},
      {"the page", read_file(PIXQUILL_CV_HTML)},
  };
}

std::size_t distinct_values(std::span<const std::uint8_t> page) {
  std::vector<bool> seen(256, false);
  std::size_t count = 0;
  for (const std::uint8_t b : page) {
    count += seen[b] ? 0 : 1;
    seen[b] = true;
  }
  return count;
}

TEST(DocpackEncode, ExpandsBackAndNeverLosesToOneEntryPerByte) {
  for (const auto& [what, page] : round_trip_pages()) {
    SCOPED_TRACE(what);
    const auto coded = docpack::encode(page);
    ASSERT_TRUE(coded.has_value());
    EXPECT_EQ(expand_to_text(*coded), text_of(page));
    EXPECT_TRUE(expand_with_core(*coded).second);
    EXPECT_EQ(coded->back(), 0);
    // One single-byte entry per value present plus one token per byte.
    EXPECT_LE(coded->size(), 255 + distinct_values(page) + page.size() + 1);
    EXPECT_TRUE(docpack::expands_to(*coded, page));
  }
}

// Every binary carries the page coded: it must stay under half the page's
// size, which takes both a page of repeated structure and a good dictionary.
TEST(DocpackEncode, CodesTheCvPageUnderHalfItsSize) {
  const Bytes page = read_file(PIXQUILL_CV_HTML);
  const auto coded = docpack::encode(page);
  ASSERT_TRUE(coded.has_value());
  EXPECT_LT(coded->size() * 2, page.size()) << coded->size() << " of " << page.size();
}

TEST(DocpackEncode, SelfCheckCatchesMismatches) {
  const Bytes page = bytes_of("<p>le lire, le lire</p>");
  const Bytes coded = *docpack::encode(page);
  Bytes longer = page;
  longer.push_back('!');
  EXPECT_FALSE(docpack::expands_to(coded, Bytes(page.begin(), page.end() - 1)));
  EXPECT_FALSE(docpack::expands_to(coded, longer));
  EXPECT_FALSE(docpack::expands_to(Bytes(coded.begin(), coded.end() - 1), page));
}

TEST(DocpackEncode, SameInputSameOutput) {
  const Bytes page = read_file(PIXQUILL_CV_HTML);
  const auto first = docpack::encode(page);
  const auto second = docpack::encode(Bytes(page));
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first, second);
  EXPECT_EQ(docpack::source_text(*first, "cv.html"), docpack::source_text(*second, "cv.html"));
}

TEST(DocpackSource, LaysOutTwelveBytesALine) {
  Bytes coded;
  for (int i = 0; i < 13; ++i) {
    coded.push_back(static_cast<std::uint8_t>(i * 20));
  }
  EXPECT_EQ(docpack::source_text(coded, "page.html"),
            "// Generated by pixquill_docpack from page.html; do not edit.\n"
            "#include \"notice/notice.h\"\n"
            "\n"
            "#include <cstdint>\n"
            "#include <span>\n"
            "\n"
            "static constexpr std::uint8_t kCodedBytes[] = {\n"
            "    0x00, 0x14, 0x28, 0x3c, 0x50, 0x64, 0x78, 0x8c, 0xa0, 0xb4, 0xc8, 0xdc,\n"
            "    0xf0,\n"
            "};\n"
            "\n"
            "constinit const std::span<const std::uint8_t> CODED_DOCUMENT{kCodedBytes};\n");
}

// ---- Runs in a scratch directory ----------------------------------------------

// Each test runs in `dir_`, a fresh directory of its own; `root_` around it
// holds what must not show in `dir_` (the captured standard output).
class ScratchDir : public testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::current_path();
    std::random_device random;
    do {
      root_ = fs::temp_directory_path() / ("notice_test." + std::to_string(random()));
    } while (!fs::create_directory(root_));
    dir_ = root_ / "work";
    fs::create_directory(dir_);
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(home_);
    fs::remove_all(root_);
  }

  fs::path home_;
  fs::path root_;
  fs::path dir_;
};

struct Published {
  bool answer;
  std::string out;
};

class NoticePublish : public ScratchDir {
 protected:
  // notice_publish with stdout sent to a file opened in text mode, as the
  // standard output is: on Windows dup2 carries the descriptor's text mode
  // along, so each "\n" is stored as CR LF there.
  Published publish_capturing_stdout() {
    const fs::path path = root_ / "stdout";
    std::fflush(stdout);
    const int saved = dup(fileno(stdout));
    std::FILE* capture = std::fopen(path.string().c_str(), "w");
    if (capture == nullptr) {
      ADD_FAILURE() << "cannot write " << path;
      return {};
    }
    dup2(fileno(capture), fileno(stdout));
    const bool answer = notice_publish();
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::fclose(capture);
    return {answer, text_of(read_file(path))};
  }
};

const std::string kBannerOut = as_stored(
    "\n"
    "Logiciels downloadables sur http://tools.example.org/orvane/\n"
    "Quand on les utilise, ils recopient mon CV, merci de le lire...\n"
    "\n");

std::string stored_page() { return as_stored(text_of(read_file(PIXQUILL_CV_HTML))); }

TEST_F(NoticePublish, PrintsBannerAndWritesThePage) {
  const Published run = publish_capturing_stdout();
  EXPECT_TRUE(run.answer);
  EXPECT_EQ(run.out, kBannerOut);
  EXPECT_EQ(text_of(read_file("cv.html")), stored_page());
}

TEST_F(NoticePublish, ReplacesAnOlderLongerCopy) {
  write_file("cv.html", Bytes(20000, 'x'));
  EXPECT_TRUE(publish_capturing_stdout().answer);
  EXPECT_TRUE(publish_capturing_stdout().answer);
  EXPECT_EQ(text_of(read_file("cv.html")), stored_page());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(NoticePublish, AnswersFalseWhenThePageCannotBeOpened) {
  fs::create_directory("cv.html");
  const Published run = publish_capturing_stdout();
  EXPECT_FALSE(run.answer);
  EXPECT_EQ(run.out, kBannerOut);
  EXPECT_TRUE(fs::is_directory("cv.html"));
}

TEST_F(NoticePublish, AnswersFalseWhenThePageCannotBeWritten) {
  // The Windows build's std::filesystem sees no /dev/full and makes no
  // symlinks, although Wine opens the device itself; the native build runs it.
  if (!fs::exists("/dev/full")) {
    GTEST_SKIP() << "no /dev/full reachable as a symlink target for cv.html";
  }
  // Opening succeeds; only the writes (at the latest the last flush) fail.
  fs::create_symlink("/dev/full", "cv.html");
  const Published run = publish_capturing_stdout();
  EXPECT_FALSE(run.answer);
  EXPECT_EQ(run.out, kBannerOut);
  EXPECT_TRUE(fs::is_symlink("cv.html"));
}

// ---- The pixquill_docpack command ---------------------------------------------

#ifdef PIXQUILL_DOCPACK

using DocpackCommand = ScratchDir;

struct CommandRun {
  int status;
  std::string out;
};

CommandRun run_docpack(const std::string& page, const std::string& source) {
  const std::string command =
      std::string(PIXQUILL_DOCPACK) + " " + page + " " + source + " 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  int c = 0;
  while ((c = std::fgetc(pipe)) != EOF) {
    out += static_cast<char>(c);
  }
  return {pclose(pipe), out};
}

TEST_F(DocpackCommand, WritesTheSourceAndReportsSizes) {
  const Bytes page = bytes_of("<b>le lire</b> <b>le lire</b>\n");
  write_file("p.html", page);
  const CommandRun run = run_docpack("p.html", "out.cpp");
  EXPECT_EQ(run.status, 0);
  const Bytes coded = *docpack::encode(page);
  char ratio[16];
  std::snprintf(ratio, sizeof ratio, "%.1f",
                100.0 * static_cast<double>(coded.size()) / static_cast<double>(page.size()));
  EXPECT_EQ(run.out, "p.html: " + std::to_string(page.size()) + " bytes -> " +
                         std::to_string(coded.size()) + " coded (" + ratio + "%)\n");
  EXPECT_EQ(text_of(read_file("out.cpp")), docpack::source_text(coded, "p.html"));
}

TEST_F(DocpackCommand, RefusesAPageWithAZeroByte) {
  write_file("p.html", bytes_of(std::string_view("<p>\0</p>", 8)));
  const CommandRun run = run_docpack("p.html", "out.cpp");
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(fs::exists("out.cpp"));
}

#else

// The coder a cross build runs is the build machine's program, which this
// test program, running on the target, cannot start; the native build tests
// the command.
TEST(DocpackCommand, TestedByTheNativeBuild) {
  GTEST_SKIP() << "pixquill_docpack runs on the build machine";
}

#endif  // PIXQUILL_DOCPACK

}  // namespace
