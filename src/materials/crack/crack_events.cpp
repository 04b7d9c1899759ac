// Crack events of the smeared-crack models, solid and plane: a new crack, the reopening
// of a closed crack, the closing of an active one. Detectors tell whether an event starts
// inside a strain increment, re-checks whether it still stands once applied at its
// transition point, and the update step commits the state of the point (crack statuses,
// thresholds of events not applied, the fracture energy of sliding cracks, new cracks)
// to its record. Sizes, crack axes (normals or angles) and the principal stresses (three
// or two) follow the model description.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "materials/crack/crack_start.h"
#include "materials/crack/softening.h"
#include "materials/crack/crack_models.h"
#include "materials/material_slots.h"
#include "numcore/numcore.h"

namespace {

constexpr double kTol = 1e-6;
constexpr double kHalfPi = 1.5707963267948966;

using Principal = PrincipalStresses;

// All n cracks of the view packed as if active (the laws of a closed crack read the
// same data): crack k at position k.
void PackAll(const CrackView& v, ActiveCracks* all) {
  int32_t open[5] = {0, 0, 0, 0, 0};
  for (int k = 1; k <= *v.nCr; k++) open[k] = v.status[k] == kCrClosed ? kCrOpening : v.status[k];
  CrackView w = v;
  w.status = open;
  AssignActCrData(*v.nCr, w, all);
}

// Active position of crack k in the statuses of a view (0 for a closed crack).
int ActivePosition(const CrackView& v, int k) {
  if (v.status[k] == kCrClosed) return 0;
  int j = 0;
  for (int i = 1; i <= k; i++)
    if (v.status[i] != kCrClosed) j++;
  return j;
}

// ---- status updates -------------------------------------------------------------------------

struct StatusUpdate {
  const CrackEventContext& x;
  CrackView& v;
  const CrackSolve& S;
  const CrackEvents& ev;
  ActiveCracks all{};
  double t[13] = {0};
  bool shear;
  bool reopened = false, closed = false;

  StatusUpdate(const CrackEventContext& x_, CrackView& v_, const CrackSolve& S_, const CrackEvents& ev_)
      : x(x_), v(v_), S(S_), ev(ev_), shear(v_.shear1 != nullptr && x_.p.shearLaw != 0) {
    CalcCrTractions(v, v.stress, t);
    PackAll(v, &all);
  }
  ~StatusUpdate() { FreeActiveCracks(&all); }
  StatusUpdate(const StatusUpdate&) = delete;
  StatusUpdate& operator=(const StatusUpdate&) = delete;

  // Normal component of crack k in a crack vector.
  int N(int k) const { return v.model->nc * (k - 1) + 1; }
  int32_t& Q(int k, int s) { return s == 1 ? v.shear1[k] : v.shear2[k]; }
  double& Kept(int k, int s) { return s == 1 ? v.g1[k] : v.g2[k]; }
  double& Peak(int k, int s) { return s == 1 ? v.tau1[k] : v.tau2[k]; }
  double Stiff(int k, int s) const { return s == 1 ? v.k1[k] : v.k2[k]; }
  double Gel(int k, int s) { return Peak(k, s) / Stiff(k, s); }
  double Gu(int k, int s) { return CrShearUltStrain(x.p, all, k, s); }

  void Close(int k) {
    v.status[k] = kCrClosed;
    if (v.model->thresholds) v.reop[k] = std::max(t[N(k)], kTol * x.p.ref);
    closed = true;
  }

