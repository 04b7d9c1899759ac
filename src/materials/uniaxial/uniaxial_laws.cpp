// The uniaxial laws' table and the hosts' two tangent policies.
#include "materials/uniaxial/uniaxial_law.h"

#include "numcore/numcore.h"

namespace {

// Every uniaxial law, in code order; a new law adds its row here.
const UniaxialLaw* const kLaws[] = {&kUniaxialLinear, &kUniaxial201, &kUniaxial202, &kUniaxial210,
                                    &kUniaxial220,    &kUniaxial298, &kUniaxial299};
constexpr int kLawCount = sizeof kLaws / sizeof kLaws[0];

}  // namespace

const UniaxialLaw* UniaxialLawOf(int code) {
  for (const UniaxialLaw* law : kLaws)
    if (law->code == code) return law;
  return nullptr;
}

const int* UniaxialLawCodes() {
  static const struct Codes {
    int c[kLawCount + 1];
    Codes() : c{} {
      for (int k = 0; k < kLawCount; k++) c[k] = kLaws[k]->code;
    }
  } codes;
  return codes.c;
}

void* UniaxialRecord(const UniaxialLaw& law, NLMM_HD* hd, int record) {
  if (hd == nullptr || record < 1 || law.recordSize == 0) InternalError(__FILE__, __LINE__);
  void* a = hd->Entry[2 * NlmmSlotOfCode(law.code)];
  if (a == nullptr) InternalError(__FILE__, __LINE__);
  return static_cast<char*>(a) + static_cast<size_t>(record) * law.recordSize;
}

double BarTangentPolicy(const UniaxialLaw& law, double E0, int iteration, const MaterialRecord& m, NLMM_HD* hd,
                        int record) {
  switch (law.source) {
    case kTangentElastic: return E0;
    case kTangentOfBranch: return law.tangent(m, UniaxialRecord(law, hd, record));
    case kTangentStored:
      // The first two iterations take the initial modulus whatever the record holds.
      if (iteration <= 2) return E0;
      return law.tangent(m, UniaxialRecord(law, hd, record));
  }
  InternalError(__FILE__, __LINE__);
}

double FibreTangentPolicy(const UniaxialLaw& law, double E0, bool firstStep, const MaterialRecord& m, NLMM_HD* hd,
                          int record) {
  switch (law.source) {
    case kTangentElastic: return E0;
    case kTangentOfBranch: return law.tangent(m, UniaxialRecord(law, hd, record));
    case kTangentStored: {
      const double stored = law.tangent(m, UniaxialRecord(law, hd, record));
      if (firstStep) return E0;
      return stored < law.fibreShare * E0 ? law.fibreShare * E0 : stored;
    }
  }
  InternalError(__FILE__, __LINE__);
}
