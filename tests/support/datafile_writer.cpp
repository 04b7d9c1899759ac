// Test-side writer of <job>_gl.bin, encoded from the file layout.
#include "support/datafile_writer.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "model/material_formats.h"

namespace testmodel {

namespace {

// The tags of the blocks in file order: the material, spring-material and pattern blocks
// at their places from the program's format rows, the others as written here.
std::vector<std::string> MeshBlockOrder() {
  static const char* const kOther[] = {
      "<MAIN_PARAMETERS>", "<DYNAMIC_ANALYSIS_PARAMETERS>", "<GROUP_NAMES>", "<POINT_COORDINATES>",
      "<AUXILIARY_VECTORS>", "<COORDINATE_SYSTEMS>", "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", "<SUPPORTS>",
      "<BOUNDARY_WITH_FIXED_TEMPERATURES>", "<INTERNAL_POINT_LINKS>", "<INTERNAL_POINT_SPRING_LINKS>",
      "<RAYLEIGH_DAMPING_FACTORS>", "<CROSS_SECTION_AREAS>", "<FRAME_2D_CROSS_SECTIONS>", "<FRAME_3D_CROSS_SECTIONS>",
      "<LAMINATE_THICKNESSES>", "<GEOMETRY_PATTERNS>", "<LAYER_PROPERTIES>", "<NUMERICAL_INTEGRATION>",
      "<ELEMENT_NODES>", "<ELEMENT_PROPERTIES>", "<POINT_SPRINGS>", "<LINE_SPRINGS>", "<SURFACE_SPRINGS>",
      "<SURFACE_CONVECTION_HEAT_TRANSFER>", "<SURFACE_RADIATION_HEAT_TRANSFER>", "<CONTACT>",
      "<LINE_EMBEDDED_STRONG_DISCONTINUITY>", "<ARC_LENGTH_PARAMETERS>", "<DYNAMIC_INITIAL_CONDITIONS>",
      "<FREQUENCY_RANGES>", "<RITZ_GENERATING_LOAD_CASES>", "<PARTICIPATING_MASS_RATIOS>",
      "<STATIC_PARTICIPATION_RATIOS>", "<DYNAMIC_PARTICIPATION_RATIOS>", "<MODAL_DAMPING_RATIOS>",
      "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>"};
  std::vector<std::pair<int, std::string>> rows;
  for (const MaterialFormat& f : kMaterialFormats) rows.emplace_back(f.block, f.tag);
  for (const MaterialFormat& f : kSpringMaterialFormats) rows.emplace_back(f.block, f.tag);
  std::sort(rows.begin(), rows.end());
  std::vector<std::string> order(std::begin(kOther), std::end(kOther));
  for (const auto& [block, tag] : rows) order.insert(order.begin() + (block - 1), tag);
  return order;
}

}  // namespace

const std::vector<std::string> kMeshBlockOrder = MeshBlockOrder();

const std::vector<std::string> kLoadCaseListBlocks = {
    "<POINT_LOADS>", "<INTERNAL_POINT_LOADS>", "<EDGE_LOADS>", "<INTERNAL_EDGE_LOADS>", "<FACE_LOADS>",
    "<INTERNAL_FACE_LOADS>", "<TEMPERATURE_VARIATION>", "<DIFFERENTIAL_TEMPERATURE_VARIATION>",
    "<PRESCRIBED_DISPLACEMENTS>", "<INTERNAL_PRESCRIBED_RELATIVE_DISPLACEMENTS>",
    "<PRESCRIBED_POINT_TEMPERATURES>", "<SURFACE_HEAT_FLUX>", "<SURFACE_FLUID_TEMPERATURE>", "<LINE_HEAT_FLUX>",
    "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>"};

// ---- Rec ---------------------------------------------------------------------------------
Rec& Rec::I(int32_t v) {
  fields.push_back({bytes.size(), 'i'});
  uint32_t u = static_cast<uint32_t>(v);
  for (int k = 0; k < 4; k++) bytes.push_back(static_cast<uint8_t>(u >> (8 * k)));
  return *this;
}

Rec& Rec::D(double v) {
  fields.push_back({bytes.size(), 'd'});
  uint64_t u = std::bit_cast<uint64_t>(v);
  for (int k = 0; k < 8; k++) bytes.push_back(static_cast<uint8_t>(u >> (8 * k)));
  return *this;
}

Rec& Rec::C(int v) {
  fields.push_back({bytes.size(), 'c'});
  bytes.push_back(static_cast<uint8_t>(v));
  return *this;
}

Rec& Rec::Count(int32_t n) {
  lengthOffsets.push_back(bytes.size());
  uint32_t u = static_cast<uint32_t>(n);
  for (int k = 0; k < 4; k++) bytes.push_back(static_cast<uint8_t>(u >> (8 * k)));
  return *this;
}

Rec& Rec::S(const std::string& s) {
  Count(static_cast<int32_t>(s.size()));
  for (char c : s) bytes.push_back(static_cast<uint8_t>(c));
  bytes.push_back(0);
  return *this;
}

Rec& Rec::Is(const std::vector<int32_t>& v) {
  for (int32_t x : v) I(x);
  return *this;
}

Rec& Rec::Ds(const std::vector<double>& v) {
  for (double x : v) D(x);
  return *this;
}

Rec& Rec::IList(const std::vector<int32_t>& v) {
  Count(static_cast<int32_t>(v.size()));
  return Is(v);
}

Rec& Rec::DList(const std::vector<double>& v) {
  fields.push_back({bytes.size(), 'L'});
  Count(static_cast<int32_t>(v.size()));
  return Ds(v);
}

Rec& Rec::Add(const Rec& other) {
  for (size_t off : other.lengthOffsets) lengthOffsets.push_back(bytes.size() + off);
  for (const RecField& f : other.fields) fields.push_back({bytes.size() + f.offset, f.kind});
  bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
  return *this;
}

// ---- encoding ------------------------------------------------------------------------------
namespace {

bool IsSpecialMeshBlock(const std::string& tag) {
  return tag == "<MAIN_PARAMETERS>" || tag == "<DYNAMIC_ANALYSIS_PARAMETERS>" || tag == "<ELEMENT_NODES>" ||
         tag == "<FIBROUS_MESHES>" || tag == "<CONTACT>" || tag == "<LINE_EMBEDDED_STRONG_DISCONTINUITY>" ||
         tag == "<ARC_LENGTH_PARAMETERS>" || tag == "<PARTICIPATING_MASS_RATIOS>";
}

void CheckKeys(const std::map<std::string, std::vector<Rec>>& blocks, const std::vector<std::string>& order,
               bool mesh) {
  for (const auto& kv : blocks) {
    bool found = false;
    for (const std::string& t : order) found = found || t == kv.first;
    if (!found || (mesh && IsSpecialMeshBlock(kv.first)))
      throw std::invalid_argument("test writer: no record block " + kv.first);
  }
}

struct Encoder {
  const Model& m;
  Rec out;

