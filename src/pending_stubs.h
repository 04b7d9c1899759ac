// Temporary stand-ins, replaced when the real modules land.
//
// Declarations of routines and constants that belong to modules not yet on this branch:
//   OpenFile         opening of job files by name and suffix
//   EXPORT_ITERATIVE_JPCG_HIST, PRINT_GAUSS_ELIM_INFO, PRINT_ITERATIVE_JPCG_INFO
//                    positions of three options in the OutputControl flags (char[69],
//                    'Y' or 'N' in entries 1..68)
// When the real modules land, delete this header and src/pending_stubs.cpp and include
// the real headers in their place.
#pragma once

#include <cstdio>

#include "numcore/numcore.h"

void OpenFile(FILE** fp, const char* job, const char* suffix, const char* mode, char echo);

constexpr int EXPORT_ITERATIVE_JPCG_HIST = 1;
constexpr int PRINT_GAUSS_ELIM_INFO = 2;
constexpr int PRINT_ITERATIVE_JPCG_INFO = 3;
