// The browser viewport of gorva serve: the host's scene as flat arrays, selection by clicking, the
// commands and tools of the plug-in, the active tool's drawing and mouse.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';

// What a drag changes (the polygons added since the loaded scene) is drawn on its own layer over
// a kept picture of the rest, so a drag does not draw the whole scene again.
const kLiveLayer = 1;
const view = document.getElementById('viewport');
const overlay = document.getElementById('overlay');
const ctx2d = overlay.getContext('2d');
const renderer = new THREE.WebGLRenderer({ antialias: false, preserveDrawingBuffer: true });
view.prepend(renderer.domElement);
const scene = new THREE.Scene();
scene.background = new THREE.Color(0x3a3a3a);
scene.add(new THREE.HemisphereLight(0xffffff, 0x555555, 2.0));
const sun = new THREE.DirectionalLight(0xffffff, 1.5);
sun.position.set(3, 5, 4);
scene.add(sun);
scene.children.forEach((light) => light.layers.enable(kLiveLayer));
const grid = new THREE.GridHelper(20, 20, 0x777777, 0x555555);
scene.add(grid);
const highlight = new THREE.Group();
scene.add(highlight);
let content = new THREE.Group();
scene.add(content);

const persp = new THREE.PerspectiveCamera(45, 1, 0.01, 2000);
const ortho = new THREE.OrthographicCamera(-1, 1, 1, -1, -2000, 2000);
let camera = persp;
let viewName = 'persp';
let controls = makeControls();

const kWireTriangles = 20000;
/// The scene without the live layer, with its depth, and a full-view quad that puts both back.
const backdrop = { target: null, valid: false, camera: new THREE.OrthographicCamera(-1, 1, 1, -1, 0, 1),
  copy: new THREE.Scene() };
backdrop.copy.add(Object.assign(new THREE.Mesh(new THREE.PlaneGeometry(2, 2), new THREE.ShaderMaterial({
  uniforms: { colour: { value: null }, depth: { value: null } },
  vertexShader: 'varying vec2 vUv; void main() { vUv = uv; gl_Position = vec4(position.xy, 0.0, 1.0); }',
  fragmentShader: `uniform sampler2D colour; uniform sampler2D depth; varying vec2 vUv;
    void main() { gl_FragColor = linearToOutputTexel(texture2D(colour, vUv)); gl_FragDepth = texture2D(depth, vUv).x; }`,
  depthTest: true, depthWrite: true, depthFunc: THREE.AlwaysDepth,
})), { frustumCulled: false }));
const state = { data: null, selType: 'polygon', sceneVersion: -1, updateId: -1, pick: [], lights: [], tails: new Map(),
  busy: Promise.resolve(), form: null, timing: {} };
// One material for every surface and one for the wires, made once.
const surface = new THREE.MeshLambertMaterial({ color: 0xb8b8b0, flatShading: true, side: THREE.DoubleSide,
  polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 });
const wire = new THREE.LineBasicMaterial({ color: 0x222222 });
const dot = new THREE.PointsMaterial({ color: 0x222222, size: 4, sizeAttenuation: false });
// Lights are drawn as markers, not as light sources: the view's own lighting stays as it is.
const lightLine = new THREE.LineBasicMaterial({ color: 0xffdb4d, transparent: true });
const lightDot = new THREE.PointsMaterial({ color: 0xffdb4d, size: 8, sizeAttenuation: false, transparent: true });

// ---- requests: one at a time, in order

/// `marks`, when given, receives the times the request left, its answer came, was read and applied.
function api(path, body, marks) {
  const call = () => {
    if (marks) marks.sent = performance.now();
    return fetch('api/' + path, body === undefined ? {} : {
      method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body),
    }).then(async (r) => {
      if (marks) {
        marks.answered = performance.now();
        // The server's own share: from the request sent to the first byte of its answer.
        const timing = performance.getEntriesByName(r.url).pop();
        if (timing && timing.responseStart > 0) marks.server = timing.responseStart - timing.requestStart;
        performance.clearResourceTimings();
      }
      const json = await r.json().catch(() => ({ ok: false, message: 'bad answer ' + r.status }));
      if (marks) marks.read = performance.now();
      const done = await apply(json);
      if (marks) marks.applied = performance.now();
      return done;
    });
  };
  state.busy = state.busy.then(call, call);
  return state.busy;
}

const run = (line, marks) => api('run', { line }, marks);

