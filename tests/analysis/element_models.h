// Linear static models of the cable, Timoshenko beam, solid, slab and shell elements for
// the end-to-end runs, built on linear_model.h. Lattice models keep the point number of
// each lattice position, so that a test can find its values in the result vectors.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "linear_model.h"

namespace linmodel {

constexpr const char* kSpaceMask = "111000";  // Truss3D, Cable3D, SolidHexa
constexpr const char* kSixMask = "111111";    // Frame3D, TimoshenkoBeam3D, shells
constexpr const char* kSlabMask = "001110";   // MindlinSlab

// Natural coordinates of the hexahedron nodes in element node order.
inline constexpr int kHexa8[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                     {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
inline constexpr int kHexa20[20][3] = {
    {-1, -1, -1}, {0, -1, -1}, {1, -1, -1}, {1, 0, -1}, {1, 1, -1}, {0, 1, -1}, {-1, 1, -1},
    {-1, 0, -1},  {-1, -1, 0}, {1, -1, 0},  {1, 1, 0},  {-1, 1, 0}, {-1, -1, 1}, {0, -1, 1},
    {1, -1, 1},   {1, 0, 1},   {1, 1, 1},   {0, 1, 1},  {-1, 1, 1}, {-1, 0, 1}};

// A load case of point, edge, face and temperature records, gravity and settlements
// (empty blocks left out).
testmodel::LoadCase ElementLoads(std::vector<testmodel::Rec> points, std::vector<testmodel::Rec> edges = {},
                                 std::vector<testmodel::Rec> faces = {}, std::vector<testmodel::Rec> temps = {},
                                 std::array<double, 3> gravity = {0, 0, 0},
                                 std::vector<testmodel::Rec> settlements = {});

// "<NUMERICAL_INTEGRATION>" record from the counts along s1, s2, s3 of the general (G),
// membrane (M), bending (B), shear (S) and torsion (T) sub-patterns.
testmodel::Rec IntegrationPattern(const std::string& name, std::array<int, 3> G, std::array<int, 3> M = {},
                                  std::array<int, 3> B = {}, std::array<int, 3> S = {}, std::array<int, 3> T = {});

// A model whose points sit on a lattice: at[{I, J, K}] is the point of lattice position
// (I, J, K) (K = 0 for surfaces).
struct LatticeJob {
  Job job;
  std::map<std::array<int, 3>, int> at;
  int At(int I, int J, int K = 0) const { return at.at({I, J, K}); }
};

// TimoshenkoBeam3D cantilever of length 1 along x1, fixed at point 1, in nElem elements of
// nodesPerElem (2 or 3) nodes, points numbered along the axis: E = 1, nu = 0 (G = 0.5),
// density 1, A = 1, I2 = I3 = J = 1, shear factors 2000 (kGA = 1e3); the shear loop takes
// shearPoints points, the other loops 2.
Job TimoshenkoCantilever(int nElem, int nodesPerElem, int shearPoints);

// Two straight Cable2D members hanging from supports (-3, 4) (point 1) and (3, 4)
// (point 2) to the joint at the origin (point 3); E A = EA.
Job CableHanger2D(double EA);
// Three straight Cable3D members from supports at (r cos a, r sin a, h) for a = 0, 120,
// 240 degrees (points 1..3) to the joint at the origin (point 4); E A = EA.
Job CableTripod3D(double EA, double r, double h);

// SolidHexa bar of nx elements of nn (8 or 20) nodes along x1 over [0, L] x [y0, y0 + 1]
// x [z0, z0 + 1], lattice I = 0..2nx, J, K = 0..2 (x1 = I L / 2nx); material E, nu,
// density rho; with pattern3 the elements use the 3 x 3 x 3 rule. Supports from
// fixity(I, J, K).
using LatticeFixity = std::function<std::string(int I, int J, int K)>;
LatticeJob HexaBar(int nn, int nx, double L, double y0, double z0, double E, double nu, double rho, bool pattern3,
                   const LatticeFixity& fixity);
// The same block of n[0] x n[1] x n[2] elements over size[0] x size[1] x size[2] from
// (0, y0, z0): lattice I = 0..2n[0], J = 0..2n[1], K = 0..2n[2].
LatticeJob HexaBlock(int nn, std::array<int, 3> n, std::array<double, 3> size, double y0, double z0, double E,
                     double nu, double rho, bool pattern3, const LatticeFixity& fixity);

// Quadrilateral shell or slab mesh of nx x ny elements of nn (8 or 9) nodes: lattice
// I = 0..2nx, J = 0..2ny, the point of (I, J) at f(I / 2nx, J / 2ny); nodes numbered
// counterclockwise in (I, J) from corner `firstCorner` (0 = (-1, -1), 1 = (1, -1),
// 2 = (1, 1), 3 = (-1, 1)), so that edge (1 - firstCorner) mod 4 + 1 lies on the side
// I = 2a + 2 of element a. type 18 (slab), 20 (Mindlin shell) or 22 (Ahmad shell), linear
// isotropic material E, nu, density rho, thickness t.
using SurfaceMap = std::function<std::array<double, 3>(double u, double v)>;
LatticeJob QuadMesh(int type, int nn, int nx, int ny, const SurfaceMap& f, double E, double nu, double rho, double t,
                    const LatticeFixity& fixity, int firstCorner = 0);

// TimoshenkoBeam3D elements of three nodes along the points (an odd number of them, in
// order along the line), with their own linear isotropic material E, nu and 3-D section
// (A, shear factors 2 and 3, torsion constant, I2, I3, a, b, two depths, angle) and the
// default two-point rules.
void AddTimoshenkoBeamLine(Job& j, const std::vector<int>& points, double E, double nu,
                           const std::array<double, 11>& section);

}  // namespace linmodel
