// Materially (and geometrically) nonlinear static analysis: combination by combination,
// the load increment over the previous combination is applied and Newton-Raphson
// iterations restore equilibrium between the applied loads and the internal forces of
// the elements. The global stiffness is rebuilt, saved or read back as the chosen
// strategy says. After every converged combination the result files, the history files
// and <job>_lcc.aux describe it, so that a run can restart from there. With arc length
// the reference increment is applied from combination NUMBER_OF_COMBINATIONS on with the
// load factor its constraint chooses (arc_length.cpp).
//
// The four drivers share one loop: the geometric variants differ only in the element
// routines (chosen per element group by its behaviour code), the Gaussian-elimination
// and conjugate-gradient variants only in the solver code passed to the solve step.
// The transient drivers run the same loop in time: every combination is a time step of
// its own duration, the time t is the running sum of the durations, and the
// element-node temperatures are the initial temperatures plus the combination's
// temperature variation.
#include <cmath>
#include <cstdio>

#include "analysis/arc_length.h"
#include "analysis/drivers.h"
#include "analysis/entry.h"
#include "analysis/interrupt.h"
#include "analysis/nonlinear_control.h"
#include "analysis/previous_state.h"
#include "analysis/restart.h"
#include "analysis/results.h"
#include "analysis/solution_control.h"
#include "analysis/static_nonlinear.h"
#include "assembly/assembly.h"
#include "assembly/linear_solver.h"
#include "assembly/residual.h"
#include "assembly/solution_check.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "assembly/topology.h"
#include "history/history.h"
#include "loads/loads.h"
#include "materials/solid_pattern.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

void IterationHistoryTag(const char* prefix, int c, int it, int lastCombination, int maxIterations, char* tag,
                         int size) {
  char digits[16];
  const int w1 = std::snprintf(digits, sizeof digits, "%d", lastCombination);
  const int w2 = std::snprintf(digits, sizeof digits, "%d", maxIterations);
  if (std::snprintf(tag, static_cast<size_t>(size), "%sComb%*.*d_Iter%*.*d", prefix, w1, w1, c, w2, w2, it) >= size)
    InternalError(__FILE__, __LINE__);
}