function quote(value) {
  const text = String(value);
  if (text.includes('"')) throw new Error('a value cannot hold a double quote');
  return /[\s#:]/.test(text) || text === '' ? `"${text}"` : text;
}

async function apply(json) {
  if (json.commands) {
    // The commands' forms come once, with the first state; later answers leave them out.
    if (!json.definitions && state.data) json.commands = state.data.commands;
    state.data = json;
  }
  for (const m of json.messages || []) log(m, m.startsWith('error:'));
  if (json.ok === false && json.message && !(json.messages || []).length) log('error: ' + json.message, true);
  let loaded = false;
  if (json.sceneVersion !== undefined && json.sceneVersion !== state.sceneVersion) {
    if (!(await loadScene(json.sceneVersion))) return json;
    loaded = true;
  }
  if (json.update && (loaded || json.update.id !== state.updateId)) applyUpdate(json.update);
  if (state.data) refreshPanels();
  requestRender();
  return json;
}

function log(text, error) {
  const line = document.createElement('div');
  line.textContent = text;
  if (error) line.className = 'error';
  const box = document.getElementById('messages');
  box.append(line);
  box.scrollTop = box.scrollHeight;
}

// ---- the scene from the host: flat arrays read straight into the buffers that draw them

/// Loads the scene the answer named; false when a newer one came meanwhile (then that is shown).
async function loadScene(version) {
  const started = performance.now();
  const answer = await fetch(`api/scene/${version}.bin`);
  if (answer.status === 409) {
    await apply(await (await fetch('api/state')).json());
    return false;
  }
  if (!answer.ok) return log(`error: the scene could not be loaded (${answer.status})`, true), false;
  const bytes = await answer.arrayBuffer();
  const fetched = performance.now();
  let items, lights;
  try {
    ({ items, lights } = readScene(bytes, version));
  } catch (e) {
    return log(`error: the scene could not be read: ${e.message}`, true), false;
  }
  state.sceneVersion = version;
  state.updateId = -1;
  scene.remove(content);
  content = new THREE.Group();
  scene.add(content);
  state.pick = [];
  state.tails = new Map();
  backdrop.valid = false;
  const geometries = new Map();
  for (const item of items) {
    if (!geometries.has(item.mesh)) geometries.set(item.mesh, meshObjects(item.mesh));
    const obj = new THREE.Mesh(geometries.get(item.mesh).surface, surface);
    for (const child of geometries.get(item.mesh).children) obj.add(new THREE.LineSegments(child.geometry, child.material));
    for (const child of geometries.get(item.mesh).dots) obj.add(new THREE.Points(child.geometry, child.material));
    obj.matrixAutoUpdate = false;
    obj.matrix.fromArray(item.matrix);
    content.add(obj);
    obj.updateMatrixWorld(true);
    const m = item.mesh;
    state.pick.push({ obj, ident: item.ident, layer: layerOf(item.ident), points: null, triangles: m.owners,
      starts: m.starts, corners: m.corners, pointCount: m.points });
  }
  state.lights = lights.length ? addLightMarkers(lights) : [];
  drawSelection();
  state.timing.load = { bytes: bytes.byteLength, fetch: fetched - started, build: performance.now() - fetched };
  return true;
}

/// The scene answer as typed arrays over its bytes, nothing copied: its items, each with its mesh,
/// and its lights.
function readScene(buffer, version) {
  let at = 0;
  const take = (Type, count) => {
    const array = new Type(buffer, at, count);  // throws past the end
    at += 4 * count;
    return array;
  };
  const text = () => {
    const length = take(Uint32Array, 1)[0];
    const decoded = new TextDecoder().decode(new Uint8Array(buffer, at, length));
    at += Math.ceil(length / 4) * 4;
    return decoded;
  };
  const [magic, answered, meshCount, itemCount, lightCount] = take(Uint32Array, 5);
  if (magic !== 0x43535647 || answered !== version) throw new Error('not the scene asked for');
  const refs = [];
  for (let i = 0; i < itemCount; ++i) {
    const mesh = take(Uint32Array, 1)[0], matrix = take(Float32Array, 16);
    refs.push({ mesh, matrix, ident: text() });
  }
  const lights = [];
  for (let i = 0; i < lightCount; ++i) {
    const matrix = take(Float32Array, 16), [width, height, cone] = take(Float32Array, 3);
    lights.push({ matrix, width, height, cone, ident: text(), name: text(), type: text() });
  }
  const meshes = [];
  for (let i = 0; i < meshCount; ++i) {
    const [points, polygons, corners, triangles, edges, lines, dots] = take(Uint32Array, 7);
    meshes.push({ points, positions: take(Float32Array, 3 * points), starts: take(Uint32Array, polygons + 1),
      corners: take(Uint32Array, corners), triangles: take(Uint32Array, 3 * triangles), owners: take(Uint32Array, triangles),
      edges: take(Uint32Array, 2 * edges), lines: take(Uint32Array, 2 * lines), dots: take(Uint32Array, dots) });
  }
  if (at !== buffer.byteLength) throw new Error('the scene answer has bytes left over');
  for (const r of refs) {
    if (r.mesh >= meshes.length) throw new Error('an item names no mesh');
    r.mesh = meshes[r.mesh];
  }
  return { items: refs, lights };
}

/// The lights as markers in the loaded scene, all in one set of lines and one of points (a scene may
/// hold many lights); their sizes follow the meshes' extent. Returns each light with where it
/// stands and the line ends of its marker.
function addLightMarkers(lights) {
  const box = new THREE.Box3().setFromObject(content);
  const reach = box.isEmpty() ? 0.25 : Math.max(box.getSize(new THREE.Vector3()).length() * 0.04, 1e-3);
  const ends = [], points = [];
  const shown = lights.map((light) => {
    const m = new THREE.Matrix4().fromArray(light.matrix);
    const first = ends.length / 3;
    for (const p of lightMarker(light, m, reach)) ends.push(...p.applyMatrix4(m).toArray());
    const at = new THREE.Vector3().setFromMatrixPosition(m).toArray();
    points.push(...at);
    return { ident: light.ident, name: light.name, type: light.type, at, ends: [first, ends.length / 3] };
  });
  const geometry = (array) => new THREE.BufferGeometry().setAttribute('position', new THREE.Float32BufferAttribute(array, 3));
  // Drawn with what a drag redraws, after the selection's tint (which writes no depth), so a light
  // on a selected polygon stays clear.
  for (const obj of [new THREE.LineSegments(geometry(ends), lightLine), new THREE.Points(geometry(points), lightDot)]) {
    obj.layers.set(kLiveLayer);
    obj.renderOrder = 1;
    content.add(obj);
  }
  return shown;
}

/// A light's line ends in its own frame, as modelling viewports draw it: the rectangle of an area
/// light or portal, the cone of a spot, and a short line where it shines (lights shine down their
/// -Z axis); `reach`: that line's length in metres when the light has no size.
function lightMarker(light, m, reach) {
  const axis = (i) => new THREE.Vector3().setFromMatrixColumn(m, i).length();
  const sized = light.width > 0 && light.height > 0;
  const shine = sized ? Math.max(light.width * axis(0), light.height * axis(1)) / 2 : reach;
  // The line's length in the light's own units; a point light shines every way and has none.
  const along = light.type !== 'pointLight' && axis(2) > 1e-12 ? shine / axis(2) : 0;
  const ends = [];
  const segment = (a, b) => ends.push(new THREE.Vector3(...a), new THREE.Vector3(...b));
  if (sized) {
    const [w, h] = [light.width / 2, light.height / 2];
    const corners = [[-w, -h, 0], [w, -h, 0], [w, h, 0], [-w, h, 0]];
    corners.forEach((c, i) => segment(c, corners[(i + 1) % 4]));
  }
  if (light.cone > 0 && along > 0) {
    const radius = along * Math.tan(Math.min(light.cone, 1.4));
    const rim = Array.from({ length: 24 }, (_, i) => [Math.cos((i * Math.PI) / 12) * radius,
      Math.sin((i * Math.PI) / 12) * radius, -along]);
    rim.forEach((p, i) => segment(p, rim[(i + 1) % rim.length]));
    for (let i = 0; i < rim.length; i += 6) segment([0, 0, 0], rim[i]);
  }
  if (along > 0) segment([0, 0, 0], [0, 0, -along]);
  return ends;
}

/// One mesh's geometries over one position buffer: its faces, its wires (the host sends the edges of
/// meshes a person models by hand; on large ones they would cost more than they show), its
/// two-point polygons and its dots.
function meshObjects(m) {
  const position = new THREE.BufferAttribute(m.positions, 3);
  const over = (index) => new THREE.BufferGeometry().setAttribute('position', position).setIndex(new THREE.BufferAttribute(index, 1));
  const out = { surface: over(m.triangles), children: [], dots: [] };
  if (m.edges.length) out.children.push({ geometry: over(m.edges), material: wire });
  if (m.lines.length) out.children.push({ geometry: over(m.lines), material: wire });
  if (m.dots.length) out.dots.push({ geometry: over(m.dots), material: dot });
  return out;
}

// ---- updates: the points the host moved and the polygons it added since the loaded scene

function base64Bytes(text) {
  const raw = atob(text);
  const bytes = new Uint8Array(raw.length);
  for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
  return bytes.buffer;
}

/// Applies the host's update; it holds everything since the loaded scene, so the last one is enough.
function applyUpdate(update) {
  state.updateId = update.id;
  const buffer = base64Bytes(update.data);
  let at = 0;
  const take = (Type, count) => {
    const array = new Type(buffer, at, count);
    at += count * 4;
    return array;
  };
  const seen = new Set();
  for (const m of update.meshes) {
    const moved = take(Uint32Array, m.moved), movedAt = take(Float32Array, 3 * m.moved);
    const points = take(Uint32Array, m.points), positions = take(Float32Array, 3 * m.points);
    const sizes = take(Uint32Array, m.polygons), corners = take(Uint32Array, m.corners);
    const triangles = take(Uint32Array, 3 * m.triangles), owners = take(Uint32Array, m.triangles);
    seen.add(m.item);
    moveBasePoints(m.item, moved, movedAt);
    setTail(m.item, { first: m.first, points, positions, sizes, corners, triangles, owners });
  }
  // Items the update no longer names are back as loaded.
  for (const ident of new Set(state.pick.map((e) => e.ident)))
    if (!seen.has(ident)) moveBasePoints(ident, new Uint32Array(0), new Float32Array(0)), setTail(ident, null);
  drawSelection();
}

/// Puts the loaded scene's points of an item where the host has them: moved ones at their place,
/// the others back where they were loaded.
function moveBasePoints(ident, moved, movedAt) {
  for (const e of state.pick) {
    if (e.ident !== ident || e.tail || (!moved.length && !e.moved)) continue;
    const attr = e.obj.geometry.attributes.position;
    if (!e.loaded) e.loaded = attr.array.slice();
    attr.array.set(e.loaded);
    // The loaded buffer holds the host's points in its order: a point's index is its vertex.
    moved.forEach((p, i) => p < e.pointCount && attr.array.set(movedAt.subarray(3 * i, 3 * i + 3), 3 * p));
    e.moved = moved.length > 0;
    attr.needsUpdate = true;
    backdrop.valid = false;
    e.obj.geometry.computeBoundingSphere();
    e.obj.geometry.boundingBox = null;
  }
}

/// The polygons added after the loaded ones, drawn and picked as one more piece of the layer: its
/// buffers are refilled in place while the counts stay.
function setTail(ident, t) {
  const old = state.tails.get(ident);
  const empty = !t || !t.owners.length;
  if (old && (empty || old.points.length !== t.points.length || old.triangles.length !== t.owners.length)) {
    old.obj.removeFromParent();
    old.obj.geometry.dispose();
    state.pick = state.pick.filter((e) => e !== old);
    state.tails.delete(ident);
  }
  if (empty) return;
  const host = state.pick.find((e) => e.ident === ident && !e.tail);
  if (!host) return;
  let entry = state.tails.get(ident);
  if (!entry) {
    const g = new THREE.BufferGeometry();
    g.setAttribute('position', new THREE.BufferAttribute(new Float32Array(t.positions.length), 3));
    g.setIndex(new THREE.BufferAttribute(new Uint32Array(t.triangles.length), 1));
    entry = { obj: new THREE.Mesh(g, surface), ident, layer: host.layer, tail: true, ring: new Map() };
    entry.obj.layers.set(kLiveLayer);
    host.obj.add(entry.obj);
    state.tails.set(ident, entry);
    state.pick.push(entry);
  }
  const g = entry.obj.geometry;
  g.attributes.position.array.set(t.positions);
  g.attributes.position.needsUpdate = true;
  g.index.array.set(t.triangles);
  g.index.needsUpdate = true;
  g.computeBoundingSphere();
  g.boundingBox = null;
  Object.assign(entry, { points: t.points.slice(), triangles: t.owners.slice(), corners: t.corners.slice(), vertexOf: null });
  entry.ring.clear();
  let start = 0;
  for (let k = 0; k < t.sizes.length; ++k) entry.ring.set(t.first + k, [start, t.sizes[k]]), (start += t.sizes[k]);
  for (const child of [...entry.obj.children]) child.removeFromParent(), child.geometry.dispose();
  if (t.owners.length <= kWireTriangles) {
    const wires = new THREE.LineSegments(new THREE.EdgesGeometry(g, 1), wire);
    wires.layers.set(kLiveLayer);
    entry.obj.add(wires);
  }
  entry.obj.updateMatrixWorld(true);
}

/// The index among the host's active layers of an item, by its identifier (names may repeat).
function layerOf(ident) {
  return (state.data ? state.data.layers : []).findIndex((l) => l.ident === ident);
}

/// The host's point of a vertex of a piece: the loaded scene's vertices are the host's points.
const pointOf = (entry, v) => (entry.points ? entry.points[v] : v);

function worldOfPoint(entry, point) {
  if (!entry.points) {
    if (point >= entry.pointCount) return null;
    return new THREE.Vector3().fromBufferAttribute(entry.obj.geometry.attributes.position, point).applyMatrix4(entry.obj.matrixWorld);
  }
  if (!entry.vertexOf) {
    entry.vertexOf = new Map();
    entry.points.forEach((p, v) => entry.vertexOf.has(p) || entry.vertexOf.set(p, v));
  }
  const v = entry.vertexOf.has(point) ? entry.vertexOf.get(point) : -1;
  if (v < 0) return null;
  const p = new THREE.Vector3().fromBufferAttribute(entry.obj.geometry.attributes.position, v);
  return p.applyMatrix4(entry.obj.matrixWorld);
}

/// The vertices of a polygon's corners in a piece's buffer: the loaded scene keeps the host's
/// polygon starts, the added polygons their own.
function ringOf(entry, polygon) {
  if (entry.starts) {
    if (polygon + 1 >= entry.starts.length) return [];
    return Array.from(entry.corners.subarray(entry.starts[polygon], entry.starts[polygon + 1]));
  }
  const r = entry.ring && entry.ring.get(polygon);
  if (!r) return [];
  return Array.from(entry.corners.subarray(r[0], r[0] + r[1]));
}

// ---- selection drawn as the pictures draw it: orange polygons, edges and points

function drawSelection() {
  const sel = state.data && state.data.selection;
  state.drawnSelection = JSON.stringify(sel);
  // Drawn again after every change: the old pieces give their buffers back.
  highlight.traverse((o) => o !== highlight && (o.geometry.dispose(), o.material.dispose()));
  highlight.clear();
  if (!sel) return;
  const orange = 0xff9a1f;
  const tris = [];
  const chosen = new Map();  // layer -> its selected polygons
  for (const [layer, polygon] of sel.polygons) (chosen.get(layer) || chosen.set(layer, new Set()).get(layer)).add(polygon);
  for (const e of state.pick.filter((p) => chosen.has(p.layer) && p.triangles)) {
    const polygons = chosen.get(e.layer), index = e.obj.geometry.index.array, pos = e.obj.geometry.attributes.position;
    e.triangles.forEach((p, t) => {
      if (!polygons.has(p)) return;
      for (let k = 0; k < 3; ++k)
        tris.push(new THREE.Vector3().fromBufferAttribute(pos, index[3 * t + k]).applyMatrix4(e.obj.matrixWorld));
    });
  }
  if (tris.length) {
    const g = new THREE.BufferGeometry().setFromPoints(tris);
    highlight.add(new THREE.Mesh(g, new THREE.MeshBasicMaterial({ color: orange, transparent: true, opacity: 0.55,
      side: THREE.DoubleSide, depthTest: true, depthWrite: false, polygonOffset: true, polygonOffsetFactor: -1 })));
  }
  const find = (layer, point) => {
    for (const e of state.pick.filter((p) => p.layer === layer)) {
      const w = worldOfPoint(e, point);
      if (w) return w;
    }
    return null;
  };
  const segs = [];
  for (const [layer, a, b] of sel.edges) {
    const pa = find(layer, a), pb = find(layer, b);
    if (pa && pb) segs.push(pa, pb);
  }
  if (segs.length)
    highlight.add(new THREE.LineSegments(new THREE.BufferGeometry().setFromPoints(segs),
      new THREE.LineBasicMaterial({ color: orange, linewidth: 3 })));
  const pts = sel.vertices.map(([layer, p]) => find(layer, p)).filter(Boolean);
  if (pts.length)
    highlight.add(new THREE.Points(new THREE.BufferGeometry().setFromPoints(pts),
      new THREE.PointsMaterial({ color: orange, size: 8, sizeAttenuation: false, depthTest: false })));
  // Drawn over the kept picture, blended as before, and it may lie on what a drag moves.
  highlight.traverse((o) => o.layers.set(kLiveLayer));
}

/// What lies under a pixel: the host layer, polygon, nearest point and nearest edge of that polygon.
function pickAt(x, y) {
  const ray = rayAt(x, y);
  const meshes = state.pick.filter((e) => e.obj.isMesh && e.triangles);
  const hits = ray.intersectObjects(meshes.map((e) => e.obj), false);
  if (!hits.length) return null;
  const hit = hits[0];
  const entry = meshes.find((e) => e.obj === hit.object);
  const polygon = entry.triangles[hit.faceIndex];
  const ring = ringOf(entry, polygon);
  const pos = entry.obj.geometry.attributes.position;
  const world = (v) => new THREE.Vector3().fromBufferAttribute(pos, v).applyMatrix4(entry.obj.matrixWorld);
  let vertex = -1, best = Infinity, edge = null, bestEdge = Infinity;
  ring.forEach((v, i) => {
    const d = world(v).distanceTo(hit.point);
    if (d < best) best = d, vertex = pointOf(entry, v);
    const w = ring[(i + 1) % ring.length];
    const de = new THREE.Line3(world(v), world(w)).closestPointToPoint(hit.point, true, new THREE.Vector3())
      .distanceTo(hit.point);
    if (de < bestEdge) bestEdge = de, edge = [pointOf(entry, v), pointOf(entry, w)];
  });
  return { layer: entry.layer, polygon, vertex, edge, point: hit.point };
}

function selectAt(x, y, add) {
  const hit = pickAt(x, y);
  const mode = add ? 'add' : 'set';
  if (!hit) return add ? null : run(`select.drop ${state.selType}`);
  run(`select.typeFrom ${state.selType}`);  // queued with the selection, nothing between
  if (state.selType === 'polygon') return run(`select.element ${hit.layer} polygon ${mode} ${hit.polygon}`);
  if (state.selType === 'vertex') return run(`select.element ${hit.layer} vertex ${mode} ${hit.vertex}`);
  return run(`select.element ${hit.layer} edge ${mode} ${hit.edge[0]} ${hit.edge[1]}`);
}

// ---- cameras: orbit, pan, zoom; the four views; frame selected

function makeControls() {
  const c = new OrbitControls(camera, renderer.domElement);
  c.enableDamping = false;
  c.addEventListener('change', () => requestRender(true));
  return c;
}

function setView(name) {
  viewName = name;
  const target = controls.target.clone();
  const distance = Math.max(camera.position.distanceTo(target), 1);
  controls.dispose();
  camera = name === 'persp' ? persp : ortho;
  const dir = { persp: [1, 0.8, 1.2], top: [0, 1, 0.0001], front: [0, 0, 1], side: [1, 0, 0] }[name];
  camera.position.copy(target).add(new THREE.Vector3(...dir).normalize().multiplyScalar(distance));
  camera.up.set(0, 1, 0);
  controls = makeControls();
  controls.target.copy(target);
  controls.enableRotate = name === 'persp';
  fit(boundsOf(false));
  document.querySelectorAll('[data-view]').forEach((b) => b.classList.toggle('on', b.dataset.view === name));
}

function boundsOf(selectedOnly) {
  const box = new THREE.Box3();
  if (selectedOnly) box.setFromObject(highlight);
  if (box.isEmpty()) box.setFromObject(content);
  if (box.isEmpty()) box.set(new THREE.Vector3(-2, 0, -2), new THREE.Vector3(2, 2, 2));
  return box;
}

function fit(box) {
  const centre = box.getCenter(new THREE.Vector3());
  const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 0.1);
  const dir = camera.position.clone().sub(controls.target).normalize();
  if (dir.lengthSq() === 0) dir.set(1, 0.8, 1.2).normalize();
  controls.target.copy(centre);
  camera.position.copy(centre).add(dir.multiplyScalar(radius / Math.sin((persp.fov * Math.PI) / 360) * 1.1));
  ortho.zoom = 1;
  ortho.userData.halfHeight = radius * 1.15;
  resize();
  controls.update();
}

