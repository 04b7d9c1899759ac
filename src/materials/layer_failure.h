// Layer failure check _NLMM501 of the shell layers: the in-plane stress turned into the
// material axes and a quadratic interaction (Tsai-Wu) failure index.
#pragma once

#include "materials/history_data.h"
#include "model/material.h"
#include "model/mesh.h"

// Values of an _NLMM501 record (file order): the coordinate system 10 (int32), then the
// strengths Xt 11, Xc 12, Yt 13, Yc 14, S 15.
struct Nlmm501Material {
  int coordSystem;
  double Xt, Xc, Yt, Yc, S;
};
Nlmm501Material Nlmm501Parameters(const MaterialRecord& m);

// Set-up check of a record: every strength above 1e-8.
void CheckParameters_NLMM501(const MaterialRecord& m, const char* block, int record);

// 1 when the layer of element `elem` fails under the in-plane stress sigma (s11, s22,
// s12 in the element axes T), 0 when not. The record receives the stress in the
// material axes (zeros after failure) and the failure index f.
int CalcStress_NLMM501(int elem, const MaterialRecord& mat, NLMM301_HD* r, double** T, const double* sigma,
                       const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems);
