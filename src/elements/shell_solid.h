// Shell and solid elements, linear: the solid hexahedron (type 24), the Mindlin slab
// (type 18), the flat Mindlin shell (type 20) and the Ahmad shell (type 22), with the
// builders of their strain-displacement and constitutive matrices and the geometry and
// layer kernels of the Ahmad shell.
//
// All arrays are 1-based (numcore allocators). OutputControl is the flags vector of the
// output-control options ('Y'/'N' in entries 1..68). PointTypes holds one character per
// point: 'G' general point, 'M' coplanar point of Mindlin shells, 'A' coplanar point of
// Ahmad shells; at 'M' and 'A' points the rotation dofs stay in the point's coplanar axes.
// ElemPropIndex[e] is the "<ELEMENT_PROPERTIES>" record of element e in the current phase
// (0 = inactive). PointElementList[p] lists the (element, local node) pairs of the active
// elements that hold point p.
//
// Element dofs are node-major: solid u1 u2 u3; slab w, theta1, theta2; shells u1 u2 u3 r1
// r2 r3. Every element matrix is returned in global axes (the rotations of coplanar
// points in their coplanar axes); the caller allocates it.
#pragma once

#include "elements/kernel.h"
#include "materials/elastic.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

// ---- solid hexahedron ---------------------------------------------------------------

// Kg (nDofs x nDofs, nDofs = 3 nNodes) of an 8- or 20-node hexahedron of linear material.
void CalcStiffSolidHexa(int nDofs, int elem, int nNodes, int propIndex, const char* OutputControl,
                        const MeshData* mesh, double** Kg);
// Consistent mass M (nDofs x nDofs): rho N^T N over the "_G" rule (2 x 2 x 2 without a
// "<NUMERICAL_INTEGRATION>" record).
void CalcMassMatSolidHexa(int nDofs, int elem, int nNodes, int propIndex, const char* OutputControl,
                          const MeshData* mesh, double** M);

// The work arrays of an n-node hexahedron's sampling points: node coordinates X (n x 3),
// at a point s the shape functions N, their derivatives dN (natural) and dNdx (Cartesian),
// the Jacobian J and its inverse Jinv, and B (6 x 3n, its zero terms set once).
struct HexaPointWork {
  int n;
  double **X, **dN, **dNdx, **J, **Jinv, **B;
  double* N;
};
// Allocates the arrays of element elem (n nodes) and takes its node coordinates.
void OpenHexaPointWork(int elem, int n, const MeshData* mesh, HexaPointWork* w);
void CloseHexaPointWork(HexaPointWork* w);
// N, dN and J at s.
void HexaPointJacobian(const double* s, HexaPointWork* w);
// N, dN, J, its inverse by inverse(J, Jinv) (which checks it and returns det J), dNdx and B
// at s; returns det J.
template <typename Inverse>
double HexaPointGeometry(const double* s, HexaPointWork* w, Inverse&& inverse) {
  CalcShapeFuncSolidHexa(w->n, w->N, s);
  CalcShapeFuncDerivSolidHexa(w->n, w->dN, s);
  const double det = PointCartesianDerivWith(w->n, 3, w->X, w->dN, w->J, w->Jinv, w->dNdx, inverse);
  CalcMat_B_Solid(w->n, w->B, w->dNdx);
  return det;
}
// The same with the refusals of CalcInvJacobian in `context`.
double HexaPointB(int elem, const char* context, const double* s, HexaPointWork* w);

// Hexahedron of nonlinear material: tangent Kg and internal forces Fe of the displacement
// increment du (which advances the points' history records). dt, t and the element's
// nodal temperatures serve the time-dependent material patterns (concrete that shrinks,
// ages, creeps or is heated).
struct Index_HD;
struct NLMM_HD;
void CalcStiffSolidHexa_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                           const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                           double** Kg, double dt = 0.0, double t = 0.0, const double* nodeTemps = nullptr);
void CalcInt_Fg_SolidHexa_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const Index_HD* indexHD,
                             const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, const double* du, double* Fe,
                             double dt = 0.0, double t = 0.0, const double* nodeTemps = nullptr,
                             const double* tempTotal = nullptr, const double* tempIncrement = nullptr);
