// Word tokenizer of the text inputs, number syntax automata, console input of the job
// name, and the clocks.
//
// A word is a run of non-delimiter characters; '#' starts a comment up to the line end;
// every character of a word must be printable. The caller owns the line counter of each
// stream (started at 1) and passes its address; the tokenizer advances it at every line
// feed it reads and reports the line of each word through wordline.
#include "numcore/numcore.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int kWordMax = 1000;  // buffer of the number and keyword readers

// The file being read, named ahead of a fatal input error (null: the caller names none).
const char* gTokenFile = nullptr;

void FileLine() {
  if (gTokenFile != nullptr) std::fprintf(stderr, "\nReading file: %s\n", gTokenFile);
}

// Fatal input error naming the line of the offending word:
// empty line, "ERROR:", message, "Line n. %d", empty line.
[[noreturn]] void LineFatal(const char* msg, int line) {
  std::fflush(stdout);
  FileLine();
  std::fprintf(stderr, "\nERROR:\n%s\nLine n. %d\n\n", msg, line);
  std::exit(1);
}

// Header of an input error followed by further lines: empty line, "ERROR:", message,
// "Line n. %d", empty line. The caller writes the rest and exits.
void LineFatalHead(const char* msg, int line) {
  std::fflush(stdout);
  FileLine();
  std::fprintf(stderr, "\nERROR:\n%s\nLine n. %d\n\n", msg, line);
}

void Blanks(int k) {
  for (int i = 0; i < k; i++) std::fputc(' ', stderr);
}

// Syntax error of a number: the input text and a caret under the offending character
// (badpos is 1-based; both texts before the word and before the blanks are 19 wide).
[[noreturn]] void NumberFatal(const char* msg, int line, const char* word, int badpos) {
  LineFatalHead(msg, line);
  std::fprintf(stderr, "Input data ........ %s\nWrong character ...", word);
  Blanks(badpos);
  std::fprintf(stderr, "^\n\n");
  std::exit(1);
}

// Printability check of the n characters of s (a NUL inside a word is caught too).
void CheckPrintN(const char* s, int n, int line) {
  int k = 0;
  while (k < n && isprintc(static_cast<unsigned char>(s[k]))) k++;
  if (k == n) return;
  LineFatalHead("\"Bad\" character found", line);
  std::fprintf(stderr, "Input data ........ ");
  for (int i = 0; i < n; i++) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::fputc(isprintc(c) ? c : '?', stderr);
  }
  std::fprintf(stderr, "\n\"Bad\" character ... ");
  Blanks(k);
  std::fprintf(stderr, "^\n\nASCII code of the \"bad\" character = %u\n\n",
               static_cast<unsigned>(static_cast<unsigned char>(s[k])));
  std::exit(1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSign(char c) { return c == '+' || c == '-'; }

bool IsJobNameChar(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '.' ||
         c == '/' || c == ':' || c == '\\' || c == '_';
}

// Position (1-based) of the digit at which a valid integer word leaves the int range,
// or 0 when it fits.
int IntOverflowPos(const char* s) {
  int i = 0;
  while (s[i] == ' ') i++;
  const bool neg = s[i] == '-';
  if (IsSign(s[i])) i++;
  const long long bound = neg ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long v = 0;
  for (; IsDigit(s[i]); i++) {
    v = 10 * v + (s[i] - '0');
    if (v > bound) return i + 1;
  }
  return 0;
}

}  // namespace

bool isblankc(int c) { return c == 9 || c == 32 || c == 13 || c == 10; }
bool isprintc(int c) { return c >= 32 && c <= 126; }

int lentrim(const char* s) {
  int n = static_cast<int>(std::strlen(s));
  while (n > 0 && s[n - 1] == ' ') n--;
  return n;
}

void maskbadchars(char* s) {
  for (; *s != '\0'; s++)
    if (!isprintc(static_cast<unsigned char>(*s))) *s = '?';
}

void checkprint(const char* s, int line) { CheckPrintN(s, static_cast<int>(std::strlen(s)), line); }

int getcnoeof(FILE* stream) {
  const int c = std::getc(stream);
  if (c == EOF) {
    std::fflush(stdout);
    FileLine();
    errexit("Unexpected end of file", 0);
  }
  return c;
}

