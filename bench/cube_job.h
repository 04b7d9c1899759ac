// The cube of the whole-run benchmarks: kN x kN x kN eight-node hexahedra over the unit
// cube, rollers on the three faces through the origin and a punch pushed into the corner
// quarter of the face x1 = 1 (load case 1, prescribed displacement -1 along x1, combined
// with the factors 0.01 (linear) or 0.01, 0.02, 0.03 (nonlinear)). Linear isotropic
// (E = 1000, nu = 0.3) or Drucker-Prager with phi = 0 and c0 = 10 (sigma_y = 20); solver
// 1 Gaussian elimination, 2 conjugate gradients.
#pragma once

#include <string>
#include <vector>

#include "element_models.h"
#include "hexa_grid.h"
#include "linear_model.h"
#include "model/material.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"

inline linmodel::Job PunchedCube(int kN, bool nonlinear, int algorithm) {
  namespace tw = testmodel;
  linmodel::Job j;
  j.model.main.title = "cube of hexahedra";
  j.model.main.storageTechnique = algorithm;
  j.model.main.linEqAlgorithm = algorithm;
  j.model.main.precondResidualDecay = 1e-10;
  const HexaGrid g = AddHexaGrid(j, kN, 1.0, [kN](int I, int J, int K) {
    std::string f = "000000";
    if (I == 0 || (I == kN && J <= kN / 2 && K <= kN / 2)) f[0] = '1';
    if (J == 0) f[1] = '1';
    if (K == 0) f[2] = '1';
    return f;
  });
  const int nE = kN * kN * kN;
  if (nonlinear) {
    tw::AddRecord(j.model, "<NLMM124>",
                  tw::Rec().S("plastic").Ds({0.0, 0.0, 0.3, 1000.0}).I(2).I(1).Ds({10.0, 1.0}).I(1).Ds({0.0, 0.0, 1.0}));
    j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, nE, 24, MAT_NLMM124, 1, 0, 0)};
    j.model.main.materNonlinear = 1;
    j.model.main.convergenceCriterion = 2;
    j.model.main.tolerance = 1e-6;
    j.model.main.maxIterations = 60;
  } else {
    tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("solid", 0.0, 0.0, 1000.0, 0.3));
    j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, nE, 24, MAT_LIN_ISO, 1, 0, 0)};
  }
  std::vector<tw::Rec> pushes;
  for (int J = 0; J <= kN / 2; J++)
    for (int K = 0; K <= kN / 2; K++) pushes.push_back(tw::PrescribedDisplacement(g.At(kN, J, K), 1, -1.0));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pushes)};
  nonlinrun::Factors(j.model, nonlinear ? std::vector<double>{0.01, 0.02, 0.03} : std::vector<double>{0.01});
  return j;
}