  void Header(const std::string& tag) {
    out.I(m.headerWord);
    out.S(tag);
  }
  void Records(const std::vector<Rec>& recs) {
    out.Count(static_cast<int32_t>(recs.size()));
    for (const Rec& r : recs) out.Add(r);
  }
  void RecordBlock(const std::map<std::string, std::vector<Rec>>& blocks, const std::string& tag) {
    Header(tag);
    auto it = blocks.find(tag);
    Records(it == blocks.end() ? std::vector<Rec>{} : it->second);
  }
  void ElementNodes(const std::vector<std::vector<int32_t>>& elements) {
    out.Count(static_cast<int32_t>(elements.size()));
    for (const auto& e : elements) out.IList(e);
  }

  void Main() {
    const MainParams& p = m.main;
    out.S(p.title).I(p.analysisType).C(p.materNonlinear).C(p.geomNonlinear).I(p.kinematicDescription);
    out.I(p.nPhases);
    if (m.autoCounts) {
      out.Count(static_cast<int32_t>(m.fibrousMeshes.size()));
      out.Count(static_cast<int32_t>(m.contactCases.size()));
      out.Count(static_cast<int32_t>(m.loadCases.size()));
      out.Count(static_cast<int32_t>(m.combinations.size()));
    } else {
      out.Count(p.nFibrousMeshes).Count(p.nContactCases).Count(p.nLoadCases).Count(p.nCombinations);
    }
    out.C(p.spare1).C(p.spare2).I(p.maxArcLengthCombinations).I(p.storageTechnique).I(p.linEqAlgorithm);
    out.D(p.precondResidualDecay).I(p.thermalSteppingMethod).D(p.thermalTheta).I(p.iterativeAlgorithm);
    out.I(p.convergenceCriterion).D(p.tolerance).I(p.maxIterations).I(p.nCombBeforeRestart);
    out.C(p.addUnbalancedForces).C(p.spare3).C(p.arcLength).C(p.spare4).I(p.pathBehavior);
    out.C(p.stiffMatEigenValues).I(p.maxStiffMatEigenValues).I(p.eigenValueTechnique);
    out.I(p.eigenValueCombination).I(p.eigenValueIteration);
  }

