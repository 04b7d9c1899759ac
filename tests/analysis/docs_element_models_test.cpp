// docs_element_models.py writes one model per element type with the Python writer of the
// docs alone, runs each and checks it against a closed form. The same models are built
// here again with the test-side writer, independently of the script from the same recipe
// (points, supports, elements, property, material, loads): the two writers must give the
// same data file byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;

namespace {

constexpr double kE = 1000.0;
constexpr int kLinIso = 1, kCsArea = 2, kCs2D = 3, kCs3D = 4, kLamThick = 5, kThermalIso = 49;

using Nat2 = std::array<int, 2>;
using Nat3 = std::array<int, 3>;
using Lattice = std::map<Nat3, int>;

const std::vector<Nat2> kQ4 = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
const std::vector<Nat2> kQ8 = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};

std::vector<Nat2> Q9() {
  std::vector<Nat2> o = kQ8;
  o.push_back({0, 0});
  return o;
}

std::vector<Nat3> H8() {
  std::vector<Nat3> o;
  for (int c : {-1, 1})
    for (const Nat2& ab : kQ4) o.push_back({ab[0], ab[1], c});
  return o;
}

std::vector<Nat3> H20() {
  std::vector<Nat3> o;
  for (const Nat2& ab : kQ8) o.push_back({ab[0], ab[1], -1});
  for (const Nat2& ab : kQ4) o.push_back({ab[0], ab[1], 0});
  for (const Nat2& ab : kQ8) o.push_back({ab[0], ab[1], 1});
  return o;
}

std::string Flags(const std::array<bool, 6>& fixed) {
  std::string s;
  for (bool f : fixed) s += f ? '1' : '0';
  return s;
}

bool Holds(const std::vector<int>& list, int v) { return std::find(list.begin(), list.end(), v) != list.end(); }

tw::Model Base(const std::string& title) {
  tw::Model m;
  m.main.title = title;
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", 0.0, 0.0, kE, 0.0));
  return m;
}

tw::LoadCase& NewLoadCase(tw::Model& m, const std::string& title) {
  m.loadCases.emplace_back();
  m.loadCases.back().title = title;
  return m.loadCases.back();
}

void Load(tw::LoadCase& lc, int point, int dof, double f) {
  std::array<double, 6> v{};
  v[static_cast<size_t>(dof - 1)] = f;
  lc.blocks["<POINT_LOADS>"].push_back(tw::PointLoad(point, v));
}

// An (n1+1) x (n2+1) x (n3+1) lattice along the model axes `axes` (0: none) of the lengths
// `size`, i fastest; a point at 0 of a direction in `fix` held in it, every point held in
// the directions of `fix` that are not lattice axes.
Lattice Grid(tw::Model& m, Nat3 n, std::array<double, 3> size, Nat3 axes, const std::vector<int>& fix) {
  Lattice num;
  for (int k = 0; k <= n[2]; k++)
    for (int j = 0; j <= n[1]; j++)
      for (int i = 0; i <= n[0]; i++) {
        const Nat3 t = {i, j, k};
        std::array<double, 3> x{};
        std::array<bool, 6> fixed{};
        for (size_t d = 0; d < 3; d++) {
          if (axes[d] == 0) continue;
          x[static_cast<size_t>(axes[d] - 1)] = size[d] * t[d] / std::max(n[d], 1);
          if (Holds(fix, axes[d]) && t[d] == 0) fixed[static_cast<size_t>(axes[d] - 1)] = true;
        }
        for (int a : fix)
          if (!Holds({axes.begin(), axes.end()}, a)) fixed[static_cast<size_t>(a - 1)] = true;
        const int p = tw::AddPoint(m, x[0], x[1], x[2]);
        if (Flags(fixed) != "000000") tw::AddRecord(m, "<SUPPORTS>", tw::Support(p, Flags(fixed)));
        num[t] = p;
      }
  return num;
}

