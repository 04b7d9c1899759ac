// Integration rules: Gauss-Legendre (1..10 points) and Gauss-Lobatto (2..10 points) on
// [-1, 1], the triangle rules of 1, 3, 4 and 6 points, and their checked lookups.
#include <cstdio>

#include "elements/kernel.h"
#include "elements/point_rules.h"
#include "numcore/numcore.h"

namespace {

// Non-negative half of each rule, from the middle outwards (abscissa, weight); the
// negative abscissae mirror them with equal weights.
struct HalfRule {
  int n;
  int m;  // entries of the half
  double a[6];
  double w[6];
};

constexpr HalfRule kGaussLegendre[10] = {
    {1, 1, {0.0}, {2.0}},
    {2, 1, {0.577350269189626}, {1.0}},
    {3, 2, {0.0, 0.774596669241483}, {0.888888888888889, 0.555555555555556}},
    {4, 2, {0.339981043584856, 0.861136311594053}, {0.652145154862546, 0.347854845137454}},
    {5, 3, {0.0, 0.538469310105683, 0.906179845938664}, {0.568888888888889, 0.478628670499366, 0.236926885056189}},
    {6, 3,
     {0.238619186083197, 0.661209386466265, 0.932469514203152},
     {0.467913934572691, 0.360761573048139, 0.171324492379170}},
    {7, 4,
     {0.0, 0.405845151377397, 0.741531185599394, 0.949107912342759},
     {0.417959183673469, 0.381830050505119, 0.279705391489277, 0.129484966168870}},
    {8, 4,
     {0.183434642495650, 0.525532409916329, 0.796666477413627, 0.960289856497536},
     {0.362683783378362, 0.313706645877887, 0.222381034453374, 0.101228536290376}},
    {9, 5,
     {0.0, 0.324253423403809, 0.613371432700590, 0.836031107326636, 0.968160239507626},
     {0.330239355001260, 0.312347077040003, 0.260610696402935, 0.180648160694857, 0.0812743883615744}},
    {10, 5,
     {0.148874338981631, 0.433395394129247, 0.679409568299024, 0.865063366688985, 0.973906528517172},
     {0.295524224714753, 0.269266719309996, 0.219086362515982, 0.149451349150581, 0.0666713443086881}},
};

constexpr HalfRule kGaussLobatto[9] = {
    {2, 1,
     {1.0},
     {1.0}},
    {3, 2,
     {0.0, 1.0},
     {1.3333333333333333, 0.33333333333333331}},
    {4, 2,
     {0.44721359549995793, 1.0},
     {0.83333333333333337, 0.16666666666666666}},
    {5, 3,
     {0.0, 0.6546536707079772, 1.0},
     {0.71111111111111114, 0.5444444444444444, 0.10000000000000001}},
    {6, 3,
     {0.2852315164806451, 0.76505532392946474, 1.0},
     {0.55485837703548635, 0.378474956297847, 0.066666666666666666}},
    {7, 4,
     {0.0, 0.46884879347071423, 0.83022389627856696, 1.0},
     {0.48761904761904762, 0.43174538120986261, 0.27682604736156596, 0.047619047619047616}},
    {8, 4,
     {0.20929921790247888, 0.59170018143314229, 0.87174014850960657, 1.0},
     {0.41245879465870389, 0.34112269248350435, 0.21070422714350603, 0.035714285714285712}},
    {9, 5,
     {0.0, 0.36311746382617816, 0.67718627951073773, 0.89975799541146018, 1.0},
     {0.37151927437641724, 0.34642851097304633, 0.27453871250016171, 0.16549536156080552, 0.027777777777777776}},
    {10, 5,
     {0.16527895766638703, 0.47792494981044448, 0.73877386510550502, 0.91953390816645886, 1.0},
     {0.32753976118389744, 0.29204268367968378, 0.22488934206312644, 0.13330599085107012, 0.022222222222222223}},
};

// Points numbered from the most negative abscissa to the most positive.
constexpr void Unfold(IntegrationRules& t, int type, const HalfRule& h) {
  const int n = h.n;
  for (int j = 0; j < h.m; j++) {
    const int odd = n % 2;
    // Half entry j sits at positions mid + j (positive side) and mid - j (negative side).
    const int up = odd ? (n + 1) / 2 + j : n / 2 + 1 + j;
    const int down = n + 1 - up;
    t.abscissa[type][n][down] = -h.a[j];
    t.weight[type][n][down] = h.w[j];
    t.abscissa[type][n][up] = h.a[j];  // the middle point (up == down) keeps +0.0
    t.weight[type][n][up] = h.w[j];
  }
}

constexpr IntegrationRules BuildTable() {
  IntegrationRules t{};
  for (const HalfRule& h : kGaussLegendre) Unfold(t, kIntGLEG, h);
  for (const HalfRule& h : kGaussLobatto) Unfold(t, kIntGLOB, h);
  const int g = kIntGLEG;
  t.triS1[g][1][1] = 1.0 / 3.0; t.triS2[g][1][1] = 1.0 / 3.0; t.triWeight[g][1][1] = 0.5;
  const double s3[4][2] = {{0, 0}, {1.0 / 6.0, 1.0 / 6.0}, {2.0 / 3.0, 1.0 / 6.0}, {1.0 / 6.0, 2.0 / 3.0}};
  for (int i = 1; i <= 3; i++) {
    t.triS1[g][3][i] = s3[i][0]; t.triS2[g][3][i] = s3[i][1]; t.triWeight[g][3][i] = 1.0 / 6.0;
  }
  const double s4[5][2] = {{0, 0}, {1.0 / 3.0, 1.0 / 3.0}, {0.2, 0.2}, {0.6, 0.2}, {0.2, 0.6}};
  for (int i = 1; i <= 4; i++) {
    t.triS1[g][4][i] = s4[i][0]; t.triS2[g][4][i] = s4[i][1];
    t.triWeight[g][4][i] = i == 1 ? -0.28125 : 0.2604166666666667;
  }
  const double a = 0.0915762135, b = 0.816847573, c = 0.4459484909, d = 0.1081030182;
  const double s6[7][2] = {{0, 0}, {a, a}, {b, a}, {a, b}, {c, c}, {d, c}, {c, d}};
  for (int i = 1; i <= 6; i++) {
    t.triS1[g][6][i] = s6[i][0]; t.triS2[g][6][i] = s6[i][1];
    t.triWeight[g][6][i] = i <= 3 ? 0.05497587185 : 0.11169079485;
  }
  return t;
}

const char* IntTypeKeyword(int type) {
  switch (type) {
    case kIntGLEG: return "_GLEG";
    case kIntGLOB: return "_GLOB";
    case kIntNCOTES: return "_NCOTES";
    default: return "(unknown)";
  }
}

[[noreturn]] void RefuseRule(int elem, int intType, int intPattern, int nPoints, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Selecting the integration rule of element n. %d\n", elem);
  std::fprintf(stderr, "   -> Integration pattern: %d\n", intPattern);
  std::fprintf(stderr, "   -> Integration type: %s (%d)\n", IntTypeKeyword(intType), intType);
  std::fprintf(stderr, "   -> Number of points: %d\n", nPoints);
  errexit(msg, 0);
}

}  // namespace

