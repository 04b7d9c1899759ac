// The set-up check of folded quadratic elements: 8- and 9-node quadrilaterals (plane and
// shell) and 20-node hexahedra given in the usual wrong orders are refused in words; sound
// elements, also curved and distorted ones and shells of either orientation, pass.
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "elements/kernel.h"
#include "model_fixture.h"
#include "test_util.h"

using testmodel::AddRecord;

namespace {

using P3 = std::array<double, 3>;

// One element of `type` on the given points (node k = point k); ElemPropIndex all 1.
void CheckOneElement(int type, const std::vector<P3>& pts) {
  testmodel::Model m;
  std::vector<int32_t> nodes;
  for (const P3& p : pts) nodes.push_back(testmodel::AddPoint(m, p[0], p[1], p[2]));
  testmodel::AddElement(m, nodes);
  AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("c", 2500, 1e-5, 30e9, 0.2));
  AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", 0.2));
  const bool solid = type == _SOLID_HEXA;
  AddRecord(m, "<ELEMENT_PROPERTIES>",
            testmodel::ElementProperty(1, 1, type, MAT_LIN_ISO, 1, solid ? 0 : GEOM_LAM_THICK, solid ? 0 : 1));
  LoadedMesh mesh(m);
  int* index;
  alloci1(&index, 1);
  index[1] = 1;
  CheckQuadraticElementShapes(mesh, index);
  freei1(index);
}

// The sound 8-node order of a 2 x 1 rectangle, corners and mid-sides in turn
// (plane elements in x2-x3, shells in x1-x2 tilted by x3 = 0.3 x1).
std::vector<std::array<double, 2>> Quad8() {
  return {{0, 0}, {1, 0}, {2, 0}, {2, 0.5}, {2, 1}, {1, 1}, {0, 1}, {0, 0.5}};
}

std::vector<P3> Place(int type, const std::vector<std::array<double, 2>>& q) {
  std::vector<P3> out;
  for (const auto& a : q)
    out.push_back(type == _AHMAD_SHELL_QUAD || type == _MINDLIN_SHELL_QUAD ? P3{a[0], a[1], 0.3 * a[0]}
                                                                           : P3{5.0, a[0], a[1]});
  return out;
}

std::vector<std::array<double, 2>> Reorder(const std::vector<std::array<double, 2>>& q, const std::vector<int>& order) {
  std::vector<std::array<double, 2>> out;
  for (int k : order) out.push_back(q[static_cast<size_t>(k - 1)]);
  return out;
}

// The sound 20-node order of a 2 x 1 x 1 box: bottom face, middle layer, top face.
std::vector<P3> Hexa20() {
  std::vector<P3> h;
  const auto face = Quad8();
  for (const auto& a : face) h.push_back({a[0], a[1], 0.0});
  for (int c : {0, 2, 4, 6}) h.push_back({face[static_cast<size_t>(c)][0], face[static_cast<size_t>(c)][1], 0.5});
  for (const auto& a : face) h.push_back({a[0], a[1], 1.0});
  return h;
}

std::vector<P3> Reorder3(const std::vector<P3>& h, const std::vector<int>& order) {
  std::vector<P3> out;
  for (int k : order) out.push_back(h[static_cast<size_t>(k - 1)]);
  return out;
}

const std::string kRefusal = "The element is folded or its nodes are not in the expected order.\nExpected node order: ";

}  // namespace

