// The browser build in a real browser: headless Chromium (WebGL on SwiftShader)
// driven through the DevTools protocol, the page served from this machine.
//
//   node --experimental-websocket tests/web/webtest.mjs BUILD_WEB NATIVE_FRAMES [WORK]
//
// - frames: ?frame=MS at the README stills' moments and two flashes (every
//   effect of the shipped demo, the main scene with its glow), each compared with the native
//   program's capture of that one frame (--capture NATIVE_FRAMES/<name>
//   --start MS --until MS: both replay the timeline from 0), within the
//   tolerance below;
// - autoplay: ?autoplay plays for a few seconds: the title reads "FPS: N",
//   the canvas is lit, and no exception reaches the console;
// - missing picture: the same page with crest.png gone from the packed data
//   shows the loader's report over the canvas and in the console.
// Prints one line per check and "N passed, N failed"; exits 1 on a failure.
// VORTEXEL_WEB_MEASURE=SECONDS also plays the demo that long and prints the
// mean frame rate. A failing frame comparison writes the browser's picture to
// WORK/web-actual-<name>.png.
import { spawn } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import zlib from "node:zlib";

const [buildDir, nativeDir, workArg] = process.argv.slice(2);
if (!buildDir || !nativeDir) {
  console.error("usage: webtest.mjs BUILD_WEB NATIVE_FRAMES [WORK]");
  process.exit(2);
}
const work = workArg || fs.mkdtempSync(path.join(os.tmpdir(), "vortexel-web-"));

// name, moment ms: the README stills (tools/stills.sh), and the two flashes
// fading (white over the main scene's start, black into the break), so every
// effect kind of the reference sheets is drawn by the browser.
const MOMENTS = [
  ["1-intro", 7000],
  ["2-panel", 23000],
  ["3-burst", 48500],
  ["4-deck", 74000],
  ["5-white", 12150],
  ["6-black", 44300],
];
// SwiftShader and llvmpipe rasterise and filter differently, the browser's
// JPEG decoder is not DevIL's and WebGL builds mipmaps its own way: a pixel
// counts as differing when a channel is more than PIXEL_TOLERANCE apart, and a
// frame matches when at most DIFFERING_SHARE of its pixels differ and the mean
// difference stays under MEAN_TOLERANCE.
const PIXEL_TOLERANCE = 32;
const DIFFERING_SHARE = 0.02;
const MEAN_TOLERANCE = 3.0;

// ---------------------------------------------------------------- PNG files
function decodePng(buffer) {
  if (buffer.readUInt32BE(0) !== 0x89504e47) throw new Error("not a PNG");
  let pos = 8, width = 0, height = 0, depth = 0, type = 0, interlace = 0;
  const chunks = [];
  while (pos < buffer.length) {
    const length = buffer.readUInt32BE(pos);
    const kind = buffer.toString("latin1", pos + 4, pos + 8);
    const data = buffer.subarray(pos + 8, pos + 8 + length);
    if (kind === "IHDR") {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      depth = data[8];
      type = data[9];
      interlace = data[12];
    } else if (kind === "IDAT") chunks.push(data);
    else if (kind === "IEND") break;
    pos += 12 + length;
  }
  const channels = { 0: 1, 2: 3, 4: 2, 6: 4 }[type];
  if (depth !== 8 || !channels || interlace) throw new Error(`unsupported PNG (type ${type}, depth ${depth})`);
  const raw = zlib.inflateSync(Buffer.concat(chunks));
  const stride = width * channels;
  const out = Buffer.alloc(width * height * 3);
  let previous = Buffer.alloc(stride), row = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? row[i - channels] : 0;
      const b = previous[i];
      const c = i >= channels ? previous[i - channels] : 0;
      let v = line[i];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[i] = v & 255;
    }
    for (let x = 0; x < width; x++) {
      for (let k = 0; k < 3; k++)
        out[(y * width + x) * 3 + k] = row[x * channels + (channels < 3 ? 0 : k)];
    }
    [previous, row] = [row, previous];
  }
  return { width, height, rgb: out };
}

