// Softening laws of the smeared cracks: worked examples, energy balance by quadrature,
// slopes against differences, critical fracture energy, new-crack energy and the
// principal stresses.
#include <gtest/gtest.h>

#include <cmath>

#include "materials/crack/softening.h"

namespace {

constexpr const char* kInternal = "INTERNAL ERROR";
constexpr double kPi = 3.14159265358979323846;

const CrackLawShape kTri{0.1, 0.5, 0.4, 0.2, 0.0, 0.0};
const CrackLawShape kQuad{0.1, 0.6, 0.3, 0.35, 0.6, 0.1};
const CrackLawShape kRilem{0.1, 0.6, 0.3, 0.35, 0.0, 0.0};

struct LawCase {
  int law;
  CrackLawShape shape;
};
const LawCase kEnergyLaws[] = {{kLawTrilinear, kTri}, {kLawCornelissen, kTri}, {kLawQuadrilinear, kQuad}};

// h * integral of sigma over [a, b] by composite Simpson (the laws are smooth inside
// [a, b] when a, b bracket one segment).
double Integral(int law, const CrackLawShape& s, double ft, double gf, double h, double a, double b) {
  const int n = 2000;
  const double dx = (b - a) / n;
  double sum = 0.0;
  for (int i = 0; i <= n; i++) {
    const double w = (i == 0 || i == n) ? 1.0 : (i % 2 == 1 ? 4.0 : 2.0);
    sum += w * CrNormalStressSoft(law, ft, gf, h, a + i * dx, s, 0.0);
  }
  return h * sum * dx / 3.0;
}

}  // namespace

