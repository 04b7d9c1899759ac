// Stress invariants and their derivatives: every short form is the six-component form
// restricted to the components present.
#include "materials/plasticity/invariants.h"

#include <cmath>

#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

// Position in the six-vector of component i of an n-vector (0: unsupported n).
int SixIndex(int n, int i) {
  static constexpr int k3[4] = {0, 1, 2, 6};
  switch (n) {
    case 3: return k3[i];
    case 4:
    case 6: return i;
    default: return 0;
  }
}

void Expand(int n, const double* s, double* s6, const char* file, int line) {
  if (n != 3 && n != 4 && n != 6) InternalError(file, line);
  for (int k = 0; k <= 6; k++) s6[k] = 0.0;
  for (int i = 1; i <= n; i++) s6[SixIndex(n, i)] = s[i];
}

void Restrict(int n, const double* v6, double* v) {
  for (int i = 1; i <= n; i++) v[i] = v6[SixIndex(n, i)];
}

void Restrict(int n, const double (*M6)[7], double** M) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) M[i][j] = M6[SixIndex(n, i)][SixIndex(n, j)];
}

}  // namespace

void CalcFirstStressInvariant(int n, double* I1, const double* s) {
  double a[7];
  Expand(n, s, a, __FILE__, __LINE__);
  *I1 = a[1] + a[2] + a[3];
}

void CalcSecondDeviatoricStressInvariant(int n, double* J2, const double* s) {
  double a[7];
  Expand(n, s, a, __FILE__, __LINE__);
  const double s1 = a[1], s2 = a[2], s3 = a[3];
  *J2 = (s1 * s1 + s2 * s2 + s3 * s3 - s1 * s2 - s1 * s3 - s2 * s3) / 3.0 + a[4] * a[4] + a[5] * a[5] + a[6] * a[6];
  // Round-off may leave a nearly hydrostatic stress a negative J2, whose square root the
  // yield functions take.
  if (*J2 < 0.0) *J2 = 0.0;
}

void CalcThirdDeviatoricStressInvariant(int n, double* J3, const double* s) {
  double a[7];
  Expand(n, s, a, __FILE__, __LINE__);
  const double s1 = a[1], s2 = a[2], s3 = a[3], t4 = a[4], t5 = a[5], t6 = a[6];
  *J3 = 2.0 * (s1 * s1 * s1 + s2 * s2 * s2 + s3 * s3 * s3) / 27.0 -
        (s1 * s1 * s2 + s1 * s1 * s3 + s2 * s2 * s1 + s2 * s2 * s3 + s3 * s3 * s1 + s3 * s3 * s2) / 9.0 +
        4.0 * s1 * s2 * s3 / 9.0 - (2.0 / 3.0) * (s1 * t4 * t4 + s2 * t5 * t5 + s3 * t6 * t6) +
        ((s2 + s3) * t4 * t4 + (s1 + s3) * t5 * t5 + (s1 + s2) * t6 * t6) / 3.0 + 2.0 * t4 * t5 * t6;
}

void CalcDerivFirstStressInvariant(int n, double* dI1) {
  if (n != 3 && n != 4 && n != 6) InternalError(__FILE__, __LINE__);
  const double g[7] = {0.0, 1.0, 1.0, 1.0, 0.0, 0.0, 0.0};
  Restrict(n, g, dI1);
}

void CalcDerivSecondDeviatoricStressInvariant(int n, double* dJ2, const double* s) {
  double a[7];
  Expand(n, s, a, __FILE__, __LINE__);
  const double g[7] = {0.0,
                       (2.0 * a[1] - a[2] - a[3]) / 3.0,
                       (2.0 * a[2] - a[1] - a[3]) / 3.0,
                       (2.0 * a[3] - a[1] - a[2]) / 3.0,
                       2.0 * a[4],
                       2.0 * a[5],
                       2.0 * a[6]};
  Restrict(n, g, dJ2);
}

void CalcDerivThirdDeviatoricStressInvariant(int n, double* dJ3, const double* s) {
  double a[7];
  Expand(n, s, a, __FILE__, __LINE__);
  double g[7];
  g[0] = 0.0;
  // Normal i, with j, k the other normals and the shear paired with i weighted by -2.
  for (int i = 1; i <= 3; i++) {
    const int j = i % 3 + 1, k = j % 3 + 1;
    const double si = a[i], sj = a[j], sk = a[k];
    const double ti = a[i + 3], tj = a[j + 3], tk = a[k + 3];
    g[i] = (2.0 * si * si - 2.0 * si * sj - 2.0 * si * sk - sj * sj - sk * sk + 4.0 * sj * sk) / 9.0 +
           (tj * tj + tk * tk - 2.0 * ti * ti) / 3.0;
    g[i + 3] = (2.0 / 3.0) * (sj + sk - 2.0 * si) * ti + 2.0 * tj * tk;
  }
  Restrict(n, g, dJ3);
}

