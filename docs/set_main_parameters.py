#!/usr/bin/env python3
"""Set fields of <MAIN_PARAMETERS> in a volde data file, in place.

    python3 set_main_parameters.py JOB NUMBER_OF_COMBINATIONS_BEFORE_RESTART=3 [NAME=VALUE ...]

JOB_gl.bin keeps its size and every other byte; each NAME is a field of the table in
data-file.md, each VALUE an integer (int32 and byte fields) or a number (f64 fields).
Without NAME=VALUE it prints the fields. Standard library only.
"""
import struct
import sys

# The fields after the title, in file order: (name, struct code); spare bytes are "-".
FIELDS = [
    ("ANALYSIS_TYPE", "i"), ("MATERIALLY_NONLINEAR_PROBLEM", "b"), ("GEOMETRICALLY_NONLINEAR_PROBLEM", "b"),
    ("KINEMATIC_DESCRIPTION", "i"), ("NUMBER_OF_PHASES", "i"), ("NUMBER_OF_FIBROUS_MESHES", "i"),
    ("NUMBER_OF_CONTACT_CASES", "i"), ("NUMBER_OF_LOAD_CASES", "i"), ("NUMBER_OF_COMBINATIONS", "i"),
    ("-", "b"), ("-", "b"), ("MAXIMUM_NUMBER_OF_ARC_LENGTH_COMBINATIONS", "i"),
    ("STIFFNESS_MATRIX_STORAGE_TECHNIQUE", "i"), ("SYSTEM_LIN_EQ_ALGORITHM", "i"), ("RESIDUAL_DECAY", "d"),
    ("THERMAL_STEPPING_METHOD", "i"), ("THETA", "d"), ("ITERATIVE_ALGORITHM", "i"),
    ("CONVERGENCE_CRITERION", "i"), ("TOLERANCE_IN_EACH_COMBINATION", "d"),
    ("MAXIMUM_NUMBER_OF_ITERATIONS_IN_EACH_COMBINATION", "i"), ("NUMBER_OF_COMBINATIONS_BEFORE_RESTART", "i"),
    ("ADD_UNBALANCED_FORCES", "b"), ("-", "b"), ("ARC_LENGTH", "b"), ("-", "b"), ("PATH_BEHAVIOR", "i"),
    ("STIFFNESS_EIGENVALUES", "b"), ("MOST_EIGENVALUES", "i"), ("EIGENVALUE_TECHNIQUE", "i"),
    ("EIGENVALUE_COMBINATION", "i"), ("EIGENVALUE_ITERATION", "i"),
]


def string_at(data, pos, expected=None):
    """The string at pos and the position after it; checks it when expected is given."""
    (n,) = struct.unpack_from("<i", data, pos)
    text = data[pos + 4:pos + 4 + n].decode("latin-1")
    if expected is not None and text != expected:
        raise SystemExit("not a volde data file: expected %s at byte %d" % (expected, pos))
    return text, pos + 4 + n + 1


def field_offsets(data):
    """{name: (byte offset, struct code)} of the fields of <MAIN_PARAMETERS>."""
    _, pos = string_at(data, 0, "<VOLDE_DATA_FILE_V4.0>")
    _, pos = string_at(data, pos, "<MESH>")
    _, pos = string_at(data, pos + 4, "<MAIN_PARAMETERS>")  # after the block's header word
    _, pos = string_at(data, pos)  # the title
    offsets = {}
    for name, code in FIELDS:
        offsets.setdefault(name, (pos, code))
        pos += struct.calcsize("<" + code)
    return offsets


def set_main_parameters(path, values):
    data = bytearray(open(path, "rb").read())
    offsets = field_offsets(data)
    for name, value in values.items():
        if name not in offsets or name == "-":
            raise SystemExit("unknown field %s" % name)
        pos, code = offsets[name]
        struct.pack_into("<" + code, data, pos, float(value) if code == "d" else int(value))
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) < 2:
        raise SystemExit(__doc__)
    path = argv[1] if argv[1].endswith("_gl.bin") else argv[1] + "_gl.bin"
    pairs = dict(a.split("=", 1) for a in argv[2:])
    if pairs:
        set_main_parameters(path, pairs)
    data = open(path, "rb").read()
    for name, (pos, code) in field_offsets(data).items():
        if name != "-":
            print("%s = %s" % (name, struct.unpack_from("<" + code, data, pos)[0]))


if __name__ == "__main__":
    main(sys.argv)
