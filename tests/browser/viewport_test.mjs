// The browser viewport driven as a person would, in Debian's headless Chromium through
// puppeteer-core: selection by clicking, commands from their forms (the lights one adds shown as
// markers), the Arch dragged by its handle, a sweep along clicked edges, two items of one name told
// apart, and a request without the token refused. Prints the drag timing on a 100k-polygon scene
// (and, with GORVA_TIMING_1M=1, the opening of a million quads). Exit status 77 (skipped) only when
// Chromium cannot start.
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../..');
const require = createRequire(path.join(root, 'web/package.json'));
const gorva = process.env.GORVA_EXE || path.join(root, 'build/app/gorva');
const chromium = process.env.GORVA_CHROMIUM || '/usr/bin/chromium';
const shots = process.env.GORVA_SCREENSHOTS || '';

let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok' : 'FAILED'}: ${what}`);
  if (!ok) failures += 1;
}

// ---- scenes

/// A floor of four quads at height 0 and a shelf of two quads at height 1.
function stepsObj() {
  let text = 'o Floor\n';
  for (const z of [-1, 0, 1]) for (const x of [-1, 0, 1]) text += `v ${x} 0 ${z}\n`;
  text += 'f 1 4 5 2\nf 2 5 6 3\nf 4 7 8 5\nf 5 8 9 6\n';
  text += 'o Shelf\nv 2 1 -1\nv 3 1 -1\nv 3 1 0\nv 2 1 0\nv 3 1 1\nv 2 1 1\n';
  text += 'f 10 13 12 11\nf 13 15 14 12\n';
  return text;
}

/// A grid of n x n quads, 0.01 m apart.
function gridObj(n) {
  const lines = ['o Grid'];
  for (let z = 0; z <= n; ++z) for (let x = 0; x <= n; ++x) lines.push(`v ${(x * 0.01).toFixed(2)} 0 ${(z * 0.01).toFixed(2)}`);
  for (let z = 0; z < n; ++z)
    for (let x = 0; x < n; ++x) {
      const a = z * (n + 1) + x + 1;
      lines.push(`f ${a} ${a + n + 1} ${a + n + 2} ${a + 1}`);
    }
  return lines.join('\n') + '\n';
}

function objPoints(file) {
  return fs.readFileSync(file, 'utf8').split('\n').filter((l) => l.startsWith('v ')).map((l) => l.split(/\s+/).slice(1).map(Number));
}

/// The points of `after` that `before` does not have (each point of `before` taken away once).
function newPoints(before, after) {
  const known = new Map();
  for (const p of objPoints(before)) known.set(p.join(' '), (known.get(p.join(' ')) || 0) + 1);
  return objPoints(after).filter((p) => {
    const n = known.get(p.join(' ')) || 0;
    if (n) known.set(p.join(' '), n - 1);
    return n === 0;
  });
}

// ---- the server

function startServer(folder, scene) {
  return new Promise((resolve, reject) => {
    const child = spawn(gorva, ['serve', '--scene', scene], { cwd: folder, stdio: ['ignore', 'pipe', 'pipe'] });
    let out = '';
    const timer = setTimeout(() => reject(new Error('gorva serve printed no address: ' + out)), 60000);
    child.stdout.on('data', (d) => {
      out += d;
      const m = /open (http:\/\/127\.0\.0\.1:\d+\/[0-9a-f]+\/)/.exec(out);
      if (m) clearTimeout(timer), resolve({ child, url: m[1] });
    });
    child.stderr.on('data', (d) => process.stderr.write(d));
    child.on('exit', (code) => reject(new Error(`gorva serve ended with ${code}: ${out}`)));
  });
}

async function hostState(url) {
  return (await fetch(url + 'api/state')).json();
}

async function post(url, call, body) {
  const r = await fetch(url + 'api/' + call, {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body),
  });
  return r.json();
}

// ---- the page

async function openPage(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 760 });
  page.on('pageerror', (e) => check(false, 'page error: ' + e.message));
  await page.goto(url, { timeout: 120000 });
  await page.waitForFunction(() => window.gorva && window.gorva.ready, { timeout: 120000 });
  return page;
}