constinit const IntegrationRules IntegrationRuleTable = BuildTable();

void GetLineIntegrationRule(int elem, int intType, int intPattern, int nPoints, const double** a,
                            const double** w) {
  if (intType != kIntGLEG && intType != kIntGLOB)
    RefuseRule(elem, intType, intPattern, nPoints, "Invalid integration type.\nIntegration type must be _GLEG or _GLOB.");
  const int lo = intType == kIntGLEG ? 1 : 2;
  if (nPoints < lo || nPoints > 10)
    RefuseRule(elem, intType, intPattern, nPoints,
               "Invalid number of integration points.\n"
               "_GLEG rules have 1 to 10 points and _GLOB rules 2 to 10 points.");
  *a = IntegrationRuleTable.abscissa[intType][nPoints];
  *w = IntegrationRuleTable.weight[intType][nPoints];
}

TensorRule ElementTensorRule(int elem, const ElementProperty& p, int dim, const int* c) {
  TensorRule r{dim, {0, 0, 0, 0}, {nullptr, nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
  for (int d = 1; d <= dim; d++) {
    r.c[d] = c[d];
    GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[d], &r.a[d], &r.w[d]);
  }
  return r;
}

void GetTriangIntegrationRule(int elem, int intType, int intPattern, int nPoints, const double** s1,
                              const double** s2, const double** w) {
  if (intType != kIntGLEG)
    RefuseRule(elem, intType, intPattern, nPoints,
               "Invalid integration type.\nTriangle integration type must be _GLEG.");
  if (nPoints != 1 && nPoints != 3 && nPoints != 4 && nPoints != 6)
    RefuseRule(elem, intType, intPattern, nPoints,
               "Invalid number of integration points.\nTriangle rules have 1, 3, 4 or 6 points.");
  *s1 = IntegrationRuleTable.triS1[intType][nPoints];
  *s2 = IntegrationRuleTable.triS2[intType][nPoints];
  *w = IntegrationRuleTable.triWeight[intType][nPoints];
}

void CheckIntegrationPatternComplete(int nDirs, int c1, int c2, int c3) {
  switch (nDirs) {
    case 1:
      if (c1 == 0) errexit("Integration pattern is incomplete.\nThe parameter _G_S1_k is missing.", 0);
      return;
    case 2:
      if (c1 == 0 || c2 == 0)
        errexit("Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing.", 0);
      return;
    case 3:
      if (c1 == 0 || c2 == 0 || c3 == 0)
        errexit("Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing.", 0);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

int CalcIntegrationPointsQuad(int elem, int intType, int intPattern, int c1, int c2, double** S, double* W) {
  if (intPattern == 0) c1 = c2 = 2;
  const double *a1, *w1, *a2, *w2;
  GetLineIntegrationRule(elem, intType, intPattern, c1, &a1, &w1);
  GetLineIntegrationRule(elem, intType, intPattern, c2, &a2, &w2);
  int k = 0;
  for (int i = 1; i <= c1; i++)
    for (int j = 1; j <= c2; j++) {
      k++;
      S[k][1] = a1[i];
      S[k][2] = a2[j];
      W[k] = w2[j] * w1[i];
    }
  return k;
}

namespace {

// A needed count of the pattern is 0: context line, the pattern's name, then the message
// of CheckIntegrationPatternComplete (or the triangle's own).
void ReportIncompletePattern(int elem, const char* context, const NumericalIntegration& r) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, context, elem);
  std::fprintf(stderr, "   -> Specified integration name: %s\n", r.Name);
}

}  // namespace

void CalcElemIntegrationCounts(int elem, const char* context, int nDirs, int defaultCount, int property,
                               const NumericalIntegration* integrations, const ElementProperty* props, int* counts) {
  if (nDirs < 1 || nDirs > 3) InternalError(__FILE__, __LINE__);
  const int pattern = props[property].IntegrationNumber;
  if (pattern == 0) {
    for (int d = 1; d <= nDirs; d++) counts[d] = defaultCount;
    return;
  }
  const NumericalIntegration& r = integrations[pattern];
  const int c[4] = {0, Integ_G_S1(r), Integ_G_S2(r), Integ_G_S3(r)};
  for (int d = 1; d <= nDirs; d++) {
    if (c[d] == 0) {
      ReportIncompletePattern(elem, context, r);
      CheckIntegrationPatternComplete(nDirs, c[1], c[2], c[3]);
      InternalError(__FILE__, __LINE__);  // the check above has stopped the run
    }
    counts[d] = c[d];
  }
}

int CalcElemTriangIntegrationPoints(int elem, const char* context, int defaultCount, int property,
                                    const NumericalIntegration* integrations, const ElementProperty* props) {
  const int pattern = props[property].IntegrationNumber;
  if (pattern == 0) return defaultCount;
  const NumericalIntegration& r = integrations[pattern];
  const int n = IntegTrianglePoints(r);
  if (n == 0) {
    ReportIncompletePattern(elem, context, r);
    errexit("Integration pattern is incomplete.\nThe number of points of the triangle rule is missing.", 0);
  }
  return n;
}
