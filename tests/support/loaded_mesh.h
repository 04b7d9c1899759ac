// A model described with the test-side data-file writer, written to <job>_gl.bin and its
// mesh section read back into MeshData as a run reads it (with the reader's checks), for
// the element, assembly and load routines that take their records from MeshData.
#pragma once

#include <cstdio>
#include <string>

#include "model/fileio.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/output_flags.h"
#include "support/testfiles.h"

// Writes m to <job>_gl.bin and reads its mesh section into *mesh; the file stays, so
// that the caller can read the load cases that follow the mesh.
inline void ReadMeshOfModel(const std::string& job, const testmodel::Model& m, MeshData* mesh) {
  testmodel::WriteDataFile(job, m);
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  ReadMesh(fp, mesh);
  CloseFile(fp);
}

// The mesh of a model under the test's own job name (tag tells apart two meshes of one
// test), released at the end of the scope; oc is an output control with every flag off.
struct LoadedMesh {
  MeshData mesh;
  Flags oc;
  explicit LoadedMesh(const testmodel::Model& m, const std::string& tag = "") {
    const std::string job = TestJobName(tag);
    ReadMeshOfModel(job, m, &mesh);
    std::remove((job + "_gl.bin").c_str());
  }
  ~LoadedMesh() { FreeMesh(&mesh); }
  LoadedMesh(const LoadedMesh&) = delete;
  LoadedMesh& operator=(const LoadedMesh&) = delete;
  MeshData* operator->() { return &mesh; }
  const MeshData* operator->() const { return &mesh; }
  operator MeshData*() { return &mesh; }
  operator const MeshData*() const { return &mesh; }
};
