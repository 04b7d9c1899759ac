// ReadMesh: the "<MESH>" section of the data file, block by block in file order.
#include <cstring>
#include <iterator>

#include "model/material_formats.h"
#include "model/mesh.h"
#include "model/records.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

// Tags of the blocks that hold neither material nor spring-material records nor
// patterns, in file order; the others take theirs from their format rows.
constexpr const char* kOtherBlockTags[] = {
    "<MAIN_PARAMETERS>", "<DYNAMIC_ANALYSIS_PARAMETERS>", "<GROUP_NAMES>", "<POINT_COORDINATES>",
    "<AUXILIARY_VECTORS>", "<COORDINATE_SYSTEMS>", "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", "<SUPPORTS>",
    "<BOUNDARY_WITH_FIXED_TEMPERATURES>", "<INTERNAL_POINT_LINKS>", "<INTERNAL_POINT_SPRING_LINKS>",
    "<RAYLEIGH_DAMPING_FACTORS>", "<CROSS_SECTION_AREAS>", "<FRAME_2D_CROSS_SECTIONS>",
    "<FRAME_3D_CROSS_SECTIONS>", "<LAMINATE_THICKNESSES>", "<GEOMETRY_PATTERNS>", "<LAYER_PROPERTIES>",
    "<NUMERICAL_INTEGRATION>", "<ELEMENT_NODES>", "<ELEMENT_PROPERTIES>", "<POINT_SPRINGS>", "<LINE_SPRINGS>",
    "<SURFACE_SPRINGS>", "<SURFACE_CONVECTION_HEAT_TRANSFER>", "<SURFACE_RADIATION_HEAT_TRANSFER>", "<CONTACT>",
    "<LINE_EMBEDDED_STRONG_DISCONTINUITY>", "<ARC_LENGTH_PARAMETERS>", "<DYNAMIC_INITIAL_CONDITIONS>",
    "<FREQUENCY_RANGES>", "<RITZ_GENERATING_LOAD_CASES>", "<PARTICIPATING_MASS_RATIOS>",
    "<STATIC_PARTICIPATION_RATIOS>", "<DYNAMIC_PARTICIPATION_RATIOS>", "<MODAL_DAMPING_RATIOS>",
    "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>"};

struct BlockTagList {
  const char* v[kMeshBlocks + 1];
};

constexpr BlockTagList BuildBlockTags() {
  BlockTagList t{};
  t.v[0] = "";
  for (const MaterialFormat& f : kMaterialFormats) t.v[f.block] = f.tag;
  for (const MaterialFormat& f : kSpringMaterialFormats) t.v[f.block] = f.tag;
  size_t k = 0;
  for (int b = 1; b <= kMeshBlocks; b++)
    if (t.v[b] == nullptr) t.v[b] = kOtherBlockTags[k++];
  if (k != std::size(kOtherBlockTags)) throw "block tags left over";
  return t;
}

constexpr BlockTagList kBlockTags = BuildBlockTags();

}  // namespace

const char* const (&kMeshBlockTags)[kMeshBlocks + 1] = kBlockTags.v;

