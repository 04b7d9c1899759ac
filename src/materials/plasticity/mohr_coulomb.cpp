// Mohr-Coulomb return in principal stresses: one plane, an edge of two planes, or the apex.
#include "materials/plasticity/mohr_coulomb.h"

#include <algorithm>
#include <cmath>

#include "materials/elastic.h"
#include "numcore/eigensolvers.h"
#include "numcore/numcore.h"

namespace {

constexpr double kFlowStiffness = 1e-6;

// Principal stresses t[1..3] of a model-order stress and the principal directions
// V[i][a] (component i of direction a).
struct Frame {
  double t[4];
  double V[4][4];
};

// A plane-stress point: the in-plane principal pair in closed form, the third axis z
// with the principal stress 0.
Frame PlaneFrame(const double* s) {
  const double mid = 0.5 * (s[1] + s[2]), rad = std::hypot(0.5 * (s[1] - s[2]), s[3]);
  const double th = 0.5 * std::atan2(2.0 * s[3], s[1] - s[2]), c = std::cos(th), sn = std::sin(th);
  Frame f{};
  f.t[1] = mid + rad;
  f.t[2] = mid - rad;
  f.t[3] = 0.0;
  f.V[1][1] = c;
  f.V[2][1] = sn;
  f.V[1][2] = -sn;
  f.V[2][2] = c;
  f.V[3][3] = 1.0;
  return f;
}

Frame PrincipalFrame(int n, const double* s) {
  if (n == 3) return PlaneFrame(s);
  double v[7] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  for (int i = 1; i <= n; i++) v[i] = s[i];
  double **T, **V, *lam;
  allocd2(&T, 3, 3);
  allocd2(&V, 3, 3);
  allocd1(&lam, 3);
  T[1][1] = v[1];
  T[2][2] = v[2];
  T[3][3] = v[3];
  T[2][3] = T[3][2] = v[4];
  T[1][3] = T[3][1] = v[5];
  T[1][2] = T[2][1] = v[6];
  N6_Symmat_eigen(T, lam, V, 3);
  Frame f;
  for (int a = 1; a <= 3; a++) {
    f.t[a] = lam[a];
    for (int i = 1; i <= 3; i++) f.V[i][a] = V[i][a];
  }
  freed1(lam);
  freed2(V);
  freed2(T);
  return f;
}

// Six-vector (tensor shears) of the symmetric dyad (ea eb + eb ea)/2.
void Dyad(const Frame& f, int a, int b, double* w) {
  const auto& V = f.V;
  w[1] = V[1][a] * V[1][b];
  w[2] = V[2][a] * V[2][b];
  w[3] = V[3][a] * V[3][b];
  w[4] = 0.5 * (V[2][a] * V[3][b] + V[3][a] * V[2][b]);
  w[5] = 0.5 * (V[1][a] * V[3][b] + V[3][a] * V[1][b]);
  w[6] = 0.5 * (V[1][a] * V[2][b] + V[2][a] * V[1][b]);
}

// Model component of the six-vector component i (plane stress: 11, 22, 12); 0 where the
// model vector has no such component.
int ModelIndex(int n, int i) {
  if (n != 3) return i <= n ? i : 0;
  return i == 1 ? 1 : i == 2 ? 2 : i == 6 ? 3 : 0;
}

// Isotropic elasticity in the principal space: D p = lame tr(p) 1 + 2G p in the solid
// (dim 3); a plane-stress point (dim 2) keeps s3 = 0 and leaves its third strain free,
// D = E/(1 - nu^2) [[1, nu], [nu, 1]] on the in-plane pair.
struct Elastic {
  int dim;
  double E, nu, G, lame;
  double D[4][4];
};

Elastic ElasticOf(int n, const Nlmm124Material& p) {
  const double G = p.E / (2.0 * (1.0 + p.nu)), lame = p.E * p.nu / ((1.0 + p.nu) * (1.0 - 2.0 * p.nu));
  Elastic e{n == 3 ? 2 : 3, p.E, p.nu, G, lame, {}};
  for (int a = 1; a <= e.dim; a++)
    for (int b = 1; b <= e.dim; b++)
      e.D[a][b] = e.dim == 3 ? e.lame + (a == b ? 2.0 * e.G : 0.0) : p.E / (1.0 - p.nu * p.nu) * (a == b ? 1.0 : p.nu);
  return e;
}

void ApplyD(const Elastic& e, const double* x, double* y) {
  if (e.dim == 2) {
    y[1] = e.D[1][1] * x[1] + e.D[1][2] * x[2];
    y[2] = e.D[2][1] * x[1] + e.D[2][2] * x[2];
    y[3] = 0.0;
    return;
  }
  const double tr = x[1] + x[2] + x[3];
  for (int a = 1; a <= 3; a++) y[a] = e.lame * tr + 2.0 * e.G * x[a];
}

// The six planes f_ij = n_ij . s - c cos(phi) of the ordered pairs i != j: the largest
// principal stress i, the smallest j, tension positive.
struct Planes {
  double n[7][4];
  double r, sinPhi, phi, c;
};

Planes PlanesOf(double c, double phi) {
  Planes P;
  P.sinPhi = std::sin(phi);
  P.r = c * std::cos(phi);
  P.phi = phi;
  P.c = c;
  int k = 0;
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      if (i == j) continue;
      k++;
      for (int a = 1; a <= 3; a++) P.n[k][a] = 0.0;
      P.n[k][i] = 0.5 * (1.0 + P.sinPhi);
      P.n[k][j] = -0.5 * (1.0 - P.sinPhi);
    }
  return P;
}

