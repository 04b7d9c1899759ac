// The model record MeshData read from the "<MESH>" section of <job>_gl.bin, the records
// of its blocks, ReadMesh and FreeMesh.
//
// File: the opening tag "<VOLDE_DATA_FILE_V4.0>", the tag "<MESH>" and 90 tagged blocks
// (int32 header word, tag, body) in a fixed order, then the load cases, the
// combinations and the closing tag "</VOLDE_DATA_FILE_V4.0>". A block with records
// starts with its int32 count. Every block is a (count, 1-based array) pair here;
// arrays of records with count 0 are null (see model/records.h), vectors and matrices
// from the numcore allocators always exist. Int32 fields that the file holds in one
// byte ("c->i") are sign-extended.
#pragma once

#include <cstdint>
#include <cstdio>

#include "model/fileio.h"
#include "model/material.h"
#include "model/params.h"

constexpr const char* kDataFileSuffix = "_gl.bin";
constexpr const char* kDataFileOpenTag = "<VOLDE_DATA_FILE_V4.0>";
constexpr const char* kDataFileCloseTag = "</VOLDE_DATA_FILE_V4.0>";

// Mesh blocks in file order, named after their tags (kMeshBlockTags[MB_x] is the tag).
enum MeshBlock {
  MB_MAIN_PARAMETERS = 1,
  MB_DYNAMIC_ANALYSIS_PARAMETERS,
  MB_GROUP_NAMES,
  MB_POINT_COORDINATES,
  MB_AUXILIARY_VECTORS,
  MB_COORDINATE_SYSTEMS,
  MB_POINTS_WITH_SPECIAL_COORDINATE_SYSTEM,
  MB_SUPPORTS,
  MB_BOUNDARY_WITH_FIXED_TEMPERATURES,
  MB_INTERNAL_POINT_LINKS,
  MB_INTERNAL_POINT_SPRING_LINKS,
  MB_LINEAR_ISOTROPIC_MATERIALS,
  MB_LINEAR_ORTHOTROPIC_MATERIALS,
  MB_LINEAR_INTERFACE_POINT_PROPERTIES,
  MB_LINEAR_INTERFACE_LINE_2D_PROPERTIES,
  MB_LINEAR_INTERFACE_LINE_3D_PROPERTIES,
  MB_LINEAR_INTERFACE_SURFACE_PROPERTIES,
  MB_THERMAL_ISOTROPIC_MATERIALS,
  MB_NLMM101,
  MB_NLMM102,
  MB_NLMM104,
  MB_NLMM105,
  MB_NLMM111,
  MB_NLMM121,
  MB_NLMM122,
  MB_NLMM123,
  MB_NLMM124,
  MB_NLMM125,
  MB_NLMM141,
  MB_NLMM142,
  MB_NLMM145,
  MB_NLMM146,
  MB_NLMM151,
  MB_NLMM171,
  MB_NLMM172,
  MB_NLMM173,
  MB_NLMM174,
  MB_NLMM175,
  MB_NLMM201,
  MB_NLMM202,
  MB_NLMM210,
  MB_NLMM211,
  MB_NLMM220,
  MB_NLMM298,
  MB_NLMM299,
  MB_NLMM301,
  MB_NLMM302,
  MB_NLMM303,
  MB_NLMM304,
  MB_NLMM305,
  MB_NLMM306,
  MB_NLMM320,
  MB_NLMM401,
  MB_NLMM451,
  MB_NLMM501,
  MB_FRC_MIXFRACTURE_2D,
  MB_NLMM_PATTERNS,
  MB_RAYLEIGH_DAMPING_FACTORS,
  MB_CROSS_SECTION_AREAS,
  MB_FRAME_2D_CROSS_SECTIONS,
  MB_FRAME_3D_CROSS_SECTIONS,
  MB_LAMINATE_THICKNESSES,
  MB_GEOMETRY_PATTERNS,
  MB_FIBROUS_PATTERNS,
  MB_LAYER_PROPERTIES,
  MB_LAYER_PATTERNS,
  MB_NUMERICAL_INTEGRATION,
  MB_ELEMENT_NODES,
  MB_FIBROUS_MESHES,
  MB_ELEMENT_PROPERTIES,
  MB_LINEAR_SPRING_MATERIALS,
  MB_NLSMM101,
  MB_NLSMM102,
  MB_NLSMM103,
  MB_POINT_SPRINGS,
  MB_LINE_SPRINGS,
  MB_SURFACE_SPRINGS,
  MB_SURFACE_CONVECTION_HEAT_TRANSFER,
  MB_SURFACE_RADIATION_HEAT_TRANSFER,
  MB_CONTACT,
  MB_LINE_EMBEDDED_STRONG_DISCONTINUITY,
  MB_ARC_LENGTH_PARAMETERS,
  MB_DYNAMIC_INITIAL_CONDITIONS,
  MB_FREQUENCY_RANGES,
  MB_RITZ_GENERATING_LOAD_CASES,
  MB_PARTICIPATING_MASS_RATIOS,
  MB_STATIC_PARTICIPATION_RATIOS,
  MB_DYNAMIC_PARTICIPATION_RATIOS,
  MB_MODAL_DAMPING_RATIOS,
  MB_THERMAL_TRANSIENT_INITIAL_CONDITIONS
};

