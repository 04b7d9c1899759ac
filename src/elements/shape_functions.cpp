// Isoparametric shape functions of lines, quadrilaterals, triangles and hexahedra, their
// natural derivatives, and the natural coordinates of the quadrilateral nodes.
#include "elements/kernel.h"
#include "numcore/numcore.h"

namespace {

// Natural coordinates of the quadrilateral nodes (8-node order; node 9 is the centre).
constexpr double kQuad4[5][3] = {{0, 0, 0}, {0, -1, -1}, {0, 1, -1}, {0, 1, 1}, {0, -1, 1}};
constexpr double kQuad9[10][3] = {{0, 0, 0},  {0, -1, -1}, {0, 0, -1}, {0, 1, -1}, {0, 1, 0},
                                  {0, 1, 1}, {0, 0, 1},   {0, -1, 1}, {0, -1, 0}, {0, 0, 0}};

// Natural coordinates of the hexahedron nodes.
constexpr double kHexa8[9][4] = {{0, 0, 0, 0},   {0, -1, -1, -1}, {0, 1, -1, -1}, {0, 1, 1, -1}, {0, -1, 1, -1},
                                 {0, -1, -1, 1}, {0, 1, -1, 1},   {0, 1, 1, 1},   {0, -1, 1, 1}};
constexpr double kHexa20[21][4] = {
    {0, 0, 0, 0},   {0, -1, -1, -1}, {0, 0, -1, -1}, {0, 1, -1, -1}, {0, 1, 0, -1}, {0, 1, 1, -1}, {0, 0, 1, -1},
    {0, -1, 1, -1}, {0, -1, 0, -1},  {0, -1, -1, 0}, {0, 1, -1, 0},  {0, 1, 1, 0},  {0, -1, 1, 0}, {0, -1, -1, 1},
    {0, 0, -1, 1},  {0, 1, -1, 1},   {0, 1, 0, 1},   {0, 1, 1, 1},   {0, 0, 1, 1},  {0, -1, 1, 1}, {0, -1, 0, 1}};

// One-dimensional quadratic functions of the node at natural coordinate c (-1, 0, +1).
double Lag(double c, double x) {
  if (c < -0.5) return 0.5 * (x * x - x);
  if (c > 0.5) return 0.5 * (x * x + x);
  return 1.0 - x * x;
}
double LagD(double c, double x) {
  if (c < -0.5) return x - 0.5;
  if (c > 0.5) return x + 0.5;
  return -2.0 * x;
}
double LagD2(double c) { return (c < -0.5 || c > 0.5) ? 1.0 : -2.0; }

// Second derivatives of the quadrilateral shape functions: which = 1 (s1 s1), 2 (s1 s2), 3 (s2 s2).
void Deriv2Quad(int n, double* d2N, const double* s, int which) {
  const double x = s[1], y = s[2];
  switch (n) {
    case 4:
      for (int a = 1; a <= 4; a++) d2N[a] = which == 2 ? 0.25 * kQuad4[a][1] * kQuad4[a][2] : 0.0;
      return;
    case 8:
      for (int a = 1; a <= 8; a++) {
        const double sa = kQuad9[a][1], ta = kQuad9[a][2];
        if (sa != 0.0 && ta != 0.0) {
          if (which == 1) d2N[a] = 0.5 * (1.0 + y * ta);
          else if (which == 2) d2N[a] = 0.25 * sa * ta * (2.0 * x * sa + 2.0 * y * ta + 1.0);
          else d2N[a] = 0.5 * (1.0 + x * sa);
        } else if (sa == 0.0) {
          if (which == 1) d2N[a] = -(1.0 + y * ta);
          else if (which == 2) d2N[a] = -x * ta;
          else d2N[a] = 0.0;
        } else {
          if (which == 1) d2N[a] = 0.0;
          else if (which == 2) d2N[a] = -y * sa;
          else d2N[a] = -(1.0 + x * sa);
        }
      }
      return;
    case 9:
      for (int a = 1; a <= 9; a++) {
        const double sa = kQuad9[a][1], ta = kQuad9[a][2];
        if (which == 1) d2N[a] = LagD2(sa) * Lag(ta, y);
        else if (which == 2) d2N[a] = LagD(sa, x) * LagD(ta, y);
        else d2N[a] = Lag(sa, x) * LagD2(ta);
      }
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

void CalcShapeFuncLine(int n, double s, double* N) {
  switch (n) {
    case 2:
      N[1] = 0.5 * (1.0 - s);
      N[2] = 0.5 * (1.0 + s);
      return;
    case 3:
      N[1] = 0.5 * (s * s - s);
      N[2] = 1.0 - s * s;
      N[3] = 0.5 * (s * s + s);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcShapeFuncDerivLine(int n, double s, double* dN) {
  switch (n) {
    case 2:
      dN[1] = -0.5;
      dN[2] = 0.5;
      return;
    case 3:
      dN[1] = 0.5 * (2.0 * s - 1.0);
      dN[2] = -2.0 * s;
      dN[3] = 0.5 * (2.0 * s + 1.0);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcShapeFuncDeriv2Line(int n, double /*s*/, double* d2N) {
  switch (n) {
    case 2:
      d2N[1] = 0.0;
      d2N[2] = 0.0;
      return;
    case 3:
      d2N[1] = 1.0;
      d2N[2] = -2.0;
      d2N[3] = 1.0;
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcShapeFuncQuad(int n, double* N, const double* s) {
  const double x = s[1], y = s[2];
  switch (n) {
    case 4:
      for (int a = 1; a <= 4; a++) N[a] = 0.25 * (1.0 + x * kQuad4[a][1]) * (1.0 + y * kQuad4[a][2]);
      return;
    case 8:
      for (int a = 1; a <= 8; a++) {
        const double sa = kQuad9[a][1], ta = kQuad9[a][2];
        if (sa != 0.0 && ta != 0.0) N[a] = 0.25 * (1.0 + x * sa) * (1.0 + y * ta) * (x * sa + y * ta - 1.0);
        else if (sa == 0.0) N[a] = 0.5 * (1.0 - x * x) * (1.0 + y * ta);
        else N[a] = 0.5 * (1.0 + x * sa) * (1.0 - y * y);
      }
      return;
    case 9:
      for (int a = 1; a <= 9; a++) N[a] = Lag(kQuad9[a][1], x) * Lag(kQuad9[a][2], y);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcShapeFuncDerivQuad(int n, double** dN, const double* s) {
  const double x = s[1], y = s[2];
  switch (n) {
    case 4:
      for (int a = 1; a <= 4; a++) {
        const double sa = kQuad4[a][1], ta = kQuad4[a][2];
        dN[a][1] = 0.25 * sa * (1.0 + y * ta);
        dN[a][2] = 0.25 * ta * (1.0 + x * sa);
      }
      return;
    case 8:
      for (int a = 1; a <= 8; a++) {
        const double sa = kQuad9[a][1], ta = kQuad9[a][2];
        if (sa != 0.0 && ta != 0.0) {
          dN[a][1] = 0.25 * sa * (1.0 + y * ta) * (2.0 * x * sa + y * ta);
          dN[a][2] = 0.25 * ta * (1.0 + x * sa) * (x * sa + 2.0 * y * ta);
        } else if (sa == 0.0) {
          dN[a][1] = -x * (1.0 + y * ta);
          dN[a][2] = 0.5 * ta * (1.0 - x * x);
        } else {
          dN[a][1] = 0.5 * sa * (1.0 - y * y);
          dN[a][2] = -y * (1.0 + x * sa);
        }
      }
      return;
    case 9:
      for (int a = 1; a <= 9; a++) {
        const double sa = kQuad9[a][1], ta = kQuad9[a][2];
        dN[a][1] = LagD(sa, x) * Lag(ta, y);
        dN[a][2] = Lag(sa, x) * LagD(ta, y);
      }
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcShapeFuncDeriv2Quad_ds1_ds1(int n, double* d2N, const double* s) { Deriv2Quad(n, d2N, s, 1); }
void CalcShapeFuncDeriv2Quad_ds1_ds2(int n, double* d2N, const double* s) { Deriv2Quad(n, d2N, s, 2); }
void CalcShapeFuncDeriv2Quad_ds2_ds2(int n, double* d2N, const double* s) { Deriv2Quad(n, d2N, s, 3); }

void CalcShapeFuncTriang(int n, double* N, const double* s) {
  const double x = s[1], y = s[2], L = 1.0 - s[1] - s[2];
  switch (n) {
    case 3:
      N[1] = L;
      N[2] = x;
      N[3] = y;
      return;
    case 6:
      N[1] = 2.0 * L * (L - 0.5);
      N[2] = 4.0 * L * x;
      N[3] = 2.0 * x * (x - 0.5);
      N[4] = 4.0 * x * y;
      N[5] = 2.0 * y * (y - 0.5);
      N[6] = 4.0 * y * L;
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcShapeFuncDerivTriang(int n, double** dN, const double* s) {
  const double x = s[1], y = s[2], L = 1.0 - s[1] - s[2];
  switch (n) {
    case 3:
      dN[1][1] = -1.0; dN[1][2] = -1.0;
      dN[2][1] = 1.0;  dN[2][2] = 0.0;
      dN[3][1] = 0.0;  dN[3][2] = 1.0;
      return;
    case 6:
      dN[1][1] = -(4.0 * L - 1.0);  dN[1][2] = -(4.0 * L - 1.0);
      dN[2][1] = 4.0 * (L - x);     dN[2][2] = -4.0 * x;
      dN[3][1] = 4.0 * x - 1.0;     dN[3][2] = 0.0;
      dN[4][1] = 4.0 * y;           dN[4][2] = 4.0 * x;
      dN[5][1] = 0.0;               dN[5][2] = 4.0 * y - 1.0;
      dN[6][1] = -4.0 * y;          dN[6][2] = 4.0 * (L - y);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcShapeFuncSolidHexa(int n, double* N, const double* s) {
  const double x = s[1], y = s[2], z = s[3];
  switch (n) {
    case 8:
      for (int a = 1; a <= 8; a++)
        N[a] = 0.125 * (1.0 + x * kHexa8[a][1]) * (1.0 + y * kHexa8[a][2]) * (1.0 + z * kHexa8[a][3]);
      return;
    case 20:
      for (int a = 1; a <= 20; a++) {
        const double sa = kHexa20[a][1], ta = kHexa20[a][2], ua = kHexa20[a][3];
        if (sa != 0.0 && ta != 0.0 && ua != 0.0)
          N[a] = 0.125 * (1.0 + x * sa) * (1.0 + y * ta) * (1.0 + z * ua) * (x * sa + y * ta + z * ua - 2.0);
        else if (sa == 0.0) N[a] = 0.25 * (1.0 - x * x) * (1.0 + y * ta) * (1.0 + z * ua);
        else if (ta == 0.0) N[a] = 0.25 * (1.0 + x * sa) * (1.0 - y * y) * (1.0 + z * ua);
        else N[a] = 0.25 * (1.0 + x * sa) * (1.0 + y * ta) * (1.0 - z * z);
      }
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcShapeFuncDerivSolidHexa(int n, double** dN, const double* s) {
  const double x = s[1], y = s[2], z = s[3];
  switch (n) {
    case 8:
      for (int a = 1; a <= 8; a++) {
        const double sa = kHexa8[a][1], ta = kHexa8[a][2], ua = kHexa8[a][3];
        dN[a][1] = 0.125 * sa * (1.0 + y * ta) * (1.0 + z * ua);
        dN[a][2] = 0.125 * ta * (1.0 + x * sa) * (1.0 + z * ua);
        dN[a][3] = 0.125 * ua * (1.0 + x * sa) * (1.0 + y * ta);
      }
      return;
    case 20:
      for (int a = 1; a <= 20; a++) {
        const double sa = kHexa20[a][1], ta = kHexa20[a][2], ua = kHexa20[a][3];
        const double fs = 1.0 + x * sa, ft = 1.0 + y * ta, fu = 1.0 + z * ua;
        if (sa != 0.0 && ta != 0.0 && ua != 0.0) {
          dN[a][1] = 0.125 * sa * ft * fu * (2.0 * x * sa + y * ta + z * ua - 1.0);
          dN[a][2] = 0.125 * ta * fs * fu * (x * sa + 2.0 * y * ta + z * ua - 1.0);
          dN[a][3] = 0.125 * ua * fs * ft * (x * sa + y * ta + 2.0 * z * ua - 1.0);
        } else if (sa == 0.0) {
          dN[a][1] = -0.5 * x * ft * fu;
          dN[a][2] = 0.25 * ta * (1.0 - x * x) * fu;
          dN[a][3] = 0.25 * ua * (1.0 - x * x) * ft;
        } else if (ta == 0.0) {
          dN[a][1] = 0.25 * sa * (1.0 - y * y) * fu;
          dN[a][2] = -0.5 * y * fs * fu;
          dN[a][3] = 0.25 * ua * fs * (1.0 - y * y);
        } else {
          dN[a][1] = 0.25 * sa * ft * (1.0 - z * z);
          dN[a][2] = 0.25 * ta * fs * (1.0 - z * z);
          dN[a][3] = -0.5 * z * fs * ft;
        }
      }
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcNatCoordSolidHexa(int n, double** S) {
  if (n != 8 && n != 20) InternalError(__FILE__, __LINE__);
  for (int a = 1; a <= n; a++)
    for (int k = 1; k <= 3; k++) S[a][k] = n == 8 ? kHexa8[a][k] : kHexa20[a][k];
}

void CalcNatCoord(int n, double** S) {
  switch (n) {
    case 4:
      for (int a = 1; a <= 4; a++) {
        S[a][1] = kQuad4[a][1];
        S[a][2] = kQuad4[a][2];
      }
      return;
    case 8:
    case 9:
      for (int a = 1; a <= n; a++) {
        S[a][1] = kQuad9[a][1];
        S[a][2] = kQuad9[a][2];
      }
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}
