// The program's start banner: twelve lines of at most 80 characters, printed at start-up
// and repeated, each line opened with "#", at the head of the text reports.
#pragma once

inline constexpr int kBannerLines = 12;
inline constexpr const char* kBanner[kBannerLines] = {
    "===============================================================================",
    "                                   VOLDE",
    "",
    "   Finite element analysis of structures by the displacement method",
    "   Static, dynamic, modal and thermal analysis of 2-D and 3-D models",
    "   Linear and nonlinear materials, above all reinforced concrete",
    "",
    "   Usage: volde jobname",
    "      reads  jobname_gl.bin   (data file)",
    "             jobname_ctrl.dat (output control, optional)",
    "      writes the result files jobname_*.bin",
    "==============================================================================="};
