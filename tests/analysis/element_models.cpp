#include "element_models.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "model/material.h"
#include "model/mesh.h"

namespace tw = testmodel;

namespace linmodel {

tw::LoadCase ElementLoads(std::vector<tw::Rec> points, std::vector<tw::Rec> edges, std::vector<tw::Rec> faces,
                          std::vector<tw::Rec> temps, std::array<double, 3> gravity,
                          std::vector<tw::Rec> settlements) {
  tw::LoadCase lc;
  lc.gravity = gravity;
  if (!points.empty()) lc.blocks["<POINT_LOADS>"] = points;
  if (!edges.empty()) lc.blocks["<EDGE_LOADS>"] = edges;
  if (!faces.empty()) lc.blocks["<FACE_LOADS>"] = faces;
  if (!temps.empty()) lc.blocks["<TEMPERATURE_VARIATION>"] = temps;
  if (!settlements.empty()) lc.blocks["<PRESCRIBED_DISPLACEMENTS>"] = settlements;
  return lc;
}

tw::Rec IntegrationPattern(const std::string& name, std::array<int, 3> G, std::array<int, 3> M, std::array<int, 3> B,
                           std::array<int, 3> S, std::array<int, 3> T) {
  // Values 3..5 G, 6..8 M, 9..11 B, 12..14 S, 15..17 T (1-based).
  std::array<int32_t, 21> v{};
  const std::array<int, 3>* sub[5] = {&G, &M, &B, &S, &T};
  for (int k = 0; k < 5; k++)
    for (int d = 0; d < 3; d++) v[static_cast<size_t>(2 + 3 * k + d)] = (*sub[k])[static_cast<size_t>(d)];
  return tw::NumericalIntegration(name, v);
}

Job TimoshenkoCantilever(int nElem, int nodesPerElem, int shearPoints) {
  Job j;
  j.model.main.title = "Timoshenko cantilever";
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("beam", 1.0, 0.0, 1.0, 0.0));
  // A, shear factors 2 and 3, torsion constant, I2, I3, a, b, two depths, angle.
  tw::AddRecord(j.model, "<FRAME_3D_CROSS_SECTIONS>",
                tw::Frame3DSection("section", {1.0, 2000.0, 2000.0, 1.0, 1.0, 1.0, 0, 0, 0, 0, 0}));
  tw::AddRecord(j.model, "<NUMERICAL_INTEGRATION>",
                IntegrationPattern("reduced shear", {2, 0, 0}, {2, 0, 0}, {2, 0, 0}, {shearPoints, 0, 0}, {2, 0, 0}));
  const int nPts = nElem * (nodesPerElem - 1) + 1;
  for (int i = 0; i < nPts; i++)
    AddPoint3D(j, static_cast<double>(i) / (nPts - 1), 0.0, 0.0, kSixMask, i == 0 ? kSixMask : "000000");
  for (int e = 0; e < nElem; e++) {
    std::vector<int32_t> nodes;
    for (int k = 0; k < nodesPerElem; k++) nodes.push_back(e * (nodesPerElem - 1) + k + 1);
    tw::AddElement(j.model, nodes);
  }
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, nElem, 8, MAT_LIN_ISO, 1, GEOM_CS_3D, 1, 1, 1));
  return j;
}

namespace {

void AddCableMaterial(Job& j, double EA) {
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("strand", 0.0, 0.0, EA, 0.3));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("unit", 1.0));
}

}  // namespace

Job CableHanger2D(double EA) {
  Job j;
  j.model.main.title = "cable hanger";
  AddCableMaterial(j, EA);
  AddPoint2D(j, -3.0, 4.0, kPlaneMask, kPlaneMask);
  AddPoint2D(j, 3.0, 4.0, kPlaneMask, kPlaneMask);
  AddPoint2D(j, 0.0, 0.0, kPlaneMask);
  tw::AddElement(j.model, {1, 3});
  tw::AddElement(j.model, {3, 2});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, 5, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  return j;
}

Job CableTripod3D(double EA, double r, double h) {
  Job j;
  j.model.main.title = "cable tripod";
  AddCableMaterial(j, EA);
  for (int k = 0; k < 3; k++) {
    const double a = 2.0 * std::numbers::pi * k / 3.0;
    AddPoint3D(j, r * std::cos(a), r * std::sin(a), h, kSpaceMask, kSpaceMask);
  }
  AddPoint3D(j, 0.0, 0.0, 0.0, kSpaceMask);
  for (int k = 1; k <= 3; k++) tw::AddElement(j.model, {k, 4});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 3, 6, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  return j;
}