// Number and tags of the mesh blocks in file order (entry k = block k, 1..90).
constexpr int kMeshBlocks = MB_THERMAL_TRANSIENT_INITIAL_CONDITIONS;
extern const char* const (&kMeshBlockTags)[kMeshBlocks + 1];

// Geometry kinds of an ElementProperty (and of layer properties / geometry patterns).
enum GeometryKind { GEOM_PATT = 1, GEOM_CS_AREA, GEOM_CS_2D, GEOM_CS_3D, GEOM_LAM_THICK };
// Integration types (of element properties and load cases).
// Unnamed: the element kernel names its own enum IntegrationType with the same codes.
enum { INTEG_GLEG = 1, INTEG_GLOB, INTEG_NCOTES };

// ---- block records -----------------------------------------------------------------------
// Element type codes, named after their data-file keywords (the rows of the table).
enum ElementTypeCode {
  _TRUSS_2D = 1,
  _TRUSS_3D,
  _FRAME_2D,
  _FRAME_3D,
  _CABLE_2D,
  _CABLE_3D,
  _TIMOSHENKO_BEAM_2D,
  _TIMOSHENKO_BEAM_3D,
  _PLANE_STRESS_TRIANG,
  _PLANE_STRESS_QUAD,
  _PLANE_STRESS_QUAD_THERMAL,
  _PLANE_STRAIN_TRIANG,
  _PLANE_STRAIN_QUAD,
  _AXIS_LINE,
  _AXIS_TRIANG,
  _AXIS_QUAD,
  _MINDLIN_SLAB_TRIANG,
  _MINDLIN_SLAB_QUAD,
  _MINDLIN_SHELL_TRIANG,
  _MINDLIN_SHELL_QUAD,
  _AHMAD_SHELL_TRIANG,
  _AHMAD_SHELL_QUAD,
  _SOLID_TETRA,
  _SOLID_HEXA,
  _SOLID_HEXA_THERMAL,
  _INTERFACE_POINT,
  _INTERFACE_LINE_2D,
  _INTERFACE_LINE_3D,
  _INTERFACE_TRIANG,
  _INTERFACE_QUAD,
  _EMB_CABLE_2D,
  _EMB_CABLE_3D
};

struct AuxiliaryVector {          // 5 "<AUXILIARY_VECTORS>"
  char Name[kBinStringMax];
  double v[4];                    // components v[1..3]
};

struct CoordinateSystem {         // 6 "<COORDINATE_SYSTEMS>"
  char Name[kBinStringMax];
  int32_t AuxVector[4];           // numbers of three auxiliary vectors, [1..3]
};

struct SpecialCsPoint {           // 7 "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>"
  int32_t Unused[4];              // three int32 the solver does not use, [1..3]
  int32_t Point;
  int32_t CoordSystem;
};

