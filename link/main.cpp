// ambcomm: the link program. Wires the Qt platform into the link logic.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::puts("usage: ambcomm [--port DEVICE | --simulate] [conditions|set|download|clear ...]");
    return 0;
  }
  std::fputs("ambcomm: not built yet\n", stderr);
  return 1;
}
