// Concrete plasticity of plane and solid points: the Ottosen criterion and the meridian
// surface against hand values and their derivatives against central differences; the
// models at one point: first yield, the strength of uniaxial paths, the plateau and the
// peak, hydrostatic tension, the Newton step of the hardening residual and the tangents
// against central differences of the update.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "materials/elastic.h"
#include "materials/material_point.h"
#include "materials/plasticity/concrete_plasticity.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/material_driver.h"

using matdriver::ContinuumPoint;

namespace {

constexpr double kE = 30000.0, kFc = 30.0, kFct = 3.0, kEpsC1 = 0.0022, kAlpha0 = 0.3;
constexpr double kPi = 3.14159265358979323846;

struct Mat {
  double** a;
  int n;
  explicit Mat(int rows) : n(rows) {
    allocd2(&a, rows, rows);
    zerod2(a, rows, rows);
  }
  ~Mat() { freed2(a); }
  Mat(const Mat&) = delete;
  Mat& operator=(const Mat&) = delete;
  double* operator[](int i) const { return a[i]; }
};

// The invariants of a stress with their derivatives.
struct Inv {
  StressInvariants v{};
  Inv(int n, const double* s) {
    AllocStressInvariants(n, &v);
    CalcStressInvariantsAndDerivs(n, s, &v);
  }
  ~Inv() { FreeStressInvariants(&v); }
  Inv(const Inv&) = delete;
  Inv& operator=(const Inv&) = delete;
};

struct Coefs {
  MeridianCoefs m{};
  Coefs(int n, const double* s, const MeridianRadii& r) {
    AllocMeridianCoefs(n, &m);
    Inv i(n, s);
    CalcMeridianCoefs_NLMM125(n, r, i.v, kFc, &m);
  }
  ~Coefs() { FreeMeridianCoefs(&m); }
  Coefs(const Coefs&) = delete;
  Coefs& operator=(const Coefs&) = delete;
};

struct Ott {
  OttosenDerivs d{};
  Ott(int n, const OttosenParams& p, const double* s, double sY) {
    AllocOttosenDerivs(n, &d);
    Inv i(n, s);
    CalcOttosenDerivs(n, p, i.v, sY, &d);
  }
  ~Ott() { FreeOttosenDerivs(&d); }
  Ott(const Ott&) = delete;
  Ott& operator=(const Ott&) = delete;
};

using Vector = std::vector<double>;  // 1-based, entry 0 unused

// Central differences of a vector function of the stress: column j = df/ds_j.
std::vector<Vector> Columns(int n, const double* s, double h, const std::function<Vector(const double*)>& f) {
  std::vector<Vector> cols(static_cast<size_t>(n + 1));
  for (int j = 1; j <= n; j++) {
    double p[7], m[7];
    for (int k = 1; k <= n; k++) p[k] = m[k] = s[k];
    p[j] += h;
    m[j] -= h;
    const Vector fp = f(p), fm = f(m);
    Vector c(fp.size());
    for (size_t i = 1; i < fp.size(); i++) c[i] = (fp[i] - fm[i]) / (2.0 * h);
    cols[static_cast<size_t>(j)] = c;
  }
  return cols;
}

Vector Of(int n, const double* x) { return Vector(x, x + n + 1); }
Vector One(double x) { return {0.0, x}; }

// |a - b| within tol times the largest entry of b.
void ExpectVector(int n, const double* a, const std::vector<Vector>& cols, int row, double tol, const char* what) {
  double big = 0.0;
  for (int j = 1; j <= n; j++) big = std::max(big, std::fabs(cols[static_cast<size_t>(j)][static_cast<size_t>(row)]));
  for (int j = 1; j <= n; j++)
    EXPECT_NEAR(a[j], cols[static_cast<size_t>(j)][static_cast<size_t>(row)], tol * std::max(big, 1e-12))
        << what << " " << j;
}

void ExpectMatrix(int n, double** A, const std::vector<Vector>& cols, double tol, const char* what) {
  double big = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) big = std::max(big, std::fabs(cols[static_cast<size_t>(j)][static_cast<size_t>(i)]));
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++)
      EXPECT_NEAR(A[i][j], cols[static_cast<size_t>(j)][static_cast<size_t>(i)], tol * big) << what << " " << i << j;
}

