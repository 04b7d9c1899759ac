#!/usr/bin/env python3
"""Write a volde data file <job>_gl.bin from Python (standard library only).

    import volde_writer as vw
    m = vw.Model("cantilever")
    p1 = m.point(0, 0, 0); p2 = m.point(0, 3, 0)
    m.support(p1, "011100")                        # u2 u3 r1 fixed
    m.record("<LINEAR_ISOTROPIC_MATERIALS>", vw.lin_iso("concrete", 2500, 1e-5, 30e9, 0.2))
    m.record("<FRAME_2D_CROSS_SECTIONS>", vw.record("s", "dddd", 0.15, 0, 3.125e-3, 0.5))
    m.element([p1, p2])
    m.element_property(1, 1, 3, 1, 1, 3, 1)        # Frame2D, _LIN_ISO 1, _CS_2D 1
    lc = m.load_case("tip"); lc.record("<POINT_LOADS>", vw.point_load(p2, [0, 0, -10e3, 0, 0, 0]))
    m.write("cantilever")

Every block of data-file.md is written, empty unless records were added; the fields of
<MAIN_PARAMETERS> and <DYNAMIC_ANALYSIS_PARAMETERS> are the attributes `main` and
`dynamic` (names as in data-file.md, defaults below). A record is built field by field
with record(name, types, values...): types "d" f64, "i" int32, "c" byte, "s" string,
"D" a list of f64 (count first), "I" a list of int32.
"""
import struct

MESH_BLOCKS = [
    "<MAIN_PARAMETERS>", "<DYNAMIC_ANALYSIS_PARAMETERS>", "<GROUP_NAMES>", "<POINT_COORDINATES>",
    "<AUXILIARY_VECTORS>", "<COORDINATE_SYSTEMS>", "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", "<SUPPORTS>",
    "<BOUNDARY_WITH_FIXED_TEMPERATURES>", "<INTERNAL_POINT_LINKS>", "<INTERNAL_POINT_SPRING_LINKS>",
    "<LINEAR_ISOTROPIC_MATERIALS>", "<LINEAR_ORTHOTROPIC_MATERIALS>", "<LINEAR_INTERFACE_POINT_PROPERTIES>",
    "<LINEAR_INTERFACE_LINE_2D_PROPERTIES>", "<LINEAR_INTERFACE_LINE_3D_PROPERTIES>",
    "<LINEAR_INTERFACE_SURFACE_PROPERTIES>", "<THERMAL_ISOTROPIC_MATERIALS>"] + [
    "<NLMM%d>" % k for k in (101, 102, 104, 105, 111, 121, 122, 123, 124, 125, 141, 142, 145, 146, 151, 171, 172,
                             173, 174, 175, 201, 202, 210, 211, 220, 298, 299, 301, 302, 303, 304, 305, 306, 320,
                             401, 451, 501)] + [
    "<FRC_MIXFRACTURE_2D>", "<NLMM_PATTERNS>", "<RAYLEIGH_DAMPING_FACTORS>", "<CROSS_SECTION_AREAS>",
    "<FRAME_2D_CROSS_SECTIONS>", "<FRAME_3D_CROSS_SECTIONS>", "<LAMINATE_THICKNESSES>", "<GEOMETRY_PATTERNS>",
    "<FIBROUS_PATTERNS>", "<LAYER_PROPERTIES>", "<LAYER_PATTERNS>", "<NUMERICAL_INTEGRATION>", "<ELEMENT_NODES>",
    "<FIBROUS_MESHES>", "<ELEMENT_PROPERTIES>", "<LINEAR_SPRING_MATERIALS>", "<NLSMM101>", "<NLSMM102>",
    "<NLSMM103>", "<POINT_SPRINGS>", "<LINE_SPRINGS>", "<SURFACE_SPRINGS>", "<SURFACE_CONVECTION_HEAT_TRANSFER>",
    "<SURFACE_RADIATION_HEAT_TRANSFER>", "<CONTACT>", "<LINE_EMBEDDED_STRONG_DISCONTINUITY>",
    "<ARC_LENGTH_PARAMETERS>", "<DYNAMIC_INITIAL_CONDITIONS>", "<FREQUENCY_RANGES>",
    "<RITZ_GENERATING_LOAD_CASES>", "<PARTICIPATING_MASS_RATIOS>", "<STATIC_PARTICIPATION_RATIOS>",
    "<DYNAMIC_PARTICIPATION_RATIOS>", "<MODAL_DAMPING_RATIOS>", "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>"]

