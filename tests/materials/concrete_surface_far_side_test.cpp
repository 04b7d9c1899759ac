// The far side of the quadratic concrete surface: along a ray of stress the yield value
// of a closing meridian rises, peaks and falls again, so a stress well past the surface
// gives a negative value. _NLMM125, whose meridians open, has no far side; large steps of
// its points are plastic. A virgin solid _NLMM151 point shortened in one large step ends
// on the surface where the same shortening in small steps ends, not at the elastic trial.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "materials/elastic.h"
#include "materials/material_point.h"
#include "materials/plasticity/concrete_plasticity.h"
#include "materials/plasticity/crack_plasticity.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/crack_material.h"
#include "support/material_driver.h"

using matdriver::ContinuumPoint;

namespace {

constexpr double kE = 30000.0, kFc = 30.0;

MaterialRecord Record125(int law) {
  return matdriver::RecordWithInts({0.0, 0.0, 0.2, kE, kFc, 3.0, 0.0022, 0.3, double(law), 0.0, 0.0, 7.0, 8.0, 9.0},
                                   {9});
}

CrackMat Record151() {
  CrackMat c = CrackConcrete(MAT_NLMM151, 0.1);
  c.Set(66, 0.0).Set(70, 0.3).Set(71, 15.0).Set(72, 1).Set(100, 3).Set(101, 1.0);
  c.Set(93, 1).Set(94, 0.2).Set(95, 1);
  return c;
}

}  // namespace

// _NLMM125 has no far side: its meridians open along the hydrostatic axis (c < 0 for any
// record, the fixed radii and those set through the biaxial strength), so along every
// ray t sigma the value is a parabola opening upwards and, once positive, stays
// positive. The plain sign test of its first-yield check and of the first pass of its
// return mapping is therefore sound; checked here on rays of every Lode angle, with the
// initial and a hardened yield stress.
TEST(ConcreteSurfaceFarSide, Nlmm125HasNoFarSide) {
  for (double P : {0.0, 1.0, 10.0, 200.0}) {
    SCOPED_TRACE(P);
    MaterialRecord m = Record125(2);
    for (int k = 10; k <= 14; k++) m.Value[k] = P == 0.0 ? 0.0 : std::pow(P / 2.0, 0.2);
    const ConcretePlasticMaterial c = ConcretePlasticParameters(MAT_NLMM125, m);
    for (double theta = 0.0; theta <= 1.05; theta += 0.05) {
      for (double xi : {-1.0, 0.0, 1.0}) {
        double u[7] = {0};
        for (int i = 1; i <= 3; i++) u[i] = xi + std::cos(theta - 2.0 * 3.14159265358979 * (i - 1) / 3.0);
        for (double kappa : {0.0, 5e-4}) {
          bool outside = false;
          for (double t = 0.1; t <= 1e6; t *= 1.5) {
            double x[7];
            for (int i = 1; i <= 6; i++) x[i] = t * u[i];
            SurfacePoint p{};
            AllocSurfacePoint(6, &p);
            ASSERT_TRUE(EvaluateConcreteSurface(c, 6, x, kappa, false, &p));
            if (outside) {
              EXPECT_GT(p.F, 0.0) << theta << " " << xi << " " << t;
            }
            outside = outside || p.F > 0.0;
            FreeSurfacePoint(&p);
          }
          EXPECT_TRUE(outside) << theta << " " << xi;
        }
      }
    }
  }
}

// A virgin point (initial yield stress 9 MPa) and a yielded one (kappa 5e-4) given one
// large step from zero stress whose trial stress is uniaxial or equal biaxial
// compression of 90 or 300 MPa: judged plastic, and the return mapping of the yielded
// point ends on the surface, not at the trial stress. (With every strain prescribed the
// plastic dilatancy confines the point: the axial stress may stay large.)
TEST(ConcreteSurfaceFarSide, LargeStepsOfNlmm125AreNotElastic) {
  const ConcretePlasticMaterial c = ConcretePlasticParameters(MAT_NLMM125, Record125(2));
  double** De;
  allocd2(&De, 6, 6);
  CalcMat_De_IsoModel(6, c.nu, c.E, De);
  const PointContext at{1, 1, 1, 1, 2};
  for (double s : {90.0, 300.0}) {
    for (int axes : {1, 2}) {
      SCOPED_TRACE(std::to_string(s) + " " + std::to_string(axes));
      // The strains of the stress (-s, -s or 0, 0).
      double trial[7] = {0, -s, axes == 2 ? -s : 0.0, 0, 0, 0, 0}, dEps[7] = {0}, zero[7] = {0};
      const double tr = trial[1] + trial[2] + trial[3];
      for (int i = 1; i <= 3; i++) dEps[i] = ((1.0 + c.nu) * trial[i] - c.nu * tr) / c.E;
      EXPECT_TRUE(ConcreteFirstYield(c, 6, trial));
      ConcreteMapping out{};
      ASSERT_TRUE(ReturnMappingAlgor_Concrete(at, c, 6, De, zero, dEps, 5e-4, &out));
      EXPECT_GT(out.dLambda, 0.0);
      SurfacePoint p{};
      AllocSurfacePoint(6, &p);
      ASSERT_TRUE(EvaluateConcreteSurface(c, 6, out.sigma, out.kappa, false, &p));
      EXPECT_LT(std::fabs(p.F), 2e-3 * kFc);
      FreeSurfacePoint(&p);
    }
  }
  freed2(De);
}