struct Support {                  // 8 "<SUPPORTS>", 9 "<BOUNDARY_WITH_FIXED_TEMPERATURES>"
  int32_t Lead;
  int32_t FirstPhase;
  int32_t LastPhase;
  int32_t Point;
  int32_t Trail;
  char Fixity[7];                 // dofs 1..6, 1 = prescribed
};

struct InternalPointLink {        // 10 "<INTERNAL_POINT_LINKS>"
  int32_t Int1, Int2, Int3;
  int32_t Master;
  int32_t Slave;
  int32_t Int6;
  char Linked[7];                 // dofs 1..6, 1 = linked
};

struct IntPointSpringLink {       // 11 "<INTERNAL_POINT_SPRING_LINKS>"
  int32_t Int1, Int2, Int3;
  int32_t TargetPoint;
  int32_t RefPoint;
  char DirKind;                   // 'G' global axis, 'S' auxiliary vector
  int32_t Direction;
  char DofType;                   // 1 _TRANS, 2 _ROT
  int32_t SpringMaterialKind;     // SpringMaterialKind
  int32_t SpringMaterial;         // record number in that kind's block
  int32_t TargetHost;             // host elements, filled by the spring set-up
  int32_t RefHost;
};

struct MaterialPattern {          // 57 "<NLMM_PATTERNS>"
  char Name[kBinStringMax];
  int32_t nComponents;
  int32_t* Kind;                  // [1..n] material kind codes
  int32_t* Number;                // [1..n] record numbers
};

struct RayleighDampingFactors {   // 58 "<RAYLEIGH_DAMPING_FACTORS>"
  int32_t Int1, Int2;
  double A0, A1;
};

struct CrossSectionArea {         // 59 "<CROSS_SECTION_AREAS>"
  char Name[kBinStringMax];
  double Area;
};

struct Frame2DSection {           // 60 "<FRAME_2D_CROSS_SECTIONS>"
  char Name[kBinStringMax];
  double v[5];                    // [1..4]
};

struct Frame3DSection {           // 61 "<FRAME_3D_CROSS_SECTIONS>"
  char Name[kBinStringMax];
  double v[12];                   // [1..11]
};

struct LaminateThickness {        // 62 "<LAMINATE_THICKNESSES>"
  char Name[kBinStringMax];
  double Thickness;
};

struct GeometryPattern {          // 63 "<GEOMETRY_PATTERNS>"
  char Name[kBinStringMax];
  int32_t Kind;                   // geometry kind of the entries
  int32_t nEntries;
  int32_t* Record;                // [1..n] one record number per element node
};

struct FibrousPattern {           // 64 "<FIBROUS_PATTERNS>"
  char Name[kBinStringMax];
  int32_t nNames;
  char** Names;                   // n x 512 characters
};

struct LayerProperty {            // 65 "<LAYER_PROPERTIES>"
  char Name[kBinStringMax];
  int32_t MaterialKind;
  int32_t MaterialNumber;
  int32_t GeometryKind;           // GEOM_PATT or GEOM_LAM_THICK
  int32_t GeometryNumber;
};

struct LayerPattern {             // 66 "<LAYER_PATTERNS>"
  char Name[kBinStringMax];
  int32_t nLayers;
  int32_t* Layer;                 // [1..n] "<LAYER_PROPERTIES>" record numbers
};

struct NumericalIntegration {     // 67 "<NUMERICAL_INTEGRATION>"
  char Name[kBinStringMax];
  int32_t v[22];                  // the 21 int32 [1..21]; use the accessors below
};

// Point counts of an integration pattern. Pattern letters: 'G' general, 'M' membrane,
// 'B' bending, 'S' shear, 'T' torsion; direction 1..3 = s1, s2, s3.
int32_t IntegTrianglePoints(const NumericalIntegration& r);  // int32 2
int32_t IntegPoints(const NumericalIntegration& r, char pattern, int direction);
inline int32_t Integ_G_S1(const NumericalIntegration& r) { return r.v[3]; }  // _G_S1_k
inline int32_t Integ_G_S2(const NumericalIntegration& r) { return r.v[4]; }  // _G_S2_k
inline int32_t Integ_G_S3(const NumericalIntegration& r) { return r.v[5]; }  // _G_S3_k

