// FigureFile: the figures a benchmark program hands to the report (bench/run), one
// "name<TAB>value" line each; a name given several times is summed up by its median there.
// One thread writes it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace qoravel::bench {

class FigureFile {
 public:
  // Takes "--figures=PATH" out of the arguments when it is there; without it, Add does nothing.
  FigureFile(int& argc, char** argv);
  ~FigureFile();
  FigureFile(const FigureFile&) = delete;
  FigureFile& operator=(const FigureFile&) = delete;

  void Add(std::string_view name, double value);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace qoravel::bench
