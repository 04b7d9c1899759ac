#!/usr/bin/env python3
"""Print every result file of a volde job per point and direction, and the stresses.

    python3 volde_results.py JOB

reads JOB_gl.bin (points, supports, elements, their properties and compositions), rebuilds
the numbering of the free and prescribed dofs that the program uses (see result-files.md),
and prints each record of JOB_dr.bin, JOB_if.bin, JOB_tq.bin and JOB_iq.bin that exists:
one line per dof, "point name value" (with the reaction of a prescribed dof). Then, from
the history files JOB_NLMMnnn_HD.bin of a nonlinear run, per converged combination one
line per sampling point (layer, pattern component, fibre): "element E point K ... name
value ..." with the stresses, and the cracks where the record holds them. Standard
library only.
"""
import os
import struct
import sys

# dof mask (u1 u2 u3 r1 r2 r3) of element types 1..32, as result-files.md lists them
DOF_MASKS = [None,
             "011000", "111000", "011100", "111111", "011000", "111000", "011100", "111111",  # 1..8
             "011000", "011000", "100000", "011000", "011000", "011000", "011000", "011000",  # 9..16
             "001110", "001110", "111111", "111111", "111111", "111111", "111000", "111000",  # 17..24
             "100000", "111111", "011000", "111000", "111000", "111000", "000000", "000000"]  # 25..32
MECH_NAMES = ["u1", "u2", "u3", "r1", "r2", "r3"]

# Record layouts after the name of the material blocks 12..56, in block order ("Ld": an
# int32 m read just before and m doubles; "T2": m rows of two doubles; "S": a string).
MATERIAL_LAYOUTS = [
    "4d", "13d 1i", "1i 1d", "2d", "3d", "3d", "3d",  # blocks 12..18
    "6d 1i 6d 1i 1d 2i 1d 1i 1d", "6d 1i 6d 1i 1d 3i 1d 1i 1d",
    "6d 1i 7d 2i 2d 2i 1d 1i 2d 2i 1d 1i 1d 1i 6d", "5d 2i 3d 1i 1d 1i",
    "6d 1i 8d 1i 4d 1i 1d 1i 2d 2i 1d 1i 1d", "8d", "8d", "8d 1i", "4d 2i 2d 1i 3d", "8d 1i 5d",
    "9d 1i 6d 1i 1d 2i 1d 1i 1d", "8d 1i 6d 1i 6d 1d 2i 2d 2i 1d 1i 2d 2i 1d 1i 1d 1i 6d", "11d",
    "9d 1i 1d", "8d 1i 6d 1i 6d 2d 1i 4d 1i 1d 1i 2d 2i 1d 1i 1d", "3c 6d 1i 1d 1i 1d 1i Ld",
    "4c 7d 1i 1d 1i 7d 1i 1d 1i 1d 1i 5d", "1i 1d 3i 2d", "NLMM174", "7i", "9d", "10d", "9d",
    "13d 1i 1d", "1i 15d", "8d", "7d", "6d", "8d", "10d", "10d 8d S", "7d", "10d S", "1i 17d",
    "1d 1i 6d 1d 1i T2 1d", "1i 2d 1i 1d 1i 2d", "9d 1i 5d", "FRC"]


class Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values

    def i32(self):
        return self.take("i")[0]

    def string(self):
        n = self.i32()
        text = self.data[self.pos:self.pos + n].decode("latin-1")
        self.pos += n + 1
        return text

    def tag(self, expected):
        text = self.string()
        if text != expected:
            raise ValueError("expected %s at byte %d, found %s" % (expected, self.pos, text))

    def block(self, tag):
        self.i32()  # header word
        self.tag(tag)

    def layout(self, layout):
        last = 0
        for item in layout.split():
            if item == "Ld":
                self.take("%dd" % last)
            elif item == "T2":
                self.take("%dd" % (2 * last))
            elif item == "S":
                self.string()
            else:
                n, t = int(item[:-1]), item[-1]
                values = self.take("%d%s" % (n, {"d": "d", "i": "i", "c": "B"}[t]))
                last = values[-1]

    def material(self, layout):
        self.string()
        if layout == "NLMM174":
            curves, _ = self.take("2i")
            for _ in range(curves):
                self.string()
                self.take("2d")
                self.take("%dd" % (2 * self.i32()))
            q = self.i32()
            self.take("%dd" % (q + 2 + 4 * q))
        elif layout == "FRC":
            self.take("2d")
            self.i32()
            self.take("2d")
            self.take("%dd" % {1: 4, 2: 6, 3: 7, 4: 4, 5: 8}[self.i32()])
        else:
            self.layout(layout)

    def records(self, tag, one):
        self.block(tag)
        return [one() for _ in range(self.i32())]


