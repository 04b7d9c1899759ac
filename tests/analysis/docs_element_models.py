#!/usr/bin/env python3
"""One small model per element type, written from docs/ alone (volde_writer.py, the node
orders and edge and face tables of elements.md), run, read back with volde_results.py and
checked against a closed-form number.

    python3 docs_element_models.py DOCS_DIR VOLDE_EXE WORK_DIR

With VOLDE_EXE "-" the script only writes every model's data file <name>_gl.bin into
WORK_DIR (the refused types under their keyword in lower case, e.g. solid_tetra_gl.bin),
and a bar with combinations (combinations_gl.bin).

Bars and patches of Poisson's ratio 0 under an end traction: the end moves sigma L / E
(exact for every element), and the reactions carry the load. Prints one line per model,
"name ok" or "name FAIL ...", and ends with status 1 on any failure.
"""
import os
import subprocess
import sys

DOCS, VOLDE, WORK = sys.argv[1:4]
sys.path.insert(0, DOCS)
import volde_writer as vw  # noqa: E402

E = 1000.0
LIN_ISO, CS_AREA, CS_2D, CS_3D, LAM_THICK = 1, 2, 3, 4, 5


def model(title):
    m = vw.Model(title)
    m.record("<LINEAR_ISOTROPIC_MATERIALS>", vw.lin_iso("m", 0.0, 0.0, E, 0.0))
    return m


def run(job, m):
    """Writes and runs the job; {(point, dof name): (value, reaction or None)} of _dr.bin."""
    m.write(os.path.join(WORK, job))
    r = subprocess.run([VOLDE, job], cwd=WORK, capture_output=True, text=True)
    if r.returncode != 0:
        raise RuntimeError("volde failed:\n" + r.stdout[-2000:] + r.stderr[-2000:])
    r = subprocess.run([sys.executable, os.path.join(DOCS, "volde_results.py"), job], cwd=WORK,
                       capture_output=True, text=True)
    if r.returncode != 0:
        raise RuntimeError("volde_results.py failed:\n" + r.stderr)
    out = {}
    for line in r.stdout.splitlines():
        f = line.split()
        if len(f) >= 3 and f[0].isdigit():
            out[(int(f[0]), f[1])] = (float(f[2]), float(f[4]) if len(f) == 5 else None)
    return out


def grid(m, n1, n2, n3, size, axes, fix):
    """Points of an (n1+1) x (n2+1) x (n3+1) lattice along the model axes `axes` (1-based)
    with the lengths `size`; every point at 0 of a direction in `fix` held in it. Returns
    the point number of (i, j, k)."""
    num = {}
    for k in range(n3 + 1):
        for j in range(n2 + 1):
            for i in range(n1 + 1):
                x = [0.0, 0.0, 0.0]
                for a, t, n, s in zip(axes, (i, j, k), (n1, n2, n3), size):
                    if a:
                        x[a - 1] = s * t / max(n, 1)
                flags = ["0"] * 6
                for a, t in zip(axes, (i, j, k)):
                    if a and a in fix and t == 0:
                        flags[a - 1] = "1"
                for a in fix:
                    if a not in axes:
                        flags[a - 1] = "1"
                p = m.point(*x)
                if "1" in flags:
                    m.support(p, "".join(flags))
                num[(i, j, k)] = p
    return num


def plane(etype, order, t=0.5):
    """A 2 x 1 patch in x2-x3 of one element (nodes at the natural points of `order`),
    edge 2 (s1 = +1) pulled along x2 by q per unit length; u2 at x2 = 2 is q / t * 2 / E."""
    m = model("plane patch")
    m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", t))
    num = grid(m, 2, 2, 0, (2.0, 1.0, 0.0), (2, 3, 0), (2, 3))
    m.element([num[(1 + a, 1 + b, 0)] for a, b in order])
    rule = full_rule(m) if len(order) == 9 else 0  # 2 x 2 leaves the 9-node element modes
    m.element_property(1, 1, etype, LIN_ISO, 1, LAM_THICK, 1, 1, rule)
    q = 3.0
    m.load_case("pull").record("<EDGE_LOADS>", vw.edge_load(1, 0, 2, "G", 2, 1, [q]))
    used = m.elements[0]
    return (m, [num[(2, j, 0)] for j in range(3) if num[(2, j, 0)] in used], "u2", q / t * 2.0 / E,
            [num[(0, j, 0)] for j in range(3) if num[(0, j, 0)] in used], -q * 1.0)


