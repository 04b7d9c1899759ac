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
#include <string>
#include <utility>

#include "analysis/arc_length.h"
#include "analysis/drivers.h"
#include "analysis/entry.h"
#include "analysis/newton_steps.h"
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

// The first arc-length combination: its load increment is the reference increment of the
// method, which must move the free dofs and leave the prescribed displacements alone; it
// is saved unscaled to <job>_al.bin, then scaled by LOAD_FACTOR.
static void SaveArcLengthReference(int nF, int nP, const char* job, const MeshData* mesh, LoadIncrement* inc) {
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
  if (m.ArcLength == 1 && c == m.nCombinations) SaveArcLengthReference(nF, nP, job, mesh, inc);
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

// What the steps of a nonlinear static (or transient) run share.
struct NonlinearRun : DriverInput {
  bool transient;  // the time advances by the step duration of each combination
  CombinationSet set;
  MainWorkArrays w;
  NonlinearWorkArrays nl;  // state vectors and history data
  NonlinearResultFiles files;
  int nF, nP, nPoints;
  int r;            // combinations before the restart
  int first, last;  // combination range
  bool arc;         // arc length on
  bool geometric;   // geometric nonlinearity
  bool timeLoads;   // creep and shrinkage of time-dependent concrete load the model
  // Temperature variation of the combination, of the last converged one, its increment,
  // the element-node temperatures (zero in a static run) and the initial temperatures.
  double **tvCurrent, **tvConverged, **tvIncrement, **nodeTemps, **initialTemps;
  // Geometric nonlinearity: the converged configuration, read once per combination, and
  // the point displacements of the current iterate, at which the tangent is taken.
  double **prevU, **prevX, **Ucur;
  // The driver's vectors (see NonlinearWorkArrays): the load increment lives in dFref.
  LoadIncrement inc;
  double* da;      // solution of the iteration
  double* daComb;  // displacement increment of the combination
  double* dR;      // reaction increment of the iteration
  // Arc length: the correction for the out-of-balance forces, the response to the
  // reference increment, and (path-dependent history) the combination's increment so far,
  // since the displacement update keeps only the last correction there.
  double *daI, *daII, *daPath;
  double* daPrev;  // converged displacement increment of the previous combination
  double eta, radius;
  // The global matrices.
  SparseRowMatrix KFF, KPF, KPP;
  int64_t nKFF, nKPF, nKPP;
  NewtonMatrixState matrices;
  // The combination.
  int c;
  double dt, t;          // time step and time (a static run keeps the restart point's)
  double start;          // wall-clock start
  long header;           // its header in <job>_ep.bin
  bool arcPhase;         // arc length applies to it
  bool referenceNeeded;  // the response to the reference increment is still to solve
  NonlinearElementState s;
  double reference;      // convergence reference
  // The iteration.
  int it;
  bool replaced;  // the matrices were assembled or read in it
  bool rebuild;   // an iterate failed in the assembly: the next one assembles anew
  StepSummaryRecord step;
};

// Per-element ragged arrays, one value per node, zeroed.
double** AllocElementNodeArray(const MeshData* mesh) {
  double** a;
  allocragd2(&a, mesh->nElements, mesh->ElemNodeCount);
  zeroragd2(a, mesh->nElements, mesh->ElemNodeCount);
  return a;
}

// The driver's vectors over the work vectors of the set-up.
void SetUpRunVectors(NonlinearRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  run->inc = LoadIncrement{nl.dFref, nl.dPref, nl.workP[1], nl.workP[2], nl.workP[4]};
  run->da = nl.workF[1];
  run->daComb = nl.workF[2];
  run->dR = nl.workP[3];
  run->daI = nl.workF[3];
  run->daII = nl.workF[4];
  run->daPath = run->daComb;
  if (run->arc && nl.PathBehavior == 2) allocd1(&run->daPath, run->nF);
  allocd1(&run->daPrev, run->nF);
  run->eta = 0.0;
  run->radius = nl.EP.d1 * run->mesh->ArcLength.RadiusFactor;
}

// Set-up: combinations, numbering, history data and result files, restart state.
void SetUpRun(const DriverInput& in, bool transient, long posAfterMesh, NonlinearRun* run) {
  FILE* fp = in.fp;
  MeshData* mesh = in.mesh;
  const MainParameters& m = mesh->Main;
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);
  *run = NonlinearRun{};
  static_cast<DriverInput&>(*run) = in;
  run->transient = transient;
  run->arc = m.ArcLength == 1;
  if (run->arc && !transient) CheckArcLengthParameters(mesh);

  SeekFile(fp, posAfterMesh);
  OpenCombinationSet(fp, mesh, &run->set);
  if (transient) CheckTransientSetUp(mesh, run->set.comb);
  run->tvCurrent = AllocElementNodeArray(mesh);
  run->tvConverged = AllocElementNodeArray(mesh);
  run->tvIncrement = AllocElementNodeArray(mesh);
  run->nodeTemps = AllocElementNodeArray(mesh);
  run->initialTemps = AllocElementNodeArray(mesh);

  MainWorkArrays& w = run->w;
  InitializeMainWorkArrays(1, mesh, &w);
  run->nF = w.nF;
  run->nP = w.nP;
  run->nPoints = mesh->nPoints;
  run->r = m.nCombBeforeRestart;
  run->geometric = m.GeomNonlinear == 1;
  if (run->geometric) {
    CheckGeometricElementGroups(mesh, w.ElemPropIndex);
    allocd2(&run->prevU, run->nPoints, 6);
    allocd2(&run->prevX, run->nPoints, 3);
    allocd2(&run->Ucur, run->nPoints, 6);
  }

  NonlinearWorkArrays& nl = run->nl;
  InitializeNonlinearAnalysis(run->r, run->nPoints, run->nF, run->nP, 0, in.job, mesh, w.ElemPropIndex, &nl);
  run->t = nl.EP.d4;
  // A restart continues from the temperature variation of its last converged combination.
  if (run->r > 0)
    CalcElementTempVar(fp, run->r, m.nCombinations, m.nLoadCases, run->set.positions[1], mesh, w.ElemPropIndex,
                       run->tvConverged, run->set.comb);
  NonlinearResultFiles& f = run->files;
  OpenResultFiles_NL(&f.fpDR, &f.fpEP, &f.fpIF, &f.hdFiles, &f.shdFiles, run->r, run->nF, run->nP, 0,
                     nl.NLMM_HD_Count, nl.NLSMM_HD_Count, in.job);
  if (transient) CalcElementInitialTemp(mesh, w.ElemPropIndex, run->initialTemps);

  run->first = run->r + 1;
  run->last = run->arc ? m.nCombinations + m.MaxArcLengthCombinations - 1 : m.nCombinations;
  SetUpRunVectors(run);
  ResetIterSummaryRecord(&run->matrices.iter);
  run->timeLoads = SolidPatternsLoadTheModel(mesh, w.ElemPropIndex);
}

