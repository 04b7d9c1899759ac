// Embedded cables: EmbCable2D (type 31, in plane quadrilaterals 10 and 13) and EmbCable3D
// (type 32, in the solid hexahedron 24). A cable of 2 or 3 nodes without dofs of its own:
// its axial strain at a point is the mother element's strain along the cable there, so
// its stiffness and forces live on the mother element's dof vector. Also the
// displacements of dof-less cable nodes, interpolated from the mother element.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "materials/material_point.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

constexpr int kEmbNodeCounts[3] = {0, 2, 3};
constexpr int kMaxIterLocate = 10000;

constexpr const char* kCtxEmbStiffness =
    "Calculating the contribution of the embedded cable n. %d\nto the mother element n. %d stiffness matrix.";
constexpr const char* kCtxEmbIntForces =
    "Calculating the contribution of the embedded cable n. %d\nto the mother element n. %d internal equivalent "
    "nodal forces.";
constexpr const char* kCtxEmbB =
    "Calculating the matrix B of the embedded cable n. %d\nusing the matrix B of the mother element n. %d .";
constexpr const char* kNullCableJacobian =
    "Jacobian vector norm is null:\nelement geometry and/or mesh connectivity must be changed.";

struct EmbType {
  int dim;
  int typeCode;
  int flagKg;
  int flagT;
};
constexpr EmbType kEmb2D{2, _EMB_CABLE_2D, OC_PRINT_MAT_KG_EMB_CABLE_2D, OC_PRINT_MAT_T_EMB_CABLE_2D};
constexpr EmbType kEmb3D{3, _EMB_CABLE_3D, OC_PRINT_MAT_KG_EMB_CABLE_3D, OC_PRINT_MAT_T_EMB_CABLE_3D};

[[noreturn]] void EmbFailure(const char* context, int cable, int mother, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, context, cable, mother);
  errexit(msg, 0);
}

// The cable's geometry, its integration rule, the stored mother coordinates of its
// points and the work arrays of one call.
struct EmbWork {
  int cable, mother, motherType, nMotherNodes;
  int nCable, nNat, nCols, nIP;
  const double* abscissa;
  const double* weight;
  const double* natCoords;
  double *N, *dN, *tan, *b, *A;
  double **Xc, **Xm, **T;
};

void OpenEmb(const EmbType& c, int nCols, int cable, int mother, int slot, int motherSeq, int motherType,
             int nMotherNodes, int cableProp, const char* context, const MeshData* mesh,
             const EmbCableMotherRecord* records, EmbWork* w) {
  w->cable = cable;
  w->mother = mother;
  w->motherType = motherType;
  w->nMotherNodes = nMotherNodes;
  const EmbCableMotherRecord& rec = records[motherSeq];
  if (slot < 1 || slot > rec.nCables || rec.cables[slot] != cable) InternalError(__FILE__, __LINE__);
  w->nCable = mesh->ElemNodeCount[cable];
  CheckNodeCountLineElem(cable, c.typeCode, w->nCable, context, 2, kEmbNodeCounts);
  // The cable's strain is taken from its mother's: plane quadrilaterals carry 2-D
  // cables, solid hexahedra 3-D cables.
  const bool motherOk = c.dim == 2 ? (motherType == _PLANE_STRESS_QUAD || motherType == _PLANE_STRAIN_QUAD)
                                  : motherType == _SOLID_HEXA;
  if (!motherOk) {
    std::fflush(stdout);
    char head[512];
    std::snprintf(head, sizeof head, context, cable, mother);
    const size_t len = std::strlen(head);
    std::fprintf(stderr, "\n%s%s   -> Mother element: %d\n   -> Mother element type: %s", head,
                 len > 0 && head[len - 1] == '\n' ? "" : "\n", mother, GetElementTypeInfo(motherType).keyword);
    errexit("This type of element cannot be the mother element of an embedded cable:\n"
            "2-D cables lie in plane quadrilaterals, 3-D cables in solid hexahedra.", 0);
  }
  const ElementTypeRow& mt = GetElementTypeInfo(motherType);
  if (nCols != mt.dofsPerNode * nMotherNodes || mesh->ElemNodeCount[mother] != nMotherNodes)
    InternalError(__FILE__, __LINE__);
  w->nNat = mt.elemDim;
  w->nCols = nCols;
  w->natCoords = rec.natCoords[slot];
  const ElementProperty& p = mesh->ElemProps[cableProp];
  w->nIP = CalcNumIntPointsLine(cable, context, cableProp, 'G', mesh);
  GetLineIntegrationRule(cable, p.IntegrationType, p.IntegrationNumber, w->nIP, &w->abscissa, &w->weight);
  allocd1(&w->N, w->nCable);
  allocd1(&w->dN, w->nCable);
  allocd1(&w->tan, c.dim);
  allocd1(&w->b, nCols);
  allocd1(&w->A, w->nCable);
  allocd2(&w->Xc, w->nCable, c.dim);
  allocd2(&w->Xm, nMotherNodes, c.dim);
  allocd2(&w->T, c.dim, c.dim);
  CalcMat_ElemNodeCoord(cable, c.typeCode, w->nCable, mesh->ElemNodes, w->Xc, mesh->PointCoord);
  CalcMat_ElemNodeCoord(mother, motherType, nMotherNodes, mesh->ElemNodes, w->Xm, mesh->PointCoord);
  CalcNodalAreasLine(w->nCable, cableProp, mesh, w->A);
}

