// Concrete yield surface with meridians, Lode angle and elliptic radius.
#include "materials/plasticity/concrete_surface.h"

#include <cmath>
#include <cstdio>

#include "numcore/numcore.h"

namespace {

// A surface parameter out of its range: reached only by material values or loads many
// orders of magnitude beyond those of concrete, never by a state of the return mapping
// of sound data.
[[noreturn]] void SurfaceOutOfRange() {
  std::fflush(stdout);
  std::fprintf(stderr, "\nEvaluating the yield surface of the concrete plasticity model\n");
  errexit("The yield surface cannot be evaluated: its radii or strengths lie outside the range\n"
          "of the numbers. The material values or the load-case factors of the combination\n"
          "are far beyond those of concrete.",
          0);
}

constexpr double kPi = 3.14159265358979323846;
constexpr double kThetaMin = 0.0001;
const double kSqrt2 = std::sqrt(2.0);
const double kSqrt3 = std::sqrt(3.0);

// Meridian levels of _NLMM125: xi = -2 and -4 with a = 0.1732.
constexpr double kA125 = 0.1732;
constexpr double kL1 = 2.1732, kL2 = 4.1732;  // a - xi of the two levels

// Fixed meridian coefficients of _NLMM142 and _NLMM151.
constexpr double kK151 = 1.6814 - 0.8635;
const double kAlpha151 = kSqrt3 * (0.6737 + 7.4241) / kK151;
const double kBetaT151 = kSqrt3 * (-9.4332 - 2.091) / kK151, kGammaT151 = kSqrt3 * 2.38136 / kK151;
const double kBetaC151 = kSqrt3 * (-11.5018 - 1.5469) / kK151, kGammaC151 = kSqrt3 * (0.04254 + 3.4051) / kK151;

// Radii of the two levels alpha + 0.5, alpha + 0.6 for tensile coefficients bt, gt.
MeridianRadii Radii151(double bt, double gt) {
  MeridianRadii m{};
  const double level[3] = {0.0, 0.5, 0.6};
  for (int i = 1; i <= 2; i++) {
    const double dt = bt * bt - 4.0 * gt * (kAlpha151 + level[i]);
    const double dc = kBetaC151 * kBetaC151 - 4.0 * kGammaC151 * (kAlpha151 + level[i]);
    if (!(dt >= 0.0) || !(dc >= 0.0)) SurfaceOutOfRange();
    m.rt[i] = (-bt - std::sqrt(dt)) / (2.0 * gt);
    m.rc[i] = (-kBetaC151 - std::sqrt(dc)) / (2.0 * kGammaC151);
  }
  return m;
}

double CosThreeTheta(double J2, double J3) {
  double c3 = (3.0 * kSqrt3 / 2.0) * J3 / (J2 * std::sqrt(J2));
  if (c3 > 1.0) c3 = 1.0;
  if (c3 < -1.0) c3 = -1.0;
  return c3;
}

// X and R of the yield function at the invariants.
double XOf(double I1, double J2, double b, double a) {
  return I1 / (kSqrt3 * a) - (kSqrt2 * b / a) * std::sqrt(J2);
}

double ROf(double I1, double J2, double c, double b, double a, double sY) {
  return XOf(I1, J2, b, a) * sY - (2.0 * c / a) * J2;
}

// dX and dR (n-vectors).
void Gradients(int n, const StressInvariants& v, const MeridianCoefs& m, double sY, double* dX, double* dR) {
  const double sJ = std::sqrt(v.J2);
  for (int i = 1; i <= n; i++) {
    dX[i] = v.dI1[i] / (kSqrt3 * m.a) - (kSqrt2 / m.a) * (0.5 * m.b * v.dJ2[i] / sJ + sJ * m.db[i]);
    dR[i] = sY * dX[i] - (2.0 / m.a) * (v.J2 * m.dc[i] + m.c * v.dJ2[i]);
  }
}

double Radicand(const StressInvariants& v, const MeridianCoefs& m, double sY) {
  return ROf(v.I1, v.J2, m.c, m.b, m.a, sY);
}

}  // namespace

