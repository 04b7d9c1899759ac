// Thermal materials: _THERMAL_ISO, the hydrating concrete _NLMM401 and the concrete of
// the Eurocode 2 fire part _NLMM451.
#include "materials/thermal_materials.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/material_table.h"
#include "numcore/numcore.h"

namespace {

int Law(const MaterialRecord& m, int k) { return static_cast<int>(MatValue(m, k)); }

const MaterialRecord& OwnMaterial(int property, const MeshData* mesh) {
  const ElementProperty& p = mesh->ElemProps[property];
  return MaterialOf(mesh, p.MaterialKind, p.MaterialNumber);
}

void SetIsotropic(int n, double k, double** D) {
  zerod2(D, n, n);
  for (int i = 1; i <= n; i++) D[i][i] = k;
}

void CalcMat_Dc_Iso(int property, int n, double** D, const MeshData* mesh, const char* msg) {
  if (mesh->ElemProps[property].MaterialKind != MAT_THERMAL_ISO) errexit(msg, 0);
  SetIsotropic(n, MatValue(OwnMaterial(property, mesh), 2), D);
}

// Stops the run over the heat generation table of _NLMM401.
[[noreturn]] void TableFault(const char* line) {
  std::fprintf(stderr, "\n%s", line);
  errexit("Verify the values of the normalized heat generation rate function", 0);
}

// f(a) by linear interpolation; the last segment that holds a gives f.
double HeatRateFunction(const MaterialRecord& m, double a) {
  const int n = m.ListLen;
  bool found = false;
  double f = 0.0;
  for (int k = 1; k <= n - 1; k++) {
    const double a0 = m.Table[k][1], a1 = m.Table[k + 1][1];
    if (a < a0 || a > a1) continue;
    const double d = a1 - a0;
    if (d < 1e-8) {
      std::fprintf(stderr, "\nCalculating the value of the function(AlphaT).\n");
      TableFault("The denominator is null or negative.\n");
    }
    f = m.Table[k][2] + (a - a0) * (m.Table[k + 1][2] - m.Table[k][2]) / d;
    found = true;
  }
  if (!found) TableFault("The value of the function(AlphaT) could not be calculated.\n");
  return f;
}

template <class R>
R* PointRecord(NLMM_HD* hd, int code, int record) {
  R* a = static_cast<R*>(hd->Entry[2 * NlmmSlotOfCode(code)]);
  if (a == nullptr || record < 1) InternalError(__FILE__, __LINE__);
  return &a[record];
}

}  // namespace

double CalcHeatCapacity(int property, const MeshData* mesh) {
  if (mesh->ElemProps[property].MaterialKind != MAT_THERMAL_ISO) InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = OwnMaterial(property, mesh);
  return MatValue(m, 1) * MatValue(m, 3);
}

double CalcHeatCapacity_NL(int property, const MeshData* mesh) {
  const MaterialRecord& m = OwnMaterial(property, mesh);
  switch (mesh->ElemProps[property].MaterialKind) {
    case MAT_NLMM401: return MatValue(m, 1) * MatValue(m, 4);
    case MAT_NLMM451: return MatValue(m, 2) * MatValue(m, 7);
    default: InternalError(__FILE__, __LINE__);
  }
}

double CalcHeatCapacity_AlphaT_NLMM401(double rhoc, double alphaT) { return rhoc * (1.15 - 0.15 * alphaT); }

double CalcHeatCapacity_NLMM401(const MaterialRecord& m, double c0, double alphaT) {
  switch (Law(m, 2)) {
    case 0: return c0;
    case 1: return CalcHeatCapacity_AlphaT_NLMM401(MatValue(m, 1) * MatValue(m, 4), alphaT);
    default: InternalError(__FILE__, __LINE__);
  }
}

void CalcMat_Dc_NLMM401(const MaterialRecord& m, int n, double alphaT, double** D, double** D0) {
  switch (Law(m, 2)) {
    case 0: copyd2(D, D0, n, n); return;
    case 1: SetIsotropic(n, MatValue(m, 3) * (1.1 - 0.1 * alphaT), D); return;
    default: InternalError(__FILE__, __LINE__);
  }
}

double CalcHeatGenerationRate_NLMM401(bool predict, const MaterialRecord& m, double dt, double theta,
                                      NLMM401_HD* rec) {
  const double p5 = MatValue(m, 5), p6 = MatValue(m, 6), Ea = MatValue(m, 7), p8 = MatValue(m, 8);
  const double R = MatValue(m, 11);
  const double a = predict ? rec->AlphaT + rec->Qdot * dt / (p5 * p8) : rec->AlphaT;
  if (a > 1.0) {
    std::fprintf(stderr, "\nThe value of AlphaT is greater than 1.\n");
    errexit("Verify the data related to the heat generation rate model.", 0);
  }
  const double f = HeatRateFunction(m, a);
  const double qdot = f * p5 * p6 * std::exp(-Ea / ((theta + 273.15) * R));
  rec->AlphaT = rec->AlphaT + qdot * dt / (p5 * p8);
  rec->Q = p5 * p8 * rec->AlphaT;
  rec->Qdot = qdot;
  return qdot;
}