void CloseEmb(EmbWork* w) {
  freed2(w->T);
  freed2(w->Xm);
  freed2(w->Xc);
  freed1(w->A);
  freed1(w->b);
  freed1(w->tan);
  freed1(w->dN);
  freed1(w->N);
}

// Cable kinematics at integration point ip: N, the area A(s), the local axes and the
// strain row b on the mother's dofs; returns the length factor |dx/ds|.
double EmbPoint(const EmbType& c, int ip, const char* context, const char* oc, EmbWork* w, double* As) {
  const double s = w->abscissa[ip];
  CalcShapeFuncLine(w->nCable, s, w->N);
  CalcShapeFuncDerivLine(w->nCable, s, w->dN);
  *As = dotd1(w->N, w->A, w->nCable);
  multtd2d1(w->tan, w->Xc, w->dN, c.dim, w->nCable);
  const double J = normd1(w->tan, c.dim);
  if (!(J >= kSmall)) EmbFailure(context, w->cable, w->mother, kNullCableJacobian);
  const double* sm = w->natCoords + (ip - 1) * w->nNat;  // sm[1..nNat]
  if (c.dim == 2) {
    CalcMat_T_EmbCable2D(w->cable, w->nCable, s, oc[c.flagT], w->T, w->Xc);
    CalcMat_B_EmbCable2D(2, w->nCols, w->cable, w->mother, w->nMotherNodes, w->motherType, w->b, sm, w->T, w->Xm);
  } else {
    CalcMat_T_EmbCable3D(w->cable, w->nCable, s, oc[c.flagT], w->T, w->Xc);
    CalcMat_B_EmbCable3D(w->nCols, w->cable, w->mother, w->nNat, w->nMotherNodes, w->motherType, 11, w->b, sm,
                         w->T, w->Xm);
  }
  return J;
}

// K += factor b b^T.
void AddOuter(int n, double factor, const double* b, double** K) {
  for (int i = 1; i <= n; i++) {
    const double fi = factor * b[i];
    for (int j = 1; j <= n; j++) K[i][j] += fi * b[j];
  }
}

// Strain matrix of the mother at sm (nStrain x nCols, mother's strain order), with the
// null, negative and singular Jacobian stops.
void MotherStrainMatrix(int dim, int nCols, int cable, int mother, int nMotherNodes, const double* sm, double** Xm,
                        double** Bm) {
  const int nStrain = dim == 2 ? 3 : 6;
  double **dN, **J, **Jinv, **dNdx;
  allocd2(&dN, nMotherNodes, dim);
  allocd2(&J, dim, dim);
  allocd2(&Jinv, dim, dim);
  allocd2(&dNdx, nMotherNodes, dim);
  zerod2(Bm, nStrain, nCols);
  if (dim == 2)
    CalcShapeFuncDerivQuad(nMotherNodes, dN, sm);
  else
    CalcShapeFuncDerivSolidHexa(nMotherNodes, dN, sm);
  multtd2d2(J, Xm, dN, dim, nMotherNodes, dim);
  const double det = detd2(J, dim);
  if (JacobianIsNull(det, dim, dim, J))
    EmbFailure(kCtxEmbB, cable, mother,
               "Jacobian determinant of the mother element is null:\nelement geometry and/or mesh connectivity "
               "must be changed.");
  if (det < 0.0)
    EmbFailure(kCtxEmbB, cable, mother,
               "Jacobian determinant of the mother element is negative:\nelement geometry and/or mesh "
               "connectivity must be changed.");
  if (!invertd2(Jinv, J, dim))
    EmbFailure(kCtxEmbB, cable, mother,
               "Unable to invert the Jacobian matrix of the mother element:\nelement geometry and/or mesh "
               "connectivity must be changed.");
  multd2d2(dNdx, dN, Jinv, nMotherNodes, dim, dim);
  if (dim == 2)
    CalcMat_B_Plane2D(nMotherNodes, Bm, dNdx);
  else
    CalcMat_B_Solid(nMotherNodes, Bm, dNdx);
  freed2(dNdx);
  freed2(Jinv);
  freed2(J);
  freed2(dN);
}

