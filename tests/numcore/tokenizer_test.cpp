#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "numcore/numcore.h"
#include "support/process.h"

namespace {

// A readable stream holding exactly text.
FILE* Stream(const std::string& text) {
  FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

struct Syntax {
  const char* text;
  bool ok;
  int badpos;
};

}  // namespace

TEST(Tokenizer, RealSyntaxTable) {
  const Syntax cases[] = {
      {"5", true, 0},        {"-5.", true, 0},      {".5", true, 0},        {"+0.25", true, 0},
      {"1e5", true, 0},      {"1.e-05", true, 0},   {"2.5E+300", true, 0},  {"  -7.5e1  ", true, 0},
      {"1e+123", true, 0},   {".", false, 2},       {"+", false, 2},        {"", false, 1},
      {"1.2.3", false, 4},   {"1 2", false, 2},     {"e5", false, 1},       {"1e", false, 3},
      {"1e+", false, 4},     {"1e1234", false, 6},  {"1e+1234", false, 7},  {"1.5e2.0", false, 6},
      {"1e5e1", false, 4},   {"1e+-5", false, 4},   {"1e+x", false, 4},     {"1+e5", false, 2},
      {"+-1", false, 2},     {"1-", false, 2},      {".e5", false, 2},      {"-e5", false, 2},
      {"1.0e", false, 5},    {"1,5", false, 2},     {"0x10", false, 2},     {"inf", false, 1},
  };
  for (const Syntax& c : cases) {
    bool ok = !c.ok;
    int badpos = -1;
    checkreal(c.text, &ok, &badpos);
    EXPECT_EQ(ok, c.ok) << "'" << c.text << "'";
    EXPECT_EQ(badpos, c.badpos) << "'" << c.text << "'";
  }
}

TEST(Tokenizer, IntSyntaxTable) {
  const Syntax cases[] = {
      {"0", true, 0},    {"-12", true, 0}, {"+7", true, 0},  {"  3 ", true, 0}, {"12a", false, 3},
      {"+", false, 2},   {"", false, 1},   {"1-", false, 2}, {"--1", false, 2}, {"1.0", false, 2},
      {"a", false, 1},   {"1 2", false, 2}, {"1e3", false, 2},
  };
  for (const Syntax& c : cases) {
    bool ok = !c.ok;
    int badpos = -1;
    checkint(c.text, &ok, &badpos);
    EXPECT_EQ(ok, c.ok) << "'" << c.text << "'";
    EXPECT_EQ(badpos, c.badpos) << "'" << c.text << "'";
  }
}

TEST(Tokenizer, WordsLinesAndComments) {
  FILE* f = Stream("KEY=_Y;\n# a comment line\n  KEY = _Y ;   # trailing comment\n\tlast\n");
  int line = 1, wl = 0;
  char w[512];
  EXPECT_STREQ(readword(w, 512, f, &line, &wl), "KEY=_Y;");
  EXPECT_EQ(wl, 1);
  EXPECT_EQ(line, 2);  // the word was ended by the line feed of line 1
  const char* four[] = {"KEY", "=", "_Y", ";"};
  for (const char* want : four) {
    EXPECT_STREQ(readword(w, 512, f, &line, &wl), want);
    EXPECT_EQ(wl, 3);
  }
  EXPECT_EQ(line, 3);
  EXPECT_STREQ(readword(w, 512, f, &line, &wl), "last");
  EXPECT_EQ(wl, 4);
  EXPECT_EQ(line, 5);
  std::fclose(f);
}

TEST(Tokenizer, NumberAndKeywordReaders) {
  FILE* f = Stream("3.5e2 -2147483648 2147483647 1e-310 1 0 x = <OUTPUT_CONTROL>\n");
  int line = 1, wl;
  EXPECT_EQ(readreal(f, &line, &wl), 350.0);
  EXPECT_EQ(readint(f, &line, &wl), -2147483647 - 1);
  EXPECT_EQ(readint(f, &line, &wl), 2147483647);
  EXPECT_GT(readreal(f, &line, &wl), 0.0);  // a subnormal is finite and accepted
  EXPECT_EQ(readintge1(f, &line, &wl), 1);
  EXPECT_EQ(readintge0(f, &line, &wl), 0);
  EXPECT_EQ(readcharword(f, &line, &wl), 'x');
  expectchar(f, &line, &wl, '=');
  expectword(f, &line, &wl, "<OUTPUT_CONTROL>");
  EXPECT_EQ(line, 2);
  std::fclose(f);
}

TEST(Tokenizer, LineHelpers) {
  char a[] = "abc\r\n", b[] = "abc\n", c[] = "", d[] = "\n";
  elimnl(a);
  elimnl(b);
  elimnl(c);
  elimnl(d);
  EXPECT_STREQ(a, "abc");
  EXPECT_STREQ(b, "abc");
  EXPECT_STREQ(c, "");
  EXPECT_STREQ(d, "");
  char m[] = "a\tb\x7f" "c";
  maskbadchars(m);
  EXPECT_STREQ(m, "a?b?c");
  EXPECT_EQ(lentrim("ab  "), 2);
  EXPECT_EQ(lentrim("   "), 0);
  EXPECT_TRUE(isblankc('\t') && isblankc(' ') && isblankc('\r') && isblankc('\n'));
  EXPECT_FALSE(isblankc('\v'));
  EXPECT_TRUE(isprintc(32) && isprintc(126));
  EXPECT_FALSE(isprintc(31) || isprintc(127) || isprintc(200));
}

// Runs a reader on text and returns nothing: for death tests.
static void ReadAll(const char* text, int kind) {
  FILE* f = Stream(text);
  int line = 1, wl;
  char w[16];
  for (;;) switch (kind) {
      case 0: readword(w, 16, f, &line, &wl); break;
      case 1: readreal(f, &line, &wl); break;
      case 2: readint(f, &line, &wl); break;
      case 3: readintge1(f, &line, &wl); break;
      case 4: readintge0(f, &line, &wl); break;
      case 5: readcharword(f, &line, &wl); break;
      case 6: expectchar(f, &line, &wl, '='); break;
      case 7: expectword(f, &line, &wl, "<END>"); break;
      default: std::abort();
    }
}

// One word of at most max - 1 characters from text.
static void ReadWith(int max, const std::string& text) {
  FILE* f = Stream(text);
  int line = 1, wl;
  char w[16];
  readword(w, max, f, &line, &wl);
  std::fclose(f);
}

TEST(TokenizerDeath, WordErrors) {
  EXPECT_EXIT(ReadAll("abc#x\n", 0), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\n'#' must be preceeded by a delimiter\nLine n. 1\n\n"));
  EXPECT_EXIT(ReadAll("a\n\nlast", 0), testing::ExitedWithCode(1), StderrIs("\nERROR:\nUnexpected end of file\n\n"));
  EXPECT_EXIT(ReadAll("a # comment without end", 0), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nUnexpected end of file\n\n"));
  EXPECT_EXIT(ReadAll("\n\n0123456789abcdef\n", 0), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nWord too long (max. = 16 characters)\nLine n. 3\n\n"));
  EXPECT_EXIT(ReadWith(2, "ab "), testing::ExitedWithCode(1), StderrIs("\nERROR:\nMax. n. of characters in the string must be > 2\n\n"));
}

TEST(TokenizerDeath, BadCharacterReport) {
  EXPECT_EXIT(ReadAll("ok\nab\xc8z\n", 0), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\n\"Bad\" character found\nLine n. 2\n\n"
                       "Input data ........ ab?z\n"
                       "\"Bad\" character ...   ^\n\n"
                       "ASCII code of the \"bad\" character = 200\n\n"));
  // A NUL byte inside a word must not cut the word short unnoticed.
  EXPECT_EXIT(ReadWith(16, std::string("_Y\0junk ;\n", 10)), testing::ExitedWithCode(1),
      StderrIs("\nERROR:\n\"Bad\" character found\nLine n. 1\n\n"
               "Input data ........ _Y?junk\n"
               "\"Bad\" character ...   ^\n\n"
               "ASCII code of the \"bad\" character = 0\n\n"));
  EXPECT_EXIT(checkprint("a\x01", 9), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\n\"Bad\" character found\nLine n. 9\n\n"
                       "Input data ........ a?\n"
                       "\"Bad\" character ...  ^\n\n"
                       "ASCII code of the \"bad\" character = 1\n\n"));
}

TEST(TokenizerDeath, NumberErrors) {
  EXPECT_EXIT(ReadAll("\n123456789012\n", 2), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInteger number has too many characters\nLine n. 2\n\n"
                       "Input data ........ 123456789012\n\n"));
  EXPECT_EXIT(ReadAll("12a\n", 2), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInvalid integer number\nLine n. 1\n\n"
                       "Input data ........ 12a\n"
                       "Wrong character ...   ^\n\n"));
  EXPECT_EXIT(ReadAll("1.0e\n", 1), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInvalid real number\nLine n. 1\n\n"
                       "Input data ........ 1.0e\n"
                       "Wrong character ...     ^\n\n"));
  // Out of range: int overflow points at the digit that leaves the range, an infinite
  // real at its exponent letter.
  EXPECT_EXIT(ReadAll("99999999999\n", 2), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInvalid integer number\nLine n. 1\n\n"
                       "Input data ........ 99999999999\n"
                       "Wrong character ...          ^\n\n"));
  EXPECT_EXIT(ReadAll("-2147483649\n", 2), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInvalid integer number\nLine n. 1\n\n"
                       "Input data ........ -2147483649\n"
                       "Wrong character ...           ^\n\n"));
  EXPECT_EXIT(ReadAll("-1.5e999\n", 1), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInvalid real number\nLine n. 1\n\n"
                       "Input data ........ -1.5e999\n"
                       "Wrong character ...     ^\n\n"));
}