LOAD_CASE_BLOCKS = [
    "<POINT_LOADS>", "<INTERNAL_POINT_LOADS>", "<EDGE_LOADS>", "<INTERNAL_EDGE_LOADS>", "<FACE_LOADS>",
    "<INTERNAL_FACE_LOADS>", "<TEMPERATURE_VARIATION>", "<DIFFERENTIAL_TEMPERATURE_VARIATION>",
    "<PRESCRIBED_DISPLACEMENTS>", "<INTERNAL_PRESCRIBED_RELATIVE_DISPLACEMENTS>", "<PRESCRIBED_POINT_TEMPERATURES>",
    "<SURFACE_HEAT_FLUX>", "<SURFACE_FLUID_TEMPERATURE>", "<LINE_HEAT_FLUX>",
    "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>"]

# <MAIN_PARAMETERS> after the title, in file order: (name, struct code, default). The
# counts of fibrous meshes, contact cases, load cases and combinations are written from
# what the model holds.
MAIN_FIELDS = [
    ("ANALYSIS_TYPE", "i", 1), ("MATERIALLY_NONLINEAR_PROBLEM", "b", 0), ("GEOMETRICALLY_NONLINEAR_PROBLEM", "b", 0),
    ("KINEMATIC_DESCRIPTION", "i", 1), ("NUMBER_OF_PHASES", "i", 1), ("NUMBER_OF_FIBROUS_MESHES", "i", 0),
    ("NUMBER_OF_CONTACT_CASES", "i", 0), ("NUMBER_OF_LOAD_CASES", "i", 0), ("NUMBER_OF_COMBINATIONS", "i", 0),
    ("SPARE_1", "b", 0), ("SPARE_2", "b", 0), ("MAXIMUM_NUMBER_OF_ARC_LENGTH_COMBINATIONS", "i", 0),
    ("STIFFNESS_MATRIX_STORAGE_TECHNIQUE", "i", 1), ("SYSTEM_LIN_EQ_ALGORITHM", "i", 1), ("RESIDUAL_DECAY", "d", 1e-10),
    ("THERMAL_STEPPING_METHOD", "i", 2), ("THETA", "d", 1.0), ("ITERATIVE_ALGORITHM", "i", 1),
    ("CONVERGENCE_CRITERION", "i", 1), ("TOLERANCE_IN_EACH_COMBINATION", "d", 1e-4),
    ("MAXIMUM_NUMBER_OF_ITERATIONS_IN_EACH_COMBINATION", "i", 30), ("NUMBER_OF_COMBINATIONS_BEFORE_RESTART", "i", 0),
    ("ADD_UNBALANCED_FORCES", "b", 0), ("SPARE_3", "b", 0), ("ARC_LENGTH", "b", 0), ("SPARE_4", "b", 0),
    ("PATH_BEHAVIOR", "i", 1), ("STIFFNESS_EIGENVALUES", "b", 0), ("MOST_EIGENVALUES", "i", 0),
    ("EIGENVALUE_TECHNIQUE", "i", 1), ("EIGENVALUE_COMBINATION", "i", 0), ("EIGENVALUE_ITERATION", "i", 0)]

# <DYNAMIC_ANALYSIS_PARAMETERS>: (name, struct code, default).
DYNAMIC_FIELDS = [
    ("TIME_STEPPING_METHOD", "i", 2), ("GAMMA", "d", 0.5), ("BETA", "d", 0.25), ("ALPHA", "d", 0.0),
    ("TYPE_OF_VIBRATION_MODES", "i", 1), ("MODAL_SUPERPOSITION_PROCEDURE", "i", 1),
    ("DEFAULT_MODAL_DAMPING_RATIO", "d", 0.05), ("GLOBAL_RAYLEIGH_DAMPING_FACTOR_A0", "d", 0.0),
    ("GLOBAL_RAYLEIGH_DAMPING_FACTOR_A1", "d", 0.0)]