  void Dynamic() {
    const DynamicParams& p = m.dynamic;
    out.I(p.timeSteppingMethod).D(p.gamma).D(p.beta).D(p.alpha).I(p.vibrationModeType);
    out.I(p.modalSuperpositionProcedure).D(p.defaultModalDampingRatio).D(p.rayleighA0).D(p.rayleighA1);
  }

  void ArcLength() {
    const ArcLengthParams& p = m.arcLength;
    out.C(p.constantRadius).D(p.radiusFactor).D(p.loadFactor).D(p.forceDisplScaling).D(p.momentRotScaling);
    out.C(p.displActive).I(p.displPoint).I(p.displDof).D(p.displIncrement);
    out.C(p.relActive).I(p.relPointA).I(p.relPointB).D(p.relIncrement);
  }

  void FibrousMeshes() {
    for (size_t j = 0; j < m.fibrousMeshes.size(); j++) {
      const FibrousMesh& f = m.fibrousMeshes[j];
      out.S("<FIBROUS_MESH_DESCRIPTION>");
      Header("<FIBROUS_MESH_PARAMETERS>");
      out.I(f.number != 0 ? f.number : static_cast<int32_t>(j + 1)).S(f.name);
      out.Count(static_cast<int32_t>(f.sections.size()));
      out.D(f.angles[0]).D(f.angles[1]).D(f.angles[2]);
      Header("<CROSS_SECTION_POINT_COORDINATES>");
      for (const auto& s : f.sections) {
        out.Count(static_cast<int32_t>(s.size()));
        for (const auto& p : s) out.D(p.first).D(p.second);
      }
      Header("<FIBROUS_ELEMENT_NODES>");
      ElementNodes(f.elements);
      Header("<FIBROUS_ELEMENT_PROPERTIES>");
      Records(f.properties);
    }
  }

  void ContactCases() {
    for (size_t c = 0; c < m.contactCases.size(); c++) {
      const ContactCase& cc = m.contactCases[c];
      Header("<CONTACT_CASE_PARAMETERS>");
      out.I(cc.number != 0 ? cc.number : static_cast<int32_t>(c + 1)).S(cc.title).I(cc.group);
      Header("<POINT_TO_POINT_CONTACTS>");
      Records(cc.pointToPoint);
      Header("<POINT_TO_ELEMENT_CONTACTS>");
      Records(cc.pointToElement);
    }
  }

  void Discontinuities() {
    Records(m.discontinuities);
    if (m.discontinuities.empty()) return;
    for (const auto* lists : {&m.discLists1, &m.discLists2})
      for (size_t e = 0; e < m.elements.size(); e++)
        out.IList(e < lists->size() ? (*lists)[e] : std::vector<int32_t>{});
  }

  void Mesh() {
    CheckKeys(m.blocks, kMeshBlockOrder, true);
    out.S("<MESH>");
    for (const std::string& tag : kMeshBlockOrder) {
      if (!IsSpecialMeshBlock(tag)) {
        RecordBlock(m.blocks, tag);
        continue;
      }
      Header(tag);
      if (tag == "<MAIN_PARAMETERS>") Main();
      if (tag == "<DYNAMIC_ANALYSIS_PARAMETERS>") Dynamic();
      if (tag == "<ELEMENT_NODES>") ElementNodes(m.elements);
      if (tag == "<FIBROUS_MESHES>") FibrousMeshes();
      if (tag == "<CONTACT>") ContactCases();
      if (tag == "<LINE_EMBEDDED_STRONG_DISCONTINUITY>") Discontinuities();
      if (tag == "<ARC_LENGTH_PARAMETERS>") ArcLength();
      if (tag == "<PARTICIPATING_MASS_RATIOS>")
        for (int8_t b : m.participatingMassRatios) out.C(b);
    }
  }

