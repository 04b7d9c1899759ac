#!/usr/bin/env python3
"""The example jobs of examples/ written with volde_writer.py: a frame, a truss and a wall;
and a nonlinear job of four parts whose stresses are known (stress_parts).

    python3 example_models.py        # writes portal_gl.bin, truss_gl.bin, wall_gl.bin,
                                     # stress_parts_gl.bin here

Units: metres, newtons. 2-D models lie in the x2-x3 plane (x1 = 0).
"""
import volde_writer as vw

FRAME_2D, TRUSS_2D, PLANE_STRESS_QUAD = 3, 1, 10          # element type codes
CABLE_3D, MINDLIN_SHELL_QUAD, SOLID_HEXA = 6, 20, 24
LIN_ISO = 1                                                # material kinds
NLMM101, NLMM102, NLMM145, NLMM201, LAY_PATT = 7, 8, 19, 27, 47
CS_AREA, CS_2D, LAM_THICK = 2, 3, 5                        # geometry kinds


def point_2d(m, x2, x3, fixity="000000"):
    p = m.point(0.0, x2, x3)
    if fixity != "000000":
        m.support(p, fixity)
    return p


def portal(n=4, H=4.0, B=6.0):
    """Concrete portal frame, columns H, beam B, n Frame2D members each, fixed bases."""
    m = vw.Model("Portal frame: wind and roof load")
    m.record("<LINEAR_ISOTROPIC_MATERIALS>", vw.lin_iso("concrete", 0.0, 0.0, 30e9, 0.3))
    # area, (not used), second moment of area, depth
    m.record("<FRAME_2D_CROSS_SECTIONS>", vw.record("section", "dddd", 0.15, 0.0, 0.3 * 0.5 * 0.5 * 0.5 / 12, 0.3))
    point_2d(m, 0.0, 0.0, "011100")
    for k in range(1, n + 1):
        point_2d(m, 0.0, H * k / n)
    for k in range(1, n + 1):
        point_2d(m, B * k / n, H)
    for k in range(1, n + 1):
        point_2d(m, B, H - H * k / n, "011100" if k == n else "000000")
    for e in range(1, 3 * n + 1):
        m.element([e, e + 1])
    m.element_property(1, 3 * n, FRAME_2D, LIN_ISO, 1, CS_2D, 1)
    wind = m.load_case("wind")
    wind.record("<POINT_LOADS>", vw.point_load(5, [0.0, 10e3, 0.0, 0.0, 0.0, 0.0]))
    roof = m.load_case("roof load")
    for e in range(5, 9):  # 20 kN/m down on the beam
        roof.record("<EDGE_LOADS>", vw.edge_load(e, 0, 0, "G", 3, 1, [-20e3]))
    return m


def truss():
    """Steel Pratt truss, span 8 m in four panels, height 2 m, pinned and roller supports."""
    m = vw.Model("Pratt truss: joint loads")
    m.record("<LINEAR_ISOTROPIC_MATERIALS>", vw.lin_iso("steel", 0.0, 0.0, 200e9, 0.3))
    m.record("<CROSS_SECTION_AREAS>", vw.record("bar", "d", 2e-3))
    for k in range(5):
        point_2d(m, 2.0 * k, 0.0, "011000" if k == 0 else "001000" if k == 4 else "000000")
    for k in range(1, 4):
        point_2d(m, 2.0 * k, 2.0)
    bars = [(1, 2), (2, 3), (3, 4), (4, 5), (6, 7), (7, 8), (1, 6), (8, 5), (2, 6), (3, 7), (4, 8), (6, 3), (8, 3)]
    for b in bars:
        m.element(b)
    m.element_property(1, len(bars), TRUSS_2D, LIN_ISO, 1, CS_AREA, 1)
    lc = m.load_case("joint loads")
    for p in (2, 3, 4):
        lc.record("<POINT_LOADS>", vw.point_load(p, [0.0, 0.0, -10e3, 0.0, 0.0, 0.0]))
    return m


def wall(nx=8, ny=2, L=8.0, D=2.0):
    """Concrete wall L x D, 0.3 thick, clamped at x2 = 0, nx x ny plane-stress quadrilaterals."""
    m = vw.Model("Plane-stress wall: end shear and tension")
    m.record("<LINEAR_ISOTROPIC_MATERIALS>", vw.lin_iso("plate", 0.0, 0.0, 30e9, 0.2))
    m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", 0.3))
    for r in range(ny + 1):
        for c in range(nx + 1):
            point_2d(m, L * c / nx, D * r / ny, "011000" if c == 0 else "000000")
    for r in range(ny):
        for c in range(nx):
            p = r * (nx + 1) + c + 1
            m.element([p, p + 1, p + nx + 2, p + nx + 1])  # counter-clockwise seen from +x1
    m.element_property(1, nx * ny, PLANE_STRESS_QUAD, LIN_ISO, 1, LAM_THICK, 1)
    shear, tension = m.load_case("end shear"), m.load_case("tension")
    for e in (8, 16):  # edge 2 (s1 = +1) of the elements at the free end
        shear.record("<EDGE_LOADS>", vw.edge_load(e, 0, 2, "G", 3, 1, [-50e3]))
        tension.record("<EDGE_LOADS>", vw.edge_load(e, 0, 2, "G", 2, 1, [100e3]))
    return m