namespace {

// Natural coordinates of the quadrilateral nodes, counterclockwise, the centre last.
const int kQuad9[9][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};

}  // namespace

LatticeJob HexaBar(int nn, int nx, double L, double y0, double z0, double E, double nu, double rho, bool pattern3,
                   const LatticeFixity& fixity) {
  return HexaBlock(nn, {nx, 1, 1}, {L, 1.0, 1.0}, y0, z0, E, nu, rho, pattern3, fixity);
}

LatticeJob HexaBlock(int nn, std::array<int, 3> n, std::array<double, 3> size, double y0, double z0, double E,
                     double nu, double rho, bool pattern3, const LatticeFixity& fixity) {
  LatticeJob lj;
  Job& j = lj.job;
  j.model.main.title = "bar of hexahedra";
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("solid", rho, 0.0, E, nu));
  if (pattern3) tw::AddRecord(j.model, "<NUMERICAL_INTEGRATION>", IntegrationPattern("3x3x3", {3, 3, 3}));
  for (int I = 0; I <= 2 * n[0]; I++)
    for (int J = 0; J <= 2 * n[1]; J++)
      for (int K = 0; K <= 2 * n[2]; K++) {
        const int odd = I % 2 + J % 2 + K % 2;
        if ((nn == 8 && odd > 0) || odd > 1) continue;
        lj.at[{I, J, K}] = AddPoint3D(j, size[0] * I / (2.0 * n[0]), y0 + size[1] * J / (2.0 * n[1]),
                                      z0 + size[2] * K / (2.0 * n[2]), kSpaceMask, fixity(I, J, K));
      }
  for (int a = 0; a < n[0]; a++)
    for (int b = 0; b < n[1]; b++)
      for (int c = 0; c < n[2]; c++) {
        std::vector<int32_t> nodes;
        for (int k = 0; k < nn; k++) {
          const int* s = nn == 8 ? kHexa8[k] : kHexa20[k];
          nodes.push_back(lj.At(2 * a + 1 + s[0], 2 * b + 1 + s[1], 2 * c + 1 + s[2]));
        }
        tw::AddElement(j.model, nodes);
      }
  const int count = n[0] * n[1] * n[2];
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, count, 24, MAT_LIN_ISO, 1, 0, 0, 1, pattern3 ? 1 : 0));
  return lj;
}

LatticeJob QuadMesh(int type, int nn, int nx, int ny, const SurfaceMap& f, double E, double nu, double rho, double t,
                    const LatticeFixity& fixity, int firstCorner) {
  LatticeJob lj;
  Job& j = lj.job;
  j.model.main.title = "plate or shell";
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("plate", rho, 0.0, E, nu));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", t));
  const char* mask = type == 18 ? kSlabMask : kSixMask;
  for (int I = 0; I <= 2 * nx; I++)
    for (int J = 0; J <= 2 * ny; J++) {
      if (nn == 8 && I % 2 == 1 && J % 2 == 1) continue;
      const std::array<double, 3> x = f(I / (2.0 * nx), J / (2.0 * ny));
      lj.at[{I, J, 0}] = AddPoint3D(j, x[0], x[1], x[2], mask, fixity(I, J, 0));
    }
  for (int a = 0; a < nx; a++)
    for (int b = 0; b < ny; b++) {
      std::vector<int32_t> nodes;
      for (int k = 0; k < nn; k++) {
        const int* n = kQuad9[k < 8 ? (k + 2 * firstCorner) % 8 : 8];
        nodes.push_back(lj.At(2 * a + 1 + n[0], 2 * b + 1 + n[1]));
      }
      tw::AddElement(j.model, nodes);
    }
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, nx * ny, type, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
  return lj;
}

void AddTimoshenkoBeamLine(Job& j, const std::vector<int>& points, double E, double nu,
                           const std::array<double, 11>& section) {
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("stiffener", 0.0, 0.0, E, nu));
  tw::AddRecord(j.model, "<FRAME_3D_CROSS_SECTIONS>", tw::Frame3DSection("stiffener", section));
  const int material = static_cast<int>(j.model.blocks["<LINEAR_ISOTROPIC_MATERIALS>"].size());
  const int record = static_cast<int>(j.model.blocks["<FRAME_3D_CROSS_SECTIONS>"].size());
  const int first = static_cast<int>(j.model.elements.size()) + 1;
  for (size_t k = 0; k + 2 < points.size(); k += 2) tw::AddElement(j.model, {points[k], points[k + 1], points[k + 2]});
  const int last = static_cast<int>(j.model.elements.size());
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(first, last, 8, MAT_LIN_ISO, material, GEOM_CS_3D, record));
}

}  // namespace linmodel
