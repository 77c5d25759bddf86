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
const state = { data: null, selType: 'polygon', sceneVersion: -1, updateId: -1, pick: [], tails: new Map(),
  busy: Promise.resolve(), form: null, timing: {} };
// One material for every surface and one for the wires, made once.
const surface = new THREE.MeshLambertMaterial({ color: 0xb8b8b0, flatShading: true, side: THREE.DoubleSide,
  polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 });
const wire = new THREE.LineBasicMaterial({ color: 0x222222 });
const dot = new THREE.PointsMaterial({ color: 0x222222, size: 4, sizeAttenuation: false });

// ---- requests: one at a time, in order

function api(path, body) {
  const call = () =>
    fetch('api/' + path, body === undefined ? {} : {
      method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body),
    }).then(async (r) => {
      const json = await r.json().catch(() => ({ ok: false, message: 'bad answer ' + r.status }));
      return apply(json);
    });
  state.busy = state.busy.then(call, call);
  return state.busy;
}

const run = (line) => api('run', { line });

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
  let items;
  try {
    items = readScene(bytes, version);
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
  drawSelection();
  state.timing.load = { bytes: bytes.byteLength, fetch: fetched - started, build: performance.now() - fetched };
  return true;
}

/// The scene answer as typed arrays over its bytes, nothing copied: its items, each with its mesh.
function readScene(buffer, version) {
  let at = 0;
  const take = (Type, count) => {
    const array = new Type(buffer, at, count);  // throws past the end
    at += 4 * count;
    return array;
  };
  const [magic, answered, meshCount, itemCount] = take(Uint32Array, 4);
  if (magic !== 0x43535647 || answered !== version) throw new Error('not the scene asked for');
  const refs = [];
  for (let i = 0; i < itemCount; ++i) {
    const mesh = take(Uint32Array, 1)[0], matrix = take(Float32Array, 16), length = take(Uint32Array, 1)[0];
    const ident = new TextDecoder().decode(new Uint8Array(buffer, at, length));
    at += Math.ceil(length / 4) * 4;
    refs.push({ mesh, matrix, ident });
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
  return refs;
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
      side: THREE.DoubleSide, depthTest: true, polygonOffset: true, polygonOffsetFactor: -1 })));
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
  const w = view.clientWidth, h = view.clientHeight;
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
function toolDrag(x, y) {
  mouse.pending = dragTarget(x, y);
  if (mouse.sending) return;
  mouse.sending = true;
  mouse.drained = (async () => {
    while (mouse.pending) {
      const p = mouse.pending;
      mouse.pending = null;
      await run(`tool.drag ${fmt(p)}`);
    }
    mouse.sending = false;
  })();
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

renderer.domElement.addEventListener('pointermove', (e) => {
  if (!mouse.down || !mouse.tool) return;
  e.stopImmediatePropagation();
  const r = overlay.getBoundingClientRect();
  toolDrag(e.clientX - r.left, e.clientY - r.top);
}, { capture: true });

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

function field(def, value, onChange) {
  let input;
  if (def.choices && def.choices.length) {
    input = el('select');
    def.choices.forEach((c, i) => {
      const v = typeof c === 'string' ? String(i) : String(c.value);
      input.append(el('option', { value: v, textContent: typeof c === 'string' ? c : c.label }));
    });
    const match = def.choices.findIndex((c, i) => (typeof c === 'string' ? String(i) : String(c.value)) === String(value)
      || (typeof c !== 'string' && c.name === value));
    if (match >= 0) input.selectedIndex = match;
  } else if (def.type === 'boolean') {
    input = el('input', { type: 'checkbox', checked: value === '1' || value === 'true' });
  } else {
    const numeric = ['integer', 'float', 'distance', 'angle', 'percent'].includes(def.type);
    input = el('input', { type: numeric ? 'number' : 'text', value: value ?? '' });
    if (numeric) input.step = def.type === 'integer' ? '1' : 'any';
    if (def.min !== undefined) input.min = def.min;
    if (def.max !== undefined) input.max = def.max;
  }
  input.name = def.name;
  input.dataset.attr = def.name;
  const read = () => (input.type === 'checkbox' ? (input.checked ? '1' : '0') : input.value);
  if (onChange) input.addEventListener('change', () => onChange(read()));
  const wrap = el('div', { className: 'field' }, el('label', { textContent: def.label }), input);
  if (def.disabled) {
    input.disabled = true;
    wrap.classList.add('greyed');
    wrap.title = def.disabled;
    wrap.append(el('div', { className: 'reason', textContent: def.disabled }));
  }
  return { wrap, input, read };
}

function showCommand(cmd) {
  state.form = { kind: 'command', name: cmd.name };
  const form = document.getElementById('form');
  form.replaceChildren(el('h3', { textContent: cmd.label }), el('p', { textContent: cmd.description }));
  const args = cmd.arguments.map((a) => {
    const f = field(a, '');
    form.append(f.wrap);
    return [a, f];
  });
  const values = cmd.userValues.map((u) => {
    const f = field(u, u.value);
    form.append(f.wrap);
    return [u, f];
  });
  const go = el('button', { id: 'run', textContent: 'Run' });
  go.addEventListener('click', () => {
    // Queued in order at once: the values are set before the command runs.
    for (const [u, f] of values) if (f.read() !== u.value) run(`user.value ${u.name} ${quote(f.read())}`);
    const parts = args.filter(([, f]) => f.read() !== '').map(([a, f]) => `${a.name}:${quote(f.read())}`);
    run([cmd.name, ...parts].join(' '));
  });
  form.append(el('p'), go);
}

function showTool() {
  const tool = state.data.tool;
  const form = document.getElementById('form');
  if (!tool) {
    if (state.form && state.form.kind === 'tool') form.replaceChildren(), (state.form = null);
    return;
  }
  const focused = document.activeElement && form.contains(document.activeElement) ? document.activeElement.name : null;
  if (focused && state.form && state.form.kind === 'tool' && state.form.name === tool.name) return;
  state.form = { kind: 'tool', name: tool.name };
  form.replaceChildren(el('h3', { textContent: tool.name }));
  for (const a of tool.attributes) {
    const f = field(a, a.value, (v) => run(`tool.attr ${tool.name} ${a.name} ${quote(v)}`));
    form.append(f.wrap);
  }
}

let toolbarBuilt = false;
function refreshPanels() {
  const d = state.data;
  if (!toolbarBuilt && d.definitions) {
    toolbarBuilt = true;
    for (const c of d.commands) {
      const b = el('button', { textContent: c.label, title: c.name });
      b.dataset.command = c.name;
      b.addEventListener('click', () => showCommand(state.data.commands.find((x) => x.name === c.name)));
      document.getElementById('commands').append(b);
    }
    for (const t of d.tools) {
      const b = el('button', { textContent: t.replace(/^gORVA\./, ''), title: t });
      b.dataset.tool = t;
      b.addEventListener('click', () => run(state.data.tool && state.data.tool.name === t ? `tool.set ${t} off` : `tool.set ${t} on`));
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
  drawSelection();
  placeGrid();
}

document.querySelectorAll('[data-seltype]').forEach((b) => b.addEventListener('click', () => {
  state.selType = b.dataset.seltype;
  document.querySelectorAll('[data-seltype]').forEach((o) => o.classList.toggle('on', o === b));
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
window.addEventListener('resize', resize);

// One frame when something changed, not a loop: a large scene costs the software renderer much.
let framePending = false;
/// `moved`: the view changed, so the kept picture of the scene is drawn again.
function requestRender(moved = false) {
  if (moved) backdrop.valid = false;
  if (framePending) return;
  framePending = true;
  requestAnimationFrame(() => {
    framePending = false;
    draw();
    drawOverlay();
  });
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
  if (!backdrop.valid) {
    camera.layers.set(0);
    renderer.setRenderTarget(backdrop.target);
    renderer.render(scene, camera);
    renderer.setRenderTarget(null);
    backdrop.valid = true;
  }
  renderer.render(backdrop.copy, backdrop.camera);
  const background = scene.background;
  scene.background = null;
  renderer.autoClear = false;
  camera.layers.set(kLiveLayer);
  renderer.render(scene, camera);
  renderer.autoClear = true;
  scene.background = background;
  camera.layers.enableAll();
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

window.gorva = { state, run, api, idle, screenOf, pickAt, setView, pointsOf, grid, ready: false };

resize();
api('state').then(() => run(`select.typeFrom ${state.selType}`)).then(() => {
  setView('persp');
  window.gorva.ready = true;
});
requestRender();