// b_j = sum over the strain components k of v_k Bm[k][j].
void ProjectStrainRow(int nStrain, int nCols, const double* v, double** Bm, double* b) {
  for (int j = 1; j <= nCols; j++) {
    double s = 0.0;
    for (int k = 1; k <= nStrain; k++) s += v[k] * Bm[k][j];
    b[j] = s;
  }
}

void StiffEmb(const EmbType& c, int nCols, int cable, int mother, int slot, int motherSeq, int motherType,
              int nMotherNodes, int cableProp, const char* oc, const MeshData* mesh, double** K,
              const EmbCableMotherRecord* records) {
  const ElementProperty& p = mesh->ElemProps[cableProp];
  if (p.MaterialKind != LinearKindOfType(c.typeCode)) InternalError(__FILE__, __LINE__);
  const double E = UniaxialInitialModulus(p.MaterialKind, MaterialOf(mesh, p.MaterialKind, p.MaterialNumber));
  EmbWork w;
  OpenEmb(c, nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, kCtxStiffness, mesh,
          records, &w);
  zerod2(K, nCols, nCols);
  for (int ip = 1; ip <= w.nIP; ip++) {
    double A;
    const double J = EmbPoint(c, ip, kCtxEmbStiffness, oc, &w, &A);
    AddOuter(nCols, A * E * w.weight[ip] * J, w.b, K);
  }
  PrintElementStiffMat(nCols, cable, c.typeCode, oc[c.flagKg], K);
  CloseEmb(&w);
}

void StiffEmbNL(const EmbType& c, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                int motherType, int nMotherNodes, int cableProp, const char* oc, const MeshData* mesh,
                const Index_HD* indexHD, NLMM_HD* hd, const int* elemToHD, double** K,
                const EmbCableMotherRecord* records) {
  const ElementProperty& p = mesh->ElemProps[cableProp];
  if (!NonlinearKindAllowed(p.MaterialKind, c.typeCode)) InternalError(__FILE__, __LINE__);
  const MaterialRecord& mat = MaterialOf(mesh, p.MaterialKind, p.MaterialNumber);
  EmbWork w;
  OpenEmb(c, nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, kCtxStiffness, mesh,
          records, &w);
  zerod2(K, nCols, nCols);
  for (int ip = 1; ip <= w.nIP; ip++) {
    double A;
    const double J = EmbPoint(c, ip, kCtxEmbStiffness, oc, &w, &A);
    const double Et = UniaxialTangent(p.MaterialKind, iter, mat, hd, LinePointRecord(indexHD, elemToHD, cable, ip));
    AddOuter(nCols, Et * A * w.weight[ip] * J, w.b, K);
  }
  PrintElementStiffMat(nCols, cable, c.typeCode, oc[c.flagKg], K);
  CloseEmb(&w);
}