# <ARC_LENGTH_PARAMETERS> (67 bytes).
ARC_LENGTH_FIELDS = [
    ("CONSTANT_RADIUS", "b", 0), ("RADIUS_FACTOR", "d", 1.0), ("LOAD_FACTOR", "d", 1.0),
    ("FORCE_DISPLACEMENT_SCALING", "d", 1.0), ("MOMENT_ROTATION_SCALING", "d", 1.0),
    ("DISPLACEMENT_CONTROL", "b", 0), ("DISPLACEMENT_POINT", "i", 0), ("DISPLACEMENT_DOF", "i", 0),
    ("DISPLACEMENT_INCREMENT", "d", 0.0), ("RELATIVE_DISPLACEMENT_CONTROL", "b", 0), ("POINT_A", "i", 0),
    ("POINT_B", "i", 0), ("RELATIVE_DISPLACEMENT_INCREMENT", "d", 0.0)]


def string(text):
    """A string of the file: int32 length, the characters, a NUL."""
    data = text.encode("latin-1")
    return struct.pack("<i", len(data)) + data + b"\0"


def record(name, types, *values):
    """One record: a name (None: no name) and the values by their type letters."""
    out = string(name) if name is not None else b""
    for t, v in zip(types, values):
        if t == "s":
            out += string(v)
        elif t == "D":
            out += struct.pack("<i%dd" % len(v), len(v), *v)
        elif t == "I":
            out += struct.pack("<i%di" % len(v), len(v), *v)
        else:
            out += struct.pack("<" + {"d": "d", "i": "i", "c": "B"}[t], v)
    if len(types) != len(values):
        raise ValueError("record %s: %d types, %d values" % (name, len(types), len(values)))
    return out


def lin_iso(name, density, expansion, young, poisson):
    return record(name, "dddd", density, expansion, young, poisson)


def point_load(point, forces):
    """f1 f2 f3 m1 m2 m3 at a point."""
    return record(None, "idddddd", point, *forces)


def edge_load(element, face, edge, dir_kind, dir_code, force_kind, values):
    """dir_kind 'G' (global axis dir_code), 'E', 'S' or 'B'; force_kind 1 force, 2 moment per length."""
    return record(None, "iiicicD", element, face, edge, ord(dir_kind), dir_code, force_kind, values)


def face_load(element, face, dir_kind, dir_code, force_kind, values):
    return record(None, "iicicD", element, face, ord(dir_kind), dir_code, force_kind, values)


class LoadCase:
    def __init__(self, title, gravity=(0.0, 0.0, 0.0)):
        self.title, self.group = title, 0
        self.integration = (1, 0)  # Gauss-Legendre, 3 points per direction (no record)
        self.gravity = gravity
        self.blocks = {}

    def record(self, tag, rec):
        if tag not in LOAD_CASE_BLOCKS:
            raise ValueError("no load-case block " + tag)
        self.blocks.setdefault(tag, []).append(rec)