struct CrossSection {             // one cross-section of a fibrous mesh
  int32_t nPoints;
  double** Coord;                 // nPoints x 2
};

struct FibrousElementProperty {
  int32_t v[9];                   // the 8 int32 [1..8]
};

struct FibrousMesh {              // 69 "<FIBROUS_MESHES>"
  char Name[kBinStringMax];
  int32_t nMotherNodes;           // NUMBER_OF_NODES_OF_THE_MOTHER_ELEMENT
  double Angles[4];               // L2_L3_ANGLE_OF_CROSS_SECTION_1..3
  CrossSection* Sections;         // [1..nMotherNodes]
  int32_t nElements;              // fibrous elements
  int32_t* ElemNodeCount;
  int32_t** ElemNodes;
  int32_t nProperties;
  FibrousElementProperty* Properties;
};

struct ElementProperty {          // 70 "<ELEMENT_PROPERTIES>"
  int32_t Lead;
  int32_t FirstPhase;
  int32_t LastPhase;
  int32_t FirstElement;
  int32_t LastElement;
  int32_t ElementType;            // element type code 1..32
  int32_t MaterialKind;           // MaterialKind code
  int32_t MaterialNumber;         // record number in that kind's block
  int32_t GeometryKind;           // GeometryKind code
  int32_t GeometryNumber;
  int32_t IntegrationType;        // IntegrationType code
  int32_t IntegrationNumber;      // "<NUMERICAL_INTEGRATION>" record, 0 = default rule
};

struct PointSpring {              // 75 "<POINT_SPRINGS>"
  int32_t Int1, Int2, Int3;
  int32_t Point;
  char DirKind;                   // 'G' global axis, 'S' auxiliary vector
  int32_t Direction;              // axis 1..3 or "<AUXILIARY_VECTORS>" record
  char Orientation;               // orientation code (nonlinear spring materials)
  char DofType;                   // 1 _TRANS, 2 _ROT
  int32_t SpringMaterialKind;
  int32_t SpringMaterial;         // record number in that kind's block
  int32_t HostElement;            // filled by the spring set-up
};

struct LineSpring {               // 76 "<LINE_SPRINGS>"
  int32_t Int1, Int2, Int3;
  int32_t Element;                // host element
  int32_t Int5, Int6;
  char Char1;
  int32_t Int7;
  char Char2, Char3;
  int32_t Code1, Code2;           // bytes in the file, sign-extended
  int32_t SpringMaterialKind;     // byte in the file
  int32_t nMaterials;
  int32_t* Material;              // [1..n] spring material record numbers
};

struct SurfSpring {               // 77 "<SURFACE_SPRINGS>"
  int32_t Int1, Int2, Int3;
  int32_t Element;                // host element
  int32_t Int5;
  char Char1;
  int32_t Int6;
  char Char2;
  int32_t Code1, Code2;           // bytes in the file, sign-extended
  int32_t SpringMaterialKind;     // byte in the file
  int32_t nMaterials;
  int32_t* Material;              // [1..n]
};

struct SurfaceConvection {        // 78 "<SURFACE_CONVECTION_HEAT_TRANSFER>"
  int32_t Int1, Int2, Int3;
  int32_t Element;
  int32_t Face;                   // 1..6
  char IntegrationType;           // 1 _GLEG, 2 _GLOB, 3 _NCOTES
  unsigned char IntegrationNumber;  // "<NUMERICAL_INTEGRATION>" record, 0 = none
  int32_t ValueCount;
  double* Values;                 // coefficients h [1..ValueCount]
};

struct SurfaceRadiation {         // 79 "<SURFACE_RADIATION_HEAT_TRANSFER>"
  int32_t Int1, Int2, Int3;
  int32_t Element;
  int32_t Face;                   // 1..6
  char IntegrationType;
  unsigned char IntegrationNumber;
  int32_t ValueCount;
  double* Values;                 // emissivities [1..ValueCount]
  double Sigma;                   // Stefan-Boltzmann constant in the model's units
};

