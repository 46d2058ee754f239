// pixquill_docpack <page.html> <out.cpp>: codes the CV page for the runtime.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "notice/encoder/docpack.h"

namespace {

std::optional<std::vector<std::uint8_t>> read_file(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t block[4096];
  std::size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file)) != 0) {
    bytes.insert(bytes.end(), block, block + got);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    return std::nullopt;
  }
  return bytes;
}

// Writes beside the target and renames over it, so a failed run never
// leaves a truncated source for the build to compile.
bool write_atomically(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  std::fwrite(text.data(), 1, text.size(), file);
  const bool written = std::ferror(file) == 0;
  if (std::fclose(file) != 0 || !written) {
    std::remove(temp.c_str());
    return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

std::string_view base_name(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pixquill_docpack <page.html> <out.cpp>\n");
    return 2;
  }
  const char* page_path = argv[1];
  const std::string out_path = argv[2];
  const std::string_view name = base_name(page_path);

  const auto page = read_file(page_path);
  if (!page) {
    std::fprintf(stderr, "pixquill_docpack: cannot read %s\n", page_path);
    return 1;
  }
  const auto coded = docpack::encode(*page);
  if (!coded) {
    std::fprintf(stderr, "pixquill_docpack: %s holds a 0 byte, which the coded form cannot carry\n",
                 page_path);
    return 1;
  }
  if (!docpack::expands_to(*coded, *page)) {
    std::fprintf(stderr, "pixquill_docpack: self-check failed: the coded %s does not expand back\n",
                 page_path);
    return 1;
  }

  std::string line(name);
  line +=
      ": " + std::to_string(page->size()) + " bytes -> " + std::to_string(coded->size()) + " coded";
  if (!page->empty()) {
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, " (%.1f%%)",
                  100.0 * static_cast<double>(coded->size()) / static_cast<double>(page->size()));
    line += ratio;
  }
  std::printf("%s\n", line.c_str());

  if (!write_atomically(out_path, docpack::source_text(*coded, name))) {
    std::fprintf(stderr, "pixquill_docpack: cannot write %s\n", out_path.c_str());
    return 1;
  }
  return 0;
}
