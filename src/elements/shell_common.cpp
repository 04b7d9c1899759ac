// Parts shared by the slab, shell and solid elements: nodal thicknesses, the labelled
// Jacobian checks of the plates and shells, the point product B^T D B and the mass
// density of an element's own material.
#include <climits>
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/members.h"
#include "elements/shell_solid.h"
#include "history/history.h"
#include "materials/material_point.h"
#include "numcore/numcore.h"

void CalcShellNodeThickness(int n, int propIndex, double* t, const GeometryPattern* geomPatterns,
                            const LaminateThickness* lamThicks, const ElementProperty* props) {
  const ElementProperty& p = props[propIndex];
  if (p.GeometryKind != GEOM_LAM_THICK && p.GeometryKind != GEOM_PATT) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Reading the thickness of element property record n. %d\n", propIndex);
    errexit("Slab and shell elements take their thickness from\n_LAM_THICK or _GEOM_PATT records.", 0);
  }
  int* rec;
  alloci1(&rec, n);
  // Record numbers were checked against the table when the data file was read.
  CalcPropNodeGeomRecords(n, propIndex, p, GEOM_LAM_THICK, geomPatterns, INT_MAX, rec);
  for (int k = 1; k <= n; k++) {
    t[k] = lamThicks[rec[k]].Thickness;
    // A null or negative thickness would give a singular or indefinite element.
    if (!(t[k] > 0.0)) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      std::fprintf(stderr, "Reading the thickness of element property record n. %d\n", propIndex);
      std::fprintf(stderr, "   -> Node: %d\n", k);
      std::fprintf(stderr, "   -> Thickness: %g\n", t[k]);
      errexit("Slab and shell elements need a positive thickness at every node.", 0);
    }
  }
  freei1(rec);
}

double CalcInvJacobianPart(int elem, const char* part, double** J, double** Jinv, const char* context) {
  char msg[256];
  const double det = detd2(J, 2);
  const char* what = nullptr;
  if (JacobianIsNull(det, 2, 2, J))
    what = "null";
  else if (det < 0.0)
    what = "negative";
  if (what == nullptr) {
    double buf[3][3];
    double* W[3] = {nullptr, buf[1], buf[2]};
    copyd2(W, J, 2, 2);
    if (invertd2(Jinv, W, 2)) return det;
  }
  if (what != nullptr)
    std::snprintf(msg, sizeof msg,
                  "Jacobian determinant (%s) is %s:\nelement geometry and/or mesh connectivity must be changed.", part,
                  what);
  else
    std::snprintf(msg, sizeof msg,
                  "Unable to invert the Jacobian matrix:\nelement geometry and/or mesh connectivity must be changed.");
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, context, elem);
  errexit(msg, 0);
}

void AddScaledBtDB(int nr, int ndof, double scale, double** B, double** D, double** DB, double** K) {
  for (int i = 1; i <= nr; i++)
    for (int c = 1; c <= ndof; c++) {
      double s = 0.0;
      for (int k = 1; k <= nr; k++) s += D[i][k] * B[k][c];
      DB[i][c] = s;
    }
  for (int a = 1; a <= ndof; a++) {
    double* Ka = K[a];
    for (int k = 1; k <= nr; k++) {
      const double bka = B[k][a];
      if (bka == 0.0) continue;
      const double f = scale * bka;
      const double* dbk = DB[k];
      for (int c = 1; c <= ndof; c++) Ka[c] += f * dbk[c];
    }
  }
}

void CheckPlaneStressPoisson(const char* family, double nu) {
  if (nu > -1.0 && nu < 1.0) return;
  char msg[256];
  std::snprintf(msg, sizeof msg,
                "%s element: Poisson's coefficient must be greater than -1\nand less than 1.\n"
                "The Poisson's coefficient value must be changed.",
                family);
  errexit(msg, 0);
}

void CalcPlateIsoD(const char* family, double E, double nu, double** D) {
  CheckPlaneStressPoisson(family, nu);
  zerod2(D, 3, 3);
  D[1][1] = D[2][2] = E / (1.0 - nu * nu);
  D[1][2] = D[2][1] = nu * E / (1.0 - nu * nu);
  D[3][3] = E / (2.0 * (1.0 + nu));
}

