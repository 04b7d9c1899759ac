// Element test driver: one element of any type, seen through its two routines (tangent
// at the current records, internal forces of a displacement increment from the accepted
// state) and the restore of its records. On that the driver gives the checks every
// element owes: the tangent against central differences of the forces, the rigid-body
// modes (K r = 0), and the displacements of a linear field for a patch test
// (the forces of u = A x are those of a uniform stress: they balance, node by node
// inside a patch and as a whole on one element).
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "elements/behaviour.h"

namespace elemdrv {

// Node positions in element coordinates: (x2, x3) of a plane element, (x1, x2, x3) of a
// solid; dim displacement components per node, in node order.
using Nodes = std::vector<std::array<double, 3>>;

struct ElementUnderTest {
  int n = 0;    // element dofs
  int dim = 0;  // displacement components per node (2 plane, 3 solid)
  Nodes nodes;
  std::function<void(double** K)> tangent;                   // K[1..n][1..n]
  std::function<void(const double* du, double* F)> force;    // du, F [1..n]
  std::function<void()> restore;                             // current records := converged
};

// The element of type `type` through its behaviour row: the tangent cell of the call record
// c, and the forces cell of c with du as the increment of the combination (c.da). The caller
// keeps what c points to alive and gives the nodes, the dimension and the restore.
ElementUnderTest ThroughRow(int type, const ElementCall& c, int dim, Nodes nodes, std::function<void()> restore);

// Dense 1-based matrix and vector of the guarded allocators.
struct Matrix {
  double** a;
  int n;
  explicit Matrix(int size);
  ~Matrix();
  Matrix(const Matrix&) = delete;
  Matrix& operator=(const Matrix&) = delete;
};
struct Vector {
  double* v;
  int n;
  explicit Vector(int size);
  ~Vector();
  Vector(const Vector&) = delete;
  Vector& operator=(const Vector&) = delete;
};

double MaxAbs(double** K, int n);

// Largest |(F(du + h e_k) - F(du - h e_k)) / 2h - K[.][k]| over every column k, the
// records restored before each evaluation; K is the tangent at du.
double TangentDifferenceError(const ElementUnderTest& e, double* du, double** K, double h);

// The rigid-body modes of the element's nodes: the translations and the rotations (one
// in the plane, three in space).
std::vector<std::vector<double>> RigidBodyModes(const ElementUnderTest& e);
// Largest |K r| over the rigid-body modes r of unit largest component.
double RigidBodyResidual(const ElementUnderTest& e, double** K);

// u = A x at every node (A[1..dim][1..dim]), into u[1..n].
void LinearField(const ElementUnderTest& e, const double A[4][4], double* u);
// Resultant force and moment (about the origin; one in the plane, three in space) of the
// nodal forces F: a patch of a uniform stress is in equilibrium.
std::array<double, 6> Resultant(const ElementUnderTest& e, const double* F);

}  // namespace elemdrv