function resize() {
  const w = Math.max(1, view.clientWidth), h = Math.max(1, view.clientHeight);
  renderer.setSize(w, h);
  overlay.width = w, overlay.height = h;
  requestRender(true);
  persp.aspect = w / h;
  persp.updateProjectionMatrix();
  const half = ortho.userData.halfHeight || 5;
  Object.assign(ortho, { left: (-half * w) / h, right: (half * w) / h, top: half, bottom: -half });
  ortho.updateProjectionMatrix();
}

function rayAt(x, y) {
  const r = new THREE.Raycaster();
  r.setFromCamera(new THREE.Vector2((x / overlay.width) * 2 - 1, -(y / overlay.height) * 2 + 1), camera);
  r.params.Line.threshold = 0.01;
  r.layers.enableAll();
  return r;
}

function screenOf(p) {
  const v = new THREE.Vector3(p[0], p[1], p[2]).project(camera);
  return [((v.x + 1) / 2) * overlay.width, ((1 - v.y) / 2) * overlay.height, v.z];
}

// ---- the tool's drawing over the scene

function drawOverlay() {
  ctx2d.clearRect(0, 0, overlay.width, overlay.height);
  const tool = state.data && state.data.tool;
  if (!tool) return;
  const d = tool.drawing;
  const css = (c, a = 1) => `rgba(${c.map((x) => Math.round(x * 255)).join(',')},${a})`;
  for (const s of d.strokes) {
    ctx2d.strokeStyle = css(s.colour, s.alpha);
    ctx2d.fillStyle = ctx2d.strokeStyle;
    ctx2d.lineWidth = Math.max(1, s.width);
    ctx2d.setLineDash(s.dash ? [6, 4] : []);
    const pts = s.verts.map(screenOf);
    ctx2d.beginPath();
    if (s.type === 'points') pts.forEach(([x, y]) => ctx2d.fillRect(x - 2, y - 2, 4, 4));
    else if (s.type === 'lines' || s.type === 'boxes' || s.type === 'frontBoxes')
      for (let i = 1; i < pts.length; i += 2) ctx2d.moveTo(pts[i - 1][0], pts[i - 1][1]), ctx2d.lineTo(pts[i][0], pts[i][1]);
    else if (s.type === 'circles')
      for (let i = 1; i < pts.length; i += 2) {
        ctx2d.moveTo(pts[i][0], pts[i][1]);
        ctx2d.arc(pts[i - 1][0], pts[i - 1][1], Math.hypot(pts[i][0] - pts[i - 1][0], pts[i][1] - pts[i - 1][1]), 0, 7);
      }
    else {
      pts.forEach(([x, y], i) => (i ? ctx2d.lineTo(x, y) : ctx2d.moveTo(x, y)));
      if (s.type === 'loop' || s.type === 'frontLoop') ctx2d.closePath();
    }
    ctx2d.stroke();
  }
  ctx2d.setLineDash([]);
  ctx2d.font = '12px sans-serif';
  for (const t of d.texts) {
    const [x, y] = screenOf(t.pos);
    ctx2d.fillStyle = css(t.colour.every((c) => c === 0) ? [1, 1, 1] : t.colour);
    ctx2d.fillText(t.text, x + 6, y - 6);
  }
  for (const h of d.handles) {
    const [x, y] = screenOf(h.pos);
    const size = (h.kind === 'point' ? 7 : h.kind === 'move' ? 13 : 11) * (h.hot ? 1.4 : 1);
    ctx2d.fillStyle = h.hot ? '#ffcc1a' : h.kind === 'move' ? '#66eb73' : '#4dbfff';
    if (h.kind === 'axis') {
      const [tx, ty] = screenOf(h.pos.map((c, i) => c + h.axis[i] * h.length));
      ctx2d.strokeStyle = ctx2d.fillStyle;
      ctx2d.beginPath(), ctx2d.moveTo(x, y), ctx2d.lineTo(tx, ty), ctx2d.stroke();
      ctx2d.fillRect(tx - size / 2, ty - size / 2, size, size);
    } else if (h.kind === 'move' || h.kind === 'point') {
      ctx2d.beginPath(), ctx2d.arc(x, y, size / 2, 0, 7), ctx2d.fill();
    } else ctx2d.fillRect(x - size / 2, y - size / 2, size, size);
  }
}

