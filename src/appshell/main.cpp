// qoravel: the program's entry point.
#include <cstdio>

int main() {
  std::puts("qoravel 0.1.0\nusage: qoravel [search KEYWORD | download KEYWORD --row N --quality Q]");
  return 0;
}
