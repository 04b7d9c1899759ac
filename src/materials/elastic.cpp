// Elasticity matrices of 3-D solids (from the constants or from the element's material)
// and the material axes of a coordinate system.
#include "materials/elastic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "numcore/numcore.h"
#include "materials/uniaxial/uniaxial_law.h"

void CalcMat_De_Iso3D(int nRows, int nCols, double nu, double E, double** D) {
  if (nRows != 6 || nCols != 6) InternalError(__FILE__, __LINE__);
  // The matrix is singular at nu = 0.5 and indefinite outside (-1, 0.5).
  if (!(nu > -1.0 && nu < 0.5))
    errexit("Poisson's coefficient must be greater than -1 and less than 0.5.\n"
            "The Poisson's coefficient value must be changed.",
            0);
  zerod2(D, 6, 6);
  const double a = E * (1.0 - nu) / ((1.0 + nu) * (1.0 - 2.0 * nu));
  const double b = a * nu / (1.0 - nu);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) D[i][j] = i == j ? a : b;
  const double G = E / (2.0 * (1.0 + nu));
  D[4][4] = D[5][5] = D[6][6] = G;
}

void CalcMat_De_IsoModel(int n, double nu, double E, double** D) {
  switch (n) {
    case 3: {
      zerod2(D, 3, 3);
      const double f = E / (1.0 - nu * nu);
      D[1][1] = D[2][2] = f;
      D[1][2] = D[2][1] = f * nu;
      D[3][3] = f * (1.0 - nu) / 2.0;
      return;
    }
    case 4:
    case 6: {
      double** D6;
      allocd2(&D6, 6, 6);
      CalcMat_De_Iso3D(6, 6, nu, E, D6);
      getsubd2(D, D6, n, n, 1, 1);
      freed2(D6);
      return;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

bool InvertKeeping(double** Ainv, double** A, int n) {
  // Inverted at unit size, so that the rounding of the scaled copy is the same for a
  // compliance in any units.
  double** W;
  allocd2(&W, n, n);
  copyd2(W, A, n, n);
  double big = 0.0;
  for (int i = 1; i <= n; i++) big = std::max(big, maxabsd1(W[i], n));
  const bool ok = big > 0.0 && invertd2(Ainv, (scaled2(W, n, n, 1.0 / big), W), n);
  if (ok) scaled2(Ainv, n, n, 1.0 / big);
  freed2(W);
  return ok;
}

double StressUnitOf(double strength) {
  double u = 1.0;
  if (!(strength > 0.0) || !std::isfinite(strength)) return u;
  for (int k = 0; k < 100 && strength / u > 1000.0; k++) u *= 1000.0;
  for (int k = 0; k < 100 && strength / u < 1.0; k++) u /= 1000.0;
  return u;
}

bool SolveRowScaled(double** J, double* x, double* b, int n, int nStress, double E) {
  // The stress unknowns in strain units (d sigma / E), then rows and columns to unit
  // size: a compliance beside flow-vector terms of order 1 is then pivoted like them.
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= nStress; j++) J[i][j] *= E;
  double* col;
  allocd1(&col, n);
  for (int i = 1; i <= n; i++) {
    const double big = maxabsd1(J[i], n);
    if (big > 0.0) {
      for (int j = 1; j <= n; j++) J[i][j] /= big;
      b[i] /= big;
    }
  }
  for (int j = 1; j <= n; j++) {
    col[j] = 0.0;
    for (int i = 1; i <= n; i++) col[j] = std::max(col[j], std::fabs(J[i][j]));
    if (col[j] == 0.0) col[j] = 1.0;
    for (int i = 1; i <= n; i++) J[i][j] /= col[j];
  }
  const bool ok = linsolved2(J, x, b, n);
  for (int j = 1; ok && j <= n; j++) x[j] /= col[j];
  for (int j = 1; ok && j <= nStress; j++) x[j] *= E;
  freed1(col);
  return ok;
}

void CalcMat_De_Ortho3D(int elem, int nRows, int nCols, double nu12, double nu23, double nu31, double G12,
                        double G23, double G13, double E1, double E2, double E3, double** D) {
  if (nRows != 6 || nCols != 6) InternalError(__FILE__, __LINE__);
  zerod2(D, 6, 6);
  const bool null1 = !(std::fabs(E1) > kSmall), null2 = !(std::fabs(E2) > kSmall), null3 = !(std::fabs(E3) > kSmall);
  if (null1 || null2 || null3) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculate the elasticity matrix (D) of element n. %d\n", elem);
    if (null1) std::fprintf(stderr, "Young's modulus - l1 is null:\n");
    if (null2) std::fprintf(stderr, "Young's modulus - l2 is null:\n");
    if (null3) std::fprintf(stderr, "Young's modulus - l3 is null:\n");
    errexit("Young's modulus value must be changed.", 0);
  }
  const double nu21 = nu12 * E2 / E1, nu32 = nu23 * E3 / E2, nu13 = nu31 * E1 / E3;
  const double del = nu31 * nu13 + nu12 * nu21 + nu23 * nu32 - 1.0 + nu12 * nu31 * nu23 + nu21 * nu13 * nu32;
  if (!(std::fabs(del) > kSmall)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    errexit("The interaction between Poisson's coefficients is null.\nThe Poisson's coefficients value must be changed.",
            0);
  }
  D[1][1] = E1 * (nu23 * nu32 - 1.0) / del;
  D[1][2] = -E1 * (nu23 * nu31 + nu21) / del;
  D[1][3] = -E1 * (nu31 + nu21 * nu32) / del;
  D[2][1] = -E2 * (nu13 * nu32 + nu12) / del;
  D[2][2] = E2 * (nu31 * nu13 - 1.0) / del;
  D[2][3] = -E2 * (nu32 + nu12 * nu31) / del;
  D[3][1] = -E3 * (nu13 + nu12 * nu23) / del;
  D[3][2] = -E3 * (nu23 + nu21 * nu13) / del;
  D[3][3] = E3 * (nu12 * nu21 - 1.0) / del;
  D[4][4] = G23;
  D[5][5] = G13;
  D[6][6] = G12;
}

void CalcMat_D_MatCoordSys(int coordSys, int elem, const char* name, double* angle, double** T,
                           const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems) {
  // R[i][j] = material axis i . element axis j
  double R[4][4];
  for (int i = 1; i <= 3; i++) {
    const double* m = auxVectors[coordSystems[coordSys].AuxVector[i]].v;
    for (int j = 1; j <= 3; j++) R[i][j] = m[1] * T[j][1] + m[2] * T[j][2] + m[3] * T[j][3];
  }
  const bool coplanar = std::fabs(R[1][3]) <= kSmall && std::fabs(R[2][3]) <= kSmall && std::fabs(R[3][1]) <= kSmall &&
                        std::fabs(R[3][2]) <= kSmall && std::fabs(std::fabs(R[3][3]) - 1.0) <= kSmall;
  if (!coplanar) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculating the elasticity matrix of element n. %d\n", elem);
    std::fprintf(stderr, "Specified material coordinate system: %s\n", name);
    errexit("The specified material coordinate system must be\ncoplanar with the local coordinate system.", 0);
  }
  *angle = std::atan2(R[1][2], R[1][1]);
}

