// The stiffness update that the nonlinear static and thermal drivers share, on a stub
// driver: which of its matrix steps run in which iteration, and in what order.
#include "analysis/newton_steps.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "assembly/assembly.h"
#include "numcore/numcore.h"
#include "support/output_flags.h"

namespace {

// A driver whose matrices are one 1 x 1 KFF = [2]; every step it is asked for is logged.
struct StubDriver {
  SparseRowMatrix KFF{}, KPF{}, KPP{};
  std::string log;
  StubDriver() {
    AllocSparseCounters(1, 0, &KFF, &KPF, &KPP);
    KFF.count[1] = 1;
    alloci1(&KFF.cols[1], 1);
    allocd1(&KFF.vals[1], 1);
    KFF.cols[1][1] = 1;
    KFF.vals[1][1] = 2.0;
  }
  ~StubDriver() { FreeGlobalStiffMat(&KFF, &KPF, &KPP); }
  GlobalMatrixSteps Steps() {
    GlobalMatrixSteps s;
    s.release = [this] { log += "release "; };
    s.assemble = [this](IterSummaryRecord* iter) {
      log += "assemble ";
      iter->nTermsKFF = 1;
    };
    s.write = [this] { log += "write "; };
    s.hold = [this] { log += "hold "; };
    s.read = [this](int64_t n[3]) {
      log += "read ";
      n[0] = 7;
      n[1] = 8;
      n[2] = 9;
    };
    s.solved = [this] {
      log += "solved ";
      return &KFF;
    };
    return s;
  }
};

}  // namespace

// No strategy assembles and reads in one iteration, and only an assembly is saved.
TEST(NewtonStiffnessStep, MovesNeverAssembleAndReadTogether) {
  for (int strategy = 1; strategy <= 5; strategy++)
    for (int r = 0; r <= 3; r++)
      for (int c = r + 1; c <= r + 3; c++)
        for (int it = 1; it <= 3; it++) {
          const StiffnessMoves m = StiffnessMovesOf(c, r, it, strategy);
          EXPECT_FALSE(m.update && m.read) << strategy << " " << r << " " << c << " " << it;
          EXPECT_TRUE(!m.write || m.update) << strategy << " " << r << " " << c << " " << it;
        }
}

// Strategy 4 restarted after combination 2: iteration 1 of combination 3 reads the
// matrices held at the end of combination 2, iteration 2 of each combination assembles and
// holds them, the other iterations keep them. A replacement releases what is held first and
// builds the solver form after the matrices; a read puts its term counts in the iteration
// record; every iteration writes its record; the shut-down releases once.
TEST(NewtonStiffnessStep, RestartedStrategyReadsAssemblesAndKeeps) {
  StubDriver d;
  const GlobalMatrixSteps steps = d.Steps();
  NewtonMatrixState ms{};
  FILE* ep = std::tmpfile();
  ASSERT_NE(ep, nullptr);
  const Flags flags;
  std::string expected;
  for (int c = 3; c <= 4; c++)
    for (int it = 1; it <= 3; it++) {
      const bool replaced = UpdateGlobalMatrices(StiffnessMovesOf(c, 2, it, 4), SOLVER_ITER_JPCG, 1, flags, steps,
                                                 &ms, ep);
      EXPECT_EQ(replaced, it == 2 || (c == 3 && it == 1));
      EXPECT_TRUE(ms.held && ms.prepared);
      if (c == 3 && it == 1) {
        EXPECT_EQ(ms.iter.nTermsKFF, 7);
        EXPECT_EQ(ms.iter.nTermsKPF, 8);
        EXPECT_EQ(ms.iter.nTermsKPP, 9);
      }
    }
  EXPECT_EQ(d.log,
            "read solved release assemble hold solved "
            "release assemble hold solved ");
  EXPECT_EQ(std::ftell(ep), 6 * static_cast<long>(sizeof(IterSummaryRecord)));
  ReleaseGlobalMatrices(steps.release, &ms);
  EXPECT_EQ(d.log.substr(d.log.size() - 8), "release ");
  EXPECT_FALSE(ms.held || ms.prepared);
  std::fclose(ep);
}

// A first iteration that neither assembles nor reads has no matrix to solve with.
TEST(NewtonStiffnessStepDeath, NothingPreparedIsAnInternalError) {
  EXPECT_EXIT(
      {
        StubDriver d;
        NewtonMatrixState ms{};
        UpdateGlobalMatrices(StiffnessMovesOf(2, 0, 1, 2), SOLVER_ITER_JPCG, 1, Flags(), d.Steps(), &ms, stdout);
      },
      testing::ExitedWithCode(1), "INTERNAL ERROR");
}
