// The material table: what each material kind code 1..49 is, one row per code (its
// families, value positions, element types, behaviour and history slot). Elements and
// loads never test material codes: they ask this table and the material point. What a
// new law touches is in docs/code-map.md.
#pragma once

#include <cstdint>

#include "materials/history_data.h"
#include "model/material.h"
#include "model/stress_state.h"

// Sampling-point families a kind serves (bits of MaterialKindRow::families).
enum MaterialPointFamily : unsigned {
  kPointNone = 0,           // compositions, thermal materials: no stress point of their own
  kPointUniaxial = 1u << 0, // bars, cables, beam fibres
  kPointPlane = 1u << 1,    // plane stress / strain points and shell layers
  kPointSolid = 1u << 2,    // three-dimensional points
  kPointInterface = 1u << 3,
  kPointSpring = 1u << 4,   // spring laws (their own code list)
};

// Behaviour of an element whose own material is of the kind.
enum MaterialBehaviour : char {
  kBehaviourNone = 0,  // never an element's own material (fibre laws, pattern parts)
  kBehaviourLinear = 'L',
  kBehaviourNonlinear = 'N',
};

struct MaterialKindRow {
  int code;
  unsigned families;
  // Value positions (1-based, file order) in the kind's record, 0 where the kind has
  // none: density; expansion coefficient (the first of three for orthotropy); modulus,
  // divided by the value at modulusOver when that is not 0 (a stress over a strain).
  int density;
  int expansion;
  int nExpansion;
  int modulus;
  int modulusOver;
  // Element types 1..32 that may carry the kind as their own material (bit t).
  uint64_t elementTypes;
  MaterialBehaviour behaviour;
  HistorySlot historySlot;  // slot of the history table, kSlotNone without records
  const char* keyword = nullptr;  // of the kind's format row (model/material_formats.h)
};

// Row of code 1..49; any other code is the internal error.
const MaterialKindRow& MaterialKindInfo(int code);

// Keyword of the kind ("_NONE" outside 1..49).
const char* MaterialKindName(int code);

// May an element of type `type` carry a material of kind `code`?
bool MaterialKindAllowed(int code, int type);

// The linear kind that an element type's linear routine requires: the first linear row
// that admits the type alone among the linear rows; 0 when several or none do.
int LinearKindOfType(int type);

// Behaviour code of an element with a material of kind `code`: 'L' or 'G' for the
// linear kinds, 'M' or 'N' for the nonlinear ones (the second of each pair under
// geometric nonlinearity); any other code is the internal error.
char MaterialBehaviourCode(int code, bool geometric);

// Linear elasticity of a kind: isotropic (E value 3, nu value 4), orthotropic, or none.
enum ElasticSymmetry { kElasticNone, kElasticIsotropic, kElasticOrthotropic };
ElasticSymmetry LinearElasticity(int code);
// The kind code of a linear elasticity (isotropic or orthotropic).
int ElasticKindCode(ElasticSymmetry s);

// May an element of type `type` carry the kind as a nonlinear law?
bool NonlinearKindAllowed(int code, int type);
// Do points of stress state s take the kind (as a nonlinear law): does an element type
// of that state carry it? The point routines' check of their callers.
bool MaterialKindTakesState(int code, StressState s);
bool NonlinearKindTakesState(int code, StressState s);
// Why an element group of type `type` cannot have `code` as its own material in this
// analysis (thermal or mechanical, materially nonlinear or not), or null when it can:
// the type must take the kind, a linear analysis a linear kind, a thermal analysis a
// thermal kind; the time-dependent laws act only inside patterns, patterns only in solids;
// _NLMM146 and _NLMM304, which have no stress-strain law, nowhere.
const char* ElementKindRefusal(int code, int type, bool thermal, bool nonlinear);
// Kinds that compose an element's material from other records.
enum MaterialComposition {
  kCompositionNone,         // a material record of its own
  kCompositionNlmmPattern,  // "<NLMM_PATTERNS>": components at every point
  kCompositionFibrePattern, // "<FIBROUS_PATTERNS>"
  kCompositionLayers,       // "<LAYER_PATTERNS>": layered shells
  kCompositionFibrousMesh,  // "<FIBROUS_MESHES>": fibre sections of beams
};
MaterialComposition CompositionOf(int code);

// Zero-ended list of the kinds that an element of type `type` may carry with behaviour b
// (kBehaviourNone: with any behaviour), in code order.
struct KindList {
  int code[kMaterialKinds + 1];
};
KindList KindsOfElementType(int type, MaterialBehaviour b);

// Does an element of type `type` carry self weight? Not when it may carry a law of
// bars only (cables, embedded cables) or of interfaces.
bool ElementTypeTakesGravity(int type);

// What a kind is at a history-data slot of an element: no record (the slot keeps record
// number 0), one record of the kind's model, or refused (the internal error).
enum HistoryUse { kHistoryRefused, kHistoryNoRecord, kHistoryRecord };
// Use of a kind as an element's own material (the element type checked) ...
HistoryUse HistoryUseOwn(int code, int type);
// ... and as a layer, a material-pattern component or a fibre (composition c).
HistoryUse HistoryUseInComposition(MaterialComposition c, int code);

// Spring material kinds (1 "_LIN_SPRING" ... 4 "_NLSMM103"; any other code is the
// internal error): whether the kind is the linear spring, and the stiffness of a record
// of the linear kind (per unit length or area for line and surface springs).
bool SpringKindIsLinear(int kind);
double LinearSpringStiffness(const MaterialRecord& record);