// The points of one quadrilateral at its natural points `order` on an lx x ly patch in the
// model plane of `axes`; held as Grid does, plus u3 and (rotations) r1..r3 everywhere.
std::vector<int> PatchPoints(tw::Model& m, const std::vector<Nat2>& order, double lx, double ly, Nat2 axes,
                             const std::vector<int>& fix, bool holdU3 = false, bool holdRot = false) {
  std::vector<int> nodes;
  for (const Nat2& ab : order) {
    const std::array<double, 2> s = {(ab[0] + 1) / 2.0 * lx, (ab[1] + 1) / 2.0 * ly};
    std::array<double, 3> x{};
    std::array<bool, 6> fixed{};
    for (size_t d = 0; d < 2; d++) {
      x[static_cast<size_t>(axes[d] - 1)] = s[d];
      if (Holds(fix, axes[d]) && s[d] == 0.0) fixed[static_cast<size_t>(axes[d] - 1)] = true;
    }
    fixed[2] = fixed[2] || holdU3;
    for (size_t d = 3; d < 6; d++) fixed[d] = fixed[d] || holdRot;
    const int p = tw::AddPoint(m, x[0], x[1], x[2]);
    if (Flags(fixed) != "000000") tw::AddRecord(m, "<SUPPORTS>", tw::Support(p, Flags(fixed)));
    nodes.push_back(p);
  }
  return nodes;
}

// Consistent nodal shares of a uniform load `total` on the edge s1 = +1.
std::vector<std::pair<size_t, double>> EdgeForces(const std::vector<Nat2>& order, double total) {
  std::vector<std::pair<size_t, double>> out;
  size_t on = 0;
  for (const Nat2& ab : order) on += ab[0] == 1 ? 1 : 0;
  for (size_t k = 0; k < order.size(); k++) {
    if (order[k][0] != 1) continue;
    const double w = on == 2 ? 0.5 : order[k][1] == 0 ? 4.0 / 6.0 : 1.0 / 6.0;
    out.push_back({k, total * w});
  }
  return out;
}

// A 3-points-per-direction rule in every part for 9-node elements (returns its record), 0
// otherwise.
int RuleFor(tw::Model& m, size_t nodes) {
  if (nodes != 9) return 0;
  std::array<int32_t, 21> v{};
  v[1] = 3;
  for (size_t k = 2; k < 17; k++) v[k] = 3;
  tw::AddRecord(m, "<NUMERICAL_INTEGRATION>", tw::NumericalIntegration("3x3", v));
  return 1;
}

void Thickness(tw::Model& m, double t) { tw::AddRecord(m, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", t)); }

tw::Model Plane(int type, const std::vector<Nat2>& order, double t = 0.5) {
  tw::Model m = Base("plane patch");
  Thickness(m, t);
  const Lattice num = Grid(m, {2, 2, 0}, {2.0, 1.0, 0.0}, {2, 3, 0}, {2, 3});
  std::vector<int32_t> nodes;
  for (const Nat2& ab : order) nodes.push_back(num.at({1 + ab[0], 1 + ab[1], 0}));
  tw::AddElement(m, nodes);
  const int rule = RuleFor(m, order.size());
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, type, kLinIso, 1, kLamThick, 1, 1, rule));
  NewLoadCase(m, "pull").blocks["<EDGE_LOADS>"].push_back(tw::EdgeLoad(1, 0, 2, 'G', 2, 1, {3.0}));
  return m;
}

tw::Model Solid(const std::vector<Nat3>& order) {
  tw::Model m = Base("solid block");
  const Lattice num = Grid(m, {2, 2, 2}, {2.0, 1.0, 1.0}, {1, 2, 3}, {1, 2, 3});
  std::vector<int32_t> nodes;
  for (const Nat3& abc : order) nodes.push_back(num.at({1 + abc[0], 1 + abc[1], 1 + abc[2]}));
  tw::AddElement(m, nodes);
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 24, kLinIso, 1, 0, 0));
  NewLoadCase(m, "pull").blocks["<FACE_LOADS>"].push_back(tw::FaceLoad(1, 3, 'G', 1, 1, {4.0}));
  return m;
}

