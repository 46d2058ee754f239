// Stands in for libFuzzer's driver where there is none (gcc builds, the
// normal test run): feeds saved inputs to LLVMFuzzerTestOneInput, one call
// per file. Each argument is a file or a directory of files. Answers 0 when
// every input went through, 1 when an argument could not be read or named
// no input at all (a mistyped corpus path must not pass); a failed check
// inside the target aborts the program.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace {

bool replay(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  // A heap block of exactly the input's size, as libFuzzer gives it, so
  // that a read one byte past the end lands outside it.
  const auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), copy.get());
  LLVMFuzzerTestOneInput(copy.get(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> inputs;
    std::error_code error;
    if (fs::is_directory(argv[i], error)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(argv[i], error)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
      std::sort(inputs.begin(), inputs.end());
    } else {
      inputs.emplace_back(argv[i]);
    }
    if (error || inputs.empty()) {
      std::fprintf(stderr, "replay: no input in %s\n", argv[i]);
      return 1;
    }
    for (const fs::path& input : inputs) {
      if (!replay(input)) {
        std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
        return 1;
      }
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
    return 1;
  }
  std::printf("replayed %zu inputs\n", replayed);
  return 0;
}