// The temperature variation of combination c, its increment over the last converged one
// and, in a transient run, the element-node temperatures and the time at its end.
void AdvanceTemperaturesAndTime(NonlinearRun* run) {
  const MeshData* mesh = run->mesh;
  const MainParameters& m = mesh->Main;
  CalcElementTempVar(run->fp, run->c, m.nCombinations, m.nLoadCases, run->set.positions[1], mesh,
                     run->w.ElemPropIndex, run->tvCurrent, run->set.comb);
  for (int e = 1; e <= mesh->nElements; e++)
    for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) {
      run->tvIncrement[e][k] = run->tvCurrent[e][k] - run->tvConverged[e][k];
      if (run->transient) run->nodeTemps[e][k] = run->initialTemps[e][k] + run->tvCurrent[e][k];
    }
  run->dt = 0.0;
  if (run->transient) {
    run->dt = run->set.comb[run->c].Params.StepDuration;
    run->t += run->dt;
  }
}

// The element state of the combination that assembly and residual read.
void SetCombinationElementState(NonlinearRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  const bool moved = run->geometric && run->c > 1;
  if (moved) ReadPrevDispl_NLMG(run->c - 1, run->job, run->mesh, &run->w, run->set.comb, run->prevU, run->prevX);
  run->s = NonlinearElementState{run->c,
                                 0,
                                 run->dt,
                                 run->t,
                                 &nl.Index,
                                 &nl.Table,
                                 nl.ElemToHD,
                                 run->tvCurrent,
                                 run->nodeTemps,
                                 &nl.SpringIndex,
                                 &nl.SpringTable,
                                 moved ? run->prevX : nullptr,
                                 moved ? run->prevU : nullptr,
                                 run->tvIncrement};
}

