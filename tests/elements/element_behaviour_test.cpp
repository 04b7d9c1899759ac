// The behaviour rows beside the element-type table: every type and entry holds a routine
// or the words of a refusal, the rows agree with the material kinds each type takes, and
// an empty cell stops with its words and the type's keyword.
#include <cstring>
#include <string>

#include "elements/behaviour.h"
#include "materials/material_table.h"
#include "model/material.h"
#include "test_util.h"

namespace {

struct Entry {
  const char* name;
  bool present;
  const char* refusal;
};

std::vector<Entry> EntriesOf(const ElementBehaviourRow& r) {
  return {{"stiffness", r.stiffness.run != nullptr, r.stiffness.refusal},
          {"mass", r.mass.run != nullptr, r.mass.refusal},
          {"tangent", r.tangent.run != nullptr, r.tangent.refusal},
          {"forces", r.forces.run != nullptr, r.forces.refusal},
          {"geometric tangent", r.geometricTangent.run != nullptr, r.geometricTangent.refusal},
          {"geometric forces", r.geometricForces.run != nullptr, r.geometricForces.refusal}};
}

// Does a mechanical analysis (materially nonlinear or not) let the type carry some kind
// of that behaviour?
bool TakesSomeKind(int type, bool nonlinear) {
  for (int code = 1; code <= kMaterialKinds; code++) {
    if (ElementKindRefusal(code, type, false, nonlinear) != nullptr) continue;
    if ((MaterialBehaviourCode(code, false) == 'M') == nonlinear) return true;
  }
  return false;
}

}  // namespace

TEST(ElementBehaviour, EveryCellIsARoutineOrAWordedRefusal) {
  for (int type = 0; type <= kNumElementTypes; type++) {
    SCOPED_TRACE(ElementTypeInfo[type].keyword);
    const ElementBehaviourRow& r = ElementBehaviourOf(type);
    for (const Entry& e : EntriesOf(r)) {
      SCOPED_TRACE(e.name);
      if (e.present) {
        EXPECT_EQ(e.refusal, nullptr);
      } else {
        ASSERT_TRUE(e.refusal != nullptr && std::strlen(e.refusal) > 20);
      }
    }
    // Tangent and forces come in pairs: the Newton iteration needs both.
    EXPECT_EQ(r.tangent.run != nullptr, r.forces.run != nullptr);
    EXPECT_EQ(r.geometricTangent.run != nullptr, r.geometricForces.run != nullptr);
    // Geometric nonlinearity only on a type of nonlinear material; anything needs stiffness.
    if (r.geometricTangent.run != nullptr) {
      EXPECT_NE(r.tangent.run, nullptr);
    }
    if (r.tangent.run != nullptr || r.mass.run != nullptr) {
      EXPECT_NE(r.stiffness.run, nullptr);
    }
    // A type takes a nonlinear material exactly when it has the routines for it, and takes a
    // material where it has a stiffness: the data-file checks and the rows say the same.
    EXPECT_EQ(r.tangent.run != nullptr, TakesSomeKind(type, true));
    if (r.stiffness.run != nullptr) {
      EXPECT_TRUE(TakesSomeKind(type, false) || TakesSomeKind(type, true));
    }
  }
}

// The material points of an element are told its type's stress state. Every mechanical
// type has one, the thermal types none; and the point routines' check on the state admits
// exactly the kinds that each type with a tangent routine takes.
TEST(ElementBehaviour, StressStateOfEveryTypeAdmitsItsKinds) {
  for (int type = 1; type <= kNumElementTypes; type++) {
    SCOPED_TRACE(ElementTypeInfo[type].keyword);
    const StressState s = StressStateOfType(type);
    EXPECT_EQ(s == kStateNone, std::strstr(ElementTypeInfo[type].keyword, "THERMAL") != nullptr);
    if (ElementBehaviourOf(type).tangent.run == nullptr) continue;
    for (int code = 1; code <= kMaterialKinds; code++)
      EXPECT_EQ(MaterialKindTakesState(code, s), MaterialKindAllowed(code, type)) << MaterialKindName(code);
  }
  EXPECT_DEATH(StressStateOfType(kNumElementTypes + 1), "INTERNAL ERROR");
}

TEST(ElementBehaviour, EmptyCellStopsWithItsWordsAndTheType) {
  double** K;
  allocd2(&K, 6, 6);
  double* F;
  allocd1(&F, 6);
  const ElementCall c;
  const ElementBehaviourRow& triang = ElementBehaviourOf(_PLANE_STRAIN_TRIANG);
  EXPECT_DEATH(RunElemMat(triang.stiffness, _PLANE_STRAIN_TRIANG, c, K),
               "_PLANE_STRAIN_TRIANG\nThe element type has no stiffness routine");
  const ElementBehaviourRow& truss = ElementBehaviourOf(_TRUSS_2D);
  EXPECT_DEATH(RunElemVec(truss.forces, _TRUSS_2D, c, F), "_TRUSS_2D\n.*no internal-force routine.*INTERNAL ERROR");
  const ElementBehaviourRow& ahmad = ElementBehaviourOf(_AHMAD_SHELL_QUAD);
  EXPECT_DEATH(RunElemMat(ahmad.geometricTangent, _AHMAD_SHELL_QUAD, c, K), "no geometrically nonlinear tangent");
  EXPECT_DEATH(RunElemMat(ElementBehaviourOf(_CABLE_2D).mass, _CABLE_2D, c, K), "no mass matrix");
  EXPECT_EXIT(ElementBehaviourOf(kNumElementTypes + 1), testing::ExitedWithCode(1), "Invalid element type code");
  freed1(F);
  freed2(K);
}