/// The handle within 8 pixels of the mouse, drawn last first (it lies on top).
function handleAt(x, y) {
  const tool = state.data && state.data.tool;
  if (!tool) return null;
  let best = null, bestD = 8;
  for (const h of tool.drawing.handles) {
    const [hx, hy] = screenOf(h.pos);
    const d = Math.hypot(hx - x, hy - y);
    if (d <= bestD) best = h, bestD = d;
  }
  return best;
}

// ---- the mouse on a tool: presses, drags and releases as the host's mouse lines

const mouse = { down: false, tool: false, start: null, plane: null, anchor: null, from: null, pending: null, sending: false };

function modifiers(e) {
  return [e.shiftKey && 'shift', e.altKey && 'alt', e.ctrlKey && 'ctrl'].filter(Boolean).join('|');
}

/// The host casts its view ray from the eye through the pressed position: it sees our camera.
function viewLine() {
  const eye = camera === persp ? camera.position.clone()
    : camera.position.clone().add(camera.position.clone().sub(controls.target).normalize().multiplyScalar(1000));
  const distance = camera.position.distanceTo(controls.target);
  const visible = camera === persp ? 2 * distance * Math.tan((persp.fov * Math.PI) / 360) : (ortho.top - ortho.bottom) / ortho.zoom;
  const pixels = overlay.height / Math.max(visible, 1e-6);
  return `tool.view 3d ${pixels.toFixed(3)} ${eye.x} ${eye.y} ${eye.z}`;
}