// A member of two points: the second at 2 along `axis`, the first held in `dofs`, the
// second (holdEnd) in the held dofs across the axis; loaded at the second point.
tw::Model Member(const std::string& title, int type, int geomKind, const tw::Rec& geom, int axis,
                 const std::string& dofs, bool holdEnd, const std::string& lcTitle, int loadDof, double load) {
  tw::Model m = Base(title);
  const char* tag = geomKind == kCsArea ? "<CROSS_SECTION_AREAS>"
                    : geomKind == kCs2D ? "<FRAME_2D_CROSS_SECTIONS>"
                                        : "<FRAME_3D_CROSS_SECTIONS>";
  tw::AddRecord(m, tag, geom);
  std::array<double, 3> x{};
  const int p1 = tw::AddPoint(m, 0, 0, 0);
  x[static_cast<size_t>(axis - 1)] = 2.0;
  const int p2 = tw::AddPoint(m, x[0], x[1], x[2]);
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(p1, dofs));
  std::string rest = dofs;
  rest[static_cast<size_t>(axis - 1)] = '0';
  if (holdEnd && rest != "000000") tw::AddRecord(m, "<SUPPORTS>", tw::Support(p2, rest));
  tw::AddElement(m, {p1, p2});
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, type, kLinIso, 1, geomKind, 1));
  Load(NewLoadCase(m, lcTitle), p2, loadDof, load);
  return m;
}

tw::Model Bar(int type, int geomKind, const tw::Rec& geom, int axis, const std::string& dofs) {
  return Member("bar", type, geomKind, geom, axis, dofs, true, "pull", axis, 10.0);
}

tw::Model Shell(int type, const std::vector<Nat2>& order) {
  tw::Model m = Base("shell patch");
  Thickness(m, 0.5);
  const std::vector<int> nodes = PatchPoints(m, order, 2.0, 1.0, {1, 2}, {1, 2}, true, true);
  tw::AddElement(m, {nodes.begin(), nodes.end()});
  const int rule = RuleFor(m, order.size());
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, type, kLinIso, 1, kLamThick, 1, 1, rule));
  tw::LoadCase& lc = NewLoadCase(m, "pull");
  for (const auto& [k, f] : EdgeForces(order, 3.0)) Load(lc, nodes[k], 1, f);
  return m;
}

tw::Model Slab() {
  tw::Model m = Base("slab strip");
  Thickness(m, 0.2);
  const std::vector<int> nodes = PatchPoints(m, kQ8, 2.0, 1.0, {1, 2}, {});
  for (size_t k = 0; k < kQ8.size(); k++)
    if (kQ8[k][0] == -1) tw::AddRecord(m, "<SUPPORTS>", tw::Support(nodes[k], "001110"));
  tw::AddElement(m, {nodes.begin(), nodes.end()});
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 18, kLinIso, 1, kLamThick, 1));
  tw::LoadCase& lc = NewLoadCase(m, "moment");
  for (const auto& [k, f] : EdgeForces(kQ8, 0.01)) Load(lc, nodes[k], 5, f);
  return m;
}

tw::Model Triangles() {
  tw::Model m = Base("triangle patch");
  Thickness(m, 0.5);
  const std::vector<int> p = PatchPoints(m, kQ4, 2.0, 1.0, {2, 3}, {2, 3});
  tw::AddElement(m, {p[0], p[1], p[2]});
  tw::AddElement(m, {p[0], p[2], p[3]});
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, 9, kLinIso, 1, kLamThick, 1));
  tw::LoadCase& lc = NewLoadCase(m, "pull");
  for (size_t k : {1, 2}) Load(lc, p[k], 2, 1.5);
  return m;
}

const std::vector<std::array<double, 3>> kLineFace = {{0, 0, 0}, {0, 1, 0}};
const std::vector<std::array<double, 3>> kQuadFace = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}};

