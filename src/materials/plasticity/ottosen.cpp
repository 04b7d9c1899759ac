// Four-parameter Ottosen criterion and its derivatives.
#include "materials/plasticity/ottosen.h"

#include <cmath>
#include <cstdio>

#include "materials/plasticity/concrete_surface.h"
#include "numcore/numcore.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
const double kSqrt3 = std::sqrt(3.0);

double CosThreeTheta(const OttosenParams& p, double J2, double J3) {
  if (J2 < VanishingJ2(p.fc)) return 0.0;
  return (3.0 * kSqrt3 / 2.0) * J3 / (J2 * std::sqrt(J2));
}

// psi of lambda = c1 cos(psi).
double Psi(const OttosenParams& p, double c3) {
  const double t = p.c2 * c3;
  return c3 >= 0.0 ? std::acos(t) / 3.0 : kPi / 3.0 - std::acos(-t) / 3.0;
}

}  // namespace

OttosenParams CalcOttosenParams(double fc, double fct) {
  // The set-up refuses other strengths in words.
  if (!(fc > 0.0) || !(fct > 0.0)) InternalError(__FILE__, __LINE__);
  OttosenParams p;
  p.fc = fc;
  p.fct = fct;
  p.k = fct / fc;
  p.alpha = 1.0 / (9.0 * std::pow(p.k, 1.4));
  p.beta = 1.0 / (3.7 * std::pow(p.k, 1.1));
  p.c1 = 1.0 / (0.7 * std::pow(p.k, 0.9));
  p.c2 = 1.0 - 6.8 * (p.k - 0.07) * (p.k - 0.07);
  return p;
}

double CalcLambdaOtt(const OttosenParams& p, double J2, double J3) {
  return p.c1 * std::cos(Psi(p, CosThreeTheta(p, J2, J3)));
}

void CalcDerivLambdaOtt(int n, const OttosenParams& p, const StressInvariants& v, double* dl) {
  const double J2 = v.J2, r = std::sqrt(J2), c3 = CosThreeTheta(p, J2, v.J3), t = p.c2 * c3;
  const double V = J2 * J2 * J2 * std::sqrt(1.0 - t * t);
  const double f = (kSqrt3 / 2.0) * p.c1 * p.c2 * std::sin(Psi(p, c3)) / V;
  for (int i = 1; i <= n; i++) dl[i] = f * (J2 * r * v.dJ3[i] - 1.5 * r * v.J3 * v.dJ2[i]);
}

void CalcDeriv2LambdaOtt(int n, const OttosenParams& p, const StressInvariants& v, double** d2l) {
  const double J2 = v.J2, J3 = v.J3, r = std::sqrt(J2), c3 = CosThreeTheta(p, J2, J3), t = p.c2 * c3;
  const double S = std::sqrt(1.0 - t * t), V = J2 * J2 * J2 * S, psi = Psi(p, c3);
  double N[7], dV[7];
  for (int i = 1; i <= n; i++) N[i] = J2 * r * v.dJ3[i] - 1.5 * r * J3 * v.dJ2[i];
  for (int i = 1; i <= n; i++)
    dV[i] = 3.0 * J2 * J2 * S * v.dJ2[i] - (3.0 * kSqrt3 / 2.0) * p.c2 * p.c2 * c3 * N[i] / S;
  const double K = (kSqrt3 / 2.0) * p.c1 * p.c2, sp = std::sin(psi), cp = std::cos(psi);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      const double dN = J2 * r * v.d2J3[i][j] + 1.5 * r * (v.dJ3[i] * v.dJ2[j] - v.dJ2[i] * v.dJ3[j]) -
                        0.75 * J3 * v.dJ2[i] * v.dJ2[j] / r - 1.5 * r * J3 * v.d2J2[i][j];
      d2l[i][j] = K * (sp * (V * dN - N[i] * dV[j]) - (kSqrt3 / 2.0) * p.c2 * cp * N[i] * N[j]) / (V * V);
    }
}

double CalcOttosenYieldFunc(const OttosenParams& p, double I1, double J2, double lambda) {
  const double A = 0.5 * (lambda * std::sqrt(J2) + p.beta * I1);
  const double q = A * A + p.alpha * J2;
  if (q < 0.0) {
    std::printf("f_fc = %15.5lf\n", p.fc);
    std::printf("f_fct = %15.5lf\n", p.fct);
    std::printf("f_k = %15.5lf\n", p.k);
    std::printf("f_alpha = %15.5lf\n", p.alpha);
    std::printf("f_beta = %15.5lf\n", p.beta);
    std::printf("f_I1 = %15.10lf\n", I1);
    std::printf("f_J2 = %15.10lf\n", J2);
    std::printf("f_LambdaOtt = %15.10lf\n", lambda);
    std::printf("Negative radicand of the square root = %15.10lf\n", q);
    InternalError(__FILE__, __LINE__);
  }
  return A + std::sqrt(q);
}