// Load increment: the start of combination c, its temperatures and time, the increment
// of the loads and prescribed displacements, and the right-hand side of iteration 1.
void ApplyLoadIncrement(NonlinearRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  const MainParameters& m = run->mesh->Main;
  const int nF = run->nF, nP = run->nP;
  run->start = BeginCombination(run->c, &nl, run->daComb, run->files.fpEP, &run->header);
  if (run->daPath != run->daComb) zerod1(run->daPath, nF);
  for (int i = 1; i <= nF; i++) run->daPrev[i] = nl.aF[i] - nl.aFPrev[i];
  copyd1(nl.aFPrev, nl.aF, nF);
  run->arcPhase = run->arc && run->c >= m.nCombinations;
  run->referenceNeeded = run->arc;

  AdvanceTemperaturesAndTime(run);
  CalcIncrLoadVector_NL(run->fp, run->c, run->dt, run->t, run->job, run->OutputControl, run->mesh, &nl, &run->w,
                        run->set.positions, run->nodeTemps, run->set.comb, &run->inc);
  if (m.AddUnbalancedForces != 0) {
    addd1(nl.rF, run->inc.dF, nF);
    addd1(nl.rP, run->inc.dP, nP);
  } else {
    copyd1(nl.rF, run->inc.dF, nF);
    copyd1(nl.rP, run->inc.dP, nP);
  }
  SetCombinationElementState(run);
}

// The global stiffness KFF, KPF, KPP of the run as the stiffness update moves it.
GlobalMatrixSteps StiffnessMatrixSteps(NonlinearRun* run) {
  NonlinearRun& u = *run;
  GlobalMatrixSteps steps;
  steps.release = [&u] { FreeGlobalStiffMat(&u.KFF, &u.KPF, &u.KPP); };
  steps.assemble = [&u](IterSummaryRecord* iter) {
    const MainWorkArrays& w = u.w;
    if (u.geometric) {
      // The tangent of the iterate: in iteration 1 the converged state, whose prescribed
      // displacements the increment of the combination has not moved yet.
      double* aP;
      allocd1(&aP, u.nP);
      for (int j = 1; j <= u.nP; j++) aP[j] = u.nl.aP[j] - u.inc.deltaP[j];
      CalcPointDispl(0, u.mesh, w.PointDofCodes, w.PointDofNumbers, u.nl.aF, aP, w.PointSpecialCS, w.PointTypes,
                     w.ElemPropIndex, w.PointElemAdjacency, u.Ucur);
      freed1(aP);
      u.s.PointDispl = u.Ucur;
    }
    AssembGlobalStiffMat_NL(&u.nKFF, &u.nKPF, &u.nKPP, u.job, u.OutputControl, iter, u.mesh, &u.KFF, &u.KPF, &u.KPP,
                            &u.w, &u.s);
    // A rigid motion that the supports leave free is a null vector of the tangent of the
    // unloaded model; the conjugate gradient does not see it when the loads are in
    // equilibrium.
    if (!u.matrices.prepared && u.r == 0) CheckRigidMotionsStopped(u.mesh, &u.w, &u.KFF);
  };
  steps.write = [&u] { WriteGlobalStiffMat(u.nKFF, u.nKPF, u.nKPP, u.nF, u.nP, &u.KFF, &u.KPF, &u.KPP, u.job); };
  steps.hold = [&u] {
    WriteHeldMatrices(u.c, u.job, [&u](FILE* fp) {
      WriteGlobalStiffMatStream(fp, u.nKFF, u.nKPF, u.nKPP, u.nF, u.nP, &u.KFF, &u.KPF, &u.KPP);
    }, &u.nl);
  };
  steps.read = [&u](int64_t n[3]) {
    // Strategy 4 takes the stiffness the run held at the end of the restart point; without
    // one (the earlier run kept no stiffness into a next combination) the saved first one.
    const bool held = u.mesh->Main.IterativeAlgorithm == 4 && ReadHeldMatrices(u.r, u.job, [&u](FILE* fp) {
      ReadGlobalStiffMatStream(fp, &u.nKFF, &u.nKPF, &u.nKPP, u.nF, u.nP, &u.KFF, &u.KPF, &u.KPP);
    });
    if (!held) ReadGlobalStiffMat(&u.nKFF, &u.nKPF, &u.nKPP, u.nF, u.nP, &u.KFF, &u.KPF, &u.KPP, u.job);
    n[0] = u.nKFF;
    n[1] = u.nKPF;
    n[2] = u.nKPP;
  };
  steps.solved = [&u] { return &u.KFF; };
  return steps;
}