// Principal stresses (six-vector) at the Haigh-Westergaard coordinates xi, rho, theta.
void Principal(double xi, double rho, double theta, double* s) {
  for (int i = 1; i <= 6; i++) s[i] = 0.0;
  for (int i = 1; i <= 3; i++)
    s[i] = xi / std::sqrt(3.0) + std::sqrt(2.0 / 3.0) * rho * std::cos(theta - 2.0 * kPi * (i - 1) / 3.0);
}

MaterialRecord Record123(int law) {
  return matdriver::RecordWithInts({0.0, 0.0, 0.2, kE, kFc, kFct, kEpsC1, kAlpha0, double(law)}, {9});
}
MaterialRecord Record125(int law, double v73 = 0.0, double v74 = 0.0) {
  return matdriver::RecordWithInts({0.0, 0.0, 0.2, kE, kFc, kFct, kEpsC1, kAlpha0, double(law), v73, v74, 7.0, 8.0, 9.0},
                                   {9});
}
MaterialRecord Record122() { return matdriver::Record({0.0, 0.0, 0.2, kE, kFc, kFct, kEpsC1, kAlpha0}); }

// G of the meridian surface at a stress.
double G125(int n, const double* s, const MeridianRadii& r, double sY) {
  Inv i(n, s);
  Coefs c(n, s, r);
  return CalcYieldFunc_NLMM151(i.v.I1, i.v.J2, c.m.c, c.m.b, c.m.a, sY);
}

// Stress t d on the surface G = 0 at sY = 1 (bisection on the ray of d).
double Cut(const double* d, const MeridianRadii& r) {
  double lo = 1e-3, hi = 5.0, s[7];
  for (int k = 0; k < 200; k++) {
    const double t = 0.5 * (lo + hi);
    for (int i = 1; i <= 6; i++) s[i] = t * d[i];
    (G125(6, s, r, 1.0) < 0.0 ? lo : hi) = t;
  }
  return 0.5 * (lo + hi);
}

// Generic stresses: cos 3theta of both signs, in the three component layouts.
const std::vector<Vector> kStates = {{0, -20, -8, -3, 2.5, -1.7, 4.1}, {0, 5, -14, -26, -3.5, 1.2, 2.0},
                                     {0, -21, -6, 3.3},                {0, -4, -22, -9, 5.5}};

const double kUC[7] = {0, -1, 0, 0, 0, 0, 0}, kUT[7] = {0, 1, 0, 0, 0, 0, 0}, kEBC[7] = {0, -1, -1, 0, 0, 0, 0};

}  // namespace

TEST(OttosenCriterion, ConstantsAndEquivalentStressOfTheMeridianStates) {
  const OttosenParams p = CalcOttosenParams(kFc, kFct);
  EXPECT_NEAR(p.alpha, 2.790985, 1e-6);
  EXPECT_NEAR(p.beta, 3.402501, 1e-6);
  EXPECT_NEAR(p.c1, 11.347546, 1e-6);
  EXPECT_NEAR(p.c2, 0.99388, 1e-12);
  struct Case {
    const double* s;
    double seq;
  };
  for (const Case& c : {Case{kUC, 1.005532}, Case{kUT, 10.042193}, Case{kEBC, 0.844144}}) {
    Inv i(6, c.s);
    const double l = CalcLambdaOtt(p, i.v.J2, i.v.J3);
    if (c.s == kUC) {
      EXPECT_NEAR(l, 6.032426, 1e-6);
    }
    const double seq = CalcOttosenYieldFunc(p, i.v.I1, i.v.J2, l);
    EXPECT_NEAR(seq, c.seq, 1e-6);
    // Homogeneous of degree one; G = 0 where seq = sY.
    double s2[7];
    for (int k = 1; k <= 6; k++) s2[k] = 7.0 * c.s[k];
    Inv i2(6, s2);
    EXPECT_NEAR(CalcYieldFunc_NLMM122(p, i2.v, 7.0 * seq), 0.0, 1e-12);
  }
}