  void Run() {
    const int n = *v.nCr;
    int j = 0;
    for (int k = 1; k <= n; k++) {
      const double eu = CrUltStrain(x.p, all, k);
      if (v.status[k] == kCrClosed) {
        Reopen(k, eu);
        continue;
      }
      j++;
      const int s0 = S.c.status[j];
      const double eps = S.c.e[N(j)], d = eps - S.eRef[N(j)], emax = S.c.epsMax[j];
      const bool closes = ev.closeFlag[j] != 0 &&
                          std::fabs(eps - (v.model->thresholds ? v.close[k] : 0.0)) < kTol;
      const auto largest = [&](int status) {
        v.status[k] = status;
        v.epsMax[k] = eps;
      };
      switch (s0) {
        case kCrInitiating:
          GUARD(d < 0.0);
          largest(eps <= eu ? kCrOpening : kCrFullyOpen);
          break;
        case kCrOpening:
          if (d >= 0.0)
            largest(eps <= eu ? kCrOpening : kCrFullyOpen);
          else if (closes)
            Close(k);
          else
            v.status[k] = kCrClosing;
          break;
        case kCrClosing:
          if (closes)
            Close(k);
          else if (d > 0.0) {
            if (eps > eu)
              largest(kCrFullyOpen);
            else if (emax <= eps)
              largest(kCrOpening);
            else
              v.status[k] = kCrReopening;
          }
          break;
        case kCrReopening:
          if (closes)
            Close(k);
          else if (d < 0.0)
            v.status[k] = kCrClosing;
          else if (eps > eu)
            largest(kCrFullyOpen);
          else if (emax < eps)
            largest(kCrOpening);
          break;
        case kCrFullyOpen:
          if (closes) Close(k);
          break;
        default: InternalError(__FILE__, __LINE__);
      }
      if (shear)
        for (int s = 1; s < v.model->nc; s++) ShearStatus(k, j, s, s0);
    }
  }

  // A closed crack whose normal traction came back to its reopening threshold.
  void Reopen(int k, double eu) {
    const double tn = t[N(k)];
    const bool back = v.model->thresholds ? std::fabs(tn - v.reop[k]) / x.p.ref < kTol
                                          : std::fabs(tn / x.p.ref - ev.ratio[k]) < kTol;
    if (ev.reopFlag[k] == 0 || !back) return;
    reopened = true;
    if (v.epsMax[k] <= eu) {
      v.status[k] = kCrReopening;
      double K = Calc_DcrI_CloseReop(x.p, all, k, v.epsMax[k]);
      if (v.model->residualNormal) K = std::max(K, x.p.Emin);
      GUARD(K < kSmall);
      const double eps = tn / K;
      GUARD(eps < 0.0);
      v.e[N(k)] = eps;
      v.s[N(k)] = tn;
    } else {
      v.status[k] = kCrFullyOpen;
      v.e[N(k)] = v.s[N(k)] = 0.0;
    }
    if (shear)
      for (int s = 1; s < v.model->nc; s++) ReopenShear(k, s);
  }

  // Shear component s of a crack that has just reopened: its traction put back on the
  // branch of its shear state.
  void ReopenShear(int k, int s) {
    const int i = N(k) + s;
    const double tau = std::fabs(t[i]), sign = t[i] < 0.0 ? -1.0 : 1.0;
    const auto zero = [&] {
      Q(k, s) = kShFreeSliding;
      v.e[i] = v.s[i] = 0.0;
    };
    if (Gu(k, s) < std::fabs(Kept(k, s)) || v.status[k] == kCrFullyOpen) {
      zero();
      return;
    }
    const auto write = [&](double g) {
      v.e[i] = sign * g;
      v.s[i] = sign * tau;
      Kept(k, s) = sign * g;
    };
    const auto softBranch = [&] {
      const double D = Gu(k, s) - Gel(k, s);
      GUARD(std::fabs(D) < kSmall);
      const double K = Peak(k, s) / D;
      GUARD(K < kSmall);
      return (Peak(k, s) - tau) / K + Gel(k, s);
    };
    const int q = Q(k, s);
    if (q == kShFreeSliding) {
      v.e[i] = v.s[i] = 0.0;
      return;
    }
    GUARD(q < kShLoadingStiff || q > kShReloading);
    if (Peak(k, s) <= tau) {  // the peak is reached: a new, higher peak
      Q(k, s) = kShLoadingSoft;
      Peak(k, s) = tau;
      (s == 1 ? all.tau1 : all.tau2)[k] = tau;
      const double g = tau / Stiff(k, s);
      write(g);
      if (Gu(k, s) < g) zero();
      return;
    }
    switch (q) {
      case kShLoadingStiff: write(tau / Stiff(k, s)); return;
      case kShLoadingSoft: write(softBranch()); return;
      default: {
        const double K = Calc_DcrII_UnloRelo(x.p, all, k, s, std::fabs(Kept(k, s)));
        GUARD(K < kSmall);
        const double g = tau / K;
        if (g <= std::fabs(Kept(k, s))) {
          Q(k, s) = g <= std::fabs(v.e[i]) ? kShUnloading : kShReloading;
          write(g);
        } else {
          Q(k, s) = kShLoadingSoft;
          write(softBranch());
        }
      }
    }
  }