// Iterate, first part: the tangent of the iteration (assembled, read or kept).
void UpdateStiffness(NonlinearRun* run) {
  run->s.Iteration = run->it;
  StiffnessMoves moves = StiffnessMovesOf(run->c, run->r, run->it, run->mesh->Main.IterativeAlgorithm);
  if (run->rebuild && !moves.update && !moves.read) moves = StiffnessMoves{true, false, false, false};
  run->replaced = UpdateGlobalMatrices(moves, run->solver, run->nF, run->OutputControl, StiffnessMatrixSteps(run),
                                       &run->matrices, run->files.fpEP);
  run->rebuild = false;
}

// Arc length: iteration 1 scales the reference increment to the radius; later ones
// split the correction into the out-of-balance and the reference responses.
void ArcLengthStep(NonlinearRun* run, char* tag, int tagSize) {
  NonlinearWorkArrays& nl = run->nl;
  const MainParameters& m = run->mesh->Main;
  const MainWorkArrays& w = run->w;
  LoadIncrement& inc = run->inc;
  if (run->it == 1) {
    ApplyArcLengthEta(run->c, m.nCombinations, run->nF, run->nP, run->nPoints, &nl.EP, &run->eta, &run->radius,
                      w.PointDofNumbers, run->da, inc.dF, inc.dP, nl.extF, nl.extP, nl.rP, w.PointDofCodes,
                      &run->mesh->ArcLength, run->daPrev);
    return;
  }
  copyd1(run->daI, run->da, run->nF);
  if (run->referenceNeeded || run->replaced) {
    run->referenceNeeded = false;
    copyd1(run->daII, inc.dF, run->nF);
    StepSummaryRecord reference2;
    ResetStepSummaryRecord(&reference2);
    IterationHistoryTag("_AL2_", run->c, run->it, run->last, m.MaxIterations, tag, tagSize);
    SolveLinearSystem(&run->matrices.solverStep, m.PrecondResidualDecay, run->job, tag, run->OutputControl, &run->KFF,
                      run->daII, &reference2);
  }
  CalcArcLengthData(run->c, m.nCombinations, run->it, run->nF, run->nP, &nl.EP, &run->radius, &run->eta,
                    w.PointDofNumbers, run->daPath, run->daII, run->da, run->daI, inc.dF, inc.dP, nl.extF, nl.extP,
                    nl.rP, w.PointDofCodes, &run->mesh->ArcLength);
}

