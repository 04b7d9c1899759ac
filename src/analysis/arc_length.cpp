// Arc-length control: from the first arc-length combination on, the reference load
// increment is applied with a load factor eta chosen so that one displacement, one
// relative displacement or the length of the step (displacements and scaled load) takes
// its prescribed value. Iteration 1 scales the response to the full increment; later
// iterations add the multiple of the reference solution that keeps the constraint.
#include "analysis/arc_length.h"

#include <cmath>
#include <cstdio>

#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

constexpr double kNull = 1e-8;

[[noreturn]] void Stop(const char* context, const char* line, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "%s", context);
  if (line != nullptr) std::fprintf(stderr, "%s", line);
  errexit(msg, 0);
}

constexpr const char* kApplyContext = "Apply arc-length eta:\n";
constexpr const char* kCalcContext = "Calculate arc-length data:\n";
constexpr const char* kQuadraticContext = "Calculating DeltaLambda_Iter:\n";

double Dot(int n, const double* a, const double* b) {
  double s = 0.0;
  for (int i = 1; i <= n; i++) s += a[i] * b[i];
  return s;
}

// Equation of the free dof k of point p; the point and dof are checked before any table
// is read.
int ControlEquation(int p, int k, int nPoints, int** PointDofNumbers, char** PointDofCodes, const char* invalid,
                    const char* notFree) {
  if (p < 1 || p > nPoints || k < 1 || k > 6) Stop(kApplyContext, nullptr, invalid);
  const char code = PointDofCodes[p][k];
  if (code != 'F' && code != 'P') Stop(kApplyContext, nullptr, invalid);
  if (code != 'F') Stop(kApplyContext, nullptr, notFree);
  const int e = PointDofNumbers[p][k];
  if (e < 1) InternalError(__FILE__, __LINE__);
  return e;
}

// The same equation in later iterations, where a missing or prescribed dof cannot occur.
int CheckedEquation(int p, int k, int nF, int** PointDofNumbers, char** PointDofCodes) {
  if (k < 1 || k > 6 || p < 1) InternalError(__FILE__, __LINE__);
  if (PointDofCodes[p][k] != 'F') InternalError(__FILE__, __LINE__);
  const int e = PointDofNumbers[p][k];
  if (e < 1 || e > nF) InternalError(__FILE__, __LINE__);
  return e;
}

constexpr const char* kInvalid = "The displacement control dof must be a valid dof.";
constexpr const char* kNotFree = "The displacement control dof must be a free dof.";
constexpr const char* kRelInvalid = "The relative displacement control dof must be a valid dof.";
constexpr const char* kRelNotFree = "The relative displacement control dof must be a free dof.";
constexpr const char* kNoEta = "Unable to determine the eta factor.";

bool ConstantRadiusAfterFirst(int c, int nCombinations, const ArcLengthParameters* al) {
  switch (al->ConstantRadius) {
    case 0: return false;
    case 1:
      if (c < nCombinations) InternalError(__FILE__, __LINE__);
      return c > nCombinations;
    default: InternalError(__FILE__, __LINE__);
  }
}

// The root of a1 x^2 + a2 x + a3 = 0 whose step s + x daII keeps closest to the
// direction of the combination's increment so far; without a direction (a null
// increment or candidate step) the smaller change of the load factor.
double PickRoot(int nF, double a1, double a2, double a3, const double* s, const double* daII,
                const double* daComb) {
  if (std::fabs(a1) < kNull) {
    if (std::fabs(a2) < kNull)
      Stop(kQuadraticContext, nullptr, "Unable to determine the roots of the quadratic equation -> a1 = 0 and a2 = 0");
    return -a3 / a2;
  }
  const double D = a2 * a2 - 4.0 * a1 * a3;
  if (!(D >= 0.0)) Stop(kQuadraticContext, nullptr, "Unable to determine real roots of the quadratic equation");
  const double root[2] = {(-a2 + std::sqrt(D)) / (2.0 * a1), (-a2 - std::sqrt(D)) / (2.0 * a1)};
  const double nComb = std::sqrt(Dot(nF, daComb, daComb));
  double cosine[2];
  for (int k = 0; k < 2; k++) {
    double vv = 0.0, vd = 0.0;
    for (int i = 1; i <= nF; i++) {
      const double v = s[i] + root[k] * daII[i];
      vv += v * v;
      vd += v * daComb[i];
    }
    const double nv = std::sqrt(vv);
    if (nComb == 0.0 || nv == 0.0) return std::fabs(root[0]) <= std::fabs(root[1]) ? root[0] : root[1];
    cosine[k] = vd / (nv * nComb);
  }
  return cosine[0] >= cosine[1] ? root[0] : root[1];
}

}  // namespace

void CheckArcLengthParameters(const MeshData* mesh) {
  const ArcLengthParameters& al = mesh->ArcLength;
  if (al.Displ.Active == 1 || al.RelDispl.Active == 1) return;
  if (!(al.RadiusFactor > 0.0)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    errexit("The arc-length radius factor must be positive.", 0);
  }
}