// Two coincident faces of one interface, the first held, the second pulled along `axis`
// by 2 shared evenly among its points.
tw::Model Interface(int type, const std::string& tag, const std::vector<double>& k,
                    const std::vector<std::array<double, 3>>& face, double width, int axis) {
  tw::Model m = Base("interface");
  tw::AddRecord(m, tag, tw::Material("k", std::string(k.size(), 'd'), k));
  if (width != 0.0) Thickness(m, width);
  std::vector<int32_t> nodes;
  for (int side = 0; side < 2; side++)
    for (const auto& x : face) nodes.push_back(tw::AddPoint(m, x[0], x[1], x[2]));
  const std::string dofs = type == 27 ? "011000" : "111000";
  std::string across = dofs;
  across[static_cast<size_t>(axis - 1)] = '0';
  for (size_t n = 0; n < nodes.size(); n++)
    tw::AddRecord(m, "<SUPPORTS>", tw::Support(nodes[n], n < face.size() ? dofs : across));
  tw::AddElement(m, nodes);
  const int kind = type == 27 ? 4 : type == 28 ? 5 : 6;
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", width != 0.0
                                               ? tw::ElementProperty(1, 1, type, kind, 1, kLamThick, 1)
                                               : tw::ElementProperty(1, 1, type, kind, 1, 0, 0));
  tw::LoadCase& lc = NewLoadCase(m, "slip");
  for (size_t n = face.size(); n < nodes.size(); n++) Load(lc, nodes[n], axis, 2.0 / static_cast<double>(face.size()));
  return m;
}

// A host model with an embedded cable of area 0.1 from a to b.
tw::Model Embedded(tw::Model m, int type, std::array<double, 3> a, std::array<double, 3> b) {
  tw::AddRecord(m, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("cable", 0.1));
  const int c1 = tw::AddPoint(m, a[0], a[1], a[2]);
  const int c2 = tw::AddPoint(m, b[0], b[1], b[2]);
  tw::AddElement(m, {c1, c2});
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(2, 2, type, kLinIso, 1, kCsArea, 1));
  return m;
}

// Steady conduction along a bar of two elements: 0 at x = 0, 100 at x = 2.
tw::Model Conduction(int type, bool solid) {
  tw::Model m = Base("heated bar");
  m.main.analysisType = 5;
  tw::AddRecord(m, "<THERMAL_ISOTROPIC_MATERIALS>", tw::Material("c", "ddd", {0.0, 3.0, 0.0}));
  Lattice num;
  if (solid) {
    num = Grid(m, {2, 1, 1}, {2.0, 1.0, 1.0}, {1, 2, 3}, {});
    for (int e = 0; e < 2; e++) {
      std::vector<int32_t> nodes;
      for (int c : {0, 1})
        for (const Nat2& ab : kQ4) nodes.push_back(num.at({e + (ab[0] + 1) / 2, (ab[1] + 1) / 2, c}));
      tw::AddElement(m, nodes);
    }
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, type, kThermalIso, 1, 0, 0));
  } else {
    Thickness(m, 0.5);
    num = Grid(m, {2, 1, 0}, {2.0, 1.0, 0.0}, {2, 3, 0}, {});
    for (int e = 0; e < 2; e++)
      tw::AddElement(m, {num.at({e, 0, 0}), num.at({e + 1, 0, 0}), num.at({e + 1, 1, 0}), num.at({e, 1, 0})});
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, type, kThermalIso, 1, kLamThick, 1));
  }
  tw::LoadCase& lc = NewLoadCase(m, "temperatures");
  std::vector<int> cold, hot;  // in point order
  for (const auto& [at, p] : num) {
    if (at[0] == 0) cold.push_back(p);
    if (at[0] == 2) hot.push_back(p);
  }
  std::sort(cold.begin(), cold.end());
  std::sort(hot.begin(), hot.end());
  for (const std::vector<int>* side : {&cold, &hot})
    for (int p : *side) tw::AddRecord(m, "<BOUNDARY_WITH_FIXED_TEMPERATURES>", tw::Support(p, "100000"));
  for (int p : hot) lc.blocks["<PRESCRIBED_POINT_TEMPERATURES>"].push_back(tw::PrescribedDisplacement(p, 1, 100.0));
  return m;
}