double PlaneValue(const Planes& P, int k, const double* s) {
  return P.n[k][1] * s[1] + P.n[k][2] * s[2] + P.n[k][3] * s[3] - P.r;
}

// Result of the projection at fixed c and phi: the stress, the active planes with their
// multipliers (none: elastic), or the apex.
struct Projection {
  double s[4];
  int plane[3], m;
  double lambda[3];
  bool apex;
  double Pd[4][4];  // d s / d(trial principal strain)
};

// Candidate with the planes act[1..m]: s = t - D N lambda with f(s) = 0 on them.
bool TryPlanes(const double* t, const Planes& P, const Elastic& e, const int* act, int m, double tol, Projection* pr) {
  double Dn[3][4], M[3][3], f[3];
  for (int a = 1; a <= m; a++) {
    ApplyD(e, P.n[act[a]], Dn[a]);
    f[a] = PlaneValue(P, act[a], t);
  }
  for (int a = 1; a <= m; a++)
    for (int b = 1; b <= m; b++)
      M[a][b] = P.n[act[a]][1] * Dn[b][1] + P.n[act[a]][2] * Dn[b][2] + P.n[act[a]][3] * Dn[b][3];
  double Mi[3][3];
  if (m == 1) {
    if (!(M[1][1] > 0.0)) return false;
    Mi[1][1] = 1.0 / M[1][1];
  } else {
    const double det = M[1][1] * M[2][2] - M[1][2] * M[2][1];
    // Parallel planes (Tresca's opposite faces) meet nowhere.
    if (!(std::fabs(det) > 1e-10 * M[1][1] * M[2][2])) return false;
    Mi[1][1] = M[2][2] / det;
    Mi[2][2] = M[1][1] / det;
    Mi[1][2] = -M[1][2] / det;
    Mi[2][1] = -M[2][1] / det;
  }
  double lam[3];
  for (int a = 1; a <= m; a++) {
    lam[a] = 0.0;
    for (int b = 1; b <= m; b++) lam[a] += Mi[a][b] * f[b];
    if (lam[a] * 2.0 * e.G < -tol) return false;
  }
  double s[4];
  for (int i = 1; i <= 3; i++) {
    s[i] = t[i];
    for (int a = 1; a <= m; a++) s[i] -= lam[a] * Dn[a][i];
  }
  for (int k = 1; k <= 6; k++)
    if (PlaneValue(P, k, s) > tol) return false;
  pr->m = m;
  pr->apex = false;
  for (int i = 1; i <= 3; i++) pr->s[i] = s[i];
  for (int a = 1; a <= m; a++) {
    pr->plane[a] = act[a];
    pr->lambda[a] = std::max(lam[a], 0.0);
  }
  // Pd = D - (D N) M^-1 (D N)^T, the elastic matrix with the active normals taken out.
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      double x = e.D[i][j];
      for (int a = 1; a <= m; a++)
        for (int b = 1; b <= m; b++) x -= Dn[a][i] * Mi[a][b] * Dn[b][j];
      pr->Pd[i][j] = x;
    }
  return true;
}

