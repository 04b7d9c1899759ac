// Faces of the thermal hexahedron: the face set-up shared by the convection and
// radiation matrices and the face heat loads, and the matrices themselves.
#pragma once

#include <string>

#include "model/mesh.h"

// Fluid temperatures of the faces of the current combination: T[e][f][1..nf] in the
// order of the face's node list (null where a face has none).
struct FaceFluidTemperatures {
  double*** T;
};

// sum N_i v_i over the nf face nodes.
double FaceInterpolate(const double* N, const double* v, int nf);

// Radiation coefficient of the linearised law, temperatures in degrees Celsius.
double RadiationCoefficient(double e, double sigma, double Tf, double Ts);

// One face of an 8- or 20-node hexahedron: its nf nodes (element-local, reversed faces
// re-ordered so that the first node stays first) and their coordinates Xf (nf x 3).
struct HexaFace {
  int elem, face, n, nf;
  int nodes[9];
  bool reversed;
  double Xf[9][4];
};
// where: the context lines written before a data-file message (bad face number).
void SetUpHexaFace(const MeshData* mesh, int elem, int n, int face, const std::string& where, HexaFace* f);
// Per-node values v[1..nf] of a record with m values (m = 1 or nf), re-ordered with a
// reversed face; another m stops the run after the context lines.
void FaceNodeValues(const HexaFace& f, int m, const double* values, const std::string& where, double* v);

// Face rule: intType with pattern 0 -> 3 x 3, else _G_S1_k x _G_S2_k of the pattern; a
// count of 0 stops the run after patternCtx and the pattern's name. At each point
// fn(N[1..nf], w dA) is called; dA < 1e-8 stops the run after areaCtx.
template <class F>
void IntegrateHexaFace(const MeshData* mesh, const HexaFace& f, int intType, int intNumber,
                       const std::string& patternCtx, const std::string& areaCtx, F fn);
void HexaFaceRule(const MeshData* mesh, int elem, int intType, int intNumber, const std::string& patternCtx,
                  int* c1, int* c2, const double** a1, const double** w1, const double** a2, const double** w2);
double HexaFaceArea(const HexaFace& f, const double* s, double* N, const std::string& areaCtx);

template <class F>
void IntegrateHexaFace(const MeshData* mesh, const HexaFace& f, int intType, int intNumber,
                       const std::string& patternCtx, const std::string& areaCtx, F fn) {
  int c1, c2;
  const double *a1, *w1, *a2, *w2;
  HexaFaceRule(mesh, f.elem, intType, intNumber, patternCtx, &c1, &c2, &a1, &w1, &a2, &w2);
  double N[9], s[3];
  for (int i = 1; i <= c1; i++)
    for (int j = 1; j <= c2; j++) {
      s[1] = a1[i];
      s[2] = a2[j];
      const double dA = HexaFaceArea(f, s, N, areaCtx);
      fn(N, w1[i] * w2[j] * dA);
    }
}

// Adds the convection matrix of record k (its element is elem) into KCg (n x n).
void CalcSurfConvHeatTransferMatSolidHexaThermal(int elem, int n, int k, const char* OutputControl,
                                                 const MeshData* mesh, double** KCg);
// Adds the radiation matrices of every radiation record of elem; Te[1..n] the element's
// nodal temperatures.
void CalcSurfRadHeatTransferMat(int elem, int n, int property, const char* OutputControl,
                                const FaceFluidTemperatures* fluid, const double* Te, const MeshData* mesh,
                                double** KCg);
void CalcSurfRadHeatTransferMatSolidHexaThermal(int elem, int n, int k, const char* OutputControl,
                                                const FaceFluidTemperatures* fluid, const double* Te,
                                                const MeshData* mesh, double** KCg);