void CalcIncrLoadVector_NL(FILE* fp, int c, double dt, double t, const char* job, const char* OutputControl,
                           const MeshData* mesh, NonlinearWorkArrays* nl, const MainWorkArrays* w,
                           const long* positions, double** ElemNodeTemps, const CombinationData* comb,
                           LoadIncrement* inc) {
  const int nF = w->nF, nP = w->nP;
  const MainParameters& m = mesh->Main;
  if (c > m.nCombinations) {
    // Extra arc-length combination: the reference increment of the first one again.
    copyd1(inc->daP, inc->savedP, nP);
    copyd1(inc->deltaP, inc->savedP, nP);
    addd1(nl->extF, inc->dF, nF);
    addd1(nl->extP, inc->dP, nP);
    return;
  }
  double* f;
  allocd1(&f, m.nLoadCases);
  zerod1(f, m.nLoadCases);
  const CombinationData& cd = comb[c];
  for (int k = 1; k <= cd.nFactors; k++) {
    const int lc = cd.Factors[k].Number;
    if (lc < 1 || lc > m.nLoadCases) InternalError(__FILE__, __LINE__);
    f[lc] = cd.Factors[k].Factor;
  }
  for (int i = 1; i <= nF; i++) inc->dF[i] = -nl->extF[i];
  for (int i = 1; i <= nP; i++) inc->dP[i] = -nl->extP[i];
  for (int i = 1; i <= nP; i++) inc->daP[i] = -nl->aP[i];
  zerod1(nl->extF, nF);
  zerod1(nl->extP, nP);
  zerod1(nl->aP, nP);
  double *FF, *FP, *aP;
  allocd1(&FF, nF);
  allocd1(&FP, nP);
  allocd1(&aP, nP);
  for (int lc = 1; lc <= m.nLoadCases; lc++) {
    if (!(std::fabs(f[lc]) >= 1e-8)) continue;
    SeekFile(fp, positions[lc]);
    LoadCaseData data;
    ReadLoadCase(fp, lc, mesh, &data);
    Calc_F_NL(lc, dt, t, &nl->Index, OutputControl, &data, mesh, &nl->Table, nl->ElemToHD, w, FF, FP,
              ElemNodeTemps);
    Calc_a_Presc(nP, lc, &data, w->PointDofNumbers, aP, w->PointDofCodes);
    FreeLoadCase(&data);
    for (int i = 1; i <= nF; i++) nl->extF[i] += f[lc] * FF[i];
    for (int i = 1; i <= nP; i++) nl->extP[i] += f[lc] * FP[i];
    for (int i = 1; i <= nP; i++) nl->aP[i] += f[lc] * aP[i];
  }
  freed1(aP);
  freed1(FP);
  freed1(FF);
  freed1(f);
  // Shrinkage, then creep, of time-dependent concrete: total loads of the combination.
  Calc_F_ShrinkLoad_NL(dt, t, &nl->Index, mesh, &nl->Table, nl->ElemToHD, w, nl->extF, nl->extP, ElemNodeTemps);
  Calc_F_CreepLoad_NL(dt, t, &nl->Index, mesh, &nl->Table, nl->ElemToHD, w, nl->extF, nl->extP, ElemNodeTemps);
  Calc_F_FreeMasterSlave(mesh, w->PointDofNumbers, nl->extF, w->PointDofCodes);
  addd1(inc->dF, nl->extF, nF);
  addd1(inc->dP, nl->extP, nP);
  addd1(inc->daP, nl->aP, nP);
  copyd1(inc->deltaP, inc->daP, nP);
  if (m.ArcLength == 1 && c == m.nCombinations) {
    double maxF = 0.0, maxA = 0.0;
    for (int i = 1; i <= nF; i++) maxF = std::fmax(maxF, std::fabs(inc->dF[i]));
    for (int i = 1; i <= nP; i++) maxA = std::fmax(maxA, std::fabs(inc->daP[i]));
    if (maxF < 1e-8) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      errexit("No variation of the force vector in free dofs.\nArc-length is unavailable in these circunstances.\n"
              "Please remove the arc-length option in the data file.",
              0);
    }
    if (maxA > 1e-8) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      errexit("The prescribed displacement vector must be null.\nArc-length is unavailable in these "
              "circunstances.\nPlease remove the arc-length option in the data file.",
              0);
    }
    WriteArcLengthDeltaF(nF, nP, job, inc->dF, inc->dP);
    const double lf = mesh->ArcLength.LoadFactor;
    if (lf != 1.0) {
      for (int i = 1; i <= nF; i++) inc->dF[i] *= lf;
      for (int i = 1; i <= nP; i++) inc->dP[i] *= lf;
    }
    copyd1(inc->savedP, inc->daP, nP);
  }
}

void CalcElementInitialTemp(const MeshData* mesh, const int* ElemPropIndex, double** T0) {
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    const int n = mesh->ElemNodeCount[e];
    double* v;
    allocd1(&v, n);
    zerod1(v, n);
    // A later record for the same point wins.
    for (int r = 1; r <= mesh->nThermalInitial; r++)
      for (int k = 1; k <= n; k++)
        if (mesh->ElemNodes[e][k] == mesh->ThermalInitial[r].Point) v[k] = mesh->ThermalInitial[r].Value;
    copyd1(T0[e], v, n);
    freed1(v);
  }
}

