// Material records of the smeared-crack models for the tests: the kind's file layout,
// values set by their parameter slot.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "materials/crack/softening.h"
#include "materials/material_slots.h"
#include "history/records.h"
#include "materials/crack/crack_start.h"
#include "materials/crack/crack_models.h"
#include "materials/material_point.h"
#include "numcore/numcore.h"

struct CrackMat {
  int code;
  MaterialRecord m{};
  explicit CrackMat(int c) : code(c) {
    std::strcpy(m.Name, "CONCRETE");
    for (const char* p = MaterialLayout(code); *p != '\0';) {
      char* end;
      const long n = std::strtol(p, &end, 10);
      for (long j = 0; j < n; j++) {
        m.nValues++;
        m.ValueType[m.nValues] = *end;
      }
      p = end + 1;
      while (*p == ' ') p++;
    }
  }
  CrackMat& Set(int slot, double v, int word = 1) {
    const int k = MaterialValueOfSlot(code, slot, word);
    EXPECT_NE(k, 0) << slot;
    m.Value[k] = v;
    return *this;
  }
};

// Parameter slots of each model: tensile strength, law, fracture energy, band option
// (slot, word), constant band, most cracks, threshold angle.
struct CrackMatSlots {
  int ft, law, gf, band, bandWord, bandConst, maxCr, angle;
};
inline CrackMatSlots CrackMatSlotsOf(int code) {
  switch (code) {
    case MAT_NLMM101: return {69, 70, 75, 79, 2, 80, 81, 82};
    case MAT_NLMM102: return {69, 70, 75, 80, 1, 81, 82, 83};
    case MAT_NLMM104: return {69, 70, 77, 86, 2, 87, 88, 89};
    case MAT_NLMM111: return {69, 70, 77, 89, 2, 90, 91, 92};
    case MAT_NLMM141: return {72, 73, 78, 82, 2, 83, 84, 85};
    case MAT_NLMM142: return {78, 79, 86, 95, 2, 96, 97, 98};
    default: return {78, 79, 86, 98, 2, 99, 100, 101};
  }
}

// Law 1 (0.1, 0.5, 0.4, 0.2), ft 3, E 30000, nu 0.2, fc 30, two cracks at most,
// threshold angle 0.5, constant band h (option 1): Gf,crit = 1.2 * 9 * h / 30000.
inline CrackMat CrackConcrete(int code, double gf, int option = 1, double h = 100.0) {
  CrackMat c(code);
  const CrackMatSlots s = CrackMatSlotsOf(code);
  c.Set(66, 0.2).Set(67, 30000).Set(68, 30).Set(s.ft, 3).Set(s.law, kLawTrilinear);
  c.Set(s.law + 1, 0.1).Set(s.law + 2, 0.5).Set(s.law + 3, 0.4).Set(s.law + 4, 0.2);
  c.Set(s.gf, gf).Set(s.band, option, s.bandWord).Set(s.bandConst, h).Set(s.maxCr, 2).Set(s.angle, 0.5);
  if (code == MAT_NLMM141 || code == MAT_NLMM142 || code == MAT_NLMM151) c.Set(69, 0.0022).Set(71, 50.0);
  // Constant shear retention (factor 0 unless a test sets it), incremental crack shear.
  for (const SolidCrackModel* model : {&kModel101, &kModel102, &kModel104, &kModel111, &kModel141, &kModel142,
                                       &kModel151})
    if (model->code == code) {
      c.Set(model->retention, 1, model->retentionWord);
      if (model->shearMode != 0) c.Set(model->shearMode, 1, model->shearModeWord);
    }
  return c;
}

// A zeroed n x m matrix of the guarded allocator, released with its owner.
struct ZeroMatrix {
  double** A;
  int n, m;
  ZeroMatrix(int n_, int m_) : n(n_), m(m_) {
    allocd2(&A, n, m);
    zerod2(A, n, m);
  }
  ~ZeroMatrix() { freed2(A); }
  ZeroMatrix(const ZeroMatrix&) = delete;
  ZeroMatrix& operator=(const ZeroMatrix&) = delete;
  double* operator[](int i) { return A[i]; }
};

// Start values of the record r of a sampling point of the smeared-crack kind `code`
// through the slot table, the element and point sizes those of `at`.
inline void StartCrackPoint(int code, const MaterialRecord& m, void* r, const CrackPointPlace& at) {
  static CrackPointPlace sizes;
  sizes = at;
  StartPlace p{nullptr, code, 1, &m};
  p.element = at.element;
  p.point = at.point;
  p.layer = at.layer;
  p.sizes = [](const MeshData*, int, int, int, double* element, double* point) {
    *element = sizes.elementSize;
    *point = sizes.pointSize;
  };
  SlotRowOf(NlmmSlotOfCode(code)).start(p, r);
}

// The history record of a sampling point of the material, started (band width 1 of an
// element of size 1).
struct StartedCrackRecord {
  const RecordOps& ops;
  void* r;
  int code;
  explicit StartedCrackRecord(const CrackMat& c) : ops(*RecordOpsOfSlot(NlmmSlotOfCode(c.code))), code(c.code) {
    r = std::calloc(1, ops.size);
    ops.init(r);
    StartCrackPoint(c.code, c.m, r, CrackPointPlace{1, 1, 0, 1.0, 1.0});
  }
  ~StartedCrackRecord() {
    ops.release(r);
    std::free(r);
  }
  StartedCrackRecord(const StartedCrackRecord&) = delete;
  StartedCrackRecord& operator=(const StartedCrackRecord&) = delete;
};
