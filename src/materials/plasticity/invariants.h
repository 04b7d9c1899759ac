// Stress invariants of the plasticity models: I1, the deviatoric J2 and J3, their
// gradients and their second-derivative matrices with respect to the stress vector.
//
// Stress vectors are 1-based with n = 3, 4 or 6 components, shears as tensor components:
//   n = 6: (s11, s22, s33, t23, t13, t12);
//   n = 3: plane stress (s11, s22, t12), the six-vector with s33 = t23 = t13 = 0;
//   n = 4: (s11, s22, s33, t), t counted as t23 (paired with s11); a plane-strain model
//          therefore puts the out-of-plane stress first: (szz, sxx, syy, txy).
// Any other n is the internal error. The caller allocates every output.
#pragma once

#include "model/stress_state.h"

void CalcFirstStressInvariant(int n, double* I1, const double* s);
void CalcSecondDeviatoricStressInvariant(int n, double* J2, const double* s);
void CalcThirdDeviatoricStressInvariant(int n, double* J3, const double* s);
void CalcDerivFirstStressInvariant(int n, double* dI1);
void CalcDerivSecondDeviatoricStressInvariant(int n, double* dJ2, const double* s);
void CalcDerivThirdDeviatoricStressInvariant(int n, double* dJ3, const double* s);
void CalcDeriv2FirstStressInvariant(int n, double** d2I1);
void CalcDeriv2SecondDeviatoricStressInvariant(int n, double** d2J2);
void CalcDeriv2ThirdDeviatoricStressInvariant(int n, double** d2J3, const double* s);

// The invariants of s with their gradients and second-derivative matrices in one call.
struct StressInvariants {
  double I1, J2, J3;
  double* dI1;    // [n]
  double* dJ2;    // [n]
  double* dJ3;    // [n]
  double** d2I1;  // [n][n]
  double** d2J2;
  double** d2J3;
};
// Allocates (AllocStressInvariants) and releases the vectors and matrices of n components.
void AllocStressInvariants(int n, StressInvariants* v);
void FreeStressInvariants(StressInvariants* v);
void CalcStressInvariantsAndDerivs(int n, const double* s, StressInvariants* v);

// Lengths of tensors held as n-vectors in the order of this header (n = 3: 11, 22, 12;
// n = 4: 11, 22, 33 and the shear; n = 6: 11, 22, 33, 23, 13, 12), scalars of the tensor
// that do not change when the same state is written in turned axes.
// TensorShearWeight: the weight of component i in the tensor product e:e of a strain-like
// vector with engineering shears: 1 for a normal, 1/2 for a shear (gamma = 2 e_ij, whose
// halves are counted twice).
double TensorShearWeight(int n, int i);
// sqrt(e:e) of a strain-like vector with engineering shears; ezz is the out-of-plane
// normal strain of plane stress (n = 3), which the vector does not hold (0 otherwise).
double TensorStrainNorm(int n, const double* e, double ezz = 0.0);
// sqrt(s:s) of a stress-like vector with tensor shears (each shear counted twice).
double TensorStressNorm(int n, const double* s, double szz = 0.0);

// Components n of the model vector: 3 in plane stress, 4 in plane strain (szz kept), 6
// in the solid; any other state is the internal error.
int PlasticityComponents(StressState s);
// Element-order component of model component i (plane strain: the record holds
// sxx, syy, txy, szz, the model szz, sxx, syy, txy).
int ElementComponent(int n, int i);
// Model-order increment de and last stress of a point from the element-order increment
// dEps (plane strain: 3 components, ezz = 0 first) and the record's stress; the
// increment is added to the record's strain.
void ModelOrderIncrement(int n, const double* dEps, const double* stress, double* strain, double* de, double* last);
// Element tangent D from the model-order tangent T (plane strain: the in-plane block).
void ElementOrderTangent(int n, double** T, double** D);