  void LoadCases() {
    for (size_t i = 0; i < m.loadCases.size(); i++) {
      const LoadCase& lc = m.loadCases[i];
      CheckKeys(lc.blocks, kLoadCaseListBlocks, false);
      out.S("<LOAD_CASE>");
      Header("<LOAD_CASE_PARAMETERS>");
      out.I(lc.number != 0 ? lc.number : static_cast<int32_t>(i + 1)).S(lc.title).I(lc.group);
      out.I(lc.integrationType).I(lc.integrationName);
      Header("<GRAVITY_LOAD>");
      out.D(lc.gravity[0]).D(lc.gravity[1]).D(lc.gravity[2]);
      for (const std::string& tag : kLoadCaseListBlocks) RecordBlock(lc.blocks, tag);
    }
  }

  void Combinations() {
    out.S("<COMBINATION>");
    for (size_t i = 0; i < m.combinations.size(); i++) {
      const Combination& c = m.combinations[i];
      Header("<COMBINATION_PARAMETERS>");
      out.I(c.number != 0 ? c.number : static_cast<int32_t>(i + 1)).S(c.title).I(c.group).I(c.phase);
      out.D(c.duration);
      Header("<LOAD_CASE_FACTORS>");
      out.Count(static_cast<int32_t>(c.factors.size()));
      for (const auto& f : c.factors) out.I(f.first).D(f.second);
      Header("<CONTACT_CASES>");
      out.IList(c.contactCases);
    }
  }
};

}  // namespace

std::vector<uint8_t> EncodeDataFile(const Model& m, std::vector<size_t>* countOffsets) {
  Encoder enc{m, Rec{}};
  enc.out.S("<VOLDE_DATA_FILE_V4.0>");
  enc.Mesh();
  enc.LoadCases();
  enc.Combinations();
  enc.out.S("</VOLDE_DATA_FILE_V4.0>");
  if (countOffsets != nullptr) *countOffsets = enc.out.lengthOffsets;
  return enc.out.bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (fp == nullptr) throw std::runtime_error("cannot write " + path);
  size_t n = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), fp);
  bool ok = n == bytes.size();
  ok = (std::fclose(fp) == 0) && ok;
  if (!ok) throw std::runtime_error("cannot write " + path);
}

std::string WriteDataFile(const std::string& job, const Model& m) {
  std::string path = job + "_gl.bin";
  WriteBytes(path, EncodeDataFile(m));
  return path;
}

// ---- common records ---------------------------------------------------------------------------
void AddRecord(Model& m, const std::string& tag, const Rec& r) { m.blocks[tag].push_back(r); }

int AddPoint(Model& m, double x1, double x2, double x3) {
  AddRecord(m, "<POINT_COORDINATES>", Rec().D(x1).D(x2).D(x3));
  return static_cast<int>(m.blocks["<POINT_COORDINATES>"].size());
}

int AddElement(Model& m, const std::vector<int32_t>& nodes) {
  m.elements.push_back(nodes);
  return static_cast<int>(m.elements.size());
}

Rec LinIsoMaterial(const std::string& name, double density, double alpha, double young, double poisson) {
  return Rec().S(name).D(density).D(alpha).D(young).D(poisson);
}

Rec CrossSectionArea(const std::string& name, double area) { return Rec().S(name).D(area); }

Rec LaminateThickness(const std::string& name, double thickness) { return Rec().S(name).D(thickness); }

Rec Frame2DSection(const std::string& name, const std::array<double, 4>& v) {
  return Rec().S(name).Ds({v.begin(), v.end()});
}

Rec Frame3DSection(const std::string& name, const std::array<double, 11>& v) {
  return Rec().S(name).Ds({v.begin(), v.end()});
}

Rec NumericalIntegration(const std::string& name, const std::array<int32_t, 21>& v) {
  return Rec().S(name).Is({v.begin(), v.end()});
}

Rec ElementProperty(int32_t first, int32_t last, int32_t type, int32_t matKind, int32_t matNumber,
                    int32_t geomKind, int32_t geomNumber, int32_t integType, int32_t integNumber,
                    int32_t firstPhase, int32_t lastPhase) {
  return Rec().I(0).I(firstPhase).I(lastPhase).I(first).I(last).I(type).I(matKind).I(matNumber).I(geomKind)
      .I(geomNumber).I(integType).I(integNumber);
}

Rec Support(int32_t point, const std::string& fixity, int32_t firstPhase, int32_t lastPhase) {
  Rec r;
  r.I(0).I(firstPhase).I(lastPhase).I(point).I(0);
  for (int d = 0; d < 6; d++) r.C(d < static_cast<int>(fixity.size()) && fixity[d] == '1' ? 1 : 0);
  return r;
}

