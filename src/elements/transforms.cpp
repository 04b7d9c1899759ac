// Element-matrix builders (N, B, linear elastic D), rotations from global to local axes,
// the block transformation of element matrices and the small products on nodal data.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "materials/elastic.h"
#include "numcore/numcore.h"

// ---- N, B, D -----------------------------------------------------------------------

void CalcMat_N_Mass(int d, int n, double** N, const double* values) {
  for (int k = 1; k <= n; k++)
    for (int i = 1; i <= d; i++) N[i][(k - 1) * d + i] = values[k];
}

void CalcMat_B_Plane2D(int n, double** B, double** dNdx) {
  for (int k = 1; k <= n; k++) {
    const int c = 2 * k - 1;
    B[1][c] = dNdx[k][1];
    B[2][c + 1] = dNdx[k][2];
    B[3][c] = dNdx[k][2];
    B[3][c + 1] = dNdx[k][1];
  }
}

void CalcMat_B_Solid(int n, double** B, double** dNdx) {
  for (int k = 1; k <= n; k++) {
    const int c = 3 * k - 2;
    const double d1 = dNdx[k][1], d2 = dNdx[k][2], d3 = dNdx[k][3];
    B[1][c] = d1;
    B[2][c + 1] = d2;
    B[3][c + 2] = d3;
    B[4][c + 1] = d3;
    B[4][c + 2] = d2;
    B[5][c] = d3;
    B[5][c + 2] = d1;
    B[6][c] = d2;
    B[6][c + 1] = d1;
  }
}

void CalcMat_De_PlaneStress(int n, int m, double nu, double E, double** D) {
  if (n != 3 || m != 3) InternalError(__FILE__, __LINE__);
  zerod2(D, 3, 3);
  const double c = E / (1.0 - nu * nu);
  D[1][1] = D[2][2] = c;
  D[1][2] = D[2][1] = nu * c;
  D[3][3] = E / (2.0 * (1.0 + nu));
}

void CalcMat_De_PlaneStrain(int n, int m, double nu, double E, double** D) {
  if (n != 3 || m != 3) InternalError(__FILE__, __LINE__);
  zerod2(D, 3, 3);
  const double c = E / ((1.0 - 2.0 * nu) * (1.0 + nu));
  D[1][1] = D[2][2] = (1.0 - nu) * c;
  D[1][2] = D[2][1] = nu * c;
  D[3][3] = E / (2.0 * (1.0 + nu));
}

void CalcMat_De_Axis(int n, int m, double nu, double E, double** D) {
  if (n != 4 || m != 4) InternalError(__FILE__, __LINE__);
  zerod2(D, 4, 4);
  const double c = E / ((1.0 - 2.0 * nu) * (1.0 + nu));
  D[1][1] = D[2][2] = D[4][4] = (1.0 - nu) * c;
  D[1][2] = D[2][1] = D[1][4] = D[4][1] = D[2][4] = D[4][2] = nu * c;
  D[3][3] = E / (2.0 * (1.0 + nu));
}

namespace {

// E and nu of the property's linear isotropic material, checked usable.
void ReadElasticConstants(int property, const MaterialRecord* linIso, const ElementProperty* props, double* E,
                          double* nu) {
  const ElementProperty& p = props[property];
  const ElemFaultContext ctx{"Reading the material of element property record n. %d\n", property, 0, 0};
  CheckElemMaterialKind(ctx, p.ElementType, p.MaterialKind, ElasticKindCode(kElasticIsotropic));
  const MaterialRecord& m = linIso[p.MaterialNumber];
  const IsotropicElastic c = IsotropicConstants(m);
  *E = c.E;
  *nu = c.nu;
  if (!(*E > 0.0) || !(*nu > -1.0 && *nu < 0.5)) {
    char detail[700];
    std::snprintf(detail, sizeof detail, "   -> Material: %s\n   -> Young's modulus: %g\n   -> Poisson's ratio: %g\n",
                  m.Name, *E, *nu);
    ElemDataFault(ctx, p.ElementType, detail,
                  "Invalid elastic constants.\nYoung's modulus must be positive and Poisson's ratio\n"
                  "must lie between -1 and 0.5 (both excluded).");
  }
}

}  // namespace