// Geometrically nonlinear solid (behaviour 'N'): prevCoord (nPoints x 3) the point
// coordinates of the last converged configuration, a the element's total displacements at
// the current iterate (null: none), du their increment (see ContinuumElementNL).
void CalcStiffSolidHexa_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                             const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                             double** prevCoord, const double* a, double** Kg);
// tempTotal, tempIncrement: the element's nodal temperature variations of the combination
// and their increment since the last converged one (null: none); the kinds that take a
// thermal strain then take the strain less the thermal one.
void CalcInt_Fg_SolidHexa_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                               const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                               double** prevCoord, const double* a, const double* du, double* Fe,
                               const double* tempTotal = nullptr, const double* tempIncrement = nullptr);
// Adds to Fe (3 per node) the forces B^T D0 eps_T of the total nodal temperature variation
// tempTotal on the initial geometry, with the element's rule and the elastic matrix and
// expansion coefficient of its group: the term that the temperature load balances.
void AddThermalStressForces_SolidHexa_NLMG(int elem, int nNodes, int prop, const MeshData* mesh,
                                           const double* tempTotal, double* Fe);

// ---- Mindlin slab -------------------------------------------------------------------

// K (3 nNodes square) of a 4-, 8- or 9-node slab in the x1-x2 plane.
void CalcStiffMindlinSlabQuad(int ndof, int elem, int nNodes, int propIndex, const char* OutputControl,
                              const MeshData* mesh, double** K);
// kind 'B': curvature rows (chi1, chi2, chi12); 'S': shear rows (gamma23, gamma13).
// Writes only the non-zero entries; the caller clears B once.
void CalcMat_B_MindlinSlab(int nNodes, char kind, double** B, double** dNdx, const double* N);
// Db (3 x 3, per unit thickness cubed, without t^3/12) and Ds (2 x 2, per unit thickness)
// of the element's "_LIN_ISO" material.
void CalcMat_D_MindlinSlab(int propIndex, int nb, int ns, int nb2, int ns2, double** Db, double** Ds,
                           const MaterialRecord* linIso, const ElementProperty* props);

// ---- Mindlin shell ------------------------------------------------------------------

// K (6 nNodes square) of a flat 4-, 8- or 9-node shell in space, in global axes.
void CalcStiffMindlinShellQuad(int ndof, int elem, int nNodes, int propIndex, const char* OutputControl,
                               const MeshData* mesh, double** K, const char* PointTypes);
// Consistent mass in global axes: rho h on the translations, rho h^3/12 on the rotations
// about the element's in-plane axes, nothing on the drill, over the "_G" rule in s1, s2.
void CalcMassMatMindlinShellQuad(int ndof, int elem, int nNodes, int propIndex, const char* OutputControl,
                                 const MeshData* mesh, double** M, const char* PointTypes);
// kind 'M' membrane (eps_x, eps_y, gamma_xy), 'B' curvatures, 'S' transverse shear
// (gamma_yz, gamma_xz); dNdx along the element axes x', y'. Non-zero entries only.
void CalcMat_B_MindlinShell(int nNodes, char kind, double** B, double** dNdx, const double* N);
// In-plane D (3 x 3) and transverse-shear Ds (2 x 2) per unit thickness, in the element
// axes T, of the element's "_LIN_ISO" or "_LIN_ORTHO" material.
void CalcMat_D_MindlinShell(int elem, int propIndex, int nD, int nDs, int nD2, int nDs2, double** D, double** Ds,
                            double** T, const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems,
                            const MaterialRecord* linIso, const MaterialRecord* linOrtho,
                            const ElementProperty* props);
void CalcMat_D_MindlinShellIso(int nD, int nDs, int nD2, int nDs2, double E, double nu, double** D, double** Ds);
// Material axes from coordinate system coordSys; Ga acts on gamma_yz and Gb on gamma_xz
// when the material axes are the element axes.
void CalcMat_D_MindlinShellOrtho(int coordSys, int elem, int nD, int nDs, int nD2, int nDs2, double E1, double E2,
                                 double nu12, double nu21, double G12, double Gb, double Ga, const char* name,
                                 double** D, double** Ds, double** T, const AuxiliaryVector* auxVectors,
                                 const CoordinateSystem* coordSystems);
// Tm (3 x 3): engineering strains (eps_x, eps_y, gamma_xy) from element to material axes
// at angle alpha (from x' to l1); Ts (2 x 2) the same for (gamma_yz, gamma_xz).
void CalcMat_T_MatAxes(double alpha, double** Tm, double** Ts);
// Element axes T at the centre (rows: local axes), the nodal coordinates X2 (n x 2) in
// the element plane and, unless t is null, the nodal thicknesses t.
void ShellGeometry(int elem, int nNodes, int propIndex, const char* OutputControl, const MeshData* mesh, double** T,
                   double** X2, double* t);