TEST(OttosenCriterion, DerivativesMatchCentralDifferences) {
  const OttosenParams p = CalcOttosenParams(kFc, kFct);
  const double sY = 5.0, h = 1e-4, tol = 1e-6;
  for (const Vector& st : kStates) {
    const int n = static_cast<int>(st.size()) - 1;
    SCOPED_TRACE(n);
    const double* s = st.data();
    Ott o(n, p, s, sY);
    const OttosenDerivs& d = o.d;
    const auto lambda = [&](const double* x) {
      Inv i(n, x);
      return One(CalcLambdaOtt(p, i.v.J2, i.v.J3));
    };
    ExpectVector(n, d.dl, Columns(n, s, h, lambda), 1, tol, "dlambda");
    ExpectMatrix(n, d.d2l, Columns(n, s, h, [&](const double* x) { return Of(n, Ott(n, p, x, sY).d.dl); }), tol,
                 "d2lambda");
    const auto G = [&](const double* x, double y) {
      Inv i(n, x);
      return CalcYieldFunc_NLMM122(p, i.v, y);
    };
    ExpectVector(n, d.dG, Columns(n, s, h, [&](const double* x) { return One(G(x, sY)); }), 1, tol, "dG");
    ExpectMatrix(n, d.d2G, Columns(n, s, h, [&](const double* x) { return Of(n, Ott(n, p, x, sY).d.dG); }), tol,
                 "d2G");
    ExpectVector(n, d.dseq, Columns(n, s, h, [&](const double* x) {
                   Inv i(n, x);
                   return One(CalcOttosenYieldFunc(p, i.v.I1, i.v.J2, CalcLambdaOtt(p, i.v.J2, i.v.J3)));
                 }),
                 1, tol, "dseq");
    ExpectMatrix(n, d.d2seq, Columns(n, s, h, [&](const double* x) { return Of(n, Ott(n, p, x, sY).d.dseq); }), tol,
                 "d2seq");
    // The sY derivatives and the mixed vectors in both orders.
    const double e = 1e-4;
    EXPECT_NEAR(d.g1, (G(s, sY + e) - G(s, sY - e)) / (2 * e), 1e-8);
    EXPECT_NEAR(d.g2, (Ott(n, p, s, sY + e).d.g1 - Ott(n, p, s, sY - e).d.g1) / (2 * e), 1e-8);
    ExpectVector(n, d.m2, Columns(n, s, h, [&](const double* x) { return One(Ott(n, p, x, sY).d.g1); }), 1, tol, "m2");
    Ott up(n, p, s, sY + e), down(n, p, s, sY - e);
    for (int i = 1; i <= n; i++) {
      EXPECT_NEAR(d.m1[i], (up.d.dG[i] - down.d.dG[i]) / (2 * e), 1e-8) << i;
      EXPECT_NEAR(d.m1[i], d.m2[i], 1e-10) << i;
    }
  }
  // cos 3theta exactly 0 (pure shear) takes the branch arccos(t)/3: lambda = c1 cos(pi/6).
  const double shear[7] = {0, 0, 0, 0, 0, 0, 5.0};
  Inv i(6, shear);
  EXPECT_NEAR(CalcLambdaOtt(p, i.v.J2, i.v.J3), p.c1 * std::cos(kPi / 6.0), 1e-12);
}

TEST(ConcreteSurface, RadiiAndMeridiansOfNlmm125) {
  const MeridianRadii r = CalcMeridianParam_NLMM125(Record125(1, 0.0, 99.0));
  EXPECT_EQ(r.rt[1], 1.3063097613381442);  // value 73 = 0: 74 to 77 do not matter
  EXPECT_EQ(r.rt[2], 2.291722791445375);
  for (int l = 1; l <= 2; l++) {
    EXPECT_NEAR(CalcEllipticRadius(0.0, r.rt[l], r.rc[l]).r, r.rt[l], 1e-13);
    EXPECT_NEAR(CalcEllipticRadius(kPi / 3.0, r.rt[l], r.rc[l]).r, r.rc[l], 1e-13);
    // r' and r'' against differences of r.
    const double t = 0.6, e = 1e-5;
    const EllipticRadius a = CalcEllipticRadius(t, r.rt[l], r.rc[l]);
    const EllipticRadius p = CalcEllipticRadius(t + e, r.rt[l], r.rc[l]), m = CalcEllipticRadius(t - e, r.rt[l], r.rc[l]);
    EXPECT_NEAR(a.dr, (p.r - m.r) / (2 * e), 1e-9);
    EXPECT_NEAR(a.d2r, (p.dr - m.dr) / (2 * e), 1e-8);
  }
  // The meridian at any Lode angle passes xi = -2 at r1 and -4 at r2.
  const double s[7] = {0, -20, -8, -3, 2.5, -1.7, 4.1};
  Inv i(6, s);
  Coefs c(6, s, r);
  const double th = CalcLodeAngle_NLMM125(i.v.J2, i.v.J3);
  const double r1 = CalcEllipticRadius(th, r.rt[1], r.rc[1]).r, r2 = CalcEllipticRadius(th, r.rt[2], r.rc[2]).r;
  EXPECT_NEAR(c.m.a + c.m.b * r1 + c.m.c * r1 * r1, -2.0, 1e-12);
  EXPECT_NEAR(c.m.a + c.m.b * r2 + c.m.c * r2 * r2, -4.0, 1e-12);
  // The surface at sY = 1 on the uniaxial and equal biaxial paths.
  EXPECT_NEAR(Cut(kUC, r), 0.996265, 1e-6);
  EXPECT_NEAR(Cut(kUT, r), 0.097537, 1e-6);
  EXPECT_NEAR(Cut(kEBC, r), 1.128617, 1e-6);
  // Meridian values other than 0 set the tensile meridian through equal biaxial
  // compression at the analytic biaxial strength (at sY = fc); the compressive one stays.
  for (double v : {1.0, 2.5, 5.0}) {
    const MaterialRecord m = matdriver::RecordWithInts(
        {0.0, 0.0, 0.2, kE, kFc, kFct, kEpsC1, kAlpha0, 1.0, 1.0, 1.0, 1.0, 1.0, v}, {9});
    const MeridianRadii q = CalcMeridianParam_NLMM125(m);
    const double fb = CalcAnaliticValueBiaxialComprStrength_NLMM125(m);
    EXPECT_GT(fb, 2.0 * v);
    EXPECT_NEAR(Cut(kEBC, q) * kFc, fb, 1e-6 * fb) << v;
    EXPECT_EQ(q.rc[1], r.rc[1]);
    EXPECT_GT(q.rt[1], r.rt[1]);
  }
}

