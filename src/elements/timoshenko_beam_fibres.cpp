// 3-D Timoshenko beam (type 8) with a fibre section in a materially nonlinear run. The
// section is a plane mesh of quadrilateral fibrous elements given once per cross-section
// of the beam element; every integration point of a fibrous element is a fibre with its
// own area, position and material, and every fibre at every axial point has its own
// history record. Axial force and bending moments are sums over the fibres' uniaxial
// laws; shear forces and torque stay elastic.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "history/history.h"
#include "materials/material_point.h"
#include "materials/material_table.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

constexpr int kBeamType = _TIMOSHENKO_BEAM_3D;
constexpr int kBeamNodeCounts[3] = {0, 2, 3};
constexpr char kFibrousMeshes[] = "<FIBROUS_MESHES>";
constexpr int kMaxRulePoints = 10;

const char* const kCtxStiffAxial = "Calculating the stiffness matrix of Mother element n. %d\n";
const char* const kCtxStiffShear = "Calculating the stiffness matrix of mother element n. %d\n";
const char* const kCtxForces = "Calculating the Internal forces of Mother element n. %d\n";
const char* const kNullJacobian =
    "Jacobian norm (axial) is null:\nelement geometry and/or mesh connectivity must be changed.";

const FibrousMesh& FibrousMeshOfProperty(const MeshData* mesh, int prop) {
  const int j = mesh->ElemProps[prop].MaterialNumber;
  if (j < 1 || j > mesh->Main.nFibrousMeshes) InternalError(__FILE__, __LINE__);
  return mesh->FibrousMeshes[j];
}

// Section point counts (p1 along s1, p2 along s2) of a fibrous element property record:
// the G sub-pattern of its integration record, 2 x 2 without one.
void FibrePointCounts(const FibrousElementProperty& g, const MeshData* mesh, int* p1, int* p2) {
  if (g.v[8] == 0) {
    *p1 = *p2 = 2;
    return;
  }
  if (g.v[8] < 1 || g.v[8] > mesh->nIntegrations) InternalError(__FILE__, __LINE__);
  *p1 = IntegPoints(mesh->Integrations[g.v[8]], 'G', 1);
  *p2 = IntegPoints(mesh->Integrations[g.v[8]], 'G', 2);
}

// ---- set-up checks -------------------------------------------------------------------------

[[noreturn]] void MeshFault(int j, const char* msg) { DataFault(nullptr, kFibrousMeshes, j, "%s", msg); }

void CheckFibrousElements(int j, const FibrousMesh& fm) {
  char msg[512];
  if (fm.nMotherNodes < 1) MeshFault(j, "The fibrous mesh has no cross-section.");
  for (int fe = 1; fe <= fm.nElements; fe++) {
    const int n = fm.ElemNodeCount[fe];
    if (n != 4 && n != 8 && n != 9) {
      std::snprintf(msg, sizeof msg, "Fibrous element n. %d has %d nodes: a fibrous element takes 4, 8 or 9 nodes.",
                    fe, n);
      MeshFault(j, msg);
    }
    for (int k = 1; k <= n; k++)
      for (int s = 1; s <= fm.nMotherNodes; s++) {
        const int pt = fm.ElemNodes[fe][k];
        if (pt < 1 || pt > fm.Sections[s].nPoints) {
          std::snprintf(msg, sizeof msg,
                        "Fibrous element n. %d: node %d is point %d, outside the %d points of cross-section %d.", fe,
                        k, pt, fm.Sections[s].nPoints, s);
          MeshFault(j, msg);
        }
      }
  }
}

