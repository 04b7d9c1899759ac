// Entry points of the smeared-crack models, solid (_NLMM111, _NLMM102) and plane
// (_NLMM104, _NLMM101): the tangent of the sampling point and its stress update. An uncracked point stays elastic until its
// largest principal stress exceeds the tensile strength; a cracked one goes through the
// crack update, which cuts the increment at every crack event.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "materials/crack/plane_cracks.h"
#include "materials/material_slots.h"
#include "numcore/numcore.h"

namespace {

// The uncracked check of the models: the trial stress of the increment stands while its
// largest principal stress stays at or below the tensile strength (false, *t filled);
// stress is the point's stress, only read.
bool UncrackedCheck(const SolidCrackModel& model, const PointContext& at, const MaterialRecord& m, int nCr,
                    const double* stress, double** Dco, const double* dEps, UncrackedTrial* t) {
  if (nCr > 0) return true;
  const int ns = model.ns;
  double* ds = t->delta;
  double* trial = t->stress;
  double values[4];
  multd2d1(ds, Dco, dEps, ns, ns);
  for (int i = 1; i <= ns; i++) trial[i] = stress[i] + ds[i];
  if (ns == 6) {
    double** dir;
    allocd2(&dir, 3, 3);
    const bool ok = CalcPrincipalStresses3D(dir, values, trial);
    freed2(dir);
    if (!ok)
      MaterialPointFault(at, "Calculating the principal stresses:\n", model.name,
                         "Unable to calculate the principal stresses.");
  } else {
    double angle;
    CalcPrincipalStresses2D(&angle, &values[3], &values[1], trial);
  }
  // A principal stress equal to the strength stays elastic.
  return !(values[3] <= MatSlotValue(m, model.code, model.ft));
}

// The solve of one pass; its failure stops the run with the point.
void SolvePass(const CrackEventContext& x, const CrackView& v, const double* dEps, CrackSolve& s) {
  char algorithm = 0;
  if (s.Run(x, v, dEps, &algorithm)) return;
  static const char* const kAlgorithms[] = {"_ELASTO_CRACKED", "_ELASTO_PLASTIC", "_ELASTO_PLASTIC_CRACKED"};
  if (algorithm < 1 || algorithm > 3) InternalError(__FILE__, __LINE__);
  IterateFault(PointFaultContext(x.at,
                                 "Calculating the delta stress from the current delta strain to\n"
                                 "find the delta stress corresponding to the cracked concrete:\n",
                                 x.p.model->name) +
                   "   -> Iterative algorithm: " + kAlgorithms[algorithm - 1] + "\n",
               WithLoadStepNote(x.at, "The iterative algorithm did not converge.").c_str());
}

[[noreturn]] void TransitionFault(const CrackEventContext& x, const char* step) {
  IterateFault(PointFaultContext(x.at, step, x.p.model->name),
               WithLoadStepNote(x.at, "The iterative process to did not converge.").c_str());
}

bool InRange(double k) { return k >= 0.0 && k <= 1.0; }

// Largest principal stress and its direction at k of the increment.
double LargestAt(const CrackEventContext& x, const CrackView& v, const double* dEps, double k, CrackDir* d) {
  double dk[7];
  for (int i = 1; i <= v.model->ns; i++) dk[i] = k * dEps[i];
  CrackSolve s;
  if (!s.Run(x, v, dk)) InternalError(__FILE__, __LINE__);
  const PrincipalStresses P(x, s.sigma);
  *d = P.Dir(P.m);
  return P.Largest();
}

// Transition point of a new crack; false when the angle test rejects the crack.
bool NewCrackPoint(const CrackEventContext& x, const CrackView& v, const double* dEps, const double* endStress,
                   double* k, int* criterion) {
  const int n = *v.nCr;
  CrackDir a0Dir;
  double largest;
  {
    const PrincipalStresses P(x, v.stress);
    a0Dir = P.Dir(P.m);
    largest = P.Largest();
  }
  const double strength = std::max(MatSlotValue(x.m, x.p.model->code, x.p.model->ft), v.ft[n + 1]);
  // A start state outside the strength (left there by an increment far beyond the law's
  // range) has no transition point: the iterate fails in words.
  if (largest > strength && n > 0 && v.status[n] != kCrInitiating)
    IterateFault(PointFaultContext(x.at, "Calculating the transiton point corresponding to new crack initiation:\n",
                                   x.p.model->name),
                 WithLoadStepNote(x.at, "The largest principal stress at the start of the increment already\n"
                                        "exceeds the tensile strength of a new crack.")
                     .c_str());
  double k1 = 0.0;
  if (!CalcTransPointNewCrInit(x, v, dEps, 1, &k1))
    TransitionFault(x, "Calculating the transiton point corresponding to new crack initiation\n"
                       "using the tensile strength criterion:\n");
  if (n == 0) {
    *k = k1;
    *criterion = 1;
  } else {
    const int choice = v.model->newCrackChoice;
    CrackDir d;
    bool angleAtK1 = false, strengthAtK2 = false;
    if (choice == kChoiceAtEnd) {
      const PrincipalStresses P(x, endStress);
      angleAtK1 = CalcDeltaCrAngleOf(v, P.Dir(P.m)) > *v.angle;
      strengthAtK2 = P.Largest() > v.ft[n + 1];
    } else if (choice == kChoiceAtTransitions) {
      LargestAt(x, v, dEps, k1, &d);
      angleAtK1 = CalcDeltaCrAngleOf(v, d) > *v.angle;
    } else if (choice != kChoiceByFactors) {
      InternalError(__FILE__, __LINE__);
    }
    double k2 = -1.0;
    const bool within = !(CalcDeltaCrAngleOf(v, a0Dir) > *v.angle);
    if (within && (v.model->thresholds || CheckNewCrInitDirection(x, v, dEps))) {
      if (!CalcTransPointNewCrInit(x, v, dEps, 2, &k2)) k2 = -1.0;
      if (choice == kChoiceAtTransitions && k2 >= 0.0) strengthAtK2 = LargestAt(x, v, dEps, k2, &d) > v.ft[n + 1];
    }
    if (choice == kChoiceByFactors) {
      *criterion = k1 < k2 ? 2 : 1;
      *k = k1 < k2 ? k2 : k1;
    } else if (k1 < k2 && strengthAtK2) {
      *k = k2;
      *criterion = 2;
    } else if (k1 >= k2 && angleAtK1) {
      *k = k1;
      *criterion = 1;
    } else {
      return false;
    }
  }
  if (!InRange(*k)) InternalError(__FILE__, __LINE__);
  return true;
}

}  // namespace

