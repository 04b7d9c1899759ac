// Prescribed displacements of a load case, on the prescribed dofs declared in the
// "<SUPPORTS>" block.
#include <cmath>
#include <cstdio>

#include "loads/load_kernel.h"

namespace {

void PrescribedContext(int LoadCaseNumber, int Point, int Dof) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Treating the prescribed displacements:\n");
  std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
  std::fprintf(stderr, "   -> Point: %d\n", Point);
  if (Dof >= 1 && Dof <= 6)
    std::fprintf(stderr, "   -> Degree of freedom: %s\n", DofKeywords[Dof]);
  else
    std::fprintf(stderr, "   -> Degree of freedom: %d\n", Dof);
}

}  // namespace

void Calc_a_Presc(int nP, int LoadCaseNumber, const LoadCaseData* LoadCase, int** PointDofNumbers, double* uP,
                  char** PointDofCodes) {
  zerod1(uP, nP);
  if (LoadCase->nPrescDispls < 1) return;
  // Which prescribed dofs have received a value: a second record for one of them
  // would silently replace the first.
  char* given;
  allocc1(&given, nP);
  zeroc1(given, nP);
  for (int r = 1; r <= LoadCase->nPrescDispls; r++) {
    const PrescribedValue& rec = LoadCase->PrescDispls[r];
    if (rec.Dof < 1 || rec.Dof > 6) {
      PrescribedContext(LoadCaseNumber, rec.Point, rec.Dof);
      errexit("The specified degree of freedom is not valid.", 0);
    }
    if (PointDofCodes[rec.Point][rec.Dof] != 'P') {
      PrescribedContext(LoadCaseNumber, rec.Point, rec.Dof);
      errexit(
          "Prescribed displacement in a degree of freedom that is not\n"
          "declared as prescribed in the <SUPPORTS> block.",
          0);
    }
    if (!std::isfinite(rec.Value)) {
      PrescribedContext(LoadCaseNumber, rec.Point, rec.Dof);
      errexit("The prescribed displacement is not a finite number.", 0);
    }
    const int m = PointDofNumbers[rec.Point][rec.Dof];
    if (m < 1 || m > nP) InternalError(__FILE__, __LINE__);
    if (given[m]) {
      PrescribedContext(LoadCaseNumber, rec.Point, rec.Dof);
      errexit("The prescribed displacement of this degree of freedom\nis given more than once.", 0);
    }
    given[m] = 1;
    uP[m] = rec.Value;
  }
  freec1(given);
}
