#include "figure_file.h"

namespace qoravel::bench {

FigureFile::FigureFile(int& argc, char** argv) {
  constexpr std::string_view kOption = "--figures=";
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, kOption.size()) == kOption && !file_) {
      file_ = std::fopen(argv[i] + kOption.size(), "a");
      if (!file_) std::fprintf(stderr, "cannot write figures to %s\n", argv[i] + kOption.size());
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
}

FigureFile::~FigureFile() {
  if (file_) std::fclose(file_);
}

void FigureFile::Add(std::string_view name, double value) {
  if (!file_) return;
  std::fprintf(file_, "%.*s\t%.9g\n", static_cast<int>(name.size()), name.data(), value);
  std::fflush(file_);
}

}  // namespace qoravel::bench
