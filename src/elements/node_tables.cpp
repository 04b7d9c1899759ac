// Edge and face node tables of quadrilaterals and hexahedra. Edge and face numbers of the
// data file mean what these tables say.
#include "elements/kernel.h"
#include "numcore/numcore.h"

namespace {

// Quadrilateral edges, each in the direction of increasing s1 or s2.
constexpr int kQuadEdge4[5][3] = {{0, 0, 0}, {0, 1, 2}, {0, 2, 3}, {0, 4, 3}, {0, 1, 4}};
constexpr int kQuadEdge8[5][4] = {{0, 0, 0, 0}, {0, 1, 2, 3}, {0, 3, 4, 5}, {0, 7, 6, 5}, {0, 1, 8, 7}};

// Quadrilateral renumbered so that the chosen edge comes first, with its two signs.
constexpr int kQuadFaceEdge4[5][5] = {{0}, {0, 1, 2, 3, 4}, {0, 2, 3, 4, 1}, {0, 4, 3, 2, 1}, {0, 1, 4, 3, 2}};
constexpr int kQuadFaceEdge8[5][9] = {{0},
                                      {0, 1, 2, 3, 4, 5, 6, 7, 8},
                                      {0, 3, 4, 5, 6, 7, 8, 1, 2},
                                      {0, 7, 6, 5, 4, 3, 2, 1, 8},
                                      {0, 1, 8, 7, 6, 5, 4, 3, 2}};
constexpr double kQuadFaceEdgeSign[5][3] = {{0, 0, 0}, {0, 1, 1}, {0, 1, -1}, {0, -1, -1}, {0, -1, 1}};

// Hexahedron edges.
constexpr int kHexaEdge8[13][3] = {{0, 0, 0}, {0, 1, 2}, {0, 2, 3}, {0, 4, 3}, {0, 1, 4}, {0, 1, 5}, {0, 2, 6},
                                   {0, 3, 7}, {0, 4, 8}, {0, 5, 6}, {0, 6, 7}, {0, 8, 7}, {0, 5, 8}};
constexpr int kHexaEdge20[13][4] = {{0, 0, 0, 0},    {0, 1, 2, 3},    {0, 3, 4, 5},    {0, 7, 6, 5},   {0, 1, 8, 7},
                                    {0, 1, 9, 13},   {0, 3, 10, 15},  {0, 5, 11, 17},  {0, 7, 12, 19}, {0, 13, 14, 15},
                                    {0, 15, 16, 17}, {0, 19, 18, 17}, {0, 13, 20, 19}};

// Hexahedron faces with their reversal flags.
constexpr int kHexaFace8[7][5] = {{0},           {0, 1, 2, 3, 4}, {0, 1, 2, 6, 5}, {0, 2, 3, 7, 6},
                                  {0, 4, 3, 7, 8}, {0, 1, 4, 8, 5}, {0, 5, 6, 7, 8}};
constexpr int kHexaFace20[7][9] = {{0},
                                   {0, 1, 2, 3, 4, 5, 6, 7, 8},
                                   {0, 1, 2, 3, 10, 15, 14, 13, 9},
                                   {0, 3, 4, 5, 11, 17, 16, 15, 10},
                                   {0, 7, 6, 5, 11, 17, 18, 19, 12},
                                   {0, 1, 8, 7, 12, 19, 20, 13, 9},
                                   {0, 13, 14, 15, 16, 17, 18, 19, 20}};
constexpr unsigned char kHexaFaceFlag[7] = {0, 1, 0, 0, 1, 1, 0};

// The 24 (face, edge) pairs: face nodes renumbered from the edge, and the two signs.
struct FaceEdgeRow {
  int face, edge;
  int n8[5];
  int n20[9];
  double sign1, sign2;
};
constexpr FaceEdgeRow kHexaFaceEdge[24] = {
    {1, 1, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4, 5, 6, 7, 8}, 1, 1},
    {1, 2, {0, 2, 3, 4, 1}, {0, 3, 4, 5, 6, 7, 8, 1, 2}, 1, -1},
    {1, 3, {0, 4, 3, 2, 1}, {0, 7, 6, 5, 4, 3, 2, 1, 8}, -1, 1},
    {1, 4, {0, 1, 4, 3, 2}, {0, 1, 8, 7, 6, 5, 4, 3, 2}, -1, -1},
    {2, 1, {0, 1, 2, 6, 5}, {0, 1, 2, 3, 10, 15, 14, 13, 9}, -1, -1},
    {2, 5, {0, 1, 5, 6, 2}, {0, 1, 9, 13, 14, 15, 10, 3, 2}, 1, 1},
    {2, 6, {0, 2, 6, 5, 1}, {0, 3, 10, 15, 14, 13, 9, 1, 2}, -1, 1},
    {2, 9, {0, 5, 6, 2, 1}, {0, 13, 14, 15, 10, 3, 2, 1, 9}, 1, -1},
    {3, 2, {0, 2, 3, 7, 6}, {0, 3, 4, 5, 11, 17, 16, 15, 10}, 1, 1},
    {3, 6, {0, 2, 6, 7, 3}, {0, 3, 10, 15, 16, 17, 11, 5, 4}, -1, -1},
    {3, 7, {0, 3, 7, 6, 2}, {0, 5, 11, 17, 16, 15, 10, 3, 4}, 1, -1},
    {3, 10, {0, 6, 7, 3, 2}, {0, 15, 16, 17, 11, 5, 4, 3, 10}, -1, 1},
    {4, 3, {0, 4, 3, 7, 8}, {0, 7, 6, 5, 11, 17, 18, 19, 12}, -1, -1},
    {4, 7, {0, 3, 7, 8, 4}, {0, 5, 11, 17, 18, 19, 12, 7, 6}, -1, 1},
    {4, 8, {0, 4, 8, 7, 3}, {0, 7, 12, 19, 18, 17, 11, 5, 6}, 1, 1},
    {4, 11, {0, 8, 7, 3, 4}, {0, 19, 18, 17, 11, 5, 6, 7, 12}, 1, -1},
    {5, 4, {0, 1, 4, 8, 5}, {0, 1, 8, 7, 12, 19, 20, 13, 9}, 1, 1},
    {5, 5, {0, 1, 5, 8, 4}, {0, 1, 9, 13, 20, 19, 12, 7, 8}, -1, -1},
    {5, 8, {0, 4, 8, 5, 1}, {0, 7, 12, 19, 20, 13, 9, 1, 8}, 1, -1},
    {5, 12, {0, 5, 8, 4, 1}, {0, 13, 20, 19, 12, 7, 8, 1, 9}, -1, 1},
    {6, 9, {0, 5, 6, 7, 8}, {0, 13, 14, 15, 16, 17, 18, 19, 20}, 1, 1},
    {6, 10, {0, 6, 7, 8, 5}, {0, 15, 16, 17, 18, 19, 20, 13, 14}, 1, -1},
    {6, 11, {0, 8, 7, 6, 5}, {0, 19, 18, 17, 16, 15, 14, 13, 20}, -1, 1},
    {6, 12, {0, 5, 8, 7, 6}, {0, 13, 20, 19, 18, 17, 16, 15, 14}, -1, -1},
};

}  // namespace

