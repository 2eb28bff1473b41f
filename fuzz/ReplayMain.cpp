// Replays files through a fuzz target without libFuzzer, so that the ordinary test run covers
// the seed corpus and every kept regression input. Arguments: files or folders (a missing
// folder is skipped).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "FuzzTarget.h"

namespace fs = std::filesystem;

static int RunFile(const fs::path& Path) {
  std::ifstream f(Path, std::ios::binary);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(data.data(), data.size());
  return 1;
}

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path p(argv[i]);
    if (fs::is_directory(p)) {
      std::vector<fs::path> files;
      for (const auto& e : fs::directory_iterator(p))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) count += RunFile(f);
    } else if (fs::is_regular_file(p)) {
      count += RunFile(p);
    }
  }
  std::printf("%d inputs replayed\n", count);
  return 0;
}