// Kg = A^T Kl A, A block-diagonal per node: T on the translations, T on the rotations of
// a general point ('G'), the identity on the rotations of any other point. Kl unchanged.
void TransformElemMatMindlinShell(int ndof, int elem, int nNodes, int** elemNodes, double** Kg, double** Kl,
                                  double** T, const char* PointTypes);

// ---- Ahmad shell: geometry and layer kernels ------------------------------------------

// Tgn (nn x 3 x 3): per node the rotation whose rows V1, V2, V3 are the nodal axes (V3 the
// director). 'G' node: the element's own normal triad at the node; 'A' node: the coplanar
// triad of its point.
void CalcMat_Tgn_AhmadShellQuad(int elem, int d3, int nn, const char* OutputControl, const int* ElemPropIndex,
                                const int* ElemNodeCount, int** ElemNodes, double*** Tgn, double** X,
                                double** PointCoord, const char* PointTypes, const PointList* PointElementList,
                                const ElementProperty* props);
// J[a][k] = dx_a/ds_k of x(s) = sum N_i (X_i + s3 t_i/2 V3_i). dNds is nn x 2.
void CalcMat_J_AhmadShell(int d3, int nn, double** dNds, double** J, const double* N, const double* s,
                          double*** Tgn, double** X, const double* t);
// G (3 x 3 ndof): column block k holds du/ds_k per unit element dof.
void CalcMat_du_ds_AhmadShell(int elem, int n3ndof, int d3, int ndof, int dofsPerNode, int d3b, int nn,
                              int** ElemNodes, double** dNds, double** G, const double* N, const double* s,
                              double*** Tgn, const double* t, const char* PointTypes);
// mode 'M': rows (eps1', eps2', gamma1'2') on columns f..l of every node group (stride
// dofs); mode 'S': rows (gamma2'3', gamma1'3') on every column. theta: lamina axes.
void CalcMat_B_AhmadShell(int d3, int ndof, int n3ndof, int f, int l, int stride, int d3b, int nn, int m, char mode,
                          double** B, double** G, double** theta, double** Jinv);
void CalcMat_D_AhmadShell(int propIndex, int nDm, int nDs, int nDm2, int nDs2, double** Dm, double** Ds,
                          const MaterialRecord* linIso, const ElementProperty* props);
// Nmat (3 x ndof): u(s) = Nmat a, global components.
void CalcMat_N_AhmadShell(int elem, int d3, int ndof, int dofsPerNode, int d3b, int nn, int** ElemNodes,
                          double** Nmat, const double* N, const double* s, double*** Tgn, const double* t,
                          const char* PointTypes);
// t[1..nn] += the thickness of every layer at every node (the caller clears t).
void CalcNodeElementThick_Layered(int nL, int layerPattern, int nn, double* t, const GeometryPattern* geomPatterns,
                                  const LaminateThickness* lamThicks, const LayerPattern* layerPatterns,
                                  const LayerProperty* layerProps);
// At shape values N: total thickness *T, layer thicknesses tL[1..nL] and layer middle
// surfaces z[1..nL] measured from the element's middle surface towards the director.
void CalcLayerGeomProp_Ahmad(int nL, int layerPattern, int nn, double* T, const double* N, double* z, double* tL,
                             const GeometryPattern* geomPatterns, const LaminateThickness* lamThicks,
                             const LayerPattern* layerPatterns, const LayerProperty* layerProps);
// Rotation T (rows V1, V2, V3) from global axes to the coplanar axes of a point shared by
// Ahmad shells: V3 the normalised sum of their unit normals at the point.
void CalcMat_T_CoplanarPointAhmad(int point, const int* ElemPropIndex, const int* ElemNodeCount, int** ElemNodes,
                                  double** T, double** PointCoord, const PointList* PointElementList,
                                  const ElementProperty* props);

// ---- Ahmad shell: linear stiffness ----------------------------------------------------

void CalcStiffAhmadShellQuad(int ndof, int elem, int nn, int propIndex, const char* OutputControl,
                             const MeshData* mesh, const int* ElemPropIndex, double** K, const char* PointTypes,
                             const PointList* PointElementList);
