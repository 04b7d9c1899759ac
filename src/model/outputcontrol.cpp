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

// Word reading of the control file: words are runs of characters between delimiters
// (tab, blank, carriage return, line feed), '#' starts a comment up to the end of the
// line, every word must be followed by a delimiter and hold printable characters only;
// line counts the line feeds read, wordline receives the line of the word just read.

bool OcIsBlank(int c) { return c == 9 || c == 32 || c == 13 || c == 10; }
bool OcIsPrint(int c) { return c >= 32 && c <= 126; }

int OcGetc(FILE* fp) {
  int c = std::fgetc(fp);
  if (c == EOF) errexit("Unexpected end of file", 0);
  return c;
}

void OcCheckPrint(char* s, int line) {
  size_t n = std::strlen(s);
  size_t bad = n;
  for (size_t k = 0; k < n; k++)
    if (!OcIsPrint(static_cast<unsigned char>(s[k]))) {
      bad = k;
      break;
    }
  if (bad == n) return;
  unsigned code = static_cast<unsigned char>(s[bad]);
  for (size_t k = 0; k < n; k++)
    if (!OcIsPrint(static_cast<unsigned char>(s[k]))) s[k] = '?';
  std::fflush(stdout);
  std::fprintf(stderr, "\nERROR:\n\"Bad\" character found\nLine n. %d\n\n", line);
  std::fprintf(stderr, "Input data ........ %s\n", s);
  std::fprintf(stderr, "\"Bad\" character ... %s^\n\n", std::string(bad, ' ').c_str());
  std::fprintf(stderr, "ASCII code of the \"bad\" character = %u\n\n", code);
  std::exit(1);
}

char* OcReadWord(char* word, int max, FILE* fp, int* line, int* wordline) {
  if (max < 3) errexit("Max. n. of characters in the string must be > 2", 0);
  int len = 0;
  for (;;) {
    int c = OcGetc(fp);
    if (c == '#') {
      if (len > 0) errexit("'#' must be preceeded by a delimiter", *line);
      while (c != '\n') c = OcGetc(fp);
    }
    if (c == '\n') {
      (*line)++;
      if (len > 0) {
        word[len] = '\0';
        *wordline = *line - 1;
        break;
      }
    } else if (OcIsBlank(c)) {
      if (len > 0) {
        word[len] = '\0';
        *wordline = *line;
        break;
      }
    } else {
      word[len++] = static_cast<char>(c);
      if (len >= max) {
        char msg[64];
        std::snprintf(msg, sizeof msg, "Word too long (max. = %d characters)", max);
        errexit(msg, *line);
      }
    }
  }
  OcCheckPrint(word, *wordline);
  return word;
}

void OcExpectWord(FILE* fp, int* line, int* wordline, const char* expected) {
  char word[1000];
  OcReadWord(word, 1000, fp, line, wordline);
  if (std::strcmp(word, expected) == 0) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nERROR:\nExpecting the following word: %s\nLine n. %d\n\n", expected, *wordline);
  std::fprintf(stderr, "Input data: %s\n\n", word);
  std::exit(1);
}

void OcExpectChar(FILE* fp, int* line, int* wordline, int c) {
  char word[1000];
  OcReadWord(word, 1000, fp, line, wordline);
  std::fflush(stdout);
  if (std::strlen(word) != 1) {
    std::fprintf(stderr, "\nERROR:\nSingle character expected\nLine n. %d\n\n", *wordline);
    std::fprintf(stderr, "Input data ........ %s\n\n", word);
    std::exit(1);
  }
  if (word[0] == c) return;
  std::fprintf(stderr, "\nERROR:\nExpecting the following character: %c\nLine n. %d\n\n", c, *wordline);
  std::fprintf(stderr, "Input data: %c\n\n", word[0]);
  std::exit(1);
}

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
    OcExpectWord(fp, &line, &wordline, "<OUTPUT_CONTROL>");
    OcReadWord(word, kBinStringMax, fp, &line, &wordline);
    while (std::strcmp(word, "</OUTPUT_CONTROL>") != 0) {
      int k = SearchKeyword(word, kOutputControlKeywords, 1, kOutputControlOptions, 0);
      if (k == -1) errexit("Expecting a valid keyword.", wordline);
      if (flags[k] != 0) errexit("Repeated option.", wordline);
      OcExpectChar(fp, &line, &wordline, '=');
      OcReadWord(word, kBinStringMax, fp, &line, &wordline);
      int v = SearchKeyword(word, kYesNoKeywords, 1, 2, 0);
      if (v == -1) errexit("The specified keyword is invalid.", wordline);
      flags[k] = v == 1 ? 'Y' : 'N';
      OcExpectChar(fp, &line, &wordline, ';');
      OcReadWord(word, kBinStringMax, fp, &line, &wordline);
    }
    std::fclose(fp);
  }
  for (int k = 1; k < kOutputControlSize; k++)
    if (flags[k] == 0) flags[k] = 'N';
}
