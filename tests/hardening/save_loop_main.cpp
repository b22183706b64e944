// kb_save_loop <folder>: saves the data files in <folder> over and over, alternating between two
// versions of their contents, until it is killed. Writes <folder>/ready after the first round.
#include <cstdio>
#include <filesystem>

#include "support/atomic_file.h"
#include "tests/hardening/save_loop_content.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kb_save_loop <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  hardening::SaveLoop loop(folder);
  for (unsigned round = 0;; ++round) {
    if (!loop.SaveVersion(static_cast<int>(round % 2))) {
      std::fprintf(stderr, "kb_save_loop: a save failed\n");
      return 1;
    }
    if (round == 0 && !support::WriteFileAtomically(folder / "ready", "ready\n")) return 1;
  }
}