double CalcLodeAngle(double J2, double J3) {
  const double theta = std::acos(CosThreeTheta(J2, J3)) / 3.0;
  return theta < kThetaMin ? kThetaMin : theta;
}

double CalcLodeAngle_NLMM125(double J2, double J3) {
  const double theta = CalcLodeAngle(J2, J3);
  return theta > kPi / 3.0 - kThetaMin ? kPi / 3.0 - kThetaMin : theta;
}

EllipticRadius CalcEllipticRadius(double theta, double rt, double rc) {
  // r = N(u)/D(u) in u = cos(theta).
  const double e = rc * rc - rt * rt, k = rc * (2.0 * rt - rc);
  const double u = std::cos(theta), su = -std::sin(theta), suu = -u;  // du/dtheta, d2u/dtheta2
  const double q = 4.0 * e * u * u + 5.0 * rt * rt - 4.0 * rt * rc;
  if (!(q > 0.0)) SurfaceOutOfRange();
  const double s = std::sqrt(q);
  const double N = 2.0 * rc * e * u + k * s, Nu = 2.0 * rc * e + k * 4.0 * e * u / s;
  const double Nuu = k * 4.0 * e * (q - 4.0 * e * u * u) / (q * s);
  const double D = 4.0 * e * u * u + (rc - 2.0 * rt) * (rc - 2.0 * rt), Du = 8.0 * e * u, Duu = 8.0 * e;
  if (!(std::fabs(D) >= kSmall)) SurfaceOutOfRange();
  const double r = N / D, ru = (Nu * D - N * Du) / (D * D);
  const double ruu = Nuu / D - 2.0 * Nu * Du / (D * D) - N * Duu / (D * D) + 2.0 * N * Du * Du / (D * D * D);
  return {r, ru * su, ruu * su * su + ru * suu};
}

double CalcMinBiaxialComprStrength_NLMM151(const double* h) { return 2.0 * h[1] * h[2] * h[3] * h[4] * h[5]; }

double CalcAnaliticValueBiaxialComprStrength_NLMM151(double fc, const double* h) {
  const double T = CalcMinBiaxialComprStrength_NLMM151(h), s23 = std::sqrt(2.0 / 3.0);
  const double A = 2.0 * kGammaT151 / 3.0;
  const double B = (2.0 / kSqrt3) * fc + s23 * kBetaT151 * fc - (4.0 / 3.0) * kGammaT151 * T;
  const double C = kAlpha151 * fc * fc + T * fc / kSqrt3 + A * T * T - s23 * kBetaT151 * fc * T;
  const double d = B * B - 4.0 * A * C;
  if (!(d >= 0.0) || !(std::fabs(A) >= kSmall)) SurfaceOutOfRange();
  const double fbc = (-B - std::sqrt(d)) / (2.0 * A);
  if (!(fbc >= 0.0) || fbc < T) SurfaceOutOfRange();
  return fbc;
}

double CalcBiaxialComprStrengthParam_NLMM151(double fc, const double* h) {
  const double r = CalcAnaliticValueBiaxialComprStrength_NLMM151(fc, h) / fc;
  const double d = kBetaT151 * kBetaT151 - 4.0 * kGammaT151 * (kAlpha151 + (2.0 / kSqrt3) * r);
  if (!(d >= 0.0) || !(r > 0.0)) SurfaceOutOfRange();
  return (-kBetaT151 - std::sqrt(d)) / (std::sqrt(8.0 / 3.0) * kGammaT151 * r);
}

MeridianRadii CalcMeridianParam_NLMM151(double fc, const double* h) {
  if (h[1] == 0.0) return Radii151(kBetaT151, kGammaT151);
  const double s = CalcBiaxialComprStrengthParam_NLMM151(fc, h);
  return Radii151(s * kBetaT151, s * s * kGammaT151);
}

