// ambsim: the simulated recorder on a pseudo-terminal.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::puts("usage: ambsim --pty LINK [--model CODE] [--mode M] ...");
    return 0;
  }
  std::fputs("ambsim: not built yet\n", stderr);
  return 1;
}