// A type without element routines: one element of n points.
tw::Model Refused(int type, int n, int kind) {
  tw::Model m = Base("refused type");
  tw::AddRecord(m, "<LINEAR_INTERFACE_POINT_PROPERTIES>", tw::Rec().S("k").I(0).D(1.0));
  tw::AddRecord(m, "<LINEAR_INTERFACE_SURFACE_PROPERTIES>", tw::Material("k", "ddd", {1.0, 1.0, 1.0}));
  Thickness(m, 0.5);
  const std::array<double, 3> coords[] = {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 1}, {1, 1, 0}};
  std::vector<int32_t> nodes;
  for (int k = 0; k < n; k++) nodes.push_back(tw::AddPoint(m, coords[k][0], coords[k][1], coords[k][2]));
  tw::AddElement(m, nodes);
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, type, kind, 1, 0, 0));
  NewLoadCase(m, "none");
  return m;
}

tw::Rec Area() { return tw::CrossSectionArea("a", 0.5); }
tw::Rec Section3D(double shear) {
  return tw::Frame3DSection("s", {0.5, shear, shear, 0.02, 0.01, 0.01, 0, 0, 0.3, 0.3, 0});
}

struct ElementModel {
  std::string name;  // the job name the script writes
  std::function<tw::Model()> build;
};

std::vector<ElementModel> ElementModels() {
  const std::string line2 = "<LINEAR_INTERFACE_LINE_2D_PROPERTIES>", line3 = "<LINEAR_INTERFACE_LINE_3D_PROPERTIES>",
                    surface = "<LINEAR_INTERFACE_SURFACE_PROPERTIES>";
  std::vector<ElementModel> v = {
      {"truss_2d", [] { return Bar(1, kCsArea, Area(), 2, "011000"); }},
      {"frame_2d",
       [] {
         return Member("cantilever", 3, kCs2D, tw::Frame2DSection("s", {0.5, 0.0, 0.01, 0.3}), 2, "011100", false, "tip", 3,
                       -1.0);
       }},
      {"plane_stress_quad4", [] { return Plane(10, kQ4); }},
      {"plane_stress_quad8", [] { return Plane(10, kQ8); }},
      {"plane_stress_quad9", [] { return Plane(10, Q9()); }},
      {"plane_strain_quad4", [] { return Plane(13, kQ4, 1.0); }},
      {"solid_hexa8", [] { return Solid(H8()); }},
      {"solid_hexa20", [] { return Solid(H20()); }},
      {"truss_3d", [] { return Bar(2, kCsArea, Area(), 1, "111000"); }},
      {"frame_3d", [] { return Member("cantilever 3-D", 4, kCs3D, Section3D(0.0), 1, "111111", false, "tip", 3, -1.0); }},
      {"cable_2d", [] { return Bar(5, kCsArea, Area(), 2, "011000"); }},
      {"cable_3d", [] { return Bar(6, kCsArea, Area(), 1, "111000"); }},
      {"timoshenko_beam_3d", [] { return Bar(8, kCs3D, Section3D(0.8), 1, "111111"); }},
      {"plane_stress_triang", Triangles},
      {"plane_strain_quad8", [] { return Plane(13, kQ8, 1.0); }},
      {"mindlin_slab_quad", Slab},
      {"mindlin_shell_quad", [] { return Shell(20, kQ4); }},
      {"ahmad_shell_quad8", [] { return Shell(22, kQ8); }},
      {"ahmad_shell_quad9", [] { return Shell(22, Q9()); }},
      {"interface_line_2d_slip", [=] { return Interface(27, line2, {400, 900}, kLineFace, 0.5, 2); }},
      {"interface_line_2d_opening", [=] { return Interface(27, line2, {400, 900}, kLineFace, 0.5, 3); }},
      {"interface_line_3d_slip", [=] { return Interface(28, line3, {400, 900, 700}, kLineFace, 0.5, 2); }},
      {"interface_line_3d_across", [=] { return Interface(28, line3, {400, 900, 700}, kLineFace, 0.5, 1); }},
      {"interface_quad_opening", [=] { return Interface(30, surface, {400, 900, 700}, kQuadFace, 0.0, 3); }},
      {"interface_quad_slip", [=] { return Interface(30, surface, {400, 900, 700}, kQuadFace, 0.0, 1); }},
      {"emb_cable_2d", [] { return Embedded(Plane(10, kQ4), 31, {0, 0, 0.5}, {0, 2, 0.5}); }},
      {"emb_cable_3d", [] { return Embedded(Solid(H8()), 32, {0, 0.5, 0.5}, {2, 0.5, 0.5}); }},
      {"plane_stress_quad_thermal", [] { return Conduction(11, false); }},
      {"solid_hexa_thermal", [] { return Conduction(25, true); }},
  };
  const struct {
    const char* name;
    int type, nodes, kind;
  } refused[] = {{"timoshenko_beam_2d", 7, 2, 1}, {"plane_strain_triang", 12, 3, 1}, {"axis_line", 14, 2, 1},
                 {"axis_triang", 15, 3, 1},       {"axis_quad", 16, 4, 1},           {"mindlin_slab_triang", 17, 3, 1},
                 {"mindlin_shell_triang", 19, 3, 1}, {"ahmad_shell_triang", 21, 3, 1}, {"solid_tetra", 23, 4, 1},
                 {"interface_point", 26, 2, 3},   {"interface_triang", 29, 6, 6}};
  for (const auto& r : refused) v.push_back({r.name, [r] { return Refused(r.type, r.nodes, r.kind); }});
  // Not an element type: a second load case of gravity and two combinations.
  v.push_back({"combinations", [] {
                 tw::Model m = Bar(1, kCsArea, Area(), 2, "011000");
                 NewLoadCase(m, "weight").gravity = {0.0, 0.0, -9.81};
                 m.combinations.resize(2);
                 m.combinations[0].title = "half";
                 m.combinations[0].factors = {{1, 0.5}};
                 m.combinations[1].title = "both";
                 m.combinations[1].factors = {{1, 1.0}, {2, 1.5}};
                 m.combinations[1].duration = 2.0;
                 return m;
               }});
  return v;
}