class Mesh:
    """What the readers below take from <job>_gl.bin."""


def read_model(job):
    """Points, supports, elements, their properties and the compositions of <job>_gl.bin."""
    r = Reader(open(job + "_gl.bin", "rb").read())
    m = Mesh()
    r.tag("<VOLDE_DATA_FILE_V4.0>")
    r.tag("<MESH>")
    r.block("<MAIN_PARAMETERS>")
    r.string()
    main = r.take("i2b6i2b3idid2id2i4bib4i")
    m.analysis, fibrous_meshes = main[0], main[5]
    r.block("<DYNAMIC_ANALYSIS_PARAMETERS>")
    r.take("i3d2i3d")
    r.records("<GROUP_NAMES>", r.string)
    m.points = r.records("<POINT_COORDINATES>", lambda: r.take("3d"))
    r.records("<AUXILIARY_VECTORS>", lambda: (r.string(), r.take("3d")))
    r.records("<COORDINATE_SYSTEMS>", lambda: (r.string(), r.take("3i")))
    r.records("<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", lambda: r.take("5i"))
    supports = r.records("<SUPPORTS>", lambda: r.take("5i6b"))
    fixed_temps = r.records("<BOUNDARY_WITH_FIXED_TEMPERATURES>", lambda: r.take("5i6b"))
    r.records("<INTERNAL_POINT_LINKS>", lambda: r.take("6i6b"))
    r.records("<INTERNAL_POINT_SPRING_LINKS>", lambda: r.take("5ibibii"))
    for layout in MATERIAL_LAYOUTS:
        r.i32()
        r.string()  # the block's tag
        for _ in range(r.i32()):
            r.material(layout)
    # per pattern the (kind, record) pairs of its components
    m.nlmm_patterns = r.records("<NLMM_PATTERNS>", lambda: (r.string(), pairs(r.take("%di" % (2 * r.i32())))))
    r.records("<RAYLEIGH_DAMPING_FACTORS>", lambda: r.take("2i2d"))
    r.records("<CROSS_SECTION_AREAS>", lambda: (r.string(), r.take("d")))
    r.records("<FRAME_2D_CROSS_SECTIONS>", lambda: (r.string(), r.take("4d")))
    r.records("<FRAME_3D_CROSS_SECTIONS>", lambda: (r.string(), r.take("11d")))
    r.records("<LAMINATE_THICKNESSES>", lambda: (r.string(), r.take("d")))
    r.records("<GEOMETRY_PATTERNS>", lambda: (r.string(), r.i32(), r.take("%di" % r.i32())))
    r.records("<FIBROUS_PATTERNS>", lambda: (r.string(), [r.string() for _ in range(r.i32())]))
    m.layer_properties = r.records("<LAYER_PROPERTIES>", lambda: (r.string(), r.take("4i")))
    m.layer_patterns = r.records("<LAYER_PATTERNS>", lambda: (r.string(), r.take("%di" % r.i32())))
    m.integrations = r.records("<NUMERICAL_INTEGRATION>", lambda: (r.string(), r.take("21i")))
    m.elements = r.records("<ELEMENT_NODES>", lambda: r.take("%di" % r.i32()))
    r.block("<FIBROUS_MESHES>")
    m.fibrous_meshes = []
    for _ in range(fibrous_meshes):
        r.tag("<FIBROUS_MESH_DESCRIPTION>")
        r.block("<FIBROUS_MESH_PARAMETERS>")
        r.i32()
        r.string()
        mother_nodes = r.i32()
        r.take("3d")
        r.block("<CROSS_SECTION_POINT_COORDINATES>")
        for _ in range(mother_nodes):
            r.take("%dd" % (2 * r.i32()))
        r.records("<FIBROUS_ELEMENT_NODES>", lambda: r.take("%di" % r.i32()))
        m.fibrous_meshes.append(r.records("<FIBROUS_ELEMENT_PROPERTIES>", lambda: r.take("8i")))
    m.properties = r.records("<ELEMENT_PROPERTIES>", lambda: r.take("12i"))
    m.thermal = m.analysis in (5, 6)
    m.supports = fixed_temps if m.thermal else supports
    return m


