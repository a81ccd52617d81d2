// ambview: the analysis program. Wires the Qt platform into the view logic.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::puts("usage: ambview [FILE] | info FILE | export | resave | calorie | render ...");
    return 0;
  }
  std::fputs("ambview: not built yet\n", stderr);
  return 1;
}