// The history index numbers the fibres record after record, p1 x p1 points each, and
// takes every record; the beam walks the fibrous elements in element order with p1 x p2
// points and only the records of phase 1. Both orders agree only on meshes whose records
// are in ascending element order, do not overlap, cover phase 1 and give p1 = p2.
void CheckFibrousProperties(int j, const FibrousMesh& fm, const MeshData* mesh) {
  char msg[512];
  int last = 0;
  for (int g = 1; g <= fm.nProperties; g++) {
    const int32_t* v = fm.Properties[g].v;
    if (v[3] == 0) continue;  // a record without fibrous elements
    if (v[3] < 1 || v[4] < v[3] || v[4] > fm.nElements) {
      std::snprintf(msg, sizeof msg,
                    "Fibrous element property record %d gives fibrous elements %d to %d:\n"
                    "the range must lie within 1 to %d.",
                    g, v[3], v[4], fm.nElements);
      MeshFault(j, msg);
    }
    if (v[1] > 1 || v[2] < 1) {
      std::snprintf(msg, sizeof msg,
                    "Fibrous element property record %d applies to phases %d to %d:\n"
                    "every record of a fibrous mesh must cover phase 1.",
                    g, v[1], v[2]);
      MeshFault(j, msg);
    }
    if (v[3] <= last) {
      std::snprintf(msg, sizeof msg,
                    "Fibrous element property record %d starts at fibrous element %d, not after element %d of the "
                    "record before it:\nthe records must follow the fibrous elements in ascending order without "
                    "overlapping.",
                    g, v[3], last);
      MeshFault(j, msg);
    }
    last = v[4];
    const int code = v[5];
    if (code < 1 || code > kMaterialKinds ||
        HistoryUseInComposition(kCompositionFibrousMesh, code) == kHistoryRefused) {
      // The kinds a fibre may take, in code order, from the material table.
      char valid[256] = "";
      for (int c = 1; c <= kMaterialKinds; c++) {
        if (HistoryUseInComposition(kCompositionFibrousMesh, c) == kHistoryRefused) continue;
        const size_t used = std::strlen(valid);
        std::snprintf(valid + used, sizeof valid - used, "%s%s", used > 0 ? ", " : "", MaterialKindName(c));
      }
      std::snprintf(msg, sizeof msg,
                    "Fibrous element property record %d: material kind %d cannot make a fibre\n(valid: %s).", g,
                    code, valid);
      MeshFault(j, msg);
    }
    if (v[6] < 1 || v[6] > mesh->nMaterials[code]) {
      std::snprintf(msg, sizeof msg,
                    "Fibrous element property record %d: material record %d of %s, which has %d records.", g, v[6],
                    MaterialKindName(code), mesh->nMaterials[code]);
      MeshFault(j, msg);
    }
    if (v[7] != INTEG_GLEG) {
      std::snprintf(msg, sizeof msg,
                    "Fibrous element property record %d: integration type %d; fibrous elements take _GLEG (1).", g,
                    v[7]);
      MeshFault(j, msg);
    }
    if (v[8] < 0 || v[8] > mesh->nIntegrations) {
      std::snprintf(msg, sizeof msg,
                    "Fibrous element property record %d: integration pattern %d, outside the %d records of "
                    "<NUMERICAL_INTEGRATION>.",
                    g, v[8], mesh->nIntegrations);
      MeshFault(j, msg);
    }
    int p1, p2;
    FibrePointCounts(fm.Properties[g], mesh, &p1, &p2);
    if (p1 != p2 || p1 < 1 || p1 > kMaxRulePoints) {
      std::snprintf(msg, sizeof msg,
                    "Fibrous element property record %d: its integration pattern gives %d x %d points;\n"
                    "a fibrous element takes the same count, 1 to %d, along both section directions.",
                    g, p1, p2, kMaxRulePoints);
      MeshFault(j, msg);
    }
  }
  if (last == 0) MeshFault(j, "The fibrous mesh has no fibrous element with a property: the section has no fibres.");
}

// ---- section set-up --------------------------------------------------------------------------

