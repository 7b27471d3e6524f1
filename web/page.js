// The page around the WebAssembly module: the canvas the drive is copied to, the animation
// frames that pace it, full screen, the settings panel built from the module's description, and
// the settings kept in the page's storage as the Linux settings file's text.
"use strict";

const kStoreKey = "velmora/user.reg";
const params = new URLSearchParams(location.search);

// Settings as the page's address may give them, as the recorder's options do: size=WxH,
// course=K, seed=N, set=NAME=TEXT (repeatable) and frames=N, which renders frames 0 to N-1 at
// once and stops there, so that a frame can be compared with the recorder's.
const fixed = {
  size: /^(\d+)x(\d+)$/.exec(params.get("size") || ""),
  course: Number(params.get("course") || 0),
  seed: params.has("seed") ? Number(params.get("seed")) : null,
  frames: params.has("frames") ? Number(params.get("frames")) : null,
};

let M = null;  // the module
const canvas = document.getElementById("drive");
const context = canvas.getContext("2d", {alpha: false, desynchronized: true});
let image = null;  // ImageData over the module's pixels
let origin = null, last = 0, running = false;
// With trace=1 in the address, each animation frame's time since the start and frames run so far.
const trace = params.has("trace") ? (window.velmoraTrace = []) : null;

// Texts and bytes across the boundary.
function text(pointer) { return M.UTF8ToString(pointer, M._velmora_returned_length()); }
function bytesOf(pointer) { return M.HEAPU8.slice(pointer, pointer + M._velmora_returned_length()); }
function withBytes(bytes, use) {
  const pointer = M._malloc(bytes.length + 1);
  M.HEAPU8.set(bytes, pointer);
  M.HEAPU8[pointer + bytes.length] = 0;
  try { return use(pointer, bytes.length); } finally { M._free(pointer); }
}
function withText(value, use) { return withBytes(new TextEncoder().encode(value), use); }

// localStorage keeps strings: the file's bytes are kept one character each.
function storedBytes() {
  const kept = localStorage.getItem(kStoreKey) || "";
  return Uint8Array.from(kept, (c) => c.charCodeAt(0));
}
function keepStore() {
  const bytes = bytesOf(M._velmora_store_text());
  let kept = "";
  for (const b of bytes) kept += String.fromCharCode(b);
  localStorage.setItem(kStoreKey, kept);
}

function timeOfDay() {
  const now = new Date();
  return ((now.getHours() * 60 + now.getMinutes()) * 60 + now.getSeconds()) * 1000 + now.getMilliseconds();
}

// The drive: starts on the canvas's size in device pixels.
function viewSize() {
  if (fixed.size && !document.fullscreenElement) return [Number(fixed.size[1]), Number(fixed.size[2])];
  const ratio = window.devicePixelRatio || 1;
  return [Math.max(1, Math.round(canvas.clientWidth * ratio)), Math.max(1, Math.round(canvas.clientHeight * ratio))];
}

// The stored display mode may ask for 640x480 instead, which the canvas then stretches; a size
// given in the address is kept, as the recorder keeps its own.
function start() {
  const [width, height] = viewSize();
  const seed = fixed.seed !== null ? fixed.seed : timeOfDay();
  window.velmoraPeriod = M._velmora_start(width, height, fixed.course, seed >>> 0, fixed.size ? 0 : 1);
  canvas.width = M._velmora_width();
  canvas.height = M._velmora_height();
  image = null;
  origin = null;
  copyChanges();
}

// Puts what changed since the last copy on the canvas, rectangle by rectangle.
function copyChanges() {
  const width = M._velmora_width(), height = M._velmora_height();
  if (!image || image.data.buffer !== M.HEAPU8.buffer) {
    const pixels = new Uint8ClampedArray(M.HEAPU8.buffer, M._velmora_pixels(), width * height * 4);
    image = new ImageData(pixels, width, height);
  }
  // Read straight from the module's memory: a frame makes no garbage.
  const count = M._velmora_take_changes(), heap = M.HEAP32, first = M._velmora_changes() >> 2;
  for (let i = first; i < first + count * 4; i += 4) context.putImageData(image, 0, 0, heap[i], heap[i + 1], heap[i + 2], heap[i + 3]);
}

// Frame i is due at i * period ms after the start; each animation frame runs the frames that
// have fallen due since the last, none skipped and none ahead. A page that was asleep (a hidden
// tab gets no animation frames) takes up where it stopped rather than racing to catch up.
function animate(now) {
  if (!running) return;
  if (origin === null) origin = now;
  else if (now - last > 1000) origin += now - last;
  last = now;
  if (M._velmora_run_due(now - origin) > 0) copyChanges();
  if (trace && trace.length < 10000) trace.push([now - origin, M._velmora_frames_run()]);
  requestAnimationFrame(animate);
}

function run() {
  start();
  if (!running) {
    running = true;
    requestAnimationFrame(animate);
  }
}