double ElemMaterialDensity(int elem, int typeCode, int propIndex, const MeshData* mesh) {
  const ElementProperty& p = mesh->ElemProps[propIndex];
  if (p.MaterialKind < 1 || p.MaterialKind > kMaterialKinds || MaterialDensityRule(p.MaterialKind) != kDensityOwn) {
    char detail[96];
    std::snprintf(detail, sizeof detail, "   -> Material type: %s\n", MaterialKindName(p.MaterialKind));
    ElemDataFault(ElemFaultContext{kCtxMass, elem, 0, 0}, typeCode, detail,
                  "The material of the element holds no mass density.");
  }
  return MaterialDensity(p.MaterialKind, MaterialOf(mesh, p.MaterialKind, p.MaterialNumber));
}

// ---- layered shells ----------------------------------------------------------------------

int LayerPointRecord(const Index_HD* indexHD, const int* elemToHD, int elem, int ip, int layer) {
  if (indexHD == nullptr || elemToHD == nullptr || elemToHD[elem] == 0) InternalError(__FILE__, __LINE__);
  return RecordOfLayer_HD(indexHD, elemToHD[elem], ip, layer);
}

int LayeredShellPattern(const ElemFaultContext& at, int typeCode, int nNodes, int prop, const MeshData* mesh,
                        int* nL) {
  const ElementProperty& p = mesh->ElemProps[prop];
  CheckElemNodeCount(at, typeCode, nNodes, 4, 8, 9);
  CheckElemMaterialKind(at, typeCode, p.MaterialKind, MAT_LAY_PATT);
  *nL = mesh->LayerPatterns[p.MaterialNumber].nLayers;
  CheckShellLayerKinds(at, typeCode, p.MaterialNumber, mesh);
  return p.MaterialNumber;
}

void FindLayerStack(LayerStackCall* c, int typeCode) {
  c->pattern = LayeredShellPattern(ElemFaultContext{c->context, c->elem, 0, 0}, typeCode, c->nNodes, c->prop,
                                   c->mesh, &c->nL);
}

void FetchLayeredRules(const LayerStackCall& c, LayeredRules* r) {
  const ElementProperty& p = c.mesh->ElemProps[c.prop];
  CalcElemIntegrationCounts(c.elem, c.context, 2, 3, c.prop, c.mesh->Integrations, c.mesh->ElemProps, r->c);
  GetLineIntegrationRule(c.elem, p.IntegrationType, p.IntegrationNumber, r->c[1], &r->a1, &r->w1);
  GetLineIntegrationRule(c.elem, p.IntegrationType, p.IntegrationNumber, r->c[2], &r->a2, &r->w2);
}

int LayerOliverOption(int code, const MaterialRecord& m) {
  const int option = SolidCrackBandOption(code, m);
  return option == 4 || option == 5 ? option : 0;
}

void CheckShellLayerKinds(const ElemFaultContext& at, int typeCode, int pattern, const MeshData* mesh) {
  const LayerPattern& lp = mesh->LayerPatterns[pattern];
  for (int l = 1; l <= lp.nLayers; l++) {
    const int code = mesh->LayerProps[lp.Layer[l]].MaterialKind;
    if (ShellLayerKindServed(code, StressStateOfType(typeCode))) continue;
    char detail[160];
    std::snprintf(detail, sizeof detail, "   -> Layer: %d\n   -> Material kind: %s\n", l, MaterialKindName(code));
    ElemDataFault(at, typeCode, detail, "This type of element cannot take a layer of this material kind.");
  }
}

void LayerThicknessFault(const char* context, int elem, int ip, int layer) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, context, elem);
  std::fprintf(stderr, "Integration point (IP) n. %d\n", ip);
  std::fprintf(stderr, "Calculating the position of the middle surface of layer n. %d\n", layer);
  errexit("Null element thickness at this IP.", 0);
}