// What a transient analysis cannot take: arc length, whose extra combinations have no
// step duration, and a step that goes back in time.
static void CheckTransientSetUp(const MeshData* mesh, const CombinationData* comb) {
  if (mesh->Main.ArcLength == 1) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    errexit("Arc-length is unavailable in a transient analysis:\nits extra combinations have no step duration.\n"
            "Please remove the arc-length option in the data file.",
            0);
  }
  for (int c = 1; c <= mesh->Main.nCombinations; c++)
    if (comb[c].Params.StepDuration < 0.0) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      std::fprintf(stderr, "   -> Combination: %d\n", c);
      errexit("The step duration of a combination cannot be negative.", 0);
    }
}

[[noreturn]] void IterationLimitReached(int c, int limit, FILE* fpEP) {
  FlushFile(fpEP);
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Main Newton-Raphson algorithm:\n");
  std::fprintf(stderr, "   -> Combination: %d\n", c);
  std::fprintf(stderr, "   -> Iteration: %d\n", limit);
  std::fprintf(stderr, "The maximum n. of iterations was reached without convergence.\n");
  errexit("Execution cannot proceed.", 0);
}

double WallSeconds() {
  double wall, cpu;
  gettimes(&wall, &cpu);
  return wall;
}

void FlushHistoryFiles(FILE** files, const int* counts, int slots) {
  for (int k = 1; k <= slots; k++)
    if (counts[k] > 0) FlushFile(files[k]);
}

namespace {

// transient: the time advances by the step duration of each combination.
void MainMaterNonlin(int solver, bool transient, FILE* fp, long posAfterMesh, const char* job,
                     const char* OutputControl, MeshData* mesh) {
  const MainParameters& m = mesh->Main;
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);
  const bool arc = m.ArcLength == 1;
  if (arc && !transient) CheckArcLengthParameters(mesh);

  // Set-up.
  SeekFile(fp, posAfterMesh);
  CombinationSet set;
  OpenCombinationSet(fp, mesh, &set);
  const long* positions = set.positions;
  const CombinationData* comb = set.comb;
  if (transient) CheckTransientSetUp(mesh, comb);

  // Temperature variation of the combination, of the last converged one, its increment,
  // the element-node temperatures (zero in a static run) and the initial temperatures.
  double **tvCurrent, **tvConverged, **tvIncrement, **nodeTemps, **initialTemps;
  allocragd2(&tvCurrent, mesh->nElements, mesh->ElemNodeCount);
  allocragd2(&tvConverged, mesh->nElements, mesh->ElemNodeCount);
  allocragd2(&tvIncrement, mesh->nElements, mesh->ElemNodeCount);
  allocragd2(&nodeTemps, mesh->nElements, mesh->ElemNodeCount);
  zeroragd2(tvCurrent, mesh->nElements, mesh->ElemNodeCount);
  zeroragd2(tvConverged, mesh->nElements, mesh->ElemNodeCount);
  zeroragd2(tvIncrement, mesh->nElements, mesh->ElemNodeCount);
  zeroragd2(nodeTemps, mesh->nElements, mesh->ElemNodeCount);
  allocragd2(&initialTemps, mesh->nElements, mesh->ElemNodeCount);
  zeroragd2(initialTemps, mesh->nElements, mesh->ElemNodeCount);

  MainWorkArrays w;
  InitializeMainWorkArrays(1, mesh, &w);
  const int nF = w.nF, nP = w.nP, nPoints = mesh->nPoints;
  const int r = m.nCombBeforeRestart;
  // Geometric nonlinearity: the converged configuration, read once per combination.
  const bool geometric = m.GeomNonlinear == 1;
  // The tangent is taken at the current iterate, whose point displacements it reads.
  double **prevU = nullptr, **prevX = nullptr, **Ucur = nullptr;
  if (geometric) {
    CheckGeometricElementGroups(mesh, w.ElemPropIndex);
    allocd2(&prevU, nPoints, 6);
    allocd2(&prevX, nPoints, 3);
    allocd2(&Ucur, nPoints, 6);
  }