// Areas and positions of the fibres of cross-section k of the mesh, and (k = 1) the
// material, fibrous-element rank and point number of every fibre.
void SectionFibres(int elem, int k, bool forces, const FibrousMesh& fm, const MeshData* mesh, FibreSection* s) {
  double **X, **dN, **J, **Jinv;
  double *N, sp[3];
  allocd2(&X, 9, 2);
  allocd2(&dN, 9, 2);
  allocd2(&J, 2, 2);
  allocd2(&Jinv, 2, 2);
  allocd1(&N, 9);
  int f = 0, rank = 0;
  for (int fe = 1; fe <= fm.nElements; fe++) {
    const int g = s->prop[fe];
    if (g == 0) continue;
    rank++;
    const FibrousElementProperty& grp = fm.Properties[g];
    const int nN = fm.ElemNodeCount[fe];
    int p1, p2;
    FibrePointCounts(grp, mesh, &p1, &p2);
    const double *a1, *w1, *a2, *w2;
    GetLineIntegrationRule(fe, grp.v[7], grp.v[8], p1, &a1, &w1);
    GetLineIntegrationRule(fe, grp.v[7], grp.v[8], p2, &a2, &w2);
    CalcMat_FibrousElemNodeCoord(fe, nN, fm.ElemNodes, X, fm.Sections[k].Coord);
    for (int jj = 1; jj <= p2; jj++)
      for (int ii = 1; ii <= p1; ii++) {
        f++;
        sp[1] = a2[jj];
        sp[2] = a1[ii];
        CalcShapeFuncQuad(nN, N, sp);
        CalcShapeFuncDerivQuad(nN, dN, sp);
        double y = 0.0, z = 0.0;
        for (int a = 1; a <= nN; a++) {
          y += N[a] * X[a][1];
          z += N[a] * X[a][2];
        }
        CalcMat_Jacobian(nN, 2, 2, X, dN, J);
        const double det = J[1][1] * J[2][2] - J[1][2] * J[2][1];
        const bool null = JacobianIsNull(det, 2, 2, J);
        if (null || det < 0.0) {
          std::fflush(stdout);
          std::fprintf(stderr, "\n");
          std::fprintf(stderr, "Calculating the properties of element n. %d Mother \t\t\t\t\t\t\t\tElement n.  %d \n", fe,
                       elem);
          errexit(null ? "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed."
                      : "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.",
                  0);
        }
        if (!invertd2(Jinv, J, 2)) {
          std::fflush(stdout);
          std::fprintf(stderr, "\n");
          std::fprintf(stderr,
                       forces ? "Calculating the properties of element n. %d Mother \t\t\t\t\t\t\t\tElement n. %d\n"
                              : "Calculating the properties of element n. %d Mother \t\t\t\t\t\tElement n. %d\n",
                       fe, elem);
          errexit("Unable to invert the Jacobian matrix:\nelement geometry and/or mesh connectivity must be changed.",
                  0);
        }
        s->A[k][f] = w2[jj] * w1[ii] * det;
        s->Y[k][f] = y;
        s->Z[k][f] = z;
        if (k == 1) {
          s->kind[f] = grp.v[5];
          s->number[f] = grp.v[6];
          s->rank[f] = rank;
          s->point[f] = (jj - 1) * p1 + ii;
        }
      }
  }
  freed1(N);
  freed2(Jinv);
  freed2(J);
  freed2(dN);
  freed2(X);
}

// Section values at the axial point of shape values N: fibre areas and positions.
void FibresAt(const FibreSection& s, const double* N, double* A, double* y, double* z) {
  for (int f = 1; f <= s.nFibres; f++) {
    A[f] = y[f] = z[f] = 0.0;
    for (int n = 1; n <= s.nNodes; n++) {
      A[f] += N[n] * s.A[n][f];
      y[f] += N[n] * s.Y[n][f];
      z[f] += N[n] * s.Z[n][f];
    }
  }
}

// History record of fibre f at axial point ip (0 for a linear fibre).
int FibreRecord(const FibreSection& s, const Index_HD* indexHD, const int* elemToHD, int elem, int ip, int f) {
  if (indexHD == nullptr || elemToHD == nullptr || elemToHD[elem] == 0) InternalError(__FILE__, __LINE__);
  return RecordOfFibre_HD(indexHD, elemToHD[elem], ip, s.rank[f], s.point[f]);
}

// Geometry, rule and work arrays of one call of the element routines.
struct BeamWork {
  int nNodes, nDof, nIP;
  const double *abscissa, *weight;
  double *N, *dN, *g, *tan, *Af, *yf, *zf;
  double **X, **T, **B, **D, **Kl;
};