/// The host's work plane: the grid lies on it and presses away from handles land on it.
function workPlane() {
  const w = state.data && state.data.workPlane;
  if (!w) return new THREE.Plane(new THREE.Vector3(0, 1, 0), 0);
  return new THREE.Plane().setFromNormalAndCoplanarPoint(new THREE.Vector3(...w.axes[1]), new THREE.Vector3(...w.origin));
}

function placeGrid() {
  const w = state.data && state.data.workPlane;
  const key = JSON.stringify(w);
  if (!w || key === grid.userData.key) return;
  grid.userData.key = key;
  const [x, n, z] = w.axes.map((a) => new THREE.Vector3(...a));
  grid.matrix.makeBasis(x, n, z).setPosition(...w.origin);
  grid.matrix.decompose(grid.position, grid.quaternion, grid.scale);
  grid.updateMatrixWorld(true);
  backdrop.valid = false;
}

function onWorkPlane(ray) {
  const p = new THREE.Vector3();
  if (ray.ray.intersectPlane(workPlane(), p)) return p;
  return ray.ray.at(camera.position.distanceTo(controls.target), p);
}

const fmt = (p) => `${p.x.toFixed(5)} ${p.y.toFixed(5)} ${p.z.toFixed(5)}`;

async function toolDown(e, x, y) {
  const h = handleAt(x, y);
  const ray = rayAt(x, y);
  let at;
  if (h) {
    at = new THREE.Vector3(...h.pos);
    mouse.plane = new THREE.Plane().setFromNormalAndCoplanarPoint(camera.getWorldDirection(new THREE.Vector3()), at);
  } else {
    at = onWorkPlane(ray);
    mouse.plane = null;
  }
  mouse.anchor = at.clone();
  mouse.from = mouse.plane ? ray.ray.intersectPlane(mouse.plane, new THREE.Vector3()) || at.clone() : null;
  const mode = modifiers(e);
  // Queued together, so that no drag slips in between.
  run(viewLine());
  mouse.pressed = run(`tool.press ${fmt(at)} button:${e.button}${mode ? ' mode:' + mode : ''}`);
  await mouse.pressed;
}

