// Faces of the thermal hexahedron: set-up, face rule, convection and radiation matrices.
#include "thermal/thermal_faces.h"

#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

[[noreturn]] void FaceFault(const std::string& where, const char* msg) {
  std::fprintf(stderr, "%s", where.c_str());
  errexit(msg, 0);
}

std::string Format(const char* fmt, int v) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

const char* const kConvLine =
    "Calculating the surface covection heat transfer contribution\nto the global conduction matrix:\n";
const char* const kRadLine =
    "Calculating the surface radiation heat transfer contribution\nto the global conduction matrix:\n";
const char* const kConvBlock = "   -> Block name: <SURFACE_CONVECTION_HEAT_TRANSFER>\n";
const char* const kRadBlock = "   -> Block name: <SURFACE_RADIATION_HEAT_TRANSFER>\n";

void PrintFaceMatrices(char flag, const char* kind, int elem, int n, double** F, double** KCg) {
  if (flag != 'Y') return;
  std::printf("\nSurface %s heat transfer matrix (_SOLID_HEXA_THERMAL):\n", kind);
  std::printf("Element n. %d\n", elem);
  printd2(F, n, n, stdout, "CSV", "NoNumbers", "", 1, 'E', 18, 10);
  std::printf("\nConductivity matrix KCg with surface %s heat transfer matrix (_SOLID_HEXA_THERMAL):\n", kind);
  std::printf("Element n. %d\n", elem);
  printd2(KCg, n, n, stdout, "CSV", "NoNumbers", "", 1, 'E', 18, 10);
}

// Face matrix of coefficient c(N) at each point, added into KCg.
template <class C>
void AddFaceMatrix(const MeshData* mesh, const HexaFace& f, int intType, int intNumber, const std::string& patternCtx,
                   const std::string& areaCtx, C coefficient, char flag, const char* kind, double** KCg) {
  double** F;
  allocd2(&F, f.n, f.n);
  zerod2(F, f.n, f.n);
  IntegrateHexaFace(mesh, f, intType, intNumber, patternCtx, areaCtx, [&](const double* N, double wdA) {
    const double h = coefficient(N) * wdA;
    for (int i = 1; i <= f.nf; i++)
      for (int j = 1; j <= f.nf; j++) F[f.nodes[i]][f.nodes[j]] += h * N[i] * N[j];
  });
  for (int i = 1; i <= f.n; i++)
    for (int j = 1; j <= f.n; j++) KCg[i][j] += F[i][j];
  PrintFaceMatrices(flag, kind, f.elem, f.n, F, KCg);
  freed2(F);
}

}  // namespace

double FaceInterpolate(const double* N, const double* v, int nf) {
  double s = 0.0;
  for (int i = 1; i <= nf; i++) s += N[i] * v[i];
  return s;
}

double RadiationCoefficient(double e, double sigma, double Tf, double Ts) {
  const double tf = Tf + 273.15, ts = Ts + 273.15;
  return e * sigma * (tf * tf + ts * ts) * (Tf + Ts + 546.3);
}

void SetUpHexaFace(const MeshData* mesh, int elem, int n, int face, const std::string& where, HexaFace* f) {
  if (n != 8 && n != 20) InternalError(__FILE__, __LINE__);
  if (face < 1 || face > 6) FaceFault(where + Format("   -> Face: %d\n", face), "Invalid face number.");
  f->elem = elem;
  f->face = face;
  f->n = n;
  f->nf = n == 8 ? 4 : 8;
  unsigned char flag = 0;
  int listed[9];
  CalcNodeFaceSolidHexa(face, n, &flag, listed);
  f->reversed = flag != 0;
  for (int i = 1; i <= f->nf; i++) f->nodes[i] = f->reversed && i > 1 ? listed[f->nf + 2 - i] : listed[i];
  for (int i = 1; i <= f->nf; i++) {
    const double* x = mesh->PointCoord[mesh->ElemNodes[elem][f->nodes[i]]];
    for (int d = 1; d <= 3; d++) f->Xf[i][d] = x[d];
  }
}

void FaceNodeValues(const HexaFace& f, int m, const double* values, const std::string& where, double* v) {
  if (m != 1 && m != f.nf)
    FaceFault(where + Format("   -> Number of values: %d\n", m),
              "The number of values must be 1 or the number of face nodes.");
  for (int i = 1; i <= f.nf; i++) {
    const int k = f.reversed && i > 1 ? f.nf + 2 - i : i;
    v[i] = m == 1 ? values[1] : values[k];
  }
}

void HexaFaceRule(const MeshData* mesh, int elem, int intType, int intNumber, const std::string& patternCtx,
                  int* c1, int* c2, const double** a1, const double** w1, const double** a2, const double** w2) {
  *c1 = *c2 = 3;
  if (intNumber != 0) {
    if (intNumber < 0 || intNumber > mesh->nIntegrations)
      FaceFault(patternCtx + Format("   -> Integration pattern: %d\n", intNumber),
                "Invalid integration pattern number.");
    const NumericalIntegration& r = mesh->Integrations[intNumber];
    *c1 = Integ_G_S1(r);
    *c2 = Integ_G_S2(r);
    if (*c1 == 0 || *c2 == 0)
      FaceFault(patternCtx + "   -> Specified integration name: " + r.Name + "\n",
                "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing.");
  }
  GetLineIntegrationRule(elem, intType, intNumber, *c1, a1, w1);
  GetLineIntegrationRule(elem, intType, intNumber, *c2, a2, w2);
}