// forces: the internal-force routine's context lines, else the stiffness routine's.
void OpenBeam(int elem, int nNodes, int nDof, int prop, bool forces, const MeshData* mesh, FibreSection* sec,
              BeamWork* w) {
  CheckNodeCountLineElem(elem, kBeamType, nNodes, forces ? kCtxIntForces : kCtxStiffness, 2, kBeamNodeCounts);
  if (nDof != 6 * nNodes) InternalError(__FILE__, __LINE__);
  OpenFibreSection(elem, nNodes, prop, forces, mesh, sec);
  const FibreSection& s = *sec;
  const ElementProperty& p = mesh->ElemProps[prop];
  const char* context = forces ? kCtxForces : kCtxStiffAxial;
  w->nNodes = nNodes;
  w->nDof = nDof;
  w->nIP = CalcNumIntPointsLine(elem, context, prop, 'G', mesh);
  GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, w->nIP, &w->abscissa, &w->weight);
  allocd1(&w->N, nNodes);
  allocd1(&w->dN, nNodes);
  allocd1(&w->g, nNodes);
  allocd1(&w->tan, 3);
  allocd1(&w->Af, s.nFibres);
  allocd1(&w->yf, s.nFibres);
  allocd1(&w->zf, s.nFibres);
  allocd2(&w->X, nNodes, 3);
  allocd2(&w->T, 3, 3);
  allocd2(&w->B, 3, nDof);
  allocd2(&w->D, 3, 3);
  allocd2(&w->Kl, nDof, nDof);
  CalcMat_ElemNodeCoord(elem, kBeamType, nNodes, mesh->ElemNodes, w->X, mesh->PointCoord);
}

void CloseBeam(FibreSection* s, BeamWork* w) {
  freed2(w->Kl);
  freed2(w->D);
  freed2(w->B);
  freed2(w->T);
  freed2(w->X);
  freed1(w->zf);
  freed1(w->yf);
  freed1(w->Af);
  freed1(w->tan);
  freed1(w->g);
  freed1(w->dN);
  freed1(w->N);
  CloseFibreSection(s);
}

// Kinematics at axial point ip for pass 'A' (axial row above the two bending rows) or
// 'S' (the two shear rows, a = b = 0, above the twist row): fibre values, B, the local
// axes T; returns the Jacobian |dx/ds|.
double BeamPoint(int elem, int ip, char pass, const char* context, const char* oc, const FibreSection& s,
                 BeamWork* w) {
  const int n = w->nNodes;
  const double sv = w->abscissa[ip];
  CalcShapeFuncLine(n, sv, w->N);
  CalcShapeFuncDerivLine(n, sv, w->dN);
  FibresAt(s, w->N, w->Af, w->yf, w->zf);
  multtd2d1(w->tan, w->X, w->dN, 3, n);
  const double J = normd1(w->tan, 3);
  if (!(J >= kSmall)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, context, elem);
    errexit(kNullJacobian, 0);
  }
  for (int i = 1; i <= n; i++) w->g[i] = w->dN[i] / J;
  zerod2(w->B, 3, w->nDof);
  // Rows 2..3 are written through the row array shifted by one.
  if (pass == 'A') {
    CalcMat_B_TimoshenkoBeam3D(n, 'A', 0.0, 0.0, w->B, w->g, w->N);
    CalcMat_B_TimoshenkoBeam3D(n, 'B', 0.0, 0.0, w->B + 1, w->g, w->N);
  } else {
    CalcMat_B_TimoshenkoBeam3D(n, 'S', 0.0, 0.0, w->B, w->g, w->N);
    CalcMat_B_TimoshenkoBeam3D(n, 'T', 0.0, 0.0, w->B + 2, w->g, w->N);
  }
  const double angle = dotd1(w->N, s.angle, n);
  CalcMat_T_TimoshenkoBeam3D(elem, n, sv, angle, oc[OC_PRINT_MAT_T_TIMOSHENKO_BEAM_3D], w->T, w->X);
  return J;
}

