// Location of global points in elements: the inverse isoparametric mapping (global to
// natural coordinates) and the mother elements of embedded cables with the natural
// coordinates of the cables' integration points inside them.
//
// All vectors and matrices are 1-based (numcore allocators). X is the element's nodal
// coordinate matrix (one row per node, as CalcMat_ElemNodeCoord gives it), x_t the
// target point.
#pragma once

#include <cstdint>

struct MeshData;
struct NumericalIntegration;
struct ElementProperty;

// ---- inverse mapping ------------------------------------------------------------------
// Newton iteration from s = 0.1 in every coordinate; converged when every residual
// component is below 1e-8 in magnitude, diverged when a coordinate exceeds 1e8; at most
// maxIter steps. Returns true on convergence. A step that cannot be formed (singular
// Jacobian or Hessian) writes "\n", failMsg, "\n" and "\n" to the error stream and ends
// the run with status 1. Whether s lies inside the element is the caller's business.

// Natural space of the element's own dimension: n natural coordinates, X nNodes x n,
// x_t[1..n]. Type codes 10, 13, 18, 20 (quadrilateral functions) and 24 (hexahedron).
bool Calc_x_to_s_General(int typeCode, int maxIter, int n, int nNodes, const char* failMsg, double* s, double** X,
                         const double* x_t);
// Quadrilateral surface (n must be 2) in dim global coordinates: the nearest point of the
// surface. dist = |x(s) - x_t| at the final s, converged or not.
bool Calc_x_to_s_Quad(int dim, int maxIter, int n, int nNodes, const char* failMsg, double* dist, double* s,
                      double** X, const double* x_t);
// Line of 2 or 3 nodes in dim global coordinates: the nearest point of the curve.
bool Calc_x_to_s_Line(int dim, int maxIter, int nNodes, double* s, double* dist, const char* failMsg, double** X,
                      const double* x_t);

// The pieces of the three iterations (residual, Newton step, final distance).
void CalcResid_x_to_s_General(int typeCode, int n, int nNodes, double* r, const double* s, double** X,
                              const double* x_t);
void Calc_Delta_s_x_to_s_General(int typeCode, int n, int nNodes, const char* failMsg, double* ds, const double* r,
                                 const double* s, double** X);
void CalcResid_x_to_s_Quad(int dim, int nNodes, double* r, const double* s, double** X, const double* x_t);
void Calc_Delta_s_x_to_s_Quad(int dim, int nNodes, const char* failMsg, double* ds, double* r, const double* s,
                              double** X, const double* x_t);
double CalcDist_x_to_s_Quad(int dim, int nNodes, const double* s, double** X, const double* x_t);
double CalcResid_x_to_s_Line(int dim, int nNodes, double s, double** X, const double* x_t);
double Calc_Delta_s_x_to_s_Line(int dim, int nNodes, const char* failMsg, double r, double s, double** X,
                                const double* x_t);
double CalcDist_x_to_s_Line(int dim, int nNodes, double s, double** X, const double* x_t);

// ---- mother elements of embedded cables ----------------------------------------------

// One per mother element, indexed by the mother's sequence number (mothers numbered
// 1, 2, ... in ascending element number).
struct EmbCableMotherRecord {
  int nCables;        // cables embedded in this element
  int* cables;        // [1..nCables] their element numbers, ascending (position = slot)
  double** natCoords; // [slot][(ip-1)*nNat + j]: natural coordinate j of integration point ip
};

// Natural coordinates (in the mother) kept per cable integration point: the mother
// type's topological dimension (2 for 10, 13, 20; 3 for 22 and 24). For 22 the third
// coordinate is 0 (the point is located on the mid-surface).
int MotherNatDim(int motherType);
// Integration points of a cable along its length: 2 with the default rule, else the
// s1 count of its integration pattern.
int EmbCableIntegrationPoints(const ElementProperty& cableProp, const NumericalIntegration* integrations);

// Bounding box of an element's nodes (X nNodes x dim): max[j], min[j].
void CalcElemBoundingBox(int dim, int nNodes, double** X, double* max, double* min);
// True when every point (one row per point) lies in the box widened by 1e-5.
bool PointsAreInsideBoundingBox(int dim, int nPoints, double** P, const double* max, const double* min);
// True when the candidate contains every cable node (natural coordinates within
// 1.00001). Only types 10, 13, 20, 22 and 24 can be mothers.
bool ElementIsMotherElement(int dim, int cable, int cableType, int candidate, int candidateType, int nCableNodes,
                            int nCandidateNodes, const int32_t* elemNodeCount, int32_t** elemNodes, double** Xcable,
                            double** Xcandidate, double** pointCoords);
// The lowest-numbered active element that contains all nodes of the cable; 0 when none.
// propIdx[e]: the element's property record in the phase, 0 when inactive.
void CalcMotherElementEmbCable(int dim, int cable, int cableType, int nCableNodes, int* mother,
                               const MeshData* mesh, const int* propIdx, double** Xcable);
// Allocates and fills records[motherSeq].natCoords[slot] for the cable.
void CalcNatCoordMotherElementEmbCable(int cable, int mother, int slot, int motherSeq, int cableProp, int motherProp,
                                       const int32_t* elemNodeCount, int32_t** elemNodes, double** pointCoords,
                                       EmbCableMotherRecord* records, const NumericalIntegration* integrations,
                                       const ElementProperty* props);