void IntForcesEmbNL(const EmbType& c, int nCols, int cable, int mother, int slot, int motherSeq, int motherType,
                    int nMotherNodes, int cableProp, const char* oc, const MeshData* mesh, const Index_HD* indexHD,
                    NLMM_HD* hd, const int* elemToHD, double** elemTempVar, const double* a, double* F,
                    const EmbCableMotherRecord* records) {
  const ElementProperty& p = mesh->ElemProps[cableProp];
  const int kind = p.MaterialKind;
  if (!NonlinearKindAllowed(kind, c.typeCode)) InternalError(__FILE__, __LINE__);
  const MaterialRecord& mat = MaterialOf(mesh, kind, p.MaterialNumber);
  // Only the 3-D cable carries a thermal strain.
  const double alpha = c.dim == 3 ? ExpansionCoefficient(kind, mat, 1) : 0.0;
  const double E0 = UniaxialInitialModulus(kind, mat);
  EmbWork w;
  OpenEmb(c, nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, kCtxIntForces, mesh,
          records, &w);
  zerod1(F, nCols);
  for (int ip = 1; ip <= w.nIP; ip++) {
    double A;
    const double J = EmbPoint(c, ip, kCtxEmbIntForces, oc, &w, &A);
    const double eps = dotd1(w.b, a, nCols);
    const double epsTh = c.dim == 3 ? alpha * dotd1(w.N, elemTempVar[cable], w.nCable) : 0.0;
    // The record keeps the mechanical strain, the one the law compares the next call with.
    const double sigma =
        UniaxialStress(kind, mat, eps - epsTh, hd, LinePointRecord(indexHD, elemToHD, cable, ip)) + E0 * epsTh;
    const double f = sigma * A * w.weight[ip] * J;
    for (int j = 1; j <= nCols; j++) F[j] += f * w.b[j];
  }
  CloseEmb(&w);
}

}  // namespace

void CalcMat_B_EmbCable2D(int dim, int nCols, int cable, int mother, int nMotherNodes, int motherType, double* b,
                          const double* sm, double** T, double** Xm) {
  if (dim != 2 || (motherType != _PLANE_STRESS_QUAD && motherType != _PLANE_STRAIN_QUAD) || nCols != 2 * nMotherNodes)
    InternalError(__FILE__, __LINE__);
  double** Bm;
  allocd2(&Bm, 3, nCols);
  MotherStrainMatrix(2, nCols, cable, mother, nMotherNodes, sm, Xm, Bm);
  const double theta = std::atan2(T[1][2], T[1][1]);
  const double co = std::cos(theta), si = std::sin(theta);
  const double v[4] = {0.0, co * co, si * si, si * co};
  ProjectStrainRow(3, nCols, v, Bm, b);
  freed2(Bm);
}

void CalcMat_B_EmbCable3D(int nCols, int cable, int mother, int nNat, int nMotherNodes, int motherType,
                          int selector, double* b, const double* sm, double** T, double** Xm) {
  if (motherType != _SOLID_HEXA || nNat != 3 || selector != 11 || nCols != 3 * nMotherNodes)
    InternalError(__FILE__, __LINE__);
  double** Bm;
  allocd2(&Bm, 6, nCols);
  MotherStrainMatrix(3, nCols, cable, mother, nMotherNodes, sm, Xm, Bm);
  const double t1 = T[1][1], t2 = T[1][2], t3 = T[1][3];
  const double v[7] = {0.0, t1 * t1, t2 * t2, t3 * t3, t3 * t2, t3 * t1, t2 * t1};
  ProjectStrainRow(6, nCols, v, Bm, b);
  freed2(Bm);
}

void CalcStiffEmbCable2D(int nCols, int cable, int mother, int slot, int motherSeq, int motherType, int nMotherNodes,
                         int cableProp, const char* oc, const MeshData* mesh, double** K,
                         const EmbCableMotherRecord* records) {
  StiffEmb(kEmb2D, nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, oc, mesh, K, records);
}

void CalcStiffEmbCable3D(int nCols, int cable, int mother, int slot, int motherSeq, int motherType, int nMotherNodes,
                         int cableProp, const char* oc, const MeshData* mesh, double** K,
                         const EmbCableMotherRecord* records) {
  StiffEmb(kEmb3D, nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, oc, mesh, K, records);
}

void CalcInt_Fg_EmbCable2D(int nCols, int slot, int cable, int mother, int motherSeq, int motherType,
                           int nMotherNodes, int cableProp, const char* oc, const MeshData* mesh, const double* a,
                           double* F, const EmbCableMotherRecord* records) {
  double** K;
  allocd2(&K, nCols, nCols);
  CalcStiffEmbCable2D(nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, oc, mesh, K,
                      records);
  multd2d1(F, K, a, nCols, nCols);
  freed2(K);
}

void CalcInt_Fg_EmbCable3D(int nCols, int slot, int cable, int mother, int motherSeq, int motherType,
                           int nMotherNodes, int cableProp, const char* oc, const MeshData* mesh, const double* a,
                           double* F, const EmbCableMotherRecord* records) {
  double** K;
  allocd2(&K, nCols, nCols);
  CalcStiffEmbCable3D(nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, oc, mesh, K,
                      records);
  multd2d1(F, K, a, nCols, nCols);
  freed2(K);
}