def solid(order):
    """A 2 x 1 x 1 block of one hexahedron, face 3 (s1 = +1) pulled along x1 by p per area."""
    m = model("solid block")
    num = grid(m, 2, 2, 2, (2.0, 1.0, 1.0), (1, 2, 3), (1, 2, 3))
    m.element([num[(1 + a, 1 + b, 1 + c)] for a, b, c in order])
    m.element_property(1, 1, 24, LIN_ISO, 1, 0, 0)
    p = 4.0
    m.load_case("pull").record("<FACE_LOADS>", vw.face_load(1, 3, "G", 1, 1, [p]))
    used = m.elements[0]
    ends = [num[(2, j, k)] for j in range(3) for k in range(3) if num[(2, j, k)] in used]
    return m, ends, "u1", p * 2.0 / E, [num[(0, j, k)] for j in range(3) for k in range(3) if num[(0, j, k)] in used], -p * 1.0


Q4 = [(-1, -1), (1, -1), (1, 1), (-1, 1)]
Q8 = [(-1, -1), (0, -1), (1, -1), (1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0)]
H8 = [(a, b, c) for c in (-1, 1) for a, b in Q4]
H20 = [(a, b, -1) for a, b in Q8] + [(a, b, 0) for a, b in Q4] + [(a, b, 1) for a, b in Q8]


def truss():
    m = model("bar")
    m.record("<CROSS_SECTION_AREAS>", vw.record("a", "d", 0.5))
    p1, p2 = m.point(0, 0, 0), m.point(0, 2, 0)
    m.support(p1, "011000")
    m.support(p2, "001000")
    m.element([p1, p2])
    m.element_property(1, 1, 1, LIN_ISO, 1, CS_AREA, 1)
    m.load_case("pull").record("<POINT_LOADS>", vw.point_load(p2, [0, 10.0, 0, 0, 0, 0]))
    return m, [p2], "u2", 10.0 * 2.0 / (E * 0.5), [p1], -10.0


def frame():
    """Cantilever along x2, tip load along x3: u3 = F L^3 / (3 E I)."""
    m = model("cantilever")
    m.record("<FRAME_2D_CROSS_SECTIONS>", vw.record("s", "dddd", 0.5, 0.0, 0.01, 0.3))
    p1, p2 = m.point(0, 0, 0), m.point(0, 2, 0)
    m.support(p1, "011100")
    m.element([p1, p2])
    m.element_property(1, 1, 3, LIN_ISO, 1, CS_2D, 1)
    m.load_case("tip").record("<POINT_LOADS>", vw.point_load(p2, [0, 0, -1.0, 0, 0, 0]))
    return m, [p2], "u3", -8.0 / (3 * E * 0.01), [], 0.0


def patch_points(m, order, lx, ly, plane_axes, fix, extra_fix=""):
    """Points of one element at the natural points `order` of a lx x ly patch in the model
    plane `plane_axes`; points at 0 along a direction in `fix` held in it, every point also
    in the directions of extra_fix ("u3", "r" for all rotations)."""
    nodes = []
    for a, b in order:
        s = ((a + 1) / 2 * lx, (b + 1) / 2 * ly)
        x = [0.0, 0.0, 0.0]
        flags = ["0"] * 6
        for ax, v in zip(plane_axes, s):
            x[ax - 1] = v
            if ax in fix and v == 0:
                flags[ax - 1] = "1"
        if "u3" in extra_fix:
            flags[2] = "1"
        if "r" in extra_fix:
            flags[3:6] = ["1", "1", "1"]
        p = m.point(*x)
        if "1" in flags:
            m.support(p, "".join(flags))
        nodes.append(p)
    return nodes


def edge_forces(order, total):
    """Consistent nodal forces of a uniform load `total` on the edge s1 = +1 of a
    quadrilateral: 1/2 each on two nodes, 1/6 4/6 1/6 on three."""
    on = [(k, b) for k, (a, b) in enumerate(order) if a == 1]
    w = {2: {-1: 0.5, 1: 0.5}, 3: {-1: 1 / 6, 0: 4 / 6, 1: 1 / 6}}[len(on)]
    return [(k, total * w[b]) for k, b in on]


def full_rule(m):
    """A <NUMERICAL_INTEGRATION> record of 3 points per direction in every part."""
    return m.record("<NUMERICAL_INTEGRATION>", vw.record("3x3", "i" * 21, *([0, 3] + [3] * 15 + [0] * 4)))


