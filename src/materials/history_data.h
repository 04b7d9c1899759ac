// History data of the nonlinear material and spring models: the per-model tables of
// per-sampling-point state records, the records themselves, and the index that maps
// elements, sampling points, layers, fibres and pattern components to their records.
//
// The types live here, in materials, because the element routines and the load
// routines hand them to the material point (materials < elements < loads); the history
// index, table and files (allocation, start values, copy, read and write) are in
// src/history/, which ranks above materials and below elements.
//
// Every element, assembly and load routine takes these types by these names; no
// routine passes history data as void**.
//
// Records own 1-based vectors (allocd1 / alloci1 / allocd2), allocated by the model's
// initialisation or reader and released by its release routine; the current and the
// converged copy never share a vector. The field order of each record is its order in
// the model's history file, every field at its natural width (int32 4 bytes, double 8,
// flag 1).
#pragma once

#include <cstdint>

// Model slots of the material table, each named by its model: slot k = 0..36 (slot 0 the
// fracture model of the plane patterns); a model that shares another's record type keeps
// its own slot.
enum HistorySlot : int {
  kSlotNone = -1,  // a code without history records
  kSlotFracture = 0,
  kSlot101, kSlot102, kSlot104, kSlot111, kSlot121, kSlot122, kSlot123, kSlot124, kSlot125,
  kSlot141, kSlot142, kSlot145, kSlot146, kSlot151, kSlot171, kSlot172, kSlot173, kSlot174,
  kSlot175, kSlot201, kSlot202, kSlot210, kSlot211, kSlot220, kSlot298, kSlot299, kSlot301,
  kSlot302, kSlot303, kSlot304, kSlot305, kSlot306, kSlot320, kSlot401, kSlot451, kSlot501,
};
constexpr int kNlmmSlots = kSlot501 + 1;

// Slot of material code 1..49, or -1 for the codes without history records (the linear
// and thermal codes, _NLMM105 and the composition codes).
int NlmmSlotOfCode(int code);
// Material code of slot 0..36 (the first code that owns the slot).
int NlmmCodeOfSlot(int slot);

// Concrete plasticity _NLMM121 (nc = 3) and _NLMM122, _NLMM123, _NLMM125 (nc = 6).
struct NLMM121_HD {
  int32_t PointStatus;      // 1 _ELASTIC, 3 _ELASTIC_PLASTIC; 0 before the start values
  double* Strain;           // [nc] total strain
  double* Stress;           // [nc]
  int32_t LoadingState;     // 1 elastic, 2 plastic last update
  double YieldParam;        // compressive strength copied at start
  double DeltaLambda;
  double EqPlasticStrain;   // hardening parameter
  double YieldStress;
  double* PlasticStrain;    // [nc]
};

// Drucker-Prager / Mohr-Coulomb _NLMM124 (6-component vectors).
struct NLMM124_HD {
  int32_t PointStatus;
  double* Strain;           // [6]
  double* Stress;           // [6]
  int32_t LoadingState;
  double DeltaLambda;
  double EqPlasticStrain;
  double Cohesion;
  double FrictionAngle;
  double UpdateScalar;
  double* PlasticStrain;    // [6]
  // Kept in memory only, not in the history file: the trial stress of the last plastic
  // update (model order, [1..6]), from which the Mohr-Coulomb tangent is formed;
  // TrialSet is 0 until an update sets it and after a record is read back.
  double TrialStress[7];
  int32_t TrialSet;
};

