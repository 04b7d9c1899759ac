// History records of the uniaxial steel and concrete fibre laws, the interface and bond
// laws, the thermal hydration law and the fracture model of the embedded
// discontinuities: initial values, copy and file form. Each record's
// fields are listed once, for writing and reading alike.
#include <cmath>
#include <cstdio>
#include <cstdint>

#include "history/record_families.h"
#include "model/fileio.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

// Field streams: a record's field list drives both directions.
struct FieldWriter {
  FILE* fp;
  void i32(int32_t v) { WriteInt32(fp, v); }
  void u32(uint32_t v) { WriteInt32(fp, static_cast<int32_t>(v)); }
  void f64(double v) { WriteDouble(fp, v); }
  void flag(char v) { WriteByte(fp, v); }
  void f64s(const double* v, int n) { WriteDoubles(fp, v, n); }
  void i32s(const int32_t* v, int n) { WriteInt32s(fp, v, n); }
};

struct FieldReader {
  FILE* fp;
  void i32(int32_t& v) { v = ReadInt32(fp); }
  void u32(uint32_t& v) { v = static_cast<uint32_t>(ReadInt32(fp)); }
  void f64(double& v) { v = ReadDouble(fp); }
  void flag(char& v) { v = ReadByte(fp); }
  void f64s(double* v, int n) { ReadDoubles(fp, v, n); }
  void i32s(int32_t* v, int n) { ReadInt32s(fp, v, n); }
};

// ---- field lists (file order) ----------------------------------------------------------------

template <class IO, class R>
void Fields201(IO& io, R& r) {
  io.i32(r.Status);
  io.i32(r.Branch);
  io.f64(r.Strain);
  io.f64(r.Stress);
  io.f64(r.Origin);
  io.f64(r.E0);
  io.i32(r.SecondReversal);
  io.f64(r.AStrain);
  io.f64(r.AStress);
  io.f64(r.BStrain);
  io.f64(r.BStress);
  io.f64(r.SavedOrigin1);
  io.f64(r.SavedOrigin2);
}

// _NLMM210 and _NLMM220: rule, flag and n values.
template <int N>
struct RuleFields {
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.i32(r.RuleNumber);
    io.i32(r.Flag);
    io.f64s(r.Value, N);
  }
};

template <class IO, class R>
void Fields298(IO& io, R& r) {
  io.f64(r.Strain);
  io.f64(r.Stress);
  io.f64(r.MinStrain);
  io.f64(r.StressAtMin);
  io.f64(r.Tangent);
  io.flag(r.Cracked);
  io.flag(r.Crushed);
}

template <class IO, class R>
void Fields299(IO& io, R& r) {
  io.f64(r.Strain);
  io.f64(r.Stress);
  io.f64(r.MinStrain);
  io.f64(r.StressAtMin);
  io.f64(r.Tangent);
}

template <int N>
struct ValueFields {
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.f64s(r.Value, N);
  }
};

template <class IO, class R>
void Fields302(IO& io, R& r) {
  io.i32(r.InUse);
  io.f64s(r.Value, 3);
}

template <class IO, class R>
void Fields303(IO& io, R& r) {
  io.i32(r.RuleNumber);
  io.i32(r.PositiveCount);
  io.i32(r.NegativeCount);
  io.i32s(r.Spare, 2);
  io.f64s(r.Value, 24);
}

// The file order differs from the declaration order: V1, R7, V3, V2, R1..R4, the rule
// numbers, R5, H1..H35, R6, S.
template <class IO, class R>
void Fields304(IO& io, R& r) {
  io.f64s(r.V1, 2);
  io.f64(r.R7);
  io.f64s(r.V3, 2);
  io.f64s(r.V2, 2);
  io.f64(r.R1);
  io.f64(r.R2);
  io.f64(r.R3);
  io.f64(r.R4);
  io.u32(r.Rule[1]);
  io.u32(r.Rule[2]);
  io.f64(r.R5);
  for (int j = 1; j <= 35; j++) io.f64s(r.H[j], 2);
  io.f64(r.R6);
  io.i32(r.S);
}

template <class IO, class R>
void Fields320(IO& io, R& r) {
  io.i32(r.State);
  io.f64(r.Multiplier);
  io.f64(r.Kappa);
  io.f64s(r.Increment, 3);
  io.f64s(r.Stress, 3);
  io.f64s(r.PlasticDisp, 3);
}