def shell(etype, order):
    """A 2 x 1 membrane patch of one shell element in x1-x2, pulled along x1 by nodal forces
    of a uniform edge traction (total F); rotations and u3 held."""
    m = model("shell patch")
    t = 0.5
    m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", t))
    nodes = patch_points(m, order, 2.0, 1.0, (1, 2), (1, 2), "u3 r")
    m.element(nodes)
    rule = full_rule(m) if len(order) == 9 else 0  # 2 x 2 leaves the 9-node element modes
    m.element_property(1, 1, etype, LIN_ISO, 1, LAM_THICK, 1, 1, rule)
    F = 3.0
    lc = m.load_case("pull")
    for k, f in edge_forces(order, F):
        lc.record("<POINT_LOADS>", vw.point_load(nodes[k], [f, 0, 0, 0, 0, 0]))
    ends = [nodes[k] for k, (a, b) in enumerate(order) if a == 1]
    fixed = [nodes[k] for k, (a, b) in enumerate(order) if a == -1]
    return m, ends, "u1", F / (t * 1.0) * 2.0 / E, fixed, -F


def slab():
    """A 2 x 1 strip of one 8-node Mindlin slab in x1-x2, clamped at x1 = 0 and bent by end
    moments m per unit width about x2: the constant curvature 12 m / (E t^3) of pure
    bending gives the end deflection kappa L^2 / 2 (a quadratic w, which the 8-node element
    holds exactly; a 4-node one locks in shear)."""
    m = model("slab strip")
    t = 0.2
    m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", t))
    nodes = patch_points(m, Q8, 2.0, 1.0, (1, 2), ())
    for k, (a, b) in enumerate(Q8):
        if a == -1:
            m.support(nodes[k], "001110")
    m.element(nodes)
    m.element_property(1, 1, 18, LIN_ISO, 1, LAM_THICK, 1)
    mom = 0.01
    lc = m.load_case("moment")
    for k, f in edge_forces(Q8, mom):
        lc.record("<POINT_LOADS>", vw.point_load(nodes[k], [0, 0, 0, 0, f, 0]))
    kappa = 12 * mom / (E * t ** 3)
    ends = [nodes[k] for k, (a, b) in enumerate(Q8) if a == 1]
    return m, ends, "abs u3", kappa * 2.0 ** 2 / 2, [], 0.0


def line(etype, geom_kind, geom, axis, dofs):
    """A bar of length 2 along `axis`, pulled along it by F at its end."""
    m = model("bar")
    kind = {CS_AREA: "<CROSS_SECTION_AREAS>", CS_3D: "<FRAME_3D_CROSS_SECTIONS>"}[geom_kind]
    m.record(kind, geom)
    x = [0.0, 0.0, 0.0]
    p1 = m.point(*x)
    x[axis - 1] = 2.0
    p2 = m.point(*x)
    m.support(p1, dofs)
    rest = ["1" if c == "1" and k != axis - 1 else "0" for k, c in enumerate(dofs)]
    if "1" in rest:
        m.support(p2, "".join(rest))
    m.element([p1, p2])
    m.element_property(1, 1, etype, LIN_ISO, 1, geom_kind, 1)
    f = [0.0] * 6
    f[axis - 1] = 10.0
    m.load_case("pull").record("<POINT_LOADS>", vw.point_load(p2, f))
    return m, [p2], "u%d" % axis, 10.0 * 2.0 / (E * 0.5), [p1], -10.0


def frame3d():
    """Cantilever along x1, I2 = I3, tip load along x3: u3 = F L^3 / (3 E I)."""
    m = model("cantilever 3-D")
    m.record("<FRAME_3D_CROSS_SECTIONS>", vw.record("s", "d" * 11, 0.5, 0, 0, 0.02, 0.01, 0.01, 0, 0, 0.3, 0.3, 0))
    p1, p2 = m.point(0, 0, 0), m.point(2, 0, 0)
    m.support(p1, "111111")
    m.element([p1, p2])
    m.element_property(1, 1, 4, LIN_ISO, 1, CS_3D, 1)
    m.load_case("tip").record("<POINT_LOADS>", vw.point_load(p2, [0, 0, -1.0, 0, 0, 0]))
    return m, [p2], "u3", -8.0 / (3 * E * 0.01), [], 0.0


