// Materially nonlinear continuum elements: the plane quadrilaterals (plane strain 13,
// plane stress 10) and the integration skeleton they share with the solid hexahedron.
// At every sampling point the material point gives the tangent D or advances its record
// by the strain increment and gives the stress; the element integrates B^T D B or B^T s.
#include "elements/elements.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "elements/shell_solid.h"
#include "history/history.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "materials/material_table.h"
#include "materials/solid_pattern.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

void ContinuumElementNL(int type, int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                        const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                        const double* du, double** Kg, double* Fint, double** prevCoord,
                        const ContinuumStepState* step, const double* aTotal) {
  const bool solid = type == _SOLID_HEXA;
  const bool stress = type == _PLANE_STRESS_QUAD;
  const int dim = solid ? 3 : 2;
  const int nc = ContinuumComponents(type);
  const char* context = Kg != nullptr ? kCtxStiffness : kCtxIntForces;
  if (nDof != dim * nNodes) InternalError(__FILE__, __LINE__);
  if (!solid) CheckElemNodeCount(ElemFaultContext{context, elem, 0, 0}, type, nNodes, 4, 8, 9);
  const ElementProperty& p = mesh->ElemProps[prop];
  const int code = p.MaterialKind;
  // A material pattern, identified once for the element: on the solid time-dependent
  // concrete on its crack material; on the plane stress quadrilateral the plane crack
  // model, linked to its fracture partner, at the point on its own record.
  const bool planePattern = CompositionOf(code) == kCompositionNlmmPattern && !solid;
  const bool pattern = CompositionOf(code) == kCompositionNlmmPattern && solid;
  if (planePattern && !stress) InternalError(__FILE__, __LINE__);
  SolidPattern pat{};
  if (pattern) pat = SolidPatternOf(mesh, prop);
  PlanePattern plane{};
  MaterialRecord linked{};
  if (planePattern) {
    plane = PlanePatternOf(mesh, prop);
    linked = PlanePatternCrackMaterial(mesh, plane);
  }
  const int pointCode = pattern ? SolidPatternCrackKind() : planePattern ? PlanePatternCrackKind() : code;
  const MaterialRecord& mat = pattern        ? SolidPatternCrackMaterial(mesh, pat)
                              : planePattern ? linked
                                             : MaterialOf(mesh, code, p.MaterialNumber);
  const bool geometric = prevCoord != nullptr;
  const int kinematic = mesh->Main.KinematicDescription;
  if (geometric) {
    // Material patterns and the kinds without a stress record have no geometric routine.
    if (!ContinuumKindGeometric(code, type)) InternalError(__FILE__, __LINE__);
    if (kinematic != 1 && kinematic != 2) InternalError(__FILE__, __LINE__);
  }
  const bool total = geometric && kinematic == 1;
  // The records restart from the converged state at every residual, the increment du
  // being the whole one since then; with path-dependent records they carry on from the
  // last iterate, du the last correction.
  const bool fromConverged = mesh->Main.PathBehavior != 2;

  // Point counts and rules: the same checked fetch as the linear elements.
  int c[4] = {0, 1, 1, 1};
  CalcElemIntegrationCounts(elem, context, dim, 2, prop, mesh->Integrations, mesh->ElemProps, c);
  const double* a[4] = {nullptr, nullptr, nullptr, nullptr};
  const double* w[4] = {nullptr, nullptr, nullptr, nullptr};
  static const double kOne[2] = {0.0, 1.0};
  static const double kZero[2] = {0.0, 0.0};
  for (int d = 1; d <= 3; d++) {
    if (d <= dim) {
      GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[d], &a[d], &w[d]);
    } else {
      a[d] = kZero;
      w[d] = kOne;
    }
  }

  double **X, **dN, **dNdx, **J, **Jinv, **B, **D = nullptr, **DB = nullptr;
  double *N, *t = nullptr, *eps = nullptr, *sigma = nullptr, *fk = nullptr;
  // Geometric work: nodal coordinates of the converged configuration, nodal displacements
  // from the reference of the current iterate (u) and of the iterate before the increment
  // (up); B_NL, G, stress tensor and matrix.
  double **Xc = nullptr, **u = nullptr, **up = nullptr, **BNL = nullptr, **G = nullptr, **T = nullptr,
         **S = nullptr, **SG = nullptr, **Rot = nullptr;
  double *pk2 = nullptr, *E = nullptr;
  allocd2(&X, nNodes, dim);
  allocd2(&dN, nNodes, dim);
  allocd2(&dNdx, nNodes, dim);
  allocd2(&J, dim, dim);
  allocd2(&Jinv, dim, dim);
  allocd2(&B, nc, nDof);
  allocd1(&N, nNodes);
  allocd1(&sigma, nc);
  if (Kg != nullptr) {
    allocd2(&D, nc, nc);
    allocd2(&DB, nc, nDof);
    zerod2(Kg, nDof, nDof);
  } else {
    allocd1(&eps, nc);
    allocd1(&fk, nDof);
    zerod1(Fint, nDof);
  }
  CalcMat_ElemNodeCoord(elem, type, nNodes, mesh->ElemNodes, X, mesh->PointCoord);
  const int d2 = dim * dim;
  if (geometric) {
    allocd2(&Xc, nNodes, dim);
    allocd2(&u, nNodes, dim);
    allocd2(&up, nNodes, dim);
    allocd2(&BNL, nc, nDof);
    allocd2(&T, dim, dim);
    allocd2(&Rot, dim, dim);
    allocd1(&pk2, nc);
    allocd1(&E, nc);
    CalcMat_ElemNodeCoord(elem, type, nNodes, mesh->ElemNodes, Xc, prevCoord);
    // Total: displacements from the initial geometry. Updated: from the converged one, the
    // reference, where the increment since then is du itself when the records restart
    // from it.
    for (int k = 1; k <= nNodes; k++)
      for (int i = 1; i <= dim; i++) {
        const int j = dim * (k - 1) + i;
        const double a = aTotal != nullptr ? aTotal[j] : 0.0, d = du != nullptr ? du[j] : 0.0;
        if (total) {
          u[k][i] = a;
        } else if (du != nullptr && fromConverged) {
          u[k][i] = d;
        } else {
          u[k][i] = a - (Xc[k][i] - X[k][i]);
        }
        up[k][i] = u[k][i] - d;
      }
    if (!total) copyd2(X, Xc, nNodes, dim);
    if (Kg != nullptr) {
      allocd2(&G, d2, nDof);
      allocd2(&S, d2, d2);
      allocd2(&SG, d2, nDof);
      zerod2(G, d2, nDof);
      zerod2(S, d2, d2);
    }
  }
  if (stress) {
    allocd1(&t, nNodes);
    CalcGeomProp_THICKNESS(nNodes, prop, t, mesh->GeomPatterns, mesh->LamThicks, mesh->ElemProps);
  }
  zerod2(B, nc, nDof);

  // Temperature strains of the internal forces: the coefficient of the element group; the
  // increment since the last converged state enters the records once, in every iteration
  // when they restart from the converged state, in the first when they carry on.
  const bool forces = Fint != nullptr && step != nullptr;
  const bool thermal = forces && solid && !pattern && step->tempTotal != nullptr && SolidKindTakesThermalStrain(code);
  const bool stepTemps = mesh->Main.PathBehavior != 2 || iter == 1;
  const double alpha = forces && (pattern || thermal) ? CalcTempCoef_NL(mesh, prop) : 0.0;
  double** D0 = nullptr;
  if (thermal) {
    allocd2(&D0, 6, 6);
    CalcMat_D_Solid_NL(mesh, prop, D0);
  }
  // The temperature strains of a point from its variation dT and its increment dTs.
  auto temperatureStrains = [alpha](double dT, double dTs, double* epsT, double* depsT) {
    for (int k = 1; k <= 6; k++) epsT[k] = depsT[k] = 0.0;
    for (int k = 1; k <= 3; k++) {
      epsT[k] = alpha * dT;
      depsT[k] = alpha * dTs;
    }
  };

  // Oliver's crack band of a crack model: the element's centre, and at each point the
  // derivatives of the element (option 4) or of the sub-element around the point (5); a
  // quadrilateral measures the ramp of option 5 on the sub-element itself.
  const int band = SolidCrackBandOption(pointCode, mat);
  double centre[4] = {0.0, 0.0, 0.0, 0.0}, **gSub = nullptr, **ySub = nullptr, *N0 = nullptr;
  CrackBandGeometry geometry{nNodes, X, centre, dNdx};
  if (band == 4 || band == 5) {
    const double origin[4] = {0.0, 0.0, 0.0, 0.0};
    if (solid)
      CalcShapeFuncSolidHexa(nNodes, N, origin);
    else
      CalcShapeFuncQuad(nNodes, N, origin);
    for (int i = 1; i <= nNodes; i++)
      for (int k = 1; k <= dim; k++) centre[k] += X[i][k] * N[i];
    if (band == 5) {
      allocd2(&gSub, nNodes, dim);
      geometry.gradN = gSub;
      if (!solid) {
        allocd2(&ySub, nNodes, 2);
        allocd1(&N0, nNodes);
        copyd1(N0, N, nNodes);
        geometry.X = ySub;
      }
    }
  }

  // Points with s1 fastest, then s2, then s3: the order of the history records.
  int ip = 0;
  for (int i3 = 1; i3 <= (solid ? c[3] : 1); i3++)
    for (int i2 = 1; i2 <= c[2]; i2++)
      for (int i1 = 1; i1 <= c[1]; i1++) {
        ip++;
        const double s[4] = {0.0, a[1][i1], a[2][i2], a[3][i3]};
        if (solid) {
          CalcShapeFuncSolidHexa(nNodes, N, s);
          CalcShapeFuncDerivSolidHexa(nNodes, dN, s);
        } else {
          CalcShapeFuncQuad(nNodes, N, s);
          CalcShapeFuncDerivQuad(nNodes, dN, s);
        }
        CalcMat_Jacobian(nNodes, dim, dim, X, dN, J);
        const double det = CalcInvJacobian(elem, context, dim, J, Jinv);
        CalcCartesianDeriv(nNodes, dim, dN, Jinv, dNdx);
        // B_L is the point's own: B_NL of the last point must not stay in it.
        if (geometric) zerod2(B, nc, nDof);
        if (solid)
          CalcMat_B_Solid(nNodes, B, dNdx);
        else
          CalcMat_B_Plane2D(nNodes, B, dNdx);
        if (geometric) {
          CalcMat_BNL_NLMG(BNL, dNdx, u, nNodes, dim);
          addd2(B, BNL, nc, nDof);
        }
        double f = w[1][i1] * w[2][i2];
        if (solid) f *= w[3][i3];
        if (stress) f *= dotd1(N, t, nNodes);
        f *= det;
        PointContext at{ip, comb, elem, iter, 0};
        if (band == 4 || band == 5) {
          if (band == 5 && !solid) {
            const double extent[4] = {0.0, CrackZoneWeight(dim, nNodes, c[1], w[1], i1),
                                      CrackZoneWeight(dim, nNodes, c[2], w[2], i2), 0.0};
            CalcSubElementQuad(OliverPointContext{comb, iter, elem, ip, MaterialKindName(pointCode)}, nNodes, s, X,
                               extent, gSub, ySub);
            centre[1] = centre[2] = 0.0;
            for (int i = 1; i <= nNodes; i++)
              for (int k = 1; k <= 2; k++) centre[k] += ySub[i][k] * N0[i];
          } else if (band == 5) {
            const double extent[4] = {0.0, CrackZoneWeight(dim, nNodes, c[1], w[1], i1),
                                      CrackZoneWeight(dim, nNodes, c[2], w[2], i2),
                                      CrackZoneWeight(dim, nNodes, c[3], w[3], i3)};
            CalcSubElementGradN(OliverPointContext{comb, iter, elem, ip, MaterialKindName(pointCode)}, nNodes, s, X,
                                extent, gSub);
          }
          at.band = &geometry;
        }
        if (pattern) {
          // Time, temperature and the component records of the point.
          int records[kMaterialKinds + 1];
          for (int k = 1; k <= pat.nComponents; k++)
            records[k] = RecordOfComponent_HD(indexHD, elemToHD[elem], ip, k);
          const SolidPatternPoint r = SolidPatternRecords(pat, hd, records);
          PatternMoment mo{0.0, 0.0, 0.0, 0.0, 0.0};
          if (step != nullptr) {
            mo.dt = step->dt;
            mo.t = step->t;
            if (step->nodeTemps != nullptr) mo.T = dotd1(N, step->nodeTemps, nNodes);
            if (step->tempTotal != nullptr) mo.dTtotal = dotd1(N, step->tempTotal, nNodes);
            if (step->tempIncrement != nullptr && stepTemps) mo.dTstep = dotd1(N, step->tempIncrement, nNodes);
          }
          if (Kg != nullptr) {
            SolidPatternTangent(pat, at, mesh, r, mo, D);
            AddScaledBtDB(nc, nDof, f, B, D, DB, Kg);
          } else {
            // Thermal strains with the coefficient of the element group.
            double epsT[7], depsT[7];
            temperatureStrains(mo.dTtotal, mo.dTstep, epsT, depsT);
            multd2d1(eps, B, du, nc, nDof);
            SolidPatternStress(pat, at, mesh, r, mo, epsT, depsT, eps, sigma);
            multtd2d1(fk, B, sigma, nDof, nc);
            for (int k = 1; k <= nDof; k++) Fint[k] += f * fk[k];
          }
          continue;
        }
        const int record = planePattern ? RecordOfComponent_HD(indexHD, elemToHD[elem], ip, plane.crackPosition)
                                        : LinePointRecord(indexHD, elemToHD, elem, ip);
        if (Kg != nullptr) {
          ContinuumTangent(pointCode, type, at, mat, hd, record, D);
          AddScaledBtDB(nc, nDof, f, B, D, DB, Kg);
          if (geometric) {
            // Geometric stiffness of the stress the point holds at the current iterate,
            // turned back to the converged axes in the updated description.
            ContinuumRecordStress(pointCode, type, mat, hd, record, pk2);
            if (!total) {
              copyd1(sigma, pk2, nc);
              CalcPolarRotation_NLMG(dim, nNodes, dNdx, u, Rot, elem, context);
              RotateStress_NLMG(dim, Rot, true, sigma, pk2);
            }
            StressVecToTensor(dim, pk2, T);
            CalcMat_S_NLMG(dim, T, S);
            CalcMat_G_NLMG(nNodes, dim, G, dNdx);
            AddScaledBtDB(d2, nDof, f, G, S, SG, Kg);
          }
        } else {
          if (geometric) {
            // The Green strain increment from the iterate before the increment; the
            // updated description first turns the record's stress back to the converged
            // axes (nothing to turn when the iterate before is the converged one).
            CalcGreenStrain_NLMG(dim, nNodes, dNdx, u, eps);
            CalcGreenStrain_NLMG(dim, nNodes, dNdx, up, E);
            for (int k = 1; k <= nc; k++) eps[k] -= E[k];
            if (!total && !fromConverged) {
              ContinuumRecordStress(pointCode, type, mat, hd, record, sigma);
              CalcPolarRotation_NLMG(dim, nNodes, dNdx, up, Rot, elem, context);
              RotateStress_NLMG(dim, Rot, true, sigma, pk2);
              ContinuumSetRecordStress(pointCode, type, hd, record, pk2);
            }
          } else {
            multd2d1(eps, B, du, nc, nDof);
          }
          if (thermal) {
            double epsT[7], depsT[7];
            const double dT = dotd1(N, step->tempTotal, nNodes);
            const double dTstep = step->tempIncrement != nullptr ? dotd1(N, step->tempIncrement, nNodes) : 0.0;
            const double dTs = stepTemps ? dTstep : 0.0;
            temperatureStrains(dT, dTs, epsT, depsT);
            if (geometric) {
              // D0 epsT and the temperature load pair up on the initial geometry. The
              // mechanical strain is the Green strain less that of the thermal stretch, in
              // the reference of the description: the initial body (total) or the
              // converged one (updated), so that a free body heated far stays stress-free.
              zerod1(epsT, 6);
              const double now = 1.0 + alpha * dT, before = 1.0 + alpha * (dT - dTs);
              const double ref = total ? 1.0 : 1.0 + alpha * (dT - dTstep);
              for (int k = 1; k <= 3; k++) depsT[k] = (now * now - before * before) / (2.0 * ref * ref);
            }
            SolidThermalStress(pointCode, at, mat, hd, record, D0, eps, epsT, depsT, sigma);
          } else {
            ContinuumStress(pointCode, type, at, mat, hd, record, eps, sigma);
          }
          multtd2d1(fk, B, sigma, nDof, nc);
          if (geometric && !total) {
            // The record keeps the stress in the axes of the current iterate.
            CalcPolarRotation_NLMG(dim, nNodes, dNdx, u, Rot, elem, context);
            RotateStress_NLMG(dim, Rot, false, sigma, pk2);
            ContinuumSetRecordStress(pointCode, type, hd, record, pk2);
          }
          for (int k = 1; k <= nDof; k++) Fint[k] += f * fk[k];
        }
      }

  if (Kg != nullptr) {
    const int flag = type == _PLANE_STRAIN_QUAD   ? OC_PRINT_MAT_KG_PLANE_STRAIN_QUAD
                     : type == _PLANE_STRESS_QUAD ? OC_PRINT_MAT_KG_PLANE_STRESS_QUAD
                                                  : OC_PRINT_MAT_KG_SOLID_HEXA;
    PrintElementStiffMat(nDof, elem, type, oc[flag], Kg);
    freed2(DB);
    freed2(D);
  } else {
    freed1(fk);
    freed1(eps);
  }
  freed1(sigma);
  if (geometric) {
    if (Kg != nullptr) {
      freed2(SG);
      freed2(S);
      freed2(G);
    }
    freed1(E);
    freed1(pk2);
    freed2(Rot);
    freed2(T);
    freed2(BNL);
    freed2(up);
    freed2(u);
    freed2(Xc);
  }
  if (t != nullptr) freed1(t);
  if (D0 != nullptr) freed2(D0);
  if (gSub != nullptr) freed2(gSub);
  if (ySub != nullptr) {
    freed2(ySub);
    freed1(N0);
  }
  freed1(N);
  freed2(B);
  freed2(Jinv);
  freed2(J);
  freed2(dNdx);
  freed2(dN);
  freed2(X);
}

void CalcStiffPlaneStrainQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg) {
  ContinuumElementNL(_PLANE_STRAIN_QUAD, comb, nDof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD,
                     nullptr, Kg, nullptr);
}

void CalcStiffPlaneStressQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg) {
  ContinuumElementNL(_PLANE_STRESS_QUAD, comb, nDof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD,
                     nullptr, Kg, nullptr);
}

void CalcInt_Fg_PlaneStrainQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* du, double* Fint) {
  ContinuumElementNL(_PLANE_STRAIN_QUAD, comb, nDof, elem, iter, nNodes, prop, nullptr, indexHD, mesh, hd,
                     elemToHD, du, nullptr, Fint);
}

void CalcInt_Fg_PlaneStressQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* du, double* Fint) {
  ContinuumElementNL(_PLANE_STRESS_QUAD, comb, nDof, elem, iter, nNodes, prop, nullptr, indexHD, mesh, hd,
                     elemToHD, du, nullptr, Fint);
}

void CalcStiffPlaneStressQuad_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   double** prevCoord, const double* a, double** Kg) {
  ContinuumElementNL(_PLANE_STRESS_QUAD, comb, nDof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD,
                     nullptr, Kg, nullptr, prevCoord, nullptr, a);
}

void CalcInt_Fg_PlaneStressQuad_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                     const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                     const int* elemToHD, double** prevCoord, const double* a, const double* du,
                                     double* Fint) {
  ContinuumElementNL(_PLANE_STRESS_QUAD, comb, nDof, elem, iter, nNodes, prop, nullptr, indexHD, mesh, hd,
                     elemToHD, du, nullptr, Fint, prevCoord, nullptr, a);
}
