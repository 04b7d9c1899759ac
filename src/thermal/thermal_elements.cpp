// Conductivity and heat-capacity matrices of the thermal quadrilateral and hexahedron.
#include "thermal/thermal_elements.h"

#include <cstdio>
#include <initializer_list>

#include "elements/kernel.h"
#include "elements/point_rules.h"
#include "history/history.h"
#include "materials/thermal_materials.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

const char* const kCtxConductivity = "Calculating the conductivity matrix of element n. %d\n";

enum ThermalMatrix { kConductivity, kTransient };

// What one element-matrix call integrates.
struct ThermalMatrixJob {
  ThermalMatrix matrix;
  int dim;  // 2 quadrilateral (through its thickness), 3 hexahedron
  int elem, nNodes, property;
  const char* context;  // Jacobian failures
  // Nonlinear materials: the history arrays and the element's nodal temperatures.
  const Index_HD* indexHD = nullptr;
  NLMM_HD* hd = nullptr;
  const int* elemToHD = nullptr;
  const double* Te = nullptr;
  // Heat capacity over the step: the nodal temperatures at its start (null: at Te).
  const double* Ten = nullptr;
};

void IntegrateThermalMatrix(const ThermalMatrixJob& job, const MeshData* mesh, double** K) {
  const int n = job.nNodes, d = job.dim;
  const bool nonlinear = job.hd != nullptr;
  const int type = d == 2 ? _PLANE_STRESS_QUAD_THERMAL : _SOLID_HEXA_THERMAL;
  const ElementProperty& p = mesh->ElemProps[job.property];
  double **D, **D0;
  allocd2(&D, d, d);
  allocd2(&D0, d, d);

  // Material constants of the element.
  double c0 = 0.0;
  if (job.matrix == kTransient)
    c0 = nonlinear ? CalcHeatCapacity_NL(job.property, mesh) : CalcHeatCapacity(job.property, mesh);
  else if (nonlinear)
    CalcMat_Dc_Solid_NL(job.property, d, D0, mesh);
  else if (d == 2)
    CalcMat_Dc_PlaneStress(job.property, d, D, mesh);
  else
    CalcMat_Dc_Solid(job.property, d, D, mesh);

  int c[4] = {0, 1, 1, 1};
  CalcElemIntegrationCounts(job.elem, job.context, d, 2, job.property, mesh->Integrations, mesh->ElemProps, c);
  zerod2(K, n, n);
  ForEachThermalPoint(
      mesh, job.elem, type, n, job.property, c, p.IntegrationType, p.IntegrationNumber, job.context,
      [&](int point, const double* N, double** dNdx, double f) {
        const double T = nonlinear ? dotd1(N, job.Te, n) : 0.0;
        const int record = nonlinear ? RecordOfSingle_HD(job.indexHD, job.elemToHD[job.elem], point) : 0;
        if (job.matrix == kTransient) {
          double cap = c0;
          if (job.Ten != nullptr)
            cap = ThermalPointStepHeatCapacity(job.property, mesh, job.hd, record, c0, dotd1(N, job.Ten, n), T);
          else if (nonlinear)
            cap = ThermalPointHeatCapacity(job.property, mesh, job.hd, record, c0, T);
          for (int r = 1; r <= n; r++)
            for (int q = 1; q <= n; q++) K[r][q] += cap * f * N[r] * N[q];
          return;
        }
        if (nonlinear) ThermalPointConductivity(job.property, mesh, job.hd, record, d, T, D, D0);
        // K += f B^T D B with B (d x n) = dNdx^T.
        for (int r = 1; r <= n; r++)
          for (int q = 1; q <= n; q++) {
            double sum = 0.0;
            for (int u = 1; u <= d; u++)
              for (int v = 1; v <= d; v++) sum += dNdx[r][u] * D[u][v] * dNdx[q][v];
            K[r][q] += f * sum;
          }
      });
  freed2(D0);
  freed2(D);
}

void PrintThermalMatrix(char flag, const char* title, int elem, int n, double** K) {
  if (flag != 'Y') return;
  std::printf("\n%s", title);
  std::printf("Element n. %d\n", elem);
  printd2(K, n, n, stdout, "CSV", "NoNumbers", "", 1, 'E', 18, 10);
}

const char* const kTitleKTHexa = "Tansient matrix KTg (_SOLID_HEXA_THERMAL):\n";
const char* const kTitleKCHexa = "Conductivity matrix KCg (_SOLID_HEXA_THERMAL):\n";

}  // namespace