double CalcDensity_EC2_2004_NLMM451(double rho20, double theta) {
  if (theta <= 115.0) return rho20;
  if (theta <= 200.0) return rho20 * (1.0 - 0.02 * (theta - 115.0) / 85.0);
  if (theta <= 400.0) return rho20 * (0.98 - 0.03 * (theta - 200.0) / 200.0);
  if (theta <= 1200.0) return rho20 * (0.95 - 0.07 * (theta - 400.0) / 800.0);
  return rho20 * 0.8799999999999999;
}

double CalcSpecificHeat_EC2_2004_NLMM451(double theta, double u) {
  if (theta <= 100.0) return 900.0;
  const double c0 = 900.0 + (theta - 100.0);
  if (theta <= 200.0) {
    // Moisture peak: the values at u = 1.5 and u = 3 percent, linear in u between.
    double c15 = 1470.0, c30 = 2020.0;
    if (theta > 115.0) {
      c15 = 2106.0 - 5.529411764705882 * theta;
      c30 = 3400.0 - 12.0 * theta;
    }
    if (u < 0.0 || u > 3.0) InternalError(__FILE__, __LINE__);
    if (u == 0.0) return c0;
    if (u < 1.5) return c0 + (c15 - c0) * u / 1.5;
    if (u == 1.5) return c15;
    if (u < 3.0) return theta > 115.0 ? c15 + (u - 1.5) * (c30 - c15) / 1.5 : 1470.0 + (u - 1.5) * 366.6666666666667;
    return c30;
  }
  if (theta <= 400.0) return 900.0 + 0.5 * theta;
  return 1100.0;
}

double CalcConductivity_EC2_2004_NLMM451(double theta) {
  if (theta <= 1200.0) {
    const double t = theta / 100.0;
    return 1.68 - 0.1906 * t + 0.0082 * t * t;
  }
  return 0.0082 * 12.0 * 12.0 - 0.6072;
}

double CalcHeatCapacity_NLMM451(const MaterialRecord& m, double theta, NLMM301_HD* rec) {
  double c = 0.0, rho = 0.0;
  switch (Law(m, 6)) {
    case 1: c = MatValue(m, 7); break;
    case 2: c = CalcSpecificHeat_EC2_2004_NLMM451(theta, MatValue(m, 8)); break;
    default: InternalError(__FILE__, __LINE__);
  }
  switch (Law(m, 1)) {
    case 1: rho = MatValue(m, 2); break;
    case 2: rho = CalcDensity_EC2_2004_NLMM451(MatValue(m, 3), theta); break;
    default: InternalError(__FILE__, __LINE__);
  }
  rec->Value[NLMM301_HD::kDensity451] = rho;
  rec->Value[NLMM301_HD::kSpecificHeat451] = c;
  rec->Value[NLMM301_HD::kTemperature451] = theta;
  return rho * c;
}

namespace {

// rho c of _NLMM451 at theta without touching a record.
double RhoC_NLMM451(const MaterialRecord& m, double theta) {
  NLMM301_HD scratch{};
  return CalcHeatCapacity_NLMM451(m, theta, &scratch);
}

}  // namespace

double CalcEnthalpyChange_NLMM451(const MaterialRecord& m, double from, double to) {
  // Between the break points of the laws rho and c are linear in theta, rho c quadratic:
  // two Gauss points per piece integrate it exactly.
  static const double kBreaks[] = {100.0, 115.0, 200.0, 400.0, 1200.0};
  const double lo = std::min(from, to), hi = std::max(from, to);
  const double g = 0.5 / std::sqrt(3.0);
  double sum = 0.0, a = lo;
  for (int k = 0; k <= 5 && a < hi; k++) {
    const double b = k < 5 ? std::min(hi, std::max(a, kBreaks[k])) : hi;
    if (b <= a) continue;
    const double mid = 0.5 * (a + b), len = b - a;
    sum += 0.5 * len * (RhoC_NLMM451(m, mid - g * len) + RhoC_NLMM451(m, mid + g * len));
    a = b;
  }
  return to >= from ? sum : -sum;
}

double CalcSecantHeatCapacity_NLMM451(const MaterialRecord& m, double from, double to, NLMM301_HD* rec) {
  const double tangent = CalcHeatCapacity_NLMM451(m, to, rec);
  const double dT = to - from;
  if (std::fabs(dT) <= 1e-9 * (1.0 + std::fabs(to))) return tangent;
  return CalcEnthalpyChange_NLMM451(m, from, to) / dT;
}

