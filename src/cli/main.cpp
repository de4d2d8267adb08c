#include <cstdio>

int main() {
  std::puts("quillon-cli");
  return 0;
}