void CalcCondMatPlaneStressQuadThermal(int n, int elem, int nNodes, int property, const char* OutputControl,
                                       const MeshData* mesh, double** KCg) {
  if (n != nNodes) InternalError(__FILE__, __LINE__);
  IntegrateThermalMatrix({kConductivity, 2, elem, nNodes, property, kCtxConductivity}, mesh, KCg);
  PrintThermalMatrix(OutputControl[OC_PRINT_MAT_KCG_PLANE_STRESS_QUAD_THERMAL],
                     "Conductivity matrix KCg (_PLANE_STRESS_QUAD_THERMAL):\n", elem, n, KCg);
}

void CalcTransientMatPlaneStressQuadThermal(int n, int elem, int nNodes, int property, const char* OutputControl,
                                            const MeshData* mesh, double** KTg) {
  if (n != nNodes) InternalError(__FILE__, __LINE__);
  IntegrateThermalMatrix({kTransient, 2, elem, nNodes, property, kCtxConductivity}, mesh, KTg);
  // The plane element has no flag of its own for KTg.
  PrintThermalMatrix(OutputControl[OC_PRINT_MAT_KCG_PLANE_STRESS_QUAD_THERMAL],
                     "Tansient matrix KTg (_PLANE_STRESS_QUAD_THERMAL):\n", elem, n, KTg);
}

void CalcCondMatSolidHexaThermal(int n, int elem, int nNodes, int property, const char* OutputControl,
                                 const MeshData* mesh, double** KCg) {
  if (n != nNodes) InternalError(__FILE__, __LINE__);
  IntegrateThermalMatrix({kConductivity, 3, elem, nNodes, property, kCtxConductivity}, mesh, KCg);
  PrintThermalMatrix(OutputControl[OC_PRINT_MAT_KCG_SOLID_HEXA_THERMAL], kTitleKCHexa, elem, n, KCg);
}

void CalcTransientMatSolidHexaThermal(int n, int elem, int nNodes, int property, const char* OutputControl,
                                      const MeshData* mesh, double** KTg) {
  if (n != nNodes) InternalError(__FILE__, __LINE__);
  IntegrateThermalMatrix({kTransient, 3, elem, nNodes, property, kCtxStiffness}, mesh, KTg);
  PrintThermalMatrix(OutputControl[OC_PRINT_MAT_KTG_SOLID_HEXA_THERMAL], kTitleKTHexa, elem, n, KTg);
}

void CalcCondMatSolidHexaThermal_NL(int /*comb*/, int n, int elem, int /*iter*/, int nNodes, int property,
                                    const char* OutputControl, const Index_HD* indexHD, const MeshData* mesh,
                                    NLMM_HD* hd, const int* elemToHD, double** KCg, const double* Te) {
  if (n != nNodes || hd == nullptr) InternalError(__FILE__, __LINE__);
  IntegrateThermalMatrix({kConductivity, 3, elem, nNodes, property, kCtxStiffness, indexHD, hd, elemToHD, Te}, mesh,
                         KCg);
  PrintThermalMatrix(OutputControl[OC_PRINT_MAT_KCG_SOLID_HEXA_THERMAL], kTitleKCHexa, elem, n, KCg);
}

void CalcTransientMatSolidHexaThermal_NL(int /*comb*/, int n, int elem, int /*iter*/, int nNodes, int property,
                                         const char* OutputControl, const Index_HD* indexHD, const MeshData* mesh,
                                         NLMM_HD* hd, const int* elemToHD, double** KTg, const double* Te,
                                         const double* Ten) {
  if (n != nNodes || hd == nullptr) InternalError(__FILE__, __LINE__);
  IntegrateThermalMatrix({kTransient, 3, elem, nNodes, property, kCtxStiffness, indexHD, hd, elemToHD, Te, Ten},
                         mesh, KTg);
  PrintThermalMatrix(OutputControl[OC_PRINT_MAT_KTG_SOLID_HEXA_THERMAL], kTitleKTHexa, elem, n, KTg);
}