// Consistent mass rho N^T N over the "_G" rule in s1, s2, s3, the rotations entering N
// through the thickness coordinate.
void CalcMassMatAhmadShellQuad(int ndof, int elem, int nn, int propIndex, const char* OutputControl,
                               const MeshData* mesh, const int* ElemPropIndex, double** M, const char* PointTypes,
                               const PointList* PointElementList);

// ---- shared by the family and its loads -------------------------------------------------

// Unit normal (normal[1..3]) of the n-node shell quadrilateral elem of type `type` at its
// local node localNode, from the element's own geometry.
void CalcShellNodeNormal(int elem, int type, int n, int localNode, int** elemNodes, double** pointCoords,
                         double* normal);

// Nodal thicknesses t[1..n] of a slab or shell: "_LAM_THICK" one record for every node,
// "_GEOM_PATT" one "<LAMINATE_THICKNESSES>" record per node. Another geometric kind or a
// thickness that is not positive stops the run with a message naming the property record.
void CalcShellNodeThickness(int n, int propIndex, double* t, const GeometryPattern* geomPatterns,
                            const LaminateThickness* lamThicks, const ElementProperty* props);
// det J of a 2 x 2 Jacobian with the null / negative / not invertible checks whose
// messages name the part integrated ("membrane", "bending", "shear").
// context: the line written before the message (one %d: elem).
double CalcInvJacobianPart(int elem, const char* part, double** J, double** Jinv,
                           const char* context = "Calculating the stiffness matrix of element n. %d\n");
// K (ndof square) += scale B^T D B with B nr x ndof, D nr x nr; DB (nr x ndof) is work space.
void AddScaledBtDB(int nr, int ndof, double scale, double** B, double** D, double** DB, double** K);
// Mass density of the element's own material record (of whatever kind it is); a kind
// without a density of its own stops the run naming element, type and material.
double ElemMaterialDensity(int elem, int typeCode, int propIndex, const MeshData* mesh);
// Plane-stress isotropic matrices of the plates and shells need -1 < nu < 1; family names
// the element in the message ("Mindlin slab", ...).
void CheckPlaneStressPoisson(const char* family, double nu);
// D (3 x 3) of an isotropic plate or shell in plane stress, after the Poisson check:
// E/(1-nu^2) on and nu E/(1-nu^2) off the diagonal of the normal terms, E/(2(1+nu)) shear.
void CalcPlateIsoD(const char* family, double E, double nu, double** D);

// ---- layered shells of a materially nonlinear analysis --------------------------------------
// The element's material kind is _LAY_PATT and its material number a "<LAYER_PATTERNS>"
// record, layer 1 at the bottom. Sampling points: the general (G) rule along s1 and s2
// (3 x 3 without a "<NUMERICAL_INTEGRATION>" record), s1 fastest, and at every point one
// history record per nonlinear layer. The tangent routines read the current records; the
// force routines advance them by the displacement increment du (da) and take the linear
// layers and the transverse shear from the total displacement u (a).

struct ElemFaultContext;
// De (3 x 3) and Dse (2 x 2) of "<LAYER_PROPERTIES>" record layerProp of material kind
// `kind`, in the element (or lamina) axes T: isotropic, orthotropic (material axes from its
// coordinate system, which must share the normal) or a bar (E v^T v, no shear).
void CalcMat_D_MindlinShell_NL(int elem, int layerProp, int kind, int nD, int nDs, int nD2, int nDs2, double** De,
                               double** Dse, double** T, const MeshData* mesh);
void CalcStiffMindlinShellQuad_NL(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                  const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                  double** K, const char* PointTypes);
void CalcInt_Fg_MindlinShellQuad_NL(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                    const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                    const double* du, const double* u, double* Fe, const char* PointTypes);
// Large deflections of the layered shell (behaviour 'N', total Lagrangian only): the
// membrane strains gain 1/2 (w,1^2, w,2^2, 2 w,1 w,2) in element axes and the tangent the
// geometric term G^T N G of the membrane forces. a: element displacements in global axes
// at the current iterate; u, du: the total and the increment. Forces and tangent take the
// slopes of the current iterate on the initial geometry (moderate rotations).
void CalcStiffMindlinShellQuad_NLMG(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                    const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                    const int* elemToHD, double** K, const char* PointTypes, const double* a);
void CalcInt_Fg_MindlinShellQuad_NLMG(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                      const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                      const int* elemToHD, const double* du, const double* u, double* Fe,
                                      const char* PointTypes);