struct PointToPointContact {      // "<POINT_TO_POINT_CONTACTS>"
  int32_t PointM;                 // point contacted
  int32_t PointS;                 // contacting (slave) point
  int32_t Dof;                    // 1..6
  double Gap;
};

struct PointToElementContact {    // "<POINT_TO_ELEMENT_CONTACTS>"
  int32_t PointS;                 // contact point
  int32_t Element;
  int32_t Location;               // location inside the element
  int32_t Dof;
  double Gap;
};

struct ContactCase {              // 80 "<CONTACT>"
  char Title[kBinStringMax];
  int32_t Group;
  int32_t nPointToPoint;
  PointToPointContact* PointToPoint;
  int32_t nPointToElement;
  PointToElementContact* PointToElement;
};

struct Discontinuity {            // 81 "<LINE_EMBEDDED_STRONG_DISCONTINUITY>"
  int32_t v[9];                   // 4 int32 and 4 sign-extended bytes, [1..8]
};

struct DynamicInitialCondition {  // 83 "<DYNAMIC_INITIAL_CONDITIONS>"
  int32_t Int1, Int2;
  double v[4];                    // [1..3]
};

struct FrequencyRange {           // 84 "<FREQUENCY_RANGES>"
  double D1;
  int32_t Int;
  double D2, D3;
};

struct IntPair {                  // 85 "<RITZ_GENERATING_LOAD_CASES>"
  int32_t Int1, Int2;
};

struct LoadCaseFactor {           // 89 "<MODAL_DAMPING_RATIOS>", combination factors
  int32_t Number;                 // load case (mode) number
  double Factor;                  // factor (damping ratio)
};

struct PointValue {               // 90 "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>"
  int32_t Point;
  double Value;
};