TEST(CrackSoftening, WorkedExamplesOfTheFourLaws) {
  // Trilinear: ft 3, Gf 0.1, h 0.1.
  const double eu = CrUltNormalStrain(kLawTrilinear, 3, 0.1, 0.1, kTri);
  EXPECT_NEAR(CrackAreaD3(kTri), 0.48, 1e-15);
  EXPECT_NEAR(eu, 1.3888888888888888, 1e-12);
  struct Pt {
    double eps, sigma;
  };
  for (Pt p : {Pt{0, 3}, Pt{0.05, 2.46}, Pt{0.1 * eu, 1.5}, Pt{0.2, 1.368}, Pt{0.8, 0.424}, Pt{eu, 0}, Pt{eu * 1.0001, 0}})
    EXPECT_NEAR(CrNormalStressSoft(kLawTrilinear, 3, 0.1, 0.1, p.eps, kTri, 0), p.sigma, 1e-12) << p.eps;
  EXPECT_NEAR(CrNormalSlopeSoft(kLawTrilinear, 3, 0.1, 0.1, 0.05, kTri, 0), -10.8, 1e-12);
  EXPECT_NEAR(CrNormalSlopeSoft(kLawTrilinear, 3, 0.1, 0.1, 0.2, kTri, 0), -2.16, 1e-12);
  EXPECT_NEAR(CrNormalSlopeSoft(kLawTrilinear, 3, 0.1, 0.1, 0.8, kTri, 0), -0.72, 1e-12);
  EXPECT_NEAR(CrConsumedGf(kThreeLaws, kLawTrilinear, 3, 0.1, 0.1, kTri, 0.05), 0.01365, 1e-12);
  EXPECT_NEAR(CrConsumedGf(kThreeLaws, kLawTrilinear, 3, 0.1, 0.1, kTri, 0.2), 0.0400133, 1e-7);
  EXPECT_NEAR(CrConsumedGf(kThreeLaws, kLawTrilinear, 3, 0.1, 0.1, kTri, 0.8), 0.0875156, 1e-7);
  EXPECT_NEAR(CrConsumedGf(kThreeLaws, kLawTrilinear, 3, 0.1, 0.1, kTri, eu), 0.1, 1e-14);
  EXPECT_EQ(CrConsumedGf(kThreeLaws, kLawTrilinear, 3, 0.1, 0.1, kTri, 2 * eu), 0.1);

  // Quadrilinear.
  const double eq = CrUltNormalStrain(kLawQuadrilinear, 3, 0.1, 0.1, kQuad);
  EXPECT_NEAR(CrackAreaD4(kQuad), 0.525, 1e-15);
  EXPECT_NEAR(eq, 1.2698413, 1e-7);
  const double fq[4] = {0.05, 0.2, 0.45, 0.8}, sq[4] = {2.4, 1.425, 0.675, 0.15},
               dq[4] = {-9.45, -2.953125, -1.96875, -0.590625};
  for (int i = 0; i < 4; i++) {
    EXPECT_NEAR(CrNormalStressSoft(kLawQuadrilinear, 3, 0.1, 0.1, fq[i] * eq, kQuad, 0), sq[i], 1e-12);
    EXPECT_NEAR(CrNormalSlopeSoft(kLawQuadrilinear, 3, 0.1, 0.1, fq[i] * eq, kQuad, 0), dq[i], 1e-12);
  }
  EXPECT_NEAR(CrConsumedGf(kFourLaws, kLawQuadrilinear, 3, 0.1, 0.1, kQuad, 0.3 * eq), 0.0666667, 1e-7);
  EXPECT_NEAR(CrConsumedGf(kFourLaws, kLawQuadrilinear, 3, 0.1, 0.1, kQuad, 0.6 * eq), 0.0923810, 1e-7);

  // Cornelissen.
  const double ec = CrUltNormalStrain(kLawCornelissen, 3, 0.1, 0.1, kTri);
  EXPECT_NEAR(CornelissenArea(), 0.1947020, 1e-7);
  EXPECT_NEAR(ec, 1.7120184, 1e-7);
  EXPECT_NEAR(CrNormalStressSoft(kLawCornelissen, 3, 0.1, 0.1, 0.1 * ec, kTri, 0), 1.5325115, 1e-7);
  EXPECT_NEAR(CrNormalStressSoft(kLawCornelissen, 3, 0.1, 0.1, 0.5 * ec, kTri, 0), 0.3693822, 1e-7);
  EXPECT_NEAR(CrNormalStressSoft(kLawCornelissen, 3, 0.1, 0.1, ec, kTri, 0), 0.0, 1e-14);
  EXPECT_NEAR(CrConsumedGf(kThreeLaws, kLawCornelissen, 3, 0.1, 0.1, kTri, 0.1 * ec), 0.0371814, 1e-7);
  EXPECT_NEAR(CrConsumedGf(kThreeLaws, kLawCornelissen, 3, 0.1, 0.1, kTri, 0.5 * ec), 0.0864806, 1e-7);
  EXPECT_NEAR(CrNormalSlopeSoft(kLawCornelissen, 3, 0.1, 0.1, 0, kTri, 0), -12.191546, 1e-6);
  EXPECT_NEAR(CrNormalSlopeSoft(kLawCornelissen, 3, 0.1, 0.1, 0.5 * ec, kTri, 0), -0.5997554, 1e-7);
  EXPECT_NEAR(CrNormalSlopeSoft(kLawCornelissen, 3, 0.1, 0.1, ec, kTri, 0), -0.2417099, 1e-7);

  // RILEM: the fracture-energy position carries eps_u = 0.02; eps0 = 1e-4.
  struct R {
    double eps, sigma;
  };
  for (R p : {R{0, 3.0631579}, R{0.001, 2.4315789}, R{0.003, 1.6125}, R{0.01, 0.75}, R{0.021, 0}})
    EXPECT_NEAR(CrNormalStressSoft(kLawRilem, 3, 0.02, 0.1, p.eps, kRilem, 1e-4), p.sigma, 1e-7) << p.eps;
  EXPECT_NEAR(CrNormalSlopeSoft(kLawRilem, 3, 0.02, 0.1, 0.001, kRilem, 1e-4), -631.57895, 1e-5);
  EXPECT_NEAR(CrNormalSlopeSoft(kLawRilem, 3, 0.02, 0.1, 0.003, kRilem, 1e-4), -187.5, 1e-9);
  EXPECT_NEAR(CrNormalSlopeSoft(kLawRilem, 3, 0.02, 0.1, 0.01, kRilem, 1e-4), -75, 1e-9);
  EXPECT_EQ(CrConsumedGf(kThreeLaws, kLawRilem, 3, 0.02, 0.1, kRilem, 0.01), 0.0);
  EXPECT_EQ(CrUltNormalStrain(kLawRilem, 3, 0.02, 0.1, kRilem), 0.02);
}

// The energy a law dissipates over its whole opening, h times the area under the
// curve, is the fracture energy; the closed-form consumed energy follows the quadrature.
TEST(CrackSoftening, DissipatedEnergyEqualsFractureEnergy) {
  const double ft = 3, gf = 0.1, h = 100;
  for (const LawCase& c : kEnergyLaws) {
    const double eu = CrUltNormalStrain(c.law, ft, gf, h, c.shape);
    const double xi[6] = {0, c.shape.xi1, c.shape.xi2, c.law == kLawQuadrilinear ? c.shape.xi3 : c.shape.xi2, 1, 1};
    double total = 0, a = 0;
    for (int i = 1; i <= 4; i++) {
      const double b = (c.law == kLawCornelissen ? (i == 4 ? 1.0 : 0.25 * i) : xi[i]) * eu;
      if (b > a) {
        total += Integral(c.law, c.shape, ft, gf, h, a, b);
        EXPECT_NEAR(CrConsumedGf(kFourLaws, c.law, ft, gf, h, c.shape, b), total, 1e-9) << c.law;
      }
      a = std::max(a, b);
    }
    EXPECT_NEAR(total, gf, 1e-9) << c.law;
  }
}

