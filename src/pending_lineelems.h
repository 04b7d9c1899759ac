// Temporary stand-ins, replaced when the real modules land.
//
// The mother-element record of embedded cables and the inverse mapping from global to
// natural coordinates belong to the mesh-topology module. The record is declared here
// with its fields so that the embedded-cable routines and their tests can use it; the
// two mapping routines stop through the internal error.
#pragma once

// Per mother element: its embedded cables and the natural coordinates, in the mother,
// of every integration point of each cable.
struct EmbCableMotherRecord {
  int nCables;
  int* cables;         // [1..nCables] cable element numbers, ascending (position = slot)
  double** natCoords;  // [slot][(ip - 1) * nNat + j], j = 1..nNat
};

// Natural coordinates s[1..n] of the point xt of an element whose natural space has the
// dimension of the global space; false when the Newton iteration does not converge.
bool Calc_x_to_s_General(int typeCode, int maxIter, int n, int nNodes, const char* failMsg, double* s, double** X,
                         const double* xt);
// The same for a quadrilateral surface in space (n = 2): the nearest point of the surface.
bool Calc_x_to_s_Quad(int dim, int maxIter, int n, int nNodes, const char* failMsg, double* dist, double* s,
                      double** X, const double* xt);
