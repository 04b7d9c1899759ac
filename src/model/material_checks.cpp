// The checks at read of a material record's values, one per kind that takes more than
// finite values; each kind's format row names its check.
#include <cstdio>

#include "model/material_formats.h"
#include "model/validate.h"

namespace {

void CheckRelativeHumidity(const DataPlace& w, double RH) {
  if (!(RH >= 0.0 && RH <= 100.0))
    DataFault(w.context, w.block, w.record, "Invalid relative humidity: %g (valid: 0 to 100 percent).", RH);
}

// The shrinkage flags of "<NLMM171>" and "<NLMM172>".
void CheckShrinkageFlags(const DataPlace& w, const MaterialRecord& mat) {
  CheckCode(w, "drying shrinkage flag", MatInt(mat, 1), 1, 2);
  CheckCode(w, "autogenous shrinkage flag", MatInt(mat, 2), 1, 2);
}

// The shrinkage law of "<NLMM172>" (values in file order) where its flags switch it on:
// the drying part takes powers of the strength, the water content and the age at the
// start of drying, and divides the time by the half-time; the autogenous part divides
// by its own time constant.
void CheckShrinkage172(const DataPlace& w, const MaterialRecord& mat) {
  if (MatInt(mat, 1) == 1) {
    CheckPositive(w, "compressive strength", mat.Value[8]);
    CheckNotNegative(w, "water content", mat.Value[9]);
    if (MatInt(mat, 22) == 2)
      CheckPositive(w, "start of drying", mat.Value[16]);
    else
      CheckNotNegative(w, "start of drying", mat.Value[16]);
    CheckRelativeHumidity(w, mat.Value[17]);
    CheckNotNegative(w, "cement type factor", mat.Value[20]);
    CheckNotNegative(w, "curing factor", mat.Value[21]);
    if (MatInt(mat, 22) == 1) CheckPositive(w, "kt", mat.Value[23]);
    if (MatInt(mat, 24) == 1) {
      CheckPositive(w, "shrinkage half-time", mat.Value[25]);
    } else {
      CheckPositive(w, "shape factor ks", mat.Value[18]);
      CheckPositive(w, "volume-to-surface ratio", mat.Value[19]);
    }
  }
  if (MatInt(mat, 2) == 1) {
    CheckNotNegative(w, "start of the autogenous shrinkage", mat.Value[28]);
    CheckPositive(w, "time constant of the autogenous shrinkage", mat.Value[29]);
    CheckNotNegative(w, "final autogenous shrinkage strain", mat.Value[30]);
    CheckRelativeHumidity(w, mat.Value[31]);
  }
}

}  // namespace

void CheckLinIsoValues(const DataPlace& w, const MaterialRecord& mat) {
  CheckPositive(w, "modulus of elasticity", mat.Value[3]);
}

void CheckInterfacePointValues(const DataPlace& w, const MaterialRecord& mat) {
  CheckNotNegative(w, "interface stiffness", mat.Value[2]);
}

void CheckInterfaceStiffnesses(const DataPlace& w, const MaterialRecord& mat) {
  for (int k = 1; k <= mat.nValues; k++) CheckNotNegative(w, "interface stiffness", mat.Value[k]);
}

// A body whose heat capacity or density is negative heats while it cools.
void CheckThermalIsoValues(const DataPlace& w, const MaterialRecord& mat) {
  CheckNotNegative(w, "density", mat.Value[1]);
  CheckPositive(w, "thermal conductivity", mat.Value[2]);
  CheckNotNegative(w, "specific heat", mat.Value[3]);
}

// The codes of the age and temperature models (values in file order).
void CheckNlmm171Values(const DataPlace& w, const MaterialRecord& mat) {
  CheckShrinkageFlags(w, mat);
  CheckCode(w, "cement class", MatInt(mat, 10), 1, 3);
  // The drying law of the shrinkage: start of drying, notional size, mean compressive
  // strength and relative humidity (percent).
  CheckNotNegative(w, "start of drying", mat.Value[6]);
  CheckPositive(w, "notional size h0", mat.Value[7]);
  CheckPositive(w, "mean compressive strength", mat.Value[8]);
  // The code formulas take f_cm in MPa: a strength in Pa or kPa would give strains of
  // whole units.
  if (!(mat.Value[8] <= 1000.0))
    DataFault(w.context, w.block, w.record,
              "The mean compressive strength %g is out of range: the shrinkage law takes f_cm in MPa\n"
              "(at most 1000).",
              mat.Value[8]);
  CheckRelativeHumidity(w, mat.Value[9]);
}

void CheckNlmm172Values(const DataPlace& w, const MaterialRecord& mat) {
  CheckShrinkageFlags(w, mat);
  CheckCode(w, "law of kt", MatInt(mat, 22), 1, 2);
  CheckCode(w, "law of the shrinkage half-time", MatInt(mat, 24), 1, 2);
  CheckShrinkage172(w, mat);
}