// Rule state of the cyclic steel law (_NLMM145 and _NLMM202).
struct NLMM145_HD {
  // Places in Value. A point (strain, stress) takes two places: the strain at the named
  // one, its stress at the next.
  enum Field : int {
    kTan = 1,      // tangent modulus of the last evaluation
    kStrain = 2,   // strain of the last evaluation, the base of the next increment
    kStress = 3,   // its stress
    kOrigin3 = 4, kOrigin4 = 6, kOrigin5 = 8, kOrigin6 = 10,  // origin points of rules 3 to 10
    kOrigin7 = 12, kOrigin8 = 14, kOrigin9 = 16, kOrigin10 = 18,
    kTarget3 = 20, kTarget4 = 22, kTarget5 = 24, kTarget6 = 26,  // target points of rules 3 to 8
    kTarget7 = 28, kTarget8 = 30,
    kOMinus = 31,  // origin strain of the compression skeleton
    kOPlus = 32,   // origin strain of the tension skeleton
    kPrevStrain = 33,  // the point before the last evaluation
    kPrevStress = 34,
    kDPlus = 35,   // largest strain reached on the tension skeleton, from its origin
    kDMinus = 36,  // the same on the compression skeleton (signed)
    kLastRev = 37, // last reversal point
  };
  int32_t RuleNumber;       // current rule of the reversal-rule set
  int32_t StateWord;
  double Value[44];         // [1..43]
};

// _NLMM146: the file holds column 1 of the 4 x 2 matrix only.
struct NLMM146_HD {
  int32_t Int1;
  int32_t Int2;
  double Scalar;
  double* VecA;             // [3]
  double* VecB;             // [3]
  int32_t* IntVec;          // [4]
  double** Mat;             // [4][2]
  double* Vec4;             // [4]
  double* Vec8A;            // [8]
  double* Vec8B;            // [8]
  double Value[20];         // [1..19]
};

// Shrinkage of _NLMM171 (Mat written row by row) and _NLMM172.
// Vec[kAutogenousShrink] and Vec[kDryingShrink] hold the two shrinkage strains at Time
// (6-vectors); Vec[3..6] are not used by the laws.
enum ShrinkVector : int { kAutogenousShrink = 1, kDryingShrink = 2 };

struct NLMM171_HD {
  double Time;
  double* Vec[7];           // six 6-vectors, [1..6]
  double Scalar[3];         // [1..2]
  double* Vec2[3];          // two 6-vectors, [1..2]
  double** Mat;             // [6][5]
};

struct NLMM172_HD {
  double Time;
  double* Vec[7];           // six 6-vectors, [1..6]
  double Scalar[5];         // [1..4]
  double* Vec2[3];          // two 6-vectors, [1..2]
};

// Maturity of _NLMM173: the properties at the equivalent age.
struct NLMM173_HD {
  double Age;
  double EquivalentAge;
  double CompressiveStrength;
  double TensileStrength;
  double YoungModulus;
  double FractureEnergy;
  char FirstCallFlag;
};

// Kelvin chain of _NLMM174: one record per point and chain component.
struct NLMM174_HD {
  double Time;              // time of the last creep update
  double** UnitStrain;      // [6][10] Kelvin unit strains (row = strain component)
  double* CreepStress;      // [6]
  char FirstStepFlag;
};

// Temperature-dependent properties of _NLMM175.
struct NLMM175_HD {
  double Time;
  double Temperature;
  double UnitWeight;
  double PoissonRatio;
  double ThermalExpansion;
  double YoungModulus;
  double TensileStrength;
  double CompressiveStrength;
  double FractureEnergy;
  char FirstCallFlag;
};

// ---- smeared-crack models -------------------------------------------------------------
// A point has at most 4 cracks; per-crack vectors hold slot i for crack i, crack vectors
// the components of the four cracks one after the other (2 per crack in the plane
// models: normal, shear; 3 in the solid ones). Status codes: PointStatus 1 _ELASTIC,
// 2 _ELASTIC_CRACKED, 3 _ELASTIC_PLASTIC, 4 _ELASTIC_PLASTIC_CRACKED; CrStatus 1
// _INITIATING, 2 _OPENING, 3 _CLOSING, 4 _CLOSED, 5 _REOPENING, 6 _FULLY_OPEN, 0 no crack.

