// Tensor-product sampling rules of quadrilaterals, shells and hexahedra: the one loop over
// their points that the element routines, the element sizes and the element loads share.
#pragma once

// c[d] points along direction d = 1..dim (dim 2 or 3), abscissae a[d][1..c[d]] and
// weights w[d][1..c[d]].
struct TensorRule {
  int dim;
  int c[4];
  const double* a[4];
  const double* w[4];
};

// One point of a rule: ip counts 1, 2, ... in the visiting order, i[d] is the index along
// direction d, s[1..dim] the natural coordinates and weight the product w1 w2 (w3), taken
// in that order.
struct RulePoint {
  int ip;
  int i[4];
  double s[4];
  double weight;
};

// The order of the points: direction 1 fastest (the nonlinear elements, their history
// records and the element sizes) or the last direction fastest (the linear elements and
// most loads). Sums over the points keep their order, and so their rounding.
enum class RuleOrder { kFirstFastest, kLastFastest };

// The rule of element elem's property p with c[d] points along d = 1..dim.
struct ElementProperty;
TensorRule ElementTensorRule(int elem, const ElementProperty& p, int dim, const int* c);

// visit(const RulePoint&) at every point of r in the given order.
template <class Visit>
void ForEachRulePoint(const TensorRule& r, RuleOrder order, Visit visit) {
  const int n3 = r.dim == 3 ? r.c[3] : 1;
  RulePoint p{0, {0, 0, 0, 0}, {0.0, 0.0, 0.0, 0.0}, 0.0};
  auto at = [&](int i1, int i2, int i3) {
    p.ip++;
    p.i[1] = i1;
    p.i[2] = i2;
    p.s[1] = r.a[1][i1];
    p.s[2] = r.a[2][i2];
    p.weight = r.w[1][i1] * r.w[2][i2];
    if (r.dim == 3) {
      p.i[3] = i3;
      p.s[3] = r.a[3][i3];
      p.weight = p.weight * r.w[3][i3];
    }
    visit(static_cast<const RulePoint&>(p));
  };
  if (order == RuleOrder::kFirstFastest) {
    for (int i3 = 1; i3 <= n3; i3++)
      for (int i2 = 1; i2 <= r.c[2]; i2++)
        for (int i1 = 1; i1 <= r.c[1]; i1++) at(i1, i2, i3);
  } else {
    for (int i1 = 1; i1 <= r.c[1]; i1++)
      for (int i2 = 1; i2 <= r.c[2]; i2++)
        for (int i3 = 1; i3 <= n3; i3++) at(i1, i2, i3);
  }
}
