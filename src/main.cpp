// volde: entry point. The analysis road is not built yet; the program only checks its
// command line.
#include <cstdio>

#include "numcore/numcore.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("Usage: volde jobname\n");
    return 1;
  }
  std::printf("Job name = %s\n", argv[1]);
  InternalError(__FILE__, __LINE__);
}