template <class IO, class R>
void Fields401(IO& io, R& r) {
  io.f64(r.AlphaT);
  io.f64(r.Q);
  io.f64(r.Qdot);
}

template <class IO, class R>
void Fields211(IO& io, R& r) {
  io.i32(r.State);
  io.i32(r.Started);
  io.i32s(r.IntA, 2);
  io.i32s(r.IntB, 2);
  io.f64s(r.RealA, 2);
  for (int j = 1; j <= 5; j++) io.f64s(r.Real3[j], 3);
  io.i32s(r.IntC, 2);
  io.f64(r.Angle);
  for (int j = 1; j <= 21; j++) io.f64s(r.Real2[j], 2);
}

template <class IO, class R>
void FieldsFracture(IO& io, R& r) {
  for (int j = 1; j <= 3; j++) io.f64s(r.F[j], 3);
  for (int j = 1; j <= 6; j++) io.f64s(r.E[j], 8);
  io.f64s(r.G, 4);
  io.i32(r.K);
}

// ---- initial values and copies ------------------------------------------------------------

template <class R>
void InitZero(R& r) {
  r = R{};
}
void Init201(NLMM201_HD& r) { r = NLMM201_HD{}; }
template <class R>
void InitRule1(R& r) {
  r = R{};
  r.RuleNumber = 1;
}
void Init304(NLMM304_HD& r) {
  r = NLMM304_HD{};
  r.S = 1;
}
void Init320(NLMM320_HD& r) {
  r = NLMM320_HD{};
  r.State = 1;
}
void Init211(NLMM211_HD& r) {
  r = NLMM211_HD{};
  r.IntA[1] = r.IntA[2] = 1;
}

template <class R>
void CopyAll(R& d, const R& s) {
  d = s;
}
// R5 stays with the destination.
void Copy304(NLMM304_HD& d, const NLMM304_HD& s) {
  const double r5 = d.R5;
  d = s;
  d.R5 = r5;
}
// F1..F3, E1..E3 and G only: E4..E6 and K stay with the destination.
void CopyFracture(FRC_MIXFRACTURE_2D_HD& d, const FRC_MIXFRACTURE_2D_HD& s) {
  for (int j = 1; j <= 3; j++) {
    copyd1(d.F[j], s.F[j], 3);
    copyd1(d.E[j], s.E[j], 8);
  }
  copyd1(d.G, s.G, 4);
}

// ---- the families --------------------------------------------------------------------------

template <typename R>
void NoVectors(R&) {}

template <typename R, void (*W)(FieldWriter&, const R&)>
void WriteFields(FILE* fp, const R& r) {
  FieldWriter w{fp};
  W(w, r);
}

template <typename R, void (*Rd)(FieldReader&, R&)>
void ReadFields(FILE* fp, R& r) {
  FieldReader rd{fp};
  Rd(rd, r);
}

// Records without owned vectors, written and read through their field list.
#define VOLDE_FAMILY(R, init, copy, fields, tag, bytes)                                                     \
  Ops<R, init, NoVectors<R>, copy, WriteFields<R, fields<FieldWriter, const R>>,                         \
      ReadFields<R, fields<FieldReader, R>>>(tag, bytes)

}  // namespace