char* readword(char* word, int max, FILE* stream, int* line, int* wordline) {
  if (max < 3) errexit("Max. n. of characters in the string must be > 2", 0);
  int len = 0;
  for (;;) {
    int c = getcnoeof(stream);
    if (c == '#') {
      if (len > 0) LineFatal("'#' must be preceeded by a delimiter", *line);
      while (c != '\n') c = getcnoeof(stream);
    }
    if (c == '\n') {
      (*line)++;
      if (len > 0) {
        *wordline = *line - 1;
        break;
      }
      continue;
    }
    if (isblankc(c)) {
      if (len > 0) {
        *wordline = *line;
        break;
      }
      continue;
    }
    word[len++] = static_cast<char>(c);
    if (len >= max) {
      char msg[64];
      std::snprintf(msg, sizeof msg, "Word too long (max. = %d characters)", max);
      LineFatal(msg, *line);
    }
  }
  word[len] = '\0';
  CheckPrintN(word, len, *wordline);
  return word;
}

void checkint(const char* s, bool* ok, int* badpos) {
  const int n = lentrim(s);
  int i = 0;
  while (i < n && s[i] == ' ') i++;
  if (i < n && IsSign(s[i])) i++;
  int digits = 0;
  for (; i < n; i++) {
    if (!IsDigit(s[i])) {
      *ok = false;
      *badpos = i + 1;
      return;
    }
    digits++;
  }
  *ok = digits > 0;
  *badpos = digits > 0 ? 0 : n + 1;
}

void checkreal(const char* s, bool* ok, int* badpos) {
  enum { kMantissa, kExpLetter, kExpSign, kExpDigits } state = kMantissa;
  const int n = lentrim(s);
  int i = 0;
  while (i < n && s[i] == ' ') i++;
  bool sign = false, point = false;
  int mant = 0, exp = 0;
  for (; i < n; i++) {
    const char c = s[i];
    bool bad = false;
    switch (state) {
      case kMantissa:
        if (IsDigit(c)) {
          mant++;
        } else if (c == '.') {
          bad = point;
          point = true;
        } else if (IsSign(c)) {
          bad = sign || point || mant > 0;
          sign = true;
        } else if (c == 'e' || c == 'E') {
          bad = mant == 0;
          state = kExpLetter;
        } else {
          bad = true;
        }
        break;
      case kExpLetter:
        if (IsSign(c)) {
          state = kExpSign;
        } else if (IsDigit(c)) {
          exp = 1;
          state = kExpDigits;
        } else {
          bad = true;
        }
        break;
      case kExpSign:
      case kExpDigits:
        bad = !IsDigit(c) || ++exp > 3;
        state = kExpDigits;
        break;
    }
    if (bad) {
      *ok = false;
      *badpos = i + 1;
      return;
    }
  }
  *ok = state == kMantissa ? mant > 0 : exp > 0;
  *badpos = *ok ? 0 : n + 1;
}

double readreal(FILE* stream, int* line, int* wordline) {
  char word[kWordMax];
  readword(word, kWordMax, stream, line, wordline);
  bool ok;
  int badpos;
  checkreal(word, &ok, &badpos);
  if (!ok) NumberFatal("Invalid real number", *wordline, word, badpos);
  const double v = std::strtod(word, nullptr);
  if (!std::isfinite(v)) {
    // Out of the double range: point at the exponent letter, else at the first character.
    const char* e = std::strpbrk(word, "eE");
    NumberFatal("Invalid real number", *wordline, word, e != nullptr ? static_cast<int>(e - word) + 1 : 1);
  }
  return v;
}

int readint(FILE* stream, int* line, int* wordline) {
  char word[kWordMax];
  readword(word, kWordMax, stream, line, wordline);
  if (std::strlen(word) > 11) {
    LineFatalHead("Integer number has too many characters", *wordline);
    std::fprintf(stderr, "Input data ........ %s\n\n", word);
    std::exit(1);
  }
  bool ok;
  int badpos;
  checkint(word, &ok, &badpos);
  if (!ok) NumberFatal("Invalid integer number", *wordline, word, badpos);
  const int over = IntOverflowPos(word);
  if (over > 0) NumberFatal("Invalid integer number", *wordline, word, over);
  return static_cast<int>(std::strtol(word, nullptr, 10));
}

