// ImportOutputControl: reads <job>_ctrl.dat word by word.
#include "model/outputcontrol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/fileio.h"
#include "numcore/numcore.h"

const char* const kOutputControlKeywords[kOutputControlSize] = {
    "",
    "EXPORT_ITERATIVE_JPCG_HIST",
    "PRINT_GAUSS_ELIM_INFO",
    "PRINT_ITERATIVE_JPCG_INFO",
    "PRINT_MAT_C",
    "PRINT_MAT_CG_FRAME_2D",
    "PRINT_MAT_CG_FRAME_3D",
    "PRINT_MAT_CG_TRUSS_2D",
    "PRINT_MAT_CG_TRUSS_3D",
    "PRINT_MAT_E",
    "PRINT_MAT_K",
    "PRINT_MAT_KC",
    "PRINT_MAT_KCG_SOLID_HEXA_THERMAL",
    "PRINT_MAT_KCG_PLANE_STRESS_QUAD_THERMAL",
    "PRINT_MAT_KCG_SURF_CONV_HEAT_TRANSFER_SOLID_HEXA_THERMAL",
    "PRINT_MAT_KCG_SURF_RAD_HEAT_TRANSFER_SOLID_HEXA_THERMAL",
    "PRINT_MAT_KT",
    "PRINT_MAT_KTG_SOLID_HEXA_THERMAL",
    "PRINT_MAT_KG_AHMAD_SHELL_QUAD",
    "PRINT_MAT_KG_CABLE_2D",
    "PRINT_MAT_KG_CABLE_3D",
    "PRINT_MAT_KG_EMB_CABLE_2D",
    "PRINT_MAT_KG_EMB_CABLE_3D",
    "PRINT_MAT_KG_FRAME_2D",
    "PRINT_MAT_KG_FRAME_3D",
    "PRINT_MAT_KG_INTERFACE_LINE_2D",
    "PRINT_MAT_KG_INTERFACE_LINE_3D",
    "PRINT_MAT_KG_INTERFACE_QUAD",
    "PRINT_MAT_KG_MINDLIN_SHELL_QUAD",
    "PRINT_MAT_KG_MINDLIN_SLAB_QUAD",
    "PRINT_MAT_KG_PLANE_STRAIN_QUAD",
    "PRINT_MAT_KG_PLANE_STRESS_QUAD",
    "PRINT_MAT_KG_PLANE_STRESS_TRIANG",
    "PRINT_MAT_KG_SOLID_HEXA",
    "PRINT_MAT_KG_SURF_SPRING_AHMAD_SHELL_QUAD",
    "PRINT_MAT_KG_SURF_SPRING_MINDLIN_SHELL_QUAD",
    "PRINT_MAT_KG_SURF_SPRING_MINDLIN_SLAB_QUAD",
    "PRINT_MAT_KG_SURF_SPRING_PLANE_STRAIN_QUAD",
    "PRINT_MAT_KG_SURF_SPRING_PLANE_STRESS_QUAD",
    "PRINT_MAT_KG_SURF_SPRING_SOLID_HEXA",
    "PRINT_MAT_KG_TIMOSHENKO_BEAM_3D",
    "PRINT_MAT_KG_TRUSS_2D",
    "PRINT_MAT_KG_TRUSS_3D",
    "PRINT_MAT_M",
    "PRINT_MAT_MG_AHMAD_SHELL_QUAD",
    "PRINT_MAT_MG_FRAME_2D",
    "PRINT_MAT_MG_FRAME_3D",
    "PRINT_MAT_MG_MINDLIN_SHELL_QUAD",
    "PRINT_MAT_MG_SOLID_HEXA",
    "PRINT_MAT_MG_TRUSS_2D",
    "PRINT_MAT_MG_TRUSS_3D",
    "PRINT_MAT_TNG_AHMAD_SHELL_QUAD",
    "PRINT_MAT_T_CABLE_2D",
    "PRINT_MAT_T_CABLE_3D",
    "PRINT_MAT_T_EMB_CABLE_2D",
    "PRINT_MAT_T_EMB_CABLE_3D",
    "PRINT_MAT_T_FRAME_2D",
    "PRINT_MAT_T_FRAME_3D",
    "PRINT_MAT_T_INTERFACE_LINE_2D",
    "PRINT_MAT_T_INTERFACE_LINE_3D",
    "PRINT_MAT_T_QUAD",
    "PRINT_MAT_T_TIMOSHENKO_BEAM_3D",
    "PRINT_MAT_T_TRUSS_2D",
    "PRINT_MAT_T_TRUSS_3D",
    "PRINT_NLMM101_INFO",
    "PRINT_NLMM141_INFO",
    "PRINT_PROGRAM_FLOW_INFO",
    "PRINT_VECT_F",
    "PRINT_VECT_FQ"};

namespace {

const char* const kYesNoKeywords[3] = {"", "_Y", "_N"};

}  // namespace

void ImportOutputControl(const char* job, char* flags) {
  for (int k = 0; k < kOutputControlSize; k++) flags[k] = 0;
  int line = 1, wordline = 0;
  CheckJobNameLength(job, "_ctrl.dat");
  std::string name = std::string(job) + "_ctrl.dat";
  FILE* fp = std::fopen(name.c_str(), "r");
  if (fp == nullptr) {
    std::string msg = "File " + name + " not found.\nUsing default options.";
    warnmsg(msg.c_str(), 0);
  } else {
    std::printf("\n");
    std::printf("Reading file: %s\n", name.c_str());
    char word[kBinStringMax];
    expectword(fp, &line, &wordline, "<OUTPUT_CONTROL>");
    readword(word, kBinStringMax, fp, &line, &wordline);
    while (std::strcmp(word, "</OUTPUT_CONTROL>") != 0) {
      int k = SearchKeyword(word, kOutputControlKeywords, 1, kOutputControlOptions, 0);
      if (k == -1) errexit("Expecting a valid keyword.", wordline);
      if (flags[k] != 0) errexit("Repeated option.", wordline);
      expectchar(fp, &line, &wordline, '=');
      readword(word, kBinStringMax, fp, &line, &wordline);
      int v = SearchKeyword(word, kYesNoKeywords, 1, 2, 0);
      if (v == -1) errexit("The specified keyword is invalid.", wordline);
      flags[k] = v == 1 ? 'Y' : 'N';
      expectchar(fp, &line, &wordline, ';');
      readword(word, kBinStringMax, fp, &line, &wordline);
    }
    std::fclose(fp);
  }
  for (int k = 1; k < kOutputControlSize; k++)
    if (flags[k] == 0) flags[k] = 'N';
}