def pairs(values):
    return [(values[k], values[k + 1]) for k in range(0, len(values), 2)]


def property_of_elements(m, phase=1):
    """Per element (1-based; entry 0 unused) its property record, 0 for none: the last
    record of the phase that names the element."""
    prop_of = [0] * (len(m.elements) + 1)
    for k, p in enumerate(m.properties, start=1):
        lead, first_phase, last_phase, first, last, etype = p[:6]
        if first_phase != 0 and etype != 0 and first != 0 and first <= last and first_phase <= phase <= last_phase:
            for e in range(first, last + 1):
                prop_of[e] = k
    return prop_of


def dof_codes(m, phase=1):
    """Per point a string of six codes: F free, P prescribed, . absent."""
    prop_of = property_of_elements(m, phase)
    codes = [["."] * 6 for _ in m.points]
    for e, nodes in enumerate(m.elements, start=1):
        if prop_of[e]:
            mask = DOF_MASKS[m.properties[prop_of[e] - 1][5]]
            for point in nodes:
                for d in range(6):
                    if mask[d] == "1":
                        codes[point - 1][d] = "F"
    for s in m.supports:
        first_phase, last_phase, point = s[1], s[2], s[3]
        if first_phase <= phase <= last_phase:
            for d in range(6):
                if s[5 + d] == 1:
                    codes[point - 1][d] = "P"
    return ["".join(c) for c in codes]


def print_records(path, opening, codes, names, per_record, react_name):
    """Every record of a file of the _dr.bin layout: int32 number, nF free, nP prescribed
    values, then (per_record >= 3) nP reactions; further vectors (dynamic runs) are skipped."""
    n_free = sum(c.count("F") for c in codes)
    n_presc = sum(c.count("P") for c in codes)
    data = open(path, "rb").read()
    head, closing = tagged(opening), tagged("</" + opening[1:])
    if not data.startswith(head):
        raise ValueError("%s does not open with %s" % (path, opening))
    size = 4 + 8 * per_record
    pos = len(head)
    while pos + size <= len(data) and not data.startswith(closing, pos):
        (number,) = struct.unpack_from("<i", data, pos)
        values = struct.unpack_from("<%dd" % min(per_record, n_free + 2 * n_presc), data, pos + 4)
        pos += size
        print("%s record %d" % (os.path.basename(path), number))
        f = p = 0
        for point, code in enumerate(codes, start=1):
            for d, c in enumerate(code):
                if c == "F":
                    print("%d %s %.17g" % (point, names[d], values[f]))
                    f += 1
                elif c == "P":
                    line = "%d %s %.17g" % (point, names[d], values[n_free + p])
                    if react_name:
                        line += " %s %.17g" % (react_name, values[n_free + n_presc + p])
                    print(line)
                    p += 1


# ---- stresses: the history files <job><kind>_HD.bin ------------------------------------

# Keyword of material kinds 1..49, as the data file numbers them (materials.md).
KIND_KEYWORDS = [None, "_LIN_ISO", "_LIN_ORTHO", "_LIN_INT_POINT", "_LIN_INT_LINE_2D", "_LIN_INT_LINE_3D",
                 "_LIN_INT_SURF"] + ["_NLMM%d" % k for k in (
                     101, 102, 104, 105, 111, 121, 122, 123, 124, 125, 141, 142, 145, 146, 151, 171, 172, 173, 174,
                     175, 201, 202, 210, 211, 220, 298, 299, 301, 302, 303, 304, 305, 306, 320, 401, 451, 501)] + [
                 "_FRC_MIXFRACTURE_2D", "_NLMM_PATT", "_FIB_PATT", "_LAY_PATT", "_FIB_MESH", "_THERMAL_ISO"]
LINEAR_KINDS = (1, 2, 3, 4, 5, 6, 49)                 # no history records
NLMM_PATT, LAY_PATT, FIB_MESH = 45, 47, 48             # compositions