function dragTarget(x, y) {
  const ray = rayAt(x, y);
  if (!mouse.plane) return onWorkPlane(ray);
  const now = ray.ray.intersectPlane(mouse.plane, new THREE.Vector3());
  return now ? mouse.anchor.clone().add(now.sub(mouse.from)) : mouse.anchor.clone();
}

/// Drags go one at a time; the newest position waits while one is on its way.
/// `eventTime`: the mouse event's time stamp, from which the drag's time until it shows is counted.
function toolDrag(x, y, eventTime) {
  mouse.pending = { at: dragTarget(x, y), eventTime };
  if (mouse.sending) return;
  mouse.sending = true;
  mouse.drained = (async () => {
    while (mouse.pending) {
      const { at, eventTime: event } = mouse.pending;
      mouse.pending = null;
      const marks = { event };
      await run(`tool.drag ${fmt(at)}`, marks);
      // The answer is drawn at once rather than at the next frame's start.
      Object.assign(marks, paintNow());
      requestAnimationFrame(() => recordDrag(marks));
    }
    mouse.sending = false;
  })();
}

/// Drag timings, newest last: from the mouse event to the end of the frame that shows the tool's
/// answer, and its parts: waiting behind the drag before, the request (of which the server's
/// answer from the request sent to its first byte), reading and applying the
/// answer, drawing it, and until the next frame begins (the drawn one has been shown).
const dragTimes = [];

function recordDrag(marks) {
  const shown = performance.now();
  dragTimes.push({ total: shown - marks.event, wait: marks.sent - marks.event, request: marks.answered - marks.sent,
    server: marks.server ?? NaN,
    read: marks.read - marks.answered, apply: marks.applied - marks.read, draw: marks.drawn - marks.start,
    show: shown - marks.drawn });
  if (dragTimes.length > 500) dragTimes.shift();
}

function toolUp() {
  // The release follows the last drag: queued now when none is on its way, else after it.
  const release = () => run('tool.release');
  state.released = mouse.sending ? mouse.drained.then(release) : release();
}

// Left-button events go to the tool or to selection; Alt-drag and the other buttons move the view.
renderer.domElement.addEventListener('pointerdown', (e) => {
  const r = overlay.getBoundingClientRect();
  const x = e.clientX - r.left, y = e.clientY - r.top;
  const toolOwns = state.data && state.data.tool && e.button === 0 && !e.altKey;
  mouse.down = true;
  mouse.start = [x, y, e.shiftKey];
  mouse.tool = toolOwns;
  if (toolOwns) {
    e.stopImmediatePropagation();
    renderer.domElement.setPointerCapture(e.pointerId);
    toolDown(e, x, y);
  }
}, { capture: true });

// Chromium holds pointermove back to the next frame; its raw updates come as the mouse moves.
const kRawMoves = 'onpointerrawupdate' in window;
const onToolMove = (e) => {
  const r = overlay.getBoundingClientRect();
  toolDrag(e.clientX - r.left, e.clientY - r.top, e.timeStamp);
};
renderer.domElement.addEventListener('pointermove', (e) => {
  if (!mouse.down || !mouse.tool) return;
  e.stopImmediatePropagation();
  if (!kRawMoves) onToolMove(e);
}, { capture: true });
if (kRawMoves)
  renderer.domElement.addEventListener('pointerrawupdate', (e) => {
    if (mouse.down && mouse.tool) onToolMove(e);
  });

renderer.domElement.addEventListener('pointerup', (e) => {
  if (!mouse.down) return;
  mouse.down = false;
  const r = overlay.getBoundingClientRect();
  const x = e.clientX - r.left, y = e.clientY - r.top;
  if (mouse.tool) {
    e.stopImmediatePropagation();
    toolUp();
  } else if (e.button === 0 && Math.hypot(x - mouse.start[0], y - mouse.start[1]) < 4) {
    selectAt(x, y, mouse.start[2]);
  }
}, { capture: true });

// ---- panels: the toolbar, a command's form, the tool's attributes

function el(tag, props = {}, ...children) {
  const node = Object.assign(document.createElement(tag), props);
  node.append(...children);
  return node;
}

// Numbers are shown as the host prints them ("1.392 m", "30°") and sent back as plain numbers in
// metres and radians, the digits the user typed kept: a field not edited is never sent again.
const kPlainTypes = ['boolean', 'string', 'color'];
const kDistanceUnits = { um: -6, 'µm': -6, mm: -3, cm: -2, m: 0, km: 3 };
const kOtherLengths = { in: 0.0254, '"': 0.0254, ft: 0.3048, "'": 0.3048 };

/// `number` (a decimal) times ten to the `places`, written out without rounding.
function shiftDecimal(number, places) {
  const m = /^([+-]?)(\d*)(?:\.(\d*))?(?:[eE]([+-]?\d+))?$/.exec(number);
  let digits = m[2] + (m[3] || '');
  let point = m[2].length + Number(m[4] || 0) + places;
  // Far out of range: the same digits with the exponent moved, for the host to refuse with its reason.
  if (Math.abs(point) > 60) return `${m[1]}${m[2] || '0'}${m[3] ? '.' + m[3] : ''}e${Number(m[4] || 0) + places}`;
  if (point <= 0) digits = '0'.repeat(1 - point) + digits, (point = 1);
  if (point > digits.length) digits = digits.padEnd(point, '0');
  const whole = digits.slice(0, point).replace(/^0+(?=\d)/, ''), fraction = digits.slice(point).replace(/0+$/, '');
  return m[1] + whole + (fraction ? '.' + fraction : '');
}

/// `number` times `factor` as text; null when that is not finite or would read as zero though the
/// number is not.
function scaled(number, factor) {
  const value = Number(number) * factor, nonZero = /[1-9]/.test(number.split(/[eE]/)[0]);
  return !Number.isFinite(value) || (value === 0 && nonZero) ? null : String(value);
}

/// The text the host is sent for what the user typed in a field of this type: a plain number (a
/// distance in metres, an angle in radians); null when the text is not one.
function hostText(type, typed) {
  if (kPlainTypes.includes(type)) return typed;
  const m = /^\s*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)\s*(\S*)\s*$/.exec(typed);
  if (!m) return null;
  const [, number, unit] = m;
  if (type === 'integer') return unit === '' && /^[+-]?\d+$/.test(number) ? number : null;
  if (type === 'distance') {
    if (kDistanceUnits[unit] !== undefined) return shiftDecimal(number, kDistanceUnits[unit]);
    if (unit === '') return number;
    return kOtherLengths[unit] ? scaled(number, kOtherLengths[unit]) : null;
  }
  if (type === 'angle') {
    if (unit === 'rad') return number;
    return ['', '°', 'deg'].includes(unit) ? scaled(number, Math.PI / 180) : null;
  }
  return unit === '' ? number : null;
}

