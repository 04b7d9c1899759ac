// Saved global matrices in their binary files.
#include "assembly/matrix_file.h"

#include <climits>
#include <cstdio>

#include "assembly/assembly.h"
#include "model/fileio.h"
#include "numcore/numcore.h"

namespace {

int32_t TermCount(int64_t n) {
  if (n < 0 || n > INT32_MAX) InternalError(__FILE__, __LINE__);
  return static_cast<int32_t>(n);
}

void WriteRows(FILE* fp, const SparseRowMatrix* K) {
  for (int i = 1; i <= K->n; i++) WriteInt32s(fp, K->cols[i], K->count[i]);
  for (int i = 1; i <= K->n; i++) WriteDoubles(fp, K->vals[i], K->count[i]);
}

// Row counts must sum to the stored term count; columns ascend within 1..nCols and a row
// of an upper-triangle matrix starts at its diagonal.
void ReadRows(FILE* fp, const char* suffix, int64_t nTerms, int nCols, bool upper, SparseRowMatrix* K) {
  int64_t sum = 0;
  for (int i = 1; i <= K->n; i++) {
    if (K->count[i] < 0 || K->count[i] > nCols) InvalidBinaryFile(suffix);
    sum += K->count[i];
  }
  if (sum != nTerms) InvalidBinaryFile(suffix);
  for (int i = 1; i <= K->n; i++) {
    const int n = K->count[i];
    if (n == 0) continue;
    alloci1(&K->cols[i], n);
    ReadInt32s(fp, K->cols[i], n);
    const int* col = K->cols[i];
    if (upper && col[1] != i) InvalidBinaryFile(suffix);
    for (int k = 1; k <= n; k++)
      if (col[k] < 1 || col[k] > nCols || (k > 1 && col[k] <= col[k - 1])) InvalidBinaryFile(suffix);
  }
  for (int i = 1; i <= K->n; i++) {
    if (K->count[i] == 0) continue;
    allocd1(&K->vals[i], K->count[i]);
    ReadDoubles(fp, K->vals[i], K->count[i]);
  }
}

}  // namespace

void WriteGlobalMatStream(FILE* fp, const MatrixFileKind& kind, int64_t nTermsFF, int64_t nTermsPF, int64_t nTermsPP,
                          int nF, int nP, const SparseRowMatrix* KFF, const SparseRowMatrix* KPF,
                          const SparseRowMatrix* KPP) {
  WriteTag(kind.openTag, fp);
  WriteInt32(fp, TermCount(nTermsFF));
  WriteInt32(fp, TermCount(nTermsPF));
  WriteInt32(fp, TermCount(nTermsPP));
  WriteInt32s(fp, KFF->count, nF);
  WriteInt32s(fp, KPF->count, nP);
  WriteInt32s(fp, KPP->count, nP);
  WriteRows(fp, KFF);
  WriteRows(fp, KPF);
  WriteRows(fp, KPP);
  WriteTag(kind.closeTag, fp);
}

void ReadGlobalMatStream(FILE* fp, const MatrixFileKind& kind, int64_t* nTermsFF, int64_t* nTermsPF,
                         int64_t* nTermsPP, int nF, int nP, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                         SparseRowMatrix* KPP) {
  ReadTag(kind.openTag, fp, kind.suffix);
  *nTermsFF = ReadInt32(fp);
  *nTermsPF = ReadInt32(fp);
  *nTermsPP = ReadInt32(fp);
  AllocSparseCounters(nF, nP, KFF, KPF, KPP);
  ReadInt32s(fp, KFF->count, nF);
  ReadInt32s(fp, KPF->count, nP);
  ReadInt32s(fp, KPP->count, nP);
  ReadRows(fp, kind.suffix, *nTermsFF, nF, true, KFF);
  ReadRows(fp, kind.suffix, *nTermsPF, nF, false, KPF);
  ReadRows(fp, kind.suffix, *nTermsPP, nP, true, KPP);
  ReadTag(kind.closeTag, fp, kind.suffix);
}

void WriteGlobalMatFile(const MatrixFileKind& kind, int64_t nTermsFF, int64_t nTermsPF, int64_t nTermsPP, int nF,
                        int nP, const SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP,
                        const char* job) {
  FILE* fp;
  OpenFile(&fp, job, kind.suffix, "wb", 'N');
  WriteGlobalMatStream(fp, kind, nTermsFF, nTermsPF, nTermsPP, nF, nP, KFF, KPF, KPP);
  CloseFile(fp);
}

void ReadGlobalMatFile(const MatrixFileKind& kind, int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, int nF,
                       int nP, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP, const char* job) {
  FILE* fp;
  OpenFile(&fp, job, kind.suffix, "rb", 'N');
  ReadGlobalMatStream(fp, kind, nTermsFF, nTermsPF, nTermsPP, nF, nP, KFF, KPF, KPP);
  CloseFile(fp);
}
