#!/usr/bin/env python3
"""The example jobs of examples/ written with volde_writer.py: a frame, a truss and a wall.

    python3 example_models.py        # writes portal_gl.bin, truss_gl.bin, wall_gl.bin here

Units: metres, newtons. 2-D models lie in the x2-x3 plane (x1 = 0).
"""
import volde_writer as vw

FRAME_2D, TRUSS_2D, PLANE_STRESS_QUAD = 3, 1, 10          # element type codes
LIN_ISO = 1                                                # material kind
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


if __name__ == "__main__":
    for name, build in (("portal", portal), ("truss", truss), ("wall", wall)):
        build().write(name)
