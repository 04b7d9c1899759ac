// Elasticity matrices of 3-D solids and the angle of a material coordinate system.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "materials/elastic.h"
#include "numcore/numcore.h"

namespace {

std::string Lit(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r;
}

struct M6 {
  double** a;
  M6() { allocd2(&a, 6, 6); }
  ~M6() { freed2(a); }
};

}  // namespace

TEST(Elastic, IsotropicMatrixGivesUniaxialStressAndShearModulus) {
  M6 D;
  CalcMat_De_Iso3D(6, 6, 0.25, 1000.0, D.a);
  // Uniaxial stress sigma11 = 1 with free lateral strains: eps = (1, -nu, -nu)/E.
  const double eps[7] = {0, 1e-3, -2.5e-4, -2.5e-4, 0, 0, 0};
  for (int i = 1; i <= 6; i++) {
    double s = 0.0;
    for (int j = 1; j <= 6; j++) s += D.a[i][j] * eps[j];
    EXPECT_NEAR(s, i == 1 ? 1.0 : 0.0, 1e-12) << i;
  }
  EXPECT_DOUBLE_EQ(D.a[4][4], 400.0);
  EXPECT_DOUBLE_EQ(D.a[6][6], 400.0);
  EXPECT_EQ(D.a[1][4], 0.0);
}

TEST(ElasticDeath, PoissonOutsideTheAdmissibleRangeIsRefused) {
  M6 D;
  const std::string msg = Lit("\nERROR:\nPoisson's coefficient must be greater than -1 and less than 0.5.\n"
                              "The Poisson's coefficient value must be changed.\n");
  for (double nu : {0.5, 0.7, -1.0, -2.0, std::nan("")})
    EXPECT_EXIT(CalcMat_De_Iso3D(6, 6, nu, 1.0, D.a), testing::ExitedWithCode(1), msg) << nu;
  CalcMat_De_Iso3D(6, 6, 0.4999, 1.0, D.a);
  CalcMat_De_Iso3D(6, 6, -0.999, 1.0, D.a);
}

TEST(Elastic, OrthotropicMatrixInvertsTheCompliance) {
  const double E1 = 200, E2 = 50, E3 = 20, G23 = 7, G31 = 9, G12 = 11, nu23 = 0.3, nu31 = 0.05, nu12 = 0.25;
  M6 D, S;
  CalcMat_De_Ortho3D(1, 6, 6, nu12, nu23, nu31, G12, G23, G31, E1, E2, E3, D.a);
  // Compliance with nu_ij / E_i = nu_ji / E_j.
  const double nu13 = nu31 * E1 / E3;
  zerod2(S.a, 6, 6);
  S.a[1][1] = 1 / E1;
  S.a[2][2] = 1 / E2;
  S.a[3][3] = 1 / E3;
  S.a[1][2] = S.a[2][1] = -nu12 / E1;
  S.a[2][3] = S.a[3][2] = -nu23 / E2;
  S.a[1][3] = S.a[3][1] = -nu13 / E1;
  S.a[4][4] = 1 / G23;
  S.a[5][5] = 1 / G31;
  S.a[6][6] = 1 / G12;
  for (int i = 1; i <= 6; i++)
    for (int j = 1; j <= 6; j++) {
      double s = 0.0;
      for (int k = 1; k <= 6; k++) s += D.a[i][k] * S.a[k][j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-12) << i << "," << j;
      EXPECT_NEAR(D.a[i][j], D.a[j][i], 1e-12 * std::fabs(D.a[1][1]));
    }
}

TEST(Elastic, OrthotropicWithIsotropicConstantsIsTheIsotropicMatrix) {
  const double E = 3e4, nu = 0.2, G = E / (2 * (1 + nu));
  M6 D, Di;
  CalcMat_De_Ortho3D(1, 6, 6, nu, nu, nu, G, G, G, E, E, E, D.a);
  CalcMat_De_Iso3D(6, 6, nu, E, Di.a);
  for (int i = 1; i <= 6; i++)
    for (int j = 1; j <= 6; j++) EXPECT_NEAR(D.a[i][j], Di.a[i][j], 1e-10 * E);
}

TEST(ElasticDeath, OrthotropicNullModuliAndPoissonInteraction) {
  M6 D;
  EXPECT_EXIT(CalcMat_De_Ortho3D(7, 6, 6, 0.1, 0.1, 0.1, 1, 1, 1, 0.0, 0.0, 0.0, D.a), testing::ExitedWithCode(1),
              Lit("\nCalculate the elasticity matrix (D) of element n. 7\nYoung's modulus - l1 is null:\n"
                  "Young's modulus - l2 is null:\nYoung's modulus - l3 is null:\n\nERROR:\n"
                  "Young's modulus value must be changed.\n"));
  EXPECT_EXIT(CalcMat_De_Ortho3D(7, 6, 6, 0.1, 0.1, 0.1, 1, 1, 1, 1.0, 1e-9, 1.0, D.a), testing::ExitedWithCode(1),
              Lit("element n. 7\nYoung's modulus - l2 is null:\n\nERROR:\n"));
  // nu = 0.5 in all three planes: the normal block is singular.
  EXPECT_EXIT(CalcMat_De_Ortho3D(7, 6, 6, 0.5, 0.5, 0.5, 1, 1, 1, 1.0, 1.0, 1.0, D.a), testing::ExitedWithCode(1),
              Lit("\n\nERROR:\nThe interaction between Poisson's coefficients is null.\n"
                  "The Poisson's coefficients value must be changed.\n"));
}

TEST(Elastic, MaterialAngleFromCoordinateSystem) {
  // Element axes turned 90 degrees about x3: x' = (0, 1, 0), y' = (-1, 0, 0).
  double** T;
  allocd2(&T, 3, 3);
  zerod2(T, 3, 3);
  T[1][2] = 1;
  T[2][1] = -1;
  T[3][3] = 1;
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  AuxiliaryVector aux[5]{};
  CoordinateSystem cs[3]{};
  aux[1].v[1] = c, aux[1].v[2] = s;    // l1 at 30 degrees from x1
  aux[2].v[1] = -s, aux[2].v[2] = c;
  aux[3].v[3] = 1.0;
  aux[4].v[3] = -1.0;
  cs[1].AuxVector[1] = 1, cs[1].AuxVector[2] = 2, cs[1].AuxVector[3] = 3;
  cs[2].AuxVector[1] = 1, cs[2].AuxVector[2] = 2, cs[2].AuxVector[3] = 4;
  double alpha;
  CalcMat_D_MatCoordSys(1, 3, "MAT", &alpha, T, aux, cs);
  EXPECT_NEAR(alpha, M_PI / 6 - M_PI / 2, 1e-14);
  // Axis 3 against the normal is accepted.
  CalcMat_D_MatCoordSys(2, 3, "MAT", &alpha, T, aux, cs);
  EXPECT_NEAR(alpha, M_PI / 6 - M_PI / 2, 1e-14);
  // Axis 3 tilted by 2e-8 out of the normal.
  aux[3].v[1] = 2e-8;
  EXPECT_EXIT(CalcMat_D_MatCoordSys(1, 3, "CONCRETE", &alpha, T, aux, cs), testing::ExitedWithCode(1),
              Lit("\nCalculating the elasticity matrix of element n. 3\nSpecified material coordinate system: "
                  "CONCRETE\n\nERROR:\nThe specified material coordinate system must be\ncoplanar with the local "
                  "coordinate system.\n"));
  freed2(T);
}
