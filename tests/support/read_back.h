// A model written by the test writer and its mesh read back through the program's
// reader, its checks included.
#pragma once

#include <string>

#include "model/fileio.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/testfiles.h"

// Writes <job>_gl.bin and reads its mesh; returns the file, open at the first load case.
// The caller closes the file and frees the mesh.
inline FILE* WriteAndReadMesh(const testmodel::Model& model, MeshData* mesh, const std::string& job = TestJobName()) {
  testmodel::WriteDataFile(job, model);
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  ReadMesh(fp, mesh);
  return fp;
}