TEST(ConcreteSurface, DerivativesMatchCentralDifferences) {
  const MeridianRadii r = CalcMeridianParam_NLMM125(Record125(1));
  const double sY = 2.0, h = 1e-4, tol = 1e-6;
  for (const Vector& st : kStates) {
    const int n = static_cast<int>(st.size()) - 1;
    SCOPED_TRACE(n);
    const double* s = st.data();
    Inv i(n, s);
    Coefs c(n, s, r);
    ASSERT_TRUE(ConcreteSurfaceRegular(i.v, c.m, sY, kFc));
    // theta and its derivatives.
    const double th = CalcLodeAngle_NLMM125(i.v.J2, i.v.J3);
    double dth[7];
    Mat d2th(n);
    CalcDerivLodeAngle(n, i.v, th, dth);
    CalcDerivEllipticRadiusDerivSigma(n, i.v, th, dth, d2th.a);
    const auto theta = [&](const double* x) {
      Inv k(n, x);
      return One(CalcLodeAngle_NLMM125(k.v.J2, k.v.J3));
    };
    const auto dtheta = [&](const double* x) {
      Inv k(n, x);
      double d[7];
      CalcDerivLodeAngle(n, k.v, CalcLodeAngle_NLMM125(k.v.J2, k.v.J3), d);
      return Of(n, d);
    };
    ExpectVector(n, dth, Columns(n, s, h, theta), 1, tol, "dtheta");
    ExpectMatrix(n, d2th.a, Columns(n, s, h, dtheta), tol, "d2theta");
    // b, c and their derivatives.
    ExpectVector(n, c.m.db, Columns(n, s, h, [&](const double* x) { return One(Coefs(n, x, r).m.b); }), 1, tol, "db");
    ExpectVector(n, c.m.dc, Columns(n, s, h, [&](const double* x) { return One(Coefs(n, x, r).m.c); }), 1, tol, "dc");
    ExpectMatrix(n, c.m.d2b, Columns(n, s, h, [&](const double* x) { return Of(n, Coefs(n, x, r).m.db); }), tol, "d2b");
    ExpectMatrix(n, c.m.d2c, Columns(n, s, h, [&](const double* x) { return Of(n, Coefs(n, x, r).m.dc); }), tol, "d2c");
    // G.
    double a[7], g[7];
    Mat A(n);
    CalcDerivYieldFuncStress(n, i.v, c.m, sY, a);
    CalcDeriv2YieldFunc_NLMM151(n, i.v, c.m, sY, A.a);
    CalcYieldFuncHelper(n, i.v, c.m, sY, g);
    const auto flow = [&](const double* x, double y) {
      Inv k(n, x);
      Coefs q(n, x, r);
      double f[7];
      CalcDerivYieldFuncStress(n, k.v, q.m, y, f);
      return Of(n, f);
    };
    ExpectVector(n, a, Columns(n, s, h, [&](const double* x) { return One(G125(n, x, r, sY)); }), 1, tol, "dG");
    ExpectMatrix(n, A.a, Columns(n, s, h, [&](const double* x) { return flow(x, sY); }), tol, "d2G");
    const double e = 1e-4;
    EXPECT_NEAR(CalcDerivHardYieldFunc(i.v, c.m, sY), (G125(n, s, r, sY + e) - G125(n, s, r, sY - e)) / (2 * e), 1e-8);
    EXPECT_NEAR(CalcDeriv2HardYieldFunc_NLMM151(i.v, c.m, sY),
                (CalcDerivHardYieldFunc(i.v, c.m, sY + e) - CalcDerivHardYieldFunc(i.v, c.m, sY - e)) / (2 * e), 1e-8);
    const Vector up = flow(s, sY + e), down = flow(s, sY - e);
    for (int k = 1; k <= n; k++) EXPECT_NEAR(g[k], (up[k] - down[k]) / (2 * e), 1e-8) << k;
  }
}

