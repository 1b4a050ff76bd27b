// The QIR modules on hand for tests that check a property over real text: the
// golden cases and, when it is present, the shared corpus of real-world
// modules (read in place, never copied into the repository); and reading one.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace corvane {

/// Every `.ll` file of the corpus (when present) and of the golden cases.
inline std::vector<std::filesystem::path> module_files() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const char* dir : {CORVANE_CORPUS_DIR, CORVANE_SOURCE_DIR "/core/tests/golden"}) {
    if (!std::filesystem::is_directory(dir, ec)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, ec)) {
      if (entry.path().extension() == ".ll") files.push_back(entry.path());
    }
  }
  return files;
}

/// The bytes of a file; nothing when it cannot be opened.
inline std::optional<std::string> read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace corvane