// Section tangent D of pass 'A' from the fibres' axial moduli E[f], of pass 'S' from
// their shear moduli.
void SectionTangent(char pass, const FibreSection& s, const BeamWork& w, const double* mod, double** D) {
  zerod2(D, 3, 3);
  for (int f = 1; f <= s.nFibres; f++) {
    const double c = w.Af[f] * mod[f], y = w.yf[f], z = w.zf[f];
    if (pass == 'A') {
      D[1][1] += c;
      D[1][2] += c * z;
      D[1][3] -= c * y;
      D[2][2] += c * z * z;
      D[3][3] += c * y * y;
      D[2][3] -= c * y * z;
    } else {
      // The shear factor 5/6 applies to the shear area only.
      D[1][1] += 5.0 / 6.0 * c;
      D[1][3] -= c * z;
      D[2][3] += c * y;
      D[3][3] += c * (y * y + z * z);
    }
  }
  if (pass == 'S') D[2][2] = D[1][1];
  D[2][1] = D[1][2];
  D[3][1] = D[1][3];
  D[3][2] = D[2][3];
}

// Local nodal values T6 v of the element vector v, node by node.
void ToLocal(const BeamWork& w, const double* v, double* vl) {
  for (int i = 1; i <= w.nNodes; i++)
    for (int h = 0; h < 2; h++) multd2d1(vl + 6 * (i - 1) + 3 * h, w.T, v + 6 * (i - 1) + 3 * h, 3, 3);
}

// Fint += factor T6^T (B^T R), node by node.
void AddNodalForces(const BeamWork& w, const double* R, double factor, double* fl, double* Fint) {
  multtd2d1(fl, w.B, R, w.nDof, 3);
  for (int i = 1; i <= w.nNodes; i++)
    for (int h = 0; h < 2; h++) {
      const int c = 6 * (i - 1) + 3 * h;
      double fg[4];
      multtd2d1(fg, w.T, fl + c, 3, 3);
      for (int k = 1; k <= 3; k++) Fint[c + k] += factor * fg[k];
    }
}

}  // namespace

// ---- section set-up --------------------------------------------------------------------------

void CalcFibrousElemPropIndex(int fibrousMesh, int phase, const MeshData* mesh, int* map) {
  if (fibrousMesh < 1 || fibrousMesh > mesh->Main.nFibrousMeshes) InternalError(__FILE__, __LINE__);
  const FibrousMesh& fm = mesh->FibrousMeshes[fibrousMesh];
  for (int fe = 1; fe <= fm.nElements; fe++) map[fe] = 0;
  for (int g = 1; g <= fm.nProperties; g++) {
    const int32_t* v = fm.Properties[g].v;
    if (v[1] > phase || v[2] < phase || v[3] == 0 || v[3] > v[4]) continue;
    if (v[3] < 1 || v[4] > fm.nElements) InternalError(__FILE__, __LINE__);
    for (int fe = v[3]; fe <= v[4]; fe++) map[fe] = g;
  }
}

void CalcMat_FibrousElemNodeCoord(int fibrousElement, int nN, int** nodeLists, double** X, double** sectionPoints) {
  for (int a = 1; a <= nN; a++) {
    const int pt = nodeLists[fibrousElement][a];
    X[a][1] = sectionPoints[pt][1];
    X[a][2] = sectionPoints[pt][2];
  }
}

void CopyFirstCrossSection(int nFibres, int nNodes, double* angles, double** A, double** Y, double** Z) {
  for (int n = 2; n <= nNodes; n++) {
    angles[n] = angles[1];
    for (int f = 1; f <= nFibres; f++) {
      A[n][f] = A[1][f];
      Y[n][f] = Y[1][f];
      Z[n][f] = Z[1][f];
    }
  }
}

