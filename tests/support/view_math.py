#!/usr/bin/env python3
"""Expected values of the view and coordinate operations, computed from the
camera formulas alone (never from the server's output).

A camera is given as JSON on the command line; the script prints one line per
question asked:

  view_math.py '{"ref":[0,0,0],"dir":[0,-1,0],"up":[0,0,1],"width":4095,
                 "height":3276,"depth":3276,"eye":[0,-3000,0],"persp":false,
                 "viewport":[0,4095,0,3276],"mirror":0}' \
               tek:1,2,3 line:100,200 vup project:1,2,3:1280:1024

  tek:x,y,z        model_to_tek: "tx ty inside"
  line:tx,ty       tek_to_3d: "px py pz sx sy sz"
  vup              the orthogonalised up: "vx vy vz"
  project:x,y,z:w:h  GLU's gluProject of the camera's look-at and ortho or
                   frustum matrices in a w x h window: "wx wy" (window pixels,
                   origin bottom left), to check model_to_tek against GL.
"""
import json
import math
import sys


def sub(a, b):
    return [a[i] - b[i] for i in range(3)]


def dot(a, b):
    return sum(a[i] * b[i] for i in range(3))


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


def norm(a):
    n = math.sqrt(dot(a, a))
    return [c / n for c in a]


def add(a, b, s=1.0):
    return [a[i] + s * b[i] for i in range(3)]


class Camera:
    def __init__(self, c):
        self.ref = c["ref"]
        self.direction = norm(c["dir"])  # toward the eye
        up = c["up"]
        u = cross(up, self.direction)
        if math.sqrt(dot(u, u)) < 1e-6:
            up = [0, 1, 0] if abs(self.direction[2]) >= 0.999999 else [0, 0, 1]
            u = cross(up, self.direction)
        self.u = norm(u)
        self.v = norm(cross(self.direction, self.u))
        self.width, self.height, self.depth = c["width"], c["height"], c["depth"]
        self.eye = c["eye"]
        self.persp = c["persp"]
        self.viewport = c["viewport"]  # x, width, y, height in tek units
        self.mirror = c.get("mirror", 0)

    def focus(self):
        return math.sqrt(dot(sub(self.eye, self.ref), sub(self.eye, self.ref)))

    def to_view(self, p):
        d = sub(p, self.ref)
        x, y, z = dot(self.u, d), dot(self.v, d), dot(self.direction, d)
        f = self.focus()
        if self.persp and z < f:
            x, y = x * f / (f - z), y * f / (f - z)
        return x, y, z

    def model_to_tek(self, p):
        x, y, _ = self.to_view(p)
        vx, vw, vy, vh = self.viewport
        inside = True
        out = []
        for value, size, origin, extent in ((x, self.width, vx, vw), (y, self.height, vy, vh)):
            t = value / size * extent + origin + extent / 2
            if t < origin or t > origin + extent:
                t = origin if t < origin else origin + extent
                inside = False
            out.append(int(t + 0.5))
        return out[0], out[1], inside

    def line(self, tx, ty):
        vx, vw, vy, vh = self.viewport
        x = (tx - vx - vw / 2) * 2 / vw * self.width / 2
        y = (ty - vy - vh / 2) * 2 / vh * self.height / 2
        p = [self.ref[i] + x * self.u[i] + y * self.v[i] for i in range(3)]
        s = list(self.eye if self.persp else self.direction)
        if self.mirror == 1:
            p[1], s[1] = -p[1], -s[1]
        s = [0.0 if abs(c) < 1e-6 else c for c in s]
        return p + s

    # ---- GLU's projection of the same camera ----

    def look_at(self):
        # gluLookAt(eye, ref, up): rows s, u', -f and the eye moved to the origin.
        f = norm(sub(self.ref, self.eye))
        s = norm(cross(f, self.v))
        u = cross(s, f)
        m = [[s[0], s[1], s[2], -dot(s, self.eye)],
             [u[0], u[1], u[2], -dot(u, self.eye)],
             [-f[0], -f[1], -f[2], dot(f, self.eye)],
             [0, 0, 0, 1]]
        return m

    def projection(self):
        a = self.focus()
        near = max(a - self.depth / 2, a * 0.001)
        far = a + self.depth / 2
        if self.persp:
            k = near / a
            l, r, b, t = -self.width * k / 2, self.width * k / 2, -self.height * k / 2, self.height * k / 2
            return [[2 * near / (r - l), 0, (r + l) / (r - l), 0],
                    [0, 2 * near / (t - b), (t + b) / (t - b), 0],
                    [0, 0, -(far + near) / (far - near), -2 * far * near / (far - near)],
                    [0, 0, -1, 0]]
        l, r, b, t = -self.width / 2, self.width / 2, -self.height / 2, self.height / 2
        return [[2 / (r - l), 0, 0, -(r + l) / (r - l)],
                [0, 2 / (t - b), 0, -(t + b) / (t - b)],
                [0, 0, -2 / (far - near), -(far + near) / (far - near)],
                [0, 0, 0, 1]]

    def glu_project(self, p, w, h):
        vx, vw, vy, vh = self.viewport
        viewport = [round(w * vx / 4095), round(h * vy / 3276), round(w * vw / 4095), round(h * vh / 3276)]
        point = [p[0], p[1], p[2], 1]
        for m in (self.look_at(), self.projection()):
            point = [sum(m[r][c] * point[c] for c in range(4)) for r in range(4)]
        nx, ny = point[0] / point[3], point[1] / point[3]
        return viewport[0] + (nx + 1) * viewport[2] / 2, viewport[1] + (ny + 1) * viewport[3] / 2


def numbers(text):
    return [float(v) for v in text.split(",")]


def main():
    camera = Camera(json.loads(sys.argv[1]))
    for question in sys.argv[2:]:
        kind, _, rest = question.partition(":")
        if kind == "tek":
            tx, ty, inside = camera.model_to_tek(numbers(rest))
            print(tx, ty, int(inside))
        elif kind == "line":
            print(" ".join("%.6g" % c for c in camera.line(*numbers(rest))))
        elif kind == "vup":
            print(" ".join("%.6g" % c for c in camera.v))
        elif kind == "project":
            point, w, h = rest.split(":")
            print(" ".join("%.6g" % c for c in camera.glu_project(numbers(point), float(w), float(h))))
        else:
            sys.exit("unknown question " + question)


if __name__ == "__main__":
    main()