namespace recordfamily {

const RecordOps kOps201 = VOLDE_FAMILY(NLMM201_HD, Init201, CopyAll, Fields201, "<NLMM201_HD>", 92);
const RecordOps kOps210 =
    VOLDE_FAMILY(NLMM210_HD, InitRule1, CopyAll, RuleFields<20>::Fields, "<NLMM210_HD>", 168);
const RecordOps kOps211 = VOLDE_FAMILY(NLMM211_HD, Init211, CopyAll, Fields211, "<NLMM211_HD>", 512);
const RecordOps kOps220 =
    VOLDE_FAMILY(NLMM220_HD, InitRule1, CopyAll, RuleFields<22>::Fields, "<NLMM220_HD>", 184);
const RecordOps kOps298 = VOLDE_FAMILY(NLMM298_HD, InitZero, CopyAll, Fields298, "<NLMM298_HD>", 42);
const RecordOps kOps299 = VOLDE_FAMILY(NLMM299_HD, InitZero, CopyAll, Fields299, "<NLMM299_HD>", 40);
const RecordOps kOps301 = VOLDE_FAMILY(NLMM301_HD, InitZero, CopyAll, ValueFields<4>::Fields, "<NLMM301_HD>", 32);
const RecordOps kOps451 = VOLDE_FAMILY(NLMM301_HD, InitZero, CopyAll, ValueFields<4>::Fields, "<NLMM451_HD>", 32);

namespace {

// A layer that failed at an iterate of the step stays failed at the next ones: failure is
// permanent, whichever path Newton's iterates take to the converged state.
RecordOps WithFailureMemory(RecordOps ops) {
  ops.restoreInStep = [](void* current, const void* converged) {
    NLMM301_HD& cur = *static_cast<NLMM301_HD*>(current);
    if (cur.Value[NLMM301_HD::kFailureIndex501] > 0.0) return;
    cur = *static_cast<const NLMM301_HD*>(converged);
  };
  return ops;
}

}  // namespace

const RecordOps kOps501 =
    WithFailureMemory(VOLDE_FAMILY(NLMM301_HD, InitZero, CopyAll, ValueFields<4>::Fields, "<NLMM501_HD>", 32));

namespace {

// The state of the softening interface law read back: 1 uncracked to 6 separated; any
// other value is a damaged or foreign history file.
RecordOps WithStateCheck(RecordOps ops) {
  ops.checkCodes = [](const void* r) {
    const int state = static_cast<const NLMM302_HD*>(r)->InUse;
    if (state >= 1 && state <= 6) return;
    std::fflush(stdout);
    std::fprintf(stderr, "\nReading the historical data of _NLMM302\n   -> State of the interface law: %d\n", state);
    errexit("The history file holds a record with a state no interface law writes:\n"
            "the file is damaged or belongs to another job.",
            0);
  };
  return ops;
}

// The nonlinear springs keep the record of _NLMM302: the law's state and three reals.
const RecordOps kOpsSpring[3] = {
    VOLDE_FAMILY(NLSMM_HDRecord, InitZero, CopyAll, Fields302, "<NLSMM101_HD>", 28),
    VOLDE_FAMILY(NLSMM_HDRecord, InitZero, CopyAll, Fields302, "<NLSMM102_HD>", 28),
    VOLDE_FAMILY(NLSMM_HDRecord, InitZero, CopyAll, Fields302, "<NLSMM103_HD>", 28)};

}  // namespace

const RecordOps kOps302 =
    WithStateCheck(VOLDE_FAMILY(NLMM302_HD, InitZero, CopyAll, Fields302, "<NLMM302_HD>", 28));
const RecordOps kOps303 = VOLDE_FAMILY(NLMM303_HD, InitRule1, CopyAll, Fields303, "<NLMM303_HD>", 212);
const RecordOps kOps304 = VOLDE_FAMILY(NLMM304_HD, Init304, Copy304, Fields304, "<NLMM304_HD>", 676);
const RecordOps kOps306 = VOLDE_FAMILY(NLMM304_HD, Init304, Copy304, Fields304, "<NLMM306_HD>", 676);
const RecordOps kOps305 =
    VOLDE_FAMILY(NLMM305_HD, InitZero, CopyAll, ValueFields<11>::Fields, "<NLMM305_HD>", 88);
const RecordOps kOps320 = VOLDE_FAMILY(NLMM320_HD, Init320, CopyAll, Fields320, "<NLMM320_HD>", 92);
const RecordOps kOps401 = VOLDE_FAMILY(NLMM401_HD, InitZero, CopyAll, Fields401, "<NLMM401_HD>", 24);
const RecordOps kOpsFracture = VOLDE_FAMILY(FRC_MIXFRACTURE_2D_HD, InitZero, CopyFracture, FieldsFracture,
                                            "<FRC_MIXFRACTURE_2D_HD>", 492);

#undef VOLDE_FAMILY

}  // namespace recordfamily

const RecordOps* SpringRecordOps(int kind) {
  if (kind < SPRMAT_NLSMM101 || kind > SPRMAT_NLSMM103) InternalError(__FILE__, __LINE__);
  return &recordfamily::kOpsSpring[kind - SPRMAT_NLSMM101];
}
