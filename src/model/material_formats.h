// One format row per material kind and per spring-material kind: its code, keyword, the
// tag and number of the block that holds its records, the layout of a record after the
// name and the checks of its values at read. The keyword tables, the block tags, the
// block readers and the test-side writer take them from here: a new law adds its row.
#pragma once

#include "model/material.h"
#include "model/mesh.h"

struct DataPlace;

// The checks of one record's values beyond "every real value finite" (null: none).
using MaterialValueCheck = void (*)(const DataPlace& w, const MaterialRecord& m);

struct MaterialFormat {
  int code;                  // MaterialKind (SpringMaterialKind in the spring rows)
  const char* keyword;       // "_NLMM201"
  const char* tag;           // "<NLMM201>"
  int block;                 // MeshBlock of its records
  // After the name: "<n><t>" = n scalars of type t (d double, i int32, c byte); "Ld" m
  // doubles, m the value just read; "T2" m rows of two doubles; "P" m pairs of doubles;
  // "S" a second string. "NLMM174" and "FRC" have readers of their own; null: the
  // patterns and fibrous meshes, read by their own blocks.
  const char* layout;
  MaterialValueCheck check;
};

// The checks at read of the kinds that take more than finite values (material_checks.cpp).
void CheckLinIsoValues(const DataPlace& w, const MaterialRecord& m);
void CheckInterfacePointValues(const DataPlace& w, const MaterialRecord& m);
void CheckInterfaceStiffnesses(const DataPlace& w, const MaterialRecord& m);
void CheckThermalIsoValues(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm171Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm172Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm173Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm174Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm175Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm201Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm202Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm211Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm401Values(const DataPlace& w, const MaterialRecord& m);
void CheckNlmm451Values(const DataPlace& w, const MaterialRecord& m);
void CheckLinSpringValues(const DataPlace& w, const MaterialRecord& m);

// Rows by code: kMaterialFormats[code - 1].
inline constexpr MaterialFormat kMaterialFormats[kMaterialKinds] = {
    {MAT_LIN_ISO, "_LIN_ISO", "<LINEAR_ISOTROPIC_MATERIALS>", MB_LINEAR_ISOTROPIC_MATERIALS, "4d", CheckLinIsoValues},
    {MAT_LIN_ORTHO, "_LIN_ORTHO", "<LINEAR_ORTHOTROPIC_MATERIALS>", MB_LINEAR_ORTHOTROPIC_MATERIALS, "13d 1i", nullptr},
    {MAT_LIN_INT_POINT, "_LIN_INT_POINT", "<LINEAR_INTERFACE_POINT_PROPERTIES>", MB_LINEAR_INTERFACE_POINT_PROPERTIES,
     "1i 1d", CheckInterfacePointValues},
    {MAT_LIN_INT_LINE_2D, "_LIN_INT_LINE_2D", "<LINEAR_INTERFACE_LINE_2D_PROPERTIES>",
     MB_LINEAR_INTERFACE_LINE_2D_PROPERTIES, "2d", CheckInterfaceStiffnesses},
    {MAT_LIN_INT_LINE_3D, "_LIN_INT_LINE_3D", "<LINEAR_INTERFACE_LINE_3D_PROPERTIES>",
     MB_LINEAR_INTERFACE_LINE_3D_PROPERTIES, "3d", CheckInterfaceStiffnesses},
    {MAT_LIN_INT_SURF, "_LIN_INT_SURF", "<LINEAR_INTERFACE_SURFACE_PROPERTIES>", MB_LINEAR_INTERFACE_SURFACE_PROPERTIES,
     "3d", CheckInterfaceStiffnesses},
    {MAT_NLMM101, "_NLMM101", "<NLMM101>", MB_NLMM101, "6d 1i 6d 1i 1d 2i 1d 1i 1d", nullptr},
    {MAT_NLMM102, "_NLMM102", "<NLMM102>", MB_NLMM102, "6d 1i 6d 1i 1d 3i 1d 1i 1d", nullptr},
    {MAT_NLMM104, "_NLMM104", "<NLMM104>", MB_NLMM104, "6d 1i 7d 2i 2d 2i 1d 1i 2d 2i 1d 1i 1d 1i 6d", nullptr},
    {MAT_NLMM105, "_NLMM105", "<NLMM105>", MB_NLMM105, "5d 2i 3d 1i 1d 1i", nullptr},
    {MAT_NLMM111, "_NLMM111", "<NLMM111>", MB_NLMM111, "6d 1i 8d 1i 4d 1i 1d 1i 2d 2i 1d 1i 1d", nullptr},
    {MAT_NLMM121, "_NLMM121", "<NLMM121>", MB_NLMM121, "8d", nullptr},
    {MAT_NLMM122, "_NLMM122", "<NLMM122>", MB_NLMM122, "8d", nullptr},
    {MAT_NLMM123, "_NLMM123", "<NLMM123>", MB_NLMM123, "8d 1i", nullptr},
    {MAT_NLMM124, "_NLMM124", "<NLMM124>", MB_NLMM124, "4d 2i 2d 1i 3d", nullptr},
    {MAT_NLMM125, "_NLMM125", "<NLMM125>", MB_NLMM125, "8d 1i 5d", nullptr},
    {MAT_NLMM141, "_NLMM141", "<NLMM141>", MB_NLMM141, "9d 1i 6d 1i 1d 2i 1d 1i 1d", nullptr},
    {MAT_NLMM142, "_NLMM142", "<NLMM142>", MB_NLMM142, "8d 1i 6d 1i 6d 1d 2i 2d 2i 1d 1i 2d 2i 1d 1i 1d 1i 6d",
     nullptr},
    {MAT_NLMM145, "_NLMM145", "<NLMM145>", MB_NLMM145, "11d", nullptr},
    {MAT_NLMM146, "_NLMM146", "<NLMM146>", MB_NLMM146, "9d 1i 1d", nullptr},
    {MAT_NLMM151, "_NLMM151", "<NLMM151>", MB_NLMM151, "8d 1i 6d 1i 6d 2d 1i 4d 1i 1d 1i 2d 2i 1d 1i 1d", nullptr},
    {MAT_NLMM171, "_NLMM171", "<NLMM171>", MB_NLMM171, "3c 6d 1i 1d 1i 1d 1i Ld", CheckNlmm171Values},
    {MAT_NLMM172, "_NLMM172", "<NLMM172>", MB_NLMM172, "4c 7d 1i 1d 1i 7d 1i 1d 1i 1d 1i 5d", CheckNlmm172Values},
    {MAT_NLMM173, "_NLMM173", "<NLMM173>", MB_NLMM173, "1i 1d 3i 2d", CheckNlmm173Values},
    {MAT_NLMM174, "_NLMM174", "<NLMM174>", MB_NLMM174, "NLMM174", CheckNlmm174Values},
    {MAT_NLMM175, "_NLMM175", "<NLMM175>", MB_NLMM175, "7i", CheckNlmm175Values},
    {MAT_NLMM201, "_NLMM201", "<NLMM201>", MB_NLMM201, "9d", CheckNlmm201Values},
    {MAT_NLMM202, "_NLMM202", "<NLMM202>", MB_NLMM202, "10d", CheckNlmm202Values},
    {MAT_NLMM210, "_NLMM210", "<NLMM210>", MB_NLMM210, "9d", nullptr},
    {MAT_NLMM211, "_NLMM211", "<NLMM211>", MB_NLMM211, "13d 1i 1d", CheckNlmm211Values},
    {MAT_NLMM220, "_NLMM220", "<NLMM220>", MB_NLMM220, "1i 15d", nullptr},
    {MAT_NLMM298, "_NLMM298", "<NLMM298>", MB_NLMM298, "8d", nullptr},
    {MAT_NLMM299, "_NLMM299", "<NLMM299>", MB_NLMM299, "7d", nullptr},
    {MAT_NLMM301, "_NLMM301", "<NLMM301>", MB_NLMM301, "6d", nullptr},
    {MAT_NLMM302, "_NLMM302", "<NLMM302>", MB_NLMM302, "8d", nullptr},
    {MAT_NLMM303, "_NLMM303", "<NLMM303>", MB_NLMM303, "10d", nullptr},
    {MAT_NLMM304, "_NLMM304", "<NLMM304>", MB_NLMM304, "10d 8d S", nullptr},  // five (d, d) pairs, 8d, a string
    {MAT_NLMM305, "_NLMM305", "<NLMM305>", MB_NLMM305, "7d", nullptr},
    {MAT_NLMM306, "_NLMM306", "<NLMM306>", MB_NLMM306, "10d S", nullptr},
    {MAT_NLMM320, "_NLMM320", "<NLMM320>", MB_NLMM320, "1i 17d", nullptr},
    {MAT_NLMM401, "_NLMM401", "<NLMM401>", MB_NLMM401, "1d 1i 6d 1d 1i T2 1d", CheckNlmm401Values},
    {MAT_NLMM451, "_NLMM451", "<NLMM451>", MB_NLMM451, "1i 2d 1i 1d 1i 2d", CheckNlmm451Values},
    {MAT_NLMM501, "_NLMM501", "<NLMM501>", MB_NLMM501, "9d 1i 5d", nullptr},
    {MAT_FRC_MIXFRACTURE_2D, "_FRC_MIXFRACTURE_2D", "<FRC_MIXFRACTURE_2D>", MB_FRC_MIXFRACTURE_2D, "FRC", nullptr},
    {MAT_NLMM_PATT, "_NLMM_PATT", "<NLMM_PATTERNS>", MB_NLMM_PATTERNS, nullptr, nullptr},
    {MAT_FIB_PATT, "_FIB_PATT", "<FIBROUS_PATTERNS>", MB_FIBROUS_PATTERNS, nullptr, nullptr},
    {MAT_LAY_PATT, "_LAY_PATT", "<LAYER_PATTERNS>", MB_LAYER_PATTERNS, nullptr, nullptr},
    {MAT_FIB_MESH, "_FIB_MESH", "<FIBROUS_MESHES>", MB_FIBROUS_MESHES, nullptr, nullptr},
    {MAT_THERMAL_ISO, "_THERMAL_ISO", "<THERMAL_ISOTROPIC_MATERIALS>", MB_THERMAL_ISOTROPIC_MATERIALS, "3d",
     CheckThermalIsoValues},
};

inline constexpr MaterialFormat kSpringMaterialFormats[kSpringMaterialKinds] = {
    {SPRMAT_LIN_SPRING, "_LIN_SPRING", "<LINEAR_SPRING_MATERIALS>", MB_LINEAR_SPRING_MATERIALS, "1d",
     CheckLinSpringValues},
    {SPRMAT_NLSMM101, "_NLSMM101", "<NLSMM101>", MB_NLSMM101, "3d 1i", nullptr},
    {SPRMAT_NLSMM102, "_NLSMM102", "<NLSMM102>", MB_NLSMM102, "1i 7d", nullptr},
    {SPRMAT_NLSMM103, "_NLSMM103", "<NLSMM103>", MB_NLSMM103, "1i 1i P", nullptr},
};

// The row of a code (1..kMaterialKinds, 1..kSpringMaterialKinds; else the internal error).
const MaterialFormat& MaterialFormatOf(int kind);
const MaterialFormat& SpringMaterialFormatOf(int kind);