CrackChange CalcTransPointChangeCrStatus(const CrackEventContext& x, const CrackView& v, const double* dEps,
                                         const double* endStress, const CrackEvents& ev) {
  CrackChange none;
  double kNew = 1.1, kReop = 1.1, kClose = 1.1;
  int criterion = 0;
  if (ev.newCrack && !NewCrackPoint(x, v, dEps, endStress, &kNew, &criterion)) {
    // A new crack that the angle test rejects cancels the pass.
    none.kind = 1;
    return none;
  }
  if (ev.reopening)
    for (int c = 1; c <= *v.nCr; c++) {
      if (ev.reopFlag[c] == 0) continue;
      double k = 0.0;
      const bool found = CalcTransPointCrReop(x, v, dEps, c, ev.ratio, &k);
      if (!found && !v.model->thresholds)
        TransitionFault(x, "Calculating the transiton point corresponding\nto a closed crack to reopen:\n");
      if (!found || ev.ratio[c] < 0.0) {
        none.kind = 2;
        return none;
      }
      if (!InRange(k)) InternalError(__FILE__, __LINE__);
      if (k < kReop) kReop = k;
    }
  if (ev.closing)
    for (int c = 1, j = 0; c <= *v.nCr; c++) {
      if (v.status[c] == kCrClosed) continue;
      if (ev.closeFlag[++j] == 0) continue;
      double k = 0.0;
      const bool found = CalcTransPointCrClose(x, v, dEps, j, c, &k);
      if (!found && !v.model->thresholds)
        TransitionFault(x, "Calculating the transiton point corresponding\nto the closure of an existant crack:\n");
      if (!found) {
        none.kind = 3;
        return none;
      }
      if (!InRange(k)) InternalError(__FILE__, __LINE__);
      if (k < kClose) kClose = k;
    }
  const bool flagged[4] = {false, ev.newCrack, ev.reopening, ev.closing};
  const double at[4] = {0.0, kNew, kReop, kClose};
  // The simple model takes reopenings and closings without a re-check.
  return PickCrackChange(flagged, at, criterion, [&](const CrackChange& ch) {
    return (!v.model->thresholds && ch.kind != 1) || CheckCrEventReallyOccur(x, v, dEps, ev, ch);
  });
}

CrackChange PickCrackChange(const bool* flagged, const double* at, int criterion,
                            const std::function<bool(const CrackChange&)>& confirm) {
  bool struck[4] = {false, false, false, false};
  for (;;) {
    CrackChange ch;
    for (int kind = 1; kind <= 3; kind++)
      if (flagged[kind] && !struck[kind] && at[kind] < ch.k) {
        ch.k = at[kind];
        ch.kind = kind;
      }
    if (ch.kind == 0) return CrackChange{};
    if (!InRange(ch.k)) InternalError(__FILE__, __LINE__);
    ch.apply = true;
    ch.criterion = ch.kind == 1 ? criterion : 0;
    if (confirm(ch)) return ch;
    struck[ch.kind] = true;
  }
}