void OpenFibreSection(int elem, int nNodes, int prop, bool forces, const MeshData* mesh, FibreSection* s) {
  const FibrousMesh& fm = FibrousMeshOfProperty(mesh, prop);
  // The set-up checks of the run guarantee what follows; a call without them is a fault.
  if (fm.nMotherNodes < 1 || fm.nMotherNodes > nNodes) InternalError(__FILE__, __LINE__);
  s->nNodes = nNodes;
  s->nFE = fm.nElements;
  alloci1(&s->prop, s->nFE);
  alloci1(&s->count, s->nFE);
  CalcFibrousElemPropIndex(mesh->ElemProps[prop].MaterialNumber, 1, mesh, s->prop);
  s->nFibres = 0;
  for (int fe = 1; fe <= s->nFE; fe++) {
    s->count[fe] = 0;
    if (s->prop[fe] == 0) continue;
    int p1, p2;
    FibrePointCounts(fm.Properties[s->prop[fe]], mesh, &p1, &p2);
    s->count[fe] = p1 * p2;
    s->nFibres += p1 * p2;
  }
  if (s->nFibres < 1) InternalError(__FILE__, __LINE__);
  alloci1(&s->kind, s->nFibres);
  alloci1(&s->number, s->nFibres);
  alloci1(&s->rank, s->nFibres);
  alloci1(&s->point, s->nFibres);
  allocd2(&s->A, nNodes, s->nFibres);
  allocd2(&s->Y, nNodes, s->nFibres);
  allocd2(&s->Z, nNodes, s->nFibres);
  allocd1(&s->angle, nNodes);
  for (int k = 1; k <= fm.nMotherNodes; k++) {
    SectionFibres(elem, k, forces, fm, mesh, s);
    s->angle[k] = fm.Angles[k];
  }
  if (fm.nMotherNodes != nNodes) CopyFirstCrossSection(s->nFibres, nNodes, s->angle, s->A, s->Y, s->Z);
}

void CloseFibreSection(FibreSection* s) {
  freed1(s->angle);
  freed2(s->Z);
  freed2(s->Y);
  freed2(s->A);
  freei1(s->point);
  freei1(s->rank);
  freei1(s->number);
  freei1(s->kind);
  freei1(s->count);
  freei1(s->prop);
  *s = FibreSection{};
}

void CheckFibrousMeshes(const MeshData* mesh, const int* ElemPropIndex) {
  const int nMeshes = mesh->Main.nFibrousMeshes;
  if (nMeshes < 1) return;
  int* checked;
  alloci1(&checked, nMeshes);
  for (int j = 1; j <= nMeshes; j++) checked[j] = 0;
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    const ElementProperty& p = mesh->ElemProps[ElemPropIndex[e]];
    if (p.ElementType != kBeamType || CompositionOf(p.MaterialKind) != kCompositionFibrousMesh) continue;
    const int j = p.MaterialNumber;
    if (j < 1 || j > nMeshes) InternalError(__FILE__, __LINE__);
    const FibrousMesh& fm = mesh->FibrousMeshes[j];
    if (checked[j] == 0) {
      CheckFibrousElements(j, fm);
      CheckFibrousProperties(j, fm, mesh);
      checked[j] = 1;
    }
    if (fm.nMotherNodes > mesh->ElemNodeCount[e]) {
      char context[64];
      std::snprintf(context, sizeof context, "   -> Element: %d", e);
      DataFault(context, kFibrousMeshes, j,
                "The fibrous mesh has %d cross-sections and element n. %d has %d nodes:\n"
                "a beam element takes at most one cross-section per node.",
                fm.nMotherNodes, e, mesh->ElemNodeCount[e]);
    }
  }
  freei1(checked);
}

// ---- stiffness, stresses and internal forces -----------------------------------------------

void CalcStiffTimoshenkoBeam3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                  const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD,
                                  const int* elemToHD, double** Kg) {
  FibreSection s;
  BeamWork w;
  OpenBeam(elem, nNodes, nDof, prop, false, mesh, &s, &w);
  // Fibre moduli at every axial point, once per call.
  const bool firstStep = comb == 1 && iter == 1;
  double **E, **G;
  allocd2(&E, w.nIP, s.nFibres);
  allocd2(&G, w.nIP, s.nFibres);
  for (int ip = 1; ip <= w.nIP; ip++)
    for (int f = 1; f <= s.nFibres; f++) {
      const MaterialRecord& m = MaterialOf(mesh, s.kind[f], s.number[f]);
      E[ip][f] = FibreTangent(s.kind[f], firstStep, m, nlmmHD, FibreRecord(s, indexHD, elemToHD, elem, ip, f));
      G[ip][f] = FibreShearModulus(s.kind[f], m);
    }
  zerod2(Kg, nDof, nDof);
  for (char pass : {'A', 'S'}) {
    for (int ip = 1; ip <= w.nIP; ip++) {
      const double J = BeamPoint(elem, ip, pass, pass == 'A' ? kCtxStiffAxial : kCtxStiffShear, oc, s, &w);
      SectionTangent(pass, s, w, pass == 'A' ? E[ip] : G[ip], w.D);
      btabd2(w.Kl, w.D, w.B, 3, nDof);
      scaled2(w.Kl, nDof, nDof, w.weight[ip] * J);
      TransformBeam3DMat(3, nDof, 6, nNodes, Kg, w.Kl, w.T);
    }
  }
  freed2(G);
  freed2(E);
  CloseBeam(&s, &w);
}