// Iterate, second part: the correction of the iteration, KFF da = rF - KPF^T deltaP.
void SolveIteration(NonlinearRun* run) {
  const MainParameters& m = run->mesh->Main;
  SubtractSparseMatTransVecProduct(run->nF, run->nP, run->KPF.count, run->KPF.cols, run->inc.deltaP, run->nl.rF,
                                   run->KPF.vals);
  copyd1(run->da, run->nl.rF, run->nF);
  ResetStepSummaryRecord(&run->step);
  char tag[64];
  IterationHistoryTag(run->arcPhase && run->it > 1 ? "_AL1_" : "_", run->c, run->it, run->last, m.MaxIterations, tag,
                      static_cast<int>(sizeof tag));
  SolveLinearSystem(&run->matrices.solverStep, m.PrecondResidualDecay, run->job, tag, run->OutputControl, &run->KFF,
                    run->da, &run->step);
  if (run->arcPhase) ArcLengthStep(run, tag, static_cast<int>(sizeof tag));
}

// Iterate, last part: reactions and displacements updated, the history data restored
// (path-independent) and the residual of the new iterate.
void UpdateIterate(NonlinearRun* run) {
  const WorkArrayFrame work;  // Utot
  NonlinearWorkArrays& nl = run->nl;
  const MainWorkArrays& w = run->w;
  const int nF = run->nF, nP = run->nP;
  CalcResidKaMinusF(nP, run->KPF.count, run->KPP.count, run->KPF.cols, run->KPP.cols, run->da, run->inc.deltaP, nl.rP,
                    run->KPF.vals, run->KPP.vals, run->dR);
  Calc_a_FreeMasterSlave(run->mesh, w.PointDofNumbers, run->da, w.PointDofCodes);
  UpdateDisplReact(nF, nP, nl.PathBehavior, nl.aF, run->daComb, run->da, run->dR, nl.R);
  if (run->daPath != run->daComb) addd1(run->daPath, run->da, nF);

  CalcPointDispl(0, run->mesh, w.PointDofCodes, w.PointDofNumbers, run->daComb, run->inc.daP, w.PointSpecialCS,
                 w.PointTypes, w.ElemPropIndex, w.PointElemAdjacency, nl.PointValues);
  double** Utot;
  allocd2(&Utot, run->nPoints, 6);
  CalcPointDispl(0, run->mesh, w.PointDofCodes, w.PointDofNumbers, nl.aF, nl.aP, w.PointSpecialCS, w.PointTypes,
                 w.ElemPropIndex, w.PointElemAdjacency, Utot);
  RestoreIterateHistory(&nl);
  CalcResid(run->OutputControl, run->mesh, &w, &run->s, nl.extF, nl.extP, nl.R, nl.PointValues, Utot, nl.fIntF,
            nl.fIntP, nl.rF, nl.rP);
  freed2(Utot);
}

// Convergence check of the iteration; an unconverged iteration 1 hands over to the next
// without the prescribed displacement, which it has applied.
bool CheckIterationConvergence(NonlinearRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  const MeshData* mesh = run->mesh;
  double norm;
  const ConvergenceScale scale{nl.aF, nl.aP, nl.fIntF, nl.fIntP, nl.forceScale2};
  const bool converged = CheckConvergence(run->it, run->nF, run->nP, &run->reference, &norm, mesh, run->da,
                                          run->inc.deltaP, nl.extF, nl.extP, nl.R, nl.rF, nl.rP, scale);
  ReportIterationNorm(norm, &run->step, run->files.fpEP);
  // The first arc-length combination of a constant radius sets its radius in iteration 2.
  const bool ignored =
      run->arc && mesh->ArcLength.ConstantRadius == 1 && run->c == mesh->Main.nCombinations && run->it == 1;
  if (converged && !ignored) return true;
  if (run->it == 1) {
    zerod1(run->inc.deltaP, run->nP);
    if (nl.PathBehavior == 2) zerod1(run->inc.daP, run->nP);
  }
  return false;
}