void CalcMat_T_MatCoordSys(double theta, double** Ts, double** R) {
  const double c = std::cos(theta), s = std::sin(theta);
  Ts[1][1] = c * c;
  Ts[1][2] = s * s;
  Ts[1][3] = 2.0 * s * c;
  Ts[2][1] = s * s;
  Ts[2][2] = c * c;
  Ts[2][3] = -2.0 * s * c;
  Ts[3][1] = -s * c;
  Ts[3][2] = s * c;
  Ts[3][3] = c * c - s * s;
  R[1][1] = c;
  R[1][2] = s;
  R[2][1] = -s;
  R[2][2] = c;
}

const MaterialRecord* ElasticRecords(const MeshData* mesh, ElasticSymmetry s) {
  return mesh->Materials[ElasticKindCode(s)];
}

void CalcMat_D_Solid(int elem, int propIndex, int nRows, int nCols, double** D, const MaterialRecord* linIso,
                     const MaterialRecord* linOrtho, const ElementProperty* props) {
  if (nRows != 6 || nCols != 6) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = props[propIndex];
  switch (LinearElasticity(p.MaterialKind)) {
    case kElasticIsotropic: {
      const IsotropicElastic c = IsotropicConstants(linIso[p.MaterialNumber]);
      const double E = c.E, nu = c.nu;
      if (!(nu > -1.0 && nu < 0.5)) {
        std::fflush(stdout);
        std::fprintf(stderr, "\n");
        std::fprintf(stderr, "Calculate the elasticity matrix (D) of element n. %d\n", elem);
      }
      CalcMat_De_Iso3D(6, 6, nu, E, D);
      return;
    }
    case kElasticOrthotropic: {
      const OrthotropicElastic o = OrthotropicConstants(linOrtho[p.MaterialNumber]);
      CalcMat_De_Ortho3D(elem, 6, 6, o.nu12, o.nu23, o.nu31, o.G12, o.G23, o.G31, o.E1, o.E2, o.E3, D);
      return;
    }
    default:
      errexit("Solid element: invalid material type.", 0);
  }
}

