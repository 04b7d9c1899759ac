// History records of the plasticity models (_NLMM121 to _NLMM125), the cyclic steel
// (_NLMM145 / _NLMM202), _NLMM146 and the time-dependent concrete (_NLMM171 to
// _NLMM175): initial values, release, copy and file form.
#include "history/records.h"

#include "history/record_families.h"
#include "model/fileio.h"
#include "numcore/numcore.h"

namespace {

// ---- owned vectors ------------------------------------------------------------------------

double* NewVec(int n) {
  double* v;
  allocd1(&v, n);
  zerod1(v, n);
  return v;
}

double** NewMat(int n, int m) {
  double** A;
  allocd2(&A, n, m);
  zerod2(A, n, m);
  return A;
}

void FreeVec(double*& v) {
  freed1(v);
  v = nullptr;
}

void FreeMat(double**& A) {
  freed2(A);
  A = nullptr;
}

void WriteMatRows(FILE* fp, double** A, int n, int m) {
  for (int i = 1; i <= n; i++) WriteDoubles(fp, A[i], m);
}

void ReadMatRows(FILE* fp, double** A, int n, int m) {
  for (int i = 1; i <= n; i++) ReadDoubles(fp, A[i], m);
}

// ---- _NLMM121 (nc 3) and _NLMM122, _NLMM123, _NLMM125 (nc 6) -----------------------------

template <int NC, int START>
void Init121(NLMM121_HD& r) {
  r.PointStatus = START;
  r.Strain = NewVec(NC);
  r.Stress = NewVec(NC);
  r.LoadingState = START;
  r.YieldParam = r.DeltaLambda = r.EqPlasticStrain = r.YieldStress = 0.0;
  r.PlasticStrain = NewVec(NC);
}

void Release121(NLMM121_HD& r) {
  FreeVec(r.PlasticStrain);
  FreeVec(r.Stress);
  FreeVec(r.Strain);
}

template <int NC>
void Copy121(NLMM121_HD& d, const NLMM121_HD& s) {
  d.PointStatus = s.PointStatus;
  copyd1(d.Strain, s.Strain, NC);
  copyd1(d.Stress, s.Stress, NC);
  d.LoadingState = s.LoadingState;
  d.YieldParam = s.YieldParam;
  d.DeltaLambda = s.DeltaLambda;
  d.EqPlasticStrain = s.EqPlasticStrain;
  d.YieldStress = s.YieldStress;
  copyd1(d.PlasticStrain, s.PlasticStrain, NC);
}

template <int NC>
void Write121(FILE* fp, const NLMM121_HD& r) {
  WriteInt32(fp, r.PointStatus);
  WriteDoubles(fp, r.Strain, NC);
  WriteDoubles(fp, r.Stress, NC);
  WriteInt32(fp, r.LoadingState);
  WriteDouble(fp, r.YieldParam);
  WriteDouble(fp, r.DeltaLambda);
  WriteDouble(fp, r.EqPlasticStrain);
  WriteDouble(fp, r.YieldStress);
  WriteDoubles(fp, r.PlasticStrain, NC);
}

template <int NC>
void Read121(FILE* fp, NLMM121_HD& r) {
  r.PointStatus = ReadInt32(fp);
  ReadDoubles(fp, r.Strain, NC);
  ReadDoubles(fp, r.Stress, NC);
  r.LoadingState = ReadInt32(fp);
  r.YieldParam = ReadDouble(fp);
  r.DeltaLambda = ReadDouble(fp);
  r.EqPlasticStrain = ReadDouble(fp);
  r.YieldStress = ReadDouble(fp);
  ReadDoubles(fp, r.PlasticStrain, NC);
}

// ---- _NLMM124 -------------------------------------------------------------------------------

void Init124(NLMM124_HD& r) {
  r.PointStatus = 1;
  r.Strain = NewVec(6);
  r.Stress = NewVec(6);
  r.LoadingState = 1;
  r.DeltaLambda = r.EqPlasticStrain = r.Cohesion = r.FrictionAngle = r.UpdateScalar = 0.0;
  r.PlasticStrain = NewVec(6);
  for (double& x : r.TrialStress) x = 0.0;
  r.TrialSet = 0;
}

void Release124(NLMM124_HD& r) {
  FreeVec(r.PlasticStrain);
  FreeVec(r.Stress);
  FreeVec(r.Strain);
}

void Copy124(NLMM124_HD& d, const NLMM124_HD& s) {
  d.PointStatus = s.PointStatus;
  copyd1(d.Strain, s.Strain, 6);
  copyd1(d.Stress, s.Stress, 6);
  d.LoadingState = s.LoadingState;
  d.DeltaLambda = s.DeltaLambda;
  d.EqPlasticStrain = s.EqPlasticStrain;
  d.Cohesion = s.Cohesion;
  d.FrictionAngle = s.FrictionAngle;
  d.UpdateScalar = s.UpdateScalar;
  copyd1(d.PlasticStrain, s.PlasticStrain, 6);
  copyd1(d.TrialStress, s.TrialStress, 6);
  d.TrialSet = s.TrialSet;
}

void Write124(FILE* fp, const NLMM124_HD& r) {
  WriteInt32(fp, r.PointStatus);
  WriteDoubles(fp, r.Strain, 6);
  WriteDoubles(fp, r.Stress, 6);
  WriteInt32(fp, r.LoadingState);
  WriteDouble(fp, r.DeltaLambda);
  WriteDouble(fp, r.EqPlasticStrain);
  WriteDouble(fp, r.Cohesion);
  WriteDouble(fp, r.FrictionAngle);
  WriteDouble(fp, r.UpdateScalar);
  WriteDoubles(fp, r.PlasticStrain, 6);
}

void Read124(FILE* fp, NLMM124_HD& r) {
  r.PointStatus = ReadInt32(fp);
  ReadDoubles(fp, r.Strain, 6);
  ReadDoubles(fp, r.Stress, 6);
  r.LoadingState = ReadInt32(fp);
  r.DeltaLambda = ReadDouble(fp);
  r.EqPlasticStrain = ReadDouble(fp);
  r.Cohesion = ReadDouble(fp);
  r.FrictionAngle = ReadDouble(fp);
  r.UpdateScalar = ReadDouble(fp);
  ReadDoubles(fp, r.PlasticStrain, 6);
  r.TrialSet = 0;
}

// ---- _NLMM145 / _NLMM202 --------------------------------------------------------------------

void Init145(NLMM145_HD& r) {
  r.RuleNumber = 1;
  r.StateWord = 1;
  zerod1(r.Value, 43);
}

void Release145(NLMM145_HD&) {}

void Copy145(NLMM145_HD& d, const NLMM145_HD& s) { d = s; }

void Write145(FILE* fp, const NLMM145_HD& r) {
  WriteInt32(fp, r.RuleNumber);
  WriteInt32(fp, r.StateWord);
  WriteDoubles(fp, r.Value, 43);
}

void Read145(FILE* fp, NLMM145_HD& r) {
  r.RuleNumber = ReadInt32(fp);
  r.StateWord = ReadInt32(fp);
  ReadDoubles(fp, r.Value, 43);
}

// ---- _NLMM146 -------------------------------------------------------------------------------

void Init146(NLMM146_HD& r) {
  r.Int1 = 1;
  r.Int2 = 0;
  r.Scalar = 0.0;
  r.VecA = NewVec(3);
  r.VecB = NewVec(3);
  alloci1(&r.IntVec, 4);
  zeroi1(r.IntVec, 4);
  r.Mat = NewMat(4, 2);
  r.Vec4 = NewVec(4);
  r.Vec8A = NewVec(8);
  r.Vec8B = NewVec(8);
  zerod1(r.Value, 19);
}

void Release146(NLMM146_HD& r) {
  FreeVec(r.Vec8B);
  FreeVec(r.Vec8A);
  FreeVec(r.Vec4);
  FreeMat(r.Mat);
  freei1(r.IntVec);
  r.IntVec = nullptr;
  FreeVec(r.VecB);
  FreeVec(r.VecA);
}

void Copy146(NLMM146_HD& d, const NLMM146_HD& s) {
  d.Int1 = s.Int1;
  d.Int2 = s.Int2;
  d.Scalar = s.Scalar;
  copyd1(d.VecA, s.VecA, 3);
  copyd1(d.VecB, s.VecB, 3);
  for (int i = 1; i <= 4; i++) d.IntVec[i] = s.IntVec[i];
  copyd2(d.Mat, s.Mat, 4, 2);
  copyd1(d.Vec4, s.Vec4, 4);
  copyd1(d.Vec8A, s.Vec8A, 8);
  copyd1(d.Vec8B, s.Vec8B, 8);
  copyd1(d.Value, s.Value, 19);
}

void Write146(FILE* fp, const NLMM146_HD& r) {
  WriteInt32(fp, r.Int1);
  WriteInt32(fp, r.Int2);
  WriteDouble(fp, r.Scalar);
  WriteDoubles(fp, r.VecA, 3);
  WriteDoubles(fp, r.VecB, 3);
  WriteInt32s(fp, r.IntVec, 4);
  for (int i = 1; i <= 4; i++) WriteDouble(fp, r.Mat[i][1]);  // column 1 only
  WriteDoubles(fp, r.Vec4, 4);
  WriteDoubles(fp, r.Vec8A, 8);
  WriteDoubles(fp, r.Vec8B, 8);
  WriteDoubles(fp, r.Value, 19);
}

void Read146(FILE* fp, NLMM146_HD& r) {
  r.Int1 = ReadInt32(fp);
  r.Int2 = ReadInt32(fp);
  r.Scalar = ReadDouble(fp);
  ReadDoubles(fp, r.VecA, 3);
  ReadDoubles(fp, r.VecB, 3);
  ReadInt32s(fp, r.IntVec, 4);
  for (int i = 1; i <= 4; i++) r.Mat[i][1] = ReadDouble(fp);
  ReadDoubles(fp, r.Vec4, 4);
  ReadDoubles(fp, r.Vec8A, 8);
  ReadDoubles(fp, r.Vec8B, 8);
  ReadDoubles(fp, r.Value, 19);
}

// ---- _NLMM171 and _NLMM172 ------------------------------------------------------------------

template <typename R, int NS>
void InitShrink(R& r) {
  r.Time = 0.0;
  for (int j = 1; j <= 6; j++) r.Vec[j] = NewVec(6);
  zerod1(r.Scalar, NS);
  for (int j = 1; j <= 2; j++) r.Vec2[j] = NewVec(6);
}

template <typename R>
void ReleaseShrink(R& r) {
  for (int j = 2; j >= 1; j--) FreeVec(r.Vec2[j]);
  for (int j = 6; j >= 1; j--) FreeVec(r.Vec[j]);
}

template <typename R, int NS>
void CopyShrink(R& d, const R& s) {
  d.Time = s.Time;
  for (int j = 1; j <= 6; j++) copyd1(d.Vec[j], s.Vec[j], 6);
  copyd1(d.Scalar, s.Scalar, NS);
  for (int j = 1; j <= 2; j++) copyd1(d.Vec2[j], s.Vec2[j], 6);
}

template <typename R, int NS>
void WriteShrink(FILE* fp, const R& r) {
  WriteDouble(fp, r.Time);
  for (int j = 1; j <= 6; j++) WriteDoubles(fp, r.Vec[j], 6);
  WriteDoubles(fp, r.Scalar, NS);
  for (int j = 1; j <= 2; j++) WriteDoubles(fp, r.Vec2[j], 6);
}

template <typename R, int NS>
void ReadShrink(FILE* fp, R& r) {
  r.Time = ReadDouble(fp);
  for (int j = 1; j <= 6; j++) ReadDoubles(fp, r.Vec[j], 6);
  ReadDoubles(fp, r.Scalar, NS);
  for (int j = 1; j <= 2; j++) ReadDoubles(fp, r.Vec2[j], 6);
}

void Init171(NLMM171_HD& r) {
  InitShrink<NLMM171_HD, 2>(r);
  r.Mat = NewMat(6, 5);
}
void Release171(NLMM171_HD& r) {
  FreeMat(r.Mat);
  ReleaseShrink(r);
}
void Copy171(NLMM171_HD& d, const NLMM171_HD& s) {
  CopyShrink<NLMM171_HD, 2>(d, s);
  copyd2(d.Mat, s.Mat, 6, 5);
}
void Write171(FILE* fp, const NLMM171_HD& r) {
  WriteShrink<NLMM171_HD, 2>(fp, r);
  WriteMatRows(fp, r.Mat, 6, 5);
}
void Read171(FILE* fp, NLMM171_HD& r) {
  ReadShrink<NLMM171_HD, 2>(fp, r);
  ReadMatRows(fp, r.Mat, 6, 5);
}

void Init172(NLMM172_HD& r) { InitShrink<NLMM172_HD, 4>(r); }
void Release172(NLMM172_HD& r) { ReleaseShrink(r); }
void Copy172(NLMM172_HD& d, const NLMM172_HD& s) { CopyShrink<NLMM172_HD, 4>(d, s); }
void Write172(FILE* fp, const NLMM172_HD& r) { WriteShrink<NLMM172_HD, 4>(fp, r); }
void Read172(FILE* fp, NLMM172_HD& r) { ReadShrink<NLMM172_HD, 4>(fp, r); }

// ---- _NLMM173 and _NLMM175: plain doubles and the first-call flag ---------------------------

void Init173(NLMM173_HD& r) { r = NLMM173_HD{}; }
void Release173(NLMM173_HD&) {}
void Copy173(NLMM173_HD& d, const NLMM173_HD& s) { d = s; }
void Write173(FILE* fp, const NLMM173_HD& r) {
  const double v[6] = {r.Age, r.EquivalentAge, r.CompressiveStrength, r.TensileStrength, r.YoungModulus,
                       r.FractureEnergy};
  for (double x : v) WriteDouble(fp, x);
  WriteByte(fp, r.FirstCallFlag);
}
void Read173(FILE* fp, NLMM173_HD& r) {
  r.Age = ReadDouble(fp);
  r.EquivalentAge = ReadDouble(fp);
  r.CompressiveStrength = ReadDouble(fp);
  r.TensileStrength = ReadDouble(fp);
  r.YoungModulus = ReadDouble(fp);
  r.FractureEnergy = ReadDouble(fp);
  r.FirstCallFlag = ReadByte(fp);
}

void Init175(NLMM175_HD& r) { r = NLMM175_HD{}; }
void Release175(NLMM175_HD&) {}
void Copy175(NLMM175_HD& d, const NLMM175_HD& s) { d = s; }
void Write175(FILE* fp, const NLMM175_HD& r) {
  const double v[9] = {r.Time,         r.Temperature,     r.UnitWeight,          r.PoissonRatio,  r.ThermalExpansion,
                       r.YoungModulus, r.TensileStrength, r.CompressiveStrength, r.FractureEnergy};
  for (double x : v) WriteDouble(fp, x);
  WriteByte(fp, r.FirstCallFlag);
}
void Read175(FILE* fp, NLMM175_HD& r) {
  r.Time = ReadDouble(fp);
  r.Temperature = ReadDouble(fp);
  r.UnitWeight = ReadDouble(fp);
  r.PoissonRatio = ReadDouble(fp);
  r.ThermalExpansion = ReadDouble(fp);
  r.YoungModulus = ReadDouble(fp);
  r.TensileStrength = ReadDouble(fp);
  r.CompressiveStrength = ReadDouble(fp);
  r.FractureEnergy = ReadDouble(fp);
  r.FirstCallFlag = ReadByte(fp);
}

// ---- _NLMM174 -------------------------------------------------------------------------------

void Init174(NLMM174_HD& r) {
  r.Time = 0.0;
  r.UnitStrain = NewMat(6, 10);
  r.CreepStress = NewVec(6);
  r.FirstStepFlag = 0;
}
void Release174(NLMM174_HD& r) {
  FreeVec(r.CreepStress);
  FreeMat(r.UnitStrain);
}
void Copy174(NLMM174_HD& d, const NLMM174_HD& s) {
  d.Time = s.Time;
  copyd2(d.UnitStrain, s.UnitStrain, 6, 10);
  copyd1(d.CreepStress, s.CreepStress, 6);
  d.FirstStepFlag = s.FirstStepFlag;
}
void Write174(FILE* fp, const NLMM174_HD& r) {
  WriteDouble(fp, r.Time);
  WriteMatRows(fp, r.UnitStrain, 6, 10);
  WriteDoubles(fp, r.CreepStress, 6);
  WriteByte(fp, r.FirstStepFlag);
}
void Read174(FILE* fp, NLMM174_HD& r) {
  r.Time = ReadDouble(fp);
  ReadMatRows(fp, r.UnitStrain, 6, 10);
  ReadDoubles(fp, r.CreepStress, 6);
  r.FirstStepFlag = ReadByte(fp);
}

// ---- the table of families ------------------------------------------------------------------

template <int START>
constexpr RecordOps Ops121(const char* tag) {
  return Ops<NLMM121_HD, Init121<6, START>, Release121, Copy121<6>, Write121<6>, Read121<6>>(tag, 184);
}

}  // namespace

