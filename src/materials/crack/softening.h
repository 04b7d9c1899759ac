// Softening laws of the smeared cracks, shared by all seven crack models: the ultimate
// crack strain, the crack stress and its slope (the crack's mode-I or mode-II
// stiffness), the fracture energy a crack has consumed, the critical fracture energy
// below which a law would snap back, the energy handed to a new crack, and the
// principal stresses of a plane stress vector.
//
// Pure functions. Arguments outside a law's domain (null divisors, a negative crack
// strain, a slope asked for beyond the ultimate strain, an unknown law) end in the
// internal error.
#pragma once

// Softening law codes of the crack models.
enum CrackSofteningLaw { kLawTrilinear = 1, kLawCornelissen = 2, kLawRilem = 3, kLawQuadrilinear = 4 };

// Break points of the normalised diagram: crack strain ratios xi (of the ultimate strain)
// and stress ratios alpha (of the tensile strength); xi3, alpha3 for law 4 only.
struct CrackLawShape {
  double xi1, alpha1, xi2, alpha2, xi3, alpha3;
};

// Laws a model knows: the plane models _NLMM101, _NLMM141 and the solid _NLMM102 know
// laws 1 to 3, the others 1 to 4.
constexpr int kThreeLaws = 3, kFourLaws = 4;

// Twice the area of the normalised trilinear (D3) and quadrilinear (D4) diagrams, and
// the area under the normalised Cornelissen curve on [0, 1].
double CrackAreaD3(const CrackLawShape& s);
double CrackAreaD4(const CrackLawShape& s);
double CornelissenArea();

// Ultimate crack normal strain of laws 1, 2, 4 from ft, Gf and h; law 3 holds it in the
// fracture-energy position (gf) and returns it as given.
double CrUltNormalStrain(int law, double ft, double gf, double h, const CrackLawShape& s);

// Crack normal stress at crack strain eps. eps0 (law 3 only) is ft / E. Beyond the
// ultimate strain the stress is 0, or -kres (eps - eps_u) with a residual stiffness
// kres > 0 (_NLMM102, laws 1 to 3).
double CrNormalStressSoft(int law, double ft, double gf, double h, double eps, const CrackLawShape& s,
                          double eps0, double kres = 0.0);
// Slope d sigma / d eps of the crack normal stress (negative); none beyond eps_u.
double CrNormalSlopeSoft(int law, double ft, double gf, double h, double eps, const CrackLawShape& s, double eps0);

// Linear shear softening from (gamma0, tau0) down to (gamma_u, 0), gamma_u = 2 GfII / (h tau0).
double CrUltShearStrainLinear(double gfII, double h, double tau0);
double CrShearStressSoftLinear(double gfII, double h, double gamma, double tau0, double gamma0);
double CrShearSlopeSoftLinear(double gfII, double h, double gamma, double tau0, double gamma0);

// Transverse shear of cracked shells (components that crack at (gP, tauP)). Kind 1
// _LINEAR falls from tauP at gP to 0 at gU = gP + 2 GfII / (h tauP) (the triangle beyond
// the peak holds GfII / h); kinds 2 _TRILINEAR and 3 _CORNELISSEN are the normal laws at
// g - gP with tauP and GfII in the places of ft and Gf.
double TransverseShearUltStrain(int kind, double gfII, double h, double tauP, double gP, const CrackLawShape& s);
// Stress on the envelope at g >= gP.
double TransverseShearEnvelope(int kind, double gfII, double h, double tauP, double gP, const CrackLawShape& s,
                               double g);
// Unloading and reloading: on the secant from the origin to the envelope at gMax.
double TransverseShearUnloRelo(int kind, double gfII, double h, double tauP, double gP, const CrackLawShape& s,
                               double gMax, double g);

// Fracture energy consumed by a crack that reached crack normal strain eps:
// h * integral of sigma from 0 to eps (Gf beyond eps_u, 0 for law 3). nLaws: kThreeLaws
// or kFourLaws (law 4 of a three-law model is the internal error).
double CrConsumedGf(int nLaws, int law, double ft, double gf, double h, const CrackLawShape& s, double eps);

// Coefficient k of the critical fracture energy Gf,crit = k ft^2 h / E: the steepest
// normalised softening slope times the normalised area of the diagram.
double CriticalGfCoefficient(int nLaws, int law, const CrackLawShape& s);

// Critical value of a crack's fracture-energy field: the energy k ft^2 h / E for laws
// 1, 2, 4; for law 3, whose field holds the ultimate strain, the smallest ultimate strain
// that keeps the first segment no steeper than E, 2 k ft / (D3 E) (the same test as
// Gf >= k ft^2 h / E with Gf = eps_u D3 ft h / 2).
double CriticalFractureField(int nLaws, int law, const CrackLawShape& s, double ft, double h, double E);

// Fracture-energy field of a new crack. n cracks exist; crack n, the last one formed,
// carries (ftN, gfN, hN) and reached epsMaxN; theta in [0, pi/2] is the angle of the new
// crack with it, p the exponent of the material. The result is raised to the critical
// value of the new crack's slot (ft, h). With n = 0 the slot's own field gfN is taken.
double NewCrackFractureField(int nLaws, int law, const CrackLawShape& s, int n, int maxCracks, double ftN,
                             double gfN, double hN, double epsMaxN, double theta, double p, double ft, double h,
                             double E);

// Angle in [0, pi/2] between two crack directions given by their angles (plane) ...
double CrackAngleBetween2D(double a, double b);
// ... or by their unit normals (solid); a cosine beyond 1 + 1e-8 is the internal error.
double CrackAngleBetween3D(const double* n1, const double* n2);

// Principal stresses of a plane stress vector (sxx, syy, sxy) (1-based): the major and
// minor stress and the angle of the major direction from x, in (-pi/2, pi/2].
void CalcPrincipalStresses2D(double* angle, double* major, double* minor, const double* sigma);