TEST(ConcreteSurface, MeridianStatesHaveTheLimitsOfTheirNeighbours) {
  // Uniaxial compression (theta = pi/3), uniaxial tension and equal biaxial compression
  // (theta = 0): dtheta/dsigma is 0/0 there. Flow vector and second derivative against
  // the states 3e-4 away from the meridian, at the same xi and rho. (The section of the
  // surface is sharply curved at the compressive meridian, r''/r = -14: at 1e-3 the
  // flow vector has turned by 2 %.)
  const MeridianRadii r = CalcMeridianParam_NLMM125(Record125(1));
  struct Case {
    const double* d;
    double theta, scale;
  };
  for (const Case& k : {Case{kUC, kPi / 3.0, 0.996265}, Case{kUT, 0.0, 0.097537}, Case{kEBC, 0.0, 1.128617}}) {
    double s[7], t[7];
    for (int i = 1; i <= 6; i++) s[i] = k.scale * k.d[i];
    Inv i0(6, s);
    const double xi = i0.v.I1 / std::sqrt(3.0), rho = std::sqrt(2.0 * i0.v.J2);
    Principal(xi, rho, k.theta, s);
    Principal(xi, rho, k.theta == 0.0 ? 3e-4 : kPi / 3.0 - 3e-4, t);
    double a[7], b[7];
    Mat A(6), B(6);
    for (int pass = 0; pass < 2; pass++) {
      const double* x = pass == 0 ? s : t;
      Inv i(6, x);
      Coefs c(6, x, r);
      CalcDerivYieldFuncStress(6, i.v, c.m, 1.0, pass == 0 ? a : b);
      CalcDeriv2YieldFunc_NLMM151(6, i.v, c.m, 1.0, pass == 0 ? A.a : B.a);
    }
    double big = 0.0, bigA = 0.0;
    for (int i = 1; i <= 6; i++) {
      big = std::max(big, std::fabs(b[i]));
      for (int j = 1; j <= 6; j++) bigA = std::max(bigA, std::fabs(B[i][j]));
    }
    for (int i = 1; i <= 6; i++) {
      ASSERT_TRUE(std::isfinite(a[i]));
      EXPECT_NEAR(a[i], b[i], 0.01 * big) << k.theta << " " << i;
      for (int j = 1; j <= 6; j++) {
        ASSERT_TRUE(std::isfinite(A[i][j]));
        EXPECT_NEAR(A[i][j], B[i][j], 0.01 * bigA) << k.theta << " " << i << j;
      }
    }
  }
}

namespace {

const std::vector<bool> kPlaneUniaxial{false, true, true};
const std::vector<bool> kSolidUniaxial{false, true, true, true, true, true};

struct Model {
  int code, type;
  MaterialRecord m;
};

// Uniaxial compression in steps of 1e-5 down to eps: the largest stress magnitude, the
// stress of the last step and the stress magnitude at which the point first yielded.
struct Compression {
  double peak, last, firstYield;
};

Compression Compress(const Model& md, double eps) {
  ContinuumPoint p(md.code, md.type, md.m);
  p.SetHeldTolerance(1e-3);  // the return mappings stop at 1e-3 or 1e-4 of their residuals
  const int n = p.n();
  const std::vector<bool>& free = n == 3 ? kPlaneUniaxial : kSolidUniaxial;
  Compression c{0.0, 0.0, 0.0};
  double e = 0.0, before = 0.0;
  while (e > eps) {
    std::vector<double> de(static_cast<size_t>(n), 0.0);
    de[0] = -1e-5;
    e += de[0];
    const double s = -p.Step(de, free)[0];
    if (c.firstYield == 0.0 && p.Record<NLMM121_HD>().LoadingState == 2) {
      // The yield stress lies between the last elastic stress and E times this strain
      // (law 2; under law 1 the stress returns to the curve, below the yield stress).
      c.firstYield = before + kE * 1e-5;
      if (md.m.Value[9] == 2.0) c.firstYield = std::min(s, c.firstYield);
    }
    before = s;
    c.peak = std::max(c.peak, s);
    c.last = s;
  }
  return c;
}

}  // namespace