IsotropicElastic IsotropicConstants(const MaterialRecord& m) { return {MatValue(m, 3), MatValue(m, 4)}; }

OrthotropicElastic OrthotropicConstants(const MaterialRecord& m) {
  OrthotropicElastic o;
  o.E1 = MatValue(m, 5);
  o.E2 = MatValue(m, 6);
  o.E3 = MatValue(m, 7);
  o.G23 = MatValue(m, 8);
  o.G31 = MatValue(m, 9);
  o.G12 = MatValue(m, 10);
  o.nu23 = MatValue(m, 11);
  o.nu31 = MatValue(m, 12);
  o.nu12 = MatValue(m, 13);
  return o;
}

int OrthotropicCoordSystem(const MaterialRecord& m) { return MatInt(m, 14); }

// ---- linear interfaces ----

void CalcMat_D_InterfaceLine2D(int prop, int n, int m, double** D, const MaterialRecord* interfaceProps,
                               const ElementProperty* elemProps) {
  if (n != 2 || m != 2) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = elemProps[prop];
  if (p.MaterialKind != MAT_LIN_INT_LINE_2D) InternalError(__FILE__, __LINE__);
  const MaterialRecord& r = interfaceProps[p.MaterialNumber];
  zerod2(D, 2, 2);
  D[1][1] = MatValue(r, 2);
  D[2][2] = MatValue(r, 1);
}

void CalcMat_D_InterfaceLine3D(int prop, int n, int m, double** D, const MaterialRecord* interfaceProps,
                               const ElementProperty* elemProps) {
  if (n != 3 || m != 3) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = elemProps[prop];
  if (p.MaterialKind != MAT_LIN_INT_LINE_3D) InternalError(__FILE__, __LINE__);
  const MaterialRecord& r = interfaceProps[p.MaterialNumber];
  zerod2(D, 3, 3);
  D[1][1] = MatValue(r, 3);
  D[2][2] = MatValue(r, 1);
  D[3][3] = MatValue(r, 2);
}

