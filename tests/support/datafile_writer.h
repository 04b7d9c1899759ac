// Test-side writer of <job>_gl.bin. It encodes a small model description byte by byte
// (little-endian int32 and double, one-byte flags, binary strings: int32 n, n
// characters, NUL), independently of the program's readers, so that the two check each
// other. Every mesh block, load case and combination is written in file order; blocks
// the model leaves empty get their header word, tag and a count of 0.
//
// Records are built field by field with Rec (Rec().S("steel").D(7.85e-9).I(3)...);
// the helpers below build the common ones. With autoCounts (the default) the counts
// that "<MAIN_PARAMETERS>" gives for other parts of the file (fibrous meshes, contact
// cases, load cases, combinations) and the running numbers of load cases, combinations,
// contact cases and fibrous meshes left at 0 are filled in from the model.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testmodel {

// Where a field of a record lies and what it is: 'i' int32, 'd' double, 'c' byte, 'L'
// the count of a list of doubles (DList).
struct RecField {
  size_t offset;
  char kind;
};

// One record (or any run of fields) encoded as the file holds it. lengthOffsets lists
// the byte offsets of the counts and string lengths it holds; fields every int32,
// double and byte value and every double-list count (not the string lengths).
struct Rec {
  std::vector<uint8_t> bytes;
  std::vector<size_t> lengthOffsets;
  std::vector<RecField> fields;
  Rec& I(int32_t v);                        // int32
  Rec& D(double v);                         // double
  Rec& C(int v);                            // one byte (flag, character, small code)
  Rec& S(const std::string& s);             // binary string
  Rec& Is(const std::vector<int32_t>& v);   // int32 values, no count
  Rec& Ds(const std::vector<double>& v);    // doubles, no count
  Rec& Count(int32_t n);                    // an int32 count (recorded as a length)
  Rec& IList(const std::vector<int32_t>& v);  // count, then the values
  Rec& DList(const std::vector<double>& v);   // count, then the values
  Rec& Add(const Rec& other);
};

struct MainParams {
  std::string title = "test model";
  int32_t analysisType = 1;
  int8_t materNonlinear = 0, geomNonlinear = 0;
  int32_t kinematicDescription = 1;
  int32_t nPhases = 1;
  int32_t nFibrousMeshes = 0, nContactCases = 0, nLoadCases = 0, nCombinations = 0;
  int8_t spare1 = 0, spare2 = 0;
  int32_t maxArcLengthCombinations = 0;
  int32_t storageTechnique = 1, linEqAlgorithm = 1;
  double precondResidualDecay = 1e-10;
  int32_t thermalSteppingMethod = 2;
  double thermalTheta = 1.0;
  int32_t iterativeAlgorithm = 1, convergenceCriterion = 1;
  double tolerance = 1e-4;
  int32_t maxIterations = 30, nCombBeforeRestart = 0;
  int8_t addUnbalancedForces = 0, spare3 = 0, arcLength = 0, spare4 = 0;
  int32_t pathBehavior = 1;
  int8_t stiffMatEigenValues = 0;
  int32_t maxStiffMatEigenValues = 0, eigenValueTechnique = 1, eigenValueCombination = 0,
          eigenValueIteration = 0;
};

struct DynamicParams {
  int32_t timeSteppingMethod = 2;
  double gamma = 0.5, beta = 0.25, alpha = 0.0;
  int32_t vibrationModeType = 1, modalSuperpositionProcedure = 1;
  double defaultModalDampingRatio = 0.05, rayleighA0 = 0.0, rayleighA1 = 0.0;
};

struct ArcLengthParams {
  int8_t constantRadius = 0;
  double radiusFactor = 1.0, loadFactor = 1.0, forceDisplScaling = 1.0, momentRotScaling = 1.0;
  int8_t displActive = 0;
  int32_t displPoint = 0, displDof = 0;
  double displIncrement = 0.0;
  int8_t relActive = 0;
  int32_t relPointA = 0, relPointB = 0;
  double relIncrement = 0.0;
};

struct FibrousMesh {
  int32_t number = 0;  // 0: its position
  std::string name = "fibrous mesh";
  std::array<double, 3> angles{0.0, 0.0, 0.0};
  std::vector<std::vector<std::pair<double, double>>> sections;  // one per mother node
  std::vector<std::vector<int32_t>> elements;                     // fibrous element nodes
  std::vector<Rec> properties;                                    // 8 int32 each
};

struct ContactCase {
  int32_t number = 0;  // 0: its position
  std::string title = "contact case";
  int32_t group = 0;
  std::vector<Rec> pointToPoint;    // i, i, i, d
  std::vector<Rec> pointToElement;  // i, i, i, i, d
};

struct LoadCase {
  int32_t number = 0;  // 0: its position
  std::string title = "load case";
  int32_t group = 0, integrationType = 1, integrationName = 0;
  std::array<double, 3> gravity{0.0, 0.0, 0.0};
  std::map<std::string, std::vector<Rec>> blocks;  // list blocks 3..17 by tag
};

struct Combination {
  int32_t number = 0;  // 0: its position
  std::string title = "combination";
  int32_t group = 0, phase = 1;
  double duration = 1.0;
  std::vector<std::pair<int32_t, double>> factors;
  std::vector<int32_t> contactCases;
};