TEST(ConcretePlasticity, UniaxialCompressionYieldsLevelsAndSoftens) {
  struct Case {
    Model md;
    double firstYield, peak;
    bool softens;
  };
  const Case cases[] = {
      {{MAT_NLMM123, _PLANE_STRESS_QUAD, Record123(2)}, 9.0 / 1.005532, 30.0 / 1.005532, false},
      {{MAT_NLMM125, _PLANE_STRESS_QUAD, Record125(2)}, 0.3 * 30 * 0.996265, 30 * 0.996265, false},
      {{MAT_NLMM123, _SOLID_HEXA, Record123(2)}, 9.0 / 1.005532, 30.0 / 1.005532, false},
      {{MAT_NLMM125, _SOLID_HEXA, Record125(2)}, 0.3 * 30 * 0.996265, 30 * 0.996265, false},
      {{MAT_NLMM122, _SOLID_HEXA, Record122()}, 9.0 / 1.005532, 30.0 / 1.005532, true},
      {{MAT_NLMM123, _SOLID_HEXA, Record123(1)}, 9.0 / 1.005532, 30.0 / 1.005532, true},
      {{MAT_NLMM125, _PLANE_STRESS_QUAD, Record125(1)}, 0.3 * 30 * 0.996265, 30 * 0.996265, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.md.code) + " " + std::to_string(c.md.type));
    const Compression r = Compress(c.md, -0.004);
    EXPECT_NEAR(r.firstYield, c.firstYield, 0.35);  // within one elastic step
    EXPECT_NEAR(r.peak, c.peak, 1e-3 * c.peak);
    if (c.softens)
      EXPECT_LT(r.last, 0.8 * c.peak);
    else
      EXPECT_NEAR(r.last, c.peak, 1e-3 * c.peak);
  }
}

TEST(ConcretePlasticity, TangentsAreTheDifferenceOfTheUpdate) {
  // 122 where the curve rises and where it falls; 123 and 125 on the plateau of law 2
  // (H = E 1e-8), where their first-order tangent is the consistent one. A generic
  // compressive path brings the point there; the last step is then mapped to 1e-10 (an
  // iterate of a mapping stopped at its own tolerance has another slope than the
  // solution).
  struct Case {
    Model md;
    double eps, tol;
  };
  const Case cases[] = {
      {{MAT_NLMM122, _SOLID_HEXA, Record122()}, 0.0009, 1e-4},
      {{MAT_NLMM122, _SOLID_HEXA, Record122()}, 0.0029, 1e-4},
      {{MAT_NLMM123, _PLANE_STRESS_QUAD, Record123(2)}, 0.004, 1e-3},
      {{MAT_NLMM123, _SOLID_HEXA, Record123(2)}, 0.006, 1e-3},
      {{MAT_NLMM125, _PLANE_STRESS_QUAD, Record125(2)}, 0.004, 1e-3},
      {{MAT_NLMM125, _SOLID_HEXA, Record125(2)}, 0.012, 1e-3},
  };
  const double dir6[7] = {0, -1.0, 0.3, -0.2, 0.1, -0.05, 0.15}, dir3[4] = {0, -1.0, 0.3, 0.1};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.md.code) + " " + std::to_string(c.md.type));
    ContinuumPoint p(c.md.code, c.md.type, c.md.m);
    const int n = p.n();
    const double* dir = n == 6 ? dir6 : dir3;
    std::vector<double> total(static_cast<size_t>(n));
    for (int i = 0; i < n; i++) total[static_cast<size_t>(i)] = c.eps * dir[i + 1];
    p.Path(total, std::vector<bool>(static_cast<size_t>(n), false), static_cast<int>(c.eps / 2e-5));
    const NLMM121_HD& r = p.Record<NLMM121_HD>();
    ASSERT_GT(r.EqPlasticStrain, 0.0);
    ConcretePlasticMaterial m = ConcretePlasticParameters(c.md.code, c.md.m);
    m.tolerance = 1e-10;
    Mat De(n), D(n);
    CalcMat_De_IsoModel(n, m.nu, m.E, De.a);
    const auto map = [&](const double* de) {
      ConcreteMapping out{};
      EXPECT_TRUE(ReturnMappingAlgor_Concrete(PointContext{1, 1, 1, 1, 0}, m, n, De.a, r.Stress, de, r.EqPlasticStrain, &out));
      return out;
    };
    double de[7];
    for (int i = 1; i <= n; i++) de[i] = 2e-5 * dir[i];
    const ConcreteMapping u = map(de);
    ASSERT_GT(u.dLambda, 0.0);
    if (c.md.code != MAT_NLMM122) {
      ASSERT_GT(u.kappa, kEpsC1 - kFc / kE);  // on the plateau
    }
    // The tangent of the mapped state.
    double stress[7], zero[7] = {};
    NLMM121_HD q{};
    q.Stress = stress;
    q.Strain = q.PlasticStrain = zero;
    q.LoadingState = 2;
    q.DeltaLambda = u.dLambda;
    q.EqPlasticStrain = u.kappa;
    copyd1(stress, u.sigma, n);
    CalcMat_Dep_Concrete(PointContext{1, 1, 1, 1, 0}, m, n, &q, De.a, D.a);
    const double h = 1e-7;
    for (int j = 1; j <= n; j++) {
      double dp[7], dm[7];
      copyd1(dp, de, n);
      copyd1(dm, de, n);
      dp[j] += h;
      dm[j] -= h;
      const ConcreteMapping up = map(dp), down = map(dm);
      for (int i = 1; i <= n; i++) EXPECT_NEAR(D[i][j], (up.sigma[i] - down.sigma[i]) / (2 * h), c.tol * kE) << i << j;
    }
  }
}

