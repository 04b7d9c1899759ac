// Internal equivalent nodal forces of linear element groups against the assembled
// stiffness: I_F = KFF a_F + KPF^T a_P and I_P = KPF a_F + KPP a_P, with a special
// coordinate system at a loaded point; and the refusal of a non-finite element force.
#include "assembly/residual.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "assembly/assembly.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "support/output_flags.h"
#include "topology_fixture.h"

namespace {

// A Frame2D portal-like chain with a Truss2D brace; point 3 in axes turned about x1.
tw::Model ChainModel() {
  tw::Model m = BaseModel();
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 0, 0, 2);
  tw::AddPoint(m, 0, 3, 2);
  tw::AddPoint(m, 0, 3, 0);
  tw::AddElement(m, {1, 2});
  tw::AddElement(m, {2, 3});
  tw::AddElement(m, {3, 4});
  tw::AddElement(m, {1, 3});
  AddProperty(m, 1, 3, _FRAME_2D);
  AddProperty(m, 4, 4, _TRUSS_2D);
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, "011100"));
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(4, "001000"));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(1, 0, 0));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(0, 0.6, 0.8));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(0, -0.8, 0.6));
  tw::AddRecord(m, "<COORDINATE_SYSTEMS>", CoordSystem(1, 2, 3));
  tw::AddRecord(m, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", SpecialCsPoint(3, 1));
  return m;
}

}  // namespace

TEST(InternalForces, LinearGroupsGiveTheStiffnessTimesTheDisplacements) {
  Built b(ChainModel());
  const Flags flags;
  const int nF = b.w.nF, nP = b.w.nP;
  ASSERT_GT(nF, 0);
  ASSERT_GT(nP, 0);
  SparseRowMatrix KFF, KPF, KPP;
  int64_t t1, t2, t3;
  IterSummaryRecord iter{};
  AssembGlobalStiffMat(&t1, &t2, &t3, TestJobName().c_str(), flags, &iter, &b.mesh, &KFF, &KPF, &KPP, &b.w);
  std::vector<double> aF(static_cast<size_t>(nF) + 1), aP(static_cast<size_t>(nP) + 1);
  for (int i = 1; i <= nF; i++) aF[static_cast<size_t>(i)] = 1e-3 * std::sin(1.7 * i);
  for (int i = 1; i <= nP; i++) aP[static_cast<size_t>(i)] = 1e-3 * std::cos(0.9 * i);
  double **U, **dU;
  allocd2(&U, b.mesh.nPoints, 6);
  allocd2(&dU, b.mesh.nPoints, 6);
  CalcPointDispl(0, &b.mesh, b.w.PointDofCodes, b.w.PointDofNumbers, aF.data(), aP.data(), b.w.PointSpecialCS,
                 b.w.PointTypes, b.w.ElemPropIndex, b.w.PointElemAdjacency, U);
  copyd2(dU, U, b.mesh.nPoints, 6);
  std::vector<double> IF(static_cast<size_t>(nF) + 1), IP(static_cast<size_t>(nP) + 1);
  NonlinearElementState s{1, 1, 0.0, 0.0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  CalcInternalForces(flags, &b.mesh, &b.w, &s, dU, U, IF.data(), IP.data());

  std::vector<double> eF(static_cast<size_t>(nF) + 1, 0.0), eP(static_cast<size_t>(nP) + 1, 0.0);
  AddScaledSymSparseMatVecProduct(nF, 1.0, KFF.count, KFF.cols, KFF.vals, aF.data(), eF.data());
  AddScaledSparseMatTransVecProduct(nP, 1.0, KPF.count, KPF.cols, KPF.vals, aP.data(), eF.data());
  AddScaledSparseMatVecProduct(nP, 1.0, KPF.count, KPF.cols, KPF.vals, aF.data(), eP.data());
  AddScaledSymSparseMatVecProduct(nP, 1.0, KPP.count, KPP.cols, KPP.vals, aP.data(), eP.data());
  double scale = 0.0;
  for (double v : eF) scale = std::fmax(scale, std::fabs(v));
  for (int i = 1; i <= nF; i++) EXPECT_NEAR(IF[static_cast<size_t>(i)], eF[static_cast<size_t>(i)], 1e-12 * scale) << i;
  for (int i = 1; i <= nP; i++) EXPECT_NEAR(IP[static_cast<size_t>(i)], eP[static_cast<size_t>(i)], 1e-12 * scale) << i;
  freed2(dU);
  freed2(U);
  FreeGlobalStiffMat(&KFF, &KPF, &KPP);
}

TEST(InternalForcesDeath, NonFiniteElementForceNamesTheElement) {
  Built b(ChainModel());
  std::vector<double> IF(static_cast<size_t>(b.w.nF) + 1), IP(static_cast<size_t>(b.w.nP) + 1);
  double fe[7] = {0, 1, 2, 3, std::numeric_limits<double>::quiet_NaN(), 5, 6};
  EXPECT_EXIT(AssembInt_Fg(2, _FRAME_2D, 2, &b.mesh, &b.w, IF.data(), IP.data(), fe), testing::ExitedWithCode(1),
              "Calculating the internal equivalent nodal forces of element n. 2\n");
}