void ForEachThermalPoint(const MeshData* mesh, int elem, int type, int n, int property, const int* c, int intType,
                         int intNumber, const char* context, const ThermalPointFn& fn) {
  const int d = type == _SOLID_HEXA_THERMAL ? 3 : 2;
  if (d == 2 ? (n != 4 && n != 8 && n != 9) : (n != 8 && n != 20)) InternalError(__FILE__, __LINE__);
  double **X, **dNds, **J, **Jinv, **dNdx, *N, *t = nullptr;
  for (double*** A : {&X, &dNds, &dNdx}) allocd2(A, n, d);
  for (double*** A : {&J, &Jinv}) allocd2(A, d, d);
  allocd1(&N, n);
  CalcMat_ElemNodeCoord(elem, type, n, mesh->ElemNodes, X, mesh->PointCoord);
  if (d == 2) {
    allocd1(&t, n);
    CalcGeomProp_THICKNESS(n, property, t, mesh->GeomPatterns, mesh->LamThicks, mesh->ElemProps);
  }
  TensorRule rule{d, {0, 0, 0, 0}, {nullptr, nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
  for (int k = 1; k <= d; k++) {
    rule.c[k] = c[k];
    GetLineIntegrationRule(elem, intType, intNumber, c[k], &rule.a[k], &rule.w[k]);
  }
  ForEachRulePoint(rule, RuleOrder::kFirstFastest, [&](const RulePoint& p) {
    if (d == 3) {
      CalcShapeFuncSolidHexa(n, N, p.s);
      CalcShapeFuncDerivSolidHexa(n, dNds, p.s);
    } else {
      CalcShapeFuncQuad(n, N, p.s);
      CalcShapeFuncDerivQuad(n, dNds, p.s);
    }
    double f = p.weight * CalcPointCartesianDeriv(elem, context, n, d, X, dNds, J, Jinv, dNdx);
    if (d == 2) f *= dotd1(N, t, n);
    fn(p.ip, N, dNdx, f);
  });
  if (t != nullptr) freed1(t);
  freed1(N);
  for (double** A : {Jinv, J, dNdx, dNds, X}) freed2(A);
}

// ---- behaviour rows -------------------------------------------------------------------
namespace {

void PlaneStressQuadThermalConduction(const ThermalElementCall& c, double** K) {
  CalcCondMatPlaneStressQuadThermal(c.nNodes, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, K);
}
void PlaneStressQuadThermalCapacity(const ThermalElementCall& c, double** K) {
  CalcTransientMatPlaneStressQuadThermal(c.nNodes, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, K);
}
void SolidHexaThermalConduction(const ThermalElementCall& c, double** K) {
  CalcCondMatSolidHexaThermal(c.nNodes, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, K);
}
void SolidHexaThermalCapacity(const ThermalElementCall& c, double** K) {
  CalcTransientMatSolidHexaThermal(c.nNodes, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, K);
}
void SolidHexaThermalConductionNL(const ThermalElementCall& c, double** K) {
  CalcCondMatSolidHexaThermal_NL(c.combination, c.nNodes, c.element, c.iteration, c.nNodes, c.property,
                                 c.OutputControl, c.indexHD, c.mesh, c.hd, c.elemToHD, K, c.Te);
}
void SolidHexaThermalCapacityNL(const ThermalElementCall& c, double** K) {
  CalcTransientMatSolidHexaThermal_NL(c.combination, c.nNodes, c.element, c.iteration, c.nNodes, c.property,
                                      c.OutputControl, c.indexHD, c.mesh, c.hd, c.elemToHD, K, c.Te, c.Ten);
}

constexpr ThermalMatCell kNotThermal = {nullptr, "The element type is not a thermal element."};
constexpr ThermalMatCell kNoThermalNL = {nullptr,
                                         "The element type takes no temperature-dependent thermal material."};
constexpr ThermalBehaviourRow kNoThermalRow = {kNotThermal, kNotThermal, kNotThermal, kNotThermal};

constexpr ThermalBehaviourRow kThermalRows[kNumElementTypes + 1] = {
    kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow,
    kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow,
    /* _PLANE_STRESS_QUAD_THERMAL */
    {{PlaneStressQuadThermalConduction, nullptr}, {PlaneStressQuadThermalCapacity, nullptr}, kNoThermalNL,
     kNoThermalNL},
    kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow,
    kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow,
    /* _SOLID_HEXA_THERMAL */
    {{SolidHexaThermalConduction, nullptr}, {SolidHexaThermalCapacity, nullptr},
     {SolidHexaThermalConductionNL, nullptr}, {SolidHexaThermalCapacityNL, nullptr}},
    kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow, kNoThermalRow};
static_assert(_PLANE_STRESS_QUAD_THERMAL == 11 && _SOLID_HEXA_THERMAL == 25 && kNumElementTypes == 32);

}  // namespace

const ThermalBehaviourRow& ThermalBehaviourOf(int type) {
  GetElementTypeInfo(type);  // refuses a code outside the table
  return kThermalRows[type];
}

void RunThermalMat(const ThermalMatCell& cell, int type, const ThermalElementCall& c, double** K) {
  if (cell.run == nullptr) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nElement type: %s\n%s\n", GetElementTypeInfo(type).keyword, cell.refusal);
    InternalError(__FILE__, __LINE__);
  }
  cell.run(c, K);
}