double CalcAnaliticValueBiaxialComprStrength_NLMM125(const MaterialRecord& m) {
  const double fc = MatValue(m, 5);
  double P = 2.0;
  for (int k = 10; k <= 14; k++) P *= MatValue(m, k);
  const double s23 = std::sqrt(2.0 / 3.0) * 1.455 * fc;
  const double u = (2.0 / kSqrt3) * fc + 0.21293333333333334 * P - s23;
  const double w = P * fc / kSqrt3 - 0.10646666666666667 * P * P + s23 * P;
  const double fb = (u + std::sqrt(u * u + 0.42586666666666667 * (0.1732 * fc * fc + w))) / 0.21293333333333334;
  if (!(fb >= 0.0) || fb < P) SurfaceOutOfRange();
  return fb;
}

MeridianRadii CalcMeridianParam_NLMM125(const MaterialRecord& m) {
  MeridianRadii r{};
  r.rc[1] = 1.9446389034224518;
  r.rc[2] = 3.1446892808375706;
  if (MatValue(m, 10) == 0.0) {
    r.rt[1] = 1.3063097613381442;
    r.rt[2] = 2.291722791445375;
    return r;
  }
  const double fc = MatValue(m, 5), fb = CalcAnaliticValueBiaxialComprStrength_NLMM125(m);
  const double x = (1.455 - std::sqrt(1.455 * 1.455 + 0.6388 * ((2.0 / kSqrt3) * fb / fc + 0.1732))) /
                   (-0.1597 * std::sqrt(8.0 / 3.0) * fb / fc);
  const double level[3] = {0.0, kL1, kL2};
  for (int i = 1; i <= 2; i++)
    r.rt[i] = (1.455 * x - std::sqrt(1.455 * 1.455 * x * x + 4.0 * 0.1597 * x * x * level[i])) / (-0.3194 * x * x);
  return r;
}

void CalcDerivLodeAngle(int n, const StressInvariants& v, double theta, double* dTheta) {
  const double J2 = v.J2, r = std::sqrt(J2);
  if (std::fabs(std::sin(3.0 * theta)) < 1e-8) {
    for (int i = 1; i <= n; i++) dTheta[i] = 0.0;
    return;
  }
  const double f = -kSqrt3 / (2.0 * std::fabs(std::sin(3.0 * theta)));
  for (int i = 1; i <= n; i++) dTheta[i] = f * (v.dJ3[i] / (J2 * r) - 1.5 * v.J3 * v.dJ2[i] / (J2 * J2 * r));
}

void CalcDerivEllipticRadiusDerivSigma(int n, const StressInvariants& v, double theta, const double* dTheta,
                                       double** d2Theta) {
  const double J2 = v.J2, J3 = v.J3, r = std::sqrt(J2);
  const double p15 = 1.0 / (J2 * r), p25 = p15 / J2, p35 = p25 / J2;
  const double s3 = std::sin(3.0 * theta), c3 = std::cos(3.0 * theta);
  for (int i = 1; i <= n; i++) {
    const double Ti = p15 * v.dJ3[i] - 1.5 * J3 * p25 * v.dJ2[i];
    for (int j = 1; j <= n; j++) {
      const double dT = p15 * v.d2J3[i][j] - 1.5 * p25 * (v.dJ3[i] * v.dJ2[j] + v.dJ2[i] * v.dJ3[j]) +
                        3.75 * J3 * p35 * v.dJ2[i] * v.dJ2[j] - 1.5 * J3 * p25 * v.d2J2[i][j];
      d2Theta[i][j] = -(kSqrt3 / 2.0) * (dT / s3 - 3.0 * c3 * Ti * dTheta[j] / (s3 * s3));
    }
  }
}

void CalcDerivEllipticRadius(int n, const MeridianRadii& m, double theta, const double* dTheta, double* dr1,
                             double* dr2) {
  const double d1 = CalcEllipticRadius(theta, m.rt[1], m.rc[1]).dr, d2 = CalcEllipticRadius(theta, m.rt[2], m.rc[2]).dr;
  for (int i = 1; i <= n; i++) {
    dr1[i] = d1 * dTheta[i];
    dr2[i] = d2 * dTheta[i];
  }
}

