// The material of a plane or solid sampling point as its element hands it over: one kind
// acting on the point's record, or a material pattern composed at the point from the
// records of its components (the solid's time-dependent concrete on its crack model; the
// plane stress crack model linked to its fracture partner). The element gathers the
// point's records in the order the history index keeps them and asks for the stress and
// the tangent; which component a record belongs to stays here.
#pragma once

#include "materials/history_data.h"
#include "materials/point_context.h"
#include "materials/solid_pattern.h"
#include "model/material.h"
#include "model/stress_state.h"

struct MeshData;

struct ContinuumPointMaterial {
  int code;        // the element group's material kind
  int kind;        // the kind whose law acts on the point's own record (a pattern's crack model)
  bool composed;   // the point holds one record per component of a pattern
  bool readsMoment;  // the stress and tangent read the point's time and temperatures
  // What the composition knows; the element reads only the fields above.
  bool solidPattern;
  SolidPattern solid;
  int lawPosition;            // the point's record the law of `kind` acts on
  const MaterialRecord* own;  // record of `kind`; null: the linked copy below
  MaterialRecord linked;      // the plane crack model with the link to its partner
};

// The material of the points of element property `prop` in state `state` (plane stress,
// plane strain, solid). A pattern in another state, or one the set-up check would have
// refused, is the internal error. Fills *m (it holds a record, so it is not returned).
void ContinuumPointMaterialOf(const MeshData* mesh, int prop, StressState state, ContinuumPointMaterial* m);
// The record the law of m.kind reads.
const MaterialRecord& ContinuumPointRecordOf(const ContinuumPointMaterial& m);
// The number of the record the law of m.kind acts on among the point's records
// records[1..] (one, or one per component).
int ContinuumPointLawRecord(const ContinuumPointMaterial& m, const int* records);

// Tangent D of the point (ContinuumComponents(state) square) from its records in the
// current copy of hd; a composition reads the moment mo of the point.
void ContinuumPointTangent(const ContinuumPointMaterial& m, StressState state, const PointContext& at,
                           const MeshData* mesh, NLMM_HD* hd, const int* records, const PatternMoment& mo,
                           double** D);
// Stress sigma of the point after the strain increment deps; the records advance. A
// composition takes off the thermal strains epsT (total) and depsT (of the step) and adds
// their stress back; a single kind takes deps as it is (its thermal strains are the
// element's).
void ContinuumPointStress(const ContinuumPointMaterial& m, StressState state, const PointContext& at,
                          const MeshData* mesh, NLMM_HD* hd, const int* records, const PatternMoment& mo,
                          const double* epsT, const double* depsT, const double* deps, double* sigma);