  // Shear state of component s of active crack k (position j) after the step.
  void ShearStatus(int k, int j, int s, int s0) {
    const int q0 = s == 1 ? S.c.shear1[j] : S.c.shear2[j];
    const int i = N(j) + s;
    const double g = S.c.e[i], g0 = S.eRef[i], dg = g - g0, ag = std::fabs(g);
    const double gMax = std::fabs(s == 1 ? S.c.gMax1[j] : S.c.gMax2[j]);
    if (q0 != kShFreeSliding && s0 == kCrFullyOpen && std::fabs(t[N(k) + s]) / x.p.ref <= kTol) {
      Q(k, s) = kShFreeSliding;
      return;
    }
    const double gel = Gel(k, s), gu = Gu(k, s);
    const auto store = [&] { Kept(k, s) = g; };
    const auto slide = [&] {
      Q(k, s) = kShFreeSliding;
      store();
    };
    // Beyond the largest strain reached: back on the envelope (or sliding past gu).
    const auto envelope = [&] {
      if (ag > gu) {
        slide();
      } else {
        Q(k, s) = kShLoadingSoft;
        store();
      }
    };
    const bool away = (dg > 0.0 && g > 0.0 && g0 > 0.0) || (dg < 0.0 && g < 0.0 && g0 < 0.0);
    switch (q0) {
      case kShLoadingStiff:
        if (ag <= gel)
          store();
        else if (ag <= gu) {
          Q(k, s) = kShLoadingSoft;
          store();
        } else
          slide();
        break;
      case kShLoadingSoft:
        if (std::fabs(dg) < 1e-20 || away) {
          if (ag > gu)
            slide();
          else
            store();
        } else if (ag <= gMax) {
          // Back to the largest strain reached or below it: on the secant. At gMax itself
          // the secant meets the envelope.
          Q(k, s) = kShUnloading;
        } else {
          envelope();
        }
        break;
      case kShUnloading:
        if ((dg > 0.0 && g > 0.0) || (dg < 0.0 && g < 0.0)) {
          if (ag <= gMax)
            Q(k, s) = kShReloading;
          else
            envelope();
        }
        break;
      case kShReloading:
        if (dg > 0.0) {
          if (g <= 0.0)
            Q(k, s) = kShUnloading;
          else if (ag > gMax)
            envelope();
        } else if (dg < 0.0) {
          if (g >= 0.0)
            Q(k, s) = kShUnloading;
          else if (ag > gMax)
            envelope();
        }
        break;
      case kShFreeSliding: break;
      default: InternalError(__FILE__, __LINE__);
    }
  }
};

// ---- the update step ----------------------------------------------------------------------

[[noreturn]] void SlidingTooSmall(double su, double least) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nCheck the ultimate crack shear sliding value:\n");
  std::fprintf(stderr, "   -> Ultimate crack shear sliding: %10.8lf\n", su);
  std::fprintf(stderr, "   -> Minimum ultimate crack shear sliding: %10.8lf", least);
  errexit("The Ultimate crack shear sliding should be greater than the minimum ultimate crack shear sliding.", 0);
}

void StoreCrStrainStress(CrackView& v, const CrackSolve& S) {
  const int nc = v.model->nc;
  int j = 0;
  for (int k = 1; k <= *v.nCr; k++) {
    if (v.status[k] == kCrClosed) continue;
    j++;
    for (int q = 1; q <= nc; q++) {
      v.e[nc * (k - 1) + q] = S.c.e[nc * (j - 1) + q];
      v.s[nc * (k - 1) + q] = S.c.s[nc * (j - 1) + q];
    }
  }
}

}  // namespace