void ApplyArcLengthEta(int c, int nCombinations, int nF, int nP, int nPoints, const EquilibriumPathRecord* EP,
                       double* eta, double* r, int** PointDofNumbers, double* da, const double* dF, const double* dP,
                       double* FF, double* FP, double* rP, char** PointDofCodes, const ArcLengthParameters* al,
                       const double* daPrev) {
  const int k = al->Displ.Dof;
  if (al->Displ.Active == 1) {
    const int e = ControlEquation(al->Displ.Point, k, nPoints, PointDofNumbers, PointDofCodes, kInvalid, kNotFree);
    const double d = da[e];
    if (std::fabs(d) < kNull) Stop(kApplyContext, "In the control dof the iteration displacement is null.\n", kNoEta);
    *eta = al->Displ.Increment / d;
  } else if (al->RelDispl.Active == 1) {
    const int eA =
        ControlEquation(al->RelDispl.PointA, k, nPoints, PointDofNumbers, PointDofCodes, kRelInvalid, kRelNotFree);
    const int eB =
        ControlEquation(al->RelDispl.PointB, k, nPoints, PointDofNumbers, PointDofCodes, kRelInvalid, kRelNotFree);
    const double d = da[eB] - da[eA];
    if (std::fabs(d) < kNull)
      Stop(kApplyContext, "In the control dof the relative iteration displacement is null.\n", kNoEta);
    *eta = al->RelDispl.Increment / d;
  } else {
    const double sign = Dot(nF, da, daPrev) < 0.0 ? -1.0 : 1.0;
    if (!ConstantRadiusAfterFirst(c, nCombinations, al)) {
      // The full increment (or its reverse) is applied in iteration 1.
      *eta = sign;
      if (sign > 0.0) return;
    } else {
      const double psi = al->ForceDisplScaling;
      const double rho = std::sqrt(Dot(nF, da, da) + psi * psi * Dot(nF, dF, dF));
      if (rho < kNull) Stop(kApplyContext, "The current arc-length radius is null.\n", kNoEta);
      *r = EP->d1 * al->RadiusFactor;
      *eta = sign * *r / rho;
    }
  }
  const double cut = 1.0 - *eta;
  for (int i = 1; i <= nF; i++) FF[i] -= cut * dF[i];
  for (int i = 1; i <= nP; i++) FP[i] -= cut * dP[i];
  for (int i = 1; i <= nP; i++) rP[i] -= cut * dP[i];
  for (int i = 1; i <= nF; i++) da[i] *= *eta;
}

void CalcArcLengthData(int c, int nCombinations, int it, int nF, int nP, const EquilibriumPathRecord* EP, double* r,
                       double* eta, int** PointDofNumbers, const double* daComb, const double* daII, double* da,
                       const double* daI, const double* dF, const double* dP, double* FF, double* FP, double* rP,
                       char** PointDofCodes, const ArcLengthParameters* al) {
  if (it < 2) InternalError(__FILE__, __LINE__);
  const int k = al->Displ.Dof;
  double dl;
  if (al->Displ.Active == 1) {
    const int e = CheckedEquation(al->Displ.Point, k, nF, PointDofNumbers, PointDofCodes);
    if (std::fabs(daII[e]) < kNull)
      Stop(kCalcContext, "In the control dof the double overbar incremental displacement is null.\n", kNoEta);
    dl = -daI[e] / daII[e];
  } else if (al->RelDispl.Active == 1) {
    const int eA = CheckedEquation(al->RelDispl.PointA, k, nF, PointDofNumbers, PointDofCodes);
    const int eB = CheckedEquation(al->RelDispl.PointB, k, nF, PointDofNumbers, PointDofCodes);
    const double d = daII[eB] - daII[eA];
    if (std::fabs(d) < kNull)
      Stop(kCalcContext, "In the control dof the relative double overbar incremental displacement is null.\n",
           kNoEta);
    dl = -(daI[eB] - daI[eA]) / d;
  } else {
    const double psi2 = al->ForceDisplScaling * al->ForceDisplScaling;
    const double FF2 = Dot(nF, dF, dF);
    if (ConstantRadiusAfterFirst(c, nCombinations, al)) {
      *r = al->RadiusFactor * EP->d1;
    } else if (it == 2) {
      // The radius of the combination: the length of the first iteration's step, taken
      // with the full increment (eta = +-1 since iteration 1); later iterations keep it.
      *r = std::sqrt(Dot(nF, daComb, daComb) + psi2 * FF2);
    }
    double* s;
    allocd1(&s, nF);
    for (int i = 1; i <= nF; i++) s[i] = daComb[i] + daI[i];
    const double a1 = Dot(nF, daII, daII) + psi2 * FF2;
    const double a2 = 2.0 * (Dot(nF, s, daII) + *eta * psi2 * FF2);
    const double a3 = Dot(nF, s, s) + psi2 * *eta * *eta * FF2 - *r * *r;
    dl = PickRoot(nF, a1, a2, a3, s, daII, daComb);
    freed1(s);
  }
  *eta += dl;
  for (int i = 1; i <= nF; i++) da[i] = daI[i] + dl * daII[i];
  for (int i = 1; i <= nF; i++) FF[i] += dl * dF[i];
  for (int i = 1; i <= nP; i++) FP[i] += dl * dP[i];
  for (int i = 1; i <= nP; i++) rP[i] += dl * dP[i];
}
