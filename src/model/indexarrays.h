// Nested 1-based index arrays of int32 entries (the history-data index of the nonlinear
// drivers): two levels out[i][j][1..len2[i]], three levels out[i][j][k][1..len3[i]], with
// i = 1..n, j = 1..len1[i], k = 1..len2[i]. A vector whose length is 0 or negative has no
// block (null handle, never read); entries are not initialised. The caller passes the
// same length vectors to the build and the release routine.
#pragma once

void BuildIndexArrays(int**** out, int n, const int* len1, const int* len2);
void BuildNestedIndexArrays(int***** out, int n, const int* len1, const int* len2, const int* len3);
void FreeNestedIndexArrays(int*** out, int n, const int* len1);
void FreeNestedIndexArrays2(int**** out, int n, const int* len1, const int* len2);