// _NLMM101 (plane, nc 3, CrAngle 4 x 2: column 1 the crack angle, column 2 not in the
// file) and _NLMM102 (solid, nc 6, CrDirection 4 x 3: row i the direction of crack i).
struct NLMM101_HD {
  int32_t PointStatus;
  double* Strain;              // [nc]
  double* Stress;              // [nc]
  int32_t nCr;
  double CrThresholdAngle;
  int32_t* CrStatus;           // [4]
  double** CrAngle;            // [4][2] plane; null in _NLMM102
  double** CrDirection;        // [4][3] solid; null in _NLMM101
  double* CrBandWidth;         // [4]
  double* CrGf;                // [4]
  double* CrTensileStrength;   // [4]; slot nCr+1 the stress a next crack must reach
  double* CrAux1;              // [4]
  double* CrStrainMax;         // [4]
  double* CrStrain;            // [8] plane, [12] solid
  double* CrStress;
};

// Crack part of the plane models with shear softening: _NLMM104 fields 4 to 38, also
// the crack part of _NLMM142.
struct CrackPart104 {
  int32_t nCr;
  double CrThresholdAngle;
  int32_t* CrStatus;           // [4]
  int32_t* CrAuxStatus;        // [4] 1 when the crack initiates
  double* CrMaxSliding;        // [4] largest crack shear sliding reached
  double** CrAngle;            // [4][2] column 1 the crack angle (column 2 not in the file)
  double* CrBandWidth;         // [4]
  double* CrGf;                // [4] reduced by the shear sliding
  double* CrGfInitial;         // [4] the energy the crack started with
  double* CrGfII;              // [4] mode-II fracture energy
  double* CrTensileStrength;   // [4]
  double* CrShearStiffness;    // [4] before the shear peak
  double* CrShearStrength;     // [4] peak shear stress
  double* CrAux1;              // [4]
  double* CrReopThreshold;     // [4] normal stress above which a closed crack reopens
  double* CrCloseThreshold;    // [4] normal crack strain below which a crack closes
  double* CrStrainMax;         // [4] largest normal crack strain on the envelope
  double* CrShearStrainMax;    // [4] signed crack shear strain of the last envelope point
  double* CrStrain;            // [8]
  double* CrStress;            // [8]
  double* CrVector3;           // [8]
  int32_t PointFlagA;          // transverse shear status of shell components 1 and 2
  int32_t PointFlagB;
  double PointValue[7];        // [1..6] transverse shear history, three values per component
  double* PointVectorA;        // [2] last transverse shear strain
  double* PointVectorB;        // [2] last transverse shear stress
  char PointByteA;             // 1 until transverse shear component 1 cracks
  char PointByteB;
  double PointTolerance;       // tolerance of the crack iterations
  char PointByteC;             // 1 when the second algorithm accepted its minimum residual
};

// Transverse shear history of component k (1, 2) of a cracked shell point:
// PointValue[TransverseShearValue(k, field)].
enum TransverseShearField : int {
  kTsCrackStress = 1,  // shear stress at which the component cracked
  kTsCrackStrain = 2,  // shear strain at which it cracked
  kTsEnvStrain = 3,    // signed shear strain of its last point on the envelope
};
constexpr int TransverseShearValue(int k, TransverseShearField field) { return 3 * (k - 1) + field; }

struct NLMM104_HD {
  int32_t PointStatus;
  double* Strain;              // [3]
  double* Stress;              // [3]
  CrackPart104 Cr;
};

// Crack part of the solid models: _NLMM111 fields 5 to 29, also in _NLMM151.
struct CrackPart111 {
  // Per-crack vectors of CrAux (the file's CrAux1 to CrAux6).
  enum AuxField : int {
    kAuxTwist = 1,           // turn of the tangent axes about the normal from those the normal
                             // gives (a crack turned with the material in the updated description)
    kAuxReopThreshold = 2,   // normal stress above which a closed crack reopens
    kAuxCloseThreshold = 3,  // normal crack strain below which an active crack closes
    kAuxStrainMax = 4,       // largest normal crack strain on the softening envelope
    kAuxShearStrainMax1 = 5, // signed crack shear strain of the last shear envelope point, component 1
    kAuxShearStrainMax2 = 6, // the same, component 2
  };
  int32_t nCr;
  double CrThresholdAngle;
  int32_t* CrStatus;           // [4]
  int32_t* CrAuxStatus;        // [4]
  int32_t* CrAuxStatus2;       // [4]
  double** CrDirection;        // [4][3]
  double* CrBandWidth;         // [4]
  double* CrGf;                // [4]
  double* CrGfII;              // [4]
  double* CrTensileStrength;   // [4]
  double* CrShearStiffness;    // [4] first shear component
  double* CrShearStiffness2;   // [4] second
  double* CrShearStrength;     // [4]
  double* CrShearStrength2;    // [4]
  double* CrAux[7];            // [1..6] by AuxField, each [4]
  double* CrStrain;            // [12]
  double* CrStress;            // [12]
  double* CrVector3;           // [12]
  double PointTolerance;
  char PointByteC;
};

