#include <cstdio>

int main(int argc, char** argv) {
  (void)argv;
  if (argc != 8) {
    std::fprintf(stderr,
                 "usage: tavrik SOURCEKIND SRCCODEPAGE DSTCODEPAGE SRCFORMAT DSTFORMAT SOURCE "
                 "DESTINATION\n");
    return 2;
  }
  return 0;
}