void CalcDeriv2LodeYieldFunc(int n, const MeridianRadii& m, double theta, const double* dTheta, double** d2Theta,
                             double** d2r1, double** d2r2) {
  double** out[3] = {nullptr, d2r1, d2r2};
  for (int l = 1; l <= 2; l++) {
    const EllipticRadius e = CalcEllipticRadius(theta, m.rt[l], m.rc[l]);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) out[l][i][j] = e.d2r * dTheta[i] * dTheta[j] + e.dr * d2Theta[i][j];
  }
}

void AllocMeridianCoefs(int n, MeridianCoefs* m) {
  allocd1(&m->db, n);
  allocd1(&m->dc, n);
  allocd2(&m->d2b, n, n);
  allocd2(&m->d2c, n, n);
}

void FreeMeridianCoefs(MeridianCoefs* m) {
  freed2(m->d2c);
  freed2(m->d2b);
  freed1(m->dc);
  freed1(m->db);
}

namespace {

// Meridian through the levels a - xi = L1 at r1 and L2 at r2 of the Lode angle theta;
// thetaTerms false leaves out the stress derivatives through theta.
void MeridianCoefsAt(int n, const MeridianRadii& rad, const StressInvariants& v, double theta, bool thetaTerms,
                     double a, double kL1, double kL2, double fc, MeridianCoefs* m) {
  double *dTh, *dr1, *dr2, *dNb, *dDb;
  double **d2Th, **d2r1, **d2r2;
  allocd1(&dTh, n);
  allocd1(&dr1, n);
  allocd1(&dr2, n);
  allocd1(&dNb, n);
  allocd1(&dDb, n);
  allocd2(&d2Th, n, n);
  allocd2(&d2r1, n, n);
  allocd2(&d2r2, n, n);
  if (thetaTerms) {
    CalcDerivLodeAngle(n, v, theta, dTh);
    CalcDerivEllipticRadiusDerivSigma(n, v, theta, dTh, d2Th);
  } else {
    zerod1(dTh, n);
    zerod2(d2Th, n, n);
  }
  CalcDerivEllipticRadius(n, rad, theta, dTh, dr1, dr2);
  CalcDeriv2LodeYieldFunc(n, rad, theta, dTh, d2Th, d2r1, d2r2);
  if (!thetaTerms && v.J2 >= VanishingJ2(fc)) {
    // On a meridian cos 3theta = u is extremal (du/dsigma = 0) while r is smooth in u:
    // d2r/dsigma2 = dr/du d2u/dsigma2 with dr/du = -r''(theta)/(9 cos 3theta) in the limit.
    const double J2 = v.J2, J3 = v.J3, p15 = 1.0 / (J2 * std::sqrt(J2)), p25 = p15 / J2, p35 = p25 / J2;
    const double k = 1.5 * kSqrt3, c3 = std::cos(3.0 * theta);
    const double g1 = -CalcEllipticRadius(theta, rad.rt[1], rad.rc[1]).d2r / (9.0 * c3);
    const double g2 = -CalcEllipticRadius(theta, rad.rt[2], rad.rc[2]).d2r / (9.0 * c3);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) {
        const double d2u = k * (p15 * v.d2J3[i][j] - 1.5 * p25 * (v.dJ3[i] * v.dJ2[j] + v.dJ2[i] * v.dJ3[j]) +
                                3.75 * J3 * p35 * v.dJ2[i] * v.dJ2[j] - 1.5 * J3 * p25 * v.d2J2[i][j]);
        d2r1[i][j] = g1 * d2u;
        d2r2[i][j] = g2 * d2u;
      }
  }
  const double r1 = CalcEllipticRadius(theta, rad.rt[1], rad.rc[1]).r;
  const double r2 = CalcEllipticRadius(theta, rad.rt[2], rad.rc[2]).r;

