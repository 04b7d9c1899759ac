// Element heat loads: face flux, fluid temperature with convection and radiation,
// volumetric heat generation and the heat of hydration.
#include "thermal/thermal_loads.h"

#include <cstdio>
#include <functional>
#include <string>

#include "elements/kernel.h"
#include "history/history.h"
#include "materials/thermal_materials.h"
#include "numcore/numcore.h"
#include "thermal/thermal_elements.h"
#include "thermal/thermal_faces.h"

namespace {

std::string Format(const char* fmt, int v) {
  char buf[200];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

const char* const kFluxLine = "Calculating the surface heat flux load contribution to the global load vector:\n";
const char* const kFluxBlock = "   -> Block name: <SURFACE_HEAT_FLUX>\n";
const char* const kConvLoadLine =
    "Calculating the surface fluid temperature (convection heat transfer) load contribution to the global load "
    "vector:\n";
const char* const kRadLoadLine =
    "Calculating the surface fluid temperature (radiation heat transfer) load contribution to the global load "
    "vector:\n";
const char* const kFluidBlock = "   -> Block name: <SURFACE_FLUID_TEMPERATURE>\n";

// Context lines of a face load: routine line, load case, block, counter.
std::string FaceLoadHead(const char* line, int lc, const char* block, int k) {
  return std::string("\n") + line + Format("   -> Load case: %d\n", lc) + block +
         Format("   -> Face load counter: %d\n", k);
}

// The face, its rule and the two failure contexts of a face load on element elem.
struct ThermalFaceLoad {
  HexaFace f;
  std::string head, patternCtx, areaCtx;
};

void SetUpFaceLoad(const MeshData* mesh, int elem, int n, int face, int m, const double* values,
                   const std::string& head, ThermalFaceLoad* L, double* v) {
  L->head = head + Format("   -> Element: %d\n", elem);
  L->patternCtx = L->head + "   -> Element type: _SOLID_HEXA_THERMAL\n";
  L->areaCtx = L->head + Format("   -> Face: %d\n", face);
  SetUpHexaFace(mesh, elem, n, face, L->head, &L->f);
  FaceNodeValues(L->f, m, values, L->head, v);
}

// The integration type of <LOAD_CASE_PARAMETERS> is the rule of the case's heat loads;
// only the Gauss rules integrate them (0 names no rule). Refused before the element's
// rule is sought, so that the message names the load case, not the element.
void CheckLoadCaseRuleType(const std::string& where, const LoadCaseParameters* params) {
  if (params->IntegrationType == kIntGLEG || params->IntegrationType == kIntGLOB) return;
  std::fflush(stdout);
  std::fprintf(stderr, "%s   -> Integration type of the load case: %d\n", where.c_str(), params->IntegrationType);
  errexit("The specified integration type is not compatible with specified type of load.\n"
          "The integration type of <LOAD_CASE_PARAMETERS> must be 1 _GLEG or 2 _GLOB.", 0);
}

// fe at the temperature entries of the face nodes += N_i g(N) w dA.
template <class G>
void AddFaceLoad(const MeshData* mesh, const ThermalFaceLoad& L, const LoadCaseParameters* params, G g, double* fe) {
  CheckLoadCaseRuleType(L.patternCtx, params);
  IntegrateHexaFace(mesh, L.f, params->IntegrationType, params->IntegrationName, L.patternCtx, L.areaCtx,
                    [&](const double* N, double wdA) {
                      const double v = g(N) * wdA;
                      for (int i = 1; i <= L.f.nf; i++) fe[6 * (L.f.nodes[i] - 1) + 1] += N[i] * v;
                    });
}

void CheckElementLoad(int n, int nNodes, double* fe) {
  if (n != 6 * nNodes) InternalError(__FILE__, __LINE__);
  zerod1(fe, n);
}

// The fluid record k must name a face record (convection or radiation) of the same
// element and face.
template <class R>
const R& NamedFaceRecord(int named, int count, const R* records, const SurfaceFluidTemperature& fl,
                         const std::string& head, const char* what) {
  if (named < 1 || named > count || records[named].Element != fl.Element || records[named].Face != fl.Face) {
    std::fprintf(stderr, "%s   -> %s record: %d\n", head.c_str(), what, named);
    errexit("The fluid temperature names a heat transfer record of another element face.", 0);
  }
  return records[named];
}

// Volume integral of N_a q over a thermal element (plane: times its thickness); q from
// rate(point, T) with T interpolated from Te (null: 0). patternLine null: the element's
// own rule (2 per direction), else the load case's (3 per direction).
void AddVolumeHeat(const MeshData* mesh, int elem, int type, int nNodes, int property, int intType, int intNumber,
                   const char* patternLine, const char* jacobianCtx, double* fe,
                   const std::function<double(int, double)>& rate, const double* Te) {
  const int d = type == _SOLID_HEXA_THERMAL ? 3 : 2;
  int c[4] = {0, 1, 1, 1};
  if (patternLine == nullptr) {
    CalcElemIntegrationCounts(elem, jacobianCtx, d, 2, property, mesh->Integrations, mesh->ElemProps, c);
  } else {
    for (int k = 1; k <= d; k++) c[k] = 3;
    if (intNumber != 0) {
      if (intNumber < 0 || intNumber > mesh->nIntegrations) InternalError(__FILE__, __LINE__);
      const NumericalIntegration& r = mesh->Integrations[intNumber];
      const int g[4] = {0, Integ_G_S1(r), Integ_G_S2(r), Integ_G_S3(r)};
      for (int k = 1; k <= d; k++) c[k] = g[k];
      if (c[1] == 0 || c[2] == 0 || (d == 3 && c[3] == 0)) {
        std::fprintf(stderr, "%s   -> Specified integration name: %s\n", patternLine, r.Name);
        errexit(d == 3 ? "Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S2_k are missing."
                       : "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing.",
                0);
      }
    }
  }
  ForEachThermalPoint(mesh, elem, type, nNodes, property, c, intType, intNumber, jacobianCtx,
                      [&](int point, const double* N, double**, double f) {
                        const double T = Te != nullptr ? dotd1(N, Te, nNodes) : 0.0;
                        const double q = rate(point, T);
                        for (int b = 1; b <= nNodes; b++) fe[6 * (b - 1) + 1] += N[b] * q * f;
                      });
}

}  // namespace

void Calc_Fqg_SurfHeatFlux(int n, int elem, int type, int lc, int nNodes, int k, const LoadCaseParameters* params,
                           const MeshData* mesh, double* fe, const SurfaceHeatFlux* records) {
  if (type != _SOLID_HEXA_THERMAL) InternalError(__FILE__, __LINE__);
  CheckElementLoad(n, nNodes, fe);
  const SurfaceHeatFlux& r = records[k];
  ThermalFaceLoad L;
  double q[9];
  SetUpFaceLoad(mesh, elem, nNodes, r.Face, r.ValueCount, r.Values, FaceLoadHead(kFluxLine, lc, kFluxBlock, k), &L, q);
  AddFaceLoad(mesh, L, params, [&](const double* N) { return FaceInterpolate(N, q, L.f.nf); }, fe);
}

void Calc_Fqg_SurfFluidTemp(int n, int elem, int type, int lc, int nNodes, int conv, int k,
                            const LoadCaseParameters* params, const MeshData* mesh, double* fe,
                            const SurfaceFluidTemperature* records) {
  if (type != _SOLID_HEXA_THERMAL) InternalError(__FILE__, __LINE__);
  CheckElementLoad(n, nNodes, fe);
  const SurfaceFluidTemperature& r = records[k];
  ThermalFaceLoad L;
  double Tf[9], h[9];
  SetUpFaceLoad(mesh, elem, nNodes, r.Face, r.ValueCount, r.Values, FaceLoadHead(kConvLoadLine, lc, kFluidBlock, k),
                &L, Tf);
  const SurfaceConvection& c = NamedFaceRecord(conv, mesh->nConvections, mesh->Convections, r, L.head, "Convection");
  FaceNodeValues(L.f, c.ValueCount, c.Values, L.head, h);
  AddFaceLoad(mesh, L, params, [&](const double* N) { return FaceInterpolate(N, Tf, L.f.nf) * FaceInterpolate(N, h, L.f.nf); },
              fe);
}

void Calc_Fqg_SurfRadFluidTemp(int n, int elem, int type, int lc, int nNodes, int k, int rad, double factor,
                               const LoadCaseParameters* params, const MeshData* mesh, const double* Te, double* fe,
                               const SurfaceFluidTemperature* records) {
  if (type != _SOLID_HEXA_THERMAL) InternalError(__FILE__, __LINE__);
  CheckElementLoad(n, nNodes, fe);
  const SurfaceFluidTemperature& r = records[k];
  ThermalFaceLoad L;
  double Tf[9], e[9], Ts[9];
  SetUpFaceLoad(mesh, elem, nNodes, r.Face, r.ValueCount, r.Values, FaceLoadHead(kRadLoadLine, lc, kFluidBlock, k),
                &L, Tf);
  const SurfaceRadiation& R = NamedFaceRecord(rad, mesh->nRadiations, mesh->Radiations, r, L.head, "Radiation");
  FaceNodeValues(L.f, R.ValueCount, R.Values, L.head, e);
  for (int i = 1; i <= L.f.nf; i++) Ts[i] = Te[L.f.nodes[i]];
  AddFaceLoad(mesh, L, params,
              [&](const double* N) {
                const double tf = factor * FaceInterpolate(N, Tf, L.f.nf);
                return tf * RadiationCoefficient(FaceInterpolate(N, e, L.f.nf), R.Sigma, tf, FaceInterpolate(N, Ts, L.f.nf));
              },
              fe);
}

void Calc_Fqg_VolumetricIntHeatGeneration(int n, int elem, int type, int lc, int nNodes, int property, int k,
                                          const LoadCaseParameters* params, const MeshData* mesh, double* fe,
                                          const VolumetricHeatGeneration* records) {
  if (type != _SOLID_HEXA_THERMAL && type != _PLANE_STRESS_QUAD_THERMAL) InternalError(__FILE__, __LINE__);
  if (type == _SOLID_HEXA_THERMAL ? (nNodes != 8 && nNodes != 20) : (nNodes != 4 && nNodes != 8 && nNodes != 9))
    InternalError(__FILE__, __LINE__);
  CheckElementLoad(n, nNodes, fe);
  const char* typeLine = type == _SOLID_HEXA_THERMAL ? "   -> Element type: _SOLID_HEXA_THERMAL\n"
                                                     : "   -> Element type: _PLANE_STRESS_QUAD_THERMAL\n";
  const std::string where = Format("   -> Load case: %d\n", lc) + "   -> Block name: <INTERNAL_HEAT_GENERATION>\n" +
                            Format("   -> Element: %d\n", elem) + typeLine;
  const std::string patternLine =
      "\nCalculating the internal heat generation load contribution to the global load vector:\n" + where;
  // The Jacobian context carries one %d: the element number is already in `where`.
  std::string jac = "\nCalculating the internal heat generation  load contribution to the global load vector:\n" +
                    Format("   -> Load case: %d\n", lc) + "   -> Block name: <INTERNAL_HEAT_GENERATION>\n" +
                    "   -> Element: %d\n" + typeLine;
  CheckLoadCaseRuleType(patternLine, params);
  const double q = records[k].Value;
  AddVolumeHeat(mesh, elem, type, nNodes, property, params->IntegrationType, params->IntegrationName,
                patternLine.c_str(), jac.c_str() + 1, fe, [q](int, double) { return q; }, nullptr);
}

void Calc_Fqg_VolumetricIntHeatGenerationSolidHexaThermal_NL(int /*comb*/, int n, int elem, int /*iter*/, int nNodes,
                                                            int property, double dt, const Index_HD* indexHD,
                                                            const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                                            double* fe, const double* Te) {
  if (nNodes != 8 && nNodes != 20) InternalError(__FILE__, __LINE__);
  CheckElementLoad(n, nNodes, fe);
  const ElementProperty& p = mesh->ElemProps[property];
  // Point p of the element's rule reads history record p of the element.
  const auto rate = [&](int point, double T) {
    const int record = RecordOfSingle_HD(indexHD, elemToHD[elem], point);
    return ThermalPointHeatGeneration(property, mesh, hd, record, dt, T);
  };
  AddVolumeHeat(mesh, elem, _SOLID_HEXA_THERMAL, nNodes, property, p.IntegrationType, p.IntegrationNumber, nullptr,
                "Calculating the internal heat generation of element n. %d\n", fe, rate, Te);
}