void CalcMat_D_InterfaceSurf(int prop, int n, int m, double** D, const MaterialRecord* interfaceProps,
                             const ElementProperty* elemProps) {
  if (n != 3 || m != 3) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = elemProps[prop];
  if (p.MaterialKind != MAT_LIN_INT_SURF) InternalError(__FILE__, __LINE__);
  const MaterialRecord& r = interfaceProps[p.MaterialNumber];
  zerod2(D, 3, 3);
  D[1][1] = MatValue(r, 2);
  D[2][2] = MatValue(r, 3);
  D[3][3] = MatValue(r, 1);
}

namespace {

// Plane elasticity (3 x 3) of the constants E, nu.
void PlaneDe(bool stress, double nu, double E, double** De) {
  zerod2(De, 3, 3);
  const double a = stress ? E / (1.0 - nu * nu) : E * (1.0 - nu) / ((1.0 + nu) * (1.0 - 2.0 * nu));
  const double b = stress ? nu * a : E * nu / ((1.0 + nu) * (1.0 - 2.0 * nu));
  De[1][1] = De[2][2] = a;
  De[1][2] = De[2][1] = b;
  De[3][3] = E / (2.0 * (1.0 + nu));
}

// E and nu of a pattern component: the linear isotropic record holds E before nu, the
// nonlinear records nu before E.
IsotropicElastic ComponentConstants(const MeshData* mesh, int code, int number) {
  if (code != MAT_LIN_ISO && code != MAT_NLMM111) InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = MaterialOf(mesh, code, number);
  if (code == MAT_LIN_ISO) return IsotropicConstants(m);
  return {MatValue(m, 4), MatValue(m, 3)};
}

bool PlaneNlCode(int code) {
  switch (code) {
    case MAT_NLMM101: case MAT_NLMM104: case MAT_NLMM121: case MAT_NLMM123: case MAT_NLMM124:
    case MAT_NLMM125: case MAT_NLMM141: case MAT_NLMM142: return true;
    default: return false;
  }
}

}  // namespace

void CalcMat_De_Plane(bool planeStress, double nu, double E, double** De) { PlaneDe(planeStress, nu, E, De); }

void CalcMat_D_PlaneStrain_NL(const MeshData* mesh, int prop, double** De) {
  const ElementProperty& p = mesh->ElemProps[prop];
  if (!PlaneNlCode(p.MaterialKind)) InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = MaterialOf(mesh, p.MaterialKind, p.MaterialNumber);
  PlaneDe(false, MatValue(m, 3), MatValue(m, 4), De);
}

void CalcMat_D_PlaneStress_NL(const MeshData* mesh, int prop, double** De) {
  const ElementProperty& p = mesh->ElemProps[prop];
  const int code = p.MaterialKind;
  if (!PlaneNlCode(code) && code != MAT_NLMM211 && code != MAT_NLMM145 && code != MAT_NLMM146)
    InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = MaterialOf(mesh, code, p.MaterialNumber);
  if (code == MAT_NLMM145 || code == MAT_NLMM146)
    PlaneDe(true, 0.0, MatValue(m, 3), De);
  else
    PlaneDe(true, MatValue(m, 3), MatValue(m, 4), De);
}

void CalcMat_D_PlaneStress_NLMM_PATT(const MeshData* mesh, int componentCode, int componentNumber, double** De) {
  if (componentCode != MAT_NLMM104) InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = MaterialOf(mesh, componentCode, componentNumber);
  PlaneDe(true, MatValue(m, 3), MatValue(m, 4), De);
}

void CalcMat_D_Solid_NL(const MeshData* mesh, int prop, double** D) {
  const ElementProperty& p = mesh->ElemProps[prop];
  switch (p.MaterialKind) {
    case MAT_NLMM102: case MAT_NLMM111: case MAT_NLMM122: case MAT_NLMM123: case MAT_NLMM124:
    case MAT_NLMM125: case MAT_NLMM151: break;
    default: InternalError(__FILE__, __LINE__);
  }
  const MaterialRecord& m = MaterialOf(mesh, p.MaterialKind, p.MaterialNumber);
  CalcMat_De_Iso3D(6, 6, MatValue(m, 3), MatValue(m, 4), D);
}