struct NLMM111_HD {
  int32_t PointStatus;
  double* Strain;              // [6]
  double* Stress;              // [6]
  double* StrainAux;           // [6]
  CrackPart111 Cr;
};

// _NLMM141: the plastic part of the _NLMM121 record (nc 3), then the cracks.
struct NLMM141_HD {
  NLMM121_HD Pl;
  int32_t nCr;
  double CrThresholdAngle;
  int32_t* CrStatus;           // [4]
  double* CrAngleVector;       // [4] crack angles
  double* CrBandWidth;         // [4]
  double* CrGf;                // [4]
  double* CrTensileStrength;   // [4]
  double* CrAux1;              // [4]
  double* CrStrainMax;         // [4]
  double* CrStrain;            // [8]
  double* CrStress;            // [8]
};

// Plastic part of _NLMM142 (nc 3) and _NLMM151 (nc 6).
struct CrackPlasticPart {
  int32_t PointStatus;
  double* Strain;              // [nc]
  double* Stress;              // [nc]
  double* PlasticStress;       // [nc] stress of the plastic continuum
  int32_t PlasticState;        // 1 no plastic flow in the last step, 2 plastic flow
  double CompressiveDamage;
  double* PlasticVectorA;      // [nc]
  double* PlasticVectorB;      // [nc]
  double YieldParam;           // compressive strength copied at start
  double DeltaLambda;
  double EqPlasticStrain;      // hardening value kappa
  double YieldStress;
  double* PlasticStrain;       // [nc]
};

struct NLMM142_HD {
  CrackPlasticPart Pl;
  CrackPart104 Cr;
};

struct NLMM151_HD {
  CrackPlasticPart Pl;
  CrackPart111 Cr;
};

// History data of the nonlinear material models: per slot k a pair of 1-based record
// arrays, Entry[2k] the current (trial) copy, Entry[2k + 1] the last converged copy
// (null unless the history-data mode is 1). An array of no records is null. The record
// type of each slot belongs to its model (_NLMM202 uses the NLMM145_HD layout).
// PathBehavior is the history-data mode the driver built the table for: 1 the records
// restart from the converged copy at every residual, 2 the current copy carries on from
// the last iterate (0: no table built).
struct NLMM_HD {
  void* Entry[2 * kNlmmSlots];
  int32_t PathBehavior;
};

// History record of a nonlinear spring sampling point (also the softening interface
// _NLMM302, whose InUse holds the state of its law).
struct NLSMM_HDRecord {
  // Places in Value.
  enum Field : int {
    kDisplacement = 1,  // displacement (_NLMM302: normal opening) of the last evaluation
    kForce = 2,         // force it gave (_NLMM302: normal stress)
    kEnvelope = 3,      // displacement of the last point on the envelope (_NLMM302: largest opening)
  };
  int32_t InUse;            // 1 once the slot belongs to a nonlinear spring
  double Value[4];          // [1..3] history values of the spring law
};

// History data of the nonlinear spring models: per spring material code c = 2..4 a
// pair, Entry[2(c - 2)] current and Entry[2(c - 2) + 1] last converged (1-based arrays).
struct NLSMM_HD {
  NLSMM_HDRecord* Entry[6];
};