// G (2 x ndof): the slopes (w,1, w,2) in its u3 columns; B_NL (3 x ndof): the slopes of a
// times G in the membrane rows, so that 1/2 B_NL(a) a = 1/2 (w,1^2, w,2^2, 2 w,1 w,2).
void CalcMat_G_MindlinShellQuad_NLMG(double** G, double** dNdx, int nNodes);
void CalcMat_BNL_MindlinShellQuad_NLMG(double** BNL, double** dNdx, double** G, const double* a, int nNodes,
                                       int ndof);
// The Ahmad shell samples each layer at its middle surface, weighted by its thickness and
// the in-plane Jacobian determinant in the lamina axes, membrane-bending and transverse
// shear in two passes over the same points.
void CalcStiffAhmadShellQuad_NL(int comb, int ndof, int elem, int iter, int nn, int prop, const char* oc,
                                const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                const int* ElemPropIndex, double** K, const char* PointTypes,
                                const PointList* PointElementList);
void CalcInt_Fg_AhmadShellQuad_NL(int comb, int ndof, int elem, int iter, int nn, int prop, const char* oc,
                                  const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                  const int* ElemPropIndex, const double* da, const double* a, double* F,
                                  const char* PointTypes, const PointList* PointElementList);
// Lamina axes theta (rows e1', e2', e3') at s = (s1, s2, s3) and the determinant of the
// in-plane block of the Jacobian in those axes: nodal coordinates and nodal triads both
// turned into the lamina axes, so that the area factor does not depend on the element's
// orientation in space.
// Xl (nn x 3) and Jl (3 x 3), when given, receive the nodal coordinates and the Jacobian
// in the lamina axes.
double CalcInplaneDet_AhmadShell(int elem, int nn, char printFlag, const double* s, const double* N, double** dNds,
                                 double** X, double*** Tgn, const double* t, double** theta, double** Xl = nullptr,
                                 double** Jl = nullptr);

// The element's layer pattern and its layer count *nL, after the checks of the node
// count (4, 8, 9), of the material kind (_LAY_PATT) and of the layers' kinds.
int LayeredShellPattern(const ElemFaultContext& at, int typeCode, int nNodes, int prop, const MeshData* mesh,
                        int* nL);

// One call of a layered shell (Mindlin or Ahmad) on its layer stack: the element, what is
// asked of it and its layer pattern.
struct LayerStackCall {
  int comb, ndof, elem, iter, nNodes, prop;
  const char* oc;
  const Index_HD* indexHD;
  const MeshData* mesh;
  NLMM_HD* hd;
  const int* elemToHD;
  const char* PointTypes;
  bool stiffness;       // the tangent, else the internal forces
  bool geometric;       // large deflections (the Mindlin shell)
  const char* context;  // context line of the messages
  int pattern = 0, nL = 0;
};
// The call's layer pattern and count, checked for a shell of type typeCode.
void FindLayerStack(LayerStackCall* c, int typeCode);
// Point counts and line rules along s1, s2 of the call's element.
struct LayeredRules {
  int c[4];
  const double *a1, *w1, *a2, *w2;
};
void FetchLayeredRules(const LayerStackCall& c, LayeredRules* r);
// Nodal data of a layered Ahmad shell: coordinates X (nn x 3), thicknesses t (the sums of
// the layers) and nodal triads Tgn.
void CalcNodeData_AhmadShellLayered(int elem, int nn, int pattern, int nL, const char* OutputControl,
                                    const int* ElemPropIndex, const char* PointTypes,
                                    const PointList* PointElementList, const MeshData* mesh, double** X,
                                    double*** Tgn, double* t);
// Record of layer `layer` at sampling point ip of element elem (rows checked).
int LayerPointRecord(const Index_HD* indexHD, const int* elemToHD, int elem, int ip, int layer);
// Oliver's crack band option (4, 5) of a layer of kind `code` whose crack model measures
// a new crack on the element's geometry at the point; 0 for the other layers.
int LayerOliverOption(int code, const MaterialRecord& m);
// Every layer of the pattern must be of a kind the shell type (20, 22) takes: otherwise
// the context, the layer and its material kind, and a message.
void CheckShellLayerKinds(const ElemFaultContext& at, int typeCode, int pattern, const MeshData* mesh);
// Null total thickness of the layers at a point: context (one %d: elem), point, layer.
[[noreturn]] void LayerThicknessFault(const char* context, int elem, int ip, int layer);
