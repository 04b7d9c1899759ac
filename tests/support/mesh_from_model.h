// Writes a test model to <job>_gl.bin and reads its mesh section back into MeshData,
// as a run would before it builds its work arrays.
#pragma once

#include <string>

#include "model/fileio.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"

inline void ReadMeshOfModel(const std::string& job, const testmodel::Model& m, MeshData* mesh) {
  testmodel::WriteDataFile(job, m);
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  ReadMesh(fp, mesh);
  CloseFile(fp);
}