void Update_Gf(const CrackEventContext& x, CrackView& v, const int* active, int nA) {
  const SolidCrackModel& model = *v.model;
  if (model.gfUpdate == 0) return;
  const int option = MatSlotInt(x.m, model.code, model.gfUpdate, 1);
  if (option < 1 || option > 3) return;
  const int sliding = MatSlotInt(x.m, model.code, model.gfUpdate, 2);
  const int nc = model.nc;
  for (int j = 1; j <= nA; j++) {
    const int k = active[j];
    const double h = v.h[k], w = std::fabs(v.e[nc * (k - 1) + 2]) * h;
    // Cracks that slide no further end the update of the point.
    if (w <= v.maxSliding[k]) return;
    v.maxSliding[k] = w;
    const double eu = CrUltNormalStrain(x.p.law, v.ft[k], x.p.law == kLawRilem ? v.gfInitial[k] : v.gf[k], h,
                                        x.p.shape);
    double su;
    switch (sliding) {
      case 1:
        su = MatSlotValue(x.m, model.code, model.gfUpdate + 1);
        if (su < eu * h * 1e-6) SlidingTooSmall(su, eu * h * 1e-6);
        break;
      case 2:
        su = eu * h;
        GUARD(std::fabs(su / h) < kSmall);
        break;
      default: InternalError(__FILE__, __LINE__);
    }
    // Sliding beyond su leaves the crack no energy above the bound (no sign flip of the
    // power). For the law given by its ultimate strain the bound is a strain as well.
    const double floor = CriticalFractureField(model.nLaws, x.p.law, x.p.shape, v.ft[k], h, x.p.E);
    v.gf[k] = std::max(v.gfInitial[k] * std::pow(std::max(0.0, 1.0 - w / su), static_cast<double>(option)), floor);
  }
}