TEST(ConcretePlasticity, PlaneStrainPointIsTheSolidPointWithoutOutOfPlaneStrain) {
  // The out-of-plane stress goes first in the model and last in the record.
  for (const Model& md : {Model{MAT_NLMM123, _SOLID_HEXA, Record123(2)}, Model{MAT_NLMM125, _SOLID_HEXA, Record125(2)}}) {
    SCOPED_TRACE(md.code);
    ContinuumPoint plane(md.code, _PLANE_STRAIN_QUAD, md.m), solid(md.code, _SOLID_HEXA, md.m);
    for (int k = 1; k <= 150; k++) {
      std::vector<double> a{-3e-5, 1e-5, 1.5e-5}, b{-3e-5, 1e-5, 0.0, 0.0, 0.0, 1.5e-5};
      const std::vector<double> sp = plane.Step(a, {false, false, false}), ss = solid.Step(b, std::vector<bool>(6, false));
      EXPECT_NEAR(sp[0], ss[0], 2e-3) << k;
      EXPECT_NEAR(sp[1], ss[1], 2e-3) << k;
      EXPECT_NEAR(sp[2], ss[5], 2e-3) << k;
      EXPECT_NEAR(plane.Record<NLMM121_HD>().Stress[4], ss[2], 2e-3) << k;
    }
    EXPECT_EQ(plane.Record<NLMM121_HD>().PointStatus, 3);
    EXPECT_NEAR(plane.Record<NLMM121_HD>().EqPlasticStrain, solid.Record<NLMM121_HD>().EqPlasticStrain, 1e-6);
    EXPECT_NEAR(plane.Record<NLMM121_HD>().PlasticStrain[3], solid.Record<NLMM121_HD>().PlasticStrain[6], 1e-6);
    // The tangents agree on the in-plane block.
    const std::vector<double> tp = plane.Tangent(), ts = solid.Tangent();
    const int map[3] = {0, 1, 5};
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) EXPECT_NEAR(tp[static_cast<size_t>(3 * i + j)], ts[static_cast<size_t>(6 * map[i] + map[j])], 1e-3 * kE);
  }
}