// Renders frames 0 to n-1 as the recorder does, each copied as the running page copies it.
function renderFrames(n) {
  running = false;
  start();
  for (let i = 0; i < n; ++i) {
    M._velmora_run_next();
    copyChanges();
  }
  const box = new Int32Array(M.HEAPU8.buffer, M._velmora_text_bounds(), 4);
  window.velmoraRendered = {frames: n, width: canvas.width, height: canvas.height, banner: Array.from(box)};
  document.body.dataset.state = "rendered";
}

// Full screen: a click or a key on the picture enters it; there the first key, button or
// movement leaves it. The first movement only records where the pointer is.
let firstMove = null;
function enterFullscreen() {
  if (!document.fullscreenElement) canvas.requestFullscreen().catch(() => {});
}
function leaveFullscreen() {
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
}
canvas.addEventListener("click", () => { if (!document.fullscreenElement) enterFullscreen(); });
canvas.addEventListener("keydown", (e) => {
  if (!document.fullscreenElement) {
    e.preventDefault();
    enterFullscreen();
  }
});
document.addEventListener("keydown", (e) => {
  if (document.fullscreenElement === canvas) {
    e.preventDefault();
    leaveFullscreen();
  }
}, true);
document.addEventListener("mousedown", () => { if (document.fullscreenElement === canvas) leaveFullscreen(); }, true);
document.addEventListener("mousemove", (e) => {
  if (document.fullscreenElement !== canvas) return;
  if (firstMove === null) firstMove = [e.clientX, e.clientY];
  else if (e.clientX !== firstMove[0] || e.clientY !== firstMove[1]) leaveFullscreen();
}, true);
document.addEventListener("fullscreenchange", () => {
  firstMove = null;
  if (fixed.frames === null) run();
});
let resizeTimer = 0;
window.addEventListener("resize", () => {
  if (fixed.frames !== null || fixed.size) return;
  clearTimeout(resizeTimer);
  resizeTimer = setTimeout(run, 200);
});

// The standard error report.
function showMessage(message, caption) {
  document.getElementById("message-caption").textContent = caption;
  document.getElementById("message-text").textContent = message;
  const box = document.getElementById("message");
  box.hidden = false;
  document.getElementById("message-ok").focus();
}
document.getElementById("message-ok").addEventListener("click", () => { document.getElementById("message").hidden = true; });

// The settings panel, built from the module's description of the settings and the dialog.
let form = null;
const views = [];  // what refreshes each control from the module

function element(tag, props = {}, ...children) {
  const e = Object.assign(document.createElement(tag), props);
  for (const child of children) e.append(child);
  return e;
}
function cssColour(rgb) { return "#" + (rgb >>> 0).toString(16).padStart(6, "0"); }

function spinControl(setting) {
  const id = setting.control;
  const input = element("input", {type: "text", id: "set-" + setting.name, name: setting.name, inputMode: "numeric"});
  const step = (delta) => { push(); M._velmora_spin_step(id, delta); refresh(); };
  const push = () => withText(input.value, (p) => M._velmora_panel_set_text(id, p));
  input.addEventListener("beforeinput", (e) => {
    if (e.data === null) return;
    for (const c of e.data) {
      if (!M._velmora_spin_accepts(c.codePointAt(0))) {
        e.preventDefault();
        input.classList.add("refused");
        setTimeout(() => input.classList.remove("refused"), 300);
        return;
      }
    }
  });
  input.addEventListener("input", push);
  input.addEventListener("keydown", (e) => {
    if (e.key === "ArrowUp") { e.preventDefault(); step(1); }
    if (e.key === "ArrowDown") { e.preventDefault(); step(-1); }
    // Enter is OK with the field still holding what was typed, unclamped.
    if (e.key === "Enter") { e.preventDefault(); push(); ok(); }
  });
  input.addEventListener("blur", () => { push(); M._velmora_spin_exit(id); refresh(); });
  views.push(() => { input.value = text(M._velmora_panel_text(id)); });
  const label = element("label", {htmlFor: input.id, textContent: form.speedLabel.caption});
  return element("div", {className: "spin"}, label, input,
    element("button", {type: "button", textContent: "\u25B2", ariaLabel: "up", onclick: () => step(1)}),
    element("button", {type: "button", textContent: "\u25BC", ariaLabel: "down", onclick: () => step(-1)}),
    element("span", {textContent: form.speedRange.caption}));
}

function radioControl(setting) {
  const id = setting.control;
  const group = element("fieldset", {id: "set-" + setting.name}, element("legend", {textContent: setting.caption}));
  const inputs = setting.items.map((item, index) => {
    const input = element("input", {type: "radio", name: setting.name, value: String(index)});
    input.addEventListener("change", () => M._velmora_panel_set_index(id, index));
    group.append(element("label", {}, input, " " + item));
    return input;
  });
  views.push(() => {
    const index = M._velmora_panel_index(id);
    inputs.forEach((input, i) => { input.checked = i === index; });
  });
  return group;
}

