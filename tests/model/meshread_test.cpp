// Every mesh block, the load cases and the combinations read back field by field.
#include <gtest/gtest.h>

#include <string>

#include "full_model.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "read_all.h"
#include "support/testfiles.h"

namespace {

// Opens the data file of the job at its mesh section.
FILE* OpenAtMesh(const std::string& job) {
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  return fp;
}

}  // namespace

TEST(MeshBlocks, EveryBlockRoundTrip) {
  std::string job = TestJobName();
  testmodel::WriteDataFile(job, fullmodel::Build());
  FILE* fp = OpenAtMesh(job);
  MeshData m;
  ReadMesh(fp, &m);

  EXPECT_EQ(m.Main.nFibrousMeshes, 2);
  EXPECT_EQ(m.Main.nContactCases, 2);
  EXPECT_EQ(m.Main.nLoadCases, 2);
  EXPECT_EQ(m.Main.nCombinations, 3);
  // 3, 4
  ASSERT_EQ(m.nGroupNames, 2);
  EXPECT_STREQ(m.GroupNames[1], "g1");
  EXPECT_STREQ(m.GroupNames[2], "group two");
  ASSERT_EQ(m.nPoints, 6);
  for (int p = 1; p <= 6; p++) {
    EXPECT_EQ(m.PointCoord[p][1], 1.5 * p);
    EXPECT_EQ(m.PointCoord[p][2], -2.25 * p);
    EXPECT_EQ(m.PointCoord[p][3], 0.125 * p);
  }
  // 5, 6, 7
  ASSERT_EQ(m.nAuxVectors, 3);
  EXPECT_STREQ(m.AuxVectors[2].Name, "v2");
  EXPECT_EQ(m.AuxVectors[2].v[2], 0.6);
  EXPECT_EQ(m.AuxVectors[2].v[3], 0.8);
  ASSERT_EQ(m.nCoordSystems, 1);
  EXPECT_STREQ(m.CoordSystems[1].Name, "cs");
  EXPECT_EQ(m.CoordSystems[1].AuxVector[1], 1);
  EXPECT_EQ(m.CoordSystems[1].AuxVector[2], 2);
  EXPECT_EQ(m.CoordSystems[1].AuxVector[3], 3);
  ASSERT_EQ(m.nSpecialCsPoints, 1);
  EXPECT_EQ(m.SpecialCsPoints[1].Unused[1], 7);
  EXPECT_EQ(m.SpecialCsPoints[1].Unused[3], 9);
  EXPECT_EQ(m.SpecialCsPoints[1].Point, 3);
  EXPECT_EQ(m.SpecialCsPoints[1].CoordSystem, 1);
  // 8, 9
  ASSERT_EQ(m.nSupports, 2);
  const Support& s1 = m.Supports[1];
  EXPECT_EQ(s1.Lead, 11);
  EXPECT_EQ(s1.FirstPhase, 1);
  EXPECT_EQ(s1.LastPhase, 2);
  EXPECT_EQ(s1.Point, 1);
  EXPECT_EQ(s1.Trail, 12);
  EXPECT_EQ(std::string(&s1.Fixity[1], 6), std::string("\1\0\1\0\1\1", 6));
  EXPECT_EQ(m.Supports[2].Point, 6);
  EXPECT_EQ(m.Supports[2].FirstPhase, 2);
  EXPECT_EQ(m.Supports[2].Fixity[4], 1);
  ASSERT_EQ(m.nFixedTemps, 1);
  EXPECT_EQ(m.FixedTemps[1].Point, 5);
  EXPECT_EQ(m.FixedTemps[1].Fixity[1], 1);
  // 10, 11
  ASSERT_EQ(m.nPointLinks, 1);
  const InternalPointLink& l = m.PointLinks[1];
  EXPECT_EQ(l.Int1, 21);
  EXPECT_EQ(l.Int3, 23);
  EXPECT_EQ(l.Master, 2);
  EXPECT_EQ(l.Slave, 6);
  EXPECT_EQ(l.Int6, 24);
  EXPECT_EQ(std::string(&l.Linked[1], 6), std::string("\1\1\0\0\0\1", 6));
  ASSERT_EQ(m.nSpringLinks, 1);
  const IntPointSpringLink& sl = m.SpringLinks[1];
  EXPECT_EQ(sl.Int1, 31);
  EXPECT_EQ(sl.TargetPoint, 4);
  EXPECT_EQ(sl.RefPoint, 5);
  EXPECT_EQ(sl.DirKind, 'S');
  EXPECT_EQ(sl.Direction, 2);
  EXPECT_EQ(sl.DofType, 1);
  EXPECT_EQ(sl.SpringMaterialKind, 1);
  EXPECT_EQ(sl.SpringMaterial, 2);
  EXPECT_EQ(sl.TargetHost, 0);
  // 12, 13, 71
  ASSERT_EQ(m.nMaterials[MAT_LIN_ISO], 1);
  EXPECT_STREQ(m.Materials[MAT_LIN_ISO][1].Name, "concrete");
  EXPECT_EQ(MatDensity(m.Materials[MAT_LIN_ISO][1]), 2.5e-9);
  EXPECT_EQ(MatValue(m.Materials[MAT_LIN_ISO][1], 3), 3e4);
  EXPECT_EQ(MatInt(m.Materials[MAT_LIN_ORTHO][1], 14), 14);
  ASSERT_EQ(m.nSpringMaterials[SPRMAT_LIN_SPRING], 2);
  EXPECT_EQ(MatValue(m.SpringMaterials[SPRMAT_LIN_SPRING][2], 1), 200.0);
  // 57, 58
  ASSERT_EQ(m.nNlmmPatterns, 1);
  EXPECT_STREQ(m.NlmmPatterns[1].Name, "mp");
  ASSERT_EQ(m.NlmmPatterns[1].nComponents, 2);
  EXPECT_EQ(m.NlmmPatterns[1].Kind[2], 2);
  EXPECT_EQ(m.NlmmPatterns[1].Number[2], 1);
  ASSERT_EQ(m.nRayleigh, 1);
  EXPECT_EQ(m.Rayleigh[1].Int1, 41);
  EXPECT_EQ(m.Rayleigh[1].Int2, 42);
  EXPECT_EQ(m.Rayleigh[1].A0, 0.01);
  EXPECT_EQ(m.Rayleigh[1].A1, 0.02);
  // 59..62
  ASSERT_EQ(m.nCsAreas, 2);
  EXPECT_STREQ(m.CsAreas[2].Name, "a2");
  EXPECT_EQ(m.CsAreas[2].Area, 20.0);
  ASSERT_EQ(m.nFrame2DSections, 1);
  EXPECT_EQ(m.Frame2DSections[1].v[1], 1.1);
  EXPECT_EQ(m.Frame2DSections[1].v[4], 1.4);
  ASSERT_EQ(m.nFrame3DSections, 1);
  EXPECT_EQ(m.Frame3DSections[1].v[1], 2.1);
  EXPECT_EQ(m.Frame3DSections[1].v[11], 2.11);
  ASSERT_EQ(m.nLamThicks, 1);
  EXPECT_EQ(m.LamThicks[1].Thickness, 0.3);
  // 63..67
  ASSERT_EQ(m.nGeomPatterns, 1);
  EXPECT_EQ(m.GeomPatterns[1].Kind, 2);
  ASSERT_EQ(m.GeomPatterns[1].nEntries, 3);
  EXPECT_EQ(m.GeomPatterns[1].Record[2], 2);
  ASSERT_EQ(m.nFibrousPatterns, 1);
  ASSERT_EQ(m.FibrousPatterns[1].nNames, 2);
  EXPECT_STREQ(m.FibrousPatterns[1].Names[2], "fm2");
  ASSERT_EQ(m.nLayerProps, 1);
  EXPECT_EQ(m.LayerProps[1].GeometryKind, 5);
  ASSERT_EQ(m.nLayerPatterns, 1);
  EXPECT_EQ(m.LayerPatterns[1].nLayers, 2);
  ASSERT_EQ(m.nIntegrations, 1);
  const NumericalIntegration& ni = m.Integrations[1];
  EXPECT_STREQ(ni.Name, "ni");
  std::array<int32_t, 21> counts = fullmodel::IntegrationCounts();
  for (int k = 1; k <= 21; k++) EXPECT_EQ(ni.v[k], counts[k - 1]) << k;
  EXPECT_EQ(IntegTrianglePoints(ni), 3);
  EXPECT_EQ(Integ_G_S1(ni), 2);
  EXPECT_EQ(Integ_G_S2(ni), 3);
  EXPECT_EQ(Integ_G_S3(ni), 4);
  EXPECT_EQ(IntegPoints(ni, 'M', 1), 5);
  EXPECT_EQ(IntegPoints(ni, 'B', 2), 9);
  EXPECT_EQ(IntegPoints(ni, 'S', 3), 4);
  EXPECT_EQ(IntegPoints(ni, 'T', 1), 5);
  EXPECT_EQ(IntegPoints(ni, 'T', 3), 7);
  // 68
  ASSERT_EQ(m.nElements, 3);
  ASSERT_EQ(m.ElemNodeCount[1], 4);
  EXPECT_EQ(m.ElemNodes[1][4], 4);
  ASSERT_EQ(m.ElemNodeCount[2], 2);
  EXPECT_EQ(m.ElemNodes[2][2], 5);
  EXPECT_EQ(m.ElemNodeCount[3], 0);
  EXPECT_NE(m.ElemNodes[3], nullptr);
  // 69
  const FibrousMesh& f1 = m.FibrousMeshes[1];
  EXPECT_STREQ(f1.Name, "fm1");
  EXPECT_EQ(f1.nMotherNodes, 2);
  EXPECT_EQ(f1.Angles[1], 10.0);
  EXPECT_EQ(f1.Angles[3], 30.0);
  ASSERT_EQ(f1.Sections[1].nPoints, 3);
  EXPECT_EQ(f1.Sections[1].Coord[3][1], 0.5);
  EXPECT_EQ(f1.Sections[1].Coord[3][2], 0.6);
  ASSERT_EQ(f1.Sections[2].nPoints, 1);
  EXPECT_EQ(f1.Sections[2].Coord[1][2], 0.8);
  ASSERT_EQ(f1.nElements, 2);
  ASSERT_EQ(f1.ElemNodeCount[2], 3);
  EXPECT_EQ(f1.ElemNodes[2][3], 15);
  ASSERT_EQ(f1.nProperties, 1);
  EXPECT_EQ(f1.Properties[1].v[1], 51);
  EXPECT_EQ(f1.Properties[1].v[8], 58);
  const FibrousMesh& f2 = m.FibrousMeshes[2];
  EXPECT_STREQ(f2.Name, "fm2");
  EXPECT_EQ(f2.nMotherNodes, 0);
  EXPECT_EQ(f2.nElements, 0);
  EXPECT_EQ(f2.nProperties, 0);
  // 70
  ASSERT_EQ(m.nElemProps, 2);
  const ElementProperty& p2 = m.ElemProps[2];
  EXPECT_EQ(p2.Lead, 62);
  EXPECT_EQ(p2.FirstPhase, 1);
  EXPECT_EQ(p2.LastPhase, 1);
  EXPECT_EQ(p2.FirstElement, 2);
  EXPECT_EQ(p2.LastElement, 3);
  EXPECT_EQ(p2.ElementType, 2);
  EXPECT_EQ(p2.MaterialKind, 45);
  EXPECT_EQ(p2.MaterialNumber, 1);
  EXPECT_EQ(p2.GeometryKind, 1);
  EXPECT_EQ(p2.GeometryNumber, 1);
  EXPECT_EQ(p2.IntegrationType, 2);
  EXPECT_EQ(p2.IntegrationNumber, 0);
  EXPECT_EQ(m.ElemProps[1].IntegrationNumber, 1);
  // 75..79
  ASSERT_EQ(m.nPointSprings, 1);
  const PointSpring& ps = m.PointSprings[1];
  EXPECT_EQ(ps.Int1, 0);
  EXPECT_EQ(ps.Point, 4);
  EXPECT_EQ(ps.DirKind, 'G');
  EXPECT_EQ(ps.Direction, 3);
  EXPECT_EQ(ps.Orientation, 2);
  EXPECT_EQ(ps.DofType, 2);
  EXPECT_EQ(ps.SpringMaterialKind, 1);
  EXPECT_EQ(ps.SpringMaterial, 2);
  ASSERT_EQ(m.nLineSprings, 1);
  const LineSpring& ls = m.LineSprings[1];
  EXPECT_EQ(ls.Int3, 83);
  EXPECT_EQ(ls.Element, 2);
  EXPECT_EQ(ls.Int5, 5);
  EXPECT_EQ(ls.Int6, 6);
  EXPECT_EQ(ls.Char1, 'E');
  EXPECT_EQ(ls.Int7, 7);
  EXPECT_EQ(ls.Char2, 1);
  EXPECT_EQ(ls.Char3, 2);
  EXPECT_EQ(ls.Code1, 3);
  EXPECT_EQ(ls.Code2, -1);  // a byte 0xFF is sign-extended
  EXPECT_EQ(ls.SpringMaterialKind, 1);
  ASSERT_EQ(ls.nMaterials, 2);
  EXPECT_EQ(ls.Material[2], 2);
  ASSERT_EQ(m.nSurfSprings, 1);
  const SurfSpring& ss = m.SurfSprings[1];
  EXPECT_EQ(ss.Element, 1);
  EXPECT_EQ(ss.Int5, 5);
  EXPECT_EQ(ss.Char1, 'G');
  EXPECT_EQ(ss.Int6, 2);
  EXPECT_EQ(ss.Char2, 1);
  EXPECT_EQ(ss.Code1, 2);
  EXPECT_EQ(ss.Code2, -2);
  EXPECT_EQ(ss.SpringMaterialKind, 1);
  ASSERT_EQ(ss.nMaterials, 1);
  EXPECT_EQ(ss.Material[1], 2);
  ASSERT_EQ(m.nConvections, 1);
  EXPECT_EQ(m.Convections[1].Element, 1);
  EXPECT_EQ(m.Convections[1].Face, 5);
  EXPECT_EQ(m.Convections[1].IntegrationType, 1);
  ASSERT_EQ(m.Convections[1].ValueCount, 3);
  EXPECT_EQ(m.Convections[1].Values[3], 3.5);
  ASSERT_EQ(m.nRadiations, 1);
  EXPECT_EQ(m.Radiations[1].IntegrationNumber, 1);
  ASSERT_EQ(m.Radiations[1].ValueCount, 2);
  EXPECT_EQ(m.Radiations[1].Values[2], 5.5);
  EXPECT_EQ(m.Radiations[1].Sigma, 5.67e-8);
  // 80
  const ContactCase& cc1 = m.ContactCases[1];
  EXPECT_STREQ(cc1.Title, "contact one");
  EXPECT_EQ(cc1.Group, 7);
  ASSERT_EQ(cc1.nPointToPoint, 2);
  EXPECT_EQ(cc1.PointToPoint[2].PointM, 4);
  EXPECT_EQ(cc1.PointToPoint[2].PointS, 5);
  EXPECT_EQ(cc1.PointToPoint[2].Dof, 1);
  EXPECT_EQ(cc1.PointToPoint[2].Gap, 0.002);
  ASSERT_EQ(cc1.nPointToElement, 1);
  EXPECT_EQ(cc1.PointToElement[1].PointS, 6);
  EXPECT_EQ(cc1.PointToElement[1].Element, 2);
  EXPECT_EQ(cc1.PointToElement[1].Location, 1);
  EXPECT_EQ(cc1.PointToElement[1].Dof, 2);
  EXPECT_EQ(cc1.PointToElement[1].Gap, 0.003);
  EXPECT_STREQ(m.ContactCases[2].Title, "contact two");
  EXPECT_EQ(m.ContactCases[2].nPointToPoint, 0);
  EXPECT_EQ(m.ContactCases[2].PointToElement, nullptr);
  // 81
  ASSERT_EQ(m.nDiscontinuities, 1);
  EXPECT_EQ(m.Discontinuities[1].v[1], 121);
  EXPECT_EQ(m.Discontinuities[1].v[4], 124);
  EXPECT_EQ(m.Discontinuities[1].v[5], 1);
  EXPECT_EQ(m.Discontinuities[1].v[6], -1);
  EXPECT_EQ(m.Discontinuities[1].v[8], 4);
  EXPECT_EQ(m.DiscLen1[1], 2);
  EXPECT_EQ(m.DiscList1[1][2], 2);
  EXPECT_EQ(m.DiscLen1[2], 0);
  EXPECT_EQ(m.DiscLen1[3], 1);
  EXPECT_EQ(m.DiscList1[3][1], 3);
  EXPECT_EQ(m.DiscLen2[1], 0);
  EXPECT_EQ(m.DiscLen2[2], 3);
  EXPECT_EQ(m.DiscList2[2][3], 6);
  // 82..90
  EXPECT_EQ(m.ArcLength.Displ.Active, 1);
  EXPECT_EQ(m.ArcLength.Displ.Point, 3);
  EXPECT_EQ(m.ArcLength.Displ.Dof, 2);
  ASSERT_EQ(m.nInitialConditions, 1);
  EXPECT_EQ(m.InitialConditions[1].Int2, 2);
  EXPECT_EQ(m.InitialConditions[1].v[3], 0.3);
  ASSERT_EQ(m.nFrequencyRanges, 1);
  EXPECT_EQ(m.FrequencyRanges[1].D1, 1.0);
  EXPECT_EQ(m.FrequencyRanges[1].Int, 141);
  EXPECT_EQ(m.FrequencyRanges[1].D3, 3.0);
  ASSERT_EQ(m.nRitzLoadCases, 2);
  EXPECT_EQ(m.RitzLoadCases[2].Int1, 2);
  EXPECT_EQ(m.RitzLoadCases[2].Int2, 154);
  EXPECT_EQ(m.ParticipatingMassRatios[1], 1);
  EXPECT_EQ(m.ParticipatingMassRatios[3], 0);
  ASSERT_EQ(m.nStaticParticipation, 2);
  EXPECT_EQ(m.StaticParticipation[1], 2);
  ASSERT_EQ(m.nDynamicParticipation, 1);
  EXPECT_EQ(m.DynamicParticipation[1], 2);
  ASSERT_EQ(m.nModalDampingRatios, 2);
  EXPECT_EQ(m.ModalDampingRatios[2].Number, 3);
  EXPECT_EQ(m.ModalDampingRatios[2].Factor, 0.07);
  ASSERT_EQ(m.nThermalInitial, 1);
  EXPECT_EQ(m.ThermalInitial[1].Point, 2);
  EXPECT_EQ(m.ThermalInitial[1].Value, 20.5);

  // The first element type covering each element.
  EXPECT_EQ(SearchElementType(1, m.nElemProps, m.ElemProps), 10);
  EXPECT_EQ(SearchElementType(3, m.nElemProps, m.ElemProps), 2);

  // The load cases follow the mesh, then the combinations.
  for (int k = 1; k <= 2; k++) {
    LoadCaseData lc;
    ReadLoadCase(fp, k, &m, &lc);
    EXPECT_EQ(lc.Number, k);
    EXPECT_EQ(lc.Params.Title, "load case " + std::to_string(k));
    EXPECT_EQ(lc.Params.Group, 10 + k);
    EXPECT_EQ(lc.Params.IntegrationType, 1);
    EXPECT_EQ(lc.Params.IntegrationName, k - 1);
    EXPECT_EQ(lc.Gravity[1], 0.0);
    EXPECT_EQ(lc.Gravity[2], -9.81 * k);
    EXPECT_EQ(lc.Gravity[3], 0.5);
    ASSERT_EQ(lc.nPointLoads, k == 1 ? 2 : 1);
    EXPECT_EQ(lc.PointLoads[1].Point, 3);
    EXPECT_EQ(lc.PointLoads[1].Load[1], 1.0);
    EXPECT_EQ(lc.PointLoads[1].Load[6], 6.0 * k);
    if (k == 1) {
      EXPECT_EQ(lc.PointLoads[2].Load[4], -4.0);
    }
    ASSERT_EQ(lc.nIntPointLoads, 1);
    EXPECT_EQ(lc.IntPointLoads[1].Element, 1);
    EXPECT_EQ(lc.IntPointLoads[1].AuxPoint, 6);
    EXPECT_EQ(lc.IntPointLoads[1].Load[6], 12.0);
    ASSERT_EQ(lc.nEdgeLoads, 1);
    const EdgeLoad& el = lc.EdgeLoads[1];
    EXPECT_EQ(el.Element, 1);
    EXPECT_EQ(el.Face, 2);
    EXPECT_EQ(el.Edge, 3);
    EXPECT_EQ(el.DirKind, 'G');
    EXPECT_EQ(el.DirCode, 2);
    EXPECT_EQ(el.ForceKind, 1);
    ASSERT_EQ(el.ValueCount, 2);
    EXPECT_EQ(el.Values[2], 2.0);
    ASSERT_EQ(lc.nIntEdgeLoads, 1);
    EXPECT_EQ(lc.IntEdgeLoads[1].AuxElement, 2);
    EXPECT_EQ(lc.IntEdgeLoads[1].DirKind, 'L');
    EXPECT_EQ(lc.IntEdgeLoads[1].DirCode, 3);
    EXPECT_EQ(lc.IntEdgeLoads[1].ForceKind, 2);
    EXPECT_EQ(lc.IntEdgeLoads[1].Values[1], 3.0);
    ASSERT_EQ(lc.nFaceLoads, 1);
    EXPECT_EQ(lc.FaceLoads[1].Face, 4);
    EXPECT_EQ(lc.FaceLoads[1].DirKind, 'N');
    EXPECT_EQ(lc.FaceLoads[1].ValueCount, 0);
    EXPECT_NE(lc.FaceLoads[1].Values, nullptr);
    ASSERT_EQ(lc.nIntFaceLoads, 1);
    EXPECT_EQ(lc.IntFaceLoads[1].AuxElement, 3);
    EXPECT_EQ(lc.IntFaceLoads[1].Values[3], 6.0);
    ASSERT_EQ(lc.nTempVars, 1);
    EXPECT_EQ(lc.TempVars[1].Element, 2);
    EXPECT_EQ(lc.TempVars[1].Values[2], 16.0);
    ASSERT_EQ(lc.nDiffTempVars, 1);
    EXPECT_EQ(lc.DiffTempVars[1].Direction, 3);
    EXPECT_EQ(lc.DiffTempVars[1].Values[1], -5.0);
    ASSERT_EQ(lc.nPrescDispls, 1);
    EXPECT_EQ(lc.PrescDispls[1].Point, 1);
    EXPECT_EQ(lc.PrescDispls[1].Dof, 3);
    EXPECT_EQ(lc.PrescDispls[1].Value, -0.01 * k);
    ASSERT_EQ(lc.nRelDispls, 1);
    EXPECT_EQ(lc.RelDispls[1].Int3, 163);
    EXPECT_EQ(lc.RelDispls[1].Value, 0.004);
    ASSERT_EQ(lc.nPrescTemps, 1);
    EXPECT_EQ(lc.PrescTemps[1].Point, 5);
    EXPECT_EQ(lc.PrescTemps[1].Value, 100.0);
    ASSERT_EQ(lc.nHeatFluxes, 1);
    EXPECT_EQ(lc.HeatFluxes[1].Face, 2);
    EXPECT_EQ(lc.HeatFluxes[1].Values[2], 8.0);
    ASSERT_EQ(lc.nFluidTemps, 1);
    EXPECT_EQ(lc.FluidTemps[1].Face, 3);
    EXPECT_EQ(lc.FluidTemps[1].ConvectionRecord, 171);
    EXPECT_EQ(lc.FluidTemps[1].RadiationRecord, 172);
    EXPECT_EQ(lc.FluidTemps[1].Values[1], 9.0);
    ASSERT_EQ(lc.nLineHeatFluxes, 1);
    EXPECT_EQ(lc.LineHeatFluxes[1].Int1, 181);
    EXPECT_EQ(lc.LineHeatFluxes[1].Values[3], 12.0);
    ASSERT_EQ(lc.nHeatGenerations, 1);
    EXPECT_EQ(lc.HeatGenerations[1].Element, 2);
    EXPECT_EQ(lc.HeatGenerations[1].Value, 13.0);
    FreeLoadCase(&lc);
  }
  CombinationData* c;
  ReadCombinations(fp, &m, &c);
  for (int i = 1; i <= 3; i++) {
    EXPECT_EQ(c[i].Params.Title, "combination " + std::to_string(i));
    EXPECT_EQ(c[i].Params.Group, 20 + i);
    EXPECT_EQ(c[i].Params.Phase, 1);
    EXPECT_EQ(c[i].Params.StepDuration, 0.5 * i);
  }
  EXPECT_EQ(c[1].nFactors, 0);
  EXPECT_EQ(c[1].Factors, nullptr);
  EXPECT_EQ(c[1].nContactCases, 0);
  ASSERT_EQ(c[3].nFactors, 2);
  EXPECT_EQ(c[3].Factors[2].Number, 2);
  EXPECT_EQ(c[3].Factors[2].Factor, -1.5);
  ASSERT_EQ(c[3].nContactCases, 2);
  EXPECT_EQ(c[3].ContactCases[1], 2);
  EXPECT_EQ(c[3].ContactCases[2], 1);
  FreeCombinations(c, m.Main.nCombinations);
  ReadTag("</VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  EXPECT_EQ(BytesLeft(fp), 0);
  CloseFile(fp);
  FreeMesh(&m);
}

TEST(MeshBlocks, DiscontinuityBlockWithoutRecords) {
  std::string job = TestJobName();
  testmodel::Model model = fullmodel::Build();
  model.discontinuities.clear();  // the per-element lists are then not written
  testmodel::WriteDataFile(job, model);
  FILE* fp = OpenAtMesh(job);
  MeshData m;
  ReadMesh(fp, &m);
  EXPECT_EQ(m.nDiscontinuities, 0);
  EXPECT_EQ(m.Discontinuities, nullptr);
  for (int e = 1; e <= m.nElements; e++) {
    EXPECT_EQ(m.DiscLen1[e], 0);
    EXPECT_EQ(m.DiscLen2[e], 0);
    EXPECT_EQ(m.DiscList1[e], nullptr);
    EXPECT_EQ(m.DiscList2[e], nullptr);
  }
  EXPECT_EQ(m.nDynamicParticipation, 1);  // the blocks after it are in place
  CloseFile(fp);
  FreeMesh(&m);
}

TEST(MeshBlocksDeath, RecordsOutOfTheirPlace) {
  std::string job = TestJobName();
  const std::string msg = "^\nERROR:\n" + InvalidFileRegex(job + "_gl.bin") + "\n\n$";
  testmodel::Model m = fullmodel::Build();
  m.loadCases[1].number = 3;  // load case 2 announces itself as 3
  testmodel::WriteDataFile(job, m);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), msg);
  m = fullmodel::Build();
  m.combinations[2].number = 4;  // combinations 1, 2, 4
  testmodel::WriteDataFile(job, m);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), msg);
  m = fullmodel::Build();
  m.contactCases[0].number = 2;
  m.contactCases[1].number = 1;
  testmodel::WriteDataFile(job, m);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), msg);
  m = fullmodel::Build();
  m.fibrousMeshes[1].number = 1;
  testmodel::WriteDataFile(job, m);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), msg);
  // The count of load cases in the main parameters larger than the file holds.
  m = fullmodel::Build();
  m.autoCounts = false;
  m.main.nFibrousMeshes = 2;
  m.main.nContactCases = 2;
  m.main.nLoadCases = 3;
  m.main.nCombinations = 3;
  testmodel::WriteDataFile(job, m);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), msg);
}

