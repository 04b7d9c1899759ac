// Shared parts of the two-node members: fault context of the mass, length.
#include "elements/members.h"

#include "numcore/numcore.h"

const char* const kCtxMass = "Calculating the mass matrix of element n. %d\n";
double MemberLength(const ElemFaultContext& ctx, int typeCode, int elem, int** elemNodes, double** pointCoords) {
  // In the element's own coordinates: a member of the (x2, x3) plane ignores x1, as its
  // rotation does.
  double X[3][4] = {};
  double* rows[3] = {nullptr, X[1], X[2]};
  CalcMat_ElemNodeCoord(elem, typeCode, 2, elemNodes, rows, pointCoords);
  double dx[4];
  for (int i = 1; i <= 3; i++) dx[i] = X[2][i] - X[1][i];
  const double L = normd1(dx, 3);
  if (!(L >= kSmall)) ElemDataFault(ctx, typeCode, nullptr, "The element is too distorted and must be changed.");
  return L;
}