// Slope = central difference of the stress, inside each segment of every law.
TEST(CrackSoftening, SlopesAreDerivativesOfTheStress) {
  const double ft = 3, gf = 0.1, h = 100, eps0 = 1e-4;
  const LawCase all[] = {{kLawTrilinear, kTri}, {kLawCornelissen, kTri}, {kLawQuadrilinear, kQuad},
                         {kLawRilem, kRilem}};
  for (const LawCase& c : all) {
    const double g = c.law == kLawRilem ? 0.02 : gf;
    const double eu = CrUltNormalStrain(c.law, ft, g, h, c.shape);
    for (double f : {0.05, 0.2, 0.35, 0.45, 0.7, 0.95}) {
      const double e = f * eu, de = 1e-7 * eu;
      const double fd = (CrNormalStressSoft(c.law, ft, g, h, e + de, c.shape, eps0) -
                         CrNormalStressSoft(c.law, ft, g, h, e - de, c.shape, eps0)) /
                        (2 * de);
      const double s = CrNormalSlopeSoft(c.law, ft, g, h, e, c.shape, eps0);
      EXPECT_NEAR(s, fd, 1e-6 * std::fabs(s)) << c.law << " " << f;
    }
  }
  // Linear shear: from (gamma0, tau0) to gamma_u = 2 GfII / (h tau0); the triangle holds GfII / h.
  const double gu = CrUltShearStrainLinear(0.05, 100, 1.0);
  EXPECT_NEAR(gu, 1e-3, 1e-18);
  EXPECT_NEAR(CrShearStressSoftLinear(0.05, 100, 1e-4, 1.0, 1e-4), 1.0, 1e-15);
  EXPECT_NEAR(CrShearStressSoftLinear(0.05, 100, 5.5e-4, 1.0, 1e-4), 0.5, 1e-12);
  EXPECT_EQ(CrShearStressSoftLinear(0.05, 100, 2e-3, 1.0, 1e-4), 0.0);
  EXPECT_NEAR(CrShearSlopeSoftLinear(0.05, 100, 5e-4, 1.0, 1e-4), -1.0 / 9e-4, 1e-6);
  // _NLMM102's residual stiffness beyond eps_u.
  const double eu = CrUltNormalStrain(kLawTrilinear, ft, gf, h, kTri);
  EXPECT_NEAR(CrNormalStressSoft(kLawTrilinear, ft, gf, h, eu + 1e-4, kTri, 0, 50.0), -5e-3, 1e-15);
}

TEST(CrackSoftening, OutsideTheDomainIsAnInternalError) {
  const double eu = CrUltNormalStrain(kLawTrilinear, 3, 0.1, 0.1, kTri);
  EXPECT_DEATH(CrNormalStressSoft(kLawTrilinear, 3, 0.1, 0.1, -1e-3, kTri, 0), kInternal);
  EXPECT_DEATH(CrNormalSlopeSoft(kLawTrilinear, 3, 0.1, 0.1, 1.01 * eu, kTri, 0), kInternal);
  EXPECT_DEATH(CrNormalSlopeSoft(kLawCornelissen, 3, 0.1, 0.1, 10, kTri, 0), kInternal);
  EXPECT_DEATH(CrUltNormalStrain(kLawTrilinear, 0, 0.1, 0.1, kTri), kInternal);
  EXPECT_DEATH(CrUltNormalStrain(kLawTrilinear, 3, 0.1, 0, kTri), kInternal);
  EXPECT_DEATH(CrShearStressSoftLinear(0.05, 100, 1e-5, 1.0, 1e-4), kInternal);
  EXPECT_DEATH(CrConsumedGf(kThreeLaws, kLawQuadrilinear, 3, 0.1, 0.1, kQuad, 0.1), kInternal);
  EXPECT_DEATH(CrConsumedGf(kFourLaws, 5, 3, 0.1, 0.1, kQuad, 0.1), kInternal);
  EXPECT_DEATH(CriticalGfCoefficient(kThreeLaws, kLawQuadrilinear, kQuad), kInternal);
  EXPECT_DEATH(CrNormalStressSoft(kLawTrilinear, 3, 0.1, 0.1, std::nan(""), kTri, 0), kInternal);
  // Cornelissen takes a negative strain: a stress above ft.
  EXPECT_GT(CrNormalStressSoft(kLawCornelissen, 3, 0.1, 0.1, -1e-3, kTri, 0), 3.0);
}