double HexaFaceArea(const HexaFace& f, const double* s, double* N, const std::string& areaCtx) {
  double dNbuf[9][3];
  double* dN[9];
  for (int i = 0; i <= 8; i++) dN[i] = dNbuf[i];
  CalcShapeFuncQuad(f.nf, N, s);
  CalcShapeFuncDerivQuad(f.nf, dN, s);
  double g[3][4] = {};
  for (int b = 1; b <= 2; b++)
    for (int d = 1; d <= 3; d++)
      for (int i = 1; i <= f.nf; i++) g[b][d] += f.Xf[i][d] * dN[i][b];
  const double c1 = g[1][2] * g[2][3] - g[1][3] * g[2][2];
  const double c2 = g[1][3] * g[2][1] - g[1][1] * g[2][3];
  const double c3 = g[1][1] * g[2][2] - g[1][2] * g[2][1];
  const double dA = std::sqrt(c1 * c1 + c2 * c2 + c3 * c3);
  if (dA < 1e-8) FaceFault(areaCtx, "Jacobian determinant is null:\nelement face geometry and/or mesh connectivity must be changed.");
  return dA;
}

void CalcSurfConvHeatTransferMatSolidHexaThermal(int elem, int n, int k, const char* OutputControl,
                                                 const MeshData* mesh, double** KCg) {
  if (k < 1 || k > mesh->nConvections) InternalError(__FILE__, __LINE__);
  const SurfaceConvection& r = mesh->Convections[k];
  const std::string head = std::string("\n") + kConvLine + kConvBlock + Format("   -> Counter: %d\n", k);
  HexaFace f;
  SetUpHexaFace(mesh, elem, n, r.Face, head + Format("   -> Element: %d\n", elem), &f);
  double h[9];
  FaceNodeValues(f, r.ValueCount, r.Values, head + Format("   -> Element: %d\n", elem), h);
  AddFaceMatrix(mesh, f, r.IntegrationType, r.IntegrationNumber, head + "   -> Element type: _SOLID_HEXA_THERMAL\n",
                std::string("\n") + kConvLine + Format("   -> Element: %d\n", elem),
                [&](const double* N) { return FaceInterpolate(N, h, f.nf); },
                OutputControl[OC_PRINT_MAT_KCG_SURF_CONV_HEAT_TRANSFER_SOLID_HEXA_THERMAL], "convection", KCg);
}

void CalcSurfRadHeatTransferMatSolidHexaThermal(int elem, int n, int k, const char* OutputControl,
                                                const FaceFluidTemperatures* fluid, const double* Te,
                                                const MeshData* mesh, double** KCg) {
  if (k < 1 || k > mesh->nRadiations) InternalError(__FILE__, __LINE__);
  const SurfaceRadiation& r = mesh->Radiations[k];
  const std::string head = std::string("\n") + kRadLine + kRadBlock + Format("   -> Counter: %d\n", k);
  HexaFace f;
  SetUpHexaFace(mesh, elem, n, r.Face, head + Format("   -> Element: %d\n", elem), &f);
  double e[9], Tf[9], Ts[9];
  FaceNodeValues(f, r.ValueCount, r.Values, head + Format("   -> Element: %d\n", elem), e);
  // The table lists the fluid temperatures in the face's own order: re-order as the nodes.
  const double* listed = fluid->T[elem][r.Face];
  if (listed == nullptr) InternalError(__FILE__, __LINE__);
  FaceNodeValues(f, f.nf, listed, head, Tf);
  for (int i = 1; i <= f.nf; i++) Ts[i] = Te[f.nodes[i]];
  const double sigma = r.Sigma;
  AddFaceMatrix(mesh, f, r.IntegrationType, r.IntegrationNumber, head + "   -> Element type: _SOLID_HEXA_THERMAL\n",
                std::string("\n") + kRadLine + Format("   -> Element: %d\n", elem),
                [&](const double* N) {
                  return RadiationCoefficient(FaceInterpolate(N, e, f.nf), sigma, FaceInterpolate(N, Tf, f.nf),
                                              FaceInterpolate(N, Ts, f.nf));
                },
                OutputControl[OC_PRINT_MAT_KCG_SURF_RAD_HEAT_TRANSFER_SOLID_HEXA_THERMAL], "radiation", KCg);
}

void CalcSurfRadHeatTransferMat(int elem, int n, int property, const char* OutputControl,
                                const FaceFluidTemperatures* fluid, const double* Te, const MeshData* mesh,
                                double** KCg) {
  const int type = mesh->ElemProps[property].ElementType;
  for (int k = 1; k <= mesh->nRadiations; k++) {
    if (mesh->Radiations[k].Element != elem) continue;
    if (type != _SOLID_HEXA_THERMAL) {
      std::fprintf(stderr, "\n%s%s   -> Counter: %d\n   -> Element: %d\n   -> Element type: %s\n", kRadLine, kRadBlock,
                   k, elem, GetElementTypeInfo(type).keyword);
      errexit("Surface radiation heat transfer cannot be applied to this element type.", 0);
    }
    CalcSurfRadHeatTransferMatSolidHexaThermal(elem, n, k, OutputControl, fluid, Te, mesh, KCg);
  }
}
