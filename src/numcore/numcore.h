// Numcore: the in-house utility library. 1-based vectors and matrices with guarded
// allocation and release, the error exits, and small dense linear algebra.
//
// Storage of every array handle: entries 1..n are addressed directly; each block carries
// one extra leading entry so that the handle is the block's own start and entry 0 is
// never used. A matrix is a 1-based vector of row pointers into one contiguous
// row-major data block. A count of 0 allocates one usable entry; a negative count or a
// byte size that overflows stops the run with "Memory allocation failed".
#pragma once

#include <cstdio>

// ---- error exits -------------------------------------------------------------------
[[noreturn]] void errexit(const char* msg, int line);
void warnmsg(const char* msg, int line);
[[noreturn]] void interror(const char* file, int line);
[[noreturn]] void InternalError(const char* file, int line);

// ---- allocation --------------------------------------------------------------------
void allocc1(char** v, int n);
void alloci1(int** v, int n);
void allocl1(long** v, int n);
void allocd1(double** v, int n);
void allocpd1(double*** v, int n);
void allocpi1(int*** v, int n);
void allocpfile1(FILE*** v, int n);
void allocc2(char*** A, int n, int m);
void alloci2(int*** A, int n, int m);
void allocd2(double*** A, int n, int m);
void allocd3(double**** A, int n, int m, int p);
void allocragi2(int*** A, int n, const int* len);
void allocragd2(double*** A, int n, const int* len);
void allocprofd2(double*** A, int n, const int* last);

// ---- release -----------------------------------------------------------------------
void freec1(char* v);
void freei1(int* v);
void freel1(long* v);
void freed1(double* v);
void freepd1(double** v);
void freepi1(int** v);
void freepfile1(FILE** v);
void freec2(char** A);
void freei2(int** A);
void freed2(double** A);
void freed3(double*** A);
void freeragi2(int** A, int n);
void freeragd2(double** A, int n);
void freeprofd2(double** A, int n);

// ---- clearing ----------------------------------------------------------------------
void zeroc1(char* v, int n);
void zeroi1(int* v, int n);
void zeroi1(long* v, int n);
void zeroi1(double** v, int n);
void zeroi1(int** v, int n);
void zeroi1(FILE** v, int n);
void zerod1(double* v, int n);
void zeroc2(char** A, int n, int m);
void zeroi2(int** A, int n, int m);
void zerod2(double** A, int n, int m);
void zerod3(double*** A, int n, int m, int p);
void zeroragd2(double** A, int n, const int* len);
void zeroprofd2(double** A, int n, const int* last);

// ---- composite releases of work structures ------------------------------------------
// A list of 8-byte items per point (count, 1-based item vector).
struct PointList {
  int count;
  double* items;
};
void FreePointLists(PointList* list, int n);

// A set of k vectors per point (k, 1-based int vector, 1-based vector of k double vectors).
struct PointVecSet {
  int k;
  int* ints;
  double** vecs;
};
void FreePointVecSet(int n, PointVecSet* set);

void FreeSparseMat(int n, int* a, int** rows, int* b, int* c);

// ---- dense vectors -------------------------------------------------------------------
void copyd1(double* y, const double* x, int n);
void addd1(double* y, const double* x, int n);
void subd1(double* y, const double* x, int n);
void scaled1(double* x, int n, double s);
void filld1(double* x, int n, double value);
double dotd1(const double* a, const double* b, int n);
double normd1(const double* x, int n);
double maxabsd1(const double* x, int n);
void normalized1(double* x, int n);
void crossd1(double* c, const double* a, const double* b);
bool equald1(const double* a, const double* b, int n);

// ---- dense matrices ------------------------------------------------------------------
void copyd2(double** B, double** A, int n, int m);
void addd2(double** B, double** A, int n, int m);
void subd2(double** A, double** B, int n, int m);
void scaled2(double** A, int n, int m, double s);
void transpd2(double** B, double** A, int n, int m);
void transpsqd2(double** A, int n);
void setdiagd2(double** A, int n, int m, double value);
void setrowd2(double** A, const double* x, int n, int row);
void getrowd2(double* x, double** A, int n, int row);
void setcold2(double** A, const double* x, int n, int col);
void getcold2(double* x, double** A, int n, int col);
void setsubd2(double** B, double** A, int n, int m, int r0, int c0);
void getsubd2(double** B, double** A, int n, int m, int r0, int c0);
void outerd1(double** B, const double* a, const double* b, int n, int m);
bool issymd2(double** A, int n);

void multd2d1(double* y, double** A, const double* x, int n, int m);
void multtd2d1(double* y, double** A, const double* x, int m, int n);
void multd1d2(double* y, const double* x, double** A, int n, int m);
double bilind2(const double* x, double** A, const double* y, int n, int m);
void multd2d2(double** C, double** A, double** B, int n, int k, int m);
void multd2td2(double** C, double** A, double** B, int n, int k, int m);
void multtd2d2(double** C, double** A, double** B, int n, int k, int m);
void btabd2(double** C, double** A, double** B, int n, int m);
void babtd2(double** C, double** A, double** B, int n, int m);
void premulsubd2(double** A, double** B, int n, int r0, int c0);
void postmulsubd2(double** A, double** B, int n, int r0, int c0);

double detd2(double** A, int m);
bool GaussSolve(double** A, double** X, double** B, int n, int m);
bool linsolved2(double** A, double* x, const double* b, int n);
bool invertd2(double** Ainv, double** A, int n);
