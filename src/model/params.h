// The run's option blocks of the data file: "<MAIN_PARAMETERS>",
// "<DYNAMIC_ANALYSIS_PARAMETERS>" and "<ARC_LENGTH_PARAMETERS>", and the choice of the
// analysis driver from the main parameters.
//
// Enumerated options are 1-based int32 codes in the order of their keyword lists;
// yes/no options are flag bytes (1 yes, 0 no); counts are int32, reals double.
#pragma once

#include <cstdint>
#include <cstdio>

#include "model/fileio.h"

// ANALYSIS_TYPE
enum AnalysisType {
  ANALYSIS_STATIC = 1,
  ANALYSIS_DYNAMIC = 2,
  ANALYSIS_MODAL_ANALYSIS = 3,
  ANALYSIS_MODAL_SUPERPOSITION = 4,
  ANALYSIS_THERMAL_STEADY_STATE = 5,
  ANALYSIS_THERMAL_TRANSIENT = 6,
  ANALYSIS_TRANSIENT = 7
};

// "<MAIN_PARAMETERS>": 33 fields in file order (title, then 113 bytes).
struct MainParameters {
  char MainTitle[kBinStringMax];
  int32_t AnalysisType;             // AnalysisType codes
  char MaterNonlinear;              // MATERIALLY_NONLINEAR_PROBLEM
  char GeomNonlinear;               // GEOMETRICALLY_NONLINEAR_PROBLEM
  int32_t KinematicDescription;     // 1 _TOTAL_LAGRANGIAN, 2 _UPDATED_LAGRANGIAN
  int32_t nPhases;
  int32_t nFibrousMeshes;           // records of "<FIBROUS_MESHES>"
  int32_t nContactCases;            // records of "<CONTACT>"
  int32_t nLoadCases;
  int32_t nCombinations;
  char Spare1;                      // spare flags: read and kept, used by nothing
  char Spare2;
  int32_t MaxArcLengthCombinations;
  int32_t StorageTechnique;         // 1 _SYMMETRIC_NONCONSTANT_SEMIBAND, 2 _SYMMETRIC_SPARSE
  int32_t LinEqAlgorithm;           // 1 _GAUSS_ELIM, 2 _ITERATIVE_JPCG, 3 _ITERATIVE_ICFPCG
  double PrecondResidualDecay;
  int32_t ThermalSteppingMethod;    // 1 _FORWARD_EULER .. 5 _GALERKIN_13
  double ThermalTheta;
  int32_t IterativeAlgorithm;       // 1 _NEWTON_RAPHSON_STD .. 5 _NEWTON_RAPHSON_MOD_4
  int32_t ConvergenceCriterion;     // 1 _DISPLACEMENT_NORM, 2 _FORCE_NORM, 3 _ENERGY
  double Tolerance;                 // TOLERANCE_IN_EACH_COMBINATION
  int32_t MaxIterations;            // MAXIMUM_NUMBER_OF_ITERATIONS_IN_EACH_COMBINATION
  int32_t nCombBeforeRestart;       // NUMBER_OF_COMBINATIONS_BEFORE_RESTART
  char AddUnbalancedForces;
  char Spare3;
  char ArcLength;
  char Spare4;
  int32_t PathBehavior;             // 1 _INDEPENDENT, 2 _DEPENDENT
  char StiffMatEigenValues;
  int32_t MaxStiffMatEigenValues;
  int32_t EigenValueTechnique;      // 1 _JACOBI, 2 _LANCZOS
  int32_t EigenValueCombination;
  int32_t EigenValueIteration;
};

// DEFAULT_MODAL_DAMPING_RATIO and the Rayleigh factors hold this when not given.
constexpr double kValueNotGiven = -1.23456789012e30;