namespace {

// The crack update of a point for the strain increment dEps: each pass solves the rest of
// the increment, cuts it at the first crack event and applies the event there.
long updateCount = 0;

}  // namespace

void CalcStressCrModel(const CrackEventContext& x, CrackView& v, const double* dEps) {
  updateCount++;
  const int ns = v.model->ns;
  double rest[7], work[7];
  copyd1(rest, dEps, ns);
  for (int pass = 0;;) {
    CrackSolve s;
    SolvePass(x, v, rest, s);
    CrackEvents ev;
    CrackChange ch;
    if (CheckChangeCrStatus(x, v, s, ev)) {
      ch = CalcTransPointChangeCrStatus(x, v, rest, s.sigma, ev);
      copyd1(work, rest, ns);
      if (ch.apply && std::fabs(ch.k - 1.0) > kSmall) scaled1(work, ns, ch.k);
      SolvePass(x, v, work, s);
    }
    UpdateCrModelState(x, v, s, ev, ch);
    if (!ch.apply || std::fabs(ch.k - 1.0) <= kSmall) return;
    scaled1(rest, ns, 1.0 - ch.k);
    if (++pass > 50) {
      IterateFault(PointFaultContext(x.at, "Calculating the delta stress corresponding to the cracked concrete:\n",
                                     x.p.model->name) +
                       "The maximum n. of crack status changes was reached.\n",
                   "Execution cannot proceed.");
    }
  }
}

void CalcMat_Decr_NLMM111(const PointContext& at, const MaterialRecord& m, const CrackPart111& r, double** Dco,
                          double** D, const double* share) {
  CalcMat_DecrOfRecord(kModel111, at, m, r, CalcNumActiveCr_NLMM111(r), AssignActCrData_NLMM111, Dco, D, share);
}

void CalcMat_Decr_NLMM102(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** Dco,
                          double** D) {
  double share[13];
  const auto view = [](NLMM101_HD& x) { return CrackViewOf(x); };
  const auto strain = [](const NLMM101_HD& x) -> const double* { return x.Strain; };
  CalcMat_DecrOfRecord(kModel102, at, m, r, CalcNumActiveCr_NLMM102(r), AssignActCrData_NLMM102, Dco, D,
                       StepCrackShares<NLMM101_HD>(at, r, Dco, share, view, strain));
}