void CalcMat_D_PlaneStress(int property, int n, int m, double** D, const MaterialRecord* linIso,
                           const ElementProperty* props) {
  double E, nu;
  ReadElasticConstants(property, linIso, props, &E, &nu);
  CalcMat_De_PlaneStress(n, m, nu, E, D);
}

void CalcMat_D_PlaneStrain(int property, int n, int m, double** D, const MaterialRecord* linIso,
                           const ElementProperty* props) {
  double E, nu;
  ReadElasticConstants(property, linIso, props, &E, &nu);
  CalcMat_De_PlaneStrain(n, m, nu, E, D);
}

void CalcMat_D_Axis(int property, int n, int m, double** D, const MaterialRecord* linIso,
                    const ElementProperty* props) {
  double E, nu;
  ReadElasticConstants(property, linIso, props, &E, &nu);
  CalcMat_De_Axis(n, m, nu, E, D);
}

// ---- rotations ---------------------------------------------------------------------

void CalcMat_T_Line2D(int d, int elem, int typeCode, int n, char printFlag, double s, double** T, double** X) {
  if (d != 2) InternalError(__FILE__, __LINE__);
  double t[3];
  CalcVectTangentElem(2, elem, n, s, t, X);
  T[1][1] = t[1];
  T[1][2] = t[2];
  T[2][1] = -t[2];
  T[2][2] = t[1];
  PrintElementTMat(2, elem, typeCode, printFlag, T);
}

void CalcMat_T_Line3D(int elem, int typeCode, char printFlag, int n, double s, double angle, double** T,
                      double** X) {
  double t[4], y[4], z[4];
  CalcVectTangentElem(3, elem, n, s, t, X);
  if (std::fabs(t[1]) < kSmall && std::fabs(t[2]) < kSmall) {
    // Member along x3: local axis 2 is x2.
    y[1] = 0.0;
    y[2] = 1.0;
    y[3] = 0.0;
  } else {
    const double e3[4] = {0.0, 0.0, 0.0, 1.0};
    crossd1(y, e3, t);
    normalized1(y, 3);
  }
  crossd1(z, t, y);
  const double c = std::cos(angle), sn = std::sin(angle);
  for (int j = 1; j <= 3; j++) {
    T[1][j] = t[j];
    T[2][j] = c * y[j] + sn * z[j];
    T[3][j] = -sn * y[j] + c * z[j];
  }
  PrintElementTMat(3, elem, typeCode, printFlag, T);
}

void CalcMat_T_ElemNormal(int elem, int typeCode, int n, char printFlag, const double* s, double** T, double** X) {
  double normal[4];
  CalcVectNormalElem(elem, 2, n, normal, s, X);
  CalcOrthonormalTriad(normal, T);
  PrintElementTMat(3, elem, typeCode, printFlag, T);
}

void CalcMat_R_Truss2D(int elem, char printFlag, int** elemNodes, double** R, double** pointCoords) {
  double** X;
  allocd2(&X, 2, 2);
  CalcMat_ElemNodeCoord(elem, _TRUSS_2D, 2, elemNodes, X, pointCoords);
  CalcMat_T_Line2D(2, elem, _TRUSS_2D, 2, printFlag, 0.0, R, X);
  freed2(X);
}

void CalcMat_R_Frame2D(int elem, char printFlag, int** elemNodes, double** R, double** pointCoords) {
  double** X;
  allocd2(&X, 2, 2);
  CalcMat_ElemNodeCoord(elem, _FRAME_2D, 2, elemNodes, X, pointCoords);
  CalcMat_T_Line2D(2, elem, _FRAME_2D, 2, printFlag, 0.0, R, X);
  freed2(X);
}

void CalcMat_R_Truss3D(int elem, char printFlag, int** elemNodes, double** R, double** pointCoords) {
  double** X;
  allocd2(&X, 2, 3);
  CalcMat_ElemNodeCoord(elem, _TRUSS_3D, 2, elemNodes, X, pointCoords);
  CalcMat_T_Line3D(elem, _TRUSS_3D, printFlag, 2, 0.0, 0.0, R, X);
  freed2(X);
}