// History-data index of a nonlinear run: record numbers of every sampling point in the
// record array of its model, by element kind (1-based arrays, rows from the counts; a
// record number 0 means no record, e.g. a linear layer). Read the record numbers through
// the accessors of history/history.h, which refuse a slot outside the sized rows.
struct Index_HD {
  // Single-material elements: Single[i][k], k the sampling point in the element's order.
  int32_t nSingle;
  int32_t* SingleSlots;
  int32_t** Single;
  // Layered elements: Layered[i][k][L].
  int32_t nLayered;
  int32_t* LayeredSlots;
  int32_t* LayeredLayers;
  int32_t*** Layered;
  // Fibrous elements: Fibrous[i][k][f][p], fibre f, sub-point p.
  int32_t nFibrous;
  int32_t* FibrousSlots;
  int32_t* FibrousFibres;
  int32_t* FibrousSubPoints;
  int32_t**** Fibrous;
  // Material-pattern elements: Pattern[i][k][c], component c.
  int32_t nPattern;
  int32_t* PatternSlots;
  int32_t* PatternComponents;
  int32_t*** Pattern;
  // Embedded discontinuity records: Discontinuity[d][k].
  int32_t nDiscontinuity;
  int32_t* DiscontinuitySlots;
  int32_t** Discontinuity;
};

// Spring side of the index: per spring its running number among the springs of its kind
// with a nonlinear spring material (0 otherwise), and the record numbers of their slots.
struct SpringIndex_HD {
  int32_t* LinkToHD;        // [internal point spring links]
  int32_t* PointToHD;       // [point springs]
  int32_t* LineToHD;        // [line springs]
  int32_t* SurfToHD;        // [surface springs]
  int32_t nLink, nPoint, nLine, nSurf;  // springs with a nonlinear material, by kind
  int32_t* LinkRecord;      // [nLink]
  int32_t* PointRecord;     // [nPoint]
  int32_t* LineSlots;       // [nLine]
  int32_t** LineRecord;     // [nLine][slot], null row for 0 slots
  int32_t* SurfSlots;       // [nSurf]
  int32_t** SurfRecord;     // [nSurf][slot]
};

// ---- uniaxial, cyclic, interface, thermal and fracture records ----------------------
// Vectors of these records are held in place, 1-based (entry 0 unused); the field order
// below is the file order unless the record's writer says otherwise.

// Monotonic steel _NLMM201.
struct NLMM201_HD {
  int32_t Status;           // 1..8: envelope, unloading, reloading, fractured (tension 1-4, compression 5-8)
  int32_t Branch;           // 1 elastic, 2 yield, 3 hardening, 4 elastic line from A, 5 line B-A, 6 fractured
  double Strain;            // mechanical strain of the last evaluation
  double Stress;
  double Origin;            // strain about which the envelope is measured
  double E0;                // zero-stress strain of the elastic line from A
  int32_t SecondReversal;   // 1 once the point has left an elastic line back onto the envelope
  double AStrain, AStress;  // reversal point A
  double BStrain, BStress;  // reversal point B
  double SavedOrigin1, SavedOrigin2;
};

// Cyclic concrete fibres _NLMM210 (20 values) and _NLMM220 (22 values). A point
// (strain, stress) takes two places: the strain at the named one, its stress at the next.
// Strains and stresses are tension positive.
struct NLMM210_HD {
  enum Field : int {
    kTan = 1,         // tangent modulus of the last evaluation
    kStrain = 2,      // strain of the last evaluation, the base of the next increment
    kStress = 3,      // its stress
    kPrevStrain = 4,  // the point before it
    kPrevStress = 5,
    kShift = 6,       // shift of the tension envelope
    kUnC = 7,         // compression unloading point
    kRev71 = 9,       // reversal point of rule 71
    kRev81 = 11,      // reversal point of rule 81
    kLastRev = 13,    // last reversal point
    kUnT = 15,        // tension unloading point
    kEps14 = 17,      // strain of rule 14
    kEps13 = 18,      // strain of rule 13
    kRev15 = 19,      // reversal point of rule 15
  };
  int32_t RuleNumber;
  int32_t Flag;
  double Value[21];         // [1..20]
};
struct NLMM220_HD {
  // The places of NLMM210_HD that the compression-only law keeps, and one more point.
  enum Field : int {
    kTan = NLMM210_HD::kTan,
    kStrain = NLMM210_HD::kStrain,
    kStress = NLMM210_HD::kStress,
    kPrevStrain = NLMM210_HD::kPrevStrain,
    kPrevStress = NLMM210_HD::kPrevStress,
    kUnC = NLMM210_HD::kUnC,
    kRev71 = NLMM210_HD::kRev71,
    kLastRev = NLMM210_HD::kLastRev,
    kExit71 = 21,  // point where rule 71 was left
  };
  int32_t RuleNumber;
  int32_t Flag;
  double Value[23];         // [1..22]
};

