// Numcore: the in-house utility library. 1-based vectors and matrices with guarded
// allocation and release, the error exits, small dense linear algebra, Jacobi
// eigenvalues, the word tokenizer of the text inputs, the console prompt and the clocks,
// text prints of vectors and matrices, and the profile-store solve.
//
// Storage of every array handle: entries 1..n are addressed directly; each block carries
// one extra leading entry so that the handle is the block's own start and entry 0 is
// never used. A matrix is a 1-based vector of row pointers into one contiguous
// row-major data block. A count of 0 allocates one usable entry; a negative count or a
// byte size that overflows stops the run with "Memory allocation failed".
#pragma once

#include <cstdio>
#include <string>

// The common guard for pivots, null diagonals, null norms and dropped terms: a magnitude
// below it counts as zero.
constexpr double kSmall = 1e-8;

// ---- error exits -------------------------------------------------------------------
[[noreturn]] void errexit(const char* msg, int line);
void warnmsg(const char* msg, int line);
[[noreturn]] void interror(const char* file, int line);
[[noreturn]] void InternalError(const char* file, int line);

// Faults of an iterate that a smaller load step may avoid: an element inverted by the
// iterate, a material return that does not converge, a singular local system. While a
// driver holds an IterateFaultScope (the element and material loops run serially in its
// thread), IterateFault unwinds to it with an IterateFailure holding the context lines and
// the message; otherwise it prints the context and ends the run through errexit.
struct IterateFailure {
  std::string context;  // the lines before the message ("\n" first), as printed
  std::string message;
};
class IterateFaultScope {
 public:
  IterateFaultScope();
  ~IterateFaultScope();
  IterateFaultScope(const IterateFaultScope&) = delete;
  IterateFaultScope& operator=(const IterateFaultScope&) = delete;
};
[[noreturn]] void IterateFault(const std::string& context, const char* msg);
// A state the program must never reach, tested where it could arise: the internal error
// with the file and line of the test.
#define GUARD(bad)                              \
  do {                                          \
    if (bad) InternalError(__FILE__, __LINE__); \
  } while (0)

// ---- allocation --------------------------------------------------------------------
void allocc1(char** v, int n);
void alloci1(int** v, int n);
void allocl1(long** v, int n);  // long: file positions, as wide as the platform's ftell
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
// Profile store, its terms cleared: row i holds columns i..last[i], addressed by absolute
// column (A[i][i] is the first stored entry); the rows lie in one block, or under the
// address sanitizer each in a block of its own. Its row pointers are the only handles
// that lie before their row (by i - 1 entries); never address a column outside i..last[i].
void allocprofd2(double*** A, int n, const int* last);

// Work arrays that a fault of an iterate may unwind past. While a WorkArrayFrame is open,
// the blocks the allocators above hand out in its thread are recorded in the innermost
// open frame, and a block released by the release routines below is struck from its
// frame. A frame that closes while an exception unwinds through it releases the blocks
// still recorded in it; one that closes normally forgets them (a block that outlives its
// routine belongs to whoever holds it). Open one at the head of a routine whose arrays
// are its own work, never around code that stores a new block in a record that outlives
// a failed iterate (the global matrices, the history records).
class WorkArrayFrame {
 public:
  WorkArrayFrame();
  ~WorkArrayFrame();
  WorkArrayFrame(const WorkArrayFrame&) = delete;
  WorkArrayFrame& operator=(const WorkArrayFrame&) = delete;

 private:
  int unwinding_;  // exceptions in flight when the frame opened
};

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

// ---- composite work structures --------------------------------------------------------
// Per point a list of 8-byte items {element, local node} (count, 1-based item vector).
// AllocPointLists gives n records with count 0 and no items; AllocPointListItems gives
// one record its 1-based item vector of count entries. FreePointLists releases the item
// vectors of records n down to 1, then the record vector.
struct PointElemPair {
  int element;
  int node;
};
struct PointList {
  int count;
  PointElemPair* items;
};
void AllocPointLists(PointList** list, int n);
void AllocPointListItems(PointList* rec, int count);
void FreePointLists(PointList* list, int n);

// Per point a set of k vectors (k, 1-based int vector, 1-based vector of k double vectors
// from allocpd1/allocd1). AllocPointVecSet gives n empty records, each to be filled
// before release (its vectors are checked like any other); FreePointVecSet releases
// every record's vectors (freed1, freepd1, freei1), then the record vector.
struct PointVecSet {
  int k;
  int* ints;
  double** vecs;
};
void AllocPointVecSet(PointVecSet** set, int n);
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
// Rows of T (3 x 3): two unit vectors t, s and the unit vector g (1-based): the
// identity for g = e3, diag(1, -1, -1) for g = -e3 (within 1e-8), else t = e3 x g
// normalised and s = g x t.
void CalcOrthonormalTriad(const double* g, double** T);
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
// A X = B by Gaussian elimination with partial pivoting; A and B are work space. A pivot
// below 1e-8 of the sum of the magnitudes added into its term (cancellation), null or
// not finite returns false with X cleared; a multiplier of at most 1e-8 is skipped. A
// matrix in any units (its columns, or all its terms, scaled) is solved alike and a
// singular one refused at the same column.
bool GaussSolve(double** A, double** X, double** B, int n, int m);
bool linsolved2(double** A, double* x, const double* b, int n);
bool invertd2(double** Ainv, double** A, int n);