void CalcStiffEmbCable2D_NL(int comb, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                            int motherType, int nMotherNodes, int cableProp, const char* oc, const Index_HD* indexHD,
                            const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD, double** K,
                            const EmbCableMotherRecord* records) {
  (void)comb;
  StiffEmbNL(kEmb2D, nCols, cable, mother, slot, iter, motherSeq, motherType, nMotherNodes, cableProp, oc, mesh,
             indexHD, nlmmHD, elemToHD, K, records);
}

void CalcStiffEmbCable3D_NL(int comb, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                            int motherType, int nMotherNodes, int cableProp, const char* oc, const Index_HD* indexHD,
                            const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD, double** K,
                            const EmbCableMotherRecord* records) {
  (void)comb;
  StiffEmbNL(kEmb3D, nCols, cable, mother, slot, iter, motherSeq, motherType, nMotherNodes, cableProp, oc, mesh,
             indexHD, nlmmHD, elemToHD, K, records);
}

void CalcInt_Fg_EmbCable2D_NL(int comb, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                              int motherType, int nMotherNodes, int cableProp, const char* oc,
                              const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                              const double* a, double* F, const EmbCableMotherRecord* records) {
  (void)comb;
  (void)iter;
  IntForcesEmbNL(kEmb2D, nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, oc, mesh, indexHD,
                 nlmmHD, elemToHD, nullptr, a, F, records);
}

void CalcInt_Fg_EmbCable3D_NL(int comb, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                              int motherType, int nMotherNodes, int cableProp, const char* oc,
                              const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                              double** elemTempVar, const double* a, double* F, const EmbCableMotherRecord* records) {
  (void)comb;
  (void)iter;
  IntForcesEmbNL(kEmb3D, nCols, cable, mother, slot, motherSeq, motherType, nMotherNodes, cableProp, oc, mesh, indexHD,
                 nlmmHD, elemToHD, elemTempVar, a, F, records);
}

void CalcPointDisplEmbCable(const MeshData* mesh, int** present, const int* motherSeq, const int* propIdx,
                            double** pointDispl, char** pointDofCodes, const EmbCableMotherRecord* records) {
  for (int e = 1; e <= mesh->nElements; e++) {
    if (propIdx[e] == 0 || motherSeq[e] == 0) continue;
    const EmbCableMotherRecord& rec = records[motherSeq[e]];
    const int type = mesh->ElemProps[propIdx[e]].ElementType;
    const int nE = mesh->ElemNodeCount[e];
    int d;
    switch (type) {
      case _PLANE_STRESS_QUAD:
      case _PLANE_STRAIN_QUAD:
        d = 2;
        break;
      case _MINDLIN_SHELL_QUAD:
      case _AHMAD_SHELL_QUAD:
      case _SOLID_HEXA:
        d = 3;
        break;
      default:
        InternalError(__FILE__, __LINE__);
    }
    double **Xe, *N;
    allocd2(&Xe, nE, d);
    allocd1(&N, nE);
    CalcMat_ElemNodeCoord(e, type, nE, mesh->ElemNodes, Xe, mesh->PointCoord);
    for (int slot = 1; slot <= rec.nCables; slot++) {
      const int c = rec.cables[slot];
      if (propIdx[c] == 0) InternalError(__FILE__, __LINE__);
      const int cableType = mesh->ElemProps[propIdx[c]].ElementType;
      for (int k = 1; k <= mesh->ElemNodeCount[c]; k++) {
        const int pt = mesh->ElemNodes[c][k];
        bool hasDofs = false;
        for (int i = 1; i <= 6; i++)
          if (pointDofCodes[pt][i] != 0) hasDofs = true;
        if (hasDofs) continue;
        const double* x = mesh->PointCoord[pt];
        double xp[4];
        if (d == 3) {
          xp[1] = x[1];
          xp[2] = x[2];
          xp[3] = x[3];
        } else {
          xp[1] = x[2];
          xp[2] = x[3];
        }
        char failMsg[512];
        std::snprintf(failMsg, sizeof failMsg,
                      "Calculating the natural coordinates in the mother element\nof an embedded cable point\n"
                      "   -> Mother element: %d\n   -> Embedded cable: %d\n   -> Point: %d\n"
                      "\nERROR:\nIterative process could not be completed.\nData file must be checked (element\n"
                      "geometry and/or mesh connectivity).",
                      e, c, pt);
        double s[4] = {0.0, 0.0, 0.0, 0.0};
        bool ok;
        switch (type) {
          case _PLANE_STRESS_QUAD:
          case _PLANE_STRAIN_QUAD:
          case _SOLID_HEXA:
            ok = Calc_x_to_s_General(type, kMaxIterLocate, d, nE, failMsg, s, Xe, xp);
            break;
          case _MINDLIN_SHELL_QUAD:
          case _AHMAD_SHELL_QUAD: {
            double dist;
            ok = Calc_x_to_s_Quad(d, kMaxIterLocate, 2, nE, failMsg, &dist, s, Xe, xp);
            break;
          }
          default:
            InternalError(__FILE__, __LINE__);
        }
        // The same points were located when the mother elements were set up.
        if (!ok) InternalError(__FILE__, __LINE__);
        if (type == _SOLID_HEXA)
          CalcShapeFuncSolidHexa(nE, N, s);
        else
          CalcShapeFuncQuad(nE, N, s);
        double u[7] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        for (int n = 1; n <= nE; n++) {
          const double* un = pointDispl[mesh->ElemNodes[e][n]];
          for (int i = 1; i <= 6; i++) u[i] += N[n] * un[i];
        }
        for (int i = 1; i <= 6; i++) pointDispl[pt][i] = u[i];
        switch (cableType) {
          case _EMB_CABLE_2D:
            present[pt][2] = present[pt][3] = 1;
            break;
          case _EMB_CABLE_3D:
            present[pt][1] = present[pt][2] = present[pt][3] = 1;
            break;
          default:
            InternalError(__FILE__, __LINE__);
        }
      }
    }
    freed1(N);
    freed2(Xe);
  }
}