// The tag of the block that holds byte `offset` of a data file: the last binary string
// "<...>" that starts before it.
std::string BlockAt(const std::vector<uint8_t>& bytes, size_t offset) {
  std::string tag = "(before the first tag)";
  for (size_t i = 4; i < offset && i < bytes.size(); i++) {
    if (bytes[i] != '<') continue;
    const size_t n = bytes[i - 4] | bytes[i - 3] << 8 | bytes[i - 2] << 16 | static_cast<size_t>(bytes[i - 1]) << 24;
    if (n < 3 || i + n >= bytes.size() || bytes[i + n - 1] != '>' || bytes[i + n] != 0) continue;
    tag.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  return tag;
}

// Empty when equal; else where the first difference lies.
std::string FirstDifference(const std::vector<uint8_t>& docs, const std::vector<uint8_t>& test) {
  if (docs == test) return "";
  size_t at = 0;
  while (at < docs.size() && at < test.size() && docs[at] == test[at]) at++;
  return "first differing byte " + std::to_string(at) + " (docs " + std::to_string(docs.size()) + " bytes, test " +
         std::to_string(test.size()) + " bytes), in " + BlockAt(test, at + 1);
}

// Runs docs_element_models.py in dir: with the program (exe), or "-" to write the data
// files only.
ChildResult RunElementModels(const std::string& python, const std::string& exe, const std::string& dir) {
  const std::string script = std::filesystem::absolute(std::filesystem::path(__FILE__).parent_path() /
                                                       "docs_element_models.py").string();
  const std::string docs = std::filesystem::path(DocsPath("volde_writer.py")).parent_path().string();
  return RunProgram(python, {script, docs, exe, dir}, dir);
}

}  // namespace