/// The page position of a world point, as the page projects it.
async function screenOf(page, p) {
  return page.evaluate((q) => {
    const [x, y] = window.gorva.screenOf(q);
    const r = document.getElementById('overlay').getBoundingClientRect();
    return [r.left + x, r.top + y];
  }, p);
}

async function settle(page) {
  await page.evaluate(() => window.gorva.idle());
}

async function clickWorld(page, p, modifiers = []) {
  const [x, y] = await screenOf(page, p);
  for (const k of modifiers) await page.keyboard.down(k);
  await page.mouse.click(x, y);
  for (const k of modifiers) await page.keyboard.up(k);
  await settle(page);
}

async function dragScreen(page, from, to, steps = 8) {
  await page.mouse.move(from[0], from[1]);
  await page.mouse.down();
  for (let i = 1; i <= steps; ++i) await page.mouse.move(from[0] + ((to[0] - from[0]) * i) / steps, from[1] + ((to[1] - from[1]) * i) / steps);
  await page.mouse.up();
  await settle(page);
}

/// Sets a form field as a person would: picks a popup's choice or types into a field.
async function setField(page, name, value) {
  const tag = await page.$eval(`[name="${name}"]`, (e) => e.tagName);
  if (tag === 'SELECT') return page.select(`select[name="${name}"]`, value);
  await page.click(`[name="${name}"]`, { clickCount: 3 });
  await page.keyboard.type(value);
}

async function shot(page, name) {
  if (!shots) return;
  fs.mkdirSync(shots, { recursive: true });
  await page.screenshot({ path: path.join(shots, name) });
}

// ---- cases

/// The user values of a command as the host holds them.
async function userValues(url, command) {
  const state = await hostState(url);
  return Object.fromEntries(state.commands.find((c) => c.name === command).userValues.map((u) => [u.name, u.value]));
}

async function fieldText(page, name) {
  return page.$eval(`[name="${name}"]`, (i) => i.value);
}

async function selectByHeight(page, url) {
  await page.click('[data-seltype="polygon"]');
  await clickWorld(page, [-0.5, 0, -0.5]);
  let state = await hostState(url);
  check(JSON.stringify(state.selection.polygons) === JSON.stringify([[0, 0]]), 'a click selects the polygon under the mouse');
  // A value with more digits than a field shows: it stays as the host holds it when not edited.
  const below = 'gORVA_01_SelectbyHeight_RangeLower', above = 'gORVA_01_SelectbyHeight_RangeUpper';
  await page.evaluate((n) => window.gorva.run(`user.value ${n} 0.0123456789`), below);
  await settle(page);
  await page.click('[data-command="gORVA.Cmd.SelectbyHeight"]');
  await settle(page);
  const shown = await fieldText(page, below);
  check(shown === '12.35 mm', `a distance field shows the value as the host prints distances (${shown})`);
  await setField(page, 'match_mode', '0');
  await setField(page, above, '250 mm');
  await page.click('#run');
  await settle(page);
  state = await hostState(url);
  const selected = state.selection.polygons.map(([layer, p]) => `${layer}:${p}`).sort();
  check(JSON.stringify(selected) === JSON.stringify(['0:0', '0:1', '0:2', '0:3']),
    `select by height selects the floor's four polygons and not the shelf (${selected})`);
  const held = await userValues(url, 'gORVA.Cmd.SelectbyHeight');
  check(held[below] === '0.0123456789', `a value not edited is not sent back rounded (${held[below]})`);
  check(held[above] === '0.25', `a distance typed in millimetres reaches the host in metres (${held[above]})`);
  await shot(page, 'serve_select_by_height.png');
}

