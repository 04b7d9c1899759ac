#include <cmath>
#include <set>

#include "elements/kernel.h"
#include "test_util.h"

namespace {

// Natural coordinates of the nodes, from the node table of each shape.
const double kQ[10][2] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
const double kQ4[5][2] = {{0, 0}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
const double kH8[9][3] = {{0, 0, 0},  {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                          {-1, -1, 1}, {1, -1, 1},   {1, 1, 1},   {-1, 1, 1}};
const double kH20[21][3] = {{0, 0, 0},   {-1, -1, -1}, {0, -1, -1}, {1, -1, -1}, {1, 0, -1}, {1, 1, -1}, {0, 1, -1},
                            {-1, 1, -1}, {-1, 0, -1},  {-1, -1, 0}, {1, -1, 0},  {1, 1, 0},  {-1, 1, 0}, {-1, -1, 1},
                            {0, -1, 1},  {1, -1, 1},   {1, 0, 1},   {1, 1, 1},   {0, 1, 1},  {-1, 1, 1}, {-1, 0, 1}};

const double* HexNode(int n, int k) { return n == 8 ? kH8[k] : kH20[k]; }

// Face f of the reference hexahedron: coordinate index and value.
const int kFaceAxis[7] = {0, 2, 1, 0, 1, 0, 2};
const double kFaceValue[7] = {0, -1, -1, 1, 1, -1, 1};

// g1 x g2 of the bilinear surface through four corner points at its centre.
void CornerNormal(const double* p1, const double* p2, const double* p3, const double* p4, double* nrm) {
  double g1[3], g2[3];
  for (int j = 0; j < 3; j++) {
    g1[j] = (p2[j] + p3[j] - p1[j] - p4[j]) / 4.0;
    g2[j] = (p3[j] + p4[j] - p1[j] - p2[j]) / 4.0;
  }
  nrm[0] = g1[1] * g2[2] - g1[2] * g2[1];
  nrm[1] = g1[2] * g2[0] - g1[0] * g2[2];
  nrm[2] = g1[0] * g2[1] - g1[1] * g2[0];
}

}  // namespace

TEST(NodeTables, QuadEdgesLieOnTheirSideInIncreasingDirection) {
  // Edge e: fixed coordinate index and value, running coordinate.
  const int fixedAxis[5] = {0, 1, 0, 1, 0};
  const double fixedValue[5] = {0, -1, 1, 1, -1};
  for (int n : {4, 8, 9}) {
    for (int e = 1; e <= 4; e++) {
      int nodes[4];
      CalcNodeEdgeQuad(e, n, nodes);
      const int m = n == 4 ? 2 : 3;
      const int run = 1 - fixedAxis[e];
      double prev = -2.0;
      for (int i = 1; i <= m; i++) {
        const double* s = n == 4 ? kQ4[nodes[i]] : kQ[nodes[i]];
        EXPECT_EQ(s[fixedAxis[e]], fixedValue[e]) << "n " << n << " edge " << e;
        EXPECT_GT(s[run], prev);
        prev = s[run];
      }
      EXPECT_EQ(prev, 1.0);
    }
  }
}

TEST(NodeTables, QuadRenumberedFromEdge) {
  for (int n : {4, 8, 9}) {
    for (int e = 1; e <= 4; e++) {
      SCOPED_TRACE(testing::Message() << "n " << n << " edge " << e);
      int nodes[10], edge[4];
      double s1 = 0, s2 = 0;
      CalcNodeFaceEdgeQuad(e, n, &s1, &s2, nodes);
      CalcNodeEdgeQuad(e, n, edge);
      std::set<int> all(nodes + 1, nodes + n + 1);
      EXPECT_EQ(all.size(), static_cast<size_t>(n));
      const int m = n == 4 ? 2 : 3;
      EXPECT_EQ(std::set<int>(nodes + 1, nodes + m + 1), std::set<int>(edge + 1, edge + m + 1));
      // The renumbering is a relabelling of the square: node k of the new order sits at
      // A * (natural coordinates of node k), A a signed permutation.
      const double(*ref)[2] = n == 4 ? kQ4 : kQ;
      const int c1 = n == 4 ? 2 : 3, c4 = n == 4 ? 4 : 7;  // nodes at (1,-1) and (-1,1)
      const double* o = ref[nodes[1]];
      double A[2][2];
      for (int r = 0; r < 2; r++) {
        A[r][0] = (ref[nodes[c1]][r] - o[r]) / 2.0;
        A[r][1] = (ref[nodes[c4]][r] - o[r]) / 2.0;
      }
      for (int k = 1; k <= n; k++)
        for (int r = 0; r < 2; r++)
          EXPECT_EQ(ref[nodes[k]][r], A[r][0] * ref[k][0] + A[r][1] * ref[k][1]) << "node " << k;
      EXPECT_EQ(s1, A[0][0] * A[1][1] - A[0][1] * A[1][0]);  // orientation of the new order
      EXPECT_EQ(s2, A[0][1] + A[1][1]);                        // direction of the new s2
    }
  }
  int nodes[10];
  double s1 = 0, s2 = 0;
  CalcNodeFaceEdgeQuad(3, 9, &s1, &s2, nodes);
  const int want[10] = {0, 7, 6, 5, 4, 3, 2, 1, 8, 9};
  for (int k = 1; k <= 9; k++) EXPECT_EQ(nodes[k], want[k]);
  EXPECT_EQ(s1, -1.0);
  EXPECT_EQ(s2, -1.0);
}

TEST(NodeTables, HexaEdgesLieOnTheirEdge) {
  for (int n : {8, 20}) {
    for (int e = 1; e <= 12; e++) {
      int nodes[4];
      CalcNodeEdgeSolidHexa(e, n, nodes);
      const double* a = HexNode(n, nodes[1]);
      const double* b = HexNode(n, nodes[n == 8 ? 2 : 3]);
      int differ = 0;
      for (int j = 0; j < 3; j++) {
        differ += a[j] != b[j];
        EXPECT_EQ(std::fabs(a[j]), 1.0);
      }
      EXPECT_EQ(differ, 1) << "edge " << e;  // two corners of one edge
      if (n == 20) {
        for (int j = 0; j < 3; j++) EXPECT_EQ(HexNode(n, nodes[2])[j], (a[j] + b[j]) / 2.0) << "edge " << e;
      }
    }
  }
}

TEST(NodeTables, HexaFacesAndReversalFlags) {
  for (int f = 1; f <= 6; f++) {
    int q[5], p[9];
    unsigned char flag4 = 9, flag20 = 9;
    CalcNodeFaceSolidHexa(f, 8, &flag4, q);
    CalcNodeFaceSolidHexa(f, 20, &flag20, p);
    EXPECT_EQ(flag4, flag20);
    for (int i = 1; i <= 4; i++) EXPECT_EQ(kH8[q[i]][kFaceAxis[f]], kFaceValue[f]) << "face " << f;
    for (int i = 1; i <= 8; i++) EXPECT_EQ(kH20[p[i]][kFaceAxis[f]], kFaceValue[f]) << "face " << f;
    // The 20-node list is the 8-node face quadrilateral over the same corners.
    for (int i = 1; i <= 4; i++) {
      const double* corner = kH20[p[2 * i - 1]];
      const double* next = kH20[p[i == 4 ? 1 : 2 * i + 1]];
      for (int j = 0; j < 3; j++) {
        EXPECT_EQ(corner[j], kH8[q[i]][j]);
        EXPECT_EQ(kH20[p[2 * i]][j], (corner[j] + next[j]) / 2.0);
      }
    }
    // Flag 1 exactly where the listed order runs clockwise seen from outside.
    double nrm[3];
    CornerNormal(kH8[q[1]], kH8[q[2]], kH8[q[3]], kH8[q[4]], nrm);
    const double outward = nrm[kFaceAxis[f]] * kFaceValue[f];
    EXPECT_EQ(flag4, outward < 0 ? 1 : 0) << "face " << f;
  }
}

TEST(NodeTables, HexaFaceRenumberedFromEdge) {
  int found = 0;
  for (int n : {8, 20}) {
    for (int f = 1; f <= 6; f++)
      for (int e = 0; e <= 13; e++) {
        SCOPED_TRACE(testing::Message() << "n " << n << " face " << f << " edge " << e);
        int nodes[9] = {-7, -7, -7, -7, -7, -7, -7, -7, -7}, edge[4];
        double s1 = -1, s2 = -1;
        const bool ok = CalcNodeFaceEdgeSolidHexa(e, f, n, &s1, &s2, nodes);
        bool onFace = e >= 1 && e <= 12;
        if (onFace) {
          CalcNodeEdgeSolidHexa(e, n, edge);
          for (int i = 1; i <= (n == 8 ? 2 : 3); i++) onFace = onFace && HexNode(n, edge[i])[kFaceAxis[f]] == kFaceValue[f];
        }
        ASSERT_EQ(ok, onFace);
        if (!ok) {
          EXPECT_EQ(s1, 1.0);
          EXPECT_EQ(s2, 1.0);
          for (int i = 0; i < 9; i++) EXPECT_EQ(nodes[i], -7);
          continue;
        }
        found++;
        const int m = n == 8 ? 4 : 8, me = n == 8 ? 2 : 3;
        EXPECT_EQ(std::set<int>(nodes + 1, nodes + me + 1), std::set<int>(edge + 1, edge + me + 1));
        for (int i = 1; i <= m; i++) EXPECT_EQ(HexNode(n, nodes[i])[kFaceAxis[f]], kFaceValue[f]);
        EXPECT_EQ(std::set<int>(nodes + 1, nodes + m + 1).size(), static_cast<size_t>(m));
        // Corners in cyclic order around the face: neighbours share an edge.
        const int step = n == 8 ? 1 : 2;
        for (int i = 1; i <= m; i += step) {
          const double* a = HexNode(n, nodes[i]);
          const double* b = HexNode(n, nodes[i + step > m ? 1 : i + step]);
          int differ = 0;
          for (int j = 0; j < 3; j++) differ += a[j] != b[j];
          EXPECT_EQ(differ, 1);
        }
        // Sign 1 turns the normal of the renumbered face along the increasing natural
        // coordinate across the face, whichever edge the numbering starts from.
        double nrm[3];
        CornerNormal(HexNode(n, nodes[1]), HexNode(n, nodes[1 + step]), HexNode(n, nodes[1 + 2 * step]),
                     HexNode(n, nodes[1 + 3 * step]), nrm);
        EXPECT_GT(s1 * nrm[kFaceAxis[f]], 0.0);
      }
  }
  EXPECT_EQ(found, 48);
}

TEST(NodeTables, HexaFaceEdgeCases) {
  int nodes[9];
  double s1 = -1, s2 = -1;
  EXPECT_FALSE(CalcNodeFaceEdgeSolidHexa(12, 2, 8, &s1, &s2, nodes));
  ASSERT_TRUE(CalcNodeFaceEdgeSolidHexa(12, 6, 8, &s1, &s2, nodes));
  EXPECT_EQ(nodes[1], 5);
  EXPECT_EQ(nodes[2], 8);
  EXPECT_EQ(nodes[3], 7);
  EXPECT_EQ(nodes[4], 6);
  EXPECT_EQ(s1, -1.0);
  EXPECT_EQ(s2, -1.0);
  ASSERT_TRUE(CalcNodeFaceEdgeSolidHexa(1, 1, 20, &s1, &s2, nodes));
  EXPECT_EQ(s1, 1.0);
  EXPECT_EQ(s2, 1.0);
  // The quadrilateral table and face 1 differ in the second sign of edges 3 and 4.
  double q1, q2;
  int qn[9];
  CalcNodeFaceEdgeQuad(4, 4, &q1, &q2, qn);
  ASSERT_TRUE(CalcNodeFaceEdgeSolidHexa(4, 1, 8, &s1, &s2, nodes));
  for (int i = 1; i <= 4; i++) EXPECT_EQ(nodes[i], qn[i]);
  EXPECT_EQ(q2, 1.0);
  EXPECT_EQ(s2, -1.0);
}

TEST(NodeTablesDeath, OutsideTheTables) {
  int nodes[21];
  double a, b;
  unsigned char flag;
  EXPECT_EXIT(CalcNodeEdgeQuad(5, 4, nodes), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcNodeEdgeQuad(1, 6, nodes), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcNodeFaceEdgeQuad(0, 8, &a, &b, nodes), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcNodeEdgeSolidHexa(13, 8, nodes), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcNodeFaceSolidHexa(7, 8, &flag, nodes), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcNodeFaceSolidHexa(1, 27, &flag, nodes), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcNodeFaceEdgeSolidHexa(1, 0, 8, &a, &b, nodes), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcNodeFaceEdgeSolidHexa(1, 1, 9, &a, &b, nodes), testing::ExitedWithCode(1), kInternal);
}