  const double Nb = kL2 * r1 * r1 - kL1 * r2 * r2, Db = r1 * r2 * r2 - r1 * r1 * r2;
  if (!(std::fabs(Db) >= kSmall)) SurfaceOutOfRange();
  m->a = a;
  m->b = Nb / Db;
  m->c = (-kL2 - m->b * r2) / (r2 * r2);
  const double Q = -kL2 - m->b * r2, b = m->b;
  const double r22 = r2 * r2, r23 = r22 * r2, r24 = r23 * r2;
  for (int i = 1; i <= n; i++) {
    dNb[i] = 2.0 * kL2 * r1 * dr1[i] - 2.0 * kL1 * r2 * dr2[i];
    dDb[i] = r22 * dr1[i] + 2.0 * r1 * r2 * dr2[i] - 2.0 * r1 * r2 * dr1[i] - r1 * r1 * dr2[i];
    m->db[i] = dNb[i] / Db - Nb * dDb[i] / (Db * Db);
    m->dc[i] = -2.0 * Q * dr2[i] / r23 - (r2 * m->db[i] + b * dr2[i]) / r22;
  }
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      const double d2Nb = 2.0 * kL2 * (dr1[i] * dr1[j] + r1 * d2r1[i][j]) - 2.0 * kL1 * (dr2[i] * dr2[j] + r2 * d2r2[i][j]);
      const double d2Db = r22 * d2r1[i][j] + 2.0 * r1 * r2 * d2r2[i][j] - 2.0 * r1 * r2 * d2r1[i][j] -
                          r1 * r1 * d2r2[i][j] + 2.0 * r2 * (dr1[i] * dr2[j] + dr2[i] * dr1[j]) +
                          2.0 * r1 * dr2[i] * dr2[j] - 2.0 * r2 * dr1[i] * dr1[j] -
                          2.0 * r1 * (dr1[i] * dr2[j] + dr2[i] * dr1[j]);
      m->d2b[i][j] = d2Nb / Db - (dNb[i] * dDb[j] + dDb[i] * dNb[j]) / (Db * Db) - Nb * d2Db / (Db * Db) +
                     2.0 * Nb * dDb[i] * dDb[j] / (Db * Db * Db);
    }
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      const double ei = r2 * m->db[i] + b * dr2[i], ej = r2 * m->db[j] + b * dr2[j];
      m->d2c[i][j] = -2.0 * Q * (d2r2[i][j] / r23 - 3.0 * dr2[i] * dr2[j] / r24) +
                     2.0 * (dr2[i] * ej + ei * dr2[j]) / r23 -
                     (r2 * m->d2b[i][j] + m->db[i] * dr2[j] + dr2[i] * m->db[j] + b * d2r2[i][j]) / r22;
    }
  freed2(d2r2);
  freed2(d2r1);
  freed2(d2Th);
  freed1(dDb);
  freed1(dNb);
  freed1(dr2);
  freed1(dr1);
  freed1(dTh);
}

}  // namespace

void CalcMeridianCoefs_NLMM125(int n, const MeridianRadii& rad, const StressInvariants& v, double fc,
                               MeridianCoefs* m) {
  if (!(v.J2 >= VanishingJ2(fc))) InternalError(__FILE__, __LINE__);
  MeridianCoefsAt(n, rad, v, CalcLodeAngle_NLMM125(v.J2, v.J3), true, kA125, kL1, kL2, fc, m);
}

double CalcLodeAngle_NLMM151(double J2, double J3, double fc) {
  return J2 < 1e-16 * fc * fc ? kThetaMin : CalcLodeAngle(J2, J3);
}

void CalcMeridianCoefs_NLMM151(int n, const MeridianRadii& rad, const StressInvariants& v, double fc,
                               MeridianCoefs* m) {
  const double theta = CalcLodeAngle_NLMM151(v.J2, v.J3, fc);
  // Away from the meridians theta has a gradient; on a meridian (sin 3theta = 0) cos 3theta
  // is extremal: the first derivatives through theta vanish and the second ones go
  // through cos 3theta.
  const bool thetaTerms = v.J2 >= 1e-16 * fc * fc && std::fabs(std::sin(3.0 * theta)) >= 1e-8;
  const double alpha = kAlpha151;
  MeridianCoefsAt(n, rad, v, theta, thetaTerms, alpha, alpha + 0.5, alpha + 0.6, fc, m);
}

double CalcInitYieldFunc_NLMM125(double I1, double J2, double c, double b, double a, double sY0) {
  return ROf(I1, J2, c, b, a, sY0) / (sY0 * sY0) - 1.0;
}