// ---- behaviour-row adapters ----
void EmbCable2DStiffness(const ElementCall& c, double** K) {
  if (c.mother == 0) return;
  CalcStiffEmbCable2D(c.n, c.element, c.mother, c.slot, c.motherSeq, c.motherType, c.nMotherNodes, c.property,
                      c.OutputControl, c.mesh, K, c.motherRecords);
}
void EmbCable3DStiffness(const ElementCall& c, double** K) {
  if (c.mother == 0) return;
  CalcStiffEmbCable3D(c.n, c.element, c.mother, c.slot, c.motherSeq, c.motherType, c.nMotherNodes, c.property,
                      c.OutputControl, c.mesh, K, c.motherRecords);
}
void EmbCable2DTangent(const ElementCall& c, double** K) {
  if (c.mother == 0) return;
  CalcStiffEmbCable2D_NL(c.combination, c.n, c.element, c.mother, c.slot, c.iteration, c.motherSeq, c.motherType,
                         c.nMotherNodes, c.property, c.OutputControl, c.index, c.mesh, c.table, c.elemToHD, K,
                         c.motherRecords);
}
void EmbCable3DTangent(const ElementCall& c, double** K) {
  if (c.mother == 0) return;
  CalcStiffEmbCable3D_NL(c.combination, c.n, c.element, c.mother, c.slot, c.iteration, c.motherSeq, c.motherType,
                         c.nMotherNodes, c.property, c.OutputControl, c.index, c.mesh, c.table, c.elemToHD, K,
                         c.motherRecords);
}
void EmbCable2DForces(const ElementCall& c, double* F) {
  if (c.mother == 0) return;
  CalcInt_Fg_EmbCable2D_NL(c.combination, c.n, c.element, c.mother, c.slot, c.iteration, c.motherSeq, c.motherType,
                           c.nMotherNodes, c.property, c.OutputControl, c.index, c.mesh, c.table, c.elemToHD, c.a, F,
                           c.motherRecords);
}
void EmbCable3DForces(const ElementCall& c, double* F) {
  if (c.mother == 0) return;
  CalcInt_Fg_EmbCable3D_NL(c.combination, c.n, c.element, c.mother, c.slot, c.iteration, c.motherSeq, c.motherType,
                           c.nMotherNodes, c.property, c.OutputControl, c.index, c.mesh, c.table, c.elemToHD,
                           c.ElemTempVar, c.a, F, c.motherRecords);
}