TEST(CrackSoftening, CriticalFractureEnergy) {
  EXPECT_NEAR(CriticalGfCoefficient(kThreeLaws, kLawTrilinear, kTri), 1.2, 1e-15);
  EXPECT_NEAR(CriticalGfCoefficient(kThreeLaws, kLawTrilinear, CrackLawShape{0.1, 0.5, 0.5, 0.2, 0, 0}), 1.325,
              1e-15);
  EXPECT_NEAR(CriticalGfCoefficient(kThreeLaws, kLawCornelissen, kTri), 1.3546162617734907, 1e-14);
  EXPECT_NEAR(CriticalGfCoefficient(kFourLaws, kLawQuadrilinear, kQuad), 1.05, 1e-15);
  EXPECT_NEAR(CriticalFractureField(kThreeLaws, kLawTrilinear, kTri, 3, 100, 30000), 0.036, 1e-15);
  // At the critical energy the steepest softening modulus equals -E: the stress-strain
  // diagram of the band turns vertical, the edge of snap-back; above it it is flatter.
  const double gc = CriticalFractureField(kThreeLaws, kLawTrilinear, kTri, 3, 100, 30000);
  EXPECT_NEAR(CrNormalSlopeSoft(kLawTrilinear, 3, gc, 100, 0, kTri, 0), -30000, 1e-8);
  EXPECT_GT(CrNormalSlopeSoft(kLawTrilinear, 3, 1.1 * gc, 100, 0, kTri, 0), -30000);
  // RILEM compares in strain: k = 1.19, D3 = 0.595, bound 2 k ft / (D3 E) = 4e-4 whatever h.
  EXPECT_NEAR(CriticalGfCoefficient(kThreeLaws, kLawRilem, kRilem), 1.19, 1e-15);
  EXPECT_NEAR(CrackAreaD3(kRilem), 0.595, 1e-15);
  EXPECT_NEAR(CriticalFractureField(kThreeLaws, kLawRilem, kRilem, 3, 100, 30000), 4.0e-4, 1e-18);
  EXPECT_NEAR(CriticalFractureField(kThreeLaws, kLawRilem, kRilem, 3, 1, 30000), 4.0e-4, 1e-18);
  EXPECT_GE(0.02, CriticalFractureField(kThreeLaws, kLawRilem, kRilem, 3, 100, 30000));
}

TEST(CrackSoftening, FractureEnergyOfANewCrack) {
  // Law 1, ft 3, Gf 0.1, h 100, E 30000; crack 1 reached 2.586207e-4.
  const double em = 2.586207e-4;
  const double gc = 100 * ((3 + 1.5) / 2 * 1.388889e-4 + (1.5 + 1.241379) / 2 * 1.197318e-4);
  EXPECT_NEAR(CrConsumedGf(kThreeLaws, kLawTrilinear, 3, 0.1, 100, kTri, em), gc, 1e-7);
  EXPECT_NEAR(gc, 0.0476615, 1e-7);
  auto gnew = [&](double theta, double p, int n = 1) {
    return NewCrackFractureField(kThreeLaws, kLawTrilinear, kTri, n, 4, 3, 0.1, 100, em, theta, p, 3, 100, 30000);
  };
  EXPECT_NEAR(gnew(kPi / 2, 1), 0.1, 1e-15);
  EXPECT_NEAR(gnew(0, 1), 0.0523385, 1e-7);
  EXPECT_NEAR(gnew(kPi / 4, 1), 0.0761692, 1e-7);
  EXPECT_NEAR(gnew(kPi / 4, 2), 0.0642539, 1e-7);
  // The first crack takes its slot's energy, raised to the critical value.
  EXPECT_EQ(gnew(0, 1, 0), 0.1);
  EXPECT_NEAR(NewCrackFractureField(kThreeLaws, kLawTrilinear, kTri, 0, 4, 3, 0.01, 100, 0, 0, 1, 3, 100, 30000),
              0.036, 1e-15);
  EXPECT_DEATH(gnew(0, 1, 4), kInternal);
  EXPECT_DEATH(NewCrackFractureField(kThreeLaws, kLawTrilinear, kTri, 2, 2, 3, 0.1, 100, em, 0, 1, 3, 100, 30000),
               kInternal);
  // RILEM keeps its ultimate strain: nothing consumed, compared in strain.
  EXPECT_EQ(NewCrackFractureField(kThreeLaws, kLawRilem, kRilem, 1, 4, 3, 0.02, 100, 1e-3, 0, 1, 3, 100, 30000),
            0.02);
  // Angles between cracks fold into [0, pi/2].
  EXPECT_NEAR(CrackAngleBetween2D(0.1, 0.1 + kPi), 0.0, 1e-12);
  EXPECT_NEAR(CrackAngleBetween2D(-kPi / 4, kPi / 2), kPi / 4, 1e-12);
  const double n1[4] = {0, 1, 0, 0}, n2[4] = {0, -1 / std::sqrt(2.0), 1 / std::sqrt(2.0), 0};
  EXPECT_NEAR(CrackAngleBetween3D(n1, n2), kPi / 4, 1e-12);
}