// Write and accept: the converged combination into the result and history files, its
// history data and temperature variation the converged ones.
void AcceptConvergedCombination(NonlinearRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  const MeshData* mesh = run->mesh;
  // Creep and shrinkage loads stand on the prescribed dofs together with the creep and
  // shrinkage stresses of the internal forces; the reactions predicted by K da miss
  // that, and a displacement norm may stop before the residual corrects them. Their
  // runs take the reactions of the converged forces, R = IP - FP.
  if (run->timeLoads)
    for (int j = 1; j <= run->nP; j++) {
      nl.R[j] -= nl.rP[j];
      nl.rP[j] = 0.0;
    }
  AddConvergedForceScale(&nl);
  const ConvergedCombination cc{run->c,     run->it, run->header, run->start, run->arc ? run->radius : 0.0,
                                run->arc ? run->eta : 0.0, run->t};
  AcceptCombination(cc, mesh, run->job, &run->files, &nl);
  for (int e = 1; e <= mesh->nElements; e++)
    for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) run->tvConverged[e][k] = run->tvCurrent[e][k];
}

// Shut-down: matrices, files and arrays released, the data file back at the combinations.
void ShutDownRun(NonlinearRun* run) {
  const MeshData* mesh = run->mesh;
  if (run->geometric) {
    freed2(run->Ucur);
    freed2(run->prevX);
    freed2(run->prevU);
  }
  freed1(run->daPrev);
  if (run->daPath != run->daComb) freed1(run->daPath);
  ReleaseGlobalMatrices(StiffnessMatrixSteps(run).release, &run->matrices);
  const NonlinearResultFiles& f = run->files;
  CloseResultFiles_NL(f.fpDR, f.fpEP, f.fpIF, f.hdFiles, f.shdFiles, run->nl.NLMM_HD_Count, run->nl.NLSMM_HD_Count);
  FreeNonlinearWorkArrays(&run->nl);
  FreeMainWorkArrays(&run->w);
  double** arrays[] = {run->initialTemps, run->nodeTemps, run->tvIncrement, run->tvConverged, run->tvCurrent};
  for (double** a : arrays) freeragd2(a, mesh->nElements);
  CloseCombinationSet(run->fp, run->mesh, &run->set);
}

// Newton-Raphson iterations of the combination, or of a part of it, from iteration 1;
// false when the iteration limit passes or an iterate fails (an element inverted, a
// material return that does not converge, a singular local or global system): `failure`
// then holds the words of the fault, empty at the limit. A failed iterate leaves no record in
// <job>_ep.bin and is not counted in `iterations`, which counts every other one.
bool IterateToConvergence(NonlinearRun* run, int* iterations, IterateFailure* failure) {
  const int maxIterations = run->mesh->Main.MaxIterations;
  *failure = IterateFailure{};
  IterateFaultScope scope;
  for (run->it = 1; run->it <= maxIterations; run->it++) {
    const int64_t records = TellFile(run->files.fpEP);
    bool assembling = true;
    try {
      UpdateStiffness(run);
      assembling = false;
      SolveIteration(run);
      UpdateIterate(run);
    } catch (IterateFailure& f) {
      std::printf("Iteration %d failed:%s%s\n", run->it, f.context.c_str(), f.message.c_str());
      *failure = std::move(f);
      SeekFile(run->files.fpEP, records);
      // The matrices of a broken assembly are held (to be released) but not used.
      if (assembling) {
        run->matrices.held = true;
        run->rebuild = true;
      }
      return false;
    }
    (*iterations)++;
    if (CheckIterationConvergence(run)) return true;
  }
  return false;
}

