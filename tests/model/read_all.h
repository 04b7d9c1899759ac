// Reads a whole data file in the order of a run: opening tag, mesh, every load case,
// the combinations, the closing tag; releases everything.
#pragma once

#include <string>

#include "model/fileio.h"
#include "model/loadcase.h"
#include "model/mesh.h"

// Opens the data file and reads its mesh; returns the file at the first load case.
inline FILE* ReadDataFileMesh(const std::string& job, MeshData* mesh) {
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  ReadMesh(fp, mesh);
  return fp;
}

inline void ReadWholeDataFile(const std::string& job) {
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  MeshData mesh;
  ReadMesh(fp, &mesh);
  for (int k = 1; k <= mesh.Main.nLoadCases; k++) {
    LoadCaseData lc;
    ReadLoadCase(fp, k, &mesh, &lc);
    FreeLoadCase(&lc);
  }
  CombinationData* combinations;
  ReadCombinations(fp, &mesh, &combinations);
  FreeCombinations(combinations, mesh.Main.nCombinations);
  ReadTag("</VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  CloseFile(fp);
  FreeMesh(&mesh);
}