class Model:
    def __init__(self, title):
        self.title = title
        self.main = {name: default for name, _, default in MAIN_FIELDS}
        self.dynamic = {name: default for name, _, default in DYNAMIC_FIELDS}
        self.arc_length = {name: default for name, _, default in ARC_LENGTH_FIELDS}
        self.participating_mass_ratios = (0, 0, 0)
        self.blocks = {}
        self.elements = []
        self.load_cases = []
        self.combinations = []  # (title, [(load case, factor), ...])

    def record(self, tag, rec):
        if tag not in MESH_BLOCKS:
            raise ValueError("no mesh block " + tag)
        self.blocks.setdefault(tag, []).append(rec)
        return len(self.blocks[tag])

    def point(self, x1, x2, x3):
        return self.record("<POINT_COORDINATES>", struct.pack("<3d", x1, x2, x3))

    def support(self, point, fixity, first_phase=1, last_phase=1):
        """fixity: six characters, '1' where u1 u2 u3 r1 r2 r3 is fixed."""
        flags = [1 if c == "1" else 0 for c in fixity.ljust(6, "0")]
        return self.record("<SUPPORTS>", struct.pack("<5i6b", 0, first_phase, last_phase, point, 0, *flags))

    def element(self, nodes):
        """Nodes in the order of elements.md."""
        self.elements.append(list(nodes))
        return len(self.elements)

    def element_property(self, first, last, etype, mat_kind, mat_record, geom_kind, geom_record, integ_type=1,
                         integ_record=0, first_phase=1, last_phase=1):
        return self.record("<ELEMENT_PROPERTIES>", struct.pack("<12i", 0, first_phase, last_phase, first, last, etype,
                                                               mat_kind, mat_record, geom_kind, geom_record,
                                                               integ_type, integ_record))

    def load_case(self, title, gravity=(0.0, 0.0, 0.0)):
        self.load_cases.append(LoadCase(title, gravity))
        return self.load_cases[-1]

    def combination(self, title, factors, duration=1.0):
        self.combinations.append((title, factors, duration))

    def encode(self):
        main = dict(self.main, NUMBER_OF_LOAD_CASES=len(self.load_cases),
                    NUMBER_OF_COMBINATIONS=len(self.combinations))
        out = [string("<VOLDE_DATA_FILE_V4.0>"), string("<MESH>")]
        for tag in MESH_BLOCKS:
            out.append(struct.pack("<i", 0) + string(tag))  # header word, tag
            if tag == "<MAIN_PARAMETERS>":
                out.append(string(self.title))
                out += [struct.pack("<" + c, main[n]) for n, c, _ in MAIN_FIELDS]
            elif tag == "<DYNAMIC_ANALYSIS_PARAMETERS>":
                out += [struct.pack("<" + c, self.dynamic[n]) for n, c, _ in DYNAMIC_FIELDS]
            elif tag == "<ARC_LENGTH_PARAMETERS>":
                out += [struct.pack("<" + c, self.arc_length[n]) for n, c, _ in ARC_LENGTH_FIELDS]
            elif tag == "<PARTICIPATING_MASS_RATIOS>":
                out.append(struct.pack("<3b", *self.participating_mass_ratios))
            elif tag == "<ELEMENT_NODES>":
                out.append(struct.pack("<i", len(self.elements)))
                out += [struct.pack("<i%di" % len(e), len(e), *e) for e in self.elements]
            elif tag in ("<FIBROUS_MESHES>", "<CONTACT>"):
                pass  # records counted by <MAIN_PARAMETERS>; none here
            else:
                recs = self.blocks.get(tag, [])
                out.append(struct.pack("<i", len(recs)))
                out += recs
        for k, lc in enumerate(self.load_cases, start=1):
            out.append(string("<LOAD_CASE>"))
            out.append(struct.pack("<i", 0) + string("<LOAD_CASE_PARAMETERS>"))
            out.append(struct.pack("<i", k) + string(lc.title) + struct.pack("<3i", lc.group, *lc.integration))
            out.append(struct.pack("<i", 0) + string("<GRAVITY_LOAD>") + struct.pack("<3d", *lc.gravity))
            for tag in LOAD_CASE_BLOCKS:
                recs = lc.blocks.get(tag, [])
                out.append(struct.pack("<i", 0) + string(tag) + struct.pack("<i", len(recs)))
                out += recs
        out.append(string("<COMBINATION>"))
        for k, (title, factors, duration) in enumerate(self.combinations, start=1):
            out.append(struct.pack("<i", 0) + string("<COMBINATION_PARAMETERS>"))
            out.append(struct.pack("<i", k) + string(title) + struct.pack("<2id", 0, 1, duration))
            out.append(struct.pack("<i", 0) + string("<LOAD_CASE_FACTORS>") + struct.pack("<i", len(factors)))
            out += [struct.pack("<id", lc, f) for lc, f in factors]
            out.append(struct.pack("<i", 0) + string("<CONTACT_CASES>") + struct.pack("<i", 0))
        out.append(string("</VOLDE_DATA_FILE_V4.0>"))
        return b"".join(out)

    def write(self, job):
        with open(job + "_gl.bin", "wb") as f:
            f.write(self.encode())