struct Model {
  MainParams main;
  DynamicParams dynamic;
  ArcLengthParams arcLength;
  std::map<std::string, std::vector<Rec>> blocks;  // mesh record blocks by tag
  std::vector<std::vector<int32_t>> elements;      // "<ELEMENT_NODES>"
  std::vector<FibrousMesh> fibrousMeshes;
  std::vector<ContactCase> contactCases;
  std::vector<Rec> discontinuities;                // 4 int32 + 4 bytes each
  std::vector<std::vector<int32_t>> discLists1;    // per element, written with records
  std::vector<std::vector<int32_t>> discLists2;
  std::array<int8_t, 3> participatingMassRatios{0, 0, 0};
  std::vector<LoadCase> loadCases;
  std::vector<Combination> combinations;
  int32_t headerWord = 0;
  bool autoCounts = true;
};

// Tags of the 90 mesh blocks in file order (index 0 = block 1; the material blocks' from
// the program's format rows), and of the 15 list blocks of a load case.
extern const std::vector<std::string> kMeshBlockOrder;
extern const std::vector<std::string> kLoadCaseListBlocks;

// The bytes of the whole data file. countOffsets (optional) receives the offsets of
// every count and string length in it.
std::vector<uint8_t> EncodeDataFile(const Model& m, std::vector<size_t>* countOffsets = nullptr);
// Writes <job>_gl.bin; returns the file name.
std::string WriteDataFile(const std::string& job, const Model& m);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// ---- common records -------------------------------------------------------------------
int AddPoint(Model& m, double x1, double x2, double x3);   // returns its number
int AddElement(Model& m, const std::vector<int32_t>& nodes);  // returns its number
void AddRecord(Model& m, const std::string& tag, const Rec& r);

Rec LinIsoMaterial(const std::string& name, double density, double alpha, double young, double poisson);
Rec CrossSectionArea(const std::string& name, double area);
Rec LaminateThickness(const std::string& name, double thickness);
Rec Frame2DSection(const std::string& name, const std::array<double, 4>& v);
Rec Frame3DSection(const std::string& name, const std::array<double, 11>& v);
Rec NumericalIntegration(const std::string& name, const std::array<int32_t, 21>& v);
// "<ELEMENT_PROPERTIES>": lead 0, phases 1..1 unless given.
Rec ElementProperty(int32_t first, int32_t last, int32_t type, int32_t matKind, int32_t matNumber,
                    int32_t geomKind, int32_t geomNumber, int32_t integType = 1, int32_t integNumber = 0,
                    int32_t firstPhase = 1, int32_t lastPhase = 1);
// "<SUPPORTS>": fixity as six characters '0'/'1' for dofs 1..6.
Rec Support(int32_t point, const std::string& fixity, int32_t firstPhase = 1, int32_t lastPhase = 1);
Rec PointLink(int32_t master, int32_t slave, const std::string& linked);
Rec AuxiliaryVector(const std::string& name, double x1, double x2, double x3);
// "<POINT_SPRINGS>": direction kind 'G'
// (axis 1..3) or 'S' (auxiliary vector), dof type 1 translational / 2 rotational.
Rec PointSpring(int32_t point, char dirKind, int32_t direction, int32_t dofType, int32_t springKind,
                int32_t springMaterial, int32_t orientation = 1);
// A material record: the name, then the scalars in file order (types 'd', 'i', 'c' per
// value, e.g. "dddd" for "<LINEAR_ISOTROPIC_MATERIALS>").
Rec Material(const std::string& name, const std::string& types, const std::vector<double>& values);
// A record of material kind `kind` (a spring-material kind with spring) in its format
// row's layout: `values` in file order, scalars and list items alike (a list's count is
// the scalar before it); name2 is the second string where the layout has one. The kinds
// with readers of their own are written field by field.
Rec MaterialOfKind(int kind, bool spring, const std::string& name, const std::vector<double>& values,
                   const std::string& name2 = "");

// Load-case records.
Rec PointLoad(int32_t point, const std::array<double, 6>& load);
Rec PrescribedDisplacement(int32_t point, int32_t dof, double value);
Rec InternalPointLoad(int32_t element, int32_t auxPoint, const std::array<double, 6>& load);
Rec EdgeLoad(int32_t element, int32_t face, int32_t edge, char dirKind, int32_t dirCode, int32_t forceKind,
             const std::vector<double>& values);
Rec FaceLoad(int32_t element, int32_t face, char dirKind, int32_t dirCode, int32_t forceKind,
             const std::vector<double>& values);
// "<INTERNAL_EDGE_LOADS>" and "<INTERNAL_FACE_LOADS>": host element, auxiliary element.
Rec InternalSurfLoad(int32_t element, int32_t auxElement, char dirKind, int32_t dirCode, int32_t forceKind,
                     const std::vector<double>& values);
Rec TemperatureVariation(int32_t element, const std::vector<double>& values);
Rec DiffTemperatureVariation(int32_t element, int32_t direction, const std::vector<double>& values);

}  // namespace testmodel