// One model per element type written from the docs alone (docs/volde_writer.py with the
// node orders, edge and face tables of docs/elements.md and the value meanings of
// docs/materials.md), run and read back with docs/volde_results.py, each against a
// closed-form number: bars, cables and beams pulled (sigma L / E), cantilevers (F L^3 / 3EI),
// plane, shell and solid patches under edge and face loads, a slab strip in pure bending,
// interfaces opened and slid by the stiffness the docs name for the direction, embedded
// cables sharing the strain of their host, steady conduction through a bar; every load
// carried by the reactions. The types without element routines are refused in words.
// A drift between the docs and the program fails here.
TEST(Examples, ModelsWrittenFromTheDocsGiveTheClosedFormNumbers) {
  const std::string python = FindPython3();
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  const std::string dir = MakeScratchDirectory();
  const ChildResult py = RunElementModels(python, VOLDE_EXE, dir);
  EXPECT_EQ(py.status, 0) << py.out << py.err;
  // Every one of the 32 element types has its model or its refusal.
  for (const char* name : {"truss_2d ok", "truss_3d ok", "frame_2d ok", "frame_3d ok", "cable_2d ok", "cable_3d ok",
                           "_TIMOSHENKO_BEAM_2D refused", "timoshenko_beam_3d ok", "plane_stress_triang ok",
                           "plane_stress_quad4 ok", "plane_stress_quad8 ok", "plane_stress_quad9 ok",
                           "plane_stress_quad_thermal ok", "_PLANE_STRAIN_TRIANG refused", "plane_strain_quad4 ok",
                           "plane_strain_quad8 ok", "_AXIS_LINE refused", "_AXIS_TRIANG refused", "_AXIS_QUAD refused",
                           "_MINDLIN_SLAB_TRIANG refused", "mindlin_slab_quad ok", "_MINDLIN_SHELL_TRIANG refused",
                           "mindlin_shell_quad ok", "_AHMAD_SHELL_TRIANG refused", "ahmad_shell_quad8 ok",
                           "ahmad_shell_quad9 ok", "_SOLID_TETRA refused", "solid_hexa8 ok", "solid_hexa20 ok",
                           "solid_hexa_thermal ok", "_INTERFACE_POINT refused", "interface_line_2d_slip ok",
                           "interface_line_2d_opening ok", "interface_line_3d_slip ok", "interface_line_3d_across ok",
                           "_INTERFACE_TRIANG refused", "interface_quad_opening ok", "interface_quad_slip ok",
                           "emb_cable_2d ok", "emb_cable_3d ok"})
    EXPECT_NE(py.out.find(std::string(name) + "\n"), std::string::npos) << name;
  RemoveDirectory(dir);
}

// Every element type's model (and the refusals' models) written by the docs' writer is
// the test-side writer's encoding of the same model.
TEST(Examples, DocsWriterWritesEveryElementModelAsTheTestWriter) {
  const std::string python = FindPython3();
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  const std::string dir = MakeScratchDirectory();
  const ChildResult py = RunElementModels(python, "-", dir);
  ASSERT_EQ(py.status, 0) << py.out << py.err;
  const std::vector<ElementModel> models = ElementModels();
  // 29 models of the 21 types with routines, 11 refusals, 1 of combinations; every file the
  // script wrote has its model here.
  size_t written = 0;
  for (const auto& f : std::filesystem::directory_iterator(dir))
    written += f.path().string().ends_with("_gl.bin") ? 1 : 0;
  EXPECT_EQ(written, models.size());
  for (const ElementModel& em : models) {
    const std::string path = dir + "/" + em.name + "_gl.bin";
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    EXPECT_EQ(FirstDifference(resultfile::ReadFileBytes(path), tw::EncodeDataFile(em.build())), "") << em.name;
  }
  RemoveDirectory(dir);
}