function encodePng(image) {
  const crcTable = Array.from({ length: 256 }, (_, n) => {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
  });
  const crc = (buf) => {
    let c = 0xffffffff;
    for (const byte of buf) c = crcTable[(c ^ byte) & 255] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  };
  const chunk = (kind, data) => {
    const head = Buffer.alloc(8);
    head.writeUInt32BE(data.length, 0);
    head.write(kind, 4, "latin1");
    const tail = Buffer.alloc(4);
    tail.writeUInt32BE(crc(Buffer.concat([head.subarray(4), data])), 0);
    return Buffer.concat([head, data, tail]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(image.width, 0);
  header.writeUInt32BE(image.height, 4);
  header[8] = 8;
  header[9] = 2;
  const raw = Buffer.alloc((image.width * 3 + 1) * image.height);
  for (let y = 0; y < image.height; y++)
    image.rgb.copy(raw, y * (image.width * 3 + 1) + 1, y * image.width * 3, (y + 1) * image.width * 3);
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk("IHDR", header), chunk("IDAT", zlib.deflateSync(raw)), chunk("IEND", Buffer.alloc(0))]);
}

function compareImages(a, b) {
  if (a.width !== b.width || a.height !== b.height)
    return { ok: false, why: `sizes differ: ${a.width}x${a.height} and ${b.width}x${b.height}` };
  let differing = 0, sum = 0;
  const pixels = a.width * a.height;
  for (let i = 0; i < pixels; i++) {
    let d = 0;
    for (let k = 0; k < 3; k++) {
      const e = Math.abs(a.rgb[i * 3 + k] - b.rgb[i * 3 + k]);
      sum += e;
      d = Math.max(d, e);
    }
    if (d > PIXEL_TOLERANCE) differing++;
  }
  const share = differing / pixels, mean = sum / (pixels * 3);
  return { ok: share <= DIFFERING_SHARE && mean <= MEAN_TOLERANCE, share, mean,
    why: `${(share * 100).toFixed(2)} % of pixels differ by more than ${PIXEL_TOLERANCE}, mean difference ${mean.toFixed(2)}` };
}

// ------------------------------------------------------------ static server
const TYPES = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
  ".data": "application/octet-stream", ".png": "image/png" };
// Paths of the served files; a test may swap one for a variant.
const overrides = new Map();

function serve(dir) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/^\/+/, "");
    if (name.includes("..")) { res.writeHead(403).end(); return; }
    const body = overrides.get(name) ?? (() => {
      try { return fs.readFileSync(path.join(dir, name)); } catch { return null; }
    })();
    if (body === null) { res.writeHead(404).end(); return; }
    res.writeHead(200, { "Content-Type": TYPES[path.extname(name)] || "application/octet-stream",
      "Cache-Control": "no-store" });
    res.end(body);
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// ----------------------------------------------------------------- browser
function findChromium() {
  for (const p of [process.env.CHROMIUM, "/usr/bin/chromium", "/usr/bin/chromium-browser"])
    if (p && fs.existsSync(p)) return p;
  throw new Error("chromium not found (tools/deps.sh installs it)");
}

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "vortexel-chromium-"));
  const args = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-dev-shm-usage", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--autoplay-policy=no-user-gesture-required", "--window-size=1280,900",
    `--user-data-dir=${profile}`, "--remote-debugging-port=0", "about:blank"];
  // Its own process group, so that closing it ends its helper processes too
  // (they write into the profile until they go).
  const child = spawn(findChromium(), args, { stdio: ["ignore", "ignore", "pipe"], detached: true });
  let stderr = "";
  child.stderr.on("data", (d) => { stderr += d; });
  const portFile = path.join(profile, "DevToolsActivePort");
  for (let i = 0; i < 300 && !fs.existsSync(portFile); i++) await sleep(100);
  if (!fs.existsSync(portFile)) {
    killGroup(child);
    throw new Error("chromium did not start: " + stderr.slice(-2000));
  }
  await sleep(200);
  const port = fs.readFileSync(portFile, "utf8").split("\n")[0];
  const targets = await (await fetch(`http://127.0.0.1:${port}/json/list`)).json();
  const page = targets.find((t) => t.type === "page");
  const cdp = await connect(page.webSocketDebuggerUrl);
  return { child, profile, cdp };
}

