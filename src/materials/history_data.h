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

// Model slots of the material table: slot k = 0..36 (slot 0 the fracture model).
constexpr int kNlmmSlots = 37;

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
  double PointValue[7];        // [1..6] transverse shear history of the two components
  double* PointVectorA;        // [2] last transverse shear strain
  double* PointVectorB;        // [2] last transverse shear stress
  char PointByteA;             // 1 until transverse shear component 1 cracks
  char PointByteB;
  double PointTolerance;       // tolerance of the crack iterations
  char PointByteC;             // 1 when the second algorithm accepted its minimum residual
};

struct NLMM104_HD {
  int32_t PointStatus;
  double* Strain;              // [3]
  double* Stress;              // [3]
  CrackPart104 Cr;
};

// Crack part of the solid models: _NLMM111 fields 5 to 29, also in _NLMM151.
struct CrackPart111 {
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
  double* CrAux[7];            // [1..6], each [4]: spare, reopening stress, closing strain,
                               // largest crack normal strain, crack shear strains 1 and 2
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

// History record of a nonlinear spring sampling point.
struct NLSMM_HDRecord {
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

// Cyclic concrete fibres _NLMM210 (20 values) and _NLMM220 (22 values).
struct NLMM210_HD {
  int32_t RuleNumber;
  int32_t Flag;
  double Value[21];         // [1..20]
};
struct NLMM220_HD {
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

// Four reals of _NLMM301, _NLMM451 and _NLMM501: the bond-slip laws hold slip, bond
// stress, largest |slip| and |stress| there; the layer failure check _NLMM501 holds the
// stress in the material axes (s1, s2, t12; zeros after failure) and the failure index.
struct NLMM301_HD {
  double Value[5];          // [1..4]
};

// Softening interface _NLMM302: the layout of the spring record.
using NLMM302_HD = NLSMM_HDRecord;

// Cyclic bond slip _NLMM303.
struct NLMM303_HD {
  int32_t RuleNumber;
  int32_t PositiveCount, NegativeCount;
  int32_t Spare[2];         // kept 0
  double Value[25];         // [1..24]
};

// Cyclic interfaces _NLMM304 and _NLMM306 (one entry per interface direction).
struct NLMM304_HD {
  double V1[3];
  double V2[3];
  double R1, R2, R3, R4;
  uint32_t Rule[3];
  double R5;                // kept by the copy
  double H[36][3];          // H[1..35][1..2] rule history
  double R6, R7;
  int32_t S;                // contact state, 1 at start
  double V3[3];
};

// _NLMM305: slip (2), shear stress (2), largest |slip| (2), |stress| there (2), normal
// stress, strength, normal displacement.
struct NLMM305_HD {
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

// Smeared concrete _NLMM211 (the meanings belong to its law).
struct NLMM211_HD {
  int32_t State;
  int32_t Started;
  int32_t IntA[3];          // 1 1 at start
  int32_t IntB[3];
  double RealA[3];
  double Real3[6][4];       // five 3-vectors
  int32_t IntC[3];
  double Angle;
  double Real2[22][3];      // 21 2-vectors; Real2[1] the characteristic length
};

// Fracture model of the embedded strong discontinuities.
struct FRC_MIXFRACTURE_2D_HD {
  double F[4][4];           // F1..F3, [1..3]
  double E[7][9];           // E1..E6, [1..8]; E4..E6 kept by the copy
  double G[5];              // [1..4]
  int32_t K;                // kept by the copy
};