namespace {

// An integer word not below `least`; msg names the bound.
int ReadIntAtLeast(FILE* stream, int* line, int* wordline, int least, const char* msg) {
  const int v = readint(stream, line, wordline);
  if (v < least) {
    LineFatalHead(msg, *wordline);
    std::fprintf(stderr, "Input data: %d\n\n", v);
    std::exit(1);
  }
  return v;
}

}  // namespace

int readintge1(FILE* stream, int* line, int* wordline) {
  return ReadIntAtLeast(stream, line, wordline, 1, "Expecting an integer greater or equal to 1");
}

int readintge0(FILE* stream, int* line, int* wordline) {
  return ReadIntAtLeast(stream, line, wordline, 0, "Expecting an integer greater or equal to zero");
}

char readcharword(FILE* stream, int* line, int* wordline) {
  char word[kWordMax];
  readword(word, kWordMax, stream, line, wordline);
  if (std::strlen(word) != 1) {
    LineFatalHead("Single character expected", *wordline);
    std::fprintf(stderr, "Input data ........ %s\n\n", word);
    std::exit(1);
  }
  return word[0];
}

void expectchar(FILE* stream, int* line, int* wordline, int c) {
  const char got = readcharword(stream, line, wordline);
  if (got != c) {
    char msg[64];
    std::snprintf(msg, sizeof msg, "Expecting the following character: %c", c);
    LineFatalHead(msg, *wordline);
    std::fprintf(stderr, "Input data: %c\n\n", got);
    std::exit(1);
  }
}

void expectword(FILE* stream, int* line, int* wordline, const char* expected) {
  char word[kWordMax];
  readword(word, kWordMax, stream, line, wordline);
  if (std::strcmp(word, expected) != 0) {
    std::fflush(stdout);
    FileLine();
    std::fprintf(stderr, "\nERROR:\nExpecting the following word: %s\nLine n. %d\n\nInput data: %s\n\n",
                 expected, *wordline, word);
    std::exit(1);
  }
}

void elimnl(char* s) {
  const size_t n = std::strlen(s);
  if (n == 0) return;
  if (s[n - 1] == '\r') errexit("elimnl: internal error 1 (CR in the string)", 0);
  if (s[n - 1] != '\n') errexit("elimnl: internal error 2 (LF expected)", 0);
  s[n - 1] = '\0';
  if (n > 1 && s[n - 2] == '\r') s[n - 2] = '\0';
}

bool readstdline(char* s, int max) {
  if (max < 1) interror(__FILE__, __LINE__);
  int len = 0;
  int c = std::getchar();
  if (c == EOF) {
    s[0] = '\0';
    return false;
  }
  if (c != '\r') {
    while (c != EOF && c != '\n' && c != '\r') {
      if (len < max - 1) s[len++] = static_cast<char>(c);
      c = std::getchar();
    }
  }
  s[len] = '\0';
  return true;
}

bool readtrimline(char* s) {
  const bool got = readstdline(s, 80);
  int k = 0;
  while (s[k] == ' ') k++;
  if (k > 0) std::memmove(s, s + k, std::strlen(s + k) + 1);
  char* blank = std::strchr(s, ' ');
  if (blank != nullptr) *blank = '\0';
  return got;
}

void askjobname(char* job) {
  char answer[80];
  for (;;) {
    std::printf("\nJob name ? ");
    std::fflush(stdout);
    // End of input: no answer can come any more, so asking again would loop for ever.
    if (!readtrimline(answer)) errexit("Unexpected end of file", 0);
    std::printf("You answered: %s\n", answer);
    bool valid = answer[0] != '\0';
    for (const char* p = answer; *p != '\0'; p++)
      if (!IsJobNameChar(*p)) valid = false;
    if (valid) break;
    std::printf("\nERROR: repeat answer ...\n");
  }
  std::strcpy(job, answer);
}

// Wall-clock seconds from the monotonic clock (sub-millisecond resolution, never set
// back), so that the difference of two readings is the elapsed time of a step.
void gettimes(double* wall, double* cpu) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  *wall = std::chrono::duration<double>(now).count();
  *cpu = static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

void SetTokenizerFile(const char* name) { gTokenFile = name; }