const choiceValue = (c, i) => (typeof c === 'string' ? String(i) : String(c.value));

/// A field for a tool attribute, command argument or user value; `onChange` gets the host's text.
function field(def, onChange) {
  let input;
  if (def.choices && def.choices.length) {
    input = el('select');
    def.choices.forEach((c, i) => input.append(el('option', { value: choiceValue(c, i), textContent: typeof c === 'string' ? c : c.label })));
  } else if (def.type === 'boolean') {
    input = el('input', { type: 'checkbox' });
  } else {
    input = el('input', { type: 'text', spellcheck: false });
    if (!kPlainTypes.includes(def.type)) input.inputMode = 'decimal';
  }
  input.name = def.name;
  input.dataset.attr = def.name;
  const label = el('label', { textContent: def.label });
  const f = { wrap: el('div', { className: 'field' }, label, input), input, def, edited: false };
  f.read = () => (input.type === 'checkbox' ? (input.checked ? '1' : '0') : input.tagName === 'SELECT' ? input.value : hostText(def.type, input.value));
  input.addEventListener('input', () => (f.edited = true));
  input.addEventListener('change', () => {
    f.edited = true;
    const text = f.read();
    if (text === null) {
      log(`error: "${input.value}" is not a ${def.type === 'integer' ? 'whole number' : def.type === 'distance' ? 'distance' : def.type === 'angle' ? 'angle' : 'number'} for ${def.label}`, true);
      return;
    }
    if (onChange) onChange(text);
  });
  if (def.tooltip) f.wrap.title = def.tooltip;
  if (def.disabled) {
    input.disabled = true;
    f.wrap.classList.add('greyed');
    f.wrap.title = def.disabled;
    f.wrap.append(el('div', { className: 'reason', textContent: def.disabled }));
  }
  showValue(f, def);
  return f;
}

/// Shows the value the host holds, unless the user is typing in the field.
function showValue(f, def) {
  f.def = def;
  f.edited = false;
  const input = f.input;
  if (document.activeElement === input) return;
  const value = def.value ?? '';
  if (input.tagName === 'SELECT') {
    const match = def.choices.findIndex((c, i) => choiceValue(c, i) === String(value) || (typeof c !== 'string' && c.name === value));
    if (match >= 0) input.selectedIndex = match;
  } else if (input.type === 'checkbox') input.checked = value === '1' || value === 'true';
  else input.value = def.text ?? value;
}

function showCommand(cmd) {
  state.form = { kind: 'command', name: cmd.name };
  const form = document.getElementById('form');
  form.replaceChildren(el('h3', { textContent: cmd.label }), el('p', { textContent: cmd.description }));
  const args = cmd.arguments.map((a) => field(a));
  const values = cmd.userValues.map((u) => field(u));
  form.append(...args.map((f) => f.wrap), ...values.map((f) => f.wrap));
  const go = el('button', { id: 'run', textContent: 'Run' });
  go.addEventListener('click', () => {
    // An empty number field is a value not given, left to the command's default.
    const blank = (f) => f.input.value.trim() === '';
    const bad = [...args, ...values].find((f) => f.edited && f.read() === null && !blank(f));
    if (bad) return log(`error: "${bad.input.value}" is not a value for ${bad.def.label}`, true);
    // Queued in order at once: the values are set before the command runs. Only what was edited
    // is sent, so a value shown rounded stays as the host holds it.
    for (const f of values) if (f.edited && f.read() !== null) run(`user.value ${f.def.name} ${quote(f.read())}`);
    const parts = args.filter((f) => f.read() !== '' && f.read() !== null).map((f) => `${f.def.name}:${quote(f.read())}`);
    run([cmd.name, ...parts].join(' '));
  });
  form.append(el('p'), go);
}

/// What decides the tool panel's fields; while it stays, the fields are updated in place.
const layoutOf = (tool) => JSON.stringify([tool.name, tool.attributes.map((a) => [a.name, a.disabled, a.choices.length])]);

function showTool() {
  const tool = state.data.tool;
  const form = document.getElementById('form');
  if (!tool) {
    if (state.form && state.form.kind === 'tool') form.replaceChildren(), (state.form = null);
    return;
  }
  const layout = layoutOf(tool);
  if (state.form && state.form.kind === 'tool' && state.form.layout === layout) {
    tool.attributes.forEach((a, i) => showValue(state.form.fields[i], a));
    return;
  }
  const focused = document.activeElement && form.contains(document.activeElement);
  if (focused && state.form && state.form.kind === 'tool' && state.form.name === tool.name) return;
  const fields = tool.attributes.map((a) => field(a, (v) => run(`tool.attr ${tool.name} ${a.name} ${quote(v)}`)));
  state.form = { kind: 'tool', name: tool.name, layout, fields };
  form.replaceChildren(el('h3', { textContent: tool.label || tool.name }), ...fields.map((f) => f.wrap));
}

let toolbarBuilt = false;
function refreshPanels() {
  const d = state.data;
  if (!toolbarBuilt && d.definitions) {
    toolbarBuilt = true;
    for (const c of d.commands) {
      const b = el('button', { textContent: c.label, title: c.description || c.name });
      b.dataset.command = c.name;
      // The form shows the user values as the host holds them now, so the definitions are asked again.
      b.addEventListener('click', () => api('state').then(() => showCommand(state.data.commands.find((x) => x.name === c.name))));
      document.getElementById('commands').append(b);
    }
    for (const t of d.tools) {
      const b = el('button', { textContent: t.label, title: t.description || t.name });
      b.dataset.tool = t.name;
      b.addEventListener('click', () => run(state.data.tool && state.data.tool.name === t.name ? `tool.set ${t.name} off` : `tool.set ${t.name} on`));
      document.getElementById('tools').append(b);
    }
  }
  document.querySelectorAll('[data-tool]').forEach((b) => b.classList.toggle('on', !!d.tool && d.tool.name === b.dataset.tool));
  document.getElementById('apply').disabled = !d.tool;
  document.getElementById('drop').disabled = !d.tool;
  document.getElementById('undo').disabled = !d.canUndo;
  document.getElementById('redo').disabled = !d.canRedo;
  document.getElementById('files').replaceChildren(...d.files.map((f) => el('option', { value: f })));
  showTool();
  // The type buttons follow the host: a command may have changed the type in use.
  if (d.selection && d.selection.type && d.selection.type !== state.selType) showSelType(d.selection.type);
  // An update draws the selection itself; otherwise only a changed selection is drawn again.
  const selection = JSON.stringify(d.selection);
  if (selection !== state.drawnSelection) drawSelection();
  placeGrid();
}