void CheckNlmm173Values(const DataPlace& w, const MaterialRecord& mat) {
  CheckCode(w, "equivalent age law", MatInt(mat, 1), 0, 2);
  CheckCode(w, "ageing law of the stiffness and strengths", MatInt(mat, 3), 0, 1);
  CheckCode(w, "cement type", MatInt(mat, 4), 1, 3);
  CheckCode(w, "ageing law of the fracture energy", MatInt(mat, 5), 0, 1);
  // The Arrhenius law divides the activation energy by the gas constant.
  if (MatInt(mat, 1) == 2) {
    CheckNotNegative(w, "activation energy", mat.Value[2]);
    CheckPositive(w, "gas constant", mat.Value[7]);
  }
}

// The Kelvin chain of "<NLMM174>": every retardation time positive (a unit with a
// negative one grows without bound), the modulus factor positive, the start of creep not
// negative, and the coefficients k0 and k3 of each unit positive (its compliance is
// their product times positive powers). The reader has held the unit count to 0..10.
void CheckNlmm174Values(const DataPlace& w, const MaterialRecord& mat) {
  const int q = static_cast<int>(mat.Value[3]);
  char what[96];
  for (int u = 1; u <= q; u++) {
    std::snprintf(what, sizeof what, "retardation time of Kelvin unit %d", u);
    CheckPositive(w, what, mat.QVector[u]);
    std::snprintf(what, sizeof what, "coefficient k0 of Kelvin unit %d", u);
    CheckPositive(w, what, mat.Q4Vector[4 * u - 3]);
    std::snprintf(what, sizeof what, "coefficient k3 of Kelvin unit %d", u);
    CheckPositive(w, what, mat.Q4Vector[4 * u]);
  }
  CheckPositive(w, "modulus factor of the creep", mat.Value[4]);
  CheckNotNegative(w, "start of creep", mat.Value[5]);
}

void CheckNlmm175Values(const DataPlace& w, const MaterialRecord& mat) {
  static const char* const kLaws[8] = {"",
                                       "law of the unit weight",
                                       "law of the thermal expansion coefficient",
                                       "law of the Poisson's ratio",
                                       "law of the Young's modulus",
                                       "law of the compressive strength",
                                       "law of the tensile strength",
                                       "law of the fracture energy"};
  for (int k = 1; k <= 7; k++) {
    const int law = MatInt(mat, k);
    if ((k == 3 || k == 7) && law != 0)
      DataFault(w.context, w.block, w.record, "Invalid %s: %d (only 0, a constant value, is available).", kLaws[k],
                law);
    CheckCode(w, kLaws[k], law, 0, 1);
  }
}

// The steel laws divide by the yield strain and stress and by the spans of their branches.
void CheckNlmm201Values(const DataPlace& w, const MaterialRecord& mat) {
  CheckPositive(w, "yield strain", mat.Value[3]);
  CheckPositive(w, "yield stress", mat.Value[4]);
}

void CheckNlmm202Values(const DataPlace& w, const MaterialRecord& mat) {
  CheckPositive(w, "yield strain", mat.Value[5]);
  CheckPositive(w, "yield stress", mat.Value[6]);
  if (mat.Value[7] == mat.Value[5] || mat.Value[10] == mat.Value[6] || mat.Value[9] == mat.Value[7])
    DataFault(w.context, w.block, w.record,
              "Invalid steel parameters: the hardening strain must differ from the yield strain, the ultimate "
              "stress from the yield stress and the ultimate strain from the hardening strain.");
}

// The plane cyclic concrete counts compression positive: its tensile strength is a
// negative number (a positive one would crack the concrete in compression).
void CheckNlmm211Values(const DataPlace& w, const MaterialRecord& mat) {
  CheckFinite(w, "tensile strength", mat.Value[8]);
  if (!(mat.Value[8] < 0.0))
    DataFault(w.context, w.block, w.record,
              "Invalid tensile strength: %g (it must be negative: this law counts compression positive).",
              mat.Value[8]);
}

// The thermal laws switch on their codes at every point.
void CheckNlmm401Values(const DataPlace& w, const MaterialRecord& mat) {
  CheckCode(w, "law of the thermal properties", MatInt(mat, 2), 0, 1);
}

void CheckNlmm451Values(const DataPlace& w, const MaterialRecord& mat) {
  CheckCode(w, "law of the density", MatInt(mat, 1), 1, 2);
  CheckCode(w, "law of the thermal conductivity", MatInt(mat, 4), 1, 2);
  CheckCode(w, "law of the specific heat", MatInt(mat, 6), 1, 2);
  // The specific heat of the fire part interpolates its moisture peak between 0 and 3 percent.
  if (MatInt(mat, 6) == 2 && !(mat.Value[8] >= 0.0 && mat.Value[8] <= 3.0))
    DataFault(w.context, w.block, w.record, "Invalid moisture content: %g (valid: 0 to 3 percent).", mat.Value[8]);
}

void CheckLinSpringValues(const DataPlace& w, const MaterialRecord& mat) {
  CheckNotNegative(w, "spring stiffness", mat.Value[1]);
}
