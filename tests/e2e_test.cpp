// End to end: runs a built pixquill in a fresh directory per case and
// compares standard output, standard error, the exit status and every file
// left in the directory, byte for byte.
//
// The program under test is PIXQUILL_EXE (default: this build's), started
// through PIXQUILL_EMULATOR when that is set. With PIXQUILL_CRLF=1 every
// expected text has CR LF line ends, as text-mode streams write them there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string env_or(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

bool crlf() { return env_or("PIXQUILL_CRLF", "0") == "1"; }

// A text as a text-mode stream of the program under test stores it.
std::string text(const std::string& lf) {
  if (!crlf()) return lf;
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string bytes(std::initializer_list<std::uint8_t> list) { return {list.begin(), list.end()}; }

const std::string kBanner = text(
    "\n"
    "Logiciels downloadables sur http://tools.example.org/orvane/\n"
    "Quand on les utilise, ils recopient mon CV, merci de le lire...\n"
    "\n");

const std::string kUsage = text(
    "utilisation :\n"
    "\n"
    "   pixQuill  srce.wbmp  dest.txt\n"
    "\n"
    "arguments :\n"
    "\n"
    "   srce.wbmp        fichier WBMP d'origine\n"
    "   dest.txt         fichier TEXTE qui sera construit\n"
    "\n"
    "le fond deviendra des . et les les pixels deviendront des #.\n"
    "\n");

std::string cant_read(const std::string& path) {
  return text("*** pixQuill ERROR \"can't read \"" + path + "\"\"\n\n");
}
std::string cant_write(const std::string& path) {
  return text("*** pixQuill ERROR \"can't write \"" + path + "\"\"\n\n");
}
const std::string kCantWriteCv = text("*** pixQuill ERROR \"can't write cv.html\"\n\n");

// Marks an entry of the directory that is a directory, not a file.
const std::string kDirectory = "<directory>";

struct Outcome {
  std::string out, err;
  int status = -1;
  std::map<std::string, std::string> files;  // name -> bytes, or kDirectory
};

Outcome run_in(const fs::path& dir, const std::vector<std::string>& args) {
  std::vector<std::string> argv_strings;
  const std::string emulator = env_or("PIXQUILL_EMULATOR", "");
  if (!emulator.empty()) argv_strings.push_back(emulator);
  argv_strings.push_back(env_or("PIXQUILL_EXE", PIXQUILL_DEFAULT_EXE));
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  const fs::path out_path = dir.parent_path() / "stdout";
  const fs::path err_path = dir.parent_path() / "stderr";
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0 || chdir(dir.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  Outcome run;
  int wait_status = 0;
  waitpid(pid, &wait_status, 0);
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  run.out = read_file(out_path);
  run.err = read_file(err_path);
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    run.files[entry.path().filename().string()] =
        entry.is_directory() ? kDirectory : read_file(entry.path());
  }
  return run;
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  std::map<std::string, std::string> before;  // files laid out before the run
  std::string out, err;
  int status;
  std::map<std::string, std::string> after;  // every entry left, cv.html aside
  bool cv_written = true;                    // cv.html holds the page
};

std::string page() { return text(read_file(PIXQUILL_CV_HTML)); }

// clang-format off
std::vector<Case> cases() {
  const std::string two_by_two = bytes({0, 0, 2, 2, 0x80, 0x40});
  const std::string short_data = bytes({0, 0, 9, 2, 0xFF, 0xFF, 0xFF});
  const std::string cr_lf_sub = bytes({0, 0, 13, 2, 0x0D, 0x0A, 0x1A, 0xFF});
  const std::string sample = read_file(PIXQUILL_SAMPLES "/quill.wbmp");
  return {
    // usage: every start publishes the notice first
    {"no_arguments", {}, {}, kBanner + kUsage, "", 2, {}},
    {"one_argument", {"in.wbmp"}, {{"in.wbmp", two_by_two}}, kBanner + kUsage, "", 2, {{"in.wbmp", two_by_two}}},
    {"three_arguments", {"in.wbmp", "out.txt", "x"}, {{"in.wbmp", two_by_two}}, kBanner + kUsage, "", 2, {{"in.wbmp", two_by_two}}},
    // conversions: set bit ".", clear bit "#", padding bits never show
    {"two_by_two", {"in.wbmp", "out.txt"}, {{"in.wbmp", two_by_two}}, kBanner, "", 0,
     {{"in.wbmp", two_by_two}, {"out.txt", text(".#\n#.\n")}}},
    {"nine_wide_ff_00", {"in.wbmp", "out.txt"}, {{"in.wbmp", bytes({0, 0, 9, 1, 0xFF, 0x00})}}, kBanner, "", 0,
     {{"in.wbmp", bytes({0, 0, 9, 1, 0xFF, 0x00})}, {"out.txt", text("........#\n")}}},
    {"nine_wide_00_80", {"in.wbmp", "out.txt"}, {{"in.wbmp", bytes({0, 0, 9, 1, 0x00, 0x80})}}, kBanner, "", 0,
     {{"in.wbmp", bytes({0, 0, 9, 1, 0x00, 0x80})}, {"out.txt", text("########.\n")}}},
    {"nine_wide_padding_hidden", {"in.wbmp", "out.txt"}, {{"in.wbmp", bytes({0, 0, 9, 1, 0x00, 0x7F})}}, kBanner, "", 0,
     {{"in.wbmp", bytes({0, 0, 9, 1, 0x00, 0x7F})}, {"out.txt", text("#########\n")}}},
    {"one_by_one_top_bit_only", {"in.wbmp", "out.txt"}, {{"in.wbmp", bytes({0, 0, 1, 1, 0x7F})}}, kBanner, "", 0,
     {{"in.wbmp", bytes({0, 0, 1, 1, 0x7F})}, {"out.txt", text("#\n")}}},
    // read in binary mode: text mode on Windows drops the CR of CR LF and stops at 0x1A
    {"source_holds_cr_lf_and_0x1a", {"in.wbmp", "out.txt"}, {{"in.wbmp", cr_lf_sub}}, kBanner, "", 0,
     {{"in.wbmp", cr_lf_sub}, {"out.txt", text("####..#.####.\n###..#.#.....\n")}}},
    {"bundled_sample", {PIXQUILL_SAMPLES "/quill.wbmp", "quill.txt"}, {}, kBanner, "", 0,
     {{"quill.txt", text(read_file(PIXQUILL_SAMPLES "/quill.txt"))}}},
    {"existing_destination_replaced", {"in.wbmp", "out.txt"}, {{"in.wbmp", two_by_two}, {"out.txt", "old\nlonger text\n"}}, kBanner, "", 0,
     {{"in.wbmp", two_by_two}, {"out.txt", text(".#\n#.\n")}}},
    {"stale_cv_html_replaced", {"in.wbmp", "out.txt"}, {{"in.wbmp", two_by_two}, {"cv.html", "stale"}}, kBanner, "", 0,
     {{"in.wbmp", two_by_two}, {"out.txt", text(".#\n#.\n")}}},
    // the source is read whole and closed before the destination is opened
    {"destination_is_the_source", {"in.wbmp", "in.wbmp"}, {{"in.wbmp", two_by_two}}, kBanner, "", 0,
     {{"in.wbmp", text(".#\n#.\n")}}},
    {"destination_is_cv_html", {"in.wbmp", "cv.html"}, {{"in.wbmp", two_by_two}}, kBanner, "", 0,
     {{"in.wbmp", two_by_two}, {"cv.html", text(".#\n#.\n")}}, false},
    // read failures: one message, the destination untouched
    {"missing_source", {"nothere.wbmp", "out.txt"}, {}, kBanner, cant_read("nothere.wbmp"), 1, {}},
    {"first_byte_not_zero", {"in.wbmp", "out.txt"}, {{"in.wbmp", bytes({1, 0, 2, 2, 0x80, 0x40})}}, kBanner, cant_read("in.wbmp"), 1,
     {{"in.wbmp", bytes({1, 0, 2, 2, 0x80, 0x40})}}},
    {"pixel_data_one_byte_short", {"in.wbmp", "out.txt"}, {{"in.wbmp", short_data}, {"out.txt", "keep"}}, kBanner, cant_read("in.wbmp"), 1,
     {{"in.wbmp", short_data}, {"out.txt", "keep"}}},
    {"source_is_a_directory", {"sub", "out.txt"}, {{"sub", kDirectory}}, kBanner, cant_read("sub"), 1, {{"sub", kDirectory}}},
    // write failures
    {"destination_in_missing_directory", {"in.wbmp", "no/out.txt"}, {{"in.wbmp", two_by_two}}, kBanner, cant_write("no/out.txt"), 1,
     {{"in.wbmp", two_by_two}}},
    {"destination_device_full", {"in.wbmp", "/dev/full"}, {{"in.wbmp", sample}}, kBanner, cant_write("/dev/full"), 1,
     {{"in.wbmp", sample}}},
    {"cv_html_cannot_be_written", {"in.wbmp", "out.txt"}, {{"in.wbmp", two_by_two}, {"cv.html", kDirectory}}, kBanner, kCantWriteCv, 1,
     {{"in.wbmp", two_by_two}, {"cv.html", kDirectory}}, false},
    {"cv_html_cannot_be_written_usage_unseen", {}, {{"cv.html", kDirectory}}, kBanner, kCantWriteCv, 1,
     {{"cv.html", kDirectory}}, false},
  };
}
// clang-format on

// Names the case in ctest's listing instead of dumping its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class EndToEnd : public testing::TestWithParam<Case> {};

TEST_P(EndToEnd, OutputsStatusAndFiles) {
  const Case& c = GetParam();
  const fs::path root =
      fs::temp_directory_path() / ("pixquill-e2e-" + std::to_string(getpid()) + "-" + c.name);
  fs::remove_all(root);
  const fs::path dir = root / "work";
  fs::create_directories(dir);
  for (const auto& [name, content] : c.before) {
    if (content == kDirectory) {
      fs::create_directory(dir / name);
    } else {
      write_file(dir / name, content);
    }
  }

  const Outcome run = run_in(dir, c.args);

  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(run.status, c.status);
  std::map<std::string, std::string> expected = c.after;
  if (c.cv_written) expected["cv.html"] = page();
  EXPECT_EQ(run.files, expected);
  fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& param_info) {
                           return param_info.param.name;
                         });

}  // namespace