// Concrete fibres _NLMM298 (with the two flags) and _NLMM299.
struct NLMM298_HD {
  double Strain, Stress, MinStrain, StressAtMin, Tangent;
  char Cracked, Crushed;
};
struct NLMM299_HD {
  double Strain, Stress, MinStrain, StressAtMin, Tangent;
};

// Four reals of _NLMM301, _NLMM451 and _NLMM501, each model with its own places.
struct NLMM301_HD {
  enum Field : int {
    // _NLMM301 bond slip
    kSlip301 = 1,         // slip of the last evaluation
    kStress301 = 2,       // its bond stress
    kMaxSlip301 = 3,      // largest |slip| reached
    kStressAtMax301 = 4,  // |bond stress| there
    // _NLMM451 thermal properties of the last evaluation
    kDensity451 = 1,
    kSpecificHeat451 = 2,
    kTemperature451 = 3,
    kConductivity451 = 4,
    // _NLMM501 layer failure check
    kStress501 = 1,        // 1..3: the stress in the material axes (s1, s2, t12), zeros after failure
    kFailureIndex501 = 4,  // above 0: the layer has failed
  };
  double Value[5];          // [1..4]
};

// Softening interface _NLMM302: the layout of the spring record.
using NLMM302_HD = NLSMM_HDRecord;

// Places of the reals of the cyclic bond slip _NLMM303. A point (slip, stress) takes two
// places: the slip at the named one, its stress at the next.
enum Nlmm303Field {
  k303Tangent = 1,  // the secant tau / s after every update with s != 0
  k303Slip,         // slip of the last evaluation
  k303Stress,       // its bond stress
  k303RefSlip,      // copy of the last point: the point a reversal starts from
  k303RefStress,
  k303Origin4,  // origin points of rules 4, 41, 7, 8
  k303Origin41 = 8,
  k303Origin7 = 10,
  k303Origin8 = 12,
  k303LastReversal = 14,  // last reversal point
  k303Origin3 = 16,       // origin points of rules 3, 31
  k303Origin31 = 18,
  k303DamagePos = 20,  // damage factors of the two envelopes
  k303DamageNeg,
  k303EnergyPos,  // dissipated energies of the two envelopes, normalised by the reference
  k303EnergyNeg,
  k303EnergyRef,  // reference energy: the energy under the envelope
};

// Cyclic bond slip _NLMM303.
struct NLMM303_HD {
  int32_t RuleNumber;
  int32_t PositiveCount, NegativeCount;
  int32_t Spare[2];         // kept 0
  double Value[25];         // [1..24]
};

// Cyclic interfaces _NLMM304 and _NLMM306 (one entry per interface direction).
struct NLMM304_HD {
  // Rows of the rule history H. A point (slip, stress) takes two rows: the slip at the
  // named one, its stress at the next.
  enum HistoryRow : int {
    kOriginPos = 1,      // origin slip of the positive envelope
    kOriginNeg = 2,      // origin slip of the negative envelope
    kExcursionPos = 3,   // reach of the last reversal from the positive envelope's origin
    kExcursionNeg = 4,   // the same on the negative side
    kLastReversal = 33,  // last reversal point
    kTangent = 35,       // tangent of the last evaluation
  };
  double V1[3];             // slip of the last evaluation
  double V2[3];             // its shear stress
  double R1;                // normal stress of the last evaluation
  double R2, R3, R4;        // R2 not used by the law; R3 slip path since the last closure; R4 friction coefficient
  uint32_t Rule[3];
  double R5;                // stress at the end of the first envelope branch; kept by the copy
  double H[36][3];          // H[1..35][1..2] rule history, rows by HistoryRow
  double R6, R7;            // R6 direction of the slip in the plane; R7 normal opening
  int32_t S;                // contact state: 1 closed (at start), 2 open
  double V3[3];             // slip at the last closure, from which the slips count
};

