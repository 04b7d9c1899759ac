// The program's run: start-up (banner, job name, output control, data file and model),
// the choice and call of one analysis driver, and shut-down (combinations, closing tag,
// release, success lines). main is RunVolde.
#pragma once

#include <cstdio>

#include "model/fileio.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"

// Capacity of the job-name buffer (511 characters and the NUL).
constexpr int kJobNameSize = kBinStringMax;
// The longest suffix the run may append to the job name: the conjugate-gradient history
// of an arc-length iteration with ten-digit numbers, "_AL2_Comb" + 10 + "_Iter" + 10 +
// "_ih.g2d".
constexpr int kLongestJobSuffix = 41;
// Longest job name accepted, so that every file name of the run fits the buffer.
constexpr int kJobNameMax = kJobNameSize - 1 - kLongestJobSuffix;

// Blank line and the twelve banner lines.
void PrintBanner();
// The job name from the command line (exactly one argument) or from the prompt (none);
// more arguments, or a name longer than kJobNameMax, stop the run. job holds kJobNameSize.
void TakeJobName(int argc, char** argv, char* job);
// Output control, the data file opened and checked up to the end of "<MESH>", the model
// read, and the position after "<MESH>" noted.
void StartUp(const char* job, char* OutputControl, FILE** fp, MeshData* mesh, long* posAfterMesh);
// Calls the driver chosen by SelectAnalysisDriver.
void RunAnalysisDriver(int driver, FILE* fp, long posAfterMesh, const char* job,
                       const char* OutputControl, MeshData* mesh);
// Reads and releases the combinations, checks the closing tag, closes the data file,
// releases the model and prints the success lines.
void ShutDown(FILE* fp, MeshData* mesh);
// The whole run; returns 0 after success (every failure ends the process with status 1).
int RunVolde(int argc, char** argv);
