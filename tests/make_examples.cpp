// Writes the example BGL files: make_examples DIR
// With --kinds, writes instead the small files of the other section kinds
// (kind-*.bgl), for comparing the programs of two systems on every kind.
#include <cstdio>
#include <string>

#include "Examples.h"
#include "KindFiles.h"

int main(int argc, char** argv) {
  const bool kinds = argc == 3 && std::string(argv[1]) == "--kinds";
  if (argc != 2 && !kinds) {
    std::fprintf(stderr, "usage: make_examples [--kinds] DIR\n");
    return 2;
  }
  const std::string dir = argv[argc - 1];
  for (const auto& [name, bytes] : kinds ? skarn::test::KindFiles() : skarn::test::AllExamples()) {
    const std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
      std::fprintf(stderr, "make_examples: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
