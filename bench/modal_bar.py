#!/usr/bin/env python3
"""Writes the modal case of modal-side-by-side.sh: a clamped solid cantilever of
288 x 2 x 5 cubic eight-node hexahedra of 0.1 (15 552 equations), E = 30e9, nu = 0.2,
rho = 2500, its ten lowest vibration modes; the points numbered along the bar (a line
along the bar after the other), as volde's <job>_gl.bin and as the same mesh in the input
format of the established program (<job>.inp, C3D8, *FREQUENCY).

    python3 modal_bar.py JOB
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs"))
import volde_writer as vw  # noqa: E402

N1, N2, N3, H, MODES = 288, 2, 5, 0.1, 10
SOLID_HEXA, LIN_ISO = 24, 1


def point(i, j, k):
    return (k * (N2 + 1) + j) * (N1 + 1) + i + 1


def bricks():
    for i in range(N1):
        for j in range(N2):
            for k in range(N3):
                yield [point(i, j, k), point(i + 1, j, k), point(i + 1, j + 1, k), point(i, j + 1, k),
                       point(i, j, k + 1), point(i + 1, j, k + 1), point(i + 1, j + 1, k + 1), point(i, j + 1, k + 1)]


def main(job):
    coords = {point(i, j, k): (H * i, H * j, H * k)
              for i in range(N1 + 1) for j in range(N2 + 1) for k in range(N3 + 1)}
    clamped = [point(0, j, k) for j in range(N2 + 1) for k in range(N3 + 1)]
    m = vw.Model("Clamped solid cantilever: ten lowest vibration modes")
    m.main["ANALYSIS_TYPE"] = 3
    m.record("<LINEAR_ISOTROPIC_MATERIALS>", vw.lin_iso("concrete", 2500.0, 1e-5, 30e9, 0.2))
    for p in range(1, len(coords) + 1):
        m.point(*coords[p])
    for p in clamped:
        m.support(p, "111000")
    for nodes in bricks():
        m.element(nodes)
    m.element_property(1, N1 * N2 * N3, SOLID_HEXA, LIN_ISO, 1, 0, 0)
    # from frequency 0, ten modes, no upper bound (0), the default tolerance (0)
    m.record("<FREQUENCY_RANGES>", struct.pack("<did", 0.0, MODES, 0.0) + struct.pack("<d", 0.0))
    m.write(job)
    with open(job + ".inp", "w") as f:
        f.write("*NODE\n")
        f.writelines("%d,%.17g,%.17g,%.17g\n" % ((p,) + coords[p]) for p in range(1, len(coords) + 1))
        f.write("*ELEMENT,TYPE=C3D8,ELSET=BAR\n")
        f.writelines("%d,%s\n" % (e, ",".join(map(str, n))) for e, n in enumerate(bricks(), start=1))
        f.write("*NSET,NSET=CLAMPED\n")
        f.writelines("%d\n" % p for p in clamped)
        f.write("*BOUNDARY\nCLAMPED,1,3\n*MATERIAL,NAME=CONCRETE\n*ELASTIC\n30e9,0.2\n*DENSITY\n2500\n")
        f.write("*SOLID SECTION,ELSET=BAR,MATERIAL=CONCRETE\n*STEP\n*FREQUENCY\n%d\n*END STEP\n" % MODES)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "modal_bar")