// A combination whose iterations pass the limit or fail may be divided when its records
// restart from the converged state and only loads and prescribed displacements change in
// it: no arc length, time step, creep or shrinkage, or temperature variation. A limit of
// one iteration leaves Newton's method no second step: such a run stops at the limit.
// Returns null, or why the combination cannot be divided.
const char* UndividedBecause(const NonlinearRun& run) {
  if (run.mesh->Main.MaxIterations < 2) return "the iteration limit is 1";
  if (run.arcPhase) return "arc length sets its load";
  if (run.transient) return "it is a time step";
  if (run.timeLoads) return "creep and shrinkage load the model";
  if (run.nl.PathBehavior != 1) return "the history is path-dependent";
  for (int e = 1; e <= run.mesh->nElements; e++)
    for (int k = 1; k <= run.mesh->ElemNodeCount[e]; k++)
      if (run.tvIncrement[e][k] != 0.0) return "its temperature varies";
  return nullptr;
}

// The end of a run that cannot go past a failed combination: at the iteration limit the
// limit's message; after a fault of an iterate its words, then the combination and why no
// smaller step is left. <job>_ep.bin ends with the last whole iteration.
[[noreturn]] void CombinationFailed(const NonlinearRun& run, const IterateFailure& f, const char* why) {
  if (f.message.empty()) IterationLimitReached(run.c, run.mesh->Main.MaxIterations, run.files.fpEP);
  CloseFileTruncated(run.files.fpEP);
  std::fflush(stdout);
  std::fputs(f.context.c_str(), stderr);
  char line[160];
  std::snprintf(line, sizeof line, "\nCombination %d: %s.\nExecution cannot proceed.", run.c, why);
  errexit((f.message + line).c_str(), 0);
}

// What the division of a combination works from: the state at its start (displacements,
// reactions and the residual carried into it) and its increment of loads and prescribed
// displacements, with the totals at its end.
struct CombinationStart {
  double *aF, *R, *rF, *rP;  // state and residual carried into the combination
  double *dF, *dP, *daP;     // increment of the combination
  double *extF, *extP, *aP;  // totals at its end
};

void SaveCombinationStart(const NonlinearRun& run, CombinationStart* s) {
  const int nF = run.nF, nP = run.nP;
  for (double** v : {&s->aF, &s->rF, &s->dF, &s->extF}) allocd1(v, nF);
  for (double** v : {&s->R, &s->rP, &s->dP, &s->daP, &s->extP, &s->aP}) allocd1(v, nP);
  copyd1(s->aF, run.nl.aFPrev, nF);
  copyd1(s->R, run.nl.R, nP);
  copyd1(s->dF, run.inc.dF, nF);
  copyd1(s->dP, run.inc.dP, nP);
  copyd1(s->daP, run.inc.daP, nP);
  copyd1(s->extF, run.nl.extF, nF);
  copyd1(s->extP, run.nl.extP, nP);
  copyd1(s->aP, run.nl.aP, nP);
  // The residual carried into the combination, without its increment.
  for (int i = 1; i <= nF; i++) s->rF[i] = run.nl.rF[i] - run.inc.dF[i];
  for (int j = 1; j <= nP; j++) s->rP[j] = run.nl.rP[j] - run.inc.dP[j];
}

void FreeCombinationStart(CombinationStart* s) {
  for (double* v : {s->aF, s->R, s->rF, s->rP, s->dF, s->dP, s->daP, s->extF, s->extP, s->aP}) freed1(v);
}

// v := end - (1 - to) d, the total at the fraction `to` of the increment d (end at 1).
void TotalAt(int n, double to, const double* end, const double* d, double* v) {
  for (int i = 1; i <= n; i++) v[i] = to == 1.0 ? end[i] : end[i] - (1.0 - to) * d[i];
}

