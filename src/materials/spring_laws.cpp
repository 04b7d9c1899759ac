// Nonlinear spring laws: the loading-state machine they share, the three envelopes with
// their unloading branches and tangents, the orientation factor, and the set-up checks
// of the spring materials.
#include "materials/spring_laws.h"

#include <cmath>
#include <cstdio>

#include "model/mesh.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

constexpr double kSpringTiny = 1e-8;
constexpr int kElasticUnloading = 2;
constexpr int kSecantUnloading = 1;

// ---- _NLSMM101 --------------------------------------------------------------------------

struct Law101 {
  double k, Fp, a, dp, c;
  int unloading;
};

Law101 Parameters101(const MaterialRecord& m) {
  Law101 p;
  p.k = MatValue(m, 1);
  p.Fp = MatValue(m, 2);
  p.a = MatValue(m, 3);
  p.unloading = MatInt(m, 4);
  p.dp = 2.0 * p.Fp / p.k;
  p.c = (p.a - 1.0) / (p.a * p.a / 4.0 - p.a + 1.0);
  return p;
}

double Envelope101(const Law101& p, double x) {
  if (x <= p.a * p.dp / 2.0) return p.k * x;
  if (x < p.dp) return p.c * p.k * x * x / (2.0 * p.dp) - p.c * p.k * x + (p.c + 1.0) * p.k * p.dp / 2.0;
  return p.Fp;
}

// Unloading and reloading are elastic only; the secant type stops the run the first time
// a spring unloads.
void CheckUnloading101(const Law101& p, const char* message) {
  if (p.unloading == kElasticUnloading) return;
  if (p.unloading == kSecantUnloading) errexit(message, 0);
  InternalError(__FILE__, __LINE__);
}

// ---- _NLSMM102 --------------------------------------------------------------------------

struct Law102 {
  int mapping;
  double d1, F1, d2, F2, d3, F3, n;
};

Law102 Parameters102(const MaterialRecord& m) {
  return Law102{MatInt(m, 1),    MatValue(m, 2), MatValue(m, 3), MatValue(m, 4),
                MatValue(m, 5), MatValue(m, 6), MatValue(m, 7), MatValue(m, 8)};
}

double Envelope102(const Law102& p, double x) {
  if (x <= p.d1) return p.F1 / p.d1 * x;
  if (x <= p.d2) return p.d2 - p.d1 < kSpringTiny ? p.F2 : p.F2 + (x - p.d2) * (p.F2 - p.F1) / (p.d2 - p.d1);
  if (x <= p.d3)
    return p.d3 - p.d2 < kSpringTiny ? p.F3 : p.F3 + (p.F2 - p.F3) * std::pow((p.d3 - x) / (p.d3 - p.d2), p.n);
  return p.F3;
}

double Floored(double v) { return v < kSpringTiny ? kSpringTiny : v; }

// Slope of the power curve at x (d2 < x <= d3).
double PowerSlope102(const Law102& p, double x) {
  const double D3 = Floored(p.d3 - p.d2);
  return -std::pow((p.d3 - x) / D3, p.n - 1.0) * (p.F2 - p.F3) * p.n / D3;
}

// The largest initial slope of the three branches.
double UnloadingStiffness102(const Law102& p) {
  double ku = p.F1 / p.d1;
  const double k2 = (p.F2 - p.F1) / Floored(p.d2 - p.d1);
  if (k2 > ku) ku = k2;
  const double k3 = PowerSlope102(p, p.d2);
  if (k3 > ku) ku = k3;
  return ku;
}

// ---- _NLSMM103 --------------------------------------------------------------------------

double Table103(const MaterialRecord& m, double x) {
  const int n = m.ListLen;
  const double* X = m.List1;
  const double* Y = m.List2;
  if (n < 1) InternalError(__FILE__, __LINE__);
  if (x < 0.0) return 0.0;
  if (x > X[n]) return Y[n];
  int i = 1;
  while (x > X[i]) i++;
  if (i == 1) return x * Y[1] / X[1];
  return Y[i - 1] + (x - X[i - 1]) * (Y[i] - Y[i - 1]) / (X[i] - X[i - 1]);
}

// ---- shared state machine -----------------------------------------------------------------