namespace {

// Events detected but not taken: their thresholds move to the value the point has
// reached, no further. The detectors' tests are strict, so the state seen does not
// report the event again, and the event, when it comes, starts from that value itself
// (a margin added here would become part of the crack's strength or reopening stress,
// and whether it is added at all may turn on a rounding of the stress).
void UpdateCrReopThreshold(CrackView& v, CrackEvents& ev, const CrackChange& ch) {
  if (!ev.reopening || (ch.apply && ch.kind == 2)) return;
  double t[13];
  CalcCrTractions(v, v.stress, t);
  for (int k = 1; k <= *v.nCr; k++)
    if (ev.reopFlag[k] != 0) {
      v.reop[k] = std::max(v.reop[k], t[v.model->nc * (k - 1) + 1]);
      ev.reopFlag[k] = 0;
    }
}

void UpdateCrCloseThreshold(CrackView& v, const CrackSolve& S, CrackEvents& ev, const CrackChange& ch) {
  if (!ev.closing || (ch.apply && ch.kind == 3)) return;
  int j = 0;
  for (int k = 1; k <= *v.nCr; k++) {
    if (v.status[k] == kCrClosed) continue;
    j++;
    if (ev.closeFlag[j] == 0) continue;
    v.close[k] = std::min(v.close[k], S.c.e[v.model->nc * (j - 1) + 1]);
    ev.closeFlag[j] = 0;
  }
}

void UpdateNewCrInitThreshold(const CrackEventContext& x, CrackView& v, const CrackEvents& ev, const CrackChange& ch) {
  const int n = *v.nCr;
  if (n > 3 || !ev.newCrack || (ch.apply && ch.kind == 1)) return;
  const Principal P(x, v.stress);
  v.ft[n + 1] = std::max(v.ft[n + 1], P.Largest());
}

void AddCrack(const CrackEventContext& x, CrackView& v, const CrackDir& d, double sigma) {
  const bool solid = v.model->nc == 3;
  double n[4] = {0.0, d.n[1], d.n[2], d.n[3]};
  if (!solid) {
    n[1] = std::cos(d.angle);
    n[2] = std::sin(d.angle);
  }
  const int option = MatSlotInt(x.m, x.p.model->code, x.p.model->band, x.p.model->bandWord);
  if (v.model->bandAtInit && (option == 4 || option == 5)) {
    // Oliver's band for this normal, from the element's geometry at the point.
    const CrackBandGeometry* g = x.at.band;
    GUARD(g == nullptr);
    v.h[*v.nCr + 1] = CrackBandOliver(g->nNodes, solid ? 3 : 2, g->gradN, g->X, g->centre, n) * g->widthFraction;
  }
  const double* normal = solid ? d.n : nullptr;
  InitializeCr(x.m, Calc_Gf_NewCrInit(x.m, normal, v, d.angle), normal, sigma, v, d.angle);
}

void UpdateNewCrInit(const CrackEventContext& x, CrackView& v, const CrackChange& ch) {
  if (!ch.apply || ch.kind != 1) return;
  const Principal P(x, v.stress);
  const int n = *v.nCr;
  double r, s;
  switch (ch.criterion) {
    case 1:
      r = v.ft[n + 1];
      s = x.p.ref;
      break;
    case 2:
      r = P.Largest();
      s = 1.0;
      v.ft[n + 1] = P.Largest();
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  if (!(std::fabs(P.Largest() - r) / s <= kTol))
    MaterialPointFault(x.at, "Initiating a new crack:\n", x.p.model->name,
                       "The principal stress of the new crack does not reach its initiation stress:\n"
                       "the crack iterations did not converge. The load step is far too large for the\n"
                       "crack model (check the load-case factors of the combination).");
  AddCrack(x, v, P.Dir(P.m), P.Largest());
  // Equal principal stresses that reach the initiation stress together open together.
  for (int i = 1; i < P.m; i++) {
    if (!(std::fabs(P.v[i] - r) / s < kTol) || *v.nCr >= x.maxCracks) continue;
    const CrackDir d = P.Dir(i);
    if (*v.angle < CalcDeltaCrAngleOf(v, d)) AddCrack(x, v, d, P.v[i]);
  }
}

// ---- a private copy of a record's crack fields -------------------------------------------------

struct ViewCopy {
  // The per-crack vectors of four entries.
  static constexpr double* CrackView::* kFields[] = {
      &CrackView::h,    &CrackView::gf,    &CrackView::gfInitial, &CrackView::gfII,   &CrackView::ft,
      &CrackView::k1,   &CrackView::k2,    &CrackView::tau1,      &CrackView::tau2,   &CrackView::reop,
      &CrackView::close, &CrackView::epsMax, &CrackView::g1,      &CrackView::g2,     &CrackView::maxSliding};
  CrackView v{};
  int32_t ints[2] = {0, 0};
  double reals[2] = {0, 0};
  char byte = 0;
  CrackPlasticPart plastic{};
  NLMM121_HD owenFig{};
  explicit ViewCopy(const CrackView& a) {
    v = a;
    v.pointStatus = &ints[0];
    v.nCr = &ints[1];
    v.angle = &reals[0];
    *v.pointStatus = *a.pointStatus;
    *v.nCr = *a.nCr;
    *v.angle = *a.angle;
    const auto vec = [](double*& p, const double* src, int n) {
      if (src == nullptr) return;
      allocd1(&p, n);
      copyd1(p, src, n);
    };
    const auto ivec = [](int32_t*& p, const int32_t* src) {
      if (src == nullptr) return;
      alloci1(&p, 4);
      for (int i = 1; i <= 4; i++) p[i] = src[i];
    };
    const int ns = a.model->ns, nc = a.model->nc;
    vec(v.stress, a.stress, ns);
    vec(v.deltaStress, a.deltaStress, ns);
    ivec(v.status, a.status);
    ivec(v.shear1, a.shear1);
    ivec(v.shear2, a.shear2);
    if (a.dir != nullptr) {
      allocd2(&v.dir, 4, 3);
      copyd2(v.dir, a.dir, 4, 3);
    }
    if (a.angleRows != nullptr) {
      allocd2(&v.angleRows, 4, 2);
      copyd2(v.angleRows, a.angleRows, 4, 2);
    }
    vec(v.angleVec, a.angleVec, 4);
    for (auto f : kFields) vec(v.*f, a.*f, 4);
    vec(v.e, a.e, 4 * nc);
    vec(v.s, a.s, 4 * nc);
    // The plastic state: the fields an update writes are the copy's own.
    if (a.plastic != nullptr) {
      plastic = *a.plastic;
      allocd1(&plastic.PlasticStrain, ns);
      copyd1(plastic.PlasticStrain, a.plastic->PlasticStrain, ns);
      v.plastic = &plastic;
    }
    if (a.owenFig != nullptr) {
      owenFig = *a.owenFig;
      allocd1(&owenFig.PlasticStrain, ns);
      copyd1(owenFig.PlasticStrain, a.owenFig->PlasticStrain, ns);
      v.owenFig = &owenFig;
    }
    if (a.tolerance != nullptr) {
      v.tolerance = &reals[1];
      reals[1] = *a.tolerance;
      byte = *a.accepted;
      v.accepted = &byte;
    }
  }
  ~ViewCopy() {
    for (auto f : kFields)
      if (v.*f != nullptr) freed1(v.*f);
    for (double* p : {v.stress, v.deltaStress, v.angleVec, v.e, v.s})
      if (p != nullptr) freed1(p);
    for (int32_t* p : {v.status, v.shear1, v.shear2})
      if (p != nullptr) freei1(p);
    if (v.dir != nullptr) freed2(v.dir);
    if (v.angleRows != nullptr) freed2(v.angleRows);
    if (v.plastic != nullptr) freed1(plastic.PlasticStrain);
    if (v.owenFig != nullptr) freed1(owenFig.PlasticStrain);
  }
  ViewCopy(const ViewCopy&) = delete;
  ViewCopy& operator=(const ViewCopy&) = delete;
};

}  // namespace

// ---- detectors ----------------------------------------------------------------------------------

void CalcPrincipalStressesAt(const CrackEventContext& x, const double* stress, double* values, double** dir) {
  GUARD(x.p.model->ns != 6);  // the principal stresses of a plane member are not built here
  if (!CalcPrincipalStresses3D(dir, values, stress))
    MaterialPointFault(x.at, "Calculating the principal stresses:\n", x.p.model->name,
                       "Unable to calculate the principal stresses.");
}

PrincipalStresses::PrincipalStresses(const CrackEventContext& x, const double* stress)
    : m(x.p.model->ns == 6 ? 3 : 2) {
  if (m == 3) {
    allocd2(&d, 3, 3);
    CalcPrincipalStressesAt(x, stress, v, d);
    return;
  }
  GUARD(x.p.model->ns != 3);
  CalcPrincipalStresses2D(&a[2], &v[2], &v[1], stress);
  a[1] = a[2] <= 0.0 ? a[2] + kHalfPi : a[2] - kHalfPi;
}

PrincipalStresses::~PrincipalStresses() {
  if (d != nullptr) freed2(d);
}

CrackDir PrincipalStresses::Dir(int i) const {
  CrackDir r;
  if (m == 3)
    for (int k = 1; k <= 3; k++) r.n[k] = d[k][i];
  else
    r.angle = a[i];
  return r;
}

double CalcDeltaCrAngleOf(const CrackView& v, const CrackDir& d) {
  const int n = *v.nCr;
  if (v.model->nc == 3) return CalcDeltaCrAngle(d.n, n, v.dir);
  double best = 4.0 * kHalfPi;
  for (int k = 1; k <= n; k++) {
    double a = std::fabs(d.angle - (v.angleRows != nullptr ? v.angleRows[k][1] : v.angleVec[k]));
    if (a > kHalfPi) a = 2.0 * kHalfPi - a;
    if (a < best) best = a;
  }
  GUARD(best < 0.0 || best > kHalfPi);
  return best;
}

void CalcCrTractions(const CrackView& v, const double* stress, double* t) {
  const int n = *v.nCr, nc = v.model->nc, ns = v.model->ns;
  double** T;
  allocd2(&T, nc * n, ns);
  if (nc == 3) {
    CalcMat_Tcr_3D(n, T, v.dir, v.twist);
  } else {
    double angle[5] = {0, 0, 0, 0, 0};
    for (int k = 1; k <= n; k++) angle[k] = v.angleRows != nullptr ? v.angleRows[k][1] : v.angleVec[k];
    CalcMat_Tcr(n, T, angle);
  }
  multd2d1(t, T, stress, nc * n, ns);
  freed2(T);
}

CrackEventContext CrackEventContextOf(const SolidCrackModel& model, const PointContext& at, const MaterialRecord& m,
                                      double** Dco) {
  return CrackEventContext{CrackParamsOf(model, m), at, m, Dco, MatSlotInt(m, model.code, model.maxCracks, 1)};
}

CrackSolve::~CrackSolve() {
  if (T == nullptr) return;
  FreeActiveCracks(&c);
  freed2(T);
  freed1(eRef);
}

void CrackSolve::Set(const CrackView& v) {
  if (T != nullptr) {
    FreeActiveCracks(&c);
    freed2(T);
    freed1(eRef);
  }
  const int nA = CalcNumActiveCr(v), nc = v.model->nc;
  AssignActCrData(nA, v, &c);
  allocd2(&T, nc * nA, v.model->ns);
  CalcMat_TcrOfCracks(*v.model, c, T);
  allocd1(&eRef, nc * nA);
  copyd1(eRef, c.e, nc * nA);
  copyd1(sigma, v.stress, v.model->ns);
}

bool CrackSolve::Run(const CrackEventContext& x, const CrackView& v, const double* dEps, char* algorithm) {
  Set(v);
  char code = 0;
  const AcceptedResidual rec{v.tolerance, v.accepted};
  const bool ok = x.plasticStep != nullptr ? x.plasticStep(x, v, *this, dEps, &code)
                                           : CalcDeltaStress(x.p, x.at, c, T, x.Dco, dEps, sigma, rec, &code);
  if (algorithm != nullptr) *algorithm = code;
  return ok;
}

bool CheckNewCrInit(const CrackEventContext& x, CrackView& v, const double* stress) {
  const int n = *v.nCr;
  if (n >= x.maxCracks) return false;
  const Principal P(x, stress);
  if (n == 0) return v.ft[1] < P.Largest();
  const double a = CalcDeltaCrAngleOf(v, P.Dir(P.m));
  if (!(v.ft[n + 1] < P.Largest())) return false;
  if (*v.angle < a) return true;
  // Too close to an existing crack: the same stress state shall not report it again
  // (the test above is strict).
  v.ft[n + 1] = P.Largest();
  return false;
}

bool CheckCrReop(const CrackEventContext& x, CrackView& v, const double* stress, CrackEvents& ev) {
  for (int k = 1; k <= 4; k++) {
    ev.reopFlag[k] = 0;
    ev.ratio[k] = 0.0;
  }
  const int n = *v.nCr;
  if (CalcNumActiveCr(v) == n) return false;
  double t[13];
  CalcCrTractions(v, stress, t);
  bool any = false;
  for (int k = 1; k <= n; k++) {
    if (v.status[k] != kCrClosed) continue;
    const double tn = t[v.model->nc * (k - 1) + 1];
    if (v.model->thresholds) {
      // At or below its reopening stress the crack stays closed and the threshold stands.
      if (v.reop[k] < tn) {
        ev.reopFlag[k] = 1;
        any = true;
      }
    } else {
      // The simple model: the traction ratio beyond the crack's stored normal stress ratio.
      const double r = tn / x.p.ref, kept = v.s[v.model->nc * (k - 1) + 1] / x.p.ref;
      if (r > kTol && r > kept + kTol) {
        ev.reopFlag[k] = 1;
        ev.ratio[k] = std::max(kept, kTol);
        any = true;
      }
    }
  }
  return any;
}

bool CheckCrClose(const CrackEventContext& x, const CrackView& v, const double* e, CrackEvents& ev) {
  for (int k = 1; k <= 4; k++) ev.closeFlag[k] = 0;
  bool any = false;
  int j = 0;
  for (int k = 1; k <= *v.nCr; k++) {
    if (v.status[k] == kCrClosed) continue;
    j++;
    GUARD(MatSlotInt(x.m, x.p.model->code, x.p.model->closeOption, x.p.model->closeOptionWord) == 2);
    const double eps = e[v.model->nc * (j - 1) + 1];
    if (v.model->thresholds ? v.close[k] > eps : eps < 0.0) {
      ev.closeFlag[j] = 1;
      any = true;
    }
  }
  return any;
}

bool CheckChangeCrStatus(const CrackEventContext& x, CrackView& v, const CrackSolve& s, CrackEvents& ev) {
  ev.newCrack = CheckNewCrInit(x, v, s.sigma);
  ev.reopening = CheckCrReop(x, v, s.sigma, ev);
  ev.closing = CheckCrClose(x, v, s.c.e, ev);
  return ev.newCrack || ev.reopening || ev.closing;
}

void UpdateCrModelState(const CrackEventContext& x, CrackView& v, CrackSolve& s, CrackEvents& ev,
                        const CrackChange& ch) {
  const int ns = v.model->ns;
  if (v.deltaStress != nullptr)
    for (int i = 1; i <= ns; i++) v.deltaStress[i] = s.sigma[i] - v.stress[i];
  copyd1(v.stress, s.sigma, ns);
  StoreCrStrainStress(v, s);
  if (v.model->thresholds) {
    UpdateCrReopThreshold(v, ev, ch);
    UpdateCrCloseThreshold(v, s, ev, ch);
  }
  int active[5] = {0, 0, 0, 0, 0};
  for (int k = 1, j = 0; k <= *v.nCr; k++)
    if (v.status[k] != kCrClosed) active[++j] = k;
  {
    StatusUpdate u(x, v, s, ev);
    u.Run();
    // The state at the transition point of a step far beyond the law's range may not
    // reopen or close the crack found there: the iterate fails in words.
    if ((ch.apply && ch.kind == 2 && !u.reopened) || (ch.apply && ch.kind == 3 && !u.closed))
      IterateFault(PointFaultContext(x.at, "Updating the crack status at a transition point:\n", x.p.model->name),
                   WithLoadStepNote(x.at, ch.kind == 2 ? "The crack found reopening at its transition point does not reopen."
                                                       : "The crack found closing at its transition point does not close.")
                       .c_str());
  }
  Update_Gf(x, v, active, s.c.n);
  UpdateNewCrInitThreshold(x, v, ev, ch);
  UpdateNewCrInit(x, v, ch);
  if (x.plasticStore != nullptr)
    x.plasticStore(x, v, s);
  else if (*v.nCr > 0)
    *v.pointStatus = 2;
}

// ---- re-checks ----------------------------------------------------------------------------------

namespace {

double recheckSeconds = 0.0;

// Adds the time of its scope to recheckSeconds.
struct RecheckClock {
  std::chrono::steady_clock::time_point t0 = std::chrono::steady_clock::now();
  RecheckClock() = default;
  RecheckClock(const RecheckClock&) = delete;
  RecheckClock& operator=(const RecheckClock&) = delete;
  ~RecheckClock() {
    recheckSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
};

}  // namespace

double CrackRecheckSeconds() { return recheckSeconds; }

bool CheckCrEventReallyOccur(const CrackEventContext& x, const CrackView& v, const double* dEps, const CrackEvents& ev,
                             const CrackChange& ch) {
  const RecheckClock clock;
  bool ok = true;
  ViewCopy copy(v);
  CrackView& w = copy.v;
  CrackEvents local = ev;
  double d1[7], d2[7];
  for (int i = 1; i <= v.model->ns; i++) {
    d1[i] = ch.k * dEps[i];
    d2[i] = (1.0 - ch.k) * dEps[i];
  }
  {
    CrackSolve s;
    GUARD(!s.Run(x, w, d1));
    UpdateCrModelState(x, w, s, local, ch);
  }
  GUARD(ch.kind != 3 && CalcNumActiveCr(w) == 0);
  CrackSolve s;
  if (!s.Run(x, w, d2)) ok = false;
  CheckChangeCrStatus(x, w, s, local);
  double k = 0.0;
  if (ok && local.newCrack && !CalcTransPointNewCrInit(x, w, d2, 1, &k)) ok = false;
  if (ok && local.reopening)
    for (int c = 1; c <= *w.nCr && ok; c++) {
      if (local.reopFlag[c] == 0) continue;
      // A crack that closed at the transition point and reopens at once.
      const int j = ActivePosition(v, c);
      if (ch.kind == 3 && j > 0 && ev.closeFlag[j] != 0) ok = false;
      if (ok && !CalcTransPointCrReop(x, w, d2, c, local.ratio, &k)) ok = false;
    }
  if (ok && local.closing) {
    int j = 0;
    for (int c = 1; c <= *w.nCr && ok; c++) {
      if (w.status[c] == kCrClosed) continue;
      j++;
      if (local.closeFlag[j] == 0) continue;
      // A crack that reopened at the transition point and closes at once.
      if (ch.kind == 2 && ev.reopFlag[c] != 0) ok = false;
      if (ok && !CalcTransPointCrClose(x, w, d2, j, c, &k)) ok = false;
    }
  }
  return ok;
}

bool CheckNewCrInitDirection(const CrackEventContext& x, const CrackView& v, const double* dEps) {
  CrackSolve s;
  if (!s.Run(x, v, dEps)) return true;
  const Principal P(x, s.sigma);
  const double a = CalcDeltaCrAngleOf(v, P.Dir(P.m));
  return !(std::fabs(a - kHalfPi) < 0.017453292519943295);
}