/// Labels and tooltips from the kit's help, and popups for choices.
async function formsFromHelp(page) {
  await page.click('[data-command="gORVA.Cmd.AddLightAtPolyPos"]');
  await settle(page);
  const label = await page.$eval('[name="radiant_emittance"]', (i) => i.parentElement.querySelector('label').textContent);
  check(label === 'Radiance', `a command argument is labelled as its help names it (${label})`);
  // Run on the floor's four selected polygons: each light shows as a marker where the host put it.
  await page.click('#run');
  await settle(page);
  const lights = await page.evaluate(() => window.gorva.state.lights.map((l) => ({ type: l.type,
    at: l.at.map((v) => Math.round(v * 1e4) / 1e4), lines: l.ends[1] - l.ends[0] })));
  const where = lights.map((l) => l.at.join(' ')).sort();
  check(lights.length === 4 && lights.every((l) => l.type === 'areaLight' && l.lines === 10) &&
    JSON.stringify(where) === JSON.stringify(['-0.5 0 -0.5', '-0.5 0 0.5', '0.5 0 -0.5', '0.5 0 0.5']),
    `Add Light shows each light as a rectangle and its facing line at its polygon's centre (${JSON.stringify(lights)})`);
  await page.click('[data-command="gORVA.Cmd.SelectbyNormal"]');
  await settle(page);
  const choices = await page.$$eval('select[name="match_mode"] option', (o) => o.map((x) => x.textContent)).catch(() => []);
  check(JSON.stringify(choices) === JSON.stringify(['fast', 'full']), `Select by Normal's match mode is a popup of its choices (${choices})`);
}

/// The page's points of its first `layers` layers, drawn from the updates since its scene was loaded,
/// are the host's as saved (OBJ points run layer after layer).
async function pageMatchesHost(page, objFile, layers, what) {
  const saved = objPoints(objFile);
  const held = await page.evaluate((n) => Array.from({ length: n }, (_, l) => window.gorva.pointsOf(l)), layers);
  const flat = held.flat();
  let worst = flat.length === saved.length ? 0 : Infinity;
  flat.forEach((p, i) => {
    worst = Math.max(worst, p ? Math.hypot(p[0] - saved[i][0], p[1] - saved[i][1], p[2] - saved[i][2]) : Infinity);
  });
  check(worst < 1e-4, `the page's points after ${what} are the host's (${flat.length} of ${saved.length}, ` +
    `largest difference ${worst.toExponential(1)} m)`);
}

async function archByHandle(page, url, folder) {
  await post(url, 'save', { name: 'before_arch.obj' });
  await page.click('[data-tool="gORVA.Arch"]');
  await settle(page);
  const loadedScene = await page.evaluate(() => window.gorva.state.sceneVersion);
  let state = await hostState(url);
  check(state.tool && state.tool.name === 'gORVA.Arch', 'the toolbar activates the Arch');
  // Pull the span out on the work plane, then drag the span's end handle further by mouse.
  await dragScreen(page, await screenOf(page, [-1, 0, 1.5]), await screenOf(page, [0.5, 0, 1.5]));
  state = await hostState(url);
  const attr = (s, name) => Number(s.tool.attributes.find((a) => a.name === name).value);
  const spanBefore = attr(state, 'arch_span');
  const end = state.tool.drawing.handles.find((h) => h.part === 10001);
  check(!!end, 'the Arch draws its span end handle');
  if (!end) return;
  const from = await screenOf(page, end.pos);
  const to = await screenOf(page, [end.pos[0] + 0.5, end.pos[1], end.pos[2]]);
  const field = await page.$eval('[name="arch_geometry_mode"]', (i) => [i.parentElement.querySelector('label').textContent, i.parentElement.title]);
  check(field[0] === 'Geometry' && /polygon/.test(field[1]), `a tool attribute has the label and tooltip of its help (${field})`);
  const panel = await fieldText(page, 'arch_span');
  const [, digits, unit] = /^(\S+) (m|mm)$/.exec(panel) || [];
  check(Math.abs(Number(digits) * (unit === 'mm' ? 1e-3 : 1) - spanBefore) < 1e-3 * spanBefore,
    `the attribute panel shows the span the tool wrote back (${panel} for ${spanBefore})`);
  await dragScreen(page, from, to);
  state = await hostState(url);
  const spanAfter = attr(state, 'arch_span');
  check(spanAfter > spanBefore + 0.2, `dragging the span handle widens the arch (${spanBefore} -> ${spanAfter})`);
  // Editing one field leaves the others as the tool holds them, not as the panel shows them.
  const exact = state.tool.attributes.find((a) => a.name === 'arch_span').value;
  await setField(page, 'arch_segments', '12');
  await page.keyboard.press('Tab');
  await page.evaluate(() => document.activeElement.blur());
  await settle(page);
  state = await hostState(url);
  const kept = state.tool.attributes.find((a) => a.name === 'arch_span').value;
  check(attr(state, 'arch_segments') === 12 && kept === exact && (await fieldText(page, 'arch_span')) !== exact,
    `a typed attribute reaches the tool and the others keep their exact values (${exact} -> ${kept})`);
  await shot(page, 'serve_arch_tool.png');
  check(await page.evaluate(() => window.gorva.state.sceneVersion) === loadedScene,
    'the drags came to the page as updates, not as the whole scene again');
  await page.click('#apply');
  await settle(page);
  check((await hostState(url)).tool === null, 'Apply keeps the arch and ends the tool');
  await post(url, 'save', { name: 'after_arch.obj' });
  await pageMatchesHost(page, path.join(folder, 'after_arch.obj'), 2, 'the arch');
  const written = newPoints(path.join(folder, 'before_arch.obj'), path.join(folder, 'after_arch.obj'));
  let width = 0;
  for (const p of written) for (const q of written) width = Math.max(width, Math.hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]));
  const ring = attr(state, 'intra_extrados_dist');
  check(written.length > 0 && width >= spanAfter - 1e-3 && width <= spanAfter + 2 * ring + 1e-3,
    `the applied arch's points reach across its span (${written.length} points, ${width.toFixed(4)} m for a span of ${spanAfter.toFixed(4)} m)`);
}