# Per kind the record of one sampling point as result-files.md tabulates it: record bytes,
# byte offset and count of the f64 stresses, then what follows the stresses on the line:
# ("cracks", count offset, states offset), ("flags", offset of the cracked and crushed
# bytes) or ("failure", offset of the f64 failure index).
STRESS_RECORDS = {
    7: (400, 28, 3, ("cracks", 52, 64)),      # _NLMM101
    8: (576, 52, 6, ("cracks", 100, 112)),    # _NLMM102
    9: (835, 28, 3, ("cracks", 52, 64)),      # _NLMM104
    11: (1049, 52, 6, ("cracks", 148, 160)),  # _NLMM111
    12: (112, 28, 3, None),                   # _NLMM121
    13: (184, 52, 6, None),                   # _NLMM122
    14: (184, 52, 6, None),                   # _NLMM123
    15: (192, 52, 6, None),                   # _NLMM124
    16: (184, 52, 6, None),                   # _NLMM125
    17: (460, 28, 3, ("cracks", 112, 124)),   # _NLMM141
    18: (975, 28, 3, ("cracks", 192, 204)),   # _NLMM142
    19: (352, 24, 1, None),                   # _NLMM145
    21: (1237, 52, 6, ("cracks", 336, 348)),  # _NLMM151
    27: (92, 16, 1, None),                    # _NLMM201
    28: (352, 24, 1, None),                   # _NLMM202
    29: (168, 24, 1, None),                   # _NLMM210
    30: (512, 136, 3, None),                  # _NLMM211
    31: (184, 24, 1, None),                   # _NLMM220
    32: (42, 8, 1, ("flags", 40)),            # _NLMM298
    33: (40, 8, 1, None),                     # _NLMM299
    43: (32, 0, 3, ("failure", 24)),          # _NLMM501
}


def line_dimension(etype):
    """1, 2 or 3: the directions of an element type's rule."""
    if etype <= 8 or etype in (14, 27, 28, 31, 32):
        return 1
    return 3 if 21 <= etype <= 25 else 2


def rule_points(m, prop, dim):
    """Sampling points of an element property's rule: the G counts of its
    <NUMERICAL_INTEGRATION> record along s1..s(dim), 2 per direction without one."""
    rule = prop[11]
    n = 1
    for d in range(dim):
        n *= m.integrations[rule - 1][1][2 + d] if rule else 2
    return n


def stress_names(etype, where, kind, n):
    """Names of the n stresses of a record: plane elements (in x2-x3) s22 s33 s23 and, in
    the six-value records of plane strain, s11; solids s11 s22 s33 s23 s13 s12; shell layers
    sx sy sxy in the element's axes x' y', _NLMM501 layers s1 s2 s12 in the material axes;
    bars, cables, bar layers and fibres s along them."""
    if n == 1:
        return ["s"]
    if where == "layer":
        return ["s1", "s2", "s12"] if kind == 43 else ["sx", "sy", "sxy"]
    if etype == 24:
        return ["s11", "s22", "s33", "s23", "s13", "s12"]
    if etype == 13 and n == 6:
        return ["s22", "s33", "s23", "s11"]
    return ["s22", "s33", "s23"]


def history_places(m):
    """Per kind the list of its records in file order: (element, type, label, where), label
    the "point k [layer l | component c | fibre f sub q]" of the record."""
    places = {}
    prop_of = property_of_elements(m)

    def add(kind, e, etype, label, where=""):
        if kind not in LINEAR_KINDS:
            places.setdefault(kind, []).append((e, etype, label, where))

    for e in range(1, len(m.elements) + 1):
        if not prop_of[e]:
            continue
        prop = m.properties[prop_of[e] - 1]
        etype, kind, number = prop[5], prop[6], prop[7]
        if kind in LINEAR_KINDS:
            continue
        if kind == LAY_PATT:
            rule = prop[11]
            c = m.integrations[rule - 1][1][2:4] if rule else (3, 3)
            layers = m.layer_patterns[number - 1][1]
            for k in range(1, c[0] * c[1] + 1):
                for l, layer in enumerate(layers, start=1):
                    add(m.layer_properties[layer - 1][1][0], e, etype, "point %d layer %d" % (k, l), "layer")
        elif kind == NLMM_PATT:
            for k in range(1, rule_points(m, prop, line_dimension(etype)) + 1):
                for c, (ckind, _) in enumerate(m.nlmm_patterns[number - 1][1], start=1):
                    add(ckind, e, etype, "point %d component %d" % (k, c))
        elif kind == FIB_MESH:
            groups = m.fibrous_meshes[number - 1]
            for k in range(1, rule_points(m, prop, 1) + 1):
                fibre = 0
                for g in groups:
                    if g[2] == 0:
                        continue
                    n = m.integrations[g[7] - 1][1][2] ** 2 if g[7] else 4
                    for _ in range(g[2], g[3] + 1):
                        fibre += 1
                        for q in range(1, n + 1):
                            add(g[4], e, etype, "point %d fibre %d sub %d" % (k, fibre, q), "fibre")
        else:
            for k in range(1, rule_points(m, prop, line_dimension(etype)) + 1):
                add(kind, e, etype, "point %d" % k)
    return places