// Closest point of the surface to the principal trial stress t in the energy norm.
bool Project(const double* t, const Planes& P, const Elastic& e, Projection* pr) {
  const double scale = std::max({std::fabs(t[1]), std::fabs(t[2]), std::fabs(t[3]), std::fabs(P.r), 1e-300});
  const double tol = 1e-10 * scale;
  bool inside = true;
  for (int k = 1; k <= 6; k++)
    if (PlaneValue(P, k, t) > 0.0) inside = false;
  if (inside) {
    pr->m = 0;
    pr->apex = false;
    for (int i = 1; i <= 3; i++) {
      pr->s[i] = t[i];
      for (int j = 1; j <= 3; j++) pr->Pd[i][j] = e.D[i][j];
    }
    return true;
  }
  int act[3];
  for (int k = 1; k <= 6; k++) {
    act[1] = k;
    if (TryPlanes(t, P, e, act, 1, tol, pr)) return true;
  }
  for (int k = 1; k <= 6; k++)
    for (int l = k + 1; l <= 6; l++) {
      act[1] = k;
      act[2] = l;
      if (TryPlanes(t, P, e, act, 2, tol, pr)) return true;
    }
  // No face or edge: the apex, where every plane meets, if the trial lies beyond it
  // in mean stress (the plastic flow of every plane dilates). The surface of a
  // plane-stress point (the planes cut by s3 = 0) is a closed hexagon: a side or a corner
  // of it always holds the projection.
  if (e.dim == 2 || !(P.sinPhi > 0.0)) return false;
  const double apex = P.c * std::cos(P.phi) / P.sinPhi;
  if (!((t[1] + t[2] + t[3]) / 3.0 > apex)) return false;
  pr->m = 0;
  pr->apex = true;
  for (int i = 1; i <= 3; i++) {
    pr->s[i] = apex;
    for (int j = 1; j <= 3; j++) pr->Pd[i][j] = 0.0;
  }
  return true;
}

// Plastic strain increment C (t - s) in the principal space and its length.
double PlasticIncrement(const Elastic& e, const double* t, const double* s, double* dep) {
  const double tr = (t[1] - s[1]) + (t[2] - s[2]) + (t[3] - s[3]);
  double len = 0.0;
  for (int a = 1; a <= 3; a++) {
    dep[a] = ((1.0 + e.nu) * (t[a] - s[a]) - e.nu * tr) / e.E;
    len += dep[a] * dep[a];
  }
  return std::sqrt(len);
}

// The plastic strain increment of a projection and its length. A plane-stress point
// flows out of its plane too: its increment is the sum of the multipliers times the
// normals of the whole planes, whose third component is the strain e3 the elastic law
// does not fix.
double IncrementOf(const Elastic& e, const double* t, const Projection& pr, const Planes& P, double* dep) {
  if (e.dim == 3) return PlasticIncrement(e, t, pr.s, dep);
  double len = 0.0;
  for (int a = 1; a <= 3; a++) {
    dep[a] = 0.0;
    for (int k = 1; k <= pr.m; k++) dep[a] += pr.lambda[k] * P.n[pr.plane[k]][a];
    len += dep[a] * dep[a];
  }
  return std::sqrt(len);
}

Planes PlanesAt(const Nlmm124Material& p, double kappa) {
  return PlanesOf(CalcCohesionFunc_NLMM124(p, kappa).f, CalcFricAngleFunc_NLMM124(p, kappa).f);
}

bool ProjectAt(const Nlmm124Material& p, const Elastic& e, const double* t, double kappa, Projection* pr,
               double* len) {
  const Planes P = PlanesAt(p, kappa);
  if (!Project(t, P, e, pr)) return false;
  double dep[4];
  *len = IncrementOf(e, t, *pr, P, dep);
  return true;
}

}  // namespace

