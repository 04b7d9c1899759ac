// Saved global matrices: the three row-list blocks (FF, PF, PP) of a global matrix
// written to a binary file and read back in a later iteration or a restarted run.
//
// Layout: the opening tag, int32 term counts of FF, PF and PP, the int32 row counts of
// FF (nF), PF (nP) and PP (nP), then per block the column lists of all its rows and the
// value lists of all its rows, and the closing tag. nF and nP are not stored: the reader
// takes them from the numbering of the run.
#pragma once

#include <cstdint>
#include <cstdio>

#include "assembly/sparse_rows.h"

// The name and tags of one kind of matrix file.
struct MatrixFileKind {
  const char* suffix;    // "_GSM.bin"
  const char* openTag;   // "<GLOBAL_STIFFNESS_MATRIX>"
  const char* closeTag;  // "</GLOBAL_STIFFNESS_MATRIX>"
};

void WriteGlobalMatFile(const MatrixFileKind& kind, int64_t nTermsFF, int64_t nTermsPF, int64_t nTermsPP, int nF,
                        int nP, const SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP,
                        const char* job);
// Allocates the three matrices (nF, nP, nP rows) and refuses, naming the file, a wrong
// tag or a file whose rows do not fit the numbering (counts that do not add up, columns
// out of range or not ascending, an upper-triangle row not starting at its diagonal).
void ReadGlobalMatFile(const MatrixFileKind& kind, int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, int nF,
                       int nP, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP, const char* job);
// The same layout on an open stream, from its present position (a record of a file that
// holds several matrices); the reader names kind.suffix in its refusals.
void WriteGlobalMatStream(FILE* fp, const MatrixFileKind& kind, int64_t nTermsFF, int64_t nTermsPF, int64_t nTermsPP,
                          int nF, int nP, const SparseRowMatrix* KFF, const SparseRowMatrix* KPF,
                          const SparseRowMatrix* KPP);
void ReadGlobalMatStream(FILE* fp, const MatrixFileKind& kind, int64_t* nTermsFF, int64_t* nTermsPF,
                         int64_t* nTermsPP, int nF, int nP, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                         SparseRowMatrix* KPP);