// A virgin solid _NLMM151 point shortened along x by 0.003 in one step (elastic trial
// -90 MPa, beyond the far side of the initial surface), the other stresses free: plastic, on the surface, and at the stress of the same shortening in small steps
// (a monotonic uniaxial path: the one step and the many agree).
TEST(ConcreteSurfaceFarSide, LargeStepOfSolidNlmm151EndsOnTheSurface) {
  const CrackMat mat = Record151();
  const CrackPlasticMaterial c = CrackPlasticParameters(mat.m);
  const std::vector<bool> uniaxial{false, true, true, true, true, true};
  for (double e : {0.003}) {
    SCOPED_TRACE(e);
    ContinuumPoint one(MAT_NLMM151, _SOLID_HEXA, mat.m), many(MAT_NLMM151, _SOLID_HEXA, mat.m);
    one.SetHeldTolerance(1e-2);
    many.SetHeldTolerance(1e-2);
    const std::vector<double> total{-e, 0, 0, 0, 0, 0};
    std::vector<double> de(total);
    const std::vector<double> s1 = one.Step(de, uniaxial);
    const std::vector<double> sn = many.Path(total, uniaxial, static_cast<int>(e / 2e-5));
    const CrackPlasticPart& r = one.Record<NLMM151_HD>().Pl;
    EXPECT_EQ(r.PlasticState, 2);
    ASSERT_GT(r.EqPlasticStrain, 0.0);
    EXPECT_NEAR(r.EqPlasticStrain, many.Record<NLMM151_HD>().Pl.EqPlasticStrain, 1e-3 * r.EqPlasticStrain);
    EXPECT_LT(std::fabs(CalcYieldFuncAt_NLMM151(c, 6, r.PlasticStress, CalcHardFunc_NLMM151(c, r.EqPlasticStrain))),
              2e-3 * kFc);
    EXPECT_LT(s1[0], 0.0);
    EXPECT_GT(s1[0], -1.1 * kFc);
    for (size_t i = 0; i < s1.size(); i++) EXPECT_NEAR(s1[i], sn[i], 2e-3 * kFc) << i;
  }
}

// Strains many orders of magnitude beyond concrete's (a combination factor gone wild) on a
// virgin _NLMM125 and _NLMM151 point, in one step, compressed, stretched, sheared and
// pressed from all sides: either a finite stress or a refusal in words (the return mapping
// does not converge, its Jacobian is singular), never an internal error, a sanitizer
// report or a stress that is not a number.
TEST(ConcreteSurfaceFarSide, ExtremeStrainsGiveAStressOrAWordedRefusal) {
  struct Law {
    const char* name;
    int code;
    MaterialRecord m;
  };
  const Law laws[] = {{"_NLMM125", MAT_NLMM125, Record125(2)}, {"_NLMM151", MAT_NLMM151, Record151().m}};
  const std::vector<std::vector<double>> rays = {{-1, 0, 0, 0, 0, 0}, {1, 1, 1, 0, 0, 0}, {0, 0, 0, 1, 0, 0},
                                                 {-1, -1, -1, 0, 0, 0}};
  for (const Law& l : laws)
    for (size_t k = 0; k < rays.size(); k++)
      for (double f : {1e1, 1e10, 1e100}) {
        SCOPED_TRACE(std::string(l.name) + " ray " + std::to_string(k) + " factor " + std::to_string(f));
        EXPECT_EXIT(
            {
              const auto finite = [&] {
                ContinuumPoint p(l.code, _SOLID_HEXA, l.m);
                std::vector<double> de = rays[k];
                for (double& v : de) v *= 0.003 * f;
                bool all = true;
                for (double v : p.Step(de, std::vector<bool>(6, false))) all = all && std::isfinite(v);
                return all;
              }();
              std::fprintf(stderr, "STRESS %s", finite ? "finite" : "not finite");
              std::exit(finite ? 0 : 2);
            },
            [](int status) { return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1); },
            "STRESS finite|\nERROR:\n");
      }
}
