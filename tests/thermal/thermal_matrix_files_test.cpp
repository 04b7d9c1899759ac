// The saved conductivity and heat-capacity matrices: written and read back to the bit,
// the byte layout of a model without prescribed temperatures, and the refusal of a file
// of the other kind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "numcore/numcore.h"
#include "support/result_readers.h"
#include "support/testfiles.h"
#include "thermal/thermal_transient.h"

namespace {

// Row lists from (row, columns, values) lists; rows not listed stay empty.
void Rows(int n, const std::vector<std::vector<std::pair<int, double>>>& rows, SparseRowMatrix* K) {
  K->n = n;
  alloci1(&K->count, n);
  allocpi1(&K->cols, n);
  allocpd1(&K->vals, n);
  for (int i = 1; i <= n; i++) {
    const auto& r = rows[static_cast<size_t>(i - 1)];
    K->count[i] = static_cast<int>(r.size());
    K->cols[i] = nullptr;
    K->vals[i] = nullptr;
    if (r.empty()) continue;
    alloci1(&K->cols[i], K->count[i]);
    allocd1(&K->vals[i], K->count[i]);
    for (size_t k = 0; k < r.size(); k++) {
      K->cols[i][k + 1] = r[k].first;
      K->vals[i][k + 1] = r[k].second;
    }
  }
}

void ExpectSameRows(const SparseRowMatrix& a, const SparseRowMatrix& b) {
  for (int i = 1; i <= a.n; i++) {
    ASSERT_EQ(a.count[i], b.count[i]) << "row " << i;
    for (int k = 1; k <= a.count[i]; k++) {
      EXPECT_EQ(a.cols[i][k], b.cols[i][k]);
      EXPECT_EQ(std::memcmp(&a.vals[i][k], &b.vals[i][k], 8), 0) << "row " << i << " term " << k;
    }
  }
}

void Free(int nF, int nP, ThermalMatrices* K, bool conductivity) {
  SparseRowMatrix* m[] = {conductivity ? &K->KCFF : &K->KTFF, conductivity ? &K->KCPF : &K->KTPF,
                          conductivity ? &K->KCPP : &K->KTPP};
  const int n[] = {nF, nP, nP};
  for (int k = 0; k < 3; k++) FreeSparseMatPair(n[k], m[k]->count, m[k]->cols, m[k]->vals);
}

int32_t Int32At(const std::vector<uint8_t>& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST(ThermalMatrixFiles, RoundTripToTheBit) {
  const std::string job = TestJobName();
  // nF = 3, nP = 2: free row 2 empty, prescribed row 1 without free couplings.
  ThermalMatrices K{};
  Rows(3, {{{1, 0.1}, {3, -1.0 / 3.0}}, {}, {{3, 2.5e-300}}}, &K.KTFF);
  Rows(2, {{}, {{1, 7.0}, {3, -0.0}}}, &K.KTPF);
  Rows(2, {{{1, 1.0}, {2, 1e300}}, {{2, 3.0}}}, &K.KTPP);
  WriteGlobalTransientMat(3, 2, 3, 3, 2, &K, job.c_str());
  ThermalMatrices R{};
  int64_t nFF, nPF, nPP;
  ReadGlobalTransientMat(&nFF, &nPF, &nPP, 3, 2, &R, job.c_str());
  EXPECT_EQ(nFF, 3);
  EXPECT_EQ(nPF, 2);
  EXPECT_EQ(nPP, 3);
  ExpectSameRows(K.KTFF, R.KTFF);
  ExpectSameRows(K.KTPF, R.KTPF);
  ExpectSameRows(K.KTPP, R.KTPP);
  Free(3, 2, &R, false);

  // nP = 0 and the conductivity file: tag, counts, nF row counts, the FF terms, closing tag.
  ThermalMatrices C{};
  Rows(2, {{{1, 4.0}, {2, -4.0}}, {{2, 4.0}}}, &C.KCFF);
  Rows(0, {}, &C.KCPF);
  Rows(0, {}, &C.KCPP);
  WriteGlobalCondMat(3, 0, 0, 2, 0, &C, job.c_str());
  const std::vector<uint8_t> b = resultfile::ReadFileBytes(job + "_GCM.bin");
  const std::string open = "<GLOBAL_CONDUCTIVITY_MATRIX>", close = "</GLOBAL_CONDUCTIVITY_MATRIX>";
  ASSERT_EQ(b.size(), (4 + open.size() + 1) + 12 + 8 + 3 * 4 + 3 * 8 + (4 + close.size() + 1));
  EXPECT_EQ(Int32At(b, 0), 28);
  const size_t t = 5 + open.size();
  EXPECT_EQ(Int32At(b, t), 3);
  EXPECT_EQ(Int32At(b, t + 4), 0);
  EXPECT_EQ(Int32At(b, t + 8), 0);
  EXPECT_EQ(Int32At(b, t + 12), 2);
  EXPECT_EQ(Int32At(b, t + 16), 1);
  EXPECT_EQ(Int32At(b, t + 20), 1);  // columns of row 1: 1, 2; of row 2: 2
  EXPECT_EQ(Int32At(b, t + 24), 2);
  EXPECT_EQ(Int32At(b, t + 28), 2);
  EXPECT_EQ(Int32At(b, b.size() - close.size() - 5), 29);
  ReadGlobalCondMat(&nFF, &nPF, &nPP, 2, 0, &R, job.c_str());
  ExpectSameRows(C.KCFF, R.KCFF);
  Free(2, 0, &R, true);

  // A conductivity file in the place of the heat-capacity file.
  std::rename((job + "_GCM.bin").c_str(), (job + "_GTM.bin").c_str());
  EXPECT_EXIT(ReadGlobalTransientMat(&nFF, &nPF, &nPP, 2, 0, &R, job.c_str()), testing::ExitedWithCode(1),
              InvalidFileRegex(job + "_GTM.bin"));
  Free(3, 2, &K, false);
  Free(2, 0, &C, true);
  std::remove((job + "_GTM.bin").c_str());
}

}  // namespace