// "<DYNAMIC_ANALYSIS_PARAMETERS>": 9 fields, 60 bytes.
struct DynamicAnalysisParameters {
  int32_t TimeSteppingMethod;           // 1 _ALPHA_METHOD, 2 _NEWMARK, 3 _DUHAMEL
  double Gamma;
  double Beta;
  double Alpha;
  int32_t VibrationModeType;            // 1 _EIGEN_VECTOR, 2 _RITZ_VECTOR
  int32_t ModalSuperpositionProcedure;  // 1 _NORMAL, 2 _SCM, 3 _MAM
  double DefaultModalDampingRatio;
  double RayleighA0;                    // GLOBAL_RAYLEIGH_DAMPING_FACTOR_A0
  double RayleighA1;                    // GLOBAL_RAYLEIGH_DAMPING_FACTOR_A1
};

// Displacement control of the arc length: flag, point, dof (1 _D1 .. 6 _R3), increment.
struct DisplControl {
  char Active;
  int32_t Point;
  int32_t Dof;
  double Increment;
};

// Relative displacement control: flag, points A and B, increment.
struct RelDisplControl {
  char Active;
  int32_t PointA;
  int32_t PointB;
  double Increment;
};

// "<ARC_LENGTH_PARAMETERS>": 13 fields, 67 bytes.
struct ArcLengthParameters {
  char ConstantRadius;
  double RadiusFactor;
  double LoadFactor;
  double ForceDisplScaling;
  double MomentRotScaling;
  DisplControl Displ;
  RelDisplControl RelDispl;
};

void ReadMainParameters(FILE* fp, MainParameters* p);
void ReadDynamicAnalysisParameters(FILE* fp, DynamicAnalysisParameters* p);
void ReadArcLengthParameters(FILE* fp, ArcLengthParameters* p);

// The eighteen analysis drivers.
enum AnalysisDriver {
  DRIVER_STATIC_LIN_NCSB = 1,       // MainStaticLinGaussElimNCSB
  DRIVER_STATIC_LIN_JPCG,           // MainStaticLinIterJacPreConjGrad
  DRIVER_STATIC_MNL_NCSB,           // MainStaticMaterNonlinGaussElimNCSB
  DRIVER_STATIC_MNL_JPCG,           // MainStaticMaterNonlinIterJacPreConjGrad
  DRIVER_STATIC_MGNL_NCSB,          // MainStaticMaterGeomNonlinGaussElimNCSB
  DRIVER_STATIC_MGNL_JPCG,          // MainStaticMaterGeomNonlinIterJacPreConjGrad
  DRIVER_DYNAMIC_LIN_NCSB,          // MainDynamicLinGaussElimNCSB
  DRIVER_DYNAMIC_LIN_JPCG,          // MainDynamicLinIterJacPreConjGrad
  DRIVER_MODAL_ANALYSIS,            // MainLinModalAnalysis
  DRIVER_MODAL_SUPERPOSITION,       // MainLinModalSuperposition
  DRIVER_THERMAL_STEADY_NCSB,       // MainThermalSteadyLinGaussElimNCSB
  DRIVER_THERMAL_STEADY_JPCG,       // MainThermalSteadyLinIterJacPreConjGrad
  DRIVER_THERMAL_TRANSIENT_LIN_NCSB,  // MainThermalTransientLinGaussElimNCSB
  DRIVER_THERMAL_TRANSIENT_LIN_JPCG,  // MainThermalTransientLinIterJacPreConjGrad
  DRIVER_THERMAL_TRANSIENT_NL_NCSB,   // MainThermalTransientNonlinGaussElimNCSB
  DRIVER_THERMAL_TRANSIENT_NL_JPCG,   // MainThermalTransientNonlinIterJacPreConjGrad
  DRIVER_TRANSIENT_MNL_NCSB,        // MainTransientMaterNonlinGaussElimNCSB
  DRIVER_TRANSIENT_MNL_JPCG         // MainTransientMaterNonlinIterJacPreConjGrad
};

// The driver that the analysis type, the two nonlinearity flags and the storage /
// algorithm pair select; any other combination stops the run with "The selected type
// of analysis is not available yet.\nPlease change the options in the
// <MAIN_PARAMETERS> block.".
int SelectAnalysisDriver(const MainParameters* p);
// The driver's routine name ("MainStaticLinGaussElimNCSB" ...).
const char* AnalysisDriverName(int driver);
