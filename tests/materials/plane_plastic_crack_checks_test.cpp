// Checks of the plane crack models with plasticity (_NLMM142, _NLMM141) at the edges of
// their cracked and uncracked updates: the re-checks of crack events on a private copy,
// the combined update that would unload plastically, and the sub-increment fallbacks of
// the uncracked update under very large strain increments. Material: E 30000, nu 0,
// fc 30, eps_c1 0.0022, r0 0.3, Gc 15, band 100; crack part ft 3, Gf 0.1, law 1.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "materials/crack/elastoplastic_crack.h"
#include "materials/crack/plane_plastic_cracks.h"
#include "materials/elastic.h"
#include "materials/plasticity/owen_figueiras.h"
#include "numcore/numcore.h"
#include "support/crack_material.h"
#include "support/material_driver.h"

namespace {

constexpr double kE = 30000.0, kFc = 30.0;
const PointContext kAt{3, 2, 7, 4, 0};

CrackMat Concrete(int code) {
  CrackMat c = CrackConcrete(code, 0.1);
  c.Set(66, 0.0).Set(70, 0.3).Set(71, 15.0);
  if (code == MAT_NLMM142)
    c.Set(72, 1, 1).Set(73, 0.0).Set(90, 0, 1).Set(90, 1, 2).Set(91, 0.2).Set(92, 1);
  else
    c.Set(80, 1).Set(81, 0.2);
  return c;
}

// A started record driven through the entry points of its model, and the context of
// its crack events.
struct Point : StartedCrackRecord {
  const CrackMat c;
  ZeroMatrix De{3, 3};
  explicit Point(int model) : StartedCrackRecord(Concrete(model)), c(Concrete(model)) {
    if (code == MAT_NLMM142) R142().Cr.CrBandWidth[1] = 100.0;
    CalcMat_De_IsoModel(3, 0.0, kE, De.A);
  }
  NLMM142_HD& R142() { return *static_cast<NLMM142_HD*>(r); }
  NLMM141_HD& R141() { return *static_cast<NLMM141_HD*>(r); }
  int Status() { return code == MAT_NLMM142 ? R142().Pl.PointStatus : R141().Pl.PointStatus; }
  double Kappa() { return code == MAT_NLMM142 ? R142().Pl.EqPlasticStrain : R141().Pl.EqPlasticStrain; }
  void Step(double ex, double ey, double gxy = 0.0) {
    const double dEps[4] = {0, ex, ey, gxy};
    double sigma[4];
    if (code == MAT_NLMM142)
      CalcStress_NLMM142(kAt, c.m, R142(), De.A, dEps, sigma);
    else
      CalcStress_NLMM141(kAt, c.m, R141(), De.A, dEps, sigma);
  }
  CrackView View() { return code == MAT_NLMM142 ? CrackViewOf(R142()) : CrackViewOf(R141()); }
  CrackEventContext Events() {
    CrackEventContext x = CrackEventContextOf(code == MAT_NLMM142 ? kModel142 : kModel141, kAt, c.m, De.A);
    x.plasticStep = CalcDeltaStressCrModelPlastic;
    x.plasticStore = UpdateCrModelStatePlastic;
    return x;
  }
  // Pulled in x until it cracks, then shortened in y past yield: status 4.
  void CrackThenYield() {
    for (int k = 1; k <= 8; k++) Step(2e-5, 0.0);
    ASSERT_EQ(Status(), 2);
    for (int k = 1; k <= 12; k++) Step(1e-5, -5e-5);
    ASSERT_EQ(Status(), 4);
    ASSERT_GT(Kappa(), 0.0);
  }
};

// A deep copy of a record, released with its owner.
struct Snapshot {
  const RecordOps& ops;
  void* r;
  int slot;
  Snapshot(const StartedCrackRecord& p) : ops(p.ops), slot(NlmmSlotOfCode(p.code)) {
    r = std::calloc(1, ops.size);
    ops.init(r);
    ops.copy(r, p.r);
  }
  ~Snapshot() {
    ops.release(r);
    std::free(r);
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;
  bool Same(const void* other) const { return matdriver::SameRecord(slot, r, other); }
};

}  // namespace

// ---- re-checks of crack events on a private copy --------------------------------------------------

// A re-check of an event of a cracked plastic point runs the plastic pass on its own copy:
// whether the event is confirmed or rejected, the record (stresses, crack fields and the
// whole plastic part) is left as it was, byte for byte. Each increment adds lateral
// tension, so that a second crack forms at the transition point k.
TEST(PlanePlasticRecheck, RecordUntouchedWhetherConfirmedOrRejected) {
  struct Case {
    int code;
    double dEps[4];
    bool confirmed;
  };
  const Case cases[] = {{MAT_NLMM142, {0, 8.4007e-4, 7.77279e-4, -6.43332e-4}, true},
                        {MAT_NLMM142, {0, 4.01802e-5, 6.08475e-4, -4.09666e-4}, false},
                        {MAT_NLMM141, {0, -2.61917e-05, 7.35955e-4, 1.85182e-4}, true},
                        {MAT_NLMM141, {0, 5.28873e-4, 6.30984e-4, 7.77945e-4}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Point p(c.code);
    p.CrackThenYield();
    const CrackEventContext x = p.Events();
    CrackView v = p.View();
    CrackSolve s;
    ASSERT_TRUE(s.Run(x, v, c.dEps));
    CrackEvents ev;
    ASSERT_TRUE(CheckChangeCrStatus(x, v, s, ev));
    ASSERT_TRUE(ev.newCrack && !ev.closing && !ev.reopening);
    CrackChange ch;
    ch.kind = 1;
    ch.criterion = 1;
    ch.apply = true;
    ASSERT_TRUE(CalcTransPointNewCrInit(x, v, c.dEps, 1, &ch.k));
    const Snapshot before(p);
    EXPECT_EQ(CheckCrEventReallyOccur(x, v, c.dEps, ev, ch), c.confirmed);
    EXPECT_TRUE(before.Same(p.r));
  }
}

// ---- a combined update that would unload plastically ------------------------------------------------

// Points cracked in x and yielded in y, at three states of their shortening, each given
// a grid of increments that open or close the crack and load or unload the plasticity.
// Whatever variant settles the step (the combined update, else the staggered loop), its
// dlambda is not negative and its kappa is not below the start value, also on an
// unloading step, which is elastic (dlambda 0); the crack stays in balance with the
// stress, and the record is untouched.
TEST(PlanePlasticCombined, NoNegativePlasticIncrement) {
  for (int code : {MAT_NLMM142, MAT_NLMM141}) {
    SCOPED_TRACE(code);
    Point p(code);
    p.CrackThenYield();
    int combined = 0, unloading = 0;
    for (int state = 1; state <= 3; state++) {
      const CrackEventContext x = p.Events();
      const CrackView v = p.View();
      const double kappa0 = p.Kappa();
      ASSERT_EQ(CalcNumActiveCr(v), 1);
      for (double ex : {-1e-4, 0.0, 1e-4, 5e-4})
        for (double ey : {-2e-4, -5e-5, 2e-5, 1e-4}) {
          SCOPED_TRACE(testing::Message() << state << " " << ex << " " << ey);
          const double dEps[4] = {0, ex, ey, 0};
          const Snapshot before(p);
          CrackSolve s;
          s.Set(v);
          const bool ok = code == MAT_NLMM141 ? CalcStressElastoPlasticCrModelAlgor01_NLMM141(x, v, s, dEps)
                                              : CalcStressElastoPlasticCrModelAlgor01_NLMM151(x, v, s, dEps);
          CrackSolve d;
          d.Set(v);
          char algorithm = 9;
          ASSERT_TRUE(CalcDeltaStressCrModelPlastic(x, v, d, dEps, &algorithm));
          EXPECT_EQ(algorithm, 0);
          for (const CrackSolve* r : {&s, &d}) {
            if (r == &s && !ok) continue;
            EXPECT_GE(r->dLambda, 0.0);
            EXPECT_GE(r->kappa, kappa0);
            ASSERT_EQ(r->c.n, 1);
            double t[3];
            multd2d1(t, r->T, r->sigma, 2, 3);
            for (int j = 1; j <= 2; j++) EXPECT_NEAR(t[j], r->c.s[j], 1e-6 * kFc) << j;
          }
          combined += ok;
          if (ey > 0.0 && ok) {
            unloading++;
            EXPECT_EQ(s.dLambda, 0.0);
          }
          EXPECT_TRUE(before.Same(p.r));
        }
      for (int k = 1; k <= 4; k++) p.Step(1e-5, -5e-5);
    }
    EXPECT_GT(combined, 0);
    EXPECT_GT(unloading, 0);
  }
}

// ---- very large increments of an uncracked point ------------------------------------------------------

// Along a ray of stress the initial yield value of the concrete surface rises, peaks and
// falls again: uniaxial compression of 40 MPa, beyond fc, gives a negative value at the
// initial hardening value 9 MPa. Such a stress is outside, and a step that reaches it
// is plastic: a virgin point shortened by 0.003 in one step (trial stress -90 MPa) ends
// on the surface, not at the elastic trial stress.
TEST(PlanePlasticLargeIncrement, FarSideOfTheSurfaceIsOutside) {
  const CrackPlasticMaterial cp = CrackPlasticParameters(Concrete(MAT_NLMM142).m, MAT_NLMM142);
  struct Case {
    double s;
    bool outside;
  };
  for (const Case& k : {Case{5.0, false}, Case{20.0, true}, Case{40.0, true}, Case{90.0, true}, Case{1000.0, true}}) {
    const double u[4] = {0, -k.s, 0, 0};
    double k0;
    const double f0 = CalcInitYieldFunc_NLMM151(cp, 3, u, &k0);
    EXPECT_EQ(f0 > 0.0 || CalcBeyondSurface_NLMM151(cp, 3, u, k0), k.outside) << k.s;
    if (k.s >= 40.0) {
      EXPECT_LT(f0, 0.0) << k.s;
    }
  }
}

// The uncracked update of _NLMM142 under a very large increment: the return mapping of
// the whole step fails, the 700 (first yield) or 400 (a yielded point) sub-increments
// find the state on the surface; when a sub-increment fails too the run ends with the
// point and the sub-increment named.
TEST(PlanePlasticLargeIncrement, SubIncrementsOfTheUncrackedUpdate) {
  const CrackPlasticMaterial cp = CrackPlasticParameters(Concrete(MAT_NLMM142).m, MAT_NLMM142);
  for (double kappa0 : {0.0, 5e-4}) {
    SCOPED_TRACE(kappa0);
    Point p(MAT_NLMM142);
    // A yielded point unloaded to zero stress.
    p.R142().Pl.EqPlasticStrain = kappa0;
    p.R142().Pl.YieldStress = CalcHardFunc_NLMM151(cp, kappa0);
    const double start[4] = {0, 0, 0, 0}, dEps[4] = {0, -3e-3, 0, 0};
    ConcreteMapping whole{};
    EXPECT_FALSE(ReturnMappingAlgor_NLMM151(kAt, cp, 3, p.De.A, start, dEps, kappa0, 1e-6, &whole));
    ConcreteMapping u{};
    CalcStressElastoPlasticModel_NLMM151(kAt, cp, p.De.A, p.R142().Pl, start, dEps, &u);
    EXPECT_GT(u.kappa, kappa0);
    EXPECT_GT(u.dLambda, 0.0);
    EXPECT_LT(std::fabs(CalcYieldFuncAt_NLMM151(cp, 3, u.sigma, CalcHardFunc_NLMM151(cp, u.kappa))) / kFc, 1e-4);
    EXPECT_LT(u.sigma[1], 0.0);
    EXPECT_GT(u.sigma[1], -kFc * 1.5);
  }
}

// A point cracked in x and shortened in y by 0.0015 in one step: the crack-only stress
// (-45 MPa in y) lies beyond the far side of the initial surface of _NLMM142; the step
// yields (status 4) and ends on the surface of each model. (_NLMM142 takes the
// staggered loop with sub-increments here, a slow step.)
TEST(PlanePlasticLargeIncrement, CrackedPointYieldsInOneStep) {
  for (int code : {MAT_NLMM141, MAT_NLMM142}) {
    SCOPED_TRACE(code);
    Point p(code);
    for (int k = 1; k <= 8; k++) p.Step(2e-5, 0.0);
    ASSERT_EQ(p.Status(), 2);
    p.Step(0.0, -1.5e-3);
    EXPECT_EQ(p.Status(), 4);
    ASSERT_GT(p.Kappa(), 0.0);
    double F;
    const double* s;
    if (code == MAT_NLMM142) {
      const CrackPlasticMaterial cp = CrackPlasticParameters(p.c.m, MAT_NLMM142);
      s = p.R142().Pl.PlasticStress;
      F = CalcYieldFuncAt_NLMM151(cp, 3, s, CalcHardFunc_NLMM151(cp, p.Kappa()));
    } else {
      s = p.R141().Pl.Stress;
      F = CalcOwenFigYieldFunc_NLMM121(Nlmm141Parameters(p.c.m), p.Kappa(), s);
    }
    EXPECT_LT(std::fabs(F) / kFc, 2e-3);
    EXPECT_LT(s[2], -9.0);
    EXPECT_GT(s[2], -1.5 * kFc);
  }
}

TEST(PlanePlasticLargeIncrementDeath, FailingSubIncrementEndsTheRun) {
  const CrackPlasticMaterial cp = CrackPlasticParameters(Concrete(MAT_NLMM142).m, MAT_NLMM142);
  // Equal biaxial shortening of 0.01 in one step.
  const double start[4] = {0, 0, 0, 0}, dEps[4] = {0, -1e-2, -1e-2, 0};
  Point virgin(MAT_NLMM142);
  ConcreteMapping u{};
  EXPECT_DEATH(CalcStressElastoPlasticModel_NLMM151(kAt, cp, virgin.De.A, virgin.R142().Pl, start, dEps, &u),
               "\nReturn Mapping procedure\nCalculating the delta stress vector using \n\t\t\t\t\t\tthe return mapping "
               "algorithm:\n   -> Combination: 2\n   -> Iteration: 4\n   -> iSubIncrement: [0-9]+\n   -> Element: 7\n"
               "   -> Sampling point: 3\n   -> Nonlinear material model: _NLMM142\n.*"
               "The iterative algorithm did not converge.");
  Point yielded(MAT_NLMM142);
  yielded.R142().Pl.EqPlasticStrain = 5e-4;
  yielded.R142().Pl.YieldStress = CalcHardFunc_NLMM151(cp, 5e-4);
  EXPECT_DEATH(CalcStressElastoPlasticModel_NLMM151(kAt, cp, yielded.De.A, yielded.R142().Pl, start, dEps, &u),
               "\nReturn Mapping procedure\nCalculating the delta stress vector using\n\t\t\t\tthe return mapping "
               "algorithm:\n   -> Combination: 2\n   -> Iteration: 4\n   -> Element: 7\n   -> Sampling point: 3\n"
               "   -> Nonlinear material model: _NLMM142\n.*The iterative algorithm did not converge.");
}