// Envelope Env(x) and unloading branch UR(x; m) of one law, x and m magnitudes.
struct SpringCurves {
  int kind;
  const MaterialRecord* m;
  double Env(double x) const {
    switch (kind) {
      case SPRMAT_NLSMM101: return Envelope101(Parameters101(*m), x);
      case SPRMAT_NLSMM102: return Envelope102(Parameters102(*m), x);
      case SPRMAT_NLSMM103: return Table103(*m, x);
      default: InternalError(__FILE__, __LINE__);
    }
  }
  // Residual displacement of the unloading branch from the envelope at mx.
  double Residual(double mx, double ku) const { return mx - Env(mx) / ku; }
  double UR(double x, double mx) const {
    double ku;
    switch (kind) {
      case SPRMAT_NLSMM101: {
        const Law101 p = Parameters101(*m);
        CheckUnloading101(p, "Only '_ELASTIC' type of unloading and reloadingdiagram is available.");
        ku = p.k;
        break;
      }
      case SPRMAT_NLSMM102: ku = UnloadingStiffness102(Parameters102(*m)); break;
      case SPRMAT_NLSMM103: return Table103(*m, x);  // elastic: the table both ways
      default: InternalError(__FILE__, __LINE__);
    }
    const double u = x - Residual(mx, ku);
    return u > 0.0 ? ku * u : 0.0;
  }
};

// Mapping 0 of _NLSMM103 acts on both sides: s follows the sign of d.
double ActingFactor(double s, double d) {
  if (s != 0.0) return s;
  return d <= 0.0 ? 1.0 : -1.0;
}