Rec PointLink(int32_t master, int32_t slave, const std::string& linked) {
  Rec r;
  r.I(0).I(0).I(0).I(master).I(slave).I(0);
  for (int d = 0; d < 6; d++) r.C(d < static_cast<int>(linked.size()) && linked[d] == '1' ? 1 : 0);
  return r;
}

Rec PointLoad(int32_t point, const std::array<double, 6>& load) {
  return Rec().I(point).Ds({load.begin(), load.end()});
}

Rec PrescribedDisplacement(int32_t point, int32_t dof, double value) { return Rec().I(point).I(dof).D(value); }

Rec AuxiliaryVector(const std::string& name, double x1, double x2, double x3) {
  return Rec().S(name).D(x1).D(x2).D(x3);
}

Rec PointSpring(int32_t point, char dirKind, int32_t direction, int32_t dofType, int32_t springKind,
                int32_t springMaterial, int32_t orientation) {
  return Rec().I(0).I(0).I(0).I(point).C(dirKind).I(direction).C(orientation).C(dofType).I(springKind)
      .I(springMaterial);
}

Rec Material(const std::string& name, const std::string& types, const std::vector<double>& values) {
  if (types.size() != values.size()) throw std::invalid_argument("test writer: material " + name);
  Rec r;
  r.S(name);
  for (size_t k = 0; k < types.size(); k++) {
    if (types[k] == 'd') r.D(values[k]);
    else if (types[k] == 'i') r.I(static_cast<int32_t>(values[k]));
    else if (types[k] == 'c') r.C(static_cast<int>(values[k]));
    else throw std::invalid_argument("test writer: material type " + types);
  }
  return r;
}

Rec MaterialOfKind(int kind, bool spring, const std::string& name, const std::vector<double>& values,
                  const std::string& name2) {
  const MaterialFormat& row = spring ? kSpringMaterialFormats[kind - 1] : kMaterialFormats[kind - 1];
  if (row.layout == nullptr || std::strcmp(row.layout, "NLMM174") == 0 || std::strcmp(row.layout, "FRC") == 0)
    throw std::invalid_argument(std::string("test writer: no layout to write ") + row.tag);
  Rec r;
  r.S(name);
  size_t at = 0;
  double last = 0.0;  // the last scalar: the count of a list after it
  auto next = [&]() {
    if (at >= values.size()) throw std::invalid_argument("test writer: too few values for " + name);
    return values[at++];
  };
  std::istringstream items(row.layout);
  for (std::string item; items >> item;) {
    if (item == "S") {
      r.S(name2);
    } else if (item == "Ld" || item == "T2" || item == "P") {
      const int per = item == "Ld" ? 1 : 2;
      for (int k = 0; k < per * static_cast<int>(last); k++) r.D(next());
    } else {
      const int n = std::stoi(item);
      for (int k = 0; k < n; k++) {
        last = next();
        if (item.back() == 'd') r.D(last);
        else if (item.back() == 'i') r.I(static_cast<int32_t>(last));
        else r.C(static_cast<int>(last));
      }
    }
  }
  if (at != values.size()) throw std::invalid_argument("test writer: too many values for " + name);
  return r;
}

Rec InternalPointLoad(int32_t element, int32_t auxPoint, const std::array<double, 6>& load) {
  return Rec().I(element).I(auxPoint).Ds({load.begin(), load.end()});
}

Rec EdgeLoad(int32_t element, int32_t face, int32_t edge, char dirKind, int32_t dirCode, int32_t forceKind,
             const std::vector<double>& values) {
  return Rec().I(element).I(face).I(edge).C(dirKind).I(dirCode).C(forceKind).DList(values);
}

Rec FaceLoad(int32_t element, int32_t face, char dirKind, int32_t dirCode, int32_t forceKind,
             const std::vector<double>& values) {
  return Rec().I(element).I(face).C(dirKind).I(dirCode).C(forceKind).DList(values);
}

Rec InternalSurfLoad(int32_t element, int32_t auxElement, char dirKind, int32_t dirCode, int32_t forceKind,
                     const std::vector<double>& values) {
  return FaceLoad(element, auxElement, dirKind, dirCode, forceKind, values);
}

Rec TemperatureVariation(int32_t element, const std::vector<double>& values) {
  return Rec().I(element).DList(values);
}

Rec DiffTemperatureVariation(int32_t element, int32_t direction, const std::vector<double>& values) {
  return Rec().I(element).I(direction).DList(values);
}

}  // namespace testmodel