void AllocOttosenDerivs(int n, OttosenDerivs* d) {
  allocd1(&d->dl, n);
  allocd2(&d->d2l, n, n);
  allocd1(&d->dG, n);
  allocd2(&d->d2G, n, n);
  allocd1(&d->m1, n);
  allocd1(&d->m2, n);
  allocd1(&d->dseq, n);
  allocd2(&d->d2seq, n, n);
}

void FreeOttosenDerivs(OttosenDerivs* d) {
  freed2(d->d2seq);
  freed1(d->dseq);
  freed1(d->m2);
  freed1(d->m1);
  freed2(d->d2G);
  freed1(d->dG);
  freed2(d->d2l);
  freed1(d->dl);
}

double CalcYieldFunc_NLMM122(const OttosenParams& p, const StressInvariants& v, double sY) {
  const double B = CalcLambdaOtt(p, v.J2, v.J3) * std::sqrt(v.J2) + p.beta * v.I1;
  const double R = p.alpha * v.J2 + B * sY;
  return R > 0.0 ? std::sqrt(R) - sY : -sY;
}

bool OttosenRegular(const OttosenParams& p, const StressInvariants& v, double sY) {
  if (!(v.J2 >= VanishingJ2(p.fc))) return false;
  const double B = CalcLambdaOtt(p, v.J2, v.J3) * std::sqrt(v.J2) + p.beta * v.I1;
  return p.alpha * v.J2 + B * sY > 0.0;
}

void CalcOttosenDerivs(int n, const OttosenParams& p, const StressInvariants& v, double sY, OttosenDerivs* d) {
  if (!OttosenRegular(p, v, sY)) InternalError(__FILE__, __LINE__);
  const double J2 = v.J2, r = std::sqrt(J2);
  d->lambda = CalcLambdaOtt(p, J2, v.J3);
  CalcDerivLambdaOtt(n, p, v, d->dl);
  CalcDeriv2LambdaOtt(n, p, v, d->d2l);
  const double l = d->lambda, B = l * r + p.beta * v.I1, R = p.alpha * J2 + B * sY, sR = std::sqrt(R);
  d->B = B;
  d->R = R;
  double dB[7], dR[7], w[7];
  for (int i = 1; i <= n; i++) {
    dB[i] = r * d->dl[i] + l * v.dJ2[i] / (2.0 * r) + p.beta * v.dI1[i];
    dR[i] = sY * dB[i] + p.alpha * v.dJ2[i];
  }
  // Equivalent stress seq = A + S, A = B/2, S = sqrt(A^2 + alpha J2).
  const double A = 0.5 * B, S = std::sqrt(A * A + p.alpha * J2);
  d->seq = A + S;
  for (int i = 1; i <= n; i++) {
    w[i] = 0.5 * A * dB[i] + 0.5 * p.alpha * v.dJ2[i];
    d->dG[i] = 0.5 * dR[i] / sR;
    d->m1[i] = 0.5 * dB[i] / sR - 0.25 * B * dR[i] / (R * sR);
    d->m2[i] = (sR * dB[i] - 0.5 * B * dR[i] / sR) / (2.0 * R);
    d->dseq[i] = 0.5 * dB[i] + w[i] / S;
  }
  d->g1 = 0.5 * B / sR - 1.0;
  d->g2 = -0.25 * B * B / (R * sR);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      const double d2B = r * d->d2l[i][j] + (d->dl[i] * v.dJ2[j] + v.dJ2[i] * d->dl[j]) / (2.0 * r) +
                         l * v.d2J2[i][j] / (2.0 * r) - l * v.dJ2[i] * v.dJ2[j] / (4.0 * J2 * r);
      const double d2R = sY * d2B + p.alpha * v.d2J2[i][j];
      d->d2G[i][j] = 0.5 * d2R / sR - 0.25 * dR[i] * dR[j] / (R * sR);
      const double d2A = 0.5 * d2B;
      d->d2seq[i][j] = d2A + (A * d2A + 0.25 * dB[i] * dB[j] + 0.5 * p.alpha * v.d2J2[i][j]) / S -
                       w[i] * w[j] / (S * S * S);
    }
}