bool ReturnMapping_MohrCoulomb_NLMM124(int n, const Nlmm124Material& p, const double* trial, double kappa0,
                                       MohrCoulombReturn* out) {
  const Frame fr = PrincipalFrame(n, trial);
  const Elastic e = ElasticOf(n, p);
  Projection pr;
  double len;
  if (!ProjectAt(p, e, fr.t, kappa0, &pr, &len)) return false;
  double kappa = kappa0;
  if (pr.m > 0 || pr.apex) {
    // kappa = kappa0 + |dEp(kappa)|: g(kappa0) <= 0; bracket a root and close it by
    // the secant with the Illinois correction. A fixed c and phi close it at once.
    const double tol = 1e-12 * (len + kappa0) + 1e-300;
    const auto g = [&](double k, Projection* q, bool* ok) {
      double l = 0.0;
      *ok = ProjectAt(p, e, fr.t, k, q, &l);
      return k - kappa0 - l;
    };
    bool ok = true;
    double a = kappa0, ga = -len, b = kappa0 + len;
    double gb = g(b, &pr, &ok);
    for (int k = 0; ok && gb < -tol && k < 60; k++) {
      a = b;
      ga = gb;
      b = kappa0 + 2.0 * (b - kappa0);
      gb = g(b, &pr, &ok);
    }
    if (!ok || gb < -tol) return false;
    kappa = b;
    int side = 0;
    for (int k = 0; std::fabs(gb) > tol; k++) {
      if (k > 200) return false;
      const double x = b - gb * (b - a) / (gb - ga);
      const double gx = g(x, &pr, &ok);
      if (!ok) return false;
      kappa = x;
      if (std::fabs(gx) <= tol) break;
      if (gx > 0.0) {
        b = x;
        gb = gx;
        if (side == 1) ga *= 0.5;
        side = 1;
      } else {
        a = x;
        ga = gx;
        if (side == -1) gb *= 0.5;
        side = -1;
      }
    }
    if (!(std::fabs(g(kappa, &pr, &ok)) <= tol) || !ok) return false;
  }
  // Back to the model frame.
  double dep[4], w[7], s6[7] = {0, 0, 0, 0, 0, 0, 0}, e6[7] = {0, 0, 0, 0, 0, 0, 0};
  const double l = IncrementOf(e, fr.t, pr, PlanesAt(p, kappa), dep);
  for (int a = 1; a <= e.dim; a++) {
    Dyad(fr, a, a, w);
    for (int i = 1; i <= 6; i++) {
      s6[i] += pr.s[a] * w[i];
      e6[i] += dep[a] * w[i] * (i > 3 ? 2.0 : 1.0);
    }
  }
  for (int i = 1; i <= 6; i++) {
    const int k = ModelIndex(n, i);
    if (k == 0) continue;
    out->sigma[k] = pr.m > 0 || pr.apex ? s6[i] : trial[k];
    out->dEpsP[k] = e6[i];
  }
  out->kappa = kappa;
  if (pr.apex) {
    const double sp = std::sin(CalcFricAngleFunc_NLMM124(p, kappa).f);
    out->dLambda = l / (0.5 * std::sqrt((1.0 + sp) * (1.0 + sp) + (1.0 - sp) * (1.0 - sp)));
  } else {
    out->dLambda = 0.0;
    for (int a = 1; a <= pr.m; a++) out->dLambda += pr.lambda[a];
  }
  if (pr.m == 0 && !pr.apex) zerod1(out->dEpsP, n);
  const double sMax = std::max({pr.s[1], pr.s[2], pr.s[3]}), sMin = std::min({pr.s[1], pr.s[2], pr.s[3]});
  out->eq = 0.5 * ((sMax - sMin) + (sMax + sMin) * std::sin(CalcFricAngleFunc_NLMM124(p, kappa).f));
  return true;
}