double CalcYieldFunc_NLMM151(double I1, double J2, double c, double b, double a, double sY) {
  const double R = ROf(I1, J2, c, b, a, sY);
  return R > 0.0 ? std::sqrt(R) - sY : -sY;
}

bool BeyondSurface_NLMM151(double I1, double J2, double c, double b, double a, double sY) {
  const double A = XOf(I1, J2, b, a) / sY, B = (2.0 * c / a) * J2 / (sY * sY);
  return A > 0.0 && B > 0.0 && A * A >= 4.0 * B && A <= 2.0 * B;
}

bool ConcreteSurfaceRegular(const StressInvariants& v, const MeridianCoefs& m, double sY, double fc) {
  return v.J2 >= VanishingJ2(fc) && Radicand(v, m, sY) > 0.0;
}

void CalcDerivYieldFuncStress(int n, const StressInvariants& v, const MeridianCoefs& m, double sY, double* a) {
  double dX[7], dR[7];
  Gradients(n, v, m, sY, dX, dR);
  const double sR = std::sqrt(Radicand(v, m, sY));
  for (int i = 1; i <= n; i++) a[i] = 0.5 * dR[i] / sR;
}

double CalcDerivHardYieldFunc(const StressInvariants& v, const MeridianCoefs& m, double sY) {
  return 0.5 * XOf(v.I1, v.J2, m.b, m.a) / std::sqrt(Radicand(v, m, sY)) - 1.0;
}

double CalcDeriv2HardYieldFunc_NLMM151(const StressInvariants& v, const MeridianCoefs& m, double sY) {
  const double X = XOf(v.I1, v.J2, m.b, m.a), R = Radicand(v, m, sY);
  return -0.25 * X * X / (R * std::sqrt(R));
}

void CalcYieldFuncHelper(int n, const StressInvariants& v, const MeridianCoefs& m, double sY, double* g) {
  double dX[7], dR[7];
  Gradients(n, v, m, sY, dX, dR);
  const double X = XOf(v.I1, v.J2, m.b, m.a), R = Radicand(v, m, sY), sR = std::sqrt(R);
  for (int i = 1; i <= n; i++) g[i] = 0.5 * dX[i] / sR - 0.25 * X * dR[i] / (R * sR);
}

void CalcDeriv2YieldFunc_NLMM151(int n, const StressInvariants& v, const MeridianCoefs& m, double sY, double** A) {
  double dX[7], dR[7];
  Gradients(n, v, m, sY, dX, dR);
  const double R = Radicand(v, m, sY), sR = std::sqrt(R);
  const double sJ = std::sqrt(v.J2), k = kSqrt2 / m.a;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      const double d2X = -k * (sJ * m.d2b[i][j] + (m.db[i] * v.dJ2[j] + v.dJ2[i] * m.db[j]) / (2.0 * sJ) +
                               m.b * (v.d2J2[i][j] / (2.0 * sJ) - v.dJ2[i] * v.dJ2[j] / (4.0 * v.J2 * sJ)));
      const double d2R = sY * d2X - (2.0 / m.a) * (v.J2 * m.d2c[i][j] + m.dc[i] * v.dJ2[j] +
                                                   v.dJ2[i] * m.dc[j] + m.c * v.d2J2[i][j]);
      A[i][j] = 0.5 * d2R / sR - 0.25 * dR[i] * dR[j] / (R * sR);
    }
}

void CalcReturnMappingUpdate(int n, const double* sigma, const double* trial, double** Ce, const double* a,
                             double F, double dLambda, double dKappa, double dFdsY, double* rs, double* rF,
                             double* rk) {
  double d[7] = {};
  for (int i = 1; i <= n; i++) d[i] = sigma[i] - trial[i];
  multd2d1(rs, Ce, d, n, n);
  for (int i = 1; i <= n; i++) rs[i] += dLambda * a[i];
  *rF = F;
  *rk = -dKappa - dLambda * dFdsY;
}

void CopyVecWrapper(int n, double* to, const double* from) { copyd1(to, from, n); }
