#!/usr/bin/env python3
"""Writes the small glTF seeds of fuzz_gltf_reader into fuzz/corpus/gltf_reader: files of the kinds
other tools write (strips, fans, indexed and not, sparse accessors, a quaternion hierarchy, lines and
points, embedded base64 and binary containers). The host's own file (host_scene.glb) is written by
gorva from host_scene.gorva instead."""
import base64
import json
import math
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "gltf_reader")


class Sketch:
    """A glTF document with one buffer that views and accessors are appended to."""

    def __init__(self):
        self.doc = {"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": []}], "nodes": [],
                    "meshes": [], "accessors": [], "bufferViews": []}
        self.bin = b""

    def view(self, data):
        while len(self.bin) % 4:
            self.bin += b"\0"
        self.doc["bufferViews"].append({"buffer": 0, "byteOffset": len(self.bin), "byteLength": len(data)})
        self.bin += data
        return len(self.doc["bufferViews"]) - 1

    def accessor(self, fmt, values, component, kind, width, **extra):
        entry = {"bufferView": self.view(struct.pack("<%d%s" % (len(values), fmt), *values)),
                 "componentType": component, "count": len(values) // width, "type": kind}
        entry.update(extra)
        self.doc["accessors"].append(entry)
        return len(self.doc["accessors"]) - 1

    def positions(self, xyz):
        cols = [xyz[i::3] for i in range(3)]
        return self.accessor("f", xyz, 5126, "VEC3", 3, min=[min(c) for c in cols], max=[max(c) for c in cols])

    def mesh(self, **primitive):
        self.doc["meshes"].append({"primitives": [primitive]})
        return len(self.doc["meshes"]) - 1

    def node(self, root=True, **fields):
        self.doc["nodes"].append(fields)
        if root:
            self.doc["scenes"][0]["nodes"].append(len(self.doc["nodes"]) - 1)
        return len(self.doc["nodes"]) - 1

    def text(self):
        self.doc["buffers"] = [{"byteLength": len(self.bin),
                                "uri": "data:application/octet-stream;base64," +
                                       base64.b64encode(self.bin).decode()}]
        return json.dumps(self.doc, separators=(",", ":")).encode()

    def binary(self):
        self.doc["buffers"] = [{"byteLength": len(self.bin)}]
        js = json.dumps(self.doc, separators=(",", ":")).encode()
        js += b" " * (-len(js) % 4)
        data = self.bin + b"\0" * (-len(self.bin) % 4)
        chunks = struct.pack("<II", len(js), 0x4E4F534A) + js + struct.pack("<II", len(data), 0x004E4942) + data
        return b"glTF" + struct.pack("<II", 2, 12 + len(chunks)) + chunks


SQUARE = [0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0]


def indexed_base64():
    g = Sketch()
    g.doc["materials"] = [{"name": "Wall"}]
    pos = g.positions(SQUARE)
    uv = g.accessor("f", [0, 0, 1, 0, 1, 1, 0, 1], 5126, "VEC2", 2)
    idx = g.accessor("H", [0, 1, 2, 0, 2, 3], 5123, "SCALAR", 1)
    g.node(name="Square", mesh=g.mesh(attributes={"POSITION": pos, "TEXCOORD_0": uv}, indices=idx, material=0))
    return g.text()


def strip(binary):
    g = Sketch()
    pos = g.positions([0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0])
    g.node(name="Strip", mesh=g.mesh(attributes={"POSITION": pos}, mode=5), translation=[5, 0, 0])
    return g.binary() if binary else g.text()


def fan():
    g = Sketch()
    pos = g.positions([0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1])
    idx = g.accessor("B", [0, 1, 2, 3], 5121, "SCALAR", 1)
    g.node(name="Fan", mesh=g.mesh(attributes={"POSITION": pos}, indices=idx, mode=6))
    return g.text()


def sparse():
    g = Sketch()
    base = g.positions([0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0])
    moved = {"count": 1, "indices": {"bufferView": g.view(struct.pack("<B", 3)), "componentType": 5121},
             "values": {"bufferView": g.view(struct.pack("<3f", 1, 1, 0))}}
    g.doc["accessors"][base]["sparse"] = moved
    g.doc["accessors"][base]["max"] = [1, 1, 0]
    # Without a buffer view: zeros, then the substitution.
    g.doc["accessors"].append({"componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0],
                               "max": [2, 2, 0], "sparse": {
                                   "count": 2,
                                   "indices": {"bufferView": g.view(struct.pack("<2H", 1, 2)),
                                               "componentType": 5123},
                                   "values": {"bufferView": g.view(struct.pack("<6f", 2, 0, 0, 0, 2, 0))}}})
    idx = g.accessor("I", [0, 1, 3, 0, 3, 2], 5125, "SCALAR", 1)
    g.node(name="Sparse", mesh=g.mesh(attributes={"POSITION": base}, indices=idx))
    g.node(name="Unbacked", mesh=g.mesh(attributes={"POSITION": len(g.doc["accessors"]) - 2}))
    return g.text()


def hierarchy():
    g = Sketch()
    h = math.sqrt(0.5)
    pos = g.positions([1, 0, 0, 0, 1, 0, 0, 0, 1])
    uv = g.accessor("H", [0, 0, 65535, 0, 0, 65535], 5123, "VEC2", 2, normalized=True)
    mesh = g.mesh(attributes={"POSITION": pos, "TEXCOORD_0": uv})
    g.doc["extensionsUsed"] = ["KHR_lights_punctual"]
    g.doc["extensions"] = {"KHR_lights_punctual": {"lights": [
        {"type": "spot", "color": [1, 0.5, 0.25], "intensity": 3, "spot": {"outerConeAngle": 0.5}},
        {"type": "directional", "intensity": 1}]}}
    g.node(name="Turned", rotation=[0, h, 0, h], children=[1, 3])
    g.node(root=False, name="Moved", translation=[1, 0, 0], scale=[1, 2, 1], children=[2])
    g.node(root=False, name="Leaf", mesh=mesh, matrix=[2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 3, 0, 1])
    g.node(root=False, name="Spot", rotation=[0.5, 0.5, 0.5, 0.5],
           extensions={"KHR_lights_punctual": {"light": 0}})
    g.node(name="Sun", extensions={"KHR_lights_punctual": {"light": 1}}, extras={"gorva": {"radiance": 2}})
    return g.text()


def lines_and_points():
    g = Sketch()
    pos = g.positions([0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0])
    g.doc["meshes"].append({"primitives": [{"attributes": {"POSITION": pos}, "mode": m} for m in (0, 1, 2, 3)]})
    g.node(name="Wires", mesh=0)
    return g.binary()


SEEDS = {
    "indexed_base64.gltf": indexed_base64,
    "strip.gltf": lambda: strip(False),
    "strip.glb": lambda: strip(True),
    "fan.gltf": fan,
    "sparse.gltf": sparse,
    "hierarchy_quaternions.gltf": hierarchy,
    "lines_points.glb": lines_and_points,
}

if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    for name, make in SEEDS.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(make())
