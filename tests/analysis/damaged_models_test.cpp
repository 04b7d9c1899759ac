// Damaged models of every element family, run through the program: one field at a time
// (indices, codes, counts, values: zero, negative, huge, NaN, infinite) is spoilt in a
// valid linear static model. Every run must end in "### Success ###" with finite result
// files or in a worded error: never in a signal, a sanitizer report, a hang or the
// internal error.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "damage_set.h"
#include "element_models.h"
#include "linear_model.h"
#include "support/datafile_writer.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;

namespace {

// A valid model of one family with loads on its elements.
struct Family {
  const char* name;
  std::function<linmodel::Job()> build;
};

using linmodel::ElementLoads;

linmodel::Job WithLoads(linmodel::Job j, tw::LoadCase lc) {
  j.model.loadCases = {lc};
  return j;
}

const Family kFamilies[] = {
    {"Truss2D",
     [] {
       return WithLoads(linmodel::TwoBarTruss(2e5), ElementLoads({tw::PointLoad(3, {0, 10, -20, 0, 0, 0})}, {}, {},
                                                                 {tw::TemperatureVariation(1, {5.0})}, {0, 0, -9.81}));
     }},
    {"Frame2D",
     [] {
       return WithLoads(linmodel::Cantilever(2, 2.0, 3e4, 0.1, 1e-3),
                        ElementLoads({tw::PointLoad(3, {0, 1, -2, 0.5, 0, 0})},
                                     {tw::EdgeLoad(1, 0, 0, 'G', 3, 1, {-1.0})}, {}, {}, {0, 0, -9.81}));
     }},
    {"Cable2D",
     [] {
       return WithLoads(linmodel::CableHanger2D(1e4), ElementLoads({tw::PointLoad(3, {0, 0, -5, 0, 0, 0})}));
     }},
    {"Cable3D",
     [] {
       return WithLoads(
           linmodel::CableTripod3D(1e4, 3.0, 4.0),
           ElementLoads({tw::PointLoad(4, {1, 0, -5, 0, 0, 0})}, {}, {}, {tw::TemperatureVariation(2, {10.0})}));
     }},
    {"TimoshenkoBeam3D",
     [] {
       return WithLoads(linmodel::TimoshenkoCantilever(2, 2, 1),
                        ElementLoads({tw::PointLoad(3, {0, 0, -1, 0, 0, 0})},
                                     {tw::EdgeLoad(1, 0, 0, 'G', 3, 1, {-1.0})}, {}, {}, {0, 0, -1}));
     }},
    {"PlaneStressQuad",
     [] {
       return WithLoads(
           linmodel::TwoElementPlate(1000.0, 0.25, 0.1),
           ElementLoads({tw::PointLoad(3, {0, 1, 0, 0, 0, 0})}, {tw::EdgeLoad(2, 0, 2, 'G', 2, 1, {1.0})},
                        {tw::FaceLoad(1, 0, 'G', 3, 1, {-1.0})}, {tw::TemperatureVariation(2, {5.0})}, {0, 0, -1}));
     }},
    {"SolidHexa",
     [] {
       linmodel::LatticeJob lj = linmodel::HexaBar(8, 1, 2.0, 0.0, 0.0, 1000.0, 0.25, 1.0, false, [](int I, int, int) {
         return I == 0 ? std::string("111000") : std::string("000000");
       });
       return WithLoads(lj.job, ElementLoads({tw::PointLoad(lj.At(2, 2, 2), {0, 0, -1, 0, 0, 0})}, {},
                                             {tw::FaceLoad(1, 6, 'G', 3, 1, {-1.0})},
                                             {tw::TemperatureVariation(1, {5.0})}, {0, 0, -1}));
     }},
};

// Shells and slabs: one 8-node element, clamped along its first side.
linmodel::Job Shell(int type) {
  const bool slab = type == 18;
  linmodel::LatticeJob lj = linmodel::QuadMesh(
      type, 8, 1, 1,
      [](double u, double v) {
        return std::array<double, 3>{u, v, 0.0};
      },
      1000.0, 0.3, 1.0, 0.1,
      [slab](int I, int, int) { return I == 0 ? std::string(slab ? "001110" : "111111") : std::string("000000"); });
  return WithLoads(lj.job, ElementLoads({tw::PointLoad(lj.At(2, 2), {0, 0, -1, 0, 0, 0})},
                                        {tw::EdgeLoad(1, 0, 2, 'G', 3, 1, {-1.0})},
                                        {tw::FaceLoad(1, 0, 'G', 3, 1, {-1.0})}, {}, {0, 0, -1}));
}

const Family kShellFamilies[] = {
    {"MindlinSlabQuad", [] { return Shell(18); }},
    {"MindlinShellQuad", [] { return Shell(20); }},
    {"AhmadShellQuad", [] { return Shell(22); }},
};

using damage::Damage;

std::vector<Damage> Damages(const tw::Model& base) {
  std::vector<Damage> out = damage::FieldDamages(base);
  // Codes and reals of the main parameters.
  out.push_back({"residual decay 1", [](tw::Model& m) { m.main.precondResidualDecay = 1.0; }});
  out.push_back({"residual decay NaN", [](tw::Model& m) { m.main.precondResidualDecay = NAN; }});
  out.push_back({"residual decay -1", [](tw::Model& m) { m.main.precondResidualDecay = -1.0; }});
  out.push_back({"analysis type 0", [](tw::Model& m) { m.main.analysisType = 0; }});
  out.push_back({"analysis type 8", [](tw::Model& m) { m.main.analysisType = 8; }});
  out.push_back({"materially nonlinear flag 2", [](tw::Model& m) { m.main.materNonlinear = 2; }});
  out.push_back({"storage technique 3", [](tw::Model& m) { m.main.storageTechnique = 3; }});
  out.push_back({"incomplete Cholesky algorithm", [](tw::Model& m) { m.main.linEqAlgorithm = 3; }});
  out.push_back({"no phase", [](tw::Model& m) { m.main.nPhases = 0; }});
  out.push_back({"stiffness eigenvalues by Lanczos", [](tw::Model& m) {
                   m.main.stiffMatEigenValues = 1;
                   m.main.eigenValueTechnique = 2;
                 }});
  out.push_back({"stiffness eigenvalues technique 0", [](tw::Model& m) {
                   m.main.stiffMatEigenValues = 1;
                   m.main.eigenValueTechnique = 0;
                 }});
  out.push_back({"stiffness eigenvalues flag 2", [](tw::Model& m) { m.main.stiffMatEigenValues = 2; }});
  return out;
}

void RunDamages(const Family& f) {
  const linmodel::Job job = f.build();
  const int refused = damage::RunDamages(f.name, job.model, Damages(job.model), damage::Expect{});
  // Most single changes of a small model are refused; some (a value that stays
  // admissible) still solve.
  EXPECT_GT(refused, 0);
}

}  // namespace

class DamagedModels : public testing::TestWithParam<int> {};

TEST_P(DamagedModels, EndInSuccessWithFiniteResultsOrInAWordedError) {
  const int k = GetParam();
  constexpr int nLine = static_cast<int>(std::size(kFamilies));
  RunDamages(k < nLine ? kFamilies[k] : kShellFamilies[k - nLine]);
}

INSTANTIATE_TEST_SUITE_P(Families, DamagedModels,
                         testing::Range(0, static_cast<int>(std::size(kFamilies) + std::size(kShellFamilies))));