TEST(ConcretePlasticity, NextIterateReducesANegativeHardeningResidual) {
  // The first correction leaves r_kappa < 0; the Newton step takes it with its sign.
  const ConcretePlasticMaterial c = ConcretePlasticParameters(MAT_NLMM125, Record125(2));
  Mat De(3);
  CalcMat_De_IsoModel(3, 0.2, kE, De.a);
  const double last[4] = {0, -13.489877571200145, -8.6073665244970332, 12.107376846121495};
  const double de[4] = {0, -0.00083451712381391518, -0.00077799069273905871, 0.00070637537744208049};
  std::vector<double> rk;
  ConcreteMapping out{};
  ASSERT_TRUE(ReturnMappingAlgor_Concrete(PointContext{1, 1, 1, 1, 0}, c, 3, De.a, last, de, 0.0035520560369243933, &out, &rk));
  ASSERT_GE(rk.size(), 3u);
  EXPECT_LT(rk[1], -1e-6);
  EXPECT_LT(std::fabs(rk[2]), 0.2 * std::fabs(rk[1]));
  EXPECT_LT(std::fabs(rk.back()), 1e-3);
}

TEST(ConcretePlasticity, HydrostaticTensionEndsAsAFailedMapping) {
  // No deviatoric stress: the flow direction of the surface is undefined there.
  for (int code : {MAT_NLMM122, MAT_NLMM123, MAT_NLMM125}) {
    const MaterialRecord m = code == MAT_NLMM122 ? Record122() : code == MAT_NLMM123 ? Record123(1) : Record125(1);
    ContinuumPoint p(code, _SOLID_HEXA, m);
    std::vector<double> de{1e-4, 1e-4, 1e-4, 0, 0, 0};
    EXPECT_EXIT(p.Step(de, std::vector<bool>(6, false)), testing::ExitedWithCode(1),
                "Calculating the delta stress vector using\nthe return mapping algorithm:\n(.|\n)*Nonlinear material "
                "model: _NLMM12(.|\n)*The iterative algorithm did not converge.")
        << code;
  }
}

// The meridian model (law 2) shortened by a strain of 1000 in one increment, on the solid
// and in plane strain: its return's Newton system is singular, and the fault says that
// the load step is far too large.
TEST(ConcretePlasticity, AnAbsurdShorteningNamesTheLoadStepWhereTheJacobianIsSingular) {
  const struct Case {
    int type;
    std::vector<double> de;
  } cases[] = {{_SOLID_HEXA, {-1e3, 0, 0, 0, 0, 0}}, {_PLANE_STRAIN_QUAD, {-1e3, -1e3, 0}}};
  for (const Case& c : cases) {
    ContinuumPoint p(MAT_NLMM125, c.type, Record125(2));
    std::vector<double> de = c.de;
    EXPECT_EXIT(p.Step(de, std::vector<bool>(de.size(), false)), testing::ExitedWithCode(1),
                "Nonlinear material model: _NLMM125(.|\n)*ERROR:\nSolving a system of linear equations.\nThe Jacobian "
                "matrix is singular.\nIterative process could not be completed.\nThe strain increment of this iterate "
                "at the point reaches 1e\\+03:\nthe load step is far too large. Apply the load in smaller steps.")
        << c.type;
  }
}

TEST(ConcretePlasticity, OneLargeStepOfTheMeridianModelEndsOnItsSurface) {
  // _NLMM125 (law 2) shortened by 0.003, onto its plateau, the lateral stresses held at
  // zero: in one step its mapping does not bring the increment back and divides it, as
  // the crack-plastic models do. The state ends on the surface where 150 steps of 2e-5
  // end.
  const MaterialRecord m = Record125(2);
  std::vector<double> s[2];
  for (int steps : {1, 150}) {
    SCOPED_TRACE(steps);
    ContinuumPoint p(MAT_NLMM125, _SOLID_HEXA, m);
    p.SetHeldTolerance(1e-6);
    for (int k = 0; k < steps; k++) {
      std::vector<double> de{-0.003 / steps, 0, 0, 0, 0, 0};
      s[steps == 1 ? 0 : 1] = p.Step(de, kSolidUniaxial);
    }
    const NLMM121_HD& r = p.Record<NLMM121_HD>();
    EXPECT_EQ(r.LoadingState, 2);
    SurfacePoint sp{};
    AllocSurfacePoint(6, &sp);
    ASSERT_TRUE(EvaluateConcreteSurface(ConcretePlasticParameters(MAT_NLMM125, m), 6, r.Stress, r.EqPlasticStrain,
                                        false, &sp));
    EXPECT_NEAR(sp.F, 0.0, 1e-3 * kFc);
    FreeSurfacePoint(&sp);
  }
  EXPECT_NEAR(s[0][0], -30.0 * 0.996265, 1e-3 * kFc);
  EXPECT_NEAR(s[0][0], s[1][0], 1e-5 * kFc);
}
