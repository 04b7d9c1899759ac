// A model written with the test-side data-file writer and read back with ReadMesh, for
// the element routines that take their records from MeshData; print flags all 'N'.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/fileio.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "support/datafile_writer.h"
#include "support/process.h"
#include "support/testfiles.h"

struct LoadedMesh {
  MeshData mesh;
  char oc[kOutputControlSize];
  explicit LoadedMesh(const testmodel::Model& m) {
    const std::string job = TestJobName("_mesh");
    testmodel::WriteDataFile(job, m);
    FILE* fp;
    OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
    ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
    ReadMesh(fp, &mesh);
    CloseFile(fp);
    std::remove((job + "_gl.bin").c_str());
    for (char& c : oc) c = 'N';
  }
  ~LoadedMesh() { FreeMesh(&mesh); }
  LoadedMesh(const LoadedMesh&) = delete;
  LoadedMesh& operator=(const LoadedMesh&) = delete;
  MeshData* operator->() { return &mesh; }
};

// A two-node member from a to b (points 1 and 2) with one property record of the given
// type, material (kind, record) and geometry (kind, record); materials and sections are
// added by the caller.
inline testmodel::Model MemberModel(const double a[3], const double b[3], int type, int matKind, int geomKind) {
  testmodel::Model m;
  testmodel::AddPoint(m, a[0], a[1], a[2]);
  testmodel::AddPoint(m, b[0], b[1], b[2]);
  testmodel::AddElement(m, {1, 2});
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, type, matKind, 1, geomKind, 1));
  return m;
}