void CalcStressTimoshenkoBeam3D_NL(char kind, int ip, int comb, int elem, int iter, const FibreSection& s,
                                   const double* Af, const double* yf, const double* zf, const double* eTotal,
                                   const double* eIncrement, const Index_HD* indexHD, const MeshData* mesh,
                                   NLMM_HD* nlmmHD, const int* elemToHD, double* R) {
  R[1] = R[2] = R[3] = 0.0;
  switch (kind) {
    case 'A': {
      const PointContext at{ip, comb, elem, iter, 0};
      for (int f = 1; f <= s.nFibres; f++) {
        const double eps = eTotal[1] + zf[f] * eTotal[2] - yf[f] * eTotal[3];
        const double dEps = eIncrement[1] + zf[f] * eIncrement[2] - yf[f] * eIncrement[3];
        const double sigma = FibreStress(s.kind[f], at, MaterialOf(mesh, s.kind[f], s.number[f]), nlmmHD,
                                         FibreRecord(s, indexHD, elemToHD, elem, ip, f), eps, dEps);
        const double F = sigma * Af[f];
        R[1] += F;
        R[2] += F * zf[f];
        R[3] -= F * yf[f];
      }
      return;
    }
    case 'S': {
      double v12 = 0.0, v13 = 0.0, m12 = 0.0, m13 = 0.0;
      for (int f = 1; f <= s.nFibres; f++) {
        const double G = FibreShearModulus(s.kind[f], MaterialOf(mesh, s.kind[f], s.number[f]));
        const double As = 5.0 / 6.0 * Af[f];
        const double V12 = G * (eTotal[1] - 1.2 * zf[f] * eTotal[3]) * As;
        const double V13 = G * (eTotal[2] + 1.2 * yf[f] * eTotal[3]) * As;
        v12 += V12;
        v13 += V13;
        m12 += V12 * zf[f];
        m13 += V13 * yf[f];
      }
      R[1] = v12;
      R[2] = v13;
      R[3] = m13 - m12;
      return;
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcInt_Fg_TimoshenkoBeam3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                    const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD,
                                    const int* elemToHD, const double* displIncrement, const double* displTotal,
                                    double* Fint) {
  FibreSection s;
  BeamWork w;
  OpenBeam(elem, nNodes, nDof, prop, true, mesh, &s, &w);
  double *ul, *dul, *fl;
  allocd1(&ul, nDof);
  allocd1(&dul, nDof);
  allocd1(&fl, nDof);
  zerod1(Fint, nDof);
  for (char pass : {'A', 'S'}) {
    for (int ip = 1; ip <= w.nIP; ip++) {
      const double J = BeamPoint(elem, ip, pass, kCtxForces, oc, s, &w);
      double eT[4], eI[4] = {0.0, 0.0, 0.0, 0.0}, R[4];
      ToLocal(w, displTotal, ul);
      multd2d1(eT, w.B, ul, 3, nDof);
      if (pass == 'A') {
        ToLocal(w, displIncrement, dul);
        multd2d1(eI, w.B, dul, 3, nDof);
      }
      CalcStressTimoshenkoBeam3D_NL(pass, ip, comb, elem, iter, s, w.Af, w.yf, w.zf, eT, eI, indexHD, mesh, nlmmHD,
                                    elemToHD, R);
      AddNodalForces(w, R, w.weight[ip] * J, fl, Fint);
    }
  }
  freed1(fl);
  freed1(dul);
  freed1(ul);
  CloseBeam(&s, &w);
}