TEST(FoldedElements, WrongOrdersOfQuadraticElementsAreRefusedInWords) {
  const std::vector<int> cornersFirst = {1, 3, 5, 7, 2, 4, 6, 8};
  const std::vector<int> turned = {2, 3, 4, 5, 6, 7, 8, 1};  // starts at a mid-side node
  const std::vector<int> mirrored = {1, 8, 7, 6, 5, 4, 3, 2};  // clockwise
  const std::vector<int> midFirstOfEdge = {1, 3, 2, 4, 5, 6, 7, 8};
  struct Case {
    const char* name;
    int type;
    std::vector<P3> pts;
  };
  auto with9 = [](std::vector<std::array<double, 2>> q) {
    q.push_back({1.0, 0.5});
    return q;
  };
  const std::vector<Case> cases = {
      {"plane 8 corners first", _PLANE_STRESS_QUAD, Place(_PLANE_STRESS_QUAD, Reorder(Quad8(), cornersFirst))},
      {"plane 8 turned", _PLANE_STRESS_QUAD, Place(_PLANE_STRESS_QUAD, Reorder(Quad8(), turned))},
      {"plane 8 mirrored", _PLANE_STRAIN_QUAD, Place(_PLANE_STRAIN_QUAD, Reorder(Quad8(), mirrored))},
      {"plane 8 swapped", _PLANE_STRESS_QUAD, Place(_PLANE_STRESS_QUAD, Reorder(Quad8(), midFirstOfEdge))},
      {"plane 9 corners first", _PLANE_STRESS_QUAD, Place(_PLANE_STRESS_QUAD, with9(Reorder(Quad8(), cornersFirst)))},
      {"plane 9 turned", _PLANE_STRAIN_QUAD, Place(_PLANE_STRAIN_QUAD, with9(Reorder(Quad8(), turned)))},
      {"plane 9 mirrored", _PLANE_STRESS_QUAD, Place(_PLANE_STRESS_QUAD, with9(Reorder(Quad8(), mirrored)))},
      {"Ahmad 8 corners first", _AHMAD_SHELL_QUAD, Place(_AHMAD_SHELL_QUAD, Reorder(Quad8(), cornersFirst))},
      {"Ahmad 9 turned", _AHMAD_SHELL_QUAD, Place(_AHMAD_SHELL_QUAD, with9(Reorder(Quad8(), turned)))},
      // Corners first, then the mid-edges of the bottom, top and vertical edges.
      {"hexa 20 corners first", _SOLID_HEXA,
       Reorder3(Hexa20(), {1, 3, 5, 7, 13, 15, 17, 19, 2, 4, 6, 8, 14, 16, 18, 20, 9, 10, 11, 12})},
      // Bottom face, top face, then the middle layer.
      {"hexa 20 middle layer last", _SOLID_HEXA,
       Reorder3(Hexa20(), {1, 2, 3, 4, 5, 6, 7, 8, 13, 14, 15, 16, 17, 18, 19, 20, 9, 10, 11, 12})},
      {"hexa 20 turned", _SOLID_HEXA,
       Reorder3(Hexa20(), {2, 3, 4, 5, 6, 7, 8, 1, 9, 10, 11, 12, 14, 15, 16, 17, 18, 19, 20, 13})},
      {"hexa 20 mirrored", _SOLID_HEXA,
       Reorder3(Hexa20(), {13, 14, 15, 16, 17, 18, 19, 20, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6, 7, 8})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string order = c.type == _SOLID_HEXA ? "the bottom face s3 = -1 first" : "corner and mid-side nodes";
    EXPECT_EXIT(CheckOneElement(c.type, c.pts), testing::ExitedWithCode(1),
                Lit("Element n. 1\n   -> Element type: " + std::string(GetElementTypeInfo(c.type).keyword) +
                    "\n   -> Number of nodes: " + std::to_string(c.pts.size()) + "\n")
                    .append(".*")
                    .append(Lit(kRefusal + order)));
  }
}

TEST(FoldedElements, SoundCurvedAndDistortedElementsPass) {
  // Curved edges (mid-side nodes off the chord), a trapezoid with mid-side nodes off
  // centre but in the middle half, a shifted centre node, a shell of either orientation.
  auto curved = Quad8();
  curved[1] = {1.0, -0.2};
  curved[3] = {2.2, 0.5};
  auto trapezoid = Quad8();
  trapezoid[4] = {1.5, 1.0};
  trapezoid[3] = {1.75, 0.5};
  trapezoid[5] = {0.9, 1.0};
  trapezoid[1] = {1.3, 0.0};
  auto nine = Quad8();
  nine.push_back({1.1, 0.45});
  CheckOneElement(_PLANE_STRESS_QUAD, Place(_PLANE_STRESS_QUAD, curved));
  CheckOneElement(_PLANE_STRAIN_QUAD, Place(_PLANE_STRAIN_QUAD, trapezoid));
  CheckOneElement(_PLANE_STRESS_QUAD, Place(_PLANE_STRESS_QUAD, nine));
  CheckOneElement(_AHMAD_SHELL_QUAD, Place(_AHMAD_SHELL_QUAD, nine));
  CheckOneElement(_AHMAD_SHELL_QUAD, Place(_AHMAD_SHELL_QUAD, Reorder(Quad8(), {1, 8, 7, 6, 5, 4, 3, 2})));
  // A quarter of a cylinder of radius 1 as a 9-node shell.
  std::vector<P3> cyl;
  for (const auto& a : std::vector<std::array<double, 2>>{{0, 0}, {45, 0}, {90, 0}, {90, 1}, {90, 2}, {45, 2}, {0, 2},
                                                          {0, 1}, {45, 1}})
    cyl.push_back({std::cos(a[0] * M_PI / 180.0), a[1], std::sin(a[0] * M_PI / 180.0)});
  CheckOneElement(_AHMAD_SHELL_QUAD, cyl);
  auto box = Hexa20();
  box[2] = {2.1, 0.0, 0.0};
  box[13] = {1.0, -0.15, 1.0};  // mid-side node 14 off its chord
  CheckOneElement(_SOLID_HEXA, box);
}
