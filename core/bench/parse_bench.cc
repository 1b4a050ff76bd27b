// Parser throughput: reads one QIR file, runs parse_module on it several times
// and prints the best and median input MB/s, the instructions parsed and the
// peak resident memory. Usage: corvane_parse_bench FILE [REPEATS]
#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ir/parser.h"

namespace {

std::size_t count_instructions(const corvane::Module& module) {
  std::size_t count = 0;
  for (const corvane::Function& function : module.functions) {
    for (const corvane::Block& block : function.blocks) count += block.instructions.size();
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [REPEATS]\n", argv[0]);
    return 2;
  }
  int repeats = 5;
  if (argc >= 3) {
    const std::string_view arg = argv[2];
    if (std::from_chars(arg.data(), arg.data() + arg.size(), repeats).ec != std::errc() ||
        repeats < 1) {
      std::fprintf(stderr, "REPEATS must be a positive integer\n");
      return 2;
    }
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  in.seekg(0, std::ios::end);
  std::string text(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0, std::ios::beg);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }

  std::vector<double> seconds;
  std::size_t instructions = 0;
  std::size_t functions = 0;
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    auto module = corvane::parse_module(text);
    const auto stop = std::chrono::steady_clock::now();
    if (!module.ok()) {
      std::fprintf(stderr, "parse failed: %s\n", module.error().display().c_str());
      return 1;
    }
    seconds.push_back(std::chrono::duration<double>(stop - start).count());
    instructions = count_instructions(*module);
    functions = module->functions.size();
  }
  std::sort(seconds.begin(), seconds.end());
  const double megabytes = static_cast<double>(text.size()) / 1e6;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("input            %.1f MB\n", megabytes);
  std::printf("functions        %zu\n", functions);
  std::printf("instructions     %zu\n", instructions);
  std::printf("best             %.3f s  %.1f MB/s\n", seconds.front(), megabytes / seconds.front());
  std::printf("median           %.3f s  %.1f MB/s\n", seconds[seconds.size() / 2],
              megabytes / seconds[seconds.size() / 2]);
  std::printf("peak RSS         %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