double StateForce(const SpringCurves& law, double s, double d, NLSMM_HDRecord& r) {
  int& state = r.InUse;
  double& dLast = r.Value[NLSMM_HDRecord::kDisplacement];
  double& F = r.Value[NLSMM_HDRecord::kForce];
  double& dMax = r.Value[NLSMM_HDRecord::kEnvelope];
  const double x = std::fabs(d), p = std::fabs(dLast), mx = std::fabs(dMax);
  if (ActingFactor(s, d) * d > 0.0) {
    F = 0.0;
    state = 4;
    dLast = d;
    return F;
  }
  // While the spring acts, its displacement keeps one sign (the elastic table has no
  // such restriction).
  if (law.kind != SPRMAT_NLSMM103 && state != 4 && dLast * d < 0.0) InternalError(__FILE__, __LINE__);
  // Loading beyond the reach of the unloading branches returns to the envelope.
  // The branch follows the direction of the step from the last displacement: only a step
  // beyond it loads; one that stays there takes the unloading branch, whose force is the
  // same at that point and whose stiffness is the elastic one (at the origin the envelope
  // is its own elastic branch).
  bool envelope = false;
  switch (state) {
    case 1:
      if (x > p || p == 0.0)
        envelope = true;
      else
        state = 2;
      break;
    case 2:
      if (x > p) {
        if (x <= mx)
          state = 3;
        else
          envelope = true;
      }
      break;
    case 3:
      if (x < p)
        state = 2;
      else if (x > mx)
        envelope = true;
      break;
    case 4:
      if (x <= mx)
        state = 3;
      else
        envelope = true;
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  double f;
  if (envelope) {
    f = law.Env(x);
    dMax = d;
    state = 1;
  } else {
    f = law.UR(x, mx);
  }
  F = d < 0.0 ? -f : f;
  dLast = d;
  return F;
}

double Tangent101(const MaterialRecord& m, const NLSMM_HDRecord& r) {
  const Law101 p = Parameters101(m);
  const double x = std::fabs(r.Value[NLSMM_HDRecord::kDisplacement]);
  switch (r.InUse) {
    case 1:
      if (x <= p.a * p.dp / 2.0) return p.k;
      if (x < p.dp) return p.c * p.k * (x / p.dp - 1.0);
      return 0.0;
    case 2:
    case 3: {
      CheckUnloading101(p, "Only '_ELASTIC' type of unloading and reloading diagram is available.");
      const double dEnv = std::fabs(r.Value[NLSMM_HDRecord::kEnvelope]);
      const double res = SpringCurves{SPRMAT_NLSMM101, &m}.Residual(dEnv, p.k);
      return x - res > 0.0 ? p.k : 0.0;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

double Tangent102(const MaterialRecord& m, const NLSMM_HDRecord& r) {
  const Law102 p = Parameters102(m);
  const double x = std::fabs(r.Value[NLSMM_HDRecord::kDisplacement]);
  switch (r.InUse) {
    case 1:
      if (x <= p.d1) return p.F1 / p.d1;
      if (x <= p.d2) return (p.F2 - p.F1) / Floored(p.d2 - p.d1);
      if (x <= p.d3) return PowerSlope102(p, x);
      return 0.0;
    case 2:
    case 3: {
      const double ku = UnloadingStiffness102(p);
      const double dEnv = std::fabs(r.Value[NLSMM_HDRecord::kEnvelope]);
      const double res = SpringCurves{SPRMAT_NLSMM102, &m}.Residual(dEnv, ku);
      return x - res > 0.0 ? ku : 0.0;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

double Tangent103(const MaterialRecord& m, const NLSMM_HDRecord& r) {
  const int n = m.ListLen;
  const double* X = m.List1;
  const double* Y = m.List2;
  const double dLast = r.Value[NLSMM_HDRecord::kDisplacement];
  const double x = std::fabs(dLast);
  if (x > X[n]) return 0.0;
  int i = 1;
  while (X[i] < x) i++;
  const double slope = i == 1 ? Y[1] / X[1] : (Y[i] - Y[i - 1]) / (X[i] - X[i - 1]);
  // A falling segment takes the secant; at the origin (first segment falling) the
  // secant is that segment's slope.
  if (slope >= 0.0 || dLast == 0.0) return slope;
  return r.Value[NLSMM_HDRecord::kForce] / dLast;
}

// ---- set-up checks ------------------------------------------------------------------------

const char* BlockOfKind(int kind) {
  switch (kind) {
    case SPRMAT_NLSMM101: return "<NLSMM101>";
    case SPRMAT_NLSMM102: return "<NLSMM102>";
    case SPRMAT_NLSMM103: return "<NLSMM103>";
    default: InternalError(__FILE__, __LINE__);
  }
}

void CheckParameters101(const MaterialRecord& m, int r) {
  const Law101 p = Parameters101(m);
  const char* b = BlockOfKind(SPRMAT_NLSMM101);
  if (!(p.k > 0.0)) DataFault(nullptr, b, r, "The initial stiffness must be positive: %g.", p.k);
  if (!(p.Fp > 0.0)) DataFault(nullptr, b, r, "The plateau force must be positive: %g.", p.Fp);
  if (!(p.a >= 0.0 && p.a < 2.0)) DataFault(nullptr, b, r, "The shape factor must lie in [0, 2): %g.", p.a);
  if (p.unloading != kSecantUnloading && p.unloading != kElasticUnloading)
    DataFault(nullptr, b, r, "Invalid unloading and reloading type: %d (valid: 1 _SECANT or 2 _ELASTIC).",
              p.unloading);
}

void CheckParameters102(const MaterialRecord& m, int r) {
  const Law102 p = Parameters102(m);
  const char* b = BlockOfKind(SPRMAT_NLSMM102);
  if (p.mapping != 1 && p.mapping != 2)
    DataFault(nullptr, b, r, "Invalid orientation mapping: %d (valid: 1 or 2).", p.mapping);
  if (!(p.d1 > 0.0)) DataFault(nullptr, b, r, "The first displacement must be positive: %g.", p.d1);
  if (!(p.d1 <= p.d2 && p.d2 <= p.d3))
    DataFault(nullptr, b, r, "The displacements must not decrease: %g, %g, %g.", p.d1, p.d2, p.d3);
}

void CheckParameters103(const MaterialRecord& m, int r) {
  const char* b = BlockOfKind(SPRMAT_NLSMM103);
  const int mapping = MatInt(m, 1);
  if (mapping < 0 || mapping > 2)
    DataFault(nullptr, b, r, "Invalid orientation mapping: %d (valid: 0 to 2).", mapping);
  const int n = m.ListLen;
  if (n < 1) DataFault(nullptr, b, r, "The table needs at least one point: %d.", n);
  if (!(m.List1[1] > 0.0)) DataFault(nullptr, b, r, "The first abscissa must be positive: %g.", m.List1[1]);
  for (int i = 2; i <= n; i++)
    if (!(m.List1[i] > m.List1[i - 1]))
      DataFault(nullptr, b, r, "The abscissae must increase strictly: point %d (%g after %g).", i, m.List1[i],
                m.List1[i - 1]);
}

// Does the law of this material read the spring's orientation code?
bool ReadsOrientationCode(int kind, const MaterialRecord& m) {
  switch (kind) {
    case SPRMAT_LIN_SPRING: return false;
    case SPRMAT_NLSMM101:
    case SPRMAT_NLSMM102: return true;
    case SPRMAT_NLSMM103: return MatInt(m, 1) != 0;
    default: InternalError(__FILE__, __LINE__);
  }
}

void CheckOrientation(const MeshData* mesh, const char* block, int r, int kind, int material, int code) {
  if (!ReadsOrientationCode(kind, mesh->SpringMaterials[kind][material])) return;
  if (code != 1 && code != 2) DataFault(nullptr, block, r, "Invalid orientation code: %d (valid: 1 or 2).", code);
}

}  // namespace

double CalcSpringForceLoad_NLSMM101(const MaterialRecord& m, double x) { return Envelope101(Parameters101(m), x); }
double CalcSpringForceLoad_NLSMM102(const MaterialRecord& m, double x) { return Envelope102(Parameters102(m), x); }
double CalcSpringUnloStiff_NLSMM102(const MaterialRecord& m) { return UnloadingStiffness102(Parameters102(m)); }
double CalcSpringForceLoad_NLSMM103(const MaterialRecord& m, double x) { return Table103(m, x); }

double SpringOrientationFactor(int kind, const MaterialRecord& m, int code, SpringFamily family) {
  int mapping;
  switch (kind) {
    case SPRMAT_NLSMM101:
      if (family == kSpringLink) InternalError(__FILE__, __LINE__);
      mapping = 1;
      break;
    case SPRMAT_NLSMM102:
      if (family == kSpringLink) InternalError(__FILE__, __LINE__);
      mapping = MatInt(m, 1);
      break;
    case SPRMAT_NLSMM103:
      mapping = MatInt(m, 1);
      if (mapping == 0) return 0.0;
      if (family == kSpringLink) {
        if (mapping == 1) return 1.0;
        if (mapping == 2) return -1.0;
        InternalError(__FILE__, __LINE__);
      }
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  if ((mapping != 1 && mapping != 2) || (code != 1 && code != 2)) InternalError(__FILE__, __LINE__);
  // Mapping 1: code 1 acts while d >= 0, code 2 while d <= 0; mapping 2 the reverse.
  const double s = code == 1 ? -1.0 : 1.0;
  return mapping == 1 ? s : -s;
}

double SpringLawForce(int kind, const MaterialRecord& m, double s, double d, NLSMM_HDRecord& r) {
  return StateForce(SpringCurves{kind, &m}, s, d, r);
}

double SpringLawTangent(int kind, const MaterialRecord& m, double s, const NLSMM_HDRecord& r) {
  const double dLast = r.Value[NLSMM_HDRecord::kDisplacement];
  if (ActingFactor(s, dLast) * dLast > 0.0) return 0.0;
  switch (kind) {
    case SPRMAT_NLSMM101: return Tangent101(m, r);
    case SPRMAT_NLSMM102: return Tangent102(m, r);
    case SPRMAT_NLSMM103: return Tangent103(m, r);
    default: InternalError(__FILE__, __LINE__);
  }
}

void CheckSpringMaterials(const MeshData* mesh) {
  for (int r = 1; r <= mesh->nSpringMaterials[SPRMAT_NLSMM101]; r++)
    CheckParameters101(mesh->SpringMaterials[SPRMAT_NLSMM101][r], r);
  for (int r = 1; r <= mesh->nSpringMaterials[SPRMAT_NLSMM102]; r++)
    CheckParameters102(mesh->SpringMaterials[SPRMAT_NLSMM102][r], r);
  for (int r = 1; r <= mesh->nSpringMaterials[SPRMAT_NLSMM103]; r++)
    CheckParameters103(mesh->SpringMaterials[SPRMAT_NLSMM103][r], r);
  for (int r = 1; r <= mesh->nPointSprings; r++) {
    const PointSpring& s = mesh->PointSprings[r];
    CheckOrientation(mesh, "<POINT_SPRINGS>", r, s.SpringMaterialKind, s.SpringMaterial, s.Orientation);
    if (s.SpringMaterialKind != SPRMAT_LIN_SPRING && s.DofType == 2) {
      const char* kw = kSpringMaterialKindKeywords[s.SpringMaterialKind];
      std::fflush(stdout);
      std::fprintf(stderr,
                   "\nCalculating the nonlinear material point spring contribution\nto the global stiffness matrix:\n"
                   "   -> Block name: <POINT_SPRINGS>\n   -> Point spring counter: %d\n"
                   "   -> Spring material type: %s\n   -> Specified type of degree of freedom: _ROT (rotational)\n",
                   r, kw);
      char msg[256];
      std::snprintf(msg, sizeof msg,
                    "For this nonlinear spring material model (%s) the \nspecified type of degree o freedom must be: "
                    "_TRANS (Translational).",
                    kw);
      errexit(msg, 0);
    }
  }
  for (int r = 1; r <= mesh->nLineSprings; r++) {
    const LineSpring& s = mesh->LineSprings[r];
    if (s.SpringMaterialKind != SPRMAT_LIN_SPRING && s.nMaterials >= 1)
      CheckOrientation(mesh, "<LINE_SPRINGS>", r, s.SpringMaterialKind, s.Material[1], s.Char2);
  }
  for (int r = 1; r <= mesh->nSurfSprings; r++) {
    const SurfSpring& s = mesh->SurfSprings[r];
    if (s.SpringMaterialKind != SPRMAT_LIN_SPRING && s.nMaterials >= 1)
      CheckOrientation(mesh, "<SURFACE_SPRINGS>", r, s.SpringMaterialKind, s.Material[1], s.Char2);
  }
  for (int r = 1; r <= mesh->nSpringLinks; r++) {
    const int kind = mesh->SpringLinks[r].SpringMaterialKind;
    if (kind == SPRMAT_NLSMM101 || kind == SPRMAT_NLSMM102)
      DataFault(nullptr, "<INTERNAL_POINT_SPRING_LINKS>", r,
                "Internal point spring links take the spring materials _LIN_SPRING and _NLSMM103 only: %s.",
                kSpringMaterialKindKeywords[kind]);
  }
}