  NonlinearWorkArrays nl;
  InitializeNonlinearAnalysis(r, nPoints, nF, nP, 0, job, mesh, w.ElemPropIndex, &nl);
  // The time of the restart point (0 in a fresh run); a static run keeps it.
  double t = nl.EP.d4;
  // A restart continues from the temperature variation of its last converged combination.
  if (r > 0)
    CalcElementTempVar(fp, r, m.nCombinations, m.nLoadCases, positions[1], mesh, w.ElemPropIndex, tvConverged,
                       comb);

  FILE *fpDR, *fpEP, *fpIF;
  FILE **hdFiles, **shdFiles;
  OpenResultFiles_NL(&fpDR, &fpEP, &fpIF, &hdFiles, &shdFiles, r, nF, nP, 0, nl.NLMM_HD_Count, nl.NLSMM_HD_Count,
                     job);
  if (transient) CalcElementInitialTemp(mesh, w.ElemPropIndex, initialTemps);

  const int first = r + 1;
  const int last = m.ArcLength == 1 ? m.nCombinations + m.MaxArcLengthCombinations - 1 : m.nCombinations;

  // The driver's vectors (see NonlinearWorkArrays): the load increment lives in dFref.
  LoadIncrement inc{nl.dFref, nl.dPref, nl.workP[1], nl.workP[2], nl.workP[4]};
  double* da = nl.workF[1];       // solution of the iteration
  double* daComb = nl.workF[2];   // displacement increment of the combination
  double* dR = nl.workP[3];       // reaction increment of the iteration
  // Arc length: the correction for the out-of-balance forces, the response to the
  // reference increment, and (path-dependent history) the combination's increment so far,
  // since the displacement update keeps only the last correction there.
  double* daI = nl.workF[3];
  double* daII = nl.workF[4];
  double* daPath = daComb;
  if (arc && nl.PathBehavior == 2) allocd1(&daPath, nF);
  // The converged displacement increment of the previous combination.
  double* daPrev;
  allocd1(&daPrev, nF);
  double eta = 0.0;
  double radius = nl.EP.d1 * mesh->ArcLength.RadiusFactor;

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);
  SparseRowMatrix KFF{}, KPF{}, KPP{};
  int64_t nKFF = 0, nKPF = 0, nKPP = 0;
  bool held = false;
  LinearSolverStep solverStep{};
  bool prepared = false;
  double reference = 0.0;

  const bool timeLoads = SolidPatternsLoadTheModel(mesh, w.ElemPropIndex);
  for (int c = first; c <= last; c++) {
    std::printf("\n");
    std::printf("## Combination number = %d\n", c);
    const double start = WallSeconds();
    long header;
    WriteCombinationHeader(fpEP, &header);
    if (nl.PathBehavior == 1) zerod1(daComb, nF);
    if (daPath != daComb) zerod1(daPath, nF);
    for (int i = 1; i <= nF; i++) daPrev[i] = nl.aF[i] - nl.aFPrev[i];
    copyd1(nl.aFPrev, nl.aF, nF);
    const bool arcPhase = arc && c >= m.nCombinations;
    bool referenceNeeded = arc;

    CalcElementTempVar(fp, c, m.nCombinations, m.nLoadCases, positions[1], mesh, w.ElemPropIndex, tvCurrent, comb);
    for (int e = 1; e <= mesh->nElements; e++)
      for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) {
        tvIncrement[e][k] = tvCurrent[e][k] - tvConverged[e][k];
        if (transient) nodeTemps[e][k] = initialTemps[e][k] + tvCurrent[e][k];
      }
    double dt = 0.0;
    if (transient) {
      dt = comb[c].Params.StepDuration;
      t += dt;
    }

    CalcIncrLoadVector_NL(fp, c, dt, t, job, OutputControl, mesh, &nl, &w, positions, nodeTemps, comb, &inc);
    if (m.AddUnbalancedForces != 0) {
      addd1(nl.rF, inc.dF, nF);
      addd1(nl.rP, inc.dP, nP);
    } else {
      copyd1(nl.rF, inc.dF, nF);
      copyd1(nl.rP, inc.dP, nP);
    }

    const bool moved = geometric && c > 1;
    if (moved) ReadPrevDispl_NLMG(c - 1, job, mesh, &w, comb, prevU, prevX);
    NonlinearElementState s{c,
                            0,
                            dt,
                            t,
                            &nl.Index,
                            &nl.Table,
                            nl.ElemToHD,
                            tvCurrent,
                            nodeTemps,
                            &nl.SpringIndex,
                            &nl.SpringTable,
                            moved ? prevX : nullptr,
                            moved ? prevU : nullptr,
                            tvIncrement};
    int it = 1;
    for (;; it++) {
      if (it > m.MaxIterations) IterationLimitReached(c, m.MaxIterations, fpEP);
      s.Iteration = it;
      const bool update = GlobalStiffMatNeedsUpdate(c, it, m.IterativeAlgorithm);
      if (update) {
        if (held) FreeGlobalStiffMat(&KFF, &KPF, &KPP);
        ResetIterSummaryRecord(&iter);
        if (geometric) {
          CalcPointDispl(0, mesh, w.PointDofCodes, w.PointDofNumbers, nl.aF, nl.aP, w.PointSpecialCS, w.PointTypes,
                         w.ElemPropIndex, w.PointElemAdjacency, Ucur);
          s.PointDispl = Ucur;
        }
        AssembGlobalStiffMat_NL(&nKFF, &nKPF, &nKPP, job, OutputControl, &iter, mesh, &KFF, &KPF, &KPP, &w, &s);
        // A rigid motion that the supports leave free is a null vector of the tangent of the
        // unloaded model; the conjugate gradient does not see it when the loads are in
        // equilibrium.
        if (!held && r == 0) CheckRigidMotionsStopped(mesh, &w, &KFF);
        held = true;
        if (GlobalStiffMatNeedsToBeWritten(c, it, m.IterativeAlgorithm))
          WriteGlobalStiffMat(nKFF, nKPF, nKPP, nF, nP, &KFF, &KPF, &KPP, job);
      }
      const bool read = GlobalStiffMatNeedsToBeRead(c, r, it, m.IterativeAlgorithm);
      if (read) {
        if (held) FreeGlobalStiffMat(&KFF, &KPF, &KPP);
        ReadGlobalStiffMat(&nKFF, &nKPF, &nKPP, nF, nP, &KFF, &KPF, &KPP, job);
        held = true;
        ResetIterSummaryRecord(&iter);
        iter.nTermsKFF = static_cast<int32_t>(nKFF);
        iter.nTermsKPF = static_cast<int32_t>(nKPF);
        iter.nTermsKPP = static_cast<int32_t>(nKPP);
      }
      if (update || read) {
        if (prepared) ReleaseLinearSolver(&solverStep);
        PrepareLinearSolver(solver, nF, OutputControl, &KFF, &iter, &solverStep);
        prepared = true;
      }
      // After the factorisation: the record carries this iteration's profile fields.
      WriteSummaryRecord(fpEP, &iter);

      SubtractSparseMatTransVecProduct(nF, nP, KPF.count, KPF.cols, inc.deltaP, nl.rF, KPF.vals);
      copyd1(da, nl.rF, nF);
      // Every strategy assembles or reads in the first iteration a run makes.
      if (!prepared) InternalError(__FILE__, __LINE__);
      StepSummaryRecord step;
      ResetStepSummaryRecord(&step);
      char tag[64];
      IterationHistoryTag(arcPhase && it > 1 ? "_AL1_" : "_", c, it, last, m.MaxIterations, tag,
                          static_cast<int>(sizeof tag));
      SolveLinearSystem(&solverStep, m.PrecondResidualDecay, job, tag, OutputControl, &KFF, da, &step);

      if (arcPhase && it == 1) {
        ApplyArcLengthEta(c, m.nCombinations, nF, nP, nPoints, &nl.EP, &eta, &radius, w.PointDofNumbers, da, inc.dF,
                          inc.dP, nl.extF, nl.extP, nl.rP, w.PointDofCodes, &mesh->ArcLength, daPrev);
      } else if (arcPhase) {
        copyd1(daI, da, nF);
        if (referenceNeeded || update || read) {
          referenceNeeded = false;
          copyd1(daII, inc.dF, nF);
          StepSummaryRecord reference2;
          ResetStepSummaryRecord(&reference2);
          IterationHistoryTag("_AL2_", c, it, last, m.MaxIterations, tag, static_cast<int>(sizeof tag));
          SolveLinearSystem(&solverStep, m.PrecondResidualDecay, job, tag, OutputControl, &KFF, daII, &reference2);
        }
        CalcArcLengthData(c, m.nCombinations, it, nF, nP, &nl.EP, &radius, &eta, w.PointDofNumbers, daPath, daII, da,
                          daI, inc.dF, inc.dP, nl.extF, nl.extP, nl.rP, w.PointDofCodes, &mesh->ArcLength);
      }

      CalcResidKaMinusF(nP, KPF.count, KPP.count, KPF.cols, KPP.cols, da, inc.deltaP, nl.rP, KPF.vals, KPP.vals, dR);
      Calc_a_FreeMasterSlave(mesh, w.PointDofNumbers, da, w.PointDofCodes);
      UpdateDisplReact(nF, nP, nl.PathBehavior, nl.aF, daComb, da, dR, nl.R);
      if (daPath != daComb) addd1(daPath, da, nF);

      CalcPointDispl(0, mesh, w.PointDofCodes, w.PointDofNumbers, daComb, inc.daP, w.PointSpecialCS, w.PointTypes,
                     w.ElemPropIndex, w.PointElemAdjacency, nl.PointValues);
      double** Utot;
      allocd2(&Utot, nPoints, 6);
      CalcPointDispl(0, mesh, w.PointDofCodes, w.PointDofNumbers, nl.aF, nl.aP, w.PointSpecialCS, w.PointTypes,
                     w.ElemPropIndex, w.PointElemAdjacency, Utot);
      if (nl.PathBehavior == 1) RestoreHistory(&nl);
      CalcResid(OutputControl, mesh, &w, &s, nl.extF, nl.extP, nl.R, nl.PointValues, Utot, nl.fIntF, nl.fIntP, nl.rF,
                nl.rP);
      freed2(Utot);

      double norm;
      const ConvergenceScale scale{nl.aF, nl.aP, nl.fIntF, nl.fIntP, nl.forceScale2};
      const bool converged = CheckConvergence(it, nF, nP, &reference, &norm, mesh, da, inc.deltaP, nl.extF, nl.extP,
                                              nl.R, nl.rF, nl.rP, scale);
      step.residualNorm = norm;
      std::printf("Residual norm = %20.12le\n", norm);
      WriteSummaryRecord(fpEP, &step);
      // The first arc-length combination of a constant radius sets its radius in iteration 2.
      const bool ignored = arc && mesh->ArcLength.ConstantRadius == 1 && c == m.nCombinations && it == 1;
      if (converged && !ignored) break;
      if (it == 1) {
        zerod1(inc.deltaP, nP);
        if (nl.PathBehavior == 2) zerod1(inc.daP, nP);
      }
    }

    // Creep and shrinkage loads stand on the prescribed dofs together with the creep and
    // shrinkage stresses of the internal forces; the reactions predicted by K da miss
    // that, and a displacement norm may stop before the residual corrects them. Their
    // runs take the reactions of the converged forces, R = IP - FP.
    if (timeLoads)
      for (int j = 1; j <= nP; j++) {
        nl.R[j] -= nl.rP[j];
        nl.rP[j] = 0.0;
      }
    // The converged combination: result records, history data, restart point.
    const double elapsed = WallSeconds() - start;
    FillEquilibriumPathRecord(nF, nP, it, arc ? radius : 0.0, mesh->ArcLength.RadiusFactor, elapsed,
                              arc ? eta : 0.0, t, &nl.EP, nl.extF, nl.extP);
    WriteDisplReact(fpDR, c, nF, nP, nl.aF, nl.aP, nl.R);
    WriteEquilibriumPathRecord(fpEP, nF, nP, &nl.EP);
    PatchCombinationHeader(fpEP, c, it, header);
    WriteNLMM_HD(hdFiles, &nl.Table, nl.NLMM_HD_Count);
    WriteNLSMM_HD(shdFiles, &nl.SpringTable, nl.NLSMM_HD_Count);
    WriteInternalForces(fpIF, nF, nP, c, nl.fIntF, nl.fIntP);
    AddConvergedForceScale(&nl);
    FlushFile(fpEP);
    FlushFile(fpIF);
    FlushHistoryFiles(hdFiles, nl.NLMM_HD_Count, kMaterialKinds);
    FlushHistoryFiles(shdFiles, nl.NLSMM_HD_Count, kSpringMaterialKinds);
    WriteLastConvergedCombination(c, job);
    RecordWritten(RunUnit::kCombination, c, job);
    if (nl.PathBehavior == 1) AcceptHistory(&nl);
    for (int e = 1; e <= mesh->nElements; e++)
      for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) tvConverged[e][k] = tvCurrent[e][k];
  }

  // Shut-down.
  if (geometric) {
    freed2(Ucur);
    freed2(prevX);
    freed2(prevU);
  }
  freed1(daPrev);
  if (daPath != daComb) freed1(daPath);
  if (prepared) ReleaseLinearSolver(&solverStep);
  if (held) FreeGlobalStiffMat(&KFF, &KPF, &KPP);
  CloseResultFiles_NL(fpDR, fpEP, fpIF, hdFiles, shdFiles, nl.NLMM_HD_Count, nl.NLSMM_HD_Count);
  FreeNonlinearWorkArrays(&nl);
  FreeMainWorkArrays(&w);
  freeragd2(initialTemps, mesh->nElements);
  freeragd2(nodeTemps, mesh->nElements);
  freeragd2(tvIncrement, mesh->nElements);
  freeragd2(tvConverged, mesh->nElements);
  freeragd2(tvCurrent, mesh->nElements);
  CloseCombinationSet(fp, mesh, &set);
}

}  // namespace

void MainStaticMaterNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job, const char* OutputControl,
                                        MeshData* mesh) {
  MainMaterNonlin(SOLVER_GAUSS_ELIM_NCSB, false, fp, posAfterMesh, job, OutputControl, mesh);
}
void MainStaticMaterNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                             const char* OutputControl, MeshData* mesh) {
  MainMaterNonlin(SOLVER_ITER_JPCG, false, fp, posAfterMesh, job, OutputControl, mesh);
}
void MainStaticMaterGeomNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job, const char* OutputControl,
                                            MeshData* mesh) {
  MainMaterNonlin(SOLVER_GAUSS_ELIM_NCSB, false, fp, posAfterMesh, job, OutputControl, mesh);
}
void MainStaticMaterGeomNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                                 const char* OutputControl, MeshData* mesh) {
  MainMaterNonlin(SOLVER_ITER_JPCG, false, fp, posAfterMesh, job, OutputControl, mesh);
}
void MainTransientMaterNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job, const char* OutputControl,
                                           MeshData* mesh) {
  MainMaterNonlin(SOLVER_GAUSS_ELIM_NCSB, true, fp, posAfterMesh, job, OutputControl, mesh);
}
void MainTransientMaterNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                                const char* OutputControl, MeshData* mesh) {
  MainMaterNonlin(SOLVER_ITER_JPCG, true, fp, posAfterMesh, job, OutputControl, mesh);
}