void CalcMat_R_Frame3D(int elem, double angle, char printFlag, int** elemNodes, double** R, double** pointCoords) {
  double** X;
  allocd2(&X, 2, 3);
  CalcMat_ElemNodeCoord(elem, _FRAME_3D, 2, elemNodes, X, pointCoords);
  CalcMat_T_Line3D(elem, _FRAME_3D, printFlag, 2, 0.0, angle, R, X);
  freed2(X);
}

void CalcMat_T_Cable2D(int elem, int n, double s, char printFlag, double** T, double** X) {
  CalcMat_T_Line2D(2, elem, _CABLE_2D, n, printFlag, s, T, X);
}
void CalcMat_T_InterfaceLine2D(int elem, int n, double s, char printFlag, double** T, double** X) {
  CalcMat_T_Line2D(2, elem, _INTERFACE_LINE_2D, n, printFlag, s, T, X);
}
void CalcMat_T_EmbCable2D(int elem, int n, double s, char printFlag, double** T, double** X) {
  CalcMat_T_Line2D(2, elem, _EMB_CABLE_2D, n, printFlag, s, T, X);
}
void CalcMat_T_Cable3D(int elem, int n, double s, char printFlag, double** T, double** X) {
  CalcMat_T_Line3D(elem, _CABLE_3D, printFlag, n, s, 0.0, T, X);
}
void CalcMat_T_TimoshenkoBeam3D(int elem, int n, double s, double angle, char printFlag, double** T, double** X) {
  CalcMat_T_Line3D(elem, _TIMOSHENKO_BEAM_3D, printFlag, n, s, angle, T, X);
}
void CalcMat_T_InterfaceLine3D(int elem, int n, double s, char printFlag, double** T, double** X) {
  CalcMat_T_Line3D(elem, _INTERFACE_LINE_3D, printFlag, n, s, 0.0, T, X);
}
void CalcMat_T_EmbCable3D(int elem, int n, double s, char printFlag, double** T, double** X) {
  CalcMat_T_Line3D(elem, _EMB_CABLE_3D, printFlag, n, s, 0.0, T, X);
}

void CalcShellNodeNormal(int elem, int type, int n, int localNode, int** elemNodes, double** pointCoords,
                         double* normal) {
  double **X, **S;
  allocd2(&X, n, 3);
  allocd2(&S, n, 2);
  CalcMat_ElemNodeCoord(elem, type, n, elemNodes, X, pointCoords);
  CalcNatCoord(n, S);
  CalcVectNormalElem(elem, 2, n, normal, S[localNode], X);
  freed2(S);
  freed2(X);
}

void CalcMat_T_GCStoCCS_PointCore(int point, int nAdj, const int* adjElems, const int* adjLocalNodes,
                                  const int* elemTypeCode, const int* elemNodeCount, int** elemNodes, double** T,
                                  double** pointCoords) {
  (void)point;
  double candidate[4] = {0.0, 0.0, 0.0, 0.0};
  double sum[4] = {0.0, 0.0, 0.0, 0.0};
  bool haveMindlin = false, haveAhmad = false;
  for (int k = 1; k <= nAdj; k++) {
    const int e = adjElems[k];
    const int type = elemTypeCode[e];
    if (type == 0) InternalError(__FILE__, __LINE__);  // element without a property record
    if (type != _MINDLIN_SHELL_QUAD && type != _AHMAD_SHELL_QUAD) continue;
    const int n = elemNodeCount[e];
    const int local = adjLocalNodes[k];
    if (local < 1 || local > n) InternalError(__FILE__, __LINE__);
    double normal[4];
    CalcShellNodeNormal(e, type, n, local, elemNodes, pointCoords, normal);
    if (type == _MINDLIN_SHELL_QUAD) {
      copyd1(candidate, normal, 3);
      haveMindlin = true;
      break;
    }
    addd1(sum, normal, 3);
    haveAhmad = true;
  }
  // A point of no quadrilateral shell has no coplanar system: refuse rather than guess.
  if (!haveMindlin && !haveAhmad) InternalError(__FILE__, __LINE__);
  if (haveAhmad) {
    copyd1(candidate, sum, 3);
    normalized1(candidate, 3);
  }
  CalcOrthonormalTriad(candidate, T);
}

