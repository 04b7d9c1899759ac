#!/usr/bin/env python3
"""Print every result file of a volde job per point and direction.

    python3 volde_results.py JOB

reads JOB_gl.bin (points, supports, element nodes and properties), rebuilds the numbering
of the free and prescribed dofs that the program uses (see result-files.md), and prints
each record of JOB_dr.bin, JOB_if.bin, JOB_tq.bin and JOB_iq.bin that exists: one line
per dof, "point name value" (with the reaction of a prescribed dof). Standard library only.
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


def read_model(job):
    """Points, supports (phase range, point, fixity), element nodes and properties."""
    r = Reader(open(job + "_gl.bin", "rb").read())
    r.tag("<VOLDE_DATA_FILE_V4.0>")
    r.tag("<MESH>")
    r.block("<MAIN_PARAMETERS>")
    r.string()
    main = r.take("i2b6i2b3idid2id2i4bib4i")
    analysis, fibrous_meshes = main[0], main[5]
    r.block("<DYNAMIC_ANALYSIS_PARAMETERS>")
    r.take("i3d2i3d")
    r.records("<GROUP_NAMES>", r.string)
    points = r.records("<POINT_COORDINATES>", lambda: r.take("3d"))
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
    r.records("<NLMM_PATTERNS>", lambda: (r.string(), r.take("%di" % (2 * r.i32()))))
    r.records("<RAYLEIGH_DAMPING_FACTORS>", lambda: r.take("2i2d"))
    r.records("<CROSS_SECTION_AREAS>", lambda: (r.string(), r.take("d")))
    r.records("<FRAME_2D_CROSS_SECTIONS>", lambda: (r.string(), r.take("4d")))
    r.records("<FRAME_3D_CROSS_SECTIONS>", lambda: (r.string(), r.take("11d")))
    r.records("<LAMINATE_THICKNESSES>", lambda: (r.string(), r.take("d")))
    r.records("<GEOMETRY_PATTERNS>", lambda: (r.string(), r.i32(), r.take("%di" % r.i32())))
    r.records("<FIBROUS_PATTERNS>", lambda: (r.string(), [r.string() for _ in range(r.i32())]))
    r.records("<LAYER_PROPERTIES>", lambda: (r.string(), r.take("4i")))
    r.records("<LAYER_PATTERNS>", lambda: (r.string(), r.take("%di" % r.i32())))
    r.records("<NUMERICAL_INTEGRATION>", lambda: (r.string(), r.take("21i")))
    elements = r.records("<ELEMENT_NODES>", lambda: r.take("%di" % r.i32()))
    r.block("<FIBROUS_MESHES>")
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
        r.records("<FIBROUS_ELEMENT_PROPERTIES>", lambda: r.take("8i"))
    properties = r.records("<ELEMENT_PROPERTIES>", lambda: r.take("12i"))
    thermal = analysis in (5, 6)
    return points, fixed_temps if thermal else supports, elements, properties, thermal


def dof_codes(points, supports, elements, properties, phase=1):
    """Per point a string of six codes: F free, P prescribed, . absent."""
    prop_of = [0] * (len(elements) + 1)
    for k, p in enumerate(properties, start=1):
        lead, first_phase, last_phase, first, last, etype = p[:6]
        if first_phase != 0 and etype != 0 and first != 0 and first <= last and first_phase <= phase <= last_phase:
            for e in range(first, last + 1):
                prop_of[e] = k
    codes = [["."] * 6 for _ in points]
    for e, nodes in enumerate(elements, start=1):
        if prop_of[e]:
            mask = DOF_MASKS[properties[prop_of[e] - 1][5]]
            for point in nodes:
                for d in range(6):
                    if mask[d] == "1":
                        codes[point - 1][d] = "F"
    for s in supports:
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
    head = struct.pack("<i", len(opening)) + opening.encode() + b"\0"
    closing = struct.pack("<i", len(opening) + 1) + ("</" + opening[1:]).encode() + b"\0"
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


def main(job):
    points, supports, elements, properties, thermal = read_model(job)
    codes = dof_codes(points, supports, elements, properties)
    n_free = sum(c.count("F") for c in codes)
    n_presc = sum(c.count("P") for c in codes)
    names = ["T", "-", "-", "-", "-", "-"] if thermal else MECH_NAMES
    # (suffix, opening tag, values per record, name of the third vector)
    files = [("_dr.bin", "<DISPLACEMENTS_AND_REACTIONS>", n_free + 2 * n_presc, "reaction"),
             ("_tq.bin", "<TEMPERATURES_AND_BOUNDARY_HEAT_FLUXES>", n_free + 2 * n_presc, "flux"),
             ("_if.bin", "<INTERNAL_EQUIVALENT_NODAL_FORCES>", n_free + n_presc, None),
             ("_iq.bin", "<INTERNAL_EQUIVALENT_NODAL_HEAT_FORCES>", n_free + n_presc, None)]
    for suffix, opening, per_record, react_name in files:
        if not os.path.exists(job + suffix):
            continue
        if suffix == "_dr.bin" and is_dynamic(job):
            per_record = 3 * n_free + 4 * n_presc  # accelerations and velocities follow
        print_records(job + suffix, opening, codes, names, per_record, react_name)


def is_dynamic(job):
    r = Reader(open(job + "_gl.bin", "rb").read())
    r.tag("<VOLDE_DATA_FILE_V4.0>")
    r.tag("<MESH>")
    r.block("<MAIN_PARAMETERS>")
    r.string()
    return r.i32() in (2, 4)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "portal")