function showSelType(type) {
  state.selType = type;
  document.querySelectorAll('[data-seltype]').forEach((o) => o.classList.toggle('on', o.dataset.seltype === type));
}

document.querySelectorAll('[data-seltype]').forEach((b) => b.addEventListener('click', () => {
  showSelType(b.dataset.seltype);
  run(`select.typeFrom ${state.selType}`);
}));
document.querySelectorAll('[data-view]').forEach((b) => b.addEventListener('click', () => setView(b.dataset.view)));
document.getElementById('frame').addEventListener('click', () => fit(boundsOf(true)));
document.getElementById('apply').addEventListener('click', () => run('tool.doApply'));
document.getElementById('drop').addEventListener('click', () => run('tool.drop'));
document.getElementById('undo').addEventListener('click', () => api('undo', {}));
document.getElementById('redo').addEventListener('click', () => api('redo', {}));
document.getElementById('open').addEventListener('click', async () => {
  await api('open', { name: document.getElementById('filename').value });
  fit(boundsOf(false));
});
document.getElementById('save').addEventListener('click', () => api('save', { name: document.getElementById('filename').value }));
// The view follows its area, whatever changes it (the window, the panels, the header wrapping).
new ResizeObserver(resize).observe(view);

// One frame when something changed, not a loop: a large scene costs the software renderer much.
let framePending = false, frameDirty = false;
/// `moved`: the view changed, so the kept picture of the scene is drawn again.
function requestRender(moved = false) {
  if (moved) backdrop.valid = false;
  frameDirty = true;
  if (framePending) return;
  framePending = true;
  requestAnimationFrame(() => {
    framePending = false;
    paintNow();
  });
}

/// Draws what changed now; returns when drawing started and ended.
function paintNow() {
  const start = performance.now();
  if (frameDirty) {
    frameDirty = false;
    draw();
    drawOverlay();
  }
  return { start, drawn: performance.now() };
}

function draw() {
  if (!state.tails.size) {
    camera.layers.enableAll();
    renderer.render(scene, camera);
    backdrop.valid = false;
    return;
  }
  const size = renderer.getDrawingBufferSize(new THREE.Vector2());
  if (!backdrop.target || backdrop.target.width !== size.x || backdrop.target.height !== size.y) {
    if (backdrop.target) backdrop.target.dispose();
    backdrop.target = new THREE.WebGLRenderTarget(size.x, size.y, { type: THREE.HalfFloatType,
      depthTexture: new THREE.DepthTexture(size.x, size.y) });
    const { uniforms } = backdrop.copy.children[0].material;
    uniforms.colour.value = backdrop.target.texture;
    uniforms.depth.value = backdrop.target.depthTexture;
    backdrop.valid = false;
  }
  let whole = false;
  if (!backdrop.valid) {
    camera.layers.set(0);
    renderer.setRenderTarget(backdrop.target);
    renderer.render(scene, camera);
    renderer.setRenderTarget(null);
    backdrop.valid = true;
    whole = true;
  }
  // The picture is put back only where the live layer lay last frame or lies now: the rest of the
  // kept frame is still right, and copying it all costs the software renderer most of a frame.
  const now = liveRect(), last = backdrop.lastRect;
  backdrop.lastRect = now;
  const rect = whole || !now || !last ? null : [Math.min(now[0], last[0]), Math.min(now[1], last[1]),
    Math.max(now[2], last[2]), Math.max(now[3], last[3])];
  if (rect) renderer.setScissor(rect[0], rect[1], rect[2] - rect[0], rect[3] - rect[1]);
  renderer.setScissorTest(!!rect);
  renderer.render(backdrop.copy, backdrop.camera);
  const background = scene.background;
  scene.background = null;
  renderer.autoClear = false;
  camera.layers.set(kLiveLayer);
  renderer.render(scene, camera);
  renderer.autoClear = true;
  renderer.setScissorTest(false);
  scene.background = background;
  camera.layers.enableAll();
}

/// The view's pixels (x0, y0 from the bottom left, x1, y1) the live layer covers, a little wider;
/// null when it reaches behind the eye or is empty.
function liveRect() {
  const box = new THREE.Box3();
  for (const tail of state.tails.values()) box.expandByObject(tail.obj);
  box.expandByObject(highlight);
  if (box.isEmpty()) return null;
  const w = overlay.width, h = overlay.height, corner = new THREE.Vector3();
  let x0 = Infinity, y0 = Infinity, x1 = -Infinity, y1 = -Infinity;
  for (let i = 0; i < 8; ++i) {
    corner.set(i & 1 ? box.max.x : box.min.x, i & 2 ? box.max.y : box.min.y, i & 4 ? box.max.z : box.min.z);
    if (camera === persp && corner.clone().applyMatrix4(camera.matrixWorldInverse).z > -camera.near) return null;
    corner.project(camera);
    x0 = Math.min(x0, corner.x), x1 = Math.max(x1, corner.x), y0 = Math.min(y0, corner.y), y1 = Math.max(y1, corner.y);
  }
  // Points and wide lines reach a few pixels past their corners.
  const pad = 8, px = (v, size) => Math.round(((v + 1) / 2) * size);
  return [Math.max(0, px(x0, w) - pad), Math.max(0, px(y0, h) - pad), Math.min(w, px(x1, w) + pad), Math.min(h, px(y1, h) + pad)];
}

// What the browser tests and a curious user may call from the console.
/// Resolves when every request queued so far, and any queued while waiting, has been answered.
async function idle() {
  for (;;) {
    const busy = state.busy, released = state.released;
    await busy;
    await released;
    if (busy === state.busy && released === state.released && !mouse.sending) return;
  }
}

/// The points of a layer as the page holds them (loaded, moved and added), by the host's index.
function pointsOf(layer) {
  const out = [];
  for (const e of state.pick) {
    if (e.layer !== layer) continue;
    const pos = e.obj.geometry.attributes.position.array;
    const count = e.points ? e.points.length : e.pointCount;
    for (let v = 0; v < count; ++v) out[pointOf(e, v)] = [pos[3 * v], pos[3 * v + 1], pos[3 * v + 2]];
  }
  return out;
}

/// The view as shown now, and after the whole scene is drawn again (they should not differ).
async function framesShownAndRedrawn() {
  const canvas = renderer.domElement, nextFrame = () => new Promise((r) => requestAnimationFrame(r));
  await nextFrame();
  const shown = canvas.toDataURL();
  requestRender(true);
  await nextFrame();
  await nextFrame();
  return [shown, canvas.toDataURL()];
}

window.gorva = { state, run, api, idle, screenOf, pickAt, setView, pointsOf, grid, dragTimes, framesShownAndRedrawn, ready: false };

resize();
api('state').then(() => run(`select.typeFrom ${state.selType}`)).then(() => {
  setView('persp');
  window.gorva.ready = true;
});
requestRender();