void CalcMat_T_GCStoCCS_Point(int point, const char* outputControl, const int* elemPropIndex,
                              const int* elemNodeCount, int** elemNodes, double** T, double** pointCoords,
                              const PointList* pointElemAdjacency, const ElementProperty* props) {
  (void)outputControl;
  const PointList& list = pointElemAdjacency[point];
  const int nAdj = list.count;
  int maxElem = 0;
  for (int k = 1; k <= nAdj; k++)
    if (list.items[k].element > maxElem) maxElem = list.items[k].element;
  int *elems, *locals, *types;
  alloci1(&elems, nAdj);
  alloci1(&locals, nAdj);
  alloci1(&types, maxElem);
  for (int k = 1; k <= nAdj; k++) {
    const int e = list.items[k].element;
    elems[k] = e;
    locals[k] = list.items[k].node;
    const int p = elemPropIndex[e];
    types[e] = p == 0 ? 0 : props[p].ElementType;
  }
  CalcMat_T_GCStoCCS_PointCore(point, nAdj, elems, locals, types, elemNodeCount, elemNodes, T, pointCoords);
  freei1(types);
  freei1(locals);
  freei1(elems);
}

// ---- transformation of element matrices --------------------------------------------

void TransformAddElemMat(int b, int N, int nb, double** out, double** M, double** T) {
  if (b < 1 || nb < 1 || N != nb * b) InternalError(__FILE__, __LINE__);
  double **Blk, **Tmp;
  allocd2(&Blk, b, b);
  allocd2(&Tmp, b, b);
  for (int I = 1; I <= nb; I++)
    for (int J = 1; J <= nb; J++) {
      const int r0 = (I - 1) * b + 1, c0 = (J - 1) * b + 1;
      getsubd2(Blk, M, b, b, r0, c0);
      multtd2d2(Tmp, T, Blk, b, b, b);
      multd2d2(Blk, Tmp, T, b, b, b);
      setsubd2(M, Blk, b, b, r0, c0);
    }
  freed2(Tmp);
  freed2(Blk);
  addd2(out, M, N, N);
}

void TransformMatTruss(int d, int N, int nb, double** out, double** M, double** R) {
  TransformAddElemMat(d, N, nb, out, M, R);
}

void TransformMatFrame2D(int d, int N, int b, int nb, double** out, double** M, double** R) {
  if (d != 2 || b != 3) InternalError(__FILE__, __LINE__);
  double** T3;
  allocd2(&T3, 3, 3);
  zerod2(T3, 3, 3);
  setsubd2(T3, R, 2, 2, 1, 1);
  T3[3][3] = 1.0;
  TransformAddElemMat(3, N, nb, out, M, T3);
  freed2(T3);
}

void TransformMatFrame3D(int d, int N, int b, int nb, double** out, double** M, double** R) {
  if (d != 3 || b != 6) InternalError(__FILE__, __LINE__);
  double** T6;
  allocd2(&T6, 6, 6);
  zerod2(T6, 6, 6);
  setsubd2(T6, R, 3, 3, 1, 1);
  setsubd2(T6, R, 3, 3, 4, 4);
  TransformAddElemMat(6, N, nb, out, M, T6);
  freed2(T6);
}

void TransformBeam3DMat(int d, int N, int b, int nb, double** out, double** M, double** R) {
  TransformMatFrame3D(d, N, b, nb, out, M, R);
}

// ---- small products ----------------------------------------------------------------

void MatMatTMultSmall(int n, int m, double** A, double** C, double** B) { multd2td2(C, A, B, m, n, n); }

void MatTMatMultSmall(double** C, double** A, double** B, int n, int m) { multtd2d2(C, A, B, m, n, m); }
