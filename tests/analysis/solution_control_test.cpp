// Slave dofs following their masters, the release of the global matrices, and the
// positions of the load cases in the data file.
#include "analysis/solution_control.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/entry.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/datafile_writer.h"
#include "support/testfiles.h"

namespace {

// Three points, six dofs each, numbered in point order; dof 3 of point 3 prescribed.
struct Numbering {
  char** codes;
  int** numbers;
  Numbering() {
    allocc2(&codes, 3, 6);
    alloci2(&numbers, 3, 6);
    int nF = 0, nP = 0;
    for (int p = 1; p <= 3; p++)
      for (int d = 1; d <= 6; d++) {
        codes[p][d] = p == 3 && d == 3 ? 'P' : 'F';
        numbers[p][d] = codes[p][d] == 'F' ? ++nF : ++nP;
      }
  }
  ~Numbering() {
    freec2(codes);
    freei2(numbers);
  }
};

}  // namespace

TEST(SolutionControl, SlaveDofsTakeTheirMastersValues) {
  Numbering num;
  InternalPointLink links[3] = {};
  links[1].Master = 1;
  links[1].Slave = 2;
  for (int d = 1; d <= 6; d++) links[1].Linked[d] = d == 1 || d == 6 ? 1 : 0;
  links[2].Master = 1;
  links[2].Slave = 3;
  links[2].Linked[2] = 1;
  MeshData mesh{};
  mesh.nPointLinks = 2;
  mesh.PointLinks = links;

  double* a;
  allocd1(&a, 17);
  for (int i = 1; i <= 17; i++) a[i] = 100.0 + i;
  Calc_a_FreeMasterSlave(&mesh, num.numbers, a, num.codes);
  for (int i = 1; i <= 17; i++) {
    double expected = 100.0 + i;
    if (i == num.numbers[2][1]) expected = a[num.numbers[1][1]];
    if (i == num.numbers[2][6]) expected = a[num.numbers[1][6]];
    if (i == num.numbers[3][2]) expected = a[num.numbers[1][2]];
    EXPECT_EQ(a[i], expected) << "equation " << i;
  }
  EXPECT_EQ(a[num.numbers[2][1]], 101.0);
  EXPECT_EQ(a[num.numbers[2][6]], 106.0);
  EXPECT_EQ(a[num.numbers[3][2]], 102.0);
  EXPECT_EQ(a[num.numbers[2][2]], 100.0 + num.numbers[2][2]);  // flag 0: unchanged

  // A linked dof that is prescribed cannot be: the numbering refuses such links.
  links[2].Linked[3] = 1;
  EXPECT_EXIT(Calc_a_FreeMasterSlave(&mesh, num.numbers, a, num.codes), testing::ExitedWithCode(1),
              "INTERNAL ERROR");
  freed1(a);
}

// The release takes rows with and without lists, and empty prescribed parts; the leak
// checker of the test build sees anything left behind.
TEST(SolutionControl, GlobalMatricesAreReleased) {
  for (int nP : {0, 2}) {
    const int nF = 3;
    SparseRowMatrix K[3];
    int rows[3] = {nF, nP, nP};
    for (int m = 0; m < 3; m++) {
      K[m].n = rows[m];
      alloci1(&K[m].count, rows[m]);
      allocpi1(&K[m].cols, rows[m]);
      allocpd1(&K[m].vals, rows[m]);
      for (int i = 1; i <= rows[m]; i++) {
        K[m].count[i] = i == 2 ? 0 : 1;
        K[m].cols[i] = nullptr;
        K[m].vals[i] = nullptr;
        if (i != 2) {
          alloci1(&K[m].cols[i], 1);
          allocd1(&K[m].vals[i], 1);
        }
      }
    }
    if (nP == 0) {
      FreeGlobalStiffMat(nF, nP, K[0].count, K[1].count, K[2].count, K[0].cols, K[1].cols,
                         K[2].cols, K[0].vals, K[1].vals, K[2].vals);
    } else {
      FreeGlobalStiffMat(nF, nP, &K[0], &K[1], &K[2]);
      for (int m = 0; m < 3; m++) {
        EXPECT_EQ(K[m].count, nullptr);
        EXPECT_EQ(K[m].cols, nullptr);
        EXPECT_EQ(K[m].vals, nullptr);
      }
    }
  }
}

// The positions found lead back to each load case; the file is left at the combinations.
TEST(SolutionControl, LoadCasePositionsLeadBackToEachCase) {
  std::string job = TestJobName();
  testmodel::Model model;
  for (int k = 1; k <= 3; k++) {
    testmodel::LoadCase lc;
    lc.gravity = {0.0, -9.81 * k, 0.0};
    model.loadCases.push_back(lc);
  }
  testmodel::Combination c;
  c.factors = {{2, 1.5}};
  model.combinations.push_back(c);
  testmodel::WriteDataFile(job, model);

  FILE* fp;
  OpenFile(&fp, job.c_str(), kDataFileSuffix, "rb", 'N');
  ReadTag(kDataFileOpenTag, fp, kDataFileSuffix);
  MeshData mesh;
  ReadMesh(fp, &mesh);
  long afterMesh = std::ftell(fp);
  long* pos;
  allocl1(&pos, mesh.Main.nLoadCases);
  LocateLoadCases(fp, &mesh, pos);
  EXPECT_EQ(pos[1], afterMesh);
  EXPECT_LT(pos[1], pos[2]);
  EXPECT_LT(pos[2], pos[3]);

  // Left at the combinations: they and the closing tag read as a run reads them.
  long atCombinations = std::ftell(fp);
  CombinationData* combinations;
  ReadCombinations(fp, &mesh, &combinations);
  EXPECT_EQ(combinations[1].Factors[1].Number, 2);
  FreeCombinations(combinations, mesh.Main.nCombinations);
  ReadTag(kDataFileCloseTag, fp, kDataFileSuffix);

  for (int k : {3, 1, 2}) {
    std::fseek(fp, pos[k], SEEK_SET);
    LoadCaseData lc;
    ReadLoadCase(fp, k, &mesh, &lc);
    EXPECT_EQ(lc.Gravity[2], -9.81 * k);
    FreeLoadCase(&lc);
    EXPECT_EQ(std::ftell(fp), k < 3 ? pos[k + 1] : atCombinations);
  }
  freel1(pos);
  CloseFile(fp);
  FreeMesh(&mesh);
}
