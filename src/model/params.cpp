// Readers of the option blocks and the choice of the analysis driver.
#include "model/params.h"

#include <cstdio>

#include "numcore/numcore.h"

void ReadMainParameters(FILE* fp, MainParameters* p) {
  ReadString(p->MainTitle, kBinStringMax, fp);
  p->AnalysisType = ReadInt32(fp);
  p->MaterNonlinear = ReadByte(fp);
  p->GeomNonlinear = ReadByte(fp);
  p->KinematicDescription = ReadInt32(fp);
  p->nPhases = ReadInt32(fp);
  p->nFibrousMeshes = ReadInt32(fp);
  p->nContactCases = ReadInt32(fp);
  p->nLoadCases = ReadInt32(fp);
  p->nCombinations = ReadInt32(fp);
  p->Spare1 = ReadByte(fp);
  p->Spare2 = ReadByte(fp);
  p->MaxArcLengthCombinations = ReadInt32(fp);
  p->StorageTechnique = ReadInt32(fp);
  p->LinEqAlgorithm = ReadInt32(fp);
  p->PrecondResidualDecay = ReadDouble(fp);
  p->ThermalSteppingMethod = ReadInt32(fp);
  p->ThermalTheta = ReadDouble(fp);
  p->IterativeAlgorithm = ReadInt32(fp);
  p->ConvergenceCriterion = ReadInt32(fp);
  p->Tolerance = ReadDouble(fp);
  p->MaxIterations = ReadInt32(fp);
  p->nCombBeforeRestart = ReadInt32(fp);
  p->AddUnbalancedForces = ReadByte(fp);
  p->Spare3 = ReadByte(fp);
  p->ArcLength = ReadByte(fp);
  p->Spare4 = ReadByte(fp);
  p->PathBehavior = ReadInt32(fp);
  p->StiffMatEigenValues = ReadByte(fp);
  p->MaxStiffMatEigenValues = ReadInt32(fp);
  p->EigenValueTechnique = ReadInt32(fp);
  p->EigenValueCombination = ReadInt32(fp);
  p->EigenValueIteration = ReadInt32(fp);
}

void ReadDynamicAnalysisParameters(FILE* fp, DynamicAnalysisParameters* p) {
  p->TimeSteppingMethod = ReadInt32(fp);
  p->Gamma = ReadDouble(fp);
  p->Beta = ReadDouble(fp);
  p->Alpha = ReadDouble(fp);
  p->VibrationModeType = ReadInt32(fp);
  p->ModalSuperpositionProcedure = ReadInt32(fp);
  p->DefaultModalDampingRatio = ReadDouble(fp);
  p->RayleighA0 = ReadDouble(fp);
  p->RayleighA1 = ReadDouble(fp);
}

void ReadArcLengthParameters(FILE* fp, ArcLengthParameters* p) {
  p->ConstantRadius = ReadByte(fp);
  p->RadiusFactor = ReadDouble(fp);
  p->LoadFactor = ReadDouble(fp);
  p->ForceDisplScaling = ReadDouble(fp);
  p->MomentRotScaling = ReadDouble(fp);
  p->Displ.Active = ReadByte(fp);
  p->Displ.Point = ReadInt32(fp);
  p->Displ.Dof = ReadInt32(fp);
  p->Displ.Increment = ReadDouble(fp);
  p->RelDispl.Active = ReadByte(fp);
  p->RelDispl.PointA = ReadInt32(fp);
  p->RelDispl.PointB = ReadInt32(fp);
  p->RelDispl.Increment = ReadDouble(fp);
}

