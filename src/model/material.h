// Material and spring-material records.
//
// Every material block of the data file is a list of named parameter sets; all 49
// material kinds and the 4 spring-material kinds share one record shape: the name, then
// the scalar values in the file order of the block, each held in a double slot (int32
// and flag-byte values are exact there), numbered from 1. Value k of a record is always
// the k-th scalar after the name in the file, whatever the model; lists are held in
// owned vectors, and the list count is the scalar value just before the list.
// Read values only through MatValue / MatInt.
#pragma once

#include <cstdint>
#include <cstdio>

#include "model/fileio.h"

// Material kind codes (the material kind of an ElementProperty).
enum MaterialKind {
  MAT_LIN_ISO = 1,
  MAT_LIN_ORTHO,
  MAT_LIN_INT_POINT,
  MAT_LIN_INT_LINE_2D,
  MAT_LIN_INT_LINE_3D,
  MAT_LIN_INT_SURF,
  MAT_NLMM101,  // 7
  MAT_NLMM102,
  MAT_NLMM104,
  MAT_NLMM105,
  MAT_NLMM111,
  MAT_NLMM121,
  MAT_NLMM122,
  MAT_NLMM123,
  MAT_NLMM124,
  MAT_NLMM125,
  MAT_NLMM141,
  MAT_NLMM142,
  MAT_NLMM145,
  MAT_NLMM146,
  MAT_NLMM151,
  MAT_NLMM171,
  MAT_NLMM172,
  MAT_NLMM173,
  MAT_NLMM174,
  MAT_NLMM175,
  MAT_NLMM201,
  MAT_NLMM202,
  MAT_NLMM210,
  MAT_NLMM211,
  MAT_NLMM220,
  MAT_NLMM298,
  MAT_NLMM299,
  MAT_NLMM301,
  MAT_NLMM302,
  MAT_NLMM303,
  MAT_NLMM304,
  MAT_NLMM305,
  MAT_NLMM306,
  MAT_NLMM320,
  MAT_NLMM401,
  MAT_NLMM451,
  MAT_NLMM501,  // 43
  MAT_FRC_MIXFRACTURE_2D,  // 44
  MAT_NLMM_PATT,  // 45: "<NLMM_PATTERNS>" record
  MAT_FIB_PATT,   // 46: "<FIBROUS_PATTERNS>" record
  MAT_LAY_PATT,   // 47: "<LAYER_PATTERNS>" record
  MAT_FIB_MESH,   // 48: "<FIBROUS_MESHES>" record
  MAT_THERMAL_ISO  // 49
};
constexpr int kMaterialKinds = 49;

// Spring material kind codes.
enum SpringMaterialKind { SPRMAT_LIN_SPRING = 1, SPRMAT_NLSMM101, SPRMAT_NLSMM102, SPRMAT_NLSMM103 };
constexpr int kSpringMaterialKinds = 4;

// Keywords of the kinds ("_LIN_ISO" ... ; "_LIN_SPRING" ...), entry 0 "_NONE", from the
// format rows (model/material_formats.h).
extern const char* const (&kMaterialKindKeywords)[kMaterialKinds + 1];
extern const char* const (&kSpringMaterialKindKeywords)[kSpringMaterialKinds + 1];

// Most scalar values of any material layout (the "<NLMM142>" record holds 45).
constexpr int kMaxMatValues = 48;

struct MaterialRecord {
  char Name[kBinStringMax];
  int32_t nValues;                    // scalar values after the name
  double Value[kMaxMatValues + 1];    // Value[1..nValues], file order
  char ValueType[kMaxMatValues + 1];  // 'd' double, 'i' int32, 'c' flag byte
  // Second string of "<NLMM304>" and "<NLMM306>".
  char Name2[kBinStringMax];
  // Lists: "<NLMM171>" m doubles (List1); "<NLMM401>" m x 2 rows (Table);
  // "<NLSMM103>" m points (List1 first, List2 second value of each pair).
  int32_t ListLen;
  double* List1;
  double* List2;
  double** Table;
  // "<NLMM174>": values 1 m (curves), 2 p (most points of a curve), 3 q, 4 and 5 the
  // two doubles after the q-vector. Per curve i = 1..m: name, two doubles, point count
  // k_i <= p and points CurvePoint[i][j][1..2], j = 1..k_i (each curve its own k_i x 2
  // matrix, so that a large p costs nothing).
  char** CurveName;
  double* CurveA;
  double* CurveB;
  int32_t* CurveLen;
  double*** CurvePoint;
  double* QVector;   // q doubles
  double* Q4Vector;  // 4q doubles
  // "<FRC_MIXFRACTURE_2D>": values in file order (2 doubles, code1, its pair, code2, the
  // law's parameters); the same pair and law also by code: FrcPair[code1][1..2],
  // FrcLaw[code2][1..n] (n = 4, 6, 7, 4, 8 for laws 1..5), the other codes' fields 0.
  double FrcPair[4][3];
  double FrcLaw[6][9];
  double* FrcWork2;     // work vectors of the fracture model, zeroed: 2, 100, 100
  double* FrcWork100a;
  double* FrcWork100b;
  // Link written by the elements before an "<NLMM104>" call (pattern composition 12):
  // partner material number, owning material code, composition, partner block.
  int32_t LinkMaterial;
  int32_t LinkOwnerCode;
  int32_t LinkComposition;
  const MaterialRecord* LinkRecords;
};

// Value k (1-based, file order) of a material record.
double MatValue(const MaterialRecord& m, int k);
// Value k of a record where the file holds an int32 (or a flag byte).
int32_t MatInt(const MaterialRecord& m, int k);
// File layout of a kind after the name (its format row's): "<n><t>" = n scalars of type t
// (d double, i int32, c byte), further items for lists and strings; the kinds with
// readers of their own answer "NLMM174" and "FRC".
const char* MaterialLayout(int kind);
// Mass density: the first double after the name (the gravity load per unit volume is
// density times the load case's gravity vector; mass matrices use the same density).
double MatDensity(const MaterialRecord& m);

// Readers and release of the blocks (used by ReadMesh / FreeMesh): the record count,
// then the records of the kind's layout; tag names the block in messages.
void ReadMaterialBlock(FILE* fp, int kind, const char* tag, int32_t* n, MaterialRecord** recs);
void ReadSpringMaterialBlock(FILE* fp, int kind, const char* tag, int32_t* n, MaterialRecord** recs);
void FreeMaterialBlock(MaterialRecord* recs, int n);
void ReleaseRecord(MaterialRecord& m);

// Number of the "<FRC_MIXFRACTURE_2D>" law parameters of law code 1..5 (0 otherwise).
int FrcLawParameterCount(int code);
