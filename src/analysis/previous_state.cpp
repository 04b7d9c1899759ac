// Reading back the configuration of the last converged combination for the
// geometrically nonlinear elements, and the set-up check of their element groups.
#include "analysis/previous_state.h"

#include <cmath>
#include <cstdio>

#include "analysis/restart.h"
#include "analysis/results.h"
#include "assembly/assembly.h"
#include "assembly/topology.h"
#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "model/material.h"
#include "materials/material_point.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void ReadDisplReactArrays(FILE* fp, int nF, int nP, double* AF, double* AP, double* BF, double* BP) {
  ReadDoubles(fp, BF, nF);
  ReadDoubles(fp, BP, nP);
  ReadDoubles(fp, AF, nF);
  ReadDoubles(fp, AP, nP);
}

void CalcDisplReact(FILE* fp, int k, int nF, int nP, int64_t base, const MeshData* mesh, double* AF, double* AP,
                    double* BF, double* BP, double* aF, double* aP, double* R, const CombinationData* combinations) {
  double *sF, *sP, *sR;
  allocd1(&sF, nF);
  allocd1(&sP, nP);
  allocd1(&sR, nP);
  zerod1(aF, nF);
  zerod1(aP, nP);
  zerod1(R, nP);
  const MainParameters& m = mesh->Main;
  const int type = m.AnalysisType, mat = m.MaterNonlinear, geo = m.GeomNonlinear;
  if (type == ANALYSIS_STATIC && mat == 0 && geo == 0) {
    // The records are the load cases: the combination's factored sum.
    if (k < 1 || k > m.nCombinations) InternalError(__FILE__, __LINE__);
    const CombinationData& c = combinations[k];
    for (int i = 1; i <= c.nFactors; i++) {
      const double f = c.Factors[i].Factor;
      if (std::fabs(f) <= 1e-8) continue;
      ReadDisplReactRecord(fp, c.Factors[i].Number, nF, nP, base, 0, sF, sP, sR);
      for (int j = 1; j <= nF; j++) aF[j] += f * sF[j];
      for (int j = 1; j <= nP; j++) aP[j] += f * sP[j];
      for (int j = 1; j <= nP; j++) R[j] += f * sR[j];
    }
  } else if (type == ANALYSIS_STATIC && mat == 1 && (geo == 0 || geo == 1)) {
    ReadDisplReactRecord(fp, k, nF, nP, base, 0, aF, aP, R);
  } else if ((type == ANALYSIS_DYNAMIC || type == ANALYSIS_MODAL_SUPERPOSITION) && mat == 0 && geo == 0) {
    ReadDisplReactRecord(fp, k, nF, nP, base, 1, aF, aP, R);
    ReadDisplReactArrays(fp, nF, nP, AF, AP, BF, BP);
  } else if (type == ANALYSIS_TRANSIENT && mat == 1 && geo == 0) {
    ReadDisplReactRecord(fp, k, nF, nP, base, 0, aF, aP, R);
  } else {
    InternalError(__FILE__, __LINE__);
  }
  freed1(sR);
  freed1(sP);
  freed1(sF);
}

void CalcUpdatedPointCoord(int nPoints, double factor, double** X0, double** X, double** U) {
  for (int i = 1; i <= nPoints; i++)
    for (int j = 1; j <= 3; j++) X[i][j] = U[i][j] * factor + X0[i][j];
}

void CalcConfiguration_NLMG(const MeshData* mesh, const MainWorkArrays* w, const double* aF, const double* aP,
                            double** U, double** X) {
  const int nPoints = mesh->nPoints;
  CalcPointDispl(1, mesh, w->PointDofCodes, w->PointDofNumbers, aF, aP, w->PointSpecialCS, w->PointTypes,
                 w->ElemPropIndex, w->PointElemAdjacency, U);
  if (w->nMotherElems > 0) {
    int** present;
    alloci2(&present, nPoints, 6);
    zeroi2(present, nPoints, 6);
    CalcPointDisplEmbCable(mesh, present, w->MotherElemIndex, w->ElemPropIndex, U, w->PointDofCodes,
                           w->EmbCableMotherRecord);
    freei2(present);
  }
  CalcUpdatedPointCoord(nPoints, 1.0, mesh->PointCoord, X, U);
}

void ReadPrevDispl_NLMG(int k, const char* job, const MeshData* mesh, const MainWorkArrays* w,
                        const CombinationData* combinations, double** U, double** X) {
  const int nF = w->nF, nP = w->nP;
  FILE* fp;
  OpenFile(&fp, job, kDisplReactSuffix, "rb", 'N');
  ReadTag(kDisplReactOpenTag, fp, kDisplReactSuffix);
  const int64_t base = TellFile(fp);
  double *aF, *aP, *R, *AF, *AP, *BF, *BP;
  allocd1(&aF, nF);
  allocd1(&aP, nP);
  allocd1(&R, nP);
  allocd1(&AF, nF);
  allocd1(&AP, nP);
  allocd1(&BF, nF);
  allocd1(&BP, nP);
  CalcDisplReact(fp, k, nF, nP, base, mesh, AF, AP, BF, BP, aF, aP, R, combinations);
  CloseFile(fp);
  CalcConfiguration_NLMG(mesh, w, aF, aP, U, X);
  freed1(BP);
  freed1(BF);
  freed1(AP);
  freed1(AF);
  freed1(R);
  freed1(aP);
  freed1(aF);
}

void CheckGeometricElementGroups(const MeshData* mesh, const int* ElemPropIndex) {
  for (int e = 1; e <= mesh->nElements; e++) {
    const int prop = ElemPropIndex[e];
    if (prop == 0) continue;
    const ElementProperty& p = mesh->ElemProps[prop];
    const char code = CalcBehaviorType(prop, &mesh->Main, mesh->ElemProps);
    // The types whose row has a geometrically nonlinear formulation, and the embedded cables
    // that act on their mothers.
    const bool typeServed = ElementBehaviourOf(p.ElementType).geometricTangent.run != nullptr;
    const char* why = nullptr;
    bool typeRefused = false;
    if (code == 'G')
      why = "A geometrically nonlinear analysis needs a nonlinear material\nin every element group.";
    else if (p.MaterialKind == MAT_NLMM_PATT)
      why = "Material patterns are not available in a geometrically nonlinear analysis.";
    else if (mesh->Main.KinematicDescription == 2 && !ContinuumKindUpdatedLagrangian(p.MaterialKind))
      why = "The smeared bars _NLMM145 keep their directions in the initial element axes:\n"
            "choose _TOTAL_LAGRANGIAN for the KINEMATIC_DESCRIPTION.";
    else if (mesh->Main.KinematicDescription == 2 && p.ElementType == _MINDLIN_SHELL_QUAD) {
      // The shell's membrane strains of its slopes stand on its initial geometry.
      typeRefused = true;
      why = "This option (_UPDATED_LAGRANGIAN) is not avaiable. Please use for the\n KINEMATIC_DESCRIPTION the "
            "_TOTAL_LAGRANGIAN .";
    } else if (!typeServed) {
      typeRefused = true;
      why = "This type of element has no geometrically nonlinear formulation: a geometrically\n"
            "nonlinear analysis takes plane-stress quadrilaterals, solid hexahedra, Mindlin shells\n"
            "and embedded cables.";
    }
    if (why == nullptr) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "   -> Element property: %d\n", prop);
    if (typeRefused)
      std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(p.ElementType).keyword);
    errexit(why, 0);
  }
}