void CalcMat_D_NLMM111(const PointContext& at, const MaterialRecord& m, const NLMM111_HD& r, double** Dco,
                       double** D) {
  switch (r.PointStatus) {
    case 1: copyd2(D, Dco, 6, 6); return;
    case 2: {
      double share[13];
      const auto view = [](NLMM111_HD& x) { return CrackViewOf(x); };
      const auto strain = [](const NLMM111_HD& x) -> const double* { return x.Strain; };
      CalcMat_Decr_NLMM111(at, m, r.Cr, Dco, D, StepCrackShares<NLMM111_HD>(at, r, Dco, share, view, strain));
      return;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

void CalcMat_D_NLMM102(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** Dco,
                       double** D) {
  switch (r.PointStatus) {
    case 1: copyd2(D, Dco, 6, 6); return;
    case 2: CalcMat_Decr_NLMM102(at, m, r, Dco, D); return;
    default: InternalError(__FILE__, __LINE__);
  }
}

bool CheckUncrackedElastic_NLMM111(const PointContext& at, const MaterialRecord& m, const NLMM111_HD& r,
                                   double** Dco, const double* dEps, UncrackedTrial* trial) {
  return UncrackedCheck(kModel111, at, m, r.Cr.nCr, r.Stress, Dco, dEps, trial);
}

bool CheckUncrackedElastic_NLMM102(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r,
                                   double** Dco, const double* dEps, UncrackedTrial* trial) {
  return UncrackedCheck(kModel102, at, m, r.nCr, r.Stress, Dco, dEps, trial);
}

void StoreUncrackedTrial(const UncrackedTrial& trial, int ns, double* stress, double* deltaStress) {
  copyd1(stress, trial.stress, ns);
  if (deltaStress != nullptr) copyd1(deltaStress, trial.delta, ns);
}

long CrackUpdateCount() { return updateCount; }

void CalcStressCrModel_NLMM111(const PointContext& at, const MaterialRecord& m, NLMM111_HD& r, double** Dco,
                               const double* dEps) {
  CrackView v = CrackViewOf(r);
  CalcStressCrModel(CrackEventContextOf(kModel111, at, m, Dco), v, dEps);
}

void CalcStressCrModel_NLMM102(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** Dco,
                               const double* dEps) {
  CrackView v = CrackViewOf(r);
  CalcStressCrModel(CrackEventContextOf(kModel102, at, m, Dco), v, dEps);
}

void CalcStress_NLMM111(const PointContext& at, const MaterialRecord& m, NLMM111_HD& r, double** Dco,
                        const double* dEps, double* stress) {
  addd1(r.Strain, dEps, 6);
  UncrackedTrial trial;
  if (CheckUncrackedElastic_NLMM111(at, m, r, Dco, dEps, &trial))
    CalcStressCrModel_NLMM111(at, m, r, Dco, dEps);
  else
    StoreUncrackedTrial(trial, 6, r.Stress, r.StrainAux);
  copyd1(stress, r.Stress, 6);
}

void CalcStress_NLMM102(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** Dco,
                        const double* dEps, double* stress) {
  addd1(r.Strain, dEps, 6);
  UncrackedTrial trial;
  if (CheckUncrackedElastic_NLMM102(at, m, r, Dco, dEps, &trial))
    CalcStressCrModel_NLMM102(at, m, r, Dco, dEps);
  else
    StoreUncrackedTrial(trial, 6, r.Stress);
  copyd1(stress, r.Stress, 6);
}

// ---- plane members ----------------------------------------------------------------------------

void CalcMat_D_NLMM104(const PointContext& at, const MaterialRecord& m, const NLMM104_HD& r, double** De,
                       double** D) {
  switch (r.PointStatus) {
    case 1: copyd2(D, De, 3, 3); return;
    case 2: {
      double share[13];
      const auto view = [](NLMM104_HD& x) { return CrackViewOf(x); };
      const auto strain = [](const NLMM104_HD& x) -> const double* { return x.Strain; };
      CalcMat_Decr_NLMM104(at, m, r.Cr, De, D, StepCrackShares<NLMM104_HD>(at, r, De, share, view, strain));
      return;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

void CalcMat_D_NLMM101(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** De,
                       double** D) {
  switch (r.PointStatus) {
    case 1: copyd2(D, De, 3, 3); return;
    case 2: CalcMat_Decr_NLMM101(at, m, r, De, D); return;
    default: InternalError(__FILE__, __LINE__);
  }
}

bool CheckUncrackedState_NLMM104(const PointContext& at, const MaterialRecord& m, const NLMM104_HD& r,
                                 double** De, const double* dEps, UncrackedTrial* trial) {
  return UncrackedCheck(kModel104, at, m, r.Cr.nCr, r.Stress, De, dEps, trial);
}

bool CheckUncrackedState_NLMM101(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r,
                                 double** De, const double* dEps, UncrackedTrial* trial) {
  return UncrackedCheck(kModel101, at, m, r.nCr, r.Stress, De, dEps, trial);
}

void CalcStressCrConcrete_NLMM104(const PointContext& at, const MaterialRecord& m, NLMM104_HD& r, double** De,
                                  const double* dEps) {
  CrackView v = CrackViewOf(r);
  CalcStressCrModel(CrackEventContextOf(kModel104, at, m, De), v, dEps);
}

void CalcStressCrConcrete_NLMM101(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** De,
                                  const double* dEps) {
  CrackView v = CrackViewOf(r, kModel101);
  CalcStressCrModel(CrackEventContextOf(kModel101, at, m, De), v, dEps);
}

void CalcStress_NLMM104(const PointContext& at, const MaterialRecord& m, NLMM104_HD& r, double** De,
                        const double* dEps, double* stress) {
  addd1(r.Strain, dEps, 3);
  UncrackedTrial trial;
  if (CheckUncrackedState_NLMM104(at, m, r, De, dEps, &trial))
    CalcStressCrConcrete_NLMM104(at, m, r, De, dEps);
  else
    StoreUncrackedTrial(trial, 3, r.Stress);
  copyd1(stress, r.Stress, 3);
}

void CalcStress_NLMM101(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** De,
                        const double* dEps, double* stress) {
  addd1(r.Strain, dEps, 3);
  UncrackedTrial trial;
  if (CheckUncrackedState_NLMM101(at, m, r, De, dEps, &trial))
    CalcStressCrConcrete_NLMM101(at, m, r, De, dEps);
  else
    StoreUncrackedTrial(trial, 3, r.Stress);
  copyd1(stress, r.Stress, 3);
}

void CalcMat_Ds_NLMM104(const MaterialRecord& m, const NLMM104_HD& r, double** Ds, double** D) {
  CalcMat_Ds_OP(MAT_NLMM104, m, r.PointStatus, r.Cr, Ds, D);
}

void CalcShearStress_OP_NLMM104(const MaterialRecord& m, NLMM104_HD& r, double** Ds, const double* g, double* tau) {
  CalcShearStress_OP(MAT_NLMM104, m, r.PointStatus, r.Cr, Ds, g, tau);
}