void CalcMat_Dc_NLMM451(const MaterialRecord& m, int n, double theta, NLMM301_HD* rec, double** D, double** D0) {
  double k = 0.0;
  switch (Law(m, 4)) {
    case 1:
      copyd2(D, D0, n, n);
      k = MatValue(m, 5);
      break;
    case 2:
      k = CalcConductivity_EC2_2004_NLMM451(theta);
      SetIsotropic(n, k, D);
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  rec->Value[NLMM301_HD::kTemperature451] = theta;
  rec->Value[NLMM301_HD::kConductivity451] = k;
}

void CalcMat_Dc_PlaneStress(int property, int n, double** D, const MeshData* mesh) {
  CalcMat_Dc_Iso(property, n, D, mesh, "Plane stress thermal element: invalid material type.");
}

void CalcMat_Dc_Solid(int property, int n, double** D, const MeshData* mesh) {
  CalcMat_Dc_Iso(property, n, D, mesh, "Solid thermal element: invalid material type.");
}

void CalcMat_Dc_Solid_NL(int property, int n, double** D, const MeshData* mesh) {
  const MaterialRecord& m = OwnMaterial(property, mesh);
  switch (mesh->ElemProps[property].MaterialKind) {
    case MAT_NLMM401: SetIsotropic(n, MatValue(m, 3), D); return;
    case MAT_NLMM451: SetIsotropic(n, MatValue(m, 5), D); return;
    default: InternalError(__FILE__, __LINE__);
  }
}

void SplitMatColumns3(int n, double* a, double* b, double* c, double** M) {
  for (int i = 1; i <= n; i++) {
    a[i] = M[i][1];
    b[i] = M[i][2];
    c[i] = M[i][3];
  }
}

void SplitMatColumns2(int n, double* a, double* b, double** M) {
  for (int i = 1; i <= n; i++) {
    a[i] = M[i][1];
    b[i] = M[i][2];
  }
}

double ThermalPointHeatCapacity(int property, const MeshData* mesh, NLMM_HD* hd, int record, double c0, double T) {
  const int kind = mesh->ElemProps[property].MaterialKind;
  const MaterialRecord& m = OwnMaterial(property, mesh);
  switch (kind) {
    case MAT_NLMM401: return CalcHeatCapacity_NLMM401(m, c0, PointRecord<NLMM401_HD>(hd, kind, record)->AlphaT);
    case MAT_NLMM451: return CalcHeatCapacity_NLMM451(m, T, PointRecord<NLMM301_HD>(hd, kind, record));
    default: InternalError(__FILE__, __LINE__);
  }
}

double ThermalPointStepHeatCapacity(int property, const MeshData* mesh, NLMM_HD* hd, int record, double c0,
                                    double Tn, double T) {
  const int kind = mesh->ElemProps[property].MaterialKind;
  switch (kind) {
    case MAT_NLMM451:
      return CalcSecantHeatCapacity_NLMM451(OwnMaterial(property, mesh), Tn, T,
                                            PointRecord<NLMM301_HD>(hd, kind, record));
    default: return ThermalPointHeatCapacity(property, mesh, hd, record, c0, T);
  }
}

void ThermalPointConductivity(int property, const MeshData* mesh, NLMM_HD* hd, int record, int n, double T,
                              double** D, double** D0) {
  const int kind = mesh->ElemProps[property].MaterialKind;
  const MaterialRecord& m = OwnMaterial(property, mesh);
  switch (kind) {
    case MAT_NLMM401: CalcMat_Dc_NLMM401(m, n, PointRecord<NLMM401_HD>(hd, kind, record)->AlphaT, D, D0); return;
    case MAT_NLMM451: CalcMat_Dc_NLMM451(m, n, T, PointRecord<NLMM301_HD>(hd, kind, record), D, D0); return;
    default: InternalError(__FILE__, __LINE__);
  }
}

double ThermalPointHeatGeneration(int property, const MeshData* mesh, NLMM_HD* hd, int record, double dt, double T) {
  const int kind = mesh->ElemProps[property].MaterialKind;
  switch (kind) {
    case MAT_NLMM401:
      return CalcHeatGenerationRate_NLMM401(false, OwnMaterial(property, mesh), dt, T,
                                            PointRecord<NLMM401_HD>(hd, kind, record));
    case MAT_NLMM451: return 0.0;
    default: InternalError(__FILE__, __LINE__);
  }
}

bool HydratingConcreteInUse(const int* NLMM_HD_Count) { return NLMM_HD_Count[MAT_NLMM401] > 0; }