async function sweepAlongClickedPath(page, url, folder) {
  // The Sweeper wants one mesh layer (or a second holding only the profile): the floor alone.
  fs.writeFileSync(path.join(folder, 'floor.obj'), stepsObj().split('o Shelf')[0]);
  await page.click('#filename', { clickCount: 3 });
  await page.keyboard.type('floor.obj');
  await page.click('#open');
  await settle(page);
  check((await hostState(url)).layers.length === 1, 'Open reads a scene of the served folder');
  await post(url, 'save', { name: 'before_sweep.obj' });
  // Edges: the side of the polygon nearest the click, shift adding in order.
  await page.click('[data-seltype="edge"]');
  await clickWorld(page, [-0.5, 0, 0.95]);
  await clickWorld(page, [0.5, 0, 0.95], ['Shift']);
  await clickWorld(page, [0.95, 0, 0.5], ['Shift']);
  let state = await hostState(url);
  const edges = state.selection.edges.map(([, a, b]) => [Math.min(a, b), Math.max(a, b)].join('-'));
  check(JSON.stringify(edges) === JSON.stringify(['6-7', '7-8', '5-8']), `shift-clicks add edges in order (${edges})`);
  // The Sweeper's path: its vertices clicked in order along the floor's edge.
  await page.click('[data-seltype="vertex"]');
  await clickWorld(page, [-0.95, 0, 0.95]);
  for (const p of [[0.05, 0, 0.95], [0.95, 0, 0.95], [0.95, 0, 0.05]]) await clickWorld(page, p, ['Shift']);
  state = await hostState(url);
  const path_ = state.selection.vertices.map(([, p]) => p);
  check(JSON.stringify(path_) === JSON.stringify([6, 7, 8, 5]), `shift-clicks add vertices in order (${path_})`);
  await page.click('[data-tool="gORVA.Sweeper"]');
  await settle(page);
  const active = await hostState(url);
  check(active.tool && active.tool.name === 'gORVA.Sweeper', 'the Sweeper takes the clicked path');
  await clickWorld(page, [-2.5, 0, -2.5]);  // a click away from its handles starts the sweep
  await shot(page, 'serve_sweeper.png');
  await page.click('#apply');
  await settle(page);
  await post(url, 'save', { name: 'after_sweep.obj' });
  const before = objPoints(path.join(folder, 'before_sweep.obj')).length;
  const after = objPoints(path.join(folder, 'after_sweep.obj')).length;
  check(after > before, `the sweep wrote its profile along the path (${before} -> ${after} points)`);
}

