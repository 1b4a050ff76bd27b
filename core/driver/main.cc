// corvane_cli: translate a QIR file with the C++ library directly.
//   corvane_cli FILE            print the OpenQASM text, or "error: ..." and exit 1
//   corvane_cli --time N FILE   translate N times; print the median seconds and MB/s
// Exceptions are allowed here (outside the core): only std::bad_alloc can arise.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "translator/translate.h"

namespace {

bool read_file(const char* path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  out = std::move(buffer).str();
  return true;
}

int usage() {
  std::fprintf(stderr, "usage: corvane_cli [--time N] FILE.ll\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 0;
  int arg = 1;
  if (arg < argc && std::string(argv[arg]) == "--time") {
    if (arg + 2 >= argc) return usage();
    repeat = std::atoi(argv[arg + 1]);
    if (repeat <= 0) return usage();
    arg += 2;
  }
  if (arg + 1 != argc) return usage();
  std::string text;
  if (!read_file(argv[arg], text)) {
    std::fprintf(stderr, "error: cannot read %s\n", argv[arg]);
    return 2;
  }
  if (repeat == 0) {
    auto result = corvane::translate(text);
    if (!result.ok()) {
      std::fprintf(stderr, "error: %s\n", result.error().display().c_str());
      return 1;
    }
    std::fwrite(result->data(), 1, result->size(), stdout);
    return 0;
  }
  std::vector<double> seconds;
  std::size_t out_size = 0;
  for (int i = 0; i < repeat; ++i) {
    const auto start = std::chrono::steady_clock::now();
    auto result = corvane::translate(text);
    const auto stop = std::chrono::steady_clock::now();
    if (!result.ok()) {
      std::fprintf(stderr, "error: %s\n", result.error().display().c_str());
      return 1;
    }
    out_size = result->size();
    seconds.push_back(std::chrono::duration<double>(stop - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  std::printf(
      "{\"input_bytes\": %zu, \"output_bytes\": %zu, \"median_s\": %.6f, \"mb_per_s\": %.1f}\n",
      text.size(), out_size, median, static_cast<double>(text.size()) / 1e6 / median);
  return 0;
}