def stress_line(data, at, kind, etype, where):
    size, offset, n, extra = STRESS_RECORDS[kind]
    values = struct.unpack_from("<%dd" % n, data, at + offset)
    names = stress_names(etype, where, kind, n)
    text = " ".join("%s %.17g" % nv for nv in zip(names, values))
    if extra and extra[0] == "cracks":
        count = struct.unpack_from("<i", data, at + extra[1])[0]
        states = struct.unpack_from("<4i", data, at + extra[2])[:max(0, min(count, 4))]
        text += " cracks %d" % count + "".join(" %d" % s for s in states)
    elif extra and extra[0] == "flags":
        text += " cracked %d crushed %d" % tuple(data[at + extra[1]:at + extra[1] + 2])
    elif extra:
        text += " failure %.17g" % struct.unpack_from("<d", data, at + extra[1])[0]
    return text


def print_stresses(job, m):
    """Every history file of the job: per converged combination (block) one line per
    record, "element E point K [layer L | component C | fibre F sub Q] name value ..."."""
    head = tagged("<HISTORICAL_DATA_OF_NONLINEAR_MATERIAL_MODEL>")
    closing = tagged("</HISTORICAL_DATA_OF_NONLINEAR_MATERIAL_MODEL>")
    for kind, places in sorted(history_places(m).items()):
        path = job + KIND_KEYWORDS[kind] + "_HD.bin"
        if not os.path.exists(path):
            continue
        name = os.path.basename(path)
        data = open(path, "rb").read()
        if not data.startswith(head):
            raise ValueError("%s does not open with %s" % (name, head[4:-1].decode()))
        if kind not in STRESS_RECORDS:
            print("%s: %d records per combination, no stresses" % (name, len(places)))
            continue
        size = STRESS_RECORDS[kind][0]
        block_tag = tagged("<%s_HD>" % KIND_KEYWORDS[kind][1:])
        pos, combination = len(head), 0
        while pos + 8 <= len(data) and not data.startswith(closing, pos):
            (end,) = struct.unpack_from("<q", data, pos)
            if end == 0 or end > len(data):
                break  # the last block of a run that stopped while writing it
            first = pos + 8 + len(block_tag)
            if not data.startswith(block_tag, pos + 8) or end != first + size * len(places):
                raise ValueError("%s: block %d does not hold the %d records of %d bytes the model gives"
                                 % (name, combination + 1, len(places), size))
            combination += 1
            print("%s combination %d" % (name, combination))
            for r, (e, etype, label, where) in enumerate(places):
                print("element %d %s %s" % (e, label, stress_line(data, first + r * size, kind, etype, where)))
            pos = end


def tagged(text):
    """The bytes of a string of the files: int32 length, the characters, NUL."""
    return struct.pack("<i", len(text)) + text.encode() + b"\0"


def main(job):
    m = read_model(job)
    codes = dof_codes(m)
    n_free = sum(c.count("F") for c in codes)
    n_presc = sum(c.count("P") for c in codes)
    names = ["T", "-", "-", "-", "-", "-"] if m.thermal else MECH_NAMES
    # (suffix, opening tag, values per record, name of the third vector)
    files = [("_dr.bin", "<DISPLACEMENTS_AND_REACTIONS>", n_free + 2 * n_presc, "reaction"),
             ("_tq.bin", "<TEMPERATURES_AND_BOUNDARY_HEAT_FLUXES>", n_free + 2 * n_presc, "flux"),
             ("_if.bin", "<INTERNAL_EQUIVALENT_NODAL_FORCES>", n_free + n_presc, None),
             ("_iq.bin", "<INTERNAL_EQUIVALENT_NODAL_HEAT_FORCES>", n_free + n_presc, None)]
    for suffix, opening, per_record, react_name in files:
        if not os.path.exists(job + suffix):
            continue
        if suffix == "_dr.bin" and m.analysis in (2, 4):
            per_record = 3 * n_free + 4 * n_presc  # accelerations and velocities follow
        print_records(job + suffix, opening, codes, names, per_record, react_name)
    print_stresses(job, m)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "portal")
