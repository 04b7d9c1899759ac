// History records of the smeared-crack models (_NLMM101, _NLMM102, _NLMM104, _NLMM111,
// _NLMM141, _NLMM142, _NLMM151). Each record is described once, field by field in its
// file order; initial values, release, copy and the file form walk that description.
#include <cstdio>
#include <cstring>

#include "history/record_families.h"
#include "materials/history_data.h"
#include "model/fileio.h"
#include "numcore/numcore.h"

namespace {

// The walks over a record's fields. Every field comes as the pair (field of record a,
// same field of record b); only the copy reads b.
struct InitWalk {
  void I(int32_t& x, const int32_t&) { x = 0; }
  void D(double& x, const double&) { x = 0.0; }
  void B(char& x, const char&) { x = 0; }
  void Vec(double*& v, const double*, int n) {
    allocd1(&v, n);
    zerod1(v, n);
  }
  void IVec(int32_t*& v, const int32_t*, int n) {
    alloci1(&v, n);
    zeroi1(v, n);
  }
  // fileCols: the leading columns that the file holds.
  void Mat(double**& A, double** const&, int n, int m, int) {
    allocd2(&A, n, m);
    zerod2(A, n, m);
  }
};

struct ReleaseWalk {
  void I(int32_t&, const int32_t&) {}
  void D(double&, const double&) {}
  void B(char&, const char&) {}
  void Vec(double*& v, const double*, int) {
    freed1(v);
    v = nullptr;
  }
  void IVec(int32_t*& v, const int32_t*, int) {
    freei1(v);
    v = nullptr;
  }
  void Mat(double**& A, double** const&, int, int, int) {
    freed2(A);
    A = nullptr;
  }
};

struct CopyWalk {
  void I(int32_t& x, const int32_t& y) { x = y; }
  void D(double& x, const double& y) { x = y; }
  void B(char& x, const char& y) { x = y; }
  void Vec(double* v, const double* w, int n) { copyd1(v, w, n); }
  void IVec(int32_t* v, const int32_t* w, int n) {
    for (int i = 1; i <= n; i++) v[i] = w[i];
  }
  void Mat(double** A, double** const& B, int n, int m, int) { copyd2(A, B, n, m); }
};

struct WriteWalk {
  FILE* fp;
  void I(const int32_t& x, const int32_t&) { WriteInt32(fp, x); }
  void D(const double& x, const double&) { WriteDouble(fp, x); }
  void B(const char& x, const char&) { WriteByte(fp, x); }
  void Vec(const double* v, const double*, int n) { WriteDoubles(fp, v, n); }
  void IVec(const int32_t* v, const int32_t*, int n) { WriteInt32s(fp, v, n); }
  void Mat(double** A, double** const&, int n, int, int fileCols) {
    for (int i = 1; i <= n; i++) WriteDoubles(fp, A[i], fileCols);
  }
};

// Reads into a record whose arrays the initial values allocated (and zeroed: the
// columns the file does not hold stay 0, so a restart writes the same file again).
struct ReadWalk {
  FILE* fp;
  void I(int32_t& x, const int32_t&) { x = ReadInt32(fp); }
  void D(double& x, const double&) { x = ReadDouble(fp); }
  void B(char& x, const char&) { x = ReadByte(fp); }
  void Vec(double* v, const double*, int n) { ReadDoubles(fp, v, n); }
  void IVec(int32_t* v, const int32_t*, int n) { ReadInt32s(fp, v, n); }
  void Mat(double** A, double** const&, int n, int, int fileCols) {
    for (int i = 1; i <= n; i++) ReadDoubles(fp, A[i], fileCols);
  }
};

// ---- field lists in file order --------------------------------------------------------------

template <int NC, class W, class R>
void Fields101(W& w, R& a, const R& b) {
  constexpr int nv = NC == 3 ? 8 : 12;
  w.I(a.PointStatus, b.PointStatus);
  w.Vec(a.Strain, b.Strain, NC);
  w.Vec(a.Stress, b.Stress, NC);
  w.I(a.nCr, b.nCr);
  w.D(a.CrThresholdAngle, b.CrThresholdAngle);
  w.IVec(a.CrStatus, b.CrStatus, 4);
  if constexpr (NC == 3)
    w.Mat(a.CrAngle, b.CrAngle, 4, 2, 1);
  else
    w.Mat(a.CrDirection, b.CrDirection, 4, 3, 3);
  w.Vec(a.CrBandWidth, b.CrBandWidth, 4);
  w.Vec(a.CrGf, b.CrGf, 4);
  w.Vec(a.CrTensileStrength, b.CrTensileStrength, 4);
  w.Vec(a.CrAux1, b.CrAux1, 4);
  w.Vec(a.CrStrainMax, b.CrStrainMax, 4);
  w.Vec(a.CrStrain, b.CrStrain, nv);
  w.Vec(a.CrStress, b.CrStress, nv);
}

template <class W>
void FieldsCrack104(W& w, CrackPart104& a, const CrackPart104& b) {
  w.I(a.nCr, b.nCr);
  w.D(a.CrThresholdAngle, b.CrThresholdAngle);
  w.IVec(a.CrStatus, b.CrStatus, 4);
  w.IVec(a.CrAuxStatus, b.CrAuxStatus, 4);
  w.Vec(a.CrMaxSliding, b.CrMaxSliding, 4);
  w.Mat(a.CrAngle, b.CrAngle, 4, 2, 1);
  double* CrackPart104::*const per4[] = {
      &CrackPart104::CrBandWidth,      &CrackPart104::CrGf,            &CrackPart104::CrGfInitial,
      &CrackPart104::CrGfII,           &CrackPart104::CrTensileStrength, &CrackPart104::CrShearStiffness,
      &CrackPart104::CrShearStrength,  &CrackPart104::CrAux1,          &CrackPart104::CrReopThreshold,
      &CrackPart104::CrCloseThreshold, &CrackPart104::CrStrainMax,     &CrackPart104::CrShearStrainMax};
  for (auto f : per4) w.Vec(a.*f, b.*f, 4);
  w.Vec(a.CrStrain, b.CrStrain, 8);
  w.Vec(a.CrStress, b.CrStress, 8);
  w.Vec(a.CrVector3, b.CrVector3, 8);
  w.I(a.PointFlagA, b.PointFlagA);
  w.I(a.PointFlagB, b.PointFlagB);
  for (int j = 1; j <= 6; j++) w.D(a.PointValue[j], b.PointValue[j]);
  w.Vec(a.PointVectorA, b.PointVectorA, 2);
  w.Vec(a.PointVectorB, b.PointVectorB, 2);
  w.B(a.PointByteA, b.PointByteA);
  w.B(a.PointByteB, b.PointByteB);
  w.D(a.PointTolerance, b.PointTolerance);
  w.B(a.PointByteC, b.PointByteC);
}

template <class W>
void FieldsCrack111(W& w, CrackPart111& a, const CrackPart111& b) {
  w.I(a.nCr, b.nCr);
  w.D(a.CrThresholdAngle, b.CrThresholdAngle);
  w.IVec(a.CrStatus, b.CrStatus, 4);
  w.IVec(a.CrAuxStatus, b.CrAuxStatus, 4);
  w.IVec(a.CrAuxStatus2, b.CrAuxStatus2, 4);
  w.Mat(a.CrDirection, b.CrDirection, 4, 3, 3);
  double* CrackPart111::*const per4[] = {
      &CrackPart111::CrBandWidth,       &CrackPart111::CrGf,              &CrackPart111::CrGfII,
      &CrackPart111::CrTensileStrength, &CrackPart111::CrShearStiffness,  &CrackPart111::CrShearStiffness2,
      &CrackPart111::CrShearStrength,   &CrackPart111::CrShearStrength2};
  for (auto f : per4) w.Vec(a.*f, b.*f, 4);
  for (int j = 1; j <= 6; j++) w.Vec(a.CrAux[j], b.CrAux[j], 4);
  w.Vec(a.CrStrain, b.CrStrain, 12);
  w.Vec(a.CrStress, b.CrStress, 12);
  w.Vec(a.CrVector3, b.CrVector3, 12);
  w.D(a.PointTolerance, b.PointTolerance);
  w.B(a.PointByteC, b.PointByteC);
}

template <class W>
void Fields104(W& w, NLMM104_HD& a, const NLMM104_HD& b) {
  w.I(a.PointStatus, b.PointStatus);
  w.Vec(a.Strain, b.Strain, 3);
  w.Vec(a.Stress, b.Stress, 3);
  FieldsCrack104(w, a.Cr, b.Cr);
}

template <class W>
void Fields111(W& w, NLMM111_HD& a, const NLMM111_HD& b) {
  w.I(a.PointStatus, b.PointStatus);
  w.Vec(a.Strain, b.Strain, 6);
  w.Vec(a.Stress, b.Stress, 6);
  w.Vec(a.StrainAux, b.StrainAux, 6);
  FieldsCrack111(w, a.Cr, b.Cr);
}

template <class W>
void Fields141(W& w, NLMM141_HD& a, const NLMM141_HD& b) {
  NLMM121_HD& p = a.Pl;
  const NLMM121_HD& q = b.Pl;
  w.I(p.PointStatus, q.PointStatus);
  w.Vec(p.Strain, q.Strain, 3);
  w.Vec(p.Stress, q.Stress, 3);
  w.I(p.LoadingState, q.LoadingState);
  w.D(p.YieldParam, q.YieldParam);
  w.D(p.DeltaLambda, q.DeltaLambda);
  w.D(p.EqPlasticStrain, q.EqPlasticStrain);
  w.D(p.YieldStress, q.YieldStress);
  w.Vec(p.PlasticStrain, q.PlasticStrain, 3);
  w.I(a.nCr, b.nCr);
  w.D(a.CrThresholdAngle, b.CrThresholdAngle);
  w.IVec(a.CrStatus, b.CrStatus, 4);
  double* NLMM141_HD::*const per4[] = {&NLMM141_HD::CrAngleVector, &NLMM141_HD::CrBandWidth,
                                       &NLMM141_HD::CrGf,          &NLMM141_HD::CrTensileStrength,
                                       &NLMM141_HD::CrAux1,        &NLMM141_HD::CrStrainMax};
  for (auto f : per4) w.Vec(a.*f, b.*f, 4);
  w.Vec(a.CrStrain, b.CrStrain, 8);
  w.Vec(a.CrStress, b.CrStress, 8);
}

template <int NC, class W>
void FieldsPlastic(W& w, CrackPlasticPart& a, const CrackPlasticPart& b) {
  w.I(a.PointStatus, b.PointStatus);
  w.Vec(a.Strain, b.Strain, NC);
  w.Vec(a.Stress, b.Stress, NC);
  w.Vec(a.PlasticStress, b.PlasticStress, NC);
  w.I(a.PlasticState, b.PlasticState);
  w.D(a.CompressiveDamage, b.CompressiveDamage);
  w.Vec(a.PlasticVectorA, b.PlasticVectorA, NC);
  w.Vec(a.PlasticVectorB, b.PlasticVectorB, NC);
  w.D(a.YieldParam, b.YieldParam);
  w.D(a.DeltaLambda, b.DeltaLambda);
  w.D(a.EqPlasticStrain, b.EqPlasticStrain);
  w.D(a.YieldStress, b.YieldStress);
  w.Vec(a.PlasticStrain, b.PlasticStrain, NC);
}

template <class W>
void Fields142(W& w, NLMM142_HD& a, const NLMM142_HD& b) {
  FieldsPlastic<3>(w, a.Pl, b.Pl);
  FieldsCrack104(w, a.Cr, b.Cr);
}

template <class W>
void Fields151(W& w, NLMM151_HD& a, const NLMM151_HD& b) {
  FieldsPlastic<6>(w, a.Pl, b.Pl);
  FieldsCrack111(w, a.Cr, b.Cr);
}

// ---- codes of a record read back -------------------------------------------------------------

// The crack count and crack states of a record read from a history file: a count outside
// 0..4 or a state outside the six crack states is a damaged (or foreign) file.
void CheckCrackCodes(int32_t nCr, const int32_t* status) {
  bool ok = nCr >= 0 && nCr <= 4;
  for (int k = 1; ok && k <= nCr; k++) ok = status[k] >= 1 && status[k] <= 6;
  if (ok) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nReading the historical data of a crack model\n   -> Number of cracks: %d\n", nCr);
  errexit("The history file holds a crack record with codes no crack model writes:\n"
          "the file is damaged or belongs to another job.",
          0);
}
void CheckCodesRead(const NLMM101_HD& r) { CheckCrackCodes(r.nCr, r.CrStatus); }
void CheckCodesRead(const NLMM104_HD& r) { CheckCrackCodes(r.Cr.nCr, r.Cr.CrStatus); }
void CheckCodesRead(const NLMM111_HD& r) { CheckCrackCodes(r.Cr.nCr, r.Cr.CrStatus); }
void CheckCodesRead(const NLMM141_HD& r) { CheckCrackCodes(r.nCr, r.CrStatus); }
void CheckCodesRead(const NLMM142_HD& r) { CheckCrackCodes(r.Cr.nCr, r.Cr.CrStatus); }
void CheckCodesRead(const NLMM151_HD& r) { CheckCrackCodes(r.Cr.nCr, r.Cr.CrStatus); }

// ---- the routine family of one record type ---------------------------------------------------

template <class R, void (*F)(InitWalk&, R&, const R&), void (*G)(ReleaseWalk&, R&, const R&),
          void (*C)(CopyWalk&, R&, const R&), void (*Wr)(WriteWalk&, R&, const R&), void (*Rd)(ReadWalk&, R&, const R&)>
RecordOps OpsOf(const char* tag, long fileBytes) {
  return RecordOps{
      tag,
      sizeof(R),
      fileBytes,
      [](void* r) {
        R& x = *static_cast<R*>(r);
        std::memset(static_cast<void*>(&x), 0, sizeof(R));
        InitWalk w;
        F(w, x, x);
      },
      [](void* r) {
        R& x = *static_cast<R*>(r);
        ReleaseWalk w;
        G(w, x, x);
      },
      [](void* d, const void* s) {
        CopyWalk w;
        C(w, *static_cast<R*>(d), *static_cast<const R*>(s));
      },
      [](FILE* fp, const void* r) {
        // The walk takes the record by reference; writing does not change it.
        R& x = *const_cast<R*>(static_cast<const R*>(r));
        WriteWalk w{fp};
        Wr(w, x, x);
      },
      [](FILE* fp, void* r) {
        R& x = *static_cast<R*>(r);
        ReadWalk w{fp};
        Rd(w, x, x);
      },
      [](const void* r) { CheckCodesRead(*static_cast<const R*>(r)); },
  };
}

#define CRACK_OPS(R, FIELDS, tag, bytes) \
  OpsOf<R, FIELDS<InitWalk>, FIELDS<ReleaseWalk>, FIELDS<CopyWalk>, FIELDS<WriteWalk>, FIELDS<ReadWalk>>(tag, bytes)

template <class W>
void Fields101Plane(W& w, NLMM101_HD& a, const NLMM101_HD& b) {
  Fields101<3>(w, a, b);
}
template <class W>
void Fields101Solid(W& w, NLMM101_HD& a, const NLMM101_HD& b) {
  Fields101<6>(w, a, b);
}

}  // namespace

namespace recordfamily {

const RecordOps kOps101 = CRACK_OPS(NLMM101_HD, Fields101Plane, "<NLMM101_HD>", 400);
const RecordOps kOps102 = CRACK_OPS(NLMM101_HD, Fields101Solid, "<NLMM102_HD>", 576);
const RecordOps kOps104 = CRACK_OPS(NLMM104_HD, Fields104, "<NLMM104_HD>", 835);
const RecordOps kOps111 = CRACK_OPS(NLMM111_HD, Fields111, "<NLMM111_HD>", 1049);
const RecordOps kOps141 = CRACK_OPS(NLMM141_HD, Fields141, "<NLMM141_HD>", 460);
const RecordOps kOps142 = CRACK_OPS(NLMM142_HD, Fields142, "<NLMM142_HD>", 975);
const RecordOps kOps151 = CRACK_OPS(NLMM151_HD, Fields151, "<NLMM151_HD>", 1237);

}  // namespace recordfamily