void CalcNodeEdgeQuad(int edge, int n, int* nodes) {
  if (edge < 1 || edge > 4) InternalError(__FILE__, __LINE__);
  switch (n) {
    case 4:
      for (int i = 1; i <= 2; i++) nodes[i] = kQuadEdge4[edge][i];
      return;
    case 8:
    case 9:
      for (int i = 1; i <= 3; i++) nodes[i] = kQuadEdge8[edge][i];
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcNodeFaceEdgeQuad(int edge, int n, double* sign1, double* sign2, int* nodes) {
  *sign1 = 1.0;
  *sign2 = 1.0;
  if (edge < 1 || edge > 4) InternalError(__FILE__, __LINE__);
  switch (n) {
    case 4:
      for (int i = 1; i <= 4; i++) nodes[i] = kQuadFaceEdge4[edge][i];
      break;
    case 8:
    case 9:
      for (int i = 1; i <= 8; i++) nodes[i] = kQuadFaceEdge8[edge][i];
      if (n == 9) nodes[9] = 9;
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  *sign1 = kQuadFaceEdgeSign[edge][1];
  *sign2 = kQuadFaceEdgeSign[edge][2];
}

void CalcNodeEdgeSolidHexa(int edge, int n, int* nodes) {
  if (edge < 1 || edge > 12) InternalError(__FILE__, __LINE__);
  switch (n) {
    case 8:
      for (int i = 1; i <= 2; i++) nodes[i] = kHexaEdge8[edge][i];
      return;
    case 20:
      for (int i = 1; i <= 3; i++) nodes[i] = kHexaEdge20[edge][i];
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcNodeFaceSolidHexa(int face, int n, unsigned char* flag, int* nodes) {
  if (face < 1 || face > 6) InternalError(__FILE__, __LINE__);
  switch (n) {
    case 8:
      for (int i = 1; i <= 4; i++) nodes[i] = kHexaFace8[face][i];
      break;
    case 20:
      for (int i = 1; i <= 8; i++) nodes[i] = kHexaFace20[face][i];
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  *flag = kHexaFaceFlag[face];
}

bool CalcNodeFaceEdgeSolidHexa(int edge, int face, int n, double* sign1, double* sign2, int* nodes) {
  *sign1 = 1.0;
  *sign2 = 1.0;
  if (face < 1 || face > 6) InternalError(__FILE__, __LINE__);
  if (n != 8 && n != 20) InternalError(__FILE__, __LINE__);
  for (const FaceEdgeRow& r : kHexaFaceEdge) {
    if (r.face != face || r.edge != edge) continue;
    if (n == 8)
      for (int i = 1; i <= 4; i++) nodes[i] = r.n8[i];
    else
      for (int i = 1; i <= 8; i++) nodes[i] = r.n20[i];
    *sign1 = r.sign1;
    *sign2 = r.sign2;
    return true;
  }
  return false;
}