int SelectAnalysisDriver(const MainParameters* p) {
  // Nonlinearity: 0 linear, 1 materially, 2 materially and geometrically, -1 other.
  int nl = -1;
  if (p->MaterNonlinear == 0 && p->GeomNonlinear == 0) nl = 0;
  if (p->MaterNonlinear == 1 && p->GeomNonlinear == 0) nl = 1;
  if (p->MaterNonlinear == 1 && p->GeomNonlinear == 1) nl = 2;
  // Solver: 1 NCSB with Gaussian elimination, 2 sparse with JPCG, 0 other.
  int solver = 0;
  if (p->StorageTechnique == 1 && p->LinEqAlgorithm == 1) solver = 1;
  if (p->StorageTechnique == 2 && p->LinEqAlgorithm == 2) solver = 2;
  int driver = 0;
  switch (p->AnalysisType) {
    case ANALYSIS_STATIC:
      if (solver != 0 && nl == 0) driver = solver == 1 ? DRIVER_STATIC_LIN_NCSB : DRIVER_STATIC_LIN_JPCG;
      if (solver != 0 && nl == 1) driver = solver == 1 ? DRIVER_STATIC_MNL_NCSB : DRIVER_STATIC_MNL_JPCG;
      if (solver != 0 && nl == 2) driver = solver == 1 ? DRIVER_STATIC_MGNL_NCSB : DRIVER_STATIC_MGNL_JPCG;
      break;
    case ANALYSIS_DYNAMIC:
      if (solver != 0 && nl == 0) driver = solver == 1 ? DRIVER_DYNAMIC_LIN_NCSB : DRIVER_DYNAMIC_LIN_JPCG;
      break;
    case ANALYSIS_MODAL_ANALYSIS:
      if (nl == 0) driver = DRIVER_MODAL_ANALYSIS;
      break;
    case ANALYSIS_MODAL_SUPERPOSITION:
      if (nl == 0) driver = DRIVER_MODAL_SUPERPOSITION;
      break;
    case ANALYSIS_THERMAL_STEADY_STATE:
      if (solver != 0 && nl == 0)
        driver = solver == 1 ? DRIVER_THERMAL_STEADY_NCSB : DRIVER_THERMAL_STEADY_JPCG;
      break;
    case ANALYSIS_THERMAL_TRANSIENT:
      if (solver != 0 && nl == 0)
        driver = solver == 1 ? DRIVER_THERMAL_TRANSIENT_LIN_NCSB : DRIVER_THERMAL_TRANSIENT_LIN_JPCG;
      if (solver != 0 && nl == 1)
        driver = solver == 1 ? DRIVER_THERMAL_TRANSIENT_NL_NCSB : DRIVER_THERMAL_TRANSIENT_NL_JPCG;
      break;
    case ANALYSIS_TRANSIENT:
      if (solver != 0 && nl == 1) driver = solver == 1 ? DRIVER_TRANSIENT_MNL_NCSB : DRIVER_TRANSIENT_MNL_JPCG;
      break;
    default:
      break;
  }
  // Modal runs choose their solver path themselves; every other run needs a matching pair.
  const bool pairNeeded = p->AnalysisType != ANALYSIS_MODAL_ANALYSIS && p->AnalysisType != ANALYSIS_MODAL_SUPERPOSITION;
  if (driver == 0 && solver == 0 && pairNeeded) {
    char msg[512];
    std::snprintf(msg, sizeof msg,
                  "The selected type of analysis is not available yet.\n"
                  "STIFFNESS_MATRIX_STORAGE_TECHNIQUE %d and SYSTEM_LIN_EQ_ALGORITHM %d do not match: the pairs that "
                  "exist are 1 _SYMMETRIC_NONCONSTANT_SEMIBAND with 1 _GAUSS_ELIM and 2 _SYMMETRIC_SPARSE with "
                  "2 _ITERATIVE_JPCG.\n"
                  "Please change the options in the <MAIN_PARAMETERS> block.",
                  p->StorageTechnique, p->LinEqAlgorithm);
    errexit(msg, 0);
  }
  if (driver == 0)
    errexit("The selected type of analysis is not available yet.\n"
            "Please change the options in the <MAIN_PARAMETERS> block.", 0);
  return driver;
}

const char* AnalysisDriverName(int driver) {
  switch (driver) {
    case DRIVER_STATIC_LIN_NCSB: return "MainStaticLinGaussElimNCSB";
    case DRIVER_STATIC_LIN_JPCG: return "MainStaticLinIterJacPreConjGrad";
    case DRIVER_STATIC_MNL_NCSB: return "MainStaticMaterNonlinGaussElimNCSB";
    case DRIVER_STATIC_MNL_JPCG: return "MainStaticMaterNonlinIterJacPreConjGrad";
    case DRIVER_STATIC_MGNL_NCSB: return "MainStaticMaterGeomNonlinGaussElimNCSB";
    case DRIVER_STATIC_MGNL_JPCG: return "MainStaticMaterGeomNonlinIterJacPreConjGrad";
    case DRIVER_DYNAMIC_LIN_NCSB: return "MainDynamicLinGaussElimNCSB";
    case DRIVER_DYNAMIC_LIN_JPCG: return "MainDynamicLinIterJacPreConjGrad";
    case DRIVER_MODAL_ANALYSIS: return "MainLinModalAnalysis";
    case DRIVER_MODAL_SUPERPOSITION: return "MainLinModalSuperposition";
    case DRIVER_THERMAL_STEADY_NCSB: return "MainThermalSteadyLinGaussElimNCSB";
    case DRIVER_THERMAL_STEADY_JPCG: return "MainThermalSteadyLinIterJacPreConjGrad";
    case DRIVER_THERMAL_TRANSIENT_LIN_NCSB: return "MainThermalTransientLinGaussElimNCSB";
    case DRIVER_THERMAL_TRANSIENT_LIN_JPCG: return "MainThermalTransientLinIterJacPreConjGrad";
    case DRIVER_THERMAL_TRANSIENT_NL_NCSB: return "MainThermalTransientNonlinGaussElimNCSB";
    case DRIVER_THERMAL_TRANSIENT_NL_JPCG: return "MainThermalTransientNonlinIterJacPreConjGrad";
    case DRIVER_TRANSIENT_MNL_NCSB: return "MainTransientMaterNonlinGaussElimNCSB";
    case DRIVER_TRANSIENT_MNL_JPCG: return "MainTransientMaterNonlinIterJacPreConjGrad";
    default: InternalError(__FILE__, __LINE__);
  }
}