namespace recordfamily {

const RecordOps kOps121 = Ops<NLMM121_HD, Init121<3, 0>, Release121, Copy121<3>, Write121<3>, Read121<3>>(
    "<NLMM121_HD>", 112);
const RecordOps kOps122 = Ops121<1>("<NLMM122_HD>");
const RecordOps kOps123 = Ops121<1>("<NLMM123_HD>");
const RecordOps kOps125 = Ops121<1>("<NLMM125_HD>");
const RecordOps kOps124 = Ops<NLMM124_HD, Init124, Release124, Copy124, Write124, Read124>("<NLMM124_HD>", 192);
const RecordOps kOps145 = Ops<NLMM145_HD, Init145, Release145, Copy145, Write145, Read145>("<NLMM145_HD>", 352);
const RecordOps kOps202 = Ops<NLMM145_HD, Init145, Release145, Copy145, Write145, Read145>("<NLMM202_HD>", 352);
const RecordOps kOps146 = Ops<NLMM146_HD, Init146, Release146, Copy146, Write146, Read146>("<NLMM146_HD>", 424);
const RecordOps kOps171 = Ops<NLMM171_HD, Init171, Release171, Copy171, Write171, Read171>("<NLMM171_HD>", 648);
const RecordOps kOps172 = Ops<NLMM172_HD, Init172, Release172, Copy172, Write172, Read172>("<NLMM172_HD>", 424);
const RecordOps kOps173 = Ops<NLMM173_HD, Init173, Release173, Copy173, Write173, Read173>("<NLMM173_HD>", 49);
const RecordOps kOps174 = Ops<NLMM174_HD, Init174, Release174, Copy174, Write174, Read174>("<NLMM174_HD>", 537);
const RecordOps kOps175 = Ops<NLMM175_HD, Init175, Release175, Copy175, Write175, Read175>("<NLMM175_HD>", 73);

}  // namespace recordfamily