TEST(TokenizerDeath, ExpectationErrors) {
  EXPECT_EXIT(ReadAll("0\n", 3), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nExpecting an integer greater or equal to 1\nLine n. 1\n\nInput data: 0\n\n"));
  EXPECT_EXIT(ReadAll("\n-1\n", 4), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nExpecting an integer greater or equal to zero\nLine n. 2\n\nInput data: -1\n\n"));
  EXPECT_EXIT(ReadAll("=;\n", 5), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nSingle character expected\nLine n. 1\n\nInput data ........ =;\n\n"));
  EXPECT_EXIT(ReadAll("; =\n", 6), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nExpecting the following character: =\nLine n. 1\n\nInput data: ;\n\n"));
  EXPECT_EXIT(ReadAll("<end>\n", 7), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nExpecting the following word: <END>\nLine n. 1\n\nInput data: <end>\n\n"));
  EXPECT_EXIT(elimnl(const_cast<char*>(std::string("ab\r").data())), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nelimnl: internal error 1 (CR in the string)\n\n"));
  EXPECT_EXIT(elimnl(const_cast<char*>(std::string("ab").data())), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nelimnl: internal error 2 (LF expected)\n\n"));
}

namespace {

char g_job[80];

void AskJob() {
  askjobname(g_job);
  std::fprintf(stderr, "job=[%s]", g_job);
}

void ReadLines() {
  char s[8];
  while (readstdline(s, 8)) std::printf("[%s]", s);
  std::printf("<eof>");
}

}  // namespace

TEST(Console, AskJobNameTakesFirstWord) {
  const ChildResult r = RunChild("   job1 extra\n", AskJob);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "job=[job1]");
  EXPECT_EQ(r.out, "\nJob name ? You answered: job1\n");
}

TEST(Console, AskJobNameRefusesAndAsksAgain) {
  const ChildResult r = RunChild("a-b\n\nC:\\dir/$x_1.v2\n", AskJob);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "job=[C:\\dir/$x_1.v2]");
  EXPECT_EQ(r.out,
            "\nJob name ? You answered: a-b\n\nERROR: repeat answer ...\n"
            "\nJob name ? You answered: \n\nERROR: repeat answer ...\n"
            "\nJob name ? You answered: C:\\dir/$x_1.v2\n");
}

TEST(Console, AskJobNameEndOfInputIsFatal) {
  const ChildResult r = RunChild("a-b\n", AskJob);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "\nERROR:\nUnexpected end of file\n\n");
  EXPECT_EQ(r.out, "\nJob name ? You answered: a-b\n\nERROR: repeat answer ...\n\nJob name ? ");
  // A last line without its line feed still counts as an answer.
  const ChildResult last = RunChild("job2", AskJob);
  EXPECT_EQ(last.status, 0);
  EXPECT_EQ(last.err, "job=[job2]");
}

TEST(Console, ReadStdLine) {
  // Long lines keep max - 1 characters; CR ends a line; a leading CR gives an empty line
  // at once (its LF then ends the next, empty, line).
  const ChildResult r = RunChild("0123456789\nab\rcd\n\r\nlast", ReadLines);
  EXPECT_EQ(r.out, "[0123456][ab][cd][][][last]<eof>");
}

TEST(Clock, ProcessorTimeInSeconds) {
  double w0, c0, w1, c1;
  gettimes(&w0, &c0);
  // Burn processor time until the clock has advanced by a twentieth of a second.
  const std::clock_t start = std::clock();
  volatile double sink = 0.0;
  while (std::clock() - start < CLOCKS_PER_SEC / 20) sink = sink + 1.0;
  gettimes(&w1, &c1);
  EXPECT_GE(c1 - c0, 0.05);
  EXPECT_LT(c1 - c0, 5.0);  // a count divided by 1000 instead of CLOCKS_PER_SEC gives 50
  EXPECT_GE(w1, w0);
}

// The wall-clock reading resolves well below a millisecond: two readings 2 ms apart differ
// by a little more than 2 ms, not by a whole second as with a calendar clock.
TEST(Clock, WallTimeBelowAMillisecond) {
  double w0, c0, w1, c1;
  gettimes(&w0, &c0);
  do gettimes(&w1, &c1);
  while (w1 - w0 < 0.002 && w1 - w0 >= 0.0);
  EXPECT_GE(w1 - w0, 0.002);
  EXPECT_LT(w1 - w0, 0.5);
}