namespace {

// The record count of a block, then its records: readOne(record, counter).
template <typename T, typename F>
void ReadRecordBlock(FILE* fp, int64_t minBytes, int32_t* n, T** recs, F readOne) {
  *n = ReadCount(fp, minBytes);
  AllocRecords(recs, *n);
  for (int r = 1; r <= *n; r++) readOne((*recs)[r]);
}

// A list count m of items of at least bytesPerItem bytes each.
int32_t ReadListCount(FILE* fp, int64_t bytesPerItem) { return ReadCount(fp, bytesPerItem); }

int32_t ReadSignedByte(FILE* fp) { return static_cast<signed char>(ReadByte(fp)); }

void ReadIntList(FILE* fp, int32_t* count, int32_t** list) {
  *count = ReadListCount(fp, 4);
  alloci1(list, *count);
  ReadInt32s(fp, *list, *count);
}

void ReadDoubleList(FILE* fp, int32_t* count, double** list) {
  *count = ReadListCount(fp, 8);
  allocd1(list, *count);
  ReadDoubles(fp, *list, *count);
}

// No element type has more nodes (the 20-node hexahedron).
constexpr int kMaxElementNodes = 20;

// "<ELEMENT_NODES>" layout: count, then per element k and k point numbers. A node count
// that no element type takes stops the read before the list is held.
void ReadElementNodes(FILE* fp, const char* tag, int32_t* n, int32_t** counts, int32_t*** lists) {
  *n = ReadCount(fp, 4);
  alloci1(counts, *n);
  allocpi1(lists, *n);
  for (int e = 1; e <= *n; e++) (*lists)[e] = nullptr;
  for (int e = 1; e <= *n; e++) {
    const int32_t k = ReadListCount(fp, 4);
    if (k > kMaxElementNodes)
      DataFault(nullptr, tag, e, "Element n. %d has %d nodes: an element has at most %d nodes.", e, k,
                kMaxElementNodes);
    (*counts)[e] = k;
    alloci1(&(*lists)[e], k);
    ReadInt32s(fp, (*lists)[e], k);
  }
}

void ReadGroupNames(FILE* fp, MeshData* m) {
  m->nGroupNames = ReadCount(fp, 5);
  allocc2(&m->GroupNames, m->nGroupNames, kBinStringMax);
  for (int i = 1; i <= m->nGroupNames; i++) ReadString(m->GroupNames[i], kBinStringMax, fp);
}

void ReadPointCoordinates(FILE* fp, MeshData* m) {
  m->nPoints = ReadCount(fp, 24);
  allocd2(&m->PointCoord, m->nPoints, 3);
  if (m->nPoints > 0) ReadDoubles(fp, m->PointCoord[1], 3 * m->nPoints);
}

void ReadSupportRecord(FILE* fp, Support& r) {
  r.Lead = ReadInt32(fp);
  r.FirstPhase = ReadInt32(fp);
  r.LastPhase = ReadInt32(fp);
  r.Point = ReadInt32(fp);
  r.Trail = ReadInt32(fp);
  for (int d = 1; d <= 6; d++) r.Fixity[d] = ReadByte(fp);
}

void ReadFibrousMeshes(FILE* fp, MeshData* m) {
  int n = m->Main.nFibrousMeshes;
  CheckCount(fp, n, 64);
  AllocRecords(&m->FibrousMeshes, n);
  for (int j = 1; j <= n; j++) {
    FibrousMesh& f = m->FibrousMeshes[j];
    ReadTag("<FIBROUS_MESH_DESCRIPTION>", fp, kDataFileSuffix);
    ReadBlockHeader(fp, "<FIBROUS_MESH_PARAMETERS>", kDataFileSuffix);
    if (ReadInt32(fp) != j) InvalidBinaryFile(kDataFileSuffix);
    ReadString(f.Name, kBinStringMax, fp);
    f.nMotherNodes = ReadCount(fp, 4);
    ReadDoubles(fp, f.Angles, 3);
    ReadBlockHeader(fp, "<CROSS_SECTION_POINT_COORDINATES>", kDataFileSuffix);
    AllocRecords(&f.Sections, f.nMotherNodes);
    for (int s = 1; s <= f.nMotherNodes; s++) {
      CrossSection& cs = f.Sections[s];
      cs.nPoints = ReadListCount(fp, 16);
      allocd2(&cs.Coord, cs.nPoints, 2);
      if (cs.nPoints > 0) ReadDoubles(fp, cs.Coord[1], 2 * cs.nPoints);
    }
    ReadBlockHeader(fp, "<FIBROUS_ELEMENT_NODES>", kDataFileSuffix);
    ReadElementNodes(fp, "<FIBROUS_ELEMENT_NODES>", &f.nElements, &f.ElemNodeCount, &f.ElemNodes);
    ReadBlockHeader(fp, "<FIBROUS_ELEMENT_PROPERTIES>", kDataFileSuffix);
    ReadRecordBlock(fp, 32, &f.nProperties, &f.Properties,
                    [fp](FibrousElementProperty& r) { ReadInt32s(fp, r.v, 8); });
  }
}

void ReadContactCases(FILE* fp, MeshData* m) {
  int n = m->Main.nContactCases;
  CheckCount(fp, n, 64);
  AllocRecords(&m->ContactCases, n);
  for (int c = 1; c <= n; c++) {
    ContactCase& cc = m->ContactCases[c];
    ReadBlockHeader(fp, "<CONTACT_CASE_PARAMETERS>", kDataFileSuffix);
    if (ReadInt32(fp) != c) InvalidBinaryFile(kDataFileSuffix);
    ReadString(cc.Title, kBinStringMax, fp);
    cc.Group = ReadInt32(fp);
    ReadBlockHeader(fp, "<POINT_TO_POINT_CONTACTS>", kDataFileSuffix);
    ReadRecordBlock(fp, 20, &cc.nPointToPoint, &cc.PointToPoint, [fp](PointToPointContact& r) {
      r.PointM = ReadInt32(fp);
      r.PointS = ReadInt32(fp);
      r.Dof = ReadInt32(fp);
      r.Gap = ReadDouble(fp);
    });
    ReadBlockHeader(fp, "<POINT_TO_ELEMENT_CONTACTS>", kDataFileSuffix);
    ReadRecordBlock(fp, 24, &cc.nPointToElement, &cc.PointToElement, [fp](PointToElementContact& r) {
      r.PointS = ReadInt32(fp);
      r.Element = ReadInt32(fp);
      r.Location = ReadInt32(fp);
      r.Dof = ReadInt32(fp);
      r.Gap = ReadDouble(fp);
    });
  }
}

void ReadDiscontinuities(FILE* fp, MeshData* m) {
  ReadRecordBlock(fp, 20, &m->nDiscontinuities, &m->Discontinuities, [fp](Discontinuity& r) {
    for (int k = 1; k <= 4; k++) r.v[k] = ReadInt32(fp);
    for (int k = 5; k <= 8; k++) r.v[k] = ReadSignedByte(fp);
  });
  int ne = m->nElements;
  alloci1(&m->DiscLen1, ne);
  allocpi1(&m->DiscList1, ne);
  alloci1(&m->DiscLen2, ne);
  allocpi1(&m->DiscList2, ne);
  for (int e = 1; e <= ne; e++) {
    m->DiscLen1[e] = 0;
    m->DiscList1[e] = nullptr;
    m->DiscLen2[e] = 0;
    m->DiscList2[e] = nullptr;
  }
  if (m->nDiscontinuities == 0) return;
  for (int e = 1; e <= ne; e++) ReadIntList(fp, &m->DiscLen1[e], &m->DiscList1[e]);
  for (int e = 1; e <= ne; e++) ReadIntList(fp, &m->DiscLen2[e], &m->DiscList2[e]);
}


// The fields that convection and radiation records share: three int32, element, face,
// integration type and pattern bytes, the value list.
template <class R>
void ReadFaceHeatTransfer(FILE* fp, R& r) {
  r.Int1 = ReadInt32(fp);
  r.Int2 = ReadInt32(fp);
  r.Int3 = ReadInt32(fp);
  r.Element = ReadInt32(fp);
  r.Face = ReadInt32(fp);
  r.IntegrationType = static_cast<char>(ReadByte(fp));
  r.IntegrationNumber = static_cast<unsigned char>(ReadByte(fp));
  ReadDoubleList(fp, &r.ValueCount, &r.Values);
}

// The counts of "<MAIN_PARAMETERS>" for later parts of the file: none negative, none
// larger than the bytes left could hold (each of those parts takes a few bytes at least).
void CheckMainCounts(FILE* fp, const MainParameters& p) {
  const struct {
    const char* name;
    int32_t value;
    int64_t minBytes;
  } counts[] = {{"NUMBER_OF_PHASES", p.nPhases, 0},           {"NUMBER_OF_FIBROUS_MESHES", p.nFibrousMeshes, 8},
                {"NUMBER_OF_CONTACT_CASES", p.nContactCases, 8}, {"NUMBER_OF_LOAD_CASES", p.nLoadCases, 16},
                {"NUMBER_OF_COMBINATIONS", p.nCombinations, 12}};
  const int64_t left = BytesLeft(fp);
  for (const auto& c : counts) {
    if (c.value < 0)
      DataFault(nullptr, "<MAIN_PARAMETERS>", 0, "Invalid %s: %d (it cannot be negative).", c.name, c.value);
    if (c.minBytes > 0 && c.value > left / c.minBytes)
      DataFault(nullptr, "<MAIN_PARAMETERS>", 0, "Invalid %s: %d (the data file is too short to hold them).", c.name,
                c.value);
  }
}

// The run: main and dynamic parameters, arc length, group names, contact cases and
// discontinuities.
// False for a block of another group.
bool ReadRunBlock(FILE* fp, int block, MeshData* m) {
  switch (block) {
    case MB_MAIN_PARAMETERS:
      ReadMainParameters(fp, &m->Main);
      CheckMainCounts(fp, m->Main);
      return true;
    case MB_DYNAMIC_ANALYSIS_PARAMETERS:
      ReadDynamicAnalysisParameters(fp, &m->Dynamic);
      return true;
    case MB_GROUP_NAMES:
      ReadGroupNames(fp, m);
      return true;
    case MB_CONTACT:
      ReadContactCases(fp, m);
      return true;
    case MB_LINE_EMBEDDED_STRONG_DISCONTINUITY:
      ReadDiscontinuities(fp, m);
      return true;
    case MB_ARC_LENGTH_PARAMETERS:
      ReadArcLengthParameters(fp, &m->ArcLength);
      return true;
    default: return false;
  }
}

// Points and what holds them: coordinates, axes, supports, fixed temperatures and
// links.
// False for a block of another group.
bool ReadPointBlock(FILE* fp, int block, MeshData* m) {
  switch (block) {
    case MB_POINT_COORDINATES:
      ReadPointCoordinates(fp, m);
      return true;
    case MB_AUXILIARY_VECTORS:
      ReadRecordBlock(fp, 5 + 24, &m->nAuxVectors, &m->AuxVectors, [fp](AuxiliaryVector& r) {
        ReadString(r.Name, kBinStringMax, fp);
        ReadDoubles(fp, r.v, 3);
      });
      return true;
    case MB_COORDINATE_SYSTEMS:
      ReadRecordBlock(fp, 5 + 12, &m->nCoordSystems, &m->CoordSystems, [fp](CoordinateSystem& r) {
        ReadString(r.Name, kBinStringMax, fp);
        ReadInt32s(fp, r.AuxVector, 3);
      });
      return true;
    case MB_POINTS_WITH_SPECIAL_COORDINATE_SYSTEM:
      ReadRecordBlock(fp, 20, &m->nSpecialCsPoints, &m->SpecialCsPoints, [fp](SpecialCsPoint& r) {
        ReadInt32s(fp, r.Unused, 3);
        r.Point = ReadInt32(fp);
        r.CoordSystem = ReadInt32(fp);
      });
      return true;
    case MB_SUPPORTS:
      ReadRecordBlock(fp, 26, &m->nSupports, &m->Supports, [fp](Support& r) { ReadSupportRecord(fp, r); });
      return true;
    case MB_BOUNDARY_WITH_FIXED_TEMPERATURES:
      ReadRecordBlock(fp, 26, &m->nFixedTemps, &m->FixedTemps, [fp](Support& r) { ReadSupportRecord(fp, r); });
      return true;
    case MB_INTERNAL_POINT_LINKS:
      ReadRecordBlock(fp, 30, &m->nPointLinks, &m->PointLinks, [fp](InternalPointLink& r) {
        r.Int1 = ReadInt32(fp);
        r.Int2 = ReadInt32(fp);
        r.Int3 = ReadInt32(fp);
        r.Master = ReadInt32(fp);
        r.Slave = ReadInt32(fp);
        r.Int6 = ReadInt32(fp);
        for (int d = 1; d <= 6; d++) r.Linked[d] = ReadByte(fp);
      });
      return true;
    case MB_INTERNAL_POINT_SPRING_LINKS:
      ReadRecordBlock(fp, 34, &m->nSpringLinks, &m->SpringLinks, [fp](IntPointSpringLink& r) {
        r.Int1 = ReadInt32(fp);
        r.Int2 = ReadInt32(fp);
        r.Int3 = ReadInt32(fp);
        r.TargetPoint = ReadInt32(fp);
        r.RefPoint = ReadInt32(fp);
        r.DirKind = ReadByte(fp);
        r.Direction = ReadInt32(fp);
        r.DofType = ReadByte(fp);
        r.SpringMaterialKind = ReadInt32(fp);
        r.SpringMaterial = ReadInt32(fp);
      });
      return true;
    default: return false;
  }
}

// Sections, patterns, layers and integration rules the element properties name.
// False for a block of another group.
bool ReadSectionBlock(FILE* fp, int block, MeshData* m) {
  switch (block) {
    case MB_NLMM_PATTERNS:
      ReadRecordBlock(fp, 5 + 4, &m->nNlmmPatterns, &m->NlmmPatterns, [fp](MaterialPattern& r) {
        ReadString(r.Name, kBinStringMax, fp);
        r.nComponents = ReadListCount(fp, 8);
        alloci1(&r.Kind, r.nComponents);
        alloci1(&r.Number, r.nComponents);
        for (int k = 1; k <= r.nComponents; k++) {
          r.Kind[k] = ReadInt32(fp);
          r.Number[k] = ReadInt32(fp);
        }
      });
      return true;
    case MB_RAYLEIGH_DAMPING_FACTORS:
      ReadRecordBlock(fp, 24, &m->nRayleigh, &m->Rayleigh, [fp](RayleighDampingFactors& r) {
        r.Int1 = ReadInt32(fp);
        r.Int2 = ReadInt32(fp);
        r.A0 = ReadDouble(fp);
        r.A1 = ReadDouble(fp);
      });
      return true;
    case MB_CROSS_SECTION_AREAS:
      ReadRecordBlock(fp, 5 + 8, &m->nCsAreas, &m->CsAreas, [fp](CrossSectionArea& r) {
        ReadString(r.Name, kBinStringMax, fp);
        r.Area = ReadDouble(fp);
      });
      return true;
    case MB_FRAME_2D_CROSS_SECTIONS:
      ReadRecordBlock(fp, 5 + 32, &m->nFrame2DSections, &m->Frame2DSections, [fp](Frame2DSection& r) {
        ReadString(r.Name, kBinStringMax, fp);
        ReadDoubles(fp, r.v, 4);
      });
      return true;
    case MB_FRAME_3D_CROSS_SECTIONS:
      ReadRecordBlock(fp, 5 + 88, &m->nFrame3DSections, &m->Frame3DSections, [fp](Frame3DSection& r) {
        ReadString(r.Name, kBinStringMax, fp);
        ReadDoubles(fp, r.v, 11);
      });
      return true;
    case MB_LAMINATE_THICKNESSES:
      ReadRecordBlock(fp, 5 + 8, &m->nLamThicks, &m->LamThicks, [fp](LaminateThickness& r) {
        ReadString(r.Name, kBinStringMax, fp);
        r.Thickness = ReadDouble(fp);
      });
      return true;
    case MB_GEOMETRY_PATTERNS:
      ReadRecordBlock(fp, 5 + 8, &m->nGeomPatterns, &m->GeomPatterns, [fp](GeometryPattern& r) {
        ReadString(r.Name, kBinStringMax, fp);
        r.Kind = ReadInt32(fp);
        ReadIntList(fp, &r.nEntries, &r.Record);
      });
      return true;
    case MB_FIBROUS_PATTERNS:
      ReadRecordBlock(fp, 5 + 4, &m->nFibrousPatterns, &m->FibrousPatterns, [fp](FibrousPattern& r) {
        ReadString(r.Name, kBinStringMax, fp);
        r.nNames = ReadListCount(fp, 5);
        allocc2(&r.Names, r.nNames, kBinStringMax);
        for (int k = 1; k <= r.nNames; k++) ReadString(r.Names[k], kBinStringMax, fp);
      });
      return true;
    case MB_LAYER_PROPERTIES:
      ReadRecordBlock(fp, 5 + 16, &m->nLayerProps, &m->LayerProps, [fp](LayerProperty& r) {
        ReadString(r.Name, kBinStringMax, fp);
        r.MaterialKind = ReadInt32(fp);
        r.MaterialNumber = ReadInt32(fp);
        r.GeometryKind = ReadInt32(fp);
        r.GeometryNumber = ReadInt32(fp);
      });
      return true;
    case MB_LAYER_PATTERNS:
      ReadRecordBlock(fp, 5 + 4, &m->nLayerPatterns, &m->LayerPatterns, [fp](LayerPattern& r) {
        ReadString(r.Name, kBinStringMax, fp);
        ReadIntList(fp, &r.nLayers, &r.Layer);
      });
      return true;
    case MB_NUMERICAL_INTEGRATION:
      ReadRecordBlock(fp, 5 + 84, &m->nIntegrations, &m->Integrations, [fp](NumericalIntegration& r) {
        ReadString(r.Name, kBinStringMax, fp);
        ReadInt32s(fp, r.v, 21);
      });
      return true;
    default: return false;
  }
}

// Elements and what acts on their edges and faces: nodes, fibrous meshes, properties,
// springs and heat transfer.
// False for a block of another group.
bool ReadElementBlock(FILE* fp, int block, MeshData* m) {
  switch (block) {
    case MB_ELEMENT_NODES:
      ReadElementNodes(fp, kMeshBlockTags[MB_ELEMENT_NODES], &m->nElements, &m->ElemNodeCount, &m->ElemNodes);
      return true;
    case MB_FIBROUS_MESHES:
      ReadFibrousMeshes(fp, m);
      return true;
    case MB_ELEMENT_PROPERTIES:
      ReadRecordBlock(fp, 48, &m->nElemProps, &m->ElemProps, [fp](ElementProperty& r) {
        int32_t v[13];
        ReadInt32s(fp, v, 12);
        r.Lead = v[1];
        r.FirstPhase = v[2];
        r.LastPhase = v[3];
        r.FirstElement = v[4];
        r.LastElement = v[5];
        r.ElementType = v[6];
        r.MaterialKind = v[7];
        r.MaterialNumber = v[8];
        r.GeometryKind = v[9];
        r.GeometryNumber = v[10];
        r.IntegrationType = v[11];
        r.IntegrationNumber = v[12];
      });
      return true;
    case MB_POINT_SPRINGS:
      ReadRecordBlock(fp, 31, &m->nPointSprings, &m->PointSprings, [fp](PointSpring& r) {
        r.Int1 = ReadInt32(fp);
        r.Int2 = ReadInt32(fp);
        r.Int3 = ReadInt32(fp);
        r.Point = ReadInt32(fp);
        r.DirKind = ReadByte(fp);
        r.Direction = ReadInt32(fp);
        r.Orientation = ReadByte(fp);
        r.DofType = ReadByte(fp);
        r.SpringMaterialKind = ReadInt32(fp);
        r.SpringMaterial = ReadInt32(fp);
      });
      return true;
    case MB_LINE_SPRINGS:
      ReadRecordBlock(fp, 38, &m->nLineSprings, &m->LineSprings, [fp](LineSpring& r) {
        r.Int1 = ReadInt32(fp);
        r.Int2 = ReadInt32(fp);
        r.Int3 = ReadInt32(fp);
        r.Element = ReadInt32(fp);
        r.Int5 = ReadInt32(fp);
        r.Int6 = ReadInt32(fp);
        r.Char1 = ReadByte(fp);
        r.Int7 = ReadInt32(fp);
        r.Char2 = ReadByte(fp);
        r.Char3 = ReadByte(fp);
        r.Code1 = ReadSignedByte(fp);
        r.Code2 = ReadSignedByte(fp);
        r.SpringMaterialKind = ReadSignedByte(fp);
        ReadIntList(fp, &r.nMaterials, &r.Material);
      });
      return true;
    case MB_SURFACE_SPRINGS:
      ReadRecordBlock(fp, 33, &m->nSurfSprings, &m->SurfSprings, [fp](SurfSpring& r) {
        r.Int1 = ReadInt32(fp);
        r.Int2 = ReadInt32(fp);
        r.Int3 = ReadInt32(fp);
        r.Element = ReadInt32(fp);
        r.Int5 = ReadInt32(fp);
        r.Char1 = ReadByte(fp);
        r.Int6 = ReadInt32(fp);
        r.Char2 = ReadByte(fp);
        r.Code1 = ReadSignedByte(fp);
        r.Code2 = ReadSignedByte(fp);
        r.SpringMaterialKind = ReadSignedByte(fp);
        ReadIntList(fp, &r.nMaterials, &r.Material);
      });
      return true;
    case MB_SURFACE_CONVECTION_HEAT_TRANSFER:
      ReadRecordBlock(fp, 26, &m->nConvections, &m->Convections, [fp](SurfaceConvection& r) {
        ReadFaceHeatTransfer(fp, r);
      });
      return true;
    case MB_SURFACE_RADIATION_HEAT_TRANSFER:
      ReadRecordBlock(fp, 34, &m->nRadiations, &m->Radiations, [fp](SurfaceRadiation& r) {
        ReadFaceHeatTransfer(fp, r);
        r.Sigma = ReadDouble(fp);
      });
      return true;
    default: return false;
  }
}

// Initial conditions and the options of the vibration modes and the modal
// superposition.
// False for a block of another group.
bool ReadModalBlock(FILE* fp, int block, MeshData* m) {
  switch (block) {
    case MB_DYNAMIC_INITIAL_CONDITIONS:
      ReadRecordBlock(fp, 32, &m->nInitialConditions, &m->InitialConditions, [fp](DynamicInitialCondition& r) {
        r.Int1 = ReadInt32(fp);
        r.Int2 = ReadInt32(fp);
        ReadDoubles(fp, r.v, 3);
      });
      return true;
    case MB_FREQUENCY_RANGES:
      ReadRecordBlock(fp, 28, &m->nFrequencyRanges, &m->FrequencyRanges, [fp](FrequencyRange& r) {
        r.D1 = ReadDouble(fp);
        r.Int = ReadInt32(fp);
        r.D2 = ReadDouble(fp);
        r.D3 = ReadDouble(fp);
      });
      return true;
    case MB_RITZ_GENERATING_LOAD_CASES:
      ReadRecordBlock(fp, 8, &m->nRitzLoadCases, &m->RitzLoadCases, [fp](IntPair& r) {
        r.Int1 = ReadInt32(fp);
        r.Int2 = ReadInt32(fp);
      });
      return true;
    case MB_PARTICIPATING_MASS_RATIOS:
      for (int k = 1; k <= 3; k++) m->ParticipatingMassRatios[k] = ReadByte(fp);
      return true;
    case MB_STATIC_PARTICIPATION_RATIOS:
      ReadIntList(fp, &m->nStaticParticipation, &m->StaticParticipation);
      return true;
    case MB_DYNAMIC_PARTICIPATION_RATIOS:
      ReadIntList(fp, &m->nDynamicParticipation, &m->DynamicParticipation);
      return true;
    case MB_MODAL_DAMPING_RATIOS:
      ReadRecordBlock(fp, 12, &m->nModalDampingRatios, &m->ModalDampingRatios, [fp](LoadCaseFactor& r) {
        r.Number = ReadInt32(fp);
        r.Factor = ReadDouble(fp);
      });
      return true;
    case MB_THERMAL_TRANSIENT_INITIAL_CONDITIONS:
      ReadRecordBlock(fp, 12, &m->nThermalInitial, &m->ThermalInitial, [fp](PointValue& r) {
        r.Point = ReadInt32(fp);
        r.Value = ReadDouble(fp);
      });
      return true;
    default: return false;
  }
}

void ReadBlockBody(FILE* fp, int block, MeshData* m) {
  const char* tag = kMeshBlockTags[block];
  for (const MaterialFormat& f : kMaterialFormats)
    if (f.block == block && f.layout != nullptr) {
      ReadMaterialBlock(fp, f.code, tag, &m->nMaterials[f.code], &m->Materials[f.code]);
      return;
    }
  for (const MaterialFormat& f : kSpringMaterialFormats)
    if (f.block == block) {
      ReadSpringMaterialBlock(fp, f.code, tag, &m->nSpringMaterials[f.code], &m->SpringMaterials[f.code]);
      return;
    }
  if (ReadRunBlock(fp, block, m) || ReadPointBlock(fp, block, m) || ReadSectionBlock(fp, block, m) ||
      ReadElementBlock(fp, block, m) || ReadModalBlock(fp, block, m))
    return;
  InternalError(__FILE__, __LINE__);
}

}  // namespace

void ReadMesh(FILE* fp, MeshData* mesh) {
  std::memset(static_cast<void*>(mesh), 0, sizeof(MeshData));
  ReadTag("<MESH>", fp, kDataFileSuffix);
  for (int block = MB_MAIN_PARAMETERS; block <= kMeshBlocks; block++) {
    const int64_t start = TellFile(fp);
    ReadBlockHeader(fp, kMeshBlockTags[block], kDataFileSuffix);
    ReadBlockBody(fp, block, mesh);
    if (!FileRangeCrc32(fp, start, TellFile(fp), &mesh->BlockCrc[block])) InvalidBinaryFile(fp);
  }
  ValidateMesh(mesh);
}