function checkControl(setting) {
  const id = setting.control;
  const input = element("input", {type: "checkbox", id: "set-" + setting.name, name: setting.name});
  input.addEventListener("change", () => M._velmora_panel_set_checked(id, input.checked ? 1 : 0));
  views.push(() => { input.checked = M._velmora_panel_checked(id) !== 0; });
  return element("label", {}, input, " " + setting.caption);
}

function colourControl(setting) {
  const id = setting.control;
  const swatch = element("span", {className: "swatch"});
  const picker = element("input", {type: "color", tabIndex: -1});
  const button = element("button", {type: "button", textContent: setting.button.caption, onclick: () => picker.click()});
  picker.addEventListener("change", () => {
    M._velmora_panel_pick(setting.button.id, parseInt(picker.value.slice(1), 16));
    refresh();
  });
  const name = element("input", {type: "text", id: "set-" + setting.name, name: setting.name});
  name.setAttribute("list", "colour-names");
  name.addEventListener("change", () => {
    if (!withText(name.value, (p) => M._velmora_panel_set_color_text(id, p))) name.classList.add("refused");
    refresh();
  });
  views.push(() => {
    const colour = M._velmora_panel_color(id);
    const rgb = M._velmora_color_rgb(colour);
    swatch.style.background = cssColour(rgb);
    picker.value = cssColour(rgb);
    name.value = text(M._velmora_color_text(colour));
    name.classList.remove("refused");
  });
  return element("div", {className: "colour-row"}, swatch, button, name, picker);
}

function refresh() { for (const view of views) view(); }

function buildPanel() {
  form = JSON.parse(text(M._velmora_panel_form()));
  document.getElementById("panel-caption").textContent = form.caption;
  const controls = document.getElementById("panel-controls");
  const colours = element("div", {className: "colours"}, element("div", {textContent: form.colourLabel.caption}));
  const builders = {spin: spinControl, radio: radioControl, check: checkControl, swatch: colourControl};
  for (const setting of form.settings) {
    const built = builders[setting.controlKind](setting);
    built.title = setting.description;
    (setting.controlKind === "swatch" ? colours : controls).append(built);
  }
  controls.append(colours);
  const button = (control, action) => element("button", {type: "button", id: "panel-" + control.id, textContent: control.caption, onclick: action});
  const click = (control) => () => { M._velmora_panel_click(control.id); refresh(); };
  document.getElementById("panel-presets").append(button(form.dark, click(form.dark)), button(form.bright, click(form.bright)));
  document.getElementById("panel-buttons").append(button(form.ok, ok), button(form.cancel, cancel));
  document.getElementById("colour-names").append(...form.colourNames.map((n) => element("option", {value: n})));
  document.getElementById("panel").hidden = false;
}

// OK writes every setting as the dialog does, keeps the store and restarts the drive on it.
function ok() {
  const before = M._velmora_store_changes();
  M._velmora_panel_click(form.ok.id);
  if (M._velmora_store_changes() !== before) keepStore();
  M._velmora_panel_open();
  refresh();
  if (fixed.frames === null) run();
}
// Cancel shows the stored settings again.
function cancel() {
  M._velmora_panel_open();
  refresh();
}

document.getElementById("panel").addEventListener("submit", (e) => e.preventDefault());
document.getElementById("export").addEventListener("click", () => {
  const blob = new Blob([bytesOf(M._velmora_store_text())], {type: "text/plain"});
  const link = element("a", {href: URL.createObjectURL(blob), download: "velmora.reg"});
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
});
// Importing reads the file's settings into the panel as the dialog reads the store; a file read
// without a refusal is kept at once, as OK keeps it.
document.getElementById("import").addEventListener("change", async (e) => {
  const file = e.target.files[0];
  e.target.value = "";
  if (!file) return;
  const bytes = new Uint8Array(await file.arrayBuffer());
  let shown = false;
  const report = M.showMessage;
  M.showMessage = (...args) => { shown = true; report(...args); };
  try {
    withBytes(bytes, (p, n) => M._velmora_import(p, n));
  } finally {
    M.showMessage = report;
  }
  refresh();
  if (!shown) ok();
});

VelmoraModule({showMessage}).then((module) => {
  M = module;
  const load = withBytes(storedBytes(), (p, n) => M._velmora_store_load(p, n));
  if (load !== 0) showMessage("The stored settings cannot be read (line " + load + "); the defaults are shown.", "Velmora");
  for (const pair of params.getAll("set")) {
    const eq = pair.indexOf("=");
    withText(pair.slice(0, eq), (name) => withText(pair.slice(eq + 1), (value) => M._velmora_override(name, value)));
  }
  buildPanel();
  M._velmora_panel_open();
  refresh();
  if (fixed.frames !== null) renderFrames(fixed.frames);
  else run();
  document.body.dataset.ready = "1";
  window.velmora = {renderFrames, module: M};
});