function killGroup(child) {
  try {
    process.kill(-child.pid, "SIGKILL");
  } catch {
    child.kill("SIGKILL");
  }
}

async function close(browser) {
  browser.cdp.socket.close();
  const exited = new Promise((resolve) => browser.child.once("exit", resolve));
  killGroup(browser.child);
  await Promise.race([exited, sleep(5000)]);
  await sleep(300); // the helpers of the group go a moment after the browser
  try {
    fs.rmSync(browser.profile, { recursive: true, force: true, maxRetries: 5, retryDelay: 200 });
  } catch (e) {
    console.log(`note: the browser's profile ${browser.profile} stays (${e.code})`);
  }
}

function connect(url) {
  return new Promise((resolve, reject) => {
    const socket = new WebSocket(url);
    let id = 0;
    const pending = new Map();
    const listeners = [];
    socket.onmessage = (event) => {
      const message = JSON.parse(event.data);
      if (message.id && pending.has(message.id)) {
        const { ok, fail } = pending.get(message.id);
        pending.delete(message.id);
        message.error ? fail(new Error(JSON.stringify(message.error))) : ok(message.result);
      } else if (message.method) listeners.forEach((l) => l(message));
    };
    socket.onerror = (e) => reject(e);
    socket.onopen = () => resolve({
      socket,
      send: (method, params = {}) => new Promise((ok, fail) => {
        pending.set(++id, { ok, fail });
        socket.send(JSON.stringify({ id, method, params }));
      }),
      on: (listener) => listeners.push(listener),
    });
  });
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

async function evaluate(cdp, expression) {
  const r = await cdp.send("Runtime.evaluate", { expression, returnByValue: true });
  return r.result.value;
}

// Loads url and waits until test(state, title) holds or seconds pass.
async function open(cdp, url, test, seconds) {
  await cdp.send("Page.navigate", { url });
  const until = Date.now() + seconds * 1000;
  while (Date.now() < until) {
    await sleep(250);
    const s = await evaluate(cdp, "[document.body ? document.body.dataset.state : '', document.title]");
    if (s && test(s[0], s[1])) return s;
  }
  return await evaluate(cdp, "[document.body ? document.body.dataset.state : '', document.title]");
}

async function canvasPicture(cdp) {
  const rect = await evaluate(cdp,
    "(() => { const r = document.getElementById('canvas').getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()");
  const shot = await cdp.send("Page.captureScreenshot",
    { format: "png", clip: { x: rect[0], y: rect[1], width: rect[2], height: rect[3], scale: 1 } });
  return decodePng(Buffer.from(shot.data, "base64"));
}

function brightness(image) {
  let sum = 0;
  for (const v of image.rgb) sum += v;
  return sum / image.rgb.length;
}

// ------------------------------------------------------------------- checks
const results = [];
function check(name, ok, detail) {
  results.push(ok);
  console.log(`${ok ? "ok  " : "FAIL"} ${name}${detail ? ": " + detail : ""}`);
}

async function main() {
  const server = await serve(buildDir);
  const base = `http://127.0.0.1:${server.address().port}/vortexel.html`;
  const browser = await launch();
  const { cdp } = browser;
  const exceptions = [];
  const consoleLines = [];
  cdp.on((m) => {
    if (m.method === "Runtime.exceptionThrown")
      exceptions.push(m.params.exceptionDetails.exception?.description || m.params.exceptionDetails.text);
    if (m.method === "Runtime.consoleAPICalled")
      consoleLines.push(m.params.args.map((a) => a.value ?? a.description ?? "").join(" "));
  });
  await cdp.send("Runtime.enable");
  await cdp.send("Page.enable");
  await cdp.send("Emulation.setDeviceMetricsOverride",
    { width: 1280, height: 900, deviceScaleFactor: 1, mobile: false });

  try {
    // The pictures: the browser's frame against the native capture's.
    for (const [name, moment] of MOMENTS) {
      const started = Date.now();
      const [state] = await open(cdp, `${base}?frame=${moment}`,
        (s) => s === "frame ready" || s === "failed", 240);
      if (state !== "frame ready") {
        check(`frame ${name} (${moment} ms)`, false, `page state "${state}"`);
        continue;
      }
      const actual = await canvasPicture(cdp);
      const frames = fs.readdirSync(path.join(nativeDir, name)).filter((f) => f.endsWith(".png")).sort();
      const expected = decodePng(fs.readFileSync(path.join(nativeDir, name, frames[frames.length - 1])));
      const c = compareImages(actual, expected);
      if (!c.ok) fs.writeFileSync(path.join(work, `web-actual-${name}.png`), encodePng(actual));
      check(`frame ${name} (${moment} ms) matches the native capture`, c.ok,
        `${c.why}, ${((Date.now() - started) / 1000).toFixed(1)} s`);
    }

    // Playing: the title, a lit canvas, no exception.
    exceptions.length = 0;
    const [state] = await open(cdp, `${base}?autoplay`, (s, t) => s === "playing" && /^FPS: \d+$/.test(t), 120);
    await sleep(4000);
    const title = await evaluate(cdp, "document.title");
    const picture = await canvasPicture(cdp);
    const lit = brightness(picture);
    check("?autoplay plays with the title \"FPS: N\"", state === "playing" && /^FPS: \d+$/.test(title),
      `state "${state}", title "${title}"`);
    check("?autoplay lights the canvas", lit > 2, `mean level ${lit.toFixed(1)}`);
    check("?autoplay raises no exception", exceptions.length === 0, exceptions.join(" | "));

    const measure = Number(process.env.VORTEXEL_WEB_MEASURE || 0);
    if (measure > 0) {
      await open(cdp, `${base}?autoplay`, (s) => s === "playing", 120);
      await sleep(1000);
      const first = await evaluate(cdp, "performance.now()");
      const readings = [];
      while ((await evaluate(cdp, "performance.now()")) - first < measure * 1000) {
        await sleep(1000);
        const t = await evaluate(cdp, "document.title");
        const m = /^FPS: (\d+)$/.exec(t);
        if (m) readings.push(Number(m[1]));
      }
      const mean = readings.reduce((a, b) => a + b, 0) / Math.max(readings.length, 1);
      console.log(`measure: browser frame rate ${mean.toFixed(1)} frames/s over ${readings.length} s (headless Chromium, SwiftShader)`);
    }

    // A missing picture: its report over the canvas and in the console.
    const script = fs.readFileSync(path.join(buildDir, "vortexel.js"), "latin1");
    if (!script.includes('"/Data/crest.png"')) {
      check("missing picture reported", false, "vortexel.js does not list /Data/crest.png");
    } else {
      overrides.set("vortexel.js", Buffer.from(script.replace('"/Data/crest.png"', '"/Data/crest.gone"'), "latin1"));
      consoleLines.length = 0;
      exceptions.length = 0;
      await open(cdp, `${base}?autoplay`, (s) => s === "ended" || s === "failed", 120);
      overrides.delete("vortexel.js");
      const report = await evaluate(cdp, "document.getElementById('reports').innerText");
      const inConsole = consoleLines.some((l) => l.includes("crest.png"));
      check("a missing picture shows its report over the canvas and in the console",
        /crest\.png: Could not load texture/.test(report || "") && inConsole,
        JSON.stringify((report || "").slice(0, 200)));
      check("a missing picture raises no exception", exceptions.length === 0, exceptions.join(" | "));
    }
  } finally {
    await close(browser);
    server.close();
  }
  const failed = results.filter((r) => !r).length;
  console.log(`web: ${results.length - failed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}

main().catch((e) => {
  console.error(e.stack || String(e));
  console.log(`web: ${results.filter((r) => r).length} passed, ${results.filter((r) => !r).length + 1} failed`);
  process.exit(1);
});