// Rows of H holding the reversal point of rule 3..10 of _NLMM306 (rows 5..32); rules 3..8
// keep their target point two rows further on.
constexpr int ReversalRow306(int rule) { return rule <= 8 ? 5 + 4 * (rule - 3) : 29 + 2 * (rule - 9); }
constexpr int TargetRow306(int rule) { return ReversalRow306(rule) + 2; }

// _NLMM305.
struct NLMM305_HD {
  // Places in Value; slip direction j (1, 2) takes the named place + j - 1.
  enum Field : int {
    kSlip = 1,          // slip of the last evaluation
    kStress = 3,        // its bond stress
    kMaxSlip = 5,       // largest |slip| reached
    kStressAtMax = 7,   // |bond stress| there
    kNormalStress = 9,  // normal stress of the last evaluation
    kStrength = 10,     // bond strength at that normal stress
    kOpening = 11,      // normal opening
  };
  double Value[12];         // [1..11]
};

// Interface plasticity _NLMM320.
struct NLMM320_HD {
  int32_t State;            // 1 elastic, 3 plastic
  double Multiplier, Kappa;
  double Increment[4], Stress[4], PlasticDisp[4];  // [1..3]
};

// Thermal hydration _NLMM401.
struct NLMM401_HD {
  double AlphaT, Q, Qdot;
};

// Smeared concrete _NLMM211 with rotating cracks; entry i of a 2-vector belongs to the
// principal direction i.
struct NLMM211_HD {
  // Rows of Real3 (3-vectors).
  enum Real3Row : int {
    kDirStrain = 1,     // equivalent uniaxial strain of each direction
    kDirStress = 2,     // its stress (tension positive)
    kSecantStrain = 3,  // strain of the last evaluation, for the secant tangent
    kTotalStrain = 4,   // total strain xx, yy, xy
    kTotalStress = 5,   // total stress xx, yy, xy
  };
  // Rows of Real2 (2-vectors). Rows 5 to 20 keep the fibre law's state of each direction:
  // rows 7 to 20 at the numbers of their places in NLMM210_HD::Value.
  enum Real2Row : int {
    kCharLength = 1,       // characteristic length of the sampling point
    kOpeningStrain = 2,    // crack opening strain
    kSecantStress = 3,     // stress of the last evaluation, for the secant tangent
    kPrincipalStrain = 4,  // principal strains e1, e2
    kPrevStrain = 5,       // strain of the point before the last
    kPrevStress = 6,       // its stress
    kFirstRulePoint = 7,   // first and last row of the fibre rules' points (row 21 unused)
    kLastRulePoint = 20,
  };
  int32_t State;            // 0 linear, 1 or 2 that direction nonlinear, 3 both
  int32_t Started;          // 0 until the first nonlinear call, 1, 2 once a compression envelope used its peak curve
  int32_t IntA[3];          // rule of each direction; 1 1 at start
  int32_t IntB[3];          // cracked flag of each direction
  double RealA[3];          // tangent of each direction
  double Real3[6][4];       // five 3-vectors, rows by Real3Row
  int32_t IntC[3];          // branch code of each direction
  double Angle;             // principal angle
  double Real2[22][3];      // 21 2-vectors, rows by Real2Row
};

// Fracture model of the embedded strong discontinuities.
struct FRC_MIXFRACTURE_2D_HD {
  double F[4][4];           // F1..F3, [1..3]
  double E[7][9];           // E1..E6, [1..8]; E4..E6 kept by the copy
  double G[5];              // [1..4]
  int32_t K;                // kept by the copy
};
