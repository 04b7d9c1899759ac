// volde: batch finite-element solver. `volde jobname` runs the job of jobname_gl.bin.
#include "analysis/entry.h"

int main(int argc, char** argv) { return RunVolde(argc, argv); }