def triangles():
    """The 2 x 1 plane-stress patch of two 3-node triangles, pulled by nodal forces."""
    m = model("triangle patch")
    t = 0.5
    m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", t))
    p = patch_points(m, Q4, 2.0, 1.0, (2, 3), (2, 3))
    m.element([p[0], p[1], p[2]])
    m.element([p[0], p[2], p[3]])
    m.element_property(1, 2, 9, LIN_ISO, 1, LAM_THICK, 1)
    lc = m.load_case("pull")
    for k in (1, 2):
        lc.record("<POINT_LOADS>", vw.point_load(p[k], [0, 1.5, 0, 0, 0, 0]))
    return m, [p[1], p[2]], "u2", 3.0 / t * 2.0 / E, [p[0], p[3]], -3.0


def interface(etype, kind_tag, k, face, width, axis, value):
    """Two coincident faces of one interface (a line of length 1 along x2 of width 0.5, or
    a 2 x 1 square in x1-x2); the first face held, the second pulled along `axis` by F: the
    relative displacement is F / (k area), k the stiffness `value` of the record (the one
    materials.md names for that direction)."""
    m = model("interface")
    m.record(kind_tag, vw.record("k", "ddd"[:len(k)], *k))
    if width:
        m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", width))
    held = [m.point(*x) for x in face]
    pulled = [m.point(*x) for x in face]
    dofs = "011000" if etype == 27 else "111000"
    for p in held:
        m.support(p, dofs)
    for p in pulled:  # held across the pull
        m.support(p, "".join("1" if c == "1" and d != axis - 1 else "0" for d, c in enumerate(dofs)))
    m.element(held + pulled)
    kind = {27: 4, 28: 5, 30: 6}[etype]
    m.element_property(1, 1, etype, kind, 1, LAM_THICK if width else 0, 1 if width else 0)
    F = 2.0
    lc = m.load_case("slip")
    corners = [p for p, x in zip(pulled, face)]
    shares = edge_shares(len(face))
    for p, s in zip(corners, shares):
        f = [0.0] * 6
        f[axis - 1] = F * s
        lc.record("<POINT_LOADS>", vw.point_load(p, f))
    area = 1.0 * width if width else 2.0
    return m, pulled, "u%d" % axis, F / (k[value - 1] * area), held, -F


def edge_shares(n):
    """Nodal shares of a uniform load on a 2- or 3-node line or a 4- or 8-node face."""
    return {2: [0.5, 0.5], 3: [1 / 6, 4 / 6, 1 / 6], 4: [0.25] * 4,
            8: [-1 / 12, 1 / 3, -1 / 12, 1 / 3, -1 / 12, 1 / 3, -1 / 12, 1 / 3]}[n]


def embedded_cable():
    """A plane-stress patch (2 x 1, t 0.5) with an embedded cable of area 0.1 along its
    mid-line, pulled by a uniform edge load F: the strain is F / (E (t H + A_c))."""
    m, ends, dof, _, fixed, reaction = plane(10, Q4)
    m.record("<CROSS_SECTION_AREAS>", vw.record("cable", "d", 0.1))
    c1, c2 = m.point(0, 0, 0.5), m.point(0, 2, 0.5)
    m.element([c1, c2])
    m.element_property(2, 2, 31, LIN_ISO, 1, CS_AREA, 1)
    return m, ends, dof, 3.0 * 2.0 / (E * (0.5 * 1.0 + 0.1)), fixed, reaction


def conduction(etype, solid):
    """Steady conduction along a bar of two elements (length 2, section 1 x 0.5 or 1 x 1):
    0 at x = 0, 100 at x = 2; the middle is at 50 and the heat entering at the hot end
    is k 100 / 2 times the section."""
    m = model("heated bar")
    m.main["ANALYSIS_TYPE"] = 5  # _THERMAL_STEADY_STATE
    k = 3.0
    m.record("<THERMAL_ISOTROPIC_MATERIALS>", vw.record("c", "ddd", 0.0, k, 0.0))
    if solid:
        num = grid(m, 2, 1, 1, (2.0, 1.0, 1.0), (1, 2, 3), ())
        for e in range(2):
            m.element([num[(e + a, b, c)] for c in (0, 1) for a, b in ((0, 0), (1, 0), (1, 1), (0, 1))])
        m.element_property(1, 2, etype, 49, 1, 0, 0)
        area = 1.0
    else:
        m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", 0.5))
        num = grid(m, 2, 1, 0, (2.0, 1.0, 0.0), (2, 3, 0), ())
        for e in range(2):
            m.element([num[(e, 0, 0)], num[(e + 1, 0, 0)], num[(e + 1, 1, 0)], num[(e, 1, 0)]])
        m.element_property(1, 2, etype, 49, 1, LAM_THICK, 1)
        area = 0.5
    lc = m.load_case("temperatures")
    cold = [p for (i, j, kk), p in num.items() if i == 0]
    hot = [p for (i, j, kk), p in num.items() if i == 2]
    for p in cold + hot:
        m.record("<BOUNDARY_WITH_FIXED_TEMPERATURES>", vw.struct.pack("<5i6b", 0, 1, 1, p, 0, 1, 0, 0, 0, 0, 0))
    for p in hot:
        lc.record("<PRESCRIBED_POINT_TEMPERATURES>", vw.record(None, "iid", p, 1, 100.0))
    middle = [p for (i, j, kk), p in num.items() if i == 1]
    return m, middle, "T", 50.0, hot, k * 100.0 / 2.0 * area