/// Two items of one name: each shows its own mesh, and a click on the second selects in its layer.
async function twoItemsOfOneName(page, url, folder) {
  const twin = (x) => `o Twin\nv ${x} 0 0\nv ${x + 1} 0 0\nv ${x + 1} 0 1\nv ${x} 0 1\n`;
  fs.writeFileSync(path.join(folder, 'twins.obj'), twin(0) + 'f 1 4 3 2\n' + twin(2) + 'f 5 8 7 6\n');
  await page.click('#filename', { clickCount: 3 });
  await page.keyboard.type('twins.obj');
  await page.click('#open');
  await settle(page);
  const layers = (await hostState(url)).layers;
  check(layers.length === 2 && layers[0].name === layers[1].name, 'the scene holds two items of one name');
  const held = await page.evaluate(() => [0, 1].map((l) => window.gorva.pointsOf(l)[0]));
  check(JSON.stringify(held) === JSON.stringify([[0, 0, 0], [2, 0, 0]]), `each shows its own points (${JSON.stringify(held)})`);
  await page.click('[data-seltype="polygon"]');
  await clickWorld(page, [2.5, 0, 0.5]);
  const picked = (await hostState(url)).selection.polygons;
  check(JSON.stringify(picked) === JSON.stringify([[1, 0]]), `a click on the second selects in its own layer (${JSON.stringify(picked)})`);
}

async function gridOnWorkPlane(page) {
  await page.evaluate(() => window.gorva.run('tool.workPlane 0 0.5 0'));
  await settle(page);
  const y = await page.evaluate(() => window.gorva.grid.position.y);
  check(Math.abs(y - 0.5) < 1e-9, `the grid lies on the host's work plane (at height ${y})`);
  await page.evaluate(() => window.gorva.run('tool.workPlane reset'));
  await settle(page);
}

/// The 3D view reaches the window's foot and fills its area, at the start and after a resize.
async function viewFillsWindow(page) {
  const gaps = async () => page.evaluate(() => {
    const canvas = document.querySelector('#viewport canvas').getBoundingClientRect();
    const area = document.getElementById('viewport').getBoundingClientRect();
    return [innerHeight - canvas.bottom, area.width - canvas.width, area.height - canvas.height].map(Math.round);
  });
  const before = await gaps();
  await page.setViewport({ width: 1000, height: 600 });
  await page.waitForFunction(() => document.querySelector('#viewport canvas').getBoundingClientRect().bottom === innerHeight,
    { timeout: 5000 }).catch(() => {});
  const after = await gaps();
  await page.setViewport({ width: 1280, height: 760 });
  check([...before, ...after].every((g) => g === 0), `the view fills its area to the window's foot (gaps ${before} and ${after} px after a resize)`);
}

async function refusedWithoutToken(url) {
  const bare = url.replace(/[0-9a-f]+\/$/, '');
  const noToken = await fetch(bare + 'api/state');
  check(noToken.status === 403, `a request without the token is refused (${noToken.status})`);
  const run = await fetch(bare + 'api/run', { method: 'POST', headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify({ line: 'scene.new' }) });
  check(run.status === 403, `a command without the token is refused (${run.status})`);
  const foreign = await fetch(url + 'api/state', { headers: { Origin: 'http://evil.example' } });
  check(foreign.status === 403, `a request from another site's page is refused (${foreign.status})`);
}

async function dragTiming(browser, folder) {
  fs.writeFileSync(path.join(folder, 'grid.obj'), gridObj(316));
  const started = Date.now();
  const server = await startServer(folder, 'grid.obj');
  const page = await openPage(browser, server.url);
  console.log(`timing: 100k-polygon scene opened and shown in ${Date.now() - started} ms`);
  try {
    await page.click('[data-tool="gORVA.Arch"]');
    await settle(page);
    const a = await screenOf(page, [0.5, 0, 0.5]);
    await page.mouse.move(a[0], a[1]);
    await page.mouse.down();
    await settle(page);
    // Measured in the page: from each mouse event's time stamp to the end of the frame that shows
    // the tool's answer, with its parts; the test's own round trips to the page do not count.
    const drags = 20;
    for (let i = 1; i <= drags; ++i) {
      const seen = await page.evaluate(() => window.gorva.dragTimes.length);
      await page.mouse.move(a[0] + i * 5, a[1]);
      await page.waitForFunction((n) => window.gorva.dragTimes.length > n, { timeout: 30000 }, seen);
    }
    const times = await page.evaluate(() => window.gorva.dragTimes.slice());
    // Back over what the preview covered: the kept picture is put back where it shrank from.
    await page.mouse.move(a[0] + 20, a[1]);
    await page.mouse.up();
    await settle(page);
    const [shown, redrawn] = await page.evaluate(() => window.gorva.framesShownAndRedrawn());
    check(shown === redrawn, 'after drags the view shows what drawing the whole scene again shows');
    const median = (key) => {
      const v = times.map((t) => t[key]).sort((x, y) => x - y);
      return v[Math.floor(v.length / 2)];
    };
    const parts = ['wait', 'request', 'server', 'read', 'apply', 'draw', 'show'];
    const totals = times.map((t) => t.total).sort((x, y) => x - y);
    console.log(`timing: drag on 100k polygons, mouse event to the frame showing the redrawn handles and preview ` +
      `(${times.length} drags): median ${median('total').toFixed(1)} ms, min ${totals[0].toFixed(1)} ms, ` +
      `max ${totals[totals.length - 1].toFixed(1)} ms; medians of the parts: ` +
      parts.map((k) => `${k} ${median(k).toFixed(1)}`).join(', ') + ' ms');
    check(times.length === drags && times.every((t) => parts.every((k) => k === 'server' || t[k] >= 0)),
      `the page records each drag's timing in order (${times.length} of ${drags})`);
    await page.click('#apply');
    await settle(page);
    await post(server.url, 'save', { name: 'grid_arch.obj' });
    await pageMatchesHost(page, path.join(folder, 'grid_arch.obj'), 1, 'ten drags and Apply on the grid');
  } finally {
    await page.close();
    server.child.kill();
  }
}