// ---- Jacobi eigenvalues ----------------------------------------------------------------
// All eigenvalues (ascending, in lambda[1..n]) and orthonormal eigenvectors (columns of
// V, n x n) of the symmetric n x n matrix A by the classical Jacobi method. A is work
// space: its lower triangle is cleared and its upper triangle rotated. nrot receives the
// number of rotations, offmax the largest off-diagonal magnitude of the last search.
// The tolerances are shares of the largest magnitude s of A, so that a matrix scaled by
// any factor takes the same rotations: a non-symmetric A (a pair differing by more than
// 1e-8 s) ends the run. Returns false, after a warning and with lambda unwritten, when
// n*n*1000 rotations do not bring every off-diagonal term below 1e-12 s (or a term is
// not a finite number).
bool eigjacobi(double** A, int n, double* lambda, double** V, int* nrot, double* offmax);

// ---- text tokenizer ----------------------------------------------------------------------
// Words are runs of characters other than the delimiters tab, blank, CR and LF; '#' after
// a delimiter skips the rest of the line; every character of a word must be printable
// (codes 32..126). End of file anywhere, also right after the last word, is fatal: every
// word must be followed by a delimiter.
//
// Per stream the caller keeps one int line counter, set to 1 before the first read, and
// passes its address as `line`; the tokenizer adds 1 at every line feed it reads. Each
// reader stores in *wordline the line on which the word just read lies (a word ended by
// a line feed lies on the line before the counter). Error messages name *wordline.
// The number and keyword readers use their own buffer of 1000 characters; readword
// fills the caller's buffer of max characters (words of at most max - 1 characters).
// Every failure writes its message to the error stream and ends the run with status 1.
char* readword(char* word, int max, FILE* stream, int* line, int* wordline);
double readreal(FILE* stream, int* line, int* wordline);     // finite doubles only
int readint(FILE* stream, int* line, int* wordline);         // at most 11 characters, int range
int readintge1(FILE* stream, int* line, int* wordline);      // readint, value >= 1
int readintge0(FILE* stream, int* line, int* wordline);      // readint, value >= 0
char readcharword(FILE* stream, int* line, int* wordline);   // a word of exactly one character
void expectchar(FILE* stream, int* line, int* wordline, int c);
void expectword(FILE* stream, int* line, int* wordline, const char* expected);
// Names the file the tokenizer reads in its fatal messages ("Reading file: name"), until
// called again with null.
void SetTokenizerFile(const char* name);
int getcnoeof(FILE* stream);  // next character (0..255); end of file is fatal

// Syntax automata: ok = verdict; badpos = 0 when valid, else the 1-based position of the
// first offending character, or the trimmed length + 1 when the text ended too early.
// Leading and trailing blanks are ignored.
void checkreal(const char* s, bool* ok, int* badpos);
void checkint(const char* s, bool* ok, int* badpos);
void checkprint(const char* s, int line);  // fatal "Bad" character report with a caret
bool isblankc(int c);
bool isprintc(int c);
int lentrim(const char* s);   // length without trailing blanks
void maskbadchars(char* s);   // non-printable characters -> '?'
void elimnl(char* s);         // removes the LF (or CR LF) ending a line read with its end

// ---- console input and clocks --------------------------------------------------------------
// One line of standard input into s (at most max - 1 characters kept, the rest of the
// line dropped; the line end is not stored). Returns false, with s empty, when the input
// has ended before any character of the line.
bool readstdline(char* s, int max);
// readstdline with max 80 (s holds 80 characters), then leading blanks dropped and the
// text cut at its first blank. Same result as readstdline.
bool readtrimline(char* s);
// Prompts "Job name ? " until a non-empty name of letters, digits and $ . / : \ _ is
// typed; job (80 characters) receives it. End of input is fatal.
void askjobname(char* job);
// wall: seconds of a monotonic clock (sub-millisecond resolution; only differences of two
// readings mean anything); cpu: processor time of the process in seconds.
void gettimes(double* wall, double* cpu);

// ---- prints ------------------------------------------------------------------------------
// Text print of the n x m matrix A or the vector x of n entries to fp.
// szType "Single" (or "") one entry per line, "Table" rows as lines, "CSV";
// szNumbers "Numbers" (or "") / "NoNumbers"; szSemicolons "Semicolons" / "NoSemicolons"
// (or ""); chEF 'e', 'f', 'E' or 'F'. Other options end the run. indent is clamped to
// 1..90, width to 2..90, precision to 0..90. Nothing is printed when a size is below 1.
void printd2(double** A, int n, int m, FILE* fp, const char* szType, const char* szNumbers,
             const char* szSemicolons, int indent, char chEF, int width, int precision);
void printd1(double* x, int n, FILE* fp, const char* szType, const char* szNumbers, const char* szSemicolons,
             int indent, char chEF, int width, int precision);
// Sparse row lists (row i: count[i] terms, columns col[i][k], values val[i][k]) to
// standard output, under a title line, one line per term and a dotted line per row.
void PrintSparseMat(int n, const char* title, const char* name, const int* count, int** col, double** val);
// A global vector in its free (nF) and prescribed (nP) parts to standard output, each
// under "\n<name> (Free):" and "\n<name> (Presc):".
void PrintFreePrescVector(const char* name, int nF, int nP, double* vF, double* vP);

// ---- profile store -----------------------------------------------------------------------
// Profile store (allocprofd2 / zeroprofd2 / freeprofd2 above): row i holds the columns
// i..last[i], addressed by absolute column, A[i][i] first. solveprofd2 overwrites b
// (in the store's own row order) with the solution of the system whose store U the
// Gaussian elimination has reduced in place: forward reduction with the multipliers
// U[i][j]/U[i][i], then back substitution, whose sum over row i adds term j into partial
// sum (j - i - 1) mod 8 and the eight sums pairwise ((s0 + s1) + (s2 + s3)) + ((s4 + s5) +
// (s6 + s7)), on every machine; every division is a product with the reciprocal pivot
// (that of the order record, profile.h). Every stored term is used. U is unchanged.
void solveprofd2(double** U, double* b, int n, const int* last);