def embedded_cable_3d():
    """A 2 x 1 x 1 block of one hexahedron with an embedded cable of area 0.1 along its
    axis, pulled by a uniform face load: the strain is F / (E (A + A_c))."""
    m, ends, dof, _, fixed, reaction = solid(H8)
    m.record("<CROSS_SECTION_AREAS>", vw.record("cable", "d", 0.1))
    c1, c2 = m.point(0, 0.5, 0.5), m.point(2, 0.5, 0.5)
    m.element([c1, c2])
    m.element_property(2, 2, 32, LIN_ISO, 1, CS_AREA, 1)
    return m, ends, dof, 4.0 * 2.0 / (E * (1.0 + 0.1)), fixed, reaction


# Types without element routines, with their node counts and material kinds: the set-up
# refuses them naming the type.
REFUSED = [("_TIMOSHENKO_BEAM_2D", 7, 2, 1), ("_PLANE_STRAIN_TRIANG", 12, 3, 1), ("_AXIS_LINE", 14, 2, 1),
           ("_AXIS_TRIANG", 15, 3, 1), ("_AXIS_QUAD", 16, 4, 1), ("_MINDLIN_SLAB_TRIANG", 17, 3, 1),
           ("_MINDLIN_SHELL_TRIANG", 19, 3, 1), ("_AHMAD_SHELL_TRIANG", 21, 3, 1), ("_SOLID_TETRA", 23, 4, 1),
           ("_INTERFACE_POINT", 26, 2, 3), ("_INTERFACE_TRIANG", 29, 6, 6)]


def refused_model(etype, n, kind):
    m = model("refused type")
    m.record("<LINEAR_INTERFACE_POINT_PROPERTIES>", vw.record("k", "id", 0, 1.0))
    m.record("<LINEAR_INTERFACE_SURFACE_PROPERTIES>", vw.record("k", "ddd", 1.0, 1.0, 1.0))
    m.record("<LAMINATE_THICKNESSES>", vw.record("t", "d", 0.5))
    coords = [(0, 0, 0), (0, 1, 0), (0, 0, 1), (1, 0, 0), (0, 1, 1), (1, 1, 0)]
    m.element([m.point(*coords[k]) for k in range(n)])
    m.element_property(1, 1, etype, kind, 1, 0, 0)
    m.load_case("none")
    return m


def refused(keyword, etype, n, kind):
    job = keyword.lower().lstrip("_")
    refused_model(etype, n, kind).write(os.path.join(WORK, job))
    r = subprocess.run([VOLDE, job], cwd=WORK, capture_output=True, text=True)
    return r.returncode != 0 and keyword in r.stdout + r.stderr