// The whole file in the order of a run: every load case and combination as written,
// then the closing tag and nothing after it.
TEST(MeshBlocks, WholeFileReadsToItsClosingTag) {
  std::string job = TestJobName();
  const testmodel::Model model = fullmodel::Build();
  testmodel::WriteDataFile(job, model);
  MeshData mesh;
  FILE* fp = ReadDataFileMesh(job, &mesh);
  EXPECT_EQ(mesh.nElements, static_cast<int>(model.elements.size()));
  ASSERT_EQ(mesh.Main.nLoadCases, static_cast<int>(model.loadCases.size()));
  for (int k = 1; k <= mesh.Main.nLoadCases; k++) {
    const testmodel::LoadCase& w = model.loadCases[static_cast<size_t>(k - 1)];
    LoadCaseData lc;
    ReadLoadCase(fp, k, &mesh, &lc);
    EXPECT_EQ(lc.Number, k);
    EXPECT_EQ(lc.Gravity[2], w.gravity[1]);
    EXPECT_EQ(lc.nPointLoads, static_cast<int>(w.blocks.at("<POINT_LOADS>").size()));
    EXPECT_EQ(lc.nHeatGenerations, 1);
    FreeLoadCase(&lc);
  }
  CombinationData* combinations;
  ReadCombinations(fp, &mesh, &combinations);
  ASSERT_EQ(mesh.Main.nCombinations, static_cast<int>(model.combinations.size()));
  for (int c = 1; c <= mesh.Main.nCombinations; c++) {
    const testmodel::Combination& w = model.combinations[static_cast<size_t>(c - 1)];
    EXPECT_EQ(combinations[c].Params.StepDuration, w.duration);
    EXPECT_EQ(combinations[c].nFactors, static_cast<int>(w.factors.size()));
    EXPECT_EQ(combinations[c].nContactCases, static_cast<int>(w.contactCases.size()));
  }
  FreeCombinations(combinations, mesh.Main.nCombinations);
  ReadTag("</VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  EXPECT_EQ(std::fgetc(fp), EOF);
  CloseFile(fp);
  FreeMesh(&mesh);
}