def stress_parts(q=300e3, p=1.5e6, F=310e3, P=1e4):
    """Four unconnected parts of a materially nonlinear run, each under a uniform stress that
    stays below cracking and yield, loaded by two combinations (half and full load):

    1. a plane-stress wall 2 x 1 (x2-x3), t 0.2, of _NLMM101 concrete (E 30e9, nu 0.2),
       pulled along x2 by q per unit length of its end edge: s22 = q / t = 1.5e6;
    2. a hexahedron 2 x 1 x 1 of _NLMM102 concrete on rollers, pulled along x1 by p per
       area: s11 = p = 1.5e6;
    3. a layered Mindlin shell 2 x 1 in x1-x2: concrete 0.1, bars 0.001 (_NLMM145, E_s
       200e9, along x'), concrete 0.1, pulled along x1 by F over its width 1: strain
       F / (E 0.2 + E_s 0.001) = 5e-5, the concrete layers sx = 1.5e6, the bar layer s = 1e7;
    4. a _CABLE_3D of area 1e-4 and _NLMM201 steel pulled by P: s = P / A = 1e8.
    """
    m = vw.Model("Stresses of four parts: wall, block, layered shell, cable")
    m.main["MATERIALLY_NONLINEAR_PROBLEM"] = 1
    # density, expansion, nu, E, reference stress, ft; law 1 (xi1, alpha1, xi2, alpha2, Gf, p);
    # retention 1 (beta); closing 1; band option 1 (width); 2 cracks (threshold angle)
    crack = [0.0, 0.0, 0.2, 30e9, 30e6, 3e6]
    law = [0.2, 0.5, 0.5, 0.2, 100.0, 1.0]
    m.record("<NLMM101>", vw.record("concrete", "ddddddiddddddidiidid", *crack, 1, *law, 1, 0.1, 1, 1, 0.1, 2, 1.0))
    m.record("<NLMM102>", vw.record("concrete", "ddddddiddddddidiiidid", *crack, 1, *law, 1, 0.1, 1, 1, 1, 0.1, 2,
                                    1.0))
    # density, expansion, E, E_sh, eps_y, fy, eps_sh, (not used), eps_u, fu (, angle of the bars)
    steel = [0.0, 0.0, 200e9, 2e9, 2.5e-3, 500e6, 0.01, 0.0, 0.1, 600e6]
    m.record("<NLMM145>", vw.record("bars", "d" * 11, *steel, 0.0))
    # density, expansion, eps_y, fy, eps_sh, f_sh, eps_u, fu, exponent
    m.record("<NLMM201>", vw.record("strand", "d" * 9, 0.0, 0.0, 2.5e-3, 500e6, 0.01, 500e6, 0.1, 600e6, 4.0))
    m.record("<CROSS_SECTION_AREAS>", vw.record("strand", "d", 1e-4))
    for t in (0.2, 0.201, 0.1, 0.001):  # wall, shell, concrete layer, bar layer
        m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", t))
    m.record("<LAYER_PROPERTIES>", vw.record("concrete", "iiii", NLMM101, 1, LAM_THICK, 3))
    m.record("<LAYER_PROPERTIES>", vw.record("bars", "iiii", NLMM145, 1, LAM_THICK, 4))
    m.record("<LAYER_PATTERNS>", vw.record("slab", "I", [1, 2, 1]))

    def at(x, fixity="000000"):
        pt = m.point(*x)
        if fixity != "000000":
            m.support(pt, fixity)
        return pt

    lc = m.load_case("pull")
    # 1. wall, edge 2 (s1 = +1) at x2 = 2
    m.element([at((0, 0, 0), "011000"), at((0, 2, 0)), at((0, 2, 1)), at((0, 0, 1), "010000")])
    m.element_property(1, 1, PLANE_STRESS_QUAD, NLMM101, 1, LAM_THICK, 1)
    lc.record("<EDGE_LOADS>", vw.edge_load(1, 0, 2, "G", 2, 1, [q]))
    # 2. block from x1 = 10, face 3 (s1 = +1) at x1 = 12; rollers on the faces at the origin
    corners = [(-1, -1), (1, -1), (1, 1), (-1, 1)]
    hexa = []
    for c in (-1, 1):
        for a, b in corners:
            fix = ("1" if a < 0 else "0") + ("1" if b < 0 else "0") + ("1" if c < 0 else "0") + "000"
            hexa.append(at((11.0 + a, 0.5 + 0.5 * b, 0.5 + 0.5 * c), fix))
    m.element(hexa)
    m.element_property(2, 2, SOLID_HEXA, NLMM102, 1, 0, 0)
    lc.record("<FACE_LOADS>", vw.face_load(2, 3, "G", 1, 1, [p]))
    # 3. shell from x1 = 20 (normal +x3, so x' = x1); u3 and the rotations held
    shell = [at((20, 0, 0), "111111"), at((22, 0, 0), "001111"), at((22, 1, 0), "001111"), at((20, 1, 0), "101111")]
    m.element(shell)
    m.element_property(3, 3, MINDLIN_SHELL_QUAD, LAY_PATT, 1, LAM_THICK, 2)
    for pt in shell[1:3]:
        lc.record("<POINT_LOADS>", vw.point_load(pt, [F / 2, 0.0, 0.0, 0.0, 0.0, 0.0]))
    # 4. cable from x1 = 30
    end = at((31, 0, 0), "011000")
    m.element([at((30, 0, 0), "111000"), end])
    m.element_property(4, 4, CABLE_3D, NLMM201, 1, CS_AREA, 1)
    lc.record("<POINT_LOADS>", vw.point_load(end, [P, 0.0, 0.0, 0.0, 0.0, 0.0]))
    m.combination("half", [(1, 0.5)])
    m.combination("full", [(1, 1.0)])
    return m


if __name__ == "__main__":
    for name, build in (("portal", portal), ("truss", truss), ("wall", wall), ("stress_parts", stress_parts)):
        build().write(name)