/// Opening a scene of a million quads: the server reading the file and building the scene's answer,
/// the page fetching it, building its buffers and drawing the first frame.
async function openTiming(browser, folder) {
  fs.writeFileSync(path.join(folder, 'grid1m.obj'), gridObj(1000));
  const started = Date.now();
  const server = await startServer(folder, 'grid1m.obj');
  const served = Date.now();
  const page = await openPage(browser, server.url);
  const t = await page.evaluate(async () => {
    const ready = performance.now();
    await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
    return { ...window.gorva.state.timing.load, ready, shown: performance.now() };
  });
  console.log(`timing: 1M-polygon scene: server up in ${served - started} ms; page: first frame ${t.shown.toFixed(0)} ms ` +
    `after the request (the scene's ${(t.bytes / 1e6).toFixed(0)} MB fetched in ${t.fetch.toFixed(0)} ms, ` +
    `its buffers built in ${t.build.toFixed(0)} ms, page ready at ${t.ready.toFixed(0)} ms, the first frame drawn in ` +
    `${(t.shown - t.ready).toFixed(0)} ms)`);
  const held = await page.evaluate(() => window.gorva.state.pick.map((e) => [e.pointCount, e.triangles.length]));
  check(JSON.stringify(held) === JSON.stringify([[1001 * 1001, 2e6]]), `the page holds the grid's points and triangles (${held})`);
  await page.close();
  server.child.kill();
}

// ---- main

async function main() {
  let puppeteer;
  try {
    puppeteer = require('puppeteer-core');
  } catch (e) {
    console.log('FAILED: puppeteer-core is not installed in web/node_modules (run scripts/setup.sh)');
    return 1;
  }
  let browser;
  try {
    browser = await puppeteer.launch({ executablePath: chromium, headless: true,
      args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader'] });
  } catch (e) {
    console.log(`skipped: Chromium cannot start here (${chromium}): ${e.message.split('\n')[0]}`);
    return 77;
  }
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'gorva-browser-'));
  fs.writeFileSync(path.join(folder, 'steps.obj'), stepsObj());
  const server = await startServer(folder, 'steps.obj');
  try {
    await refusedWithoutToken(server.url);
    const page = await openPage(browser, server.url);
    await viewFillsWindow(page);
    await selectByHeight(page, server.url);
    await formsFromHelp(page);
    await archByHandle(page, server.url, folder);
    await sweepAlongClickedPath(page, server.url, folder);
    await twoItemsOfOneName(page, server.url, folder);
    await gridOnWorkPlane(page);
    await page.close();
    server.child.kill();
    if (process.env.GORVA_SKIP_TIMING !== '1') await dragTiming(browser, folder);
    if (process.env.GORVA_TIMING_1M === '1') await openTiming(browser, folder);
  } finally {
    server.child.kill();
    await browser.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
  console.log(failures ? `${failures} check(s) failed` : 'all checks passed');
  return failures ? 1 : 0;
}

main().then((code) => process.exit(code), (e) => {
  console.log('FAILED: ' + (e.stack || e));
  process.exit(1);
});
