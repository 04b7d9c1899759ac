// The material of a plane or solid sampling point: one kind on its record, or a pattern
// composed at the point.
#include "materials/continuum_point.h"

#include "materials/material_point.h"
#include "materials/material_table.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void ContinuumPointMaterialOf(const MeshData* mesh, int prop, StressState state, ContinuumPointMaterial* m) {
  const ElementProperty& p = mesh->ElemProps[prop];
  m->code = p.MaterialKind;
  m->composed = CompositionOf(m->code) == kCompositionNlmmPattern;
  m->solidPattern = false;
  m->lawPosition = 1;
  m->own = nullptr;
  if (!m->composed) {
    m->kind = m->code;
    m->own = &MaterialOf(mesh, m->code, p.MaterialNumber);
  } else if (state == kStateSolid) {
    m->solidPattern = true;
    m->solid = SolidPatternOf(mesh, prop);
    m->kind = SolidPatternCrackKind();
    m->own = &SolidPatternCrackMaterial(mesh, m->solid);
  } else if (state == kStatePlaneStress) {
    const PlanePattern plane = PlanePatternOf(mesh, prop);
    m->kind = PlanePatternCrackKind();
    m->lawPosition = plane.crackPosition;
    m->linked = PlanePatternCrackMaterial(mesh, plane);
  } else {
    InternalError(__FILE__, __LINE__);
  }
  m->readsMoment = m->solidPattern;
}

const MaterialRecord& ContinuumPointRecordOf(const ContinuumPointMaterial& m) {
  return m.own != nullptr ? *m.own : m.linked;
}

int ContinuumPointLawRecord(const ContinuumPointMaterial& m, const int* records) { return records[m.lawPosition]; }

void ContinuumPointTangent(const ContinuumPointMaterial& m, StressState state, const PointContext& at,
                           const MeshData* mesh, NLMM_HD* hd, const int* records, const PatternMoment& mo,
                           double** D) {
  if (m.solidPattern) {
    SolidPatternTangent(m.solid, at, mesh, SolidPatternRecords(m.solid, hd, records), mo, D);
    return;
  }
  ContinuumTangent(m.kind, state, at, ContinuumPointRecordOf(m), hd, ContinuumPointLawRecord(m, records), D);
}

void ContinuumPointStress(const ContinuumPointMaterial& m, StressState state, const PointContext& at,
                          const MeshData* mesh, NLMM_HD* hd, const int* records, const PatternMoment& mo,
                          const double* epsT, const double* depsT, const double* deps, double* sigma) {
  if (m.solidPattern) {
    SolidPatternStress(m.solid, at, mesh, SolidPatternRecords(m.solid, hd, records), mo, epsT, depsT, deps, sigma);
    return;
  }
  ContinuumStress(m.kind, state, at, ContinuumPointRecordOf(m), hd, ContinuumPointLawRecord(m, records), deps, sigma);
}