void CalcMat_D_Solid_NLMM_PATT(const MeshData* mesh, int componentCode, int componentNumber, double** D) {
  const IsotropicElastic c = ComponentConstants(mesh, componentCode, componentNumber);
  CalcMat_De_Iso3D(6, 6, c.nu, c.E, D);
}

void CalcMat_C_Solid_NLMM_PATT(const MeshData* mesh, int componentCode, int componentNumber, double** C) {
  const double nu = ComponentConstants(mesh, componentCode, componentNumber).nu;
  zerod2(C, 6, 6);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) C[i][j] = i == j ? 1.0 : -nu;
  C[4][4] = C[5][5] = C[6][6] = 2.0 * (1.0 + nu);
}

double CalcTempCoef_NL(const MeshData* mesh, int prop) {
  const ElementProperty& p = mesh->ElemProps[prop];
  switch (p.MaterialKind) {
    case MAT_LIN_ISO: case MAT_NLMM102: case MAT_NLMM111: case MAT_NLMM122: case MAT_NLMM123:
    case MAT_NLMM124: case MAT_NLMM125: case MAT_NLMM151:
      return MatValue(MaterialOf(mesh, p.MaterialKind, p.MaterialNumber), 2);
    case MAT_NLMM_PATT: {
      const MaterialPattern& pat = mesh->NlmmPatterns[p.MaterialNumber];
      double alpha = 0.0;
      for (int k = 1; k <= pat.nComponents; k++)
        if (pat.Kind[k] == MAT_LIN_ISO || pat.Kind[k] == MAT_NLMM104 || pat.Kind[k] == MAT_NLMM111)
          alpha = MatValue(MaterialOf(mesh, pat.Kind[k], pat.Number[k]), 2);
      return alpha;
    }
    default: InternalError(__FILE__, __LINE__);
  }
  return 0.0;
}

// ---- layers of the layered shells ----

LayerElastic LayerElasticConstants(int code, const MaterialRecord& m) {
  LayerElastic c{};
  switch (code) {
    case MAT_LIN_ISO:
    case MAT_NLMM101: case MAT_NLMM104: case MAT_NLMM121: case MAT_NLMM141: case MAT_NLMM142: case MAT_NLMM211:
      // The linear record holds E before nu, the models nu before E.
      c.form = kLayerIsotropic;
      if (code == MAT_LIN_ISO) {
        c.E = IsotropicConstants(m).E;
        c.nu = IsotropicConstants(m).nu;
      } else {
        c.nu = MatValue(m, 3);
        c.E = MatValue(m, 4);
      }
      return c;
    case MAT_LIN_ORTHO: {
      const OrthotropicElastic o = OrthotropicConstants(m);
      c.form = kLayerOrthotropic;
      c.E1 = o.E1;
      c.E2 = o.E2;
      c.G12 = o.G12;
      c.Ga = o.G23;
      c.Gb = o.G31;
      c.nu12 = o.nu12;
      c.coordSystem = OrthotropicCoordSystem(m);
      return c;
    }
    case MAT_NLMM145:
      c.form = kLayerBar;
      c.E = MatValue(m, 3);
      c.barAngle = MatValue(m, 11);
      return c;
    case MAT_NLMM501:
      c.form = kLayerOrthotropic;
      c.E1 = MatValue(m, 4);
      c.E2 = MatValue(m, 5);
      c.Ga = MatValue(m, 6);
      c.Gb = MatValue(m, 7);
      c.G12 = MatValue(m, 8);
      c.nu12 = MatValue(m, 9);
      c.coordSystem = MatInt(m, 10);
      return c;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

// The elastic bar or fibre: the initial modulus throughout, no record.
const UniaxialLaw kUniaxialLinear = {MAT_LIN_ISO, kTangentElastic, 0.0, 0, nullptr, nullptr, nullptr};