TEST(CrackSoftening, PrincipalStresses2D) {
  struct Case {
    double sx, sy, txy, major, minor, angle;
  };
  // Hand values: (10, 2, 3): centre 6, radius 5; angle atan(6/8)/2.
  const Case cases[] = {
      {10, 2, 3, 11, 1, std::atan(0.75) / 2},
      {2, 10, 3, 11, 1, std::atan(-0.75) / 2 + kPi / 2},
      {0, 0, 4, 4, -4, std::atan(8 / 1e-8) / 2},
      {0, 0, -4, 4, -4, std::atan(-8 / 1e-8) / 2},
      {5, 5, 0, 5, 5, kPi / 2},
      {-3, 1, 0, 1, -3, kPi / 2},
  };
  for (const Case& c : cases) {
    const double s[4] = {0, c.sx, c.sy, c.txy};
    double a, ma, mi;
    CalcPrincipalStresses2D(&a, &ma, &mi, s);
    EXPECT_NEAR(ma, c.major, 1e-12) << c.sx << " " << c.sy << " " << c.txy;
    EXPECT_NEAR(mi, c.minor, 1e-12);
    EXPECT_NEAR(a, c.angle, 1e-12);
    EXPECT_GT(a, -kPi / 2);
    EXPECT_LE(a, kPi / 2);
    // The major direction carries the major stress.
    const double c2 = std::cos(a), s2 = std::sin(a);
    EXPECT_NEAR(c2 * c2 * c.sx + s2 * s2 * c.sy + 2 * s2 * c2 * c.txy, ma, 1e-9);
  }
}

// Transverse shear of a cracked shell: tauP 2 at gP 1e-4, GfII 0.05, h 100.
TEST(CrackSoftening, TransverseShearOfShells) {
  const double tp = 2, gp = 1e-4, g2 = 0.05, h = 100;
  // Linear: gU = gP + 2 GfII / (h tauP) = 6e-4; the softening triangle holds GfII / h.
  const double gu = TransverseShearUltStrain(1, g2, h, tp, gp, kTri);
  EXPECT_NEAR(gu, 6e-4, 1e-18);
  EXPECT_NEAR(h * 0.5 * tp * (gu - gp), g2, 1e-15);
  EXPECT_NEAR(TransverseShearEnvelope(1, g2, h, tp, gp, kTri, 3.5e-4), 1.0, 1e-12);
  EXPECT_EQ(TransverseShearEnvelope(1, g2, h, tp, gp, kTri, 7e-4), 0.0);
  // Secant: back to the origin from the envelope at gMax.
  EXPECT_NEAR(TransverseShearUnloRelo(1, g2, h, tp, gp, kTri, 3.5e-4, 1.75e-4), 0.5, 1e-12);
  // Trilinear and Cornelissen: the normal laws shifted by gP, with tauP and GfII.
  const double e = 0.3 * CrUltNormalStrain(kLawTrilinear, tp, g2, h, kTri);
  EXPECT_EQ(TransverseShearEnvelope(2, g2, h, tp, gp, kTri, gp + e),
            CrNormalStressSoft(kLawTrilinear, tp, g2, h, e, kTri, 0));
  EXPECT_NEAR(TransverseShearUltStrain(3, g2, h, tp, gp, kTri) - gp,
              CrUltNormalStrain(kLawCornelissen, tp, g2, h, kTri), 1e-18);
  EXPECT_NEAR(TransverseShearUnloRelo(3, g2, h, tp, gp, kTri, 2 * gp, gp),
              0.5 * CrNormalStressSoft(kLawCornelissen, tp, g2, h, gp, kTri, 0), 1e-12);
  EXPECT_DEATH(TransverseShearEnvelope(4, g2, h, tp, gp, kTri, 2 * gp), kInternal);
  EXPECT_DEATH(TransverseShearEnvelope(1, g2, h, tp, gp, kTri, 0.5 * gp), kInternal);
}
