#!/usr/bin/env python3
"""Writes the 3D view's own meshes and cloud bitmaps into a folder.

    make_assets.py <output folder>

para.x       a paraglider wing of 11 m flat span: arched, swept, with an
             airfoil of some thickness, cell ridges and its lines
parapilot.x  a pilot seated in a harness below the wing
cloud1.bmp,
cloud2.bmp   soft cloud shapes on black, the colour the scene keys out

Meshes are DirectX text .x files in metres, +Z forward, +Y up, X to the
right (a left-handed frame, like the scene's). Faces are written so that
their front (clockwise seen from outside in that frame) faces outward. The
origin is the point where the risers meet, between the pilot's shoulders.
Only the standard library is used, and the output is the same on every run.
"""

import math
import os
import struct
import sys


class Mesh:
    def __init__(self):
        self.vertices = []
        self.faces = []      # lists of vertex indices
        self.materials = []  # material index per face

    def vertex(self, p):
        self.vertices.append(tuple(p))
        return len(self.vertices) - 1

    def face(self, indices, outward, material=0):
        """Adds a face, turned so that its front faces along outward."""
        a, b, c = (self.vertices[i] for i in indices[:3])
        n = cross(sub(b, a), sub(c, a))
        if dot(n, outward) < 0:
            indices = list(reversed(indices))
        self.faces.append(list(indices))
        self.materials.append(material)


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def scale(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def norm(a):
    length = math.sqrt(dot(a, a))
    return scale(a, 1.0 / length) if length > 0 else a


def centroid(points):
    n = float(len(points))
    return (sum(p[0] for p in points) / n, sum(p[1] for p in points) / n, sum(p[2] for p in points) / n)


# --- The wing -----------------------------------------------------------------

FLAT_SPAN = 11.0       # m, along the arc
ARC_RADIUS = 6.2       # m; the arc bends the tips down towards the pilot
WING_HEIGHT = 7.0      # m, top of the arc above the risers
ROOT_CHORD = 2.7       # m
CELLS = 36
CHORD_STATIONS = [0.0, 0.02, 0.06, 0.12, 0.2, 0.3, 0.42, 0.55, 0.7, 0.85, 1.0]


def thickness(s):
    """Half the airfoil's thickness at chord fraction s, as a fraction of the chord."""
    return 0.75 * (0.2969 * math.sqrt(s) - 0.126 * s - 0.3516 * s * s + 0.2843 * s ** 3 - 0.1036 * s ** 4)


def camber(s):
    return 0.035 * 4 * s * (1 - s)


def wing_section(t):
    """Leading edge point, chord direction, up direction and chord at span fraction t (-1..1)."""
    angle = t * (FLAT_SPAN / 2) / ARC_RADIUS
    centre_y = WING_HEIGHT - ARC_RADIUS
    up = (math.sin(angle), math.cos(angle), 0.0)
    on_arc = (ARC_RADIUS * math.sin(angle), centre_y + ARC_RADIUS * math.cos(angle), 0.0)
    chord = ROOT_CHORD * math.sqrt(max(1 - 0.86 * t * t, 0.0)) + 0.25
    # The leading edge sweeps back towards the tips; the wing is trimmed with
    # the leading edge a little ahead of the risers.
    sweep = 0.9 * t * t
    leading = add(on_arc, (0.0, 0.0, 0.9 - sweep))
    return leading, (0.0, 0.0, -1.0), up, chord


def build_wing(mesh):
    stations = 2 * CELLS + 1
    rings = []
    centres = []
    for k in range(stations):
        t = -1 + 2.0 * k / (stations - 1)
        leading, back, up, chord = wing_section(t)
        # Between ribs the cloth bulges: the cell ridges of a real canopy.
        bulge = 1.0 if k % 2 else 0.86
        upper = []
        lower = []
        for s in CHORD_STATIONS:
            base = add(leading, scale(back, s * chord))
            mid = add(base, scale(up, camber(s) * chord))
            half = thickness(s) * chord
            upper.append(mesh.vertex(add(mid, scale(up, half * bulge))))
            lower.append(mesh.vertex(add(mid, scale(up, -half * (0.55 + 0.45 * bulge)))))
        # One ring: upper from the leading to the trailing edge, then lower back.
        rings.append(upper + list(reversed(lower[1:-1])))
        centres.append(centroid([mesh.vertices[i] for i in upper + lower]))
    for k in range(stations - 1):
        a, b = rings[k], rings[k + 1]
        inside = centroid([centres[k], centres[k + 1]])
        for i in range(len(a)):
            j = (i + 1) % len(a)
            quad = [a[i], a[j], b[j], b[i]]
            out = sub(centroid([mesh.vertices[v] for v in quad]), inside)
            mesh.face(quad, out)
    # Closed tips.
    for ring, centre, side in ((rings[0], centres[0], -1), (rings[-1], centres[-1], 1)):
        middle = mesh.vertex(centre)
        tip_out = scale(norm(sub(centre, (0.0, WING_HEIGHT - ARC_RADIUS, 0.0))), 1.0)
        tangent = cross(tip_out, (0.0, 0.0, 1.0))
        out = scale(tangent, -side)
        for i in range(len(ring)):
            mesh.face([middle, ring[i], ring[(i + 1) % len(ring)]], out)
    return rings


def add_line(mesh, p0, p1, radius=0.012):
    """A line as a thin three-sided tube."""
    axis = norm(sub(p1, p0))
    other = (1.0, 0.0, 0.0) if abs(axis[0]) < 0.9 else (0.0, 1.0, 0.0)
    u = norm(cross(axis, other))
    v = cross(axis, u)
    ends = []
    for p in (p0, p1):
        ring = []
        for i in range(3):
            a = 2 * math.pi * i / 3
            ring.append(mesh.vertex(add(p, add(scale(u, radius * math.cos(a)), scale(v, radius * math.sin(a))))))
        ends.append(ring)
    for i in range(3):
        j = (i + 1) % 3
        quad = [ends[0][i], ends[0][j], ends[1][j], ends[1][i]]
        mid = centroid([mesh.vertices[q] for q in quad])
        out = sub(mid, centroid([p0, p1]))
        out = sub(out, scale(axis, dot(out, axis)))
        mesh.face(quad, out)


def build_lines(mesh):
    # Attachment rows A, B, C and the brake lines, on every other rib of each side.
    for side in (-1, 1):
        riser_top = (side * 0.22, 0.45, 0.05)
        brake = (side * 0.28, 0.25, -0.25)
        for k in range(2, CELLS + 1, 3):
            t = side * k / CELLS
            leading, back, up, chord = wing_section(t)
            for row, s in enumerate((0.12, 0.42, 0.7, 1.0)):
                base = add(leading, scale(back, s * chord))
                mid = add(base, scale(up, camber(s) * chord - thickness(s) * chord * 0.55))
                add_line(mesh, mid, brake if row == 3 else riser_top)
        # The risers down to the carabiner.
        add_line(mesh, riser_top, (side * 0.2, 0.0, 0.0), 0.02)


# --- The pilot ----------------------------------------------------------------

HARNESS, SUIT, HELMET, SKIN = range(4)
PILOT_MATERIALS = [
    (0.12, 0.12, 0.14),  # harness
    (0.75, 0.18, 0.12),  # flying suit
    (0.95, 0.85, 0.1),   # helmet
    (0.85, 0.68, 0.55),  # face and hands
]


def rotate_x(p, angle):
    c, s = math.cos(angle), math.sin(angle)
    return (p[0], p[1] * c - p[2] * s, p[1] * s + p[2] * c)


def add_box(mesh, centre, size, tilt, material):
    """A box tilted about the X axis (positive tilt lifts its front)."""
    hx, hy, hz = (d / 2 for d in size)
    corners = []
    for x in (-hx, hx):
        for y in (-hy, hy):
            for z in (-hz, hz):
                corners.append(mesh.vertex(add(centre, rotate_x((x, y, z), -tilt))))
    faces = [[0, 1, 3, 2], [4, 5, 7, 6], [0, 1, 5, 4], [2, 3, 7, 6], [0, 2, 6, 4], [1, 3, 7, 5]]
    for f in faces:
        quad = [corners[i] for i in f]
        mesh.face(quad, sub(centroid([mesh.vertices[q] for q in quad]), centre), material)


def add_sphere(mesh, centre, radius, material, rings=6, segments=10, stretch=(1.0, 1.0, 1.0)):
    top = mesh.vertex(add(centre, (0.0, radius * stretch[1], 0.0)))
    bottom = mesh.vertex(add(centre, (0.0, -radius * stretch[1], 0.0)))
    grid = []
    for r in range(1, rings):
        phi = math.pi * r / rings
        row = []
        for s in range(segments):
            theta = 2 * math.pi * s / segments
            p = (radius * math.sin(phi) * math.cos(theta) * stretch[0], radius * math.cos(phi) * stretch[1],
                 radius * math.sin(phi) * math.sin(theta) * stretch[2])
            row.append(mesh.vertex(add(centre, p)))
        grid.append(row)
    def out(face):
        return sub(centroid([mesh.vertices[i] for i in face]), centre)
    for s in range(segments):
        t = (s + 1) % segments
        f = [top, grid[0][s], grid[0][t]]
        mesh.face(f, out(f), material)
        f = [bottom, grid[-1][t], grid[-1][s]]
        mesh.face(f, out(f), material)
        for r in range(len(grid) - 1):
            f = [grid[r][s], grid[r + 1][s], grid[r + 1][t], grid[r][t]]
            mesh.face(f, out(f), material)


def add_limb(mesh, p0, p1, radius, material, segments=8):
    axis = norm(sub(p1, p0))
    other = (1.0, 0.0, 0.0) if abs(axis[0]) < 0.9 else (0.0, 1.0, 0.0)
    u = norm(cross(axis, other))
    v = cross(axis, u)
    ends = []
    for p in (p0, p1):
        ends.append([mesh.vertex(add(p, add(scale(u, radius * math.cos(2 * math.pi * i / segments)),
                                            scale(v, radius * math.sin(2 * math.pi * i / segments)))))
                     for i in range(segments)])
    for i in range(segments):
        j = (i + 1) % segments
        quad = [ends[0][i], ends[0][j], ends[1][j], ends[1][i]]
        mid = centroid([mesh.vertices[q] for q in quad])
        out = sub(mid, centroid([p0, p1]))
        mesh.face(quad, sub(out, scale(axis, dot(out, axis))), material)
    for ring, direction in ((ends[0], scale(axis, -1)), (ends[1], axis)):
        mesh.face(ring, direction, material)


def build_pilot(mesh):
    # Seated: the seat plate about 0.55 m below the carabiners, the back
    # leaning 20 degrees back, the legs forward along +Z.
    lean = math.radians(20)
    add_box(mesh, (0.0, -0.62, 0.0), (0.46, 0.1, 0.52), 0.0, HARNESS)             # seat plate
    add_box(mesh, (0.0, -0.3, -0.22), (0.48, 0.62, 0.16), lean, HARNESS)          # back protector
    add_box(mesh, (0.0, -0.25, -0.08), (0.38, 0.58, 0.24), lean, SUIT)            # torso
    add_sphere(mesh, (0.0, 0.12, 0.02), 0.13, HELMET, stretch=(1.0, 1.1, 1.15))   # helmet
    add_sphere(mesh, (0.0, 0.08, 0.12), 0.07, SKIN)                               # face
    for side in (-1, 1):
        hip = (side * 0.12, -0.52, 0.05)
        knee = (side * 0.14, -0.42, 0.5)
        foot = (side * 0.14, -0.55, 0.9)
        add_limb(mesh, hip, knee, 0.08, SUIT)
        add_limb(mesh, knee, foot, 0.065, SUIT)
        add_box(mesh, add(foot, (0.0, -0.02, 0.06)), (0.1, 0.1, 0.26), 0.3, HARNESS)
        shoulder = (side * 0.22, -0.05, -0.03)
        elbow = (side * 0.3, 0.05, 0.12)
        hand = (side * 0.28, 0.25, -0.2)
        add_limb(mesh, shoulder, elbow, 0.05, SUIT)
        add_limb(mesh, elbow, hand, 0.045, SUIT)
        add_sphere(mesh, hand, 0.045, SKIN, rings=4, segments=6)
        # Harness straps up to the carabiner.
        add_limb(mesh, (side * 0.2, -0.55, -0.05), (side * 0.2, 0.0, 0.0), 0.025, HARNESS, segments=4)


# --- Writing --------------------------------------------------------------------

def write_x(path, name, mesh, materials=None):
    lines = ["xof 0302txt 0032", "", "Mesh %s {" % name, "  %d;" % len(mesh.vertices)]
    for i, (x, y, z) in enumerate(mesh.vertices):
        end = ";;" if i == len(mesh.vertices) - 1 else ";,"
        lines.append("  %.4f;%.4f;%.4f%s" % (x, y, z, end))
    lines.append("  %d;" % len(mesh.faces))
    for i, face in enumerate(mesh.faces):
        end = ";;" if i == len(mesh.faces) - 1 else ";,"
        lines.append("  %d;%s%s" % (len(face), ",".join(str(v) for v in face), end))
    if materials:
        lines.append("  MeshMaterialList {")
        lines.append("    %d;" % len(materials))
        lines.append("    %d;" % len(mesh.materials))
        lines.append("    " + ",".join(str(m) for m in mesh.materials) + ";;")
        for r, g, b in materials:
            lines.append("    Material {")
            lines.append("      %.3f;%.3f;%.3f;1.000;;" % (r, g, b))
            lines.append("      10.000;")
            lines.append("      0.100;0.100;0.100;;")
            lines.append("      0.000;0.000;0.000;;")
            lines.append("    }")
        lines.append("  }")
    lines.append("}")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def write_bmp(path, width, height, pixel):
    """24-bit BMP, rows from the bottom, each padded to 4 bytes."""
    row_bytes = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def cloud_pixel(puffs, size):
    """Pure black outside the puffs (the key colour); inside, white at the top
    shading to grey at the flat base, never quite black."""
    def pixel(x, y):
        u, v = x / (size - 1.0), y / (size - 1.0)
        density = 0.0
        for cx, cy, r in puffs:
            d = math.hypot(u - cx, v - cy) / r
            density = max(density, 1.0 - d * d)
        if density <= 0.0:
            return (0, 0, 0)
        shade = 0.62 + 0.38 * (1.0 - v) ** 0.7       # lit from above
        soft = min(1.0, 0.55 + density)              # a darker rim softens the edge
        level = max(8, int(255 * shade * soft))
        return (level, level, min(255, level + 6))
    return pixel


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_assets.py <output folder>")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    wing = Mesh()
    build_wing(wing)
    build_lines(wing)
    write_x(os.path.join(out, "para.x"), "Paraglider", wing)

    pilot = Mesh()
    build_pilot(pilot)
    write_x(os.path.join(out, "parapilot.x"), "Pilot", pilot, PILOT_MATERIALS)

    size = 128
    write_bmp(os.path.join(out, "cloud1.bmp"), size, size,
              cloud_pixel([(0.3, 0.55, 0.22), (0.5, 0.45, 0.3), (0.72, 0.55, 0.22), (0.5, 0.62, 0.2)], size))
    write_bmp(os.path.join(out, "cloud2.bmp"), size, size,
              cloud_pixel([(0.22, 0.6, 0.16), (0.4, 0.5, 0.24), (0.62, 0.45, 0.28), (0.8, 0.58, 0.15),
                           (0.55, 0.66, 0.18)], size))
    print("para.x: %d vertices, %d faces; parapilot.x: %d vertices, %d faces"
          % (len(wing.vertices), len(wing.faces), len(pilot.vertices), len(pilot.faces)))


if __name__ == "__main__":
    main()