void CalcMat_Dep_MohrCoulomb_NLMM124(int n, const Nlmm124Material& p, const double* trial, double kappa,
                                     double** Dep) {
  const Frame fr = PrincipalFrame(n, trial);
  const Elastic e = ElasticOf(n, p);
  Projection pr;
  double len;
  if (!ProjectAt(p, e, fr.t, kappa, &pr, &len)) InternalError(__FILE__, __LINE__);
  // D = sum_ab Pd_ab m_a m_b + sum_a<b 2 g_ab w_ab w_ab, the second sum turning the
  // principal axes with the strain: g_ab = (s_a - s_b)/(e_a - e_b) of the trial strains,
  // at equal trial strains its limit d(s_a - s_b)/d(e_a - e_b). A plane-stress point
  // turns about its third axis only.
  const double scale = std::max({std::fabs(fr.t[1]), std::fabs(fr.t[2]), std::fabs(fr.t[3]), 1e-300});
  double D6[7][7] = {};
  double m[4][7], w[7];
  for (int a = 1; a <= 3; a++) Dyad(fr, a, a, m[a]);
  for (int a = 1; a <= e.dim; a++)
    for (int b = 1; b <= e.dim; b++)
      for (int i = 1; i <= 6; i++)
        for (int j = 1; j <= 6; j++) D6[i][j] += pr.Pd[a][b] * m[a][i] * m[b][j];
  for (int a = 1; a <= e.dim; a++)
    for (int b = a + 1; b <= e.dim; b++) {
      const double dt = fr.t[a] - fr.t[b];
      const double gab = std::fabs(dt) > 1e-10 * scale ? 2.0 * e.G * (pr.s[a] - pr.s[b]) / dt
                                                        : 0.5 * (pr.Pd[a][a] - pr.Pd[a][b] - pr.Pd[b][a] + pr.Pd[b][b]);
      Dyad(fr, a, b, w);
      for (int i = 1; i <= 6; i++)
        for (int j = 1; j <= 6; j++) D6[i][j] += 2.0 * gab * w[i] * w[j];
    }
  // Perfect plasticity leaves the tangent without stiffness along the flow: one
  // direction on a face, more on an edge (where the flow is not unique), all but the
  // rotations at the apex. A body whose points all flow alike (a homogeneous state)
  // would have a singular matrix; a millionth of the elastic stiffness keeps it regular
  // and the Newton iterations converging.
  double** De = nullptr;
  if (pr.m > 0 || pr.apex) {
    allocd2(&De, n, n);
    CalcMat_De_IsoModel(n, p.nu, p.E, De);
  }
  for (int i = 1; i <= 6; i++)
    for (int j = 1; j <= 6; j++) {
      const int k = ModelIndex(n, i), l = ModelIndex(n, j);
      if (k == 0 || l == 0) continue;
      Dep[k][l] = D6[i][j] + (De != nullptr ? kFlowStiffness * De[k][l] : 0.0);
    }
  if (De != nullptr) freed2(De);
}

void CalcMat_Dep_MohrCoulombAtStress_NLMM124(int n, const Nlmm124Material& p, const double* stress, double kappa,
                                             double dLambda, double** Dep) {
  const Frame fr = PrincipalFrame(n, stress);
  const Elastic e = ElasticOf(n, p);
  const Planes P = PlanesAt(p, kappa);
  const double scale = std::max({std::fabs(fr.t[1]), std::fabs(fr.t[2]), std::fabs(fr.t[3]), std::fabs(P.r), 1e-300});
  double nm[4] = {0.0, 0.0, 0.0, 0.0};
  int active = 0;
  for (int k = 1; k <= 6; k++)
    if (PlaneValue(P, k, fr.t) >= -1e-8 * scale) {
      active++;
      for (int a = 1; a <= 3; a++) nm[a] += P.n[k][a];
    }
  double t[4], Dn[4];
  for (int a = 1; a <= 3; a++) nm[a] = active > 0 ? nm[a] / active : 0.0;
  ApplyD(e, nm, Dn);
  for (int a = 1; a <= 3; a++) t[a] = fr.t[a] + dLambda * Dn[a];
  // Back to the model frame.
  double w[7], t6[7] = {0, 0, 0, 0, 0, 0, 0}, tm[7] = {0, 0, 0, 0, 0, 0, 0};
  for (int a = 1; a <= e.dim; a++) {
    Dyad(fr, a, a, w);
    for (int i = 1; i <= 6; i++) t6[i] += t[a] * w[i];
  }
  for (int i = 1; i <= 6; i++)
    if (ModelIndex(n, i) != 0) tm[ModelIndex(n, i)] = t6[i];
  CalcMat_Dep_MohrCoulomb_NLMM124(n, p, tm, kappa, Dep);
}