CASES = [
    ("truss_2d", truss),
    ("frame_2d", frame),
    ("plane_stress_quad4", lambda: plane(10, Q4)),
    ("plane_stress_quad8", lambda: plane(10, Q8)),
    ("plane_stress_quad9", lambda: plane(10, Q8 + [(0, 0)])),
    ("plane_strain_quad4", lambda: plane(13, Q4, 1.0)),
    ("solid_hexa8", lambda: solid(H8)),
    ("solid_hexa20", lambda: solid(H20)),
    ("truss_3d", lambda: line(2, CS_AREA, vw.record("a", "d", 0.5), 1, "111000")),
    ("frame_3d", frame3d),
    ("cable_2d", lambda: line(5, CS_AREA, vw.record("a", "d", 0.5), 2, "011000")),
    ("cable_3d", lambda: line(6, CS_AREA, vw.record("a", "d", 0.5), 1, "111000")),
    ("timoshenko_beam_3d", lambda: line(8, CS_3D, vw.record("s", "d" * 11, 0.5, 0.8, 0.8, 0.02, 0.01, 0.01, 0, 0, 0.3, 0.3, 0), 1, "111111")),
    ("plane_stress_triang", triangles),
    ("plane_strain_quad8", lambda: plane(13, Q8, 1.0)),
    ("mindlin_slab_quad", slab),
    ("mindlin_shell_quad", lambda: shell(20, Q4)),
    ("ahmad_shell_quad8", lambda: shell(22, Q8)),
    ("ahmad_shell_quad9", lambda: shell(22, Q8 + [(0, 0)])),
    ("interface_line_2d_slip", lambda: interface(27, "<LINEAR_INTERFACE_LINE_2D_PROPERTIES>", (400.0, 900.0),
                                                 [(0, 0, 0), (0, 1, 0)], 0.5, 2, 2)),
    ("interface_line_2d_opening", lambda: interface(27, "<LINEAR_INTERFACE_LINE_2D_PROPERTIES>", (400.0, 900.0),
                                                    [(0, 0, 0), (0, 1, 0)], 0.5, 3, 1)),
    ("interface_line_3d_slip", lambda: interface(28, "<LINEAR_INTERFACE_LINE_3D_PROPERTIES>", (400.0, 900.0, 700.0),
                                                 [(0, 0, 0), (0, 1, 0)], 0.5, 2, 3)),
    ("interface_line_3d_across", lambda: interface(28, "<LINEAR_INTERFACE_LINE_3D_PROPERTIES>", (400.0, 900.0, 700.0),
                                                   [(0, 0, 0), (0, 1, 0)], 0.5, 1, 1)),
    ("interface_quad_opening", lambda: interface(30, "<LINEAR_INTERFACE_SURFACE_PROPERTIES>", (400.0, 900.0, 700.0),
                                                 [(0, 0, 0), (2, 0, 0), (2, 1, 0), (0, 1, 0)], 0, 3, 1)),
    ("interface_quad_slip", lambda: interface(30, "<LINEAR_INTERFACE_SURFACE_PROPERTIES>", (400.0, 900.0, 700.0),
                                              [(0, 0, 0), (2, 0, 0), (2, 1, 0), (0, 1, 0)], 0, 1, 2)),
    ("emb_cable_2d", embedded_cable),
    ("emb_cable_3d", embedded_cable_3d),
    ("plane_stress_quad_thermal", lambda: conduction(11, False)),
    ("solid_hexa_thermal", lambda: conduction(25, True)),
]

if VOLDE == "-":
    for name, build in CASES:
        build()[0].write(os.path.join(WORK, name))
    for keyword, etype, n, kind in REFUSED:
        refused_model(etype, n, kind).write(os.path.join(WORK, keyword.lower().lstrip("_")))
    m = truss()[0]  # load cases with gravity, combinations with factors and durations
    m.load_case("weight", (0.0, 0.0, -9.81))
    m.combination("half", [(1, 0.5)])
    m.combination("both", [(1, 1.0), (2, 1.5)], 2.0)
    m.write(os.path.join(WORK, "combinations"))
    sys.exit(0)

failed = 0
for name, build in CASES:
    try:
        m, ends, dof, expected, fixed, reaction = build()
        res = run(name, m)
        absolute = dof.startswith("abs ")
        dof = dof.split()[-1]
        got = {p: res[(p, dof)][0] for p in ends if (p, dof) in res}
        if absolute:
            got = {p: abs(v) for p, v in got.items()}
        bad = [(p, got.get(p)) for p in ends
               if p not in got or abs(got[p] - expected) > 1e-9 * max(1.0, abs(expected))]
        total = sum(res[(p, dof)][1] for p in fixed) if fixed else reaction
        if bad or abs(total - reaction) > 1e-9 * max(1.0, abs(reaction)):
            failed += 1
            print("%s FAIL: %s expected %.12g, got %s; reactions %.12g, expected %.12g"
                  % (name, dof, expected, bad, total, reaction))
        else:
            print(name + " ok")
    except Exception as e:  # a refusal or a missing value is a failure of the model
        failed += 1
        print("%s FAIL: %s" % (name, e))
for keyword, etype, n, kind in REFUSED:
    if refused(keyword, etype, n, kind):
        print(keyword + " refused")
    else:
        failed += 1
        print(keyword + " FAIL: not refused in words")
sys.exit(1 if failed else 0)