// ---- the model record ----------------------------------------------------------------------
struct MeshData {
  // 68 "<ELEMENT_NODES>"
  int32_t nElements;
  int32_t* ElemNodeCount;         // [1..nElements]
  int32_t** ElemNodes;            // [e][1..ElemNodeCount[e]] point numbers
  MainParameters Main;            // 1
  DynamicAnalysisParameters Dynamic;  // 2
  int32_t nGroupNames;            // 3 "<GROUP_NAMES>": n x 512 characters
  char** GroupNames;
  int32_t nPoints;                // 4 "<POINT_COORDINATES>": n x 3
  double** PointCoord;
  int32_t nAuxVectors;            // 5
  AuxiliaryVector* AuxVectors;
  int32_t nCoordSystems;          // 6
  CoordinateSystem* CoordSystems;
  int32_t nSpecialCsPoints;       // 7
  SpecialCsPoint* SpecialCsPoints;
  int32_t nSupports;              // 8
  Support* Supports;
  int32_t nFixedTemps;            // 9
  Support* FixedTemps;
  int32_t nPointLinks;            // 10
  InternalPointLink* PointLinks;
  int32_t nSpringLinks;           // 11
  IntPointSpringLink* SpringLinks;
  // 12..56: one material block per kind, indexed by the MaterialKind code (kinds 45..48
  // name pattern and fibrous-mesh blocks and stay empty here).
  int32_t nMaterials[kMaterialKinds + 1];
  MaterialRecord* Materials[kMaterialKinds + 1];
  int32_t nNlmmPatterns;          // 57
  MaterialPattern* NlmmPatterns;
  int32_t nRayleigh;              // 58
  RayleighDampingFactors* Rayleigh;
  int32_t nCsAreas;               // 59
  CrossSectionArea* CsAreas;
  int32_t nFrame2DSections;       // 60
  Frame2DSection* Frame2DSections;
  int32_t nFrame3DSections;       // 61
  Frame3DSection* Frame3DSections;
  int32_t nLamThicks;             // 62
  LaminateThickness* LamThicks;
  int32_t nGeomPatterns;          // 63
  GeometryPattern* GeomPatterns;
  int32_t nFibrousPatterns;       // 64
  FibrousPattern* FibrousPatterns;
  int32_t nLayerProps;            // 65
  LayerProperty* LayerProps;
  int32_t nLayerPatterns;         // 66
  LayerPattern* LayerPatterns;
  int32_t nIntegrations;          // 67
  NumericalIntegration* Integrations;
  FibrousMesh* FibrousMeshes;     // 69, Main.nFibrousMeshes records
  int32_t nElemProps;             // 70
  ElementProperty* ElemProps;
  // 71..74, indexed by the SpringMaterialKind code
  int32_t nSpringMaterials[kSpringMaterialKinds + 1];
  MaterialRecord* SpringMaterials[kSpringMaterialKinds + 1];
  int32_t nPointSprings;          // 75
  PointSpring* PointSprings;
  int32_t nLineSprings;           // 76
  LineSpring* LineSprings;
  int32_t nSurfSprings;           // 77
  SurfSpring* SurfSprings;
  int32_t nConvections;           // 78
  SurfaceConvection* Convections;
  int32_t nRadiations;            // 79
  SurfaceRadiation* Radiations;
  ContactCase* ContactCases;      // 80, Main.nContactCases records
  // 81: records, then two lists per element (lengths and lists exist for every
  // element; all lengths are 0 when there are no records)
  int32_t nDiscontinuities;
  Discontinuity* Discontinuities;
  int32_t* DiscLen1;
  int32_t** DiscList1;
  int32_t* DiscLen2;
  int32_t** DiscList2;
  ArcLengthParameters ArcLength;  // 82
  int32_t nInitialConditions;     // 83
  DynamicInitialCondition* InitialConditions;
  int32_t nFrequencyRanges;       // 84
  FrequencyRange* FrequencyRanges;
  int32_t nRitzLoadCases;         // 85
  IntPair* RitzLoadCases;
  char ParticipatingMassRatios[4];  // 86, three flag bytes [1..3]
  int32_t nStaticParticipation;   // 87
  int32_t* StaticParticipation;
  int32_t nDynamicParticipation;  // 88
  int32_t* DynamicParticipation;
  int32_t nModalDampingRatios;    // 89
  LoadCaseFactor* ModalDampingRatios;
  int32_t nThermalInitial;        // 90
  PointValue* ThermalInitial;
  // CRC-32 of the bytes of each block as the data file holds them (header word, tag and
  // body); 0 for a mesh not read from a file. A restart compares those of the model.
  uint32_t BlockCrc[kMeshBlocks + 1];
};

// What the records with owned vectors release (FreeRecords calls them).
void ReleaseRecord(MaterialPattern& r);
void ReleaseRecord(GeometryPattern& r);
void ReleaseRecord(FibrousPattern& r);
void ReleaseRecord(LayerPattern& r);
void ReleaseRecord(CrossSection& r);
void ReleaseRecord(FibrousMesh& r);
void ReleaseRecord(LineSpring& r);
void ReleaseRecord(SurfSpring& r);
void ReleaseRecord(SurfaceConvection& r);
void ReleaseRecord(SurfaceRadiation& r);
void ReleaseRecord(ContactCase& r);

// Reads "<MESH>" and its 90 blocks from the stream (positioned after the opening tag),
// then checks every index and code of the model (ValidateMesh).
void ReadMesh(FILE* fp, MeshData* mesh);
// Releases everything ReadMesh allocated, in the reverse of the reading order.
void FreeMesh(MeshData* mesh);

// Element type code of the first property record that covers the element (first phase
// and type not 0), 0 when none does.
int SearchElementType(int element, int nProps, const ElementProperty* props);
// A property record that can match elements: placeholder records (first phase 0, type
// code 0, first element 0, or first element after the last) never match any.
bool ElemPropIsActive(const ElementProperty& p);

// Material record `number` of material kind `kind` (both already validated).
const MaterialRecord& MaterialOf(const MeshData* mesh, int kind, int number);