// A combination that passed the iteration limit, taken again from its start in parts of
// its increment: each part converges and becomes the state the next one starts from (its
// history data accepted, the geometry moved to it); a part that fails is halved. The
// combination then ends at its full increment and writes its records as any other; the
// parts are not written. A part below 1/1024 of the increment is a limit point: the run
// stops as before, with the words of the last failure.
void DivideCombination(NonlinearRun* run, const CombinationStart& s, int* iterations, IterateFailure failure) {
  NonlinearWorkArrays& nl = run->nl;
  const int nF = run->nF, nP = run->nP;
  copyd1(nl.aF, s.aF, nF);
  copyd1(nl.R, s.R, nP);
  RestoreHistory(&nl);
  // Residual carried into the next part, and the reactions of the accepted state.
  double *rF0, *rP0, *R0;
  allocd1(&rF0, nF);
  allocd1(&rP0, nP);
  allocd1(&R0, nP);
  copyd1(rF0, s.rF, nF);
  copyd1(rP0, s.rP, nP);
  copyd1(R0, s.R, nP);
  double done = 0.0, part = 0.5;
  while (done < 1.0) {
    if (part < 1.0 / 1024.0)
      CombinationFailed(*run, failure, "divided down to 1/1024 of its increment, it still fails there");
    const double to = done + part >= 1.0 ? 1.0 : done + part, f = to - done;
    std::printf("Combination %d divided: from %.6g to %.6g of its increment\n", run->c, done, to);
    TotalAt(nF, to, s.extF, s.dF, nl.extF);
    TotalAt(nP, to, s.extP, s.dP, nl.extP);
    TotalAt(nP, to, s.aP, s.daP, nl.aP);
    for (int i = 1; i <= nF; i++) nl.rF[i] = rF0[i] + f * s.dF[i];
    for (int j = 1; j <= nP; j++) {
      nl.rP[j] = rP0[j] + f * s.dP[j];
      run->inc.daP[j] = run->inc.deltaP[j] = f * s.daP[j];
    }
    zerod1(run->daComb, nF);
    if (IterateToConvergence(run, iterations, &failure)) {
      done = to;
      if (done == 1.0) break;
      AcceptHistory(&nl);
      copyd1(rF0, nl.rF, nF);
      copyd1(rP0, nl.rP, nP);
      copyd1(nl.aFPrev, nl.aF, nF);
      copyd1(R0, nl.R, nP);
      if (run->geometric) {
        CalcConfiguration_NLMG(run->mesh, &run->w, nl.aF, nl.aP, run->prevU, run->prevX);
        run->s.PrevPointCoord = run->prevX;
        run->s.PrevPointDispl = run->prevU;
      }
      part = std::fmin(2.0 * part, 1.0 - done);
    } else {
      copyd1(nl.aF, nl.aFPrev, nF);
      copyd1(nl.R, R0, nP);
      RestoreHistory(&nl);
      part *= 0.5;
    }
  }
  freed1(R0);
  freed1(rP0);
  freed1(rF0);
  copyd1(nl.aFPrev, s.aF, nF);
}

// transient: the time advances by the step duration of each combination.
void MainMaterNonlin(int solver, bool transient, FILE* fp, long posAfterMesh, const char* job,
                     const char* OutputControl, MeshData* mesh) {
  NonlinearRun run;
  SetUpRun(DriverInput{solver, fp, job, OutputControl, mesh}, transient, posAfterMesh, &run);
  for (run.c = run.first; run.c <= run.last; run.c++) {
    ApplyLoadIncrement(&run);
    const char* undivided = UndividedBecause(run);
    const bool divisible = undivided == nullptr;
    CombinationStart start{};
    if (divisible) SaveCombinationStart(run, &start);
    int iterations = 0;
    IterateFailure failure;
    if (!IterateToConvergence(&run, &iterations, &failure)) {
      if (!divisible) CombinationFailed(run, failure, (std::string("it cannot be divided: ") + undivided).c_str());
      DivideCombination(&run, start, &iterations, std::move(failure));
    }
    if (divisible) FreeCombinationStart(&start);
    run.it = iterations;
    AcceptConvergedCombination(&run);
  }
  ShutDownRun(&run);
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