void CalcDeriv2FirstStressInvariant(int n, double** d2I1) {
  if (n != 3 && n != 4 && n != 6) InternalError(__FILE__, __LINE__);
  zerod2(d2I1, n, n);
}

void CalcDeriv2SecondDeviatoricStressInvariant(int n, double** d2J2) {
  if (n != 3 && n != 4 && n != 6) InternalError(__FILE__, __LINE__);
  double M[7][7] = {};
  for (int i = 1; i <= 3; i++) {
    for (int j = 1; j <= 3; j++) M[i][j] = i == j ? 2.0 / 3.0 : -1.0 / 3.0;
    M[i + 3][i + 3] = 2.0;
  }
  Restrict(n, M, d2J2);
}

void CalcDeriv2ThirdDeviatoricStressInvariant(int n, double** d2J3, const double* s) {
  double a[7];
  Expand(n, s, a, __FILE__, __LINE__);
  const double p = (a[1] + a[2] + a[3]) / 3.0;
  double M[7][7] = {};
  for (int i = 1; i <= 3; i++) {
    const int j = i % 3 + 1, k = j % 3 + 1;
    M[i][i] = (2.0 / 3.0) * (a[i] - p);
    M[i][j] = M[j][i] = (2.0 / 3.0) * (a[k] - p);
    // Normal i with its paired shear i + 3 and with the two others.
    for (int t = 4; t <= 6; t++) M[i][t] = M[t][i] = t == i + 3 ? -(4.0 / 3.0) * a[t] : (2.0 / 3.0) * a[t];
    M[i + 3][i + 3] = 2.0 * (p - a[i]);
    M[j + 3][k + 3] = M[k + 3][j + 3] = 2.0 * a[i + 3];
  }
  Restrict(n, M, d2J3);
}

void AllocStressInvariants(int n, StressInvariants* v) {
  allocd1(&v->dI1, n);
  allocd1(&v->dJ2, n);
  allocd1(&v->dJ3, n);
  allocd2(&v->d2I1, n, n);
  allocd2(&v->d2J2, n, n);
  allocd2(&v->d2J3, n, n);
}

void FreeStressInvariants(StressInvariants* v) {
  freed2(v->d2J3);
  freed2(v->d2J2);
  freed2(v->d2I1);
  freed1(v->dJ3);
  freed1(v->dJ2);
  freed1(v->dI1);
  *v = StressInvariants{};
}

void CalcStressInvariantsAndDerivs(int n, const double* s, StressInvariants* v) {
  CalcFirstStressInvariant(n, &v->I1, s);
  CalcSecondDeviatoricStressInvariant(n, &v->J2, s);
  CalcThirdDeviatoricStressInvariant(n, &v->J3, s);
  CalcDerivFirstStressInvariant(n, v->dI1);
  CalcDerivSecondDeviatoricStressInvariant(n, v->dJ2, s);
  CalcDerivThirdDeviatoricStressInvariant(n, v->dJ3, s);
  CalcDeriv2FirstStressInvariant(n, v->d2I1);
  CalcDeriv2SecondDeviatoricStressInvariant(n, v->d2J2);
  CalcDeriv2ThirdDeviatoricStressInvariant(n, v->d2J3, s);
}

double TensorShearWeight(int n, int i) {
  if (n != 3 && n != 4 && n != 6) InternalError(__FILE__, __LINE__);
  if (i < 1 || i > n) InternalError(__FILE__, __LINE__);
  return SixIndex(n, i) > 3 ? 0.5 : 1.0;
}

double TensorStrainNorm(int n, const double* e, double ezz) {
  double sum = ezz * ezz;
  for (int i = 1; i <= n; i++) sum += TensorShearWeight(n, i) * e[i] * e[i];
  return std::sqrt(sum);
}

double TensorStressNorm(int n, const double* s, double szz) {
  double sum = szz * szz;
  for (int i = 1; i <= n; i++) sum += s[i] * s[i] / TensorShearWeight(n, i);
  return std::sqrt(sum);
}

int PlasticityComponents(StressState s) {
  switch (s) {
    case kStatePlaneStress: return 3;
    case kStatePlaneStrain: return 4;
    case kStateSolid: return 6;
    default: InternalError(__FILE__, __LINE__);
  }
}

int ElementComponent(int n, int i) {
  static constexpr int kPlaneStrain[5] = {0, 4, 1, 2, 3};
  return n == 4 ? kPlaneStrain[i] : i;
}

void ModelOrderIncrement(int n, const double* dEps, const double* stress, double* strain, double* de, double* last) {
  for (int i = 1; i <= n; i++) {
    de[i] = n == 4 ? (i == 1 ? 0.0 : dEps[i - 1]) : dEps[i];
    last[i] = stress[ElementComponent(n, i)];
    strain[ElementComponent(n, i)] += de[i];
  }
}

void ElementOrderTangent(int n, double** T, double** D) {
  if (n == 4)
    getsubd2(D, T, 3, 3, 2, 2);
  else
    copyd2(D, T, n, n);
}
