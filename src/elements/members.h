// What the two-node members (trusses and frames) share: the context lines of their
// data faults, the member length, and the reading of section and material, the rotation
// and the placement of end forces that their matrices and their load vectors use.
#pragma once

#include "elements/kernel.h"

// Context lines (ElemFaultContext formats) of the mass: %d = element.
extern const char* const kCtxMass;

// Distance of nodes 1 and 2 in the coordinates of the type (x2, x3 for the plane types);
// coincident nodes stop the run ("too distorted").
double MemberLength(const ElemFaultContext& ctx, int typeCode, int elem, int** elemNodes, double** pointCoords);

// ---- trusses (d = 2: _TRUSS_2D, d = 3: _TRUSS_3D) --------------------------------------
int TrussType(int d);
struct TrussData {
  double rho, alpha, E;  // material
  double A, L;
};
// Material and section of the member, checked usable. withMaterial false: the section only.
void ReadTruss(const ElemFaultContext& ctx, int d, int elem, int property, bool withMaterial, int** elemNodes,
               double** pointCoords, const CrossSectionArea* areas, const MaterialRecord* linIso,
               const ElementProperty* props, TrussData* t);
// R (d x d): global axes to the member's axes.
void CalcRotationTruss(int d, int elem, const char* outputControl, int** elemNodes, double** R, double** pointCoords);
// Writes the local force vectors fl1, fl2 (d components each) of the two nodes to F in
// global axes: Truss2D at positions 2, 3 and 8, 9; Truss3D at 1-3 and 7-9.
void PlaceTrussForces(int d, double** R, const double* fl1, const double* fl2, double* F);

// ---- frames ------------------------------------------------------------------------------
constexpr int kFrame2D = _FRAME_2D;
constexpr int kFrame3D = _FRAME_3D;
struct FrameData {
  double rho, alpha, E, G;          // material
  double A, I, h;                   // Frame2D section
  double J, I2, I3, h2, h3, angle;  // Frame3D section (A too)
  double L;
};
// What the member reads: its material too, or only its section (gravity).
enum Reading { kSectionOnly, kWithMaterial };
// Section and material of a Frame2D, checked usable; the length unless elemNodes is null.
FrameData ReadFrame2D(const ElemFaultContext& ctx, Reading what, int elem, int property, int** elemNodes,
                      double** pointCoords, const Frame2DSection* sections, const MaterialRecord* linIso,
                      const ElementProperty* props);
FrameData ReadFrame3D(const ElemFaultContext& ctx, Reading what, int elem, int property, int** elemNodes,
                      double** pointCoords, const Frame3DSection* sections, const MaterialRecord* linIso,
                      const ElementProperty* props);
// Local Frame2D vector fl[1..6] (u, v, theta per node) to F[1..12] in the point layout:
// forces rotated back at 2, 3 and 8, 9, moments unchanged at 4 and 10.
void PlaceFrame2D(double** R, const double* fl, double* F);
// Local Frame3D vector fl[1..12] to global axes, triple by triple.
void PlaceFrame3D(double** R, const double* fl, double* F);
