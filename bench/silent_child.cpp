// A silent application process: says nothing and ends when its input does.
#include <cstdio>

int main() {
  while (getchar() != EOF) {
  }
  return 0;
}
