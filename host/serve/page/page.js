// The live page: lays out the pictures the server sends (one per window, one per gauge,
// each with a version number) at the zoom the address asks for, sends clicks and the
// trace filter over the page's WebSocket (settings as POSTs), takes what changed over
// that socket and reconnects by itself when the server goes away. For the panel's
// designer: the findings with their lines, a gauge list, an inspector under the pointer,
// and an edit mode whose moves, resizes, additions and removals the server writes into
// the panel.cfg.
"use strict";

const CURSOR_INCREASE = 1, CURSOR_DECREASE = 2, CURSOR_BUTTON = 5;
const MOUSE_REPEAT = 0x00200000;
// An XML gauge's spot: [x, y, w, h, cursor, flags, CSS cursor, kinds]; kinds that follow the
// held button (Kind=LeftDrag) and act when it is let go (Kind=LeftRelease).
const XML_DRAG = 4, XML_RELEASE = 8;
const REPEAT_DELAY_MS = 400, REPEAT_EVERY_MS = 120, TRACE_KEPT = 400, CONNECT_TIMEOUT_MS = 4000;
const ZOOM_STEPS = [0.25, 0.33, 0.5, 0.67, 0.75, 0.9, 1, 1.25, 1.5, 2, 3, 4];
const TOUCH_SPOT_PX = 40;

const $ = (id) => document.getElementById(id);
// What the page shows, also read by the browser tests and the benchmark.
const page = {
  connected: false, connects: 0, layout: null, gauges: {}, windows: {}, pictures: {}, canvases: {},
  clicksHeard: 0, clicksPlayed: 0, state: null, vars: [], traceLast: 0, traceShown: 0,
  zoom: 1, findings: [], file: null, editing: false, chosen: null, socketInput: false,
  inputs: [], paints: [], reloads: 0, touchSeen: false,
};
window.livePage = page;
const clickSound = new Audio("click.wav");
let socket = null;

function say(text) { $("status").textContent = text; }

async function post(what, fields) {
  const query = new URLSearchParams(fields).toString();
  try {
    const answer = await fetch("api/" + what + "?" + query, { method: "POST" });
    const text = await answer.text();
    say(answer.ok ? "" : text.trim());
    return { ok: answer.ok, status: answer.status, text };
  } catch (error) {
    say("the server does not answer");
    return { ok: false, status: 0, text: "" };
  }
}

// An input over the socket when the server takes them there, else as a POST.
function send(what, fields) {
  if (page.socketInput && socket && socket.readyState === WebSocket.OPEN) {
    socket.send(what + "?" + new URLSearchParams(fields).toString());
    return;
  }
  post(what, fields);
}

// ---------------------------------------------------------------------------------------
// The address keeps the view: #zoom=fit|touch|N&layout=sheet|screen&edit=1&side=0&sidew=W.
// Without a zoom in it, a touch screen (a coarse pointer, or the first touch the page
// sees) gets the touch zoom, anything else the fit.

const SIDE_WIDTH = { least: 220, most: 900, usual: 320 };
const coarsePointer = () => matchMedia("(pointer: coarse)").matches;

function viewOptions() {
  const options = new URLSearchParams(location.hash.slice(1));
  const width = Number(options.get("sidew"));
  return { zoom: options.get("zoom") || (coarsePointer() || page.touchSeen ? "touch" : "fit"),
           zoomChosen: options.has("zoom"), layout: options.get("layout") || "", edit: options.get("edit") === "1",
           side: options.get("side") !== "0", sideWidth: width > 0 ? width : SIDE_WIDTH.usual };
}

function keepView(changes) {
  const options = new URLSearchParams(location.hash.slice(1));
  for (const [key, value] of Object.entries(changes)) {
    if (value === null) options.delete(key);
    else options.set(key, value);
  }
  history.replaceState(null, "", "#" + options.toString());
  applyView();
}

// The zoom that shows the whole panel in the space the page gives it.
function fitZoom() {
  if (!page.layout) return 1;
  const box = $("panel-box");
  const width = box.clientWidth;
  const height = narrow() ? Infinity : boxHeight();
  // Two pixels kept: the size is rounded up, and a box one pixel over would take scroll
  // bars, whose width then pushes the panel over the other way too.
  return Math.max(0.05, Math.min((width - 2) / page.layout.width, (height - 2) / page.layout.height, 4));
}

const narrow = () => matchMedia("(max-width: 800px)").matches;
// The height the panel's box may take: down to the bottom of the window.
const boxHeight = () => Math.max(120, window.innerHeight - $("panel-box").getBoundingClientRect().top -
                                      window.scrollY - 12);

// The zoom at which the smallest knob half or button is TOUCH_SPOT_PX wide and high.
function touchZoom() {
  let smallest = Infinity;
  for (const g of page.layout ? page.layout.gauges : [])
    for (const s of g.spots) smallest = Math.min(smallest, s[2] * g.w / g.fw, s[3] * g.h / g.fh);
  return smallest === Infinity ? 1 : Math.max(1, TOUCH_SPOT_PX / smallest);
}

function currentZoom() {
  const chosen = viewOptions().zoom;
  if (chosen === "fit") return fitZoom();
  if (chosen === "touch") return touchZoom();
  const n = Number(chosen);
  return n > 0 && n <= 16 ? n : 1;
}

function applyView() {
  const view = viewOptions();
  page.zoom = currentZoom();
  const panel = $("panel");
  $("panel-box").style.maxHeight = narrow() ? "" : boxHeight() + "px";
  panel.style.transform = "scale(" + page.zoom + ")";
  if (page.layout) {
    $("panel-size").style.width = Math.ceil(page.layout.width * page.zoom) + "px";
    $("panel-size").style.height = Math.ceil(page.layout.height * page.zoom) + "px";
  }
  $("zoom-shown").textContent = Math.round(page.zoom * 100) + "%";
  for (const [id, name] of [["zoom-fit", "fit"], ["zoom-touch", "touch"]])
    $(id).classList.toggle("on", view.zoom === name);
  $("zoom-100").classList.toggle("on", view.zoom === "1");
  document.querySelector("aside").classList.toggle("folded", !view.side);
  $("splitter").classList.toggle("folded", !view.side);
  document.querySelector("main").style.setProperty("--side-width", sideWidth(view.sideWidth) + "px");
  $("fold").classList.toggle("on", view.side);
  page.editing = view.edit;
  $("edit").classList.toggle("on", view.edit);
  $("edit-box").hidden = !view.edit;
  panel.classList.toggle("editing", view.edit);
  placeHandle();
}

// The side bar's width within its bounds, leaving the panel at least a third of the page.
function sideWidth(wanted) {
  const most = Math.min(SIDE_WIDTH.most, Math.max(SIDE_WIDTH.least, window.innerWidth * 2 / 3 - 20));
  return Math.round(Math.min(most, Math.max(SIDE_WIDTH.least, wanted)));
}

// The splitter between the panel and the side bar: dragged, or moved by the arrow keys;
// the width stays in the address.
function wireSplitter() {
  const splitter = $("splitter");
  let from = null;
  splitter.addEventListener("pointerdown", (event) => {
    if (event.button !== 0) return;
    event.preventDefault();
    splitter.setPointerCapture(event.pointerId);
    splitter.classList.add("dragging");
    from = { x: event.clientX, width: document.querySelector("aside").getBoundingClientRect().width };
  });
  splitter.addEventListener("pointermove", (event) => {
    if (!from) return;
    const width = sideWidth(from.width - (event.clientX - from.x));
    document.querySelector("main").style.setProperty("--side-width", width + "px");
    page.zoom = currentZoom();
    $("panel").style.transform = "scale(" + page.zoom + ")";
  });
  const end = () => {
    if (!from) return;
    from = null;
    splitter.classList.remove("dragging");
    keepView({ sidew: String(Math.round(document.querySelector("aside").getBoundingClientRect().width)) });
  };
  splitter.addEventListener("pointerup", end);
  splitter.addEventListener("pointercancel", end);
  splitter.addEventListener("keydown", (event) => {
    const step = event.shiftKey ? 100 : 20;
    const by = { ArrowLeft: step, ArrowRight: -step }[event.key];
    if (!by) return;
    event.preventDefault();
    keepView({ sidew: String(sideWidth(viewOptions().sideWidth + by)) });
  });
}

// The first touch on a page whose zoom was not chosen turns the touch zoom on, once the
// tap itself has been taken where the finger saw it.
function noticeTouch(event) {
  if (event.pointerType !== "touch" || page.touchSeen) return;
  page.touchSeen = true;
  if (!viewOptions().zoomChosen) setTimeout(applyView);
}

function zoomBy(direction) {
  const now = page.zoom;
  const next = direction > 0 ? ZOOM_STEPS.find((z) => z > now + 1e-3) : [...ZOOM_STEPS].reverse().find((z) => z < now - 1e-3);
  if (next) keepView({ zoom: String(next) });
}

// ---------------------------------------------------------------------------------------
// Pictures and the pointer. Each gauge is a canvas kept across layouts: the server sends
// its whole picture once, then the boxes of pixels that changed, each with the next
// version number, applied in order.

function facePoint(gauge, img, event) {
  const box = img.getBoundingClientRect();
  return {
    x: Math.floor((event.clientX - box.left) * gauge.fw / box.width),
    y: Math.floor((event.clientY - box.top) * gauge.fh / box.height),
  };
}

const inside = (r, p) => p.x >= r[0] && p.y >= r[1] && p.x < r[0] + r[2] && p.y < r[1] + r[3];
// A help area without a size is the whole face.
const helpAt = (gauge, p) => gauge.helps.find((h) => inside(h, p) && h[2] > 0) ||
                             gauge.helps.find((h) => h[2] === 0 && h[3] === 0);

function cursorFor(spot) {
  if (!spot) return "default";
  if (spot[6]) return spot[6];
  if (spot[4] === CURSOR_INCREASE) return "e-resize";
  if (spot[4] === CURSOR_DECREASE) return "w-resize";
  if (spot[4] === CURSOR_BUTTON) return "pointer";
  return "crosshair";
}

let repeat = null;
function stopRepeat() {
  if (repeat) clearTimeout(repeat);
  repeat = null;
}

// A gauge's tooltip: the text of its help, as the simulator shows it.
function tooltip(gauge, help) {
  if (!help) return gauge.name;
  return help[5] || gauge.name;
}

function wireGauge(img) {
  img.addEventListener("pointermove", (event) => {
    const gauge = img.gauge;
    inspect(gauge, event);
    if (page.editing) return;
    const p = facePoint(gauge, img, event);
    img.style.cursor = cursorFor(gauge.spots.find((s) => inside(s, p)));
    img.title = tooltip(gauge, helpAt(gauge, p));
  });
  img.addEventListener("pointerdown", (event) => {
    if (event.button !== 0) return;
    event.preventDefault();
    if (page.editing) return startDrag(event, { kind: "gauge", item: img.gauge, element: img });
    const gauge = img.gauge;
    const p = facePoint(gauge, img, event);
    const spot = gauge.spots.find((s) => inside(s, p));
    img.setPointerCapture(event.pointerId);
    const click = () => {
      page.inputs.push({ id: gauge.id, t: performance.now(), v: Number(img.dataset.v) });
      send("click", { gauge: gauge.id, x: p.x, y: p.y });
    };
    click();
    stopRepeat();
    if (spot && (spot[5] & MOUSE_REPEAT)) {
      const again = () => { click(); repeat = setTimeout(again, REPEAT_EVERY_MS); };
      repeat = setTimeout(again, REPEAT_DELAY_MS);
    }
    if (spot && (spot[7] & (XML_DRAG | XML_RELEASE))) holdXml(img, gauge, spot, p);
  });
  for (const name of ["pointerup", "pointercancel", "lostpointercapture"]) img.addEventListener(name, stopRepeat);
  img.addEventListener("contextmenu", (event) => event.preventDefault());
}

// While the button is held on an XML gauge's area: the pointer's moves (in face pixels,
// outside the face too) for a drag, and where it was let go for a release.
function holdXml(img, gauge, spot, last) {
  const move = (event) => {
    const p = facePoint(gauge, img, event);
    if (!(spot[7] & XML_DRAG) || (p.x === last.x && p.y === last.y)) return;
    last = p;
    send("click", { gauge: gauge.id, x: p.x, y: p.y, kind: "drag" });
  };
  const end = () => {
    for (const name of ["pointermove", "pointerup", "pointercancel"]) img.removeEventListener(name, name === "pointermove" ? move : end);
    if (spot[7] & XML_RELEASE) send("click", { gauge: gauge.id, x: last.x, y: last.y, kind: "release" });
  };
  img.addEventListener("pointermove", move);
  img.addEventListener("pointerup", end);
  img.addEventListener("pointercancel", end);
}

function openArea(ident) { return page.layout.open.find((a) => a.ident === ident); }

// Picture pixels per unit of the gauge's window.
function unitScale(area) {
  if (!area || !area.uw || !area.uh) return { x: 1, y: 1 };
  return { x: area.w / area.uw, y: area.h / area.uh };
}

function describe(item) {
  const area = openArea(item.window);
  const lines = [item.module ? item.module + "!" + item.name : item.name];
  if (area) lines.push("window " + (area.title || area.section || area.ident) + (area.section ? " [" + area.section + "]" : ""));
  if (item.key) lines.push(item.key + " · panel.cfg line " + item.line);
  if (item.u) lines.push("x " + item.u[0] + "  y " + item.u[1] + "  w " + item.u[2] + "  h " + item.u[3] + " (window units)");
  if (item.why) lines.push(item.why);
  return lines.join("\n");
}

function inspect(item, event) {
  $("inspect").textContent = describe(item);
  pointerAt(event);
}

// The pointer's position in the units of the window under it.
function pointerAt(event) {
  if (!page.layout) return;
  const box = $("panel").getBoundingClientRect();
  const px = (event.clientX - box.left) / page.zoom, py = (event.clientY - box.top) / page.zoom;
  const area = page.layout.open.find((a) => px >= a.x && py >= a.y && px < a.x + a.w && py < a.y + a.h);
  if (!area) { $("pointer").textContent = ""; return; }
  const s = unitScale(area);
  $("pointer").textContent = "pointer " + Math.floor((px - area.x) / s.x) + ", " + Math.floor((py - area.y) / s.y) +
                             " in " + (area.title || area.section || "window " + area.ident);
}

function showLayout(layout) {
  page.layout = layout;
  const panel = $("panel");
  panel.replaceChildren();
  panel.style.width = layout.width + "px";
  panel.style.height = layout.height + "px";
  page.windows = {};
  page.gauges = {};
  page.others = [];
  const titles = {};
  for (const w of layout.windows) titles[w.ident] = w.title;
  for (const area of layout.open) {
    area.title = titles[area.ident];
    const img = document.createElement("img");
    img.className = "window";
    img.dataset.ident = area.ident;
    Object.assign(img.style, { left: area.x + "px", top: area.y - layout.band + "px", width: area.w + "px",
                               height: area.h + layout.band + "px" });
    img.addEventListener("pointerdown", (event) => {
      if (!page.editing || layout.kind !== "screen" || event.button !== 0) return;
      event.preventDefault();
      startDrag(event, { kind: "window", item: area, element: img });
    });
    panel.append(img);
    page.windows[area.ident] = img;
    showPicture(img, page.pictures["w" + area.ident]);
  }
  for (const other of layout.others || []) {
    const box = document.createElement("div");
    box.className = "placeholder";
    box.item = other;
    Object.assign(box.style, { left: other.x + "px", top: other.y + "px", width: Math.max(other.w, 4) + "px",
                               height: Math.max(other.h, 4) + "px" });
    box.title = other.module + "!" + other.name + ": " + (other.why || "a gauge of another module");
    box.addEventListener("pointermove", (event) => inspect(other, event));
    box.addEventListener("pointerdown", (event) => {
      if (!page.editing || event.button !== 0) return;
      event.preventDefault();
      startDrag(event, { kind: "gauge", item: other, element: box });
    });
    panel.append(box);
    page.others.push(box);
  }
  for (const gauge of layout.gauges) {
    let canvas = page.canvases[gauge.id];
    if (!canvas || canvas.width !== gauge.w || canvas.height !== gauge.h) {
      canvas = document.createElement("canvas");
      canvas.className = "gauge";
      canvas.dataset.id = gauge.id;
      canvas.dataset.name = gauge.name;
      canvas.dataset.v = "0";
      canvas.width = gauge.w;
      canvas.height = gauge.h;
      canvas.queue = Promise.resolve();
      wireGauge(canvas);
      page.canvases[gauge.id] = canvas;
    }
    canvas.gauge = gauge;
    canvas.classList.remove("hl", "chosen");
    Object.assign(canvas.style, { left: gauge.x + "px", top: gauge.y + "px" });
    panel.append(canvas);
    page.gauges[gauge.id] = canvas;
  }
  panel.addEventListener("pointermove", pointerAt);
  showWindowList(layout);
  showGaugeList();
  showAddChoices(layout);
  const select = $("trace-gauge"), chosen = select.value;
  const names = [...new Set(layout.gauges.map((g) => g.name))].sort();
  select.replaceChildren(new Option("all", ""), ...names.map((n) => new Option(n, n)));
  select.value = names.includes(chosen) ? chosen : "";
  if (layout.kind) $("layout-kind").value = layout.kind;
  if (page.chosen) choose(findItem(page.chosen.section, page.chosen.key));
  applyView();
  highlightFinding();
}

function showWindowList(layout) {
  const list = $("windows");
  list.replaceChildren();
  for (const w of layout.windows) {
    const item = document.createElement("li");
    const box = document.createElement("input");
    box.type = "checkbox";
    box.checked = w.open;
    box.dataset.ident = w.ident;
    box.addEventListener("change", () => post("window", { ident: w.ident, action: box.checked ? "open" : "close" }));
    const label = document.createElement("label");
    label.append(box, " " + w.title);
    item.append(label);
    list.append(item);
  }
}

// Every gauge of the open windows, this module's and the placeholders, by file line.
function allItems() {
  if (!page.layout) return [];
  return [...page.layout.gauges, ...(page.layout.others || [])].sort((a, b) => (a.line || 0) - (b.line || 0));
}

function elementOf(item) {
  if (!item) return null;
  if (page.gauges[item.id] && page.gauges[item.id].gauge === item) return page.gauges[item.id];
  return (page.others || []).find((b) => b.item === item) || null;
}

function findItem(section, key) {
  return allItems().find((g) => g.section === section && g.key === key) || null;
}

function showGaugeList() {
  const filter = $("gauge-filter").value.toLowerCase();
  const rows = allItems().filter((g) => {
    const text = [g.name, g.module, g.key, g.section, (openArea(g.window) || {}).title].join(" ").toLowerCase();
    return !filter || text.includes(filter);
  }).map((g) => {
    const row = document.createElement("li");
    row.textContent = (g.key ? g.key + " " : "") + g.name + (g.line ? " · line " + g.line : "") +
                      (g.module && g.module.toLowerCase() !== "tarvolen_instr" ? " · " + g.module : "");
    row.item = g;
    row.addEventListener("click", () => {
      choose(g);
      const element = elementOf(g);
      if (element) element.scrollIntoView({ block: "nearest", inline: "nearest" });
    });
    row.addEventListener("pointerenter", () => { $("inspect").textContent = describe(g); });
    return row;
  });
  $("gauge-list").replaceChildren(...rows);
}

// The chosen gauge: outlined, listed, the one the edit keys move.
function choose(item) {
  for (const element of document.querySelectorAll("#panel .chosen")) element.classList.remove("chosen");
  page.chosen = item ? { section: item.section, key: item.key, item } : null;
  const element = elementOf(item);
  if (element) element.classList.add("chosen");
  for (const row of $("gauge-list").children) row.classList.toggle("on", row.item === item);
  $("selected").textContent = item ? describe(item) : "choose a gauge";
  $("remove").disabled = !item || !item.key;
  if (item) $("inspect").textContent = describe(item);
  placeHandle();
}

// ---------------------------------------------------------------------------------------
// Edit mode: drags, the resize handle and the arrow keys ask the server to rewrite the
// gauge's line; the new layout comes back when the server has read the file again.

let drag = null;

function startDrag(event, what) {
  if (what.kind === "gauge") choose(what.item);
  const element = what.element;
  element.setPointerCapture(event.pointerId);
  drag = { ...what, x0: event.clientX, y0: event.clientY, left: parseFloat(element.style.left),
           top: parseFloat(element.style.top), width: parseFloat(element.style.width || element.width),
           height: parseFloat(element.style.height || element.height), moved: false, pointer: event.pointerId };
  const move = (e) => dragMove(e);
  const end = (e) => {
    element.removeEventListener("pointermove", move);
    element.removeEventListener("pointerup", end);
    element.removeEventListener("pointercancel", end);
    dragEnd(e);
  };
  element.addEventListener("pointermove", move);
  element.addEventListener("pointerup", end);
  element.addEventListener("pointercancel", end);
}

function dragDelta(event) {
  return { x: (event.clientX - drag.x0) / page.zoom, y: (event.clientY - drag.y0) / page.zoom };
}

function dragMove(event) {
  if (!drag) return;
  const d = dragDelta(event);
  if (Math.abs(d.x) + Math.abs(d.y) > 0) drag.moved = true;
  if (drag.kind === "resize") {
    let w = Math.max(4, drag.width + d.x), h = Math.max(4, drag.height + d.y);
    if (!event.shiftKey) {
      const k = Math.max(w / drag.width, h / drag.height);
      w = drag.width * k;
      h = drag.height * k;
    }
    drag.target.style.width = w + "px";
    drag.target.style.height = h + "px";
    drag.size = { w, h };
  } else {
    drag.element.style.left = drag.left + d.x + "px";
    drag.element.style.top = (drag.kind === "window" ? drag.top : drag.top) + d.y + "px";
  }
  placeHandle();
}

async function dragEnd(event) {
  const done = drag;
  drag = null;
  if (!done || !done.moved) return;
  const d = { x: (event.clientX - done.x0) / page.zoom, y: (event.clientY - done.y0) / page.zoom };
  if (done.kind === "window") return moveWindow(done.item, d);
  const item = done.item;
  const s = unitScale(openArea(item.window));
  if (done.kind === "resize") {
    const uw = Math.max(1, Math.round(done.size.w / s.x)), uh = Math.max(1, Math.round(done.size.h / s.y));
    return edit(item, { w: uw, h: uh });
  }
  return edit(item, { x: item.u[0] + Math.round(d.x / s.x), y: item.u[1] + Math.round(d.y / s.y) });
}

// A window of the screen layout: its window_pos as fractions of the screen.
function moveWindow(area, d) {
  const screen = page.layout.screen;
  if (!screen || !area.section) return;
  const fx = Math.max(0, (area.x + d.x) / screen[0]), fy = Math.max(0, (area.y + d.y) / screen[1]);
  editFields({ section: area.section, key: "window", x: fx.toFixed(4), y: fy.toFixed(4) });
}

function edit(item, values) {
  if (!item.key || !item.section) return say("this gauge has no line of the panel.cfg to change");
  const fields = { section: item.section, key: item.key };
  for (const [k, v] of Object.entries(values)) fields[k] = String(v);
  return editFields(fields);
}

async function editFields(fields, what = "edit") {
  if (page.file) fields.version = page.file.version;
  const answer = await post(what, fields);
  if (answer.ok) {
    const result = JSON.parse(answer.text);
    page.file = Object.assign({}, page.file, { version: result.version });
    showFile();
    say((result.number ? "line " + result.number + ": " : "") + (result.line || "written"));
  } else if (answer.status === 409) {
    say(answer.text.trim() + " — the page reloads");
    setTimeout(() => location.reload(), 1500);
  } else if (page.layout) {
    showLayout(page.layout);  // the gauge back where the file has it
  }
  return answer.ok;
}

function showFile() {
  const file = page.file;
  $("file-version").textContent = file ? file.path + " · version " + file.version : "";
  $("undo").disabled = !file || file.undo === false;
  $("redo").disabled = !file || file.redo === false;
}

// The resize handle at the chosen gauge's lower right corner.
function placeHandle() {
  let handle = $("handle");
  const element = page.chosen && elementOf(page.chosen.item);
  if (!page.editing || !element || !element.isConnected) {
    if (handle) handle.remove();
    return;
  }
  if (!handle) {
    handle = document.createElement("div");
    handle.id = "handle";
    handle.className = "handle";
    handle.addEventListener("pointerdown", (event) => {
      event.preventDefault();
      event.stopPropagation();
      const target = elementOf(page.chosen.item);
      startDrag(event, { kind: "resize", item: page.chosen.item, element: handle, target });
      drag.width = target.getBoundingClientRect().width / page.zoom;
      drag.height = target.getBoundingClientRect().height / page.zoom;
    });
  }
  const left = parseFloat(element.style.left), top = parseFloat(element.style.top);
  const width = parseFloat(element.style.width || element.width), height = parseFloat(element.style.height || element.height);
  const size = 12 / page.zoom;
  Object.assign(handle.style, { left: left + width - size / 2 + "px", top: top + height - size / 2 + "px",
                                width: size + "px", height: size + "px" });
  $("panel").append(handle);
}

function nudge(event) {
  if (!page.editing || !page.chosen || !page.chosen.item.u) return;
  if (event.target.closest("input, select, textarea")) return;
  const step = event.shiftKey ? 10 : 1;
  const moves = { ArrowLeft: [-step, 0], ArrowRight: [step, 0], ArrowUp: [0, -step], ArrowDown: [0, step] };
  const move = moves[event.key];
  if (move) {
    event.preventDefault();
    const u = page.chosen.item.u;
    u[0] += move[0];
    u[1] += move[1];
    edit(page.chosen.item, { x: u[0], y: u[1] });
  } else if (event.key === "Delete") {
    event.preventDefault();
    removeChosen();
  }
}

function removeChosen() {
  const item = page.chosen && page.chosen.item;
  if (!item || !item.key) return;
  editFields({ section: item.section, key: item.key }, "remove");
  choose(null);
}

function showAddChoices(layout) {
  const names = layout.names || [];
  const select = $("add-name"), kept = select.value;
  if (select.options.length !== names.length) select.replaceChildren(...names.map((n) => new Option(n, n)));
  if (names.includes(kept)) select.value = kept;
  const windows = $("add-window"), keptWindow = windows.value;
  windows.replaceChildren(...layout.open.filter((a) => a.section).map((a) => new Option(a.title || a.section, a.section)));
  if ([...windows.options].some((o) => o.value === keptWindow)) windows.value = keptWindow;
}

function addGauge(event) {
  event.preventDefault();
  const section = $("add-window").value, name = $("add-name").value;
  const area = page.layout.open.find((a) => a.section === section);
  if (!area || !name) return;
  const s = unitScale(area);
  editFields({ section, gauge: "Tarvolen_Instr!" + name, x: Math.round(area.w / s.x / 4),
               y: Math.round(area.h / s.y / 4) }, "add");
}

// ---------------------------------------------------------------------------------------
// Findings: each with its FILE:LINE; choosing one outlines its gauge or window.

function showFindings(message) {
  page.findings = message.findings;
  $("findings-count").textContent = message.findings.length ? "(" + message.findings.length + ")" : "(none)";
  const rows = message.findings.map((f, i) => {
    const row = document.createElement("li");
    row.className = f.level;
    row.textContent = f.text;
    row.dataset.index = i;
    row.addEventListener("click", () => {
      page.chosenFinding = page.chosenFinding === i ? null : i;
      highlightFinding();
    });
    return row;
  });
  if (message.reading) rows.unshift(Object.assign(document.createElement("li"), { className: "error",
                                                                                    textContent: message.reading }));
  $("findings").replaceChildren(...rows);
  highlightFinding();
}

function highlightFinding() {
  for (const element of document.querySelectorAll("#panel .hl")) element.classList.remove("hl");
  for (const row of $("findings").children) row.classList.toggle("on", Number(row.dataset.index) === page.chosenFinding);
  const f = page.findings[page.chosenFinding];
  if (!f || !page.layout) return;
  let element = null;
  if (f.gauge >= 0) {
    const item = allItems().find((g) => g.index === f.window && g.gauge === f.gauge);
    element = elementOf(item);
  }
  if (!element && f.window >= 0) {
    const area = page.layout.open.find((a) => a.index === f.window);
    if (area) element = page.windows[area.ident];
    else say("window " + f.window + " is not open: open it from the list to see it");
  }
  if (element) {
    element.classList.add("hl");
    element.scrollIntoView({ block: "nearest", inline: "nearest" });
  }
}

// The newest picture of each gauge and window, kept for a new layout's images.
function keepPicture(key, img, message) {
  const kept = page.pictures[key];
  if (!kept || kept.v <= message.v) page.pictures[key] = message;
  showPicture(img, page.pictures[key]);
}

function pngBlob(base64) {
  const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
  return new Blob([bytes], { type: "image/png" });
}

// A patch of raw pixels goes on the canvas at once; a PNG waits for the browser's decoder,
// and what comes after it for the same gauge waits behind it, so versions apply in order.
function showGauge(message) {
  const canvas = page.canvases[message.id];
  if (!canvas) return;
  // Behind a decode, whether it fits is known once the pictures before it are on.
  if (!canvas.decoding) {
    if (!fits(canvas, message)) return;
    if (message.rgba) return paintGauge(canvas, message, rawPixels(message));
  }
  canvas.decoding = (canvas.decoding || 0) + 1;
  canvas.queue = canvas.queue.then(async () => {
    if (!fits(canvas, message)) return;
    paintGauge(canvas, message, message.rgba ? rawPixels(message) : await createImageBitmap(pngBlob(message.png)));
  }).catch(() => {}).finally(() => { canvas.decoding -= 1; });
}

// Whether the picture follows what the canvas shows: a whole one newer, a patch the next.
function fits(canvas, message) {
  const have = Number(canvas.dataset.v);
  return message.whole ? message.v > have : message.v === have + 1;
}

function rawPixels(message) {
  const text = atob(message.rgba);
  const bytes = new Uint8ClampedArray(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return new ImageData(bytes, message.w, message.h);
}

function paintGauge(canvas, message, picture) {
  if (!fits(canvas, message)) return;
  const context = canvas.getContext("2d");
  if (picture instanceof ImageData) {
    context.putImageData(picture, message.x, message.y);
  } else {
    context.clearRect(message.x, message.y, picture.width, picture.height);
    context.drawImage(picture, message.x, message.y);
  }
  canvas.dataset.v = message.v;
  page.paints.push({ id: message.id, v: message.v, t: performance.now() });
  if (page.paints.length > 500) page.paints.splice(0, 250);
}

function showPicture(img, message) {
  if (!img || !message || Number(img.dataset.v || 0) >= message.v) return;
  img.src = "data:image/png;base64," + message.png;
  img.dataset.v = message.v;
}

// ---------------------------------------------------------------------------------------
// The side panels.

function showState(state) {
  page.state = state;
  $("play").classList.toggle("on", state.playing);
  $("pause").classList.toggle("on", !state.playing);
  $("speed").value = String(state.speed);
  $("night").checked = state.night;
  $("clock").textContent = state.time.toFixed(1) + " s";
  $("scenario").textContent = state.scenario
    ? state.scenario.source + ": line " + state.scenario.line + " of " + state.scenario.lines +
      (state.scenario.done ? " (done)" : "")
    : "the simulated aircraft";
  $("notes").replaceChildren(...state.notes.map((n) => Object.assign(document.createElement("li"),
                                                                       { textContent: n })));
}

function showVars(vars) {
  page.vars = vars;
  const names = $("var-names");
  if (names.options.length !== vars.length)
    names.replaceChildren(...vars.map((v) => new Option(v.unit, v.name)));
  const filter = $("var-filter").value.toLowerCase();
  const rows = vars.filter((v) => !filter || v.name.toLowerCase().includes(filter)).map((v) => {
    const row = document.createElement("tr");
    const value = v.kind === "u32" ? "0x" + Math.round(v.value).toString(16).toUpperCase() : v.value;
    row.innerHTML = "<td></td><td class=value></td><td></td>";
    row.cells[0].textContent = v.name;
    row.cells[1].textContent = value;
    row.cells[2].textContent = v.unit;
    row.addEventListener("click", () => {
      $("var-name").value = v.name;
      $("var-value").value = value;
      $("var-unit").textContent = v.unit;
    });
    return row;
  });
  $("vars").tBodies[0].replaceChildren(...rows);
}

let traceLines = [];
function appendTrace(lines) {
  traceLines.push(...lines.map((l) => l.seq + " " + JSON.stringify(l.call)));
  if (traceLines.length > TRACE_KEPT) traceLines = traceLines.slice(-TRACE_KEPT);
  const box = $("trace");
  box.textContent = traceLines.join("\n");
  // Scrolled as the page next draws: asking the height now would lay the page out at once.
  requestAnimationFrame(() => { box.scrollTop = box.scrollHeight; });
}

function clearTrace() {
  traceLines = [];
  $("trace").textContent = "";
}

// The trace: pushed over the socket where the server does, else fetched on notice.
let traceBusy = false;
async function fetchTrace() {
  if (traceBusy || !$("trace-on").checked || page.traceShown >= page.traceLast) return;
  traceBusy = true;
  const gauge = $("trace-gauge").value;
  try {
    const answer = await fetch("api/trace?" + new URLSearchParams({ after: page.traceShown, gauge }));
    if (answer.ok) {
      const found = await answer.json();
      appendTrace(found.lines);
      page.traceShown = found.last;
    }
  } finally {
    traceBusy = false;
  }
  if (page.traceShown < page.traceLast) fetchTrace();
}

// Over the socket: one request at a time for the lines after the last shown.
let traceAsked = false;
function traceFilter() {
  if (!page.socketInput || !socket || socket.readyState !== WebSocket.OPEN) return fetchTrace();
  if (traceAsked || !$("trace-on").checked || page.traceShown >= page.traceLast) return;
  traceAsked = true;
  socket.send("trace?" + new URLSearchParams({ gauge: $("trace-gauge").value, after: page.traceShown }).toString());
}

function heardClick(message) {
  page.clicksHeard += message.count;
  $("clicks").textContent = message.total + (message.total === 1 ? " click" : " clicks");
  if ($("mute").checked) return;
  const sound = clickSound.cloneNode();
  sound.play().then(() => { page.clicksPlayed += 1; }, () => {});
}

// ---------------------------------------------------------------------------------------
// The connection.

function handle(message) {
  switch (message.type) {
    case "hello": page.socketInput = !!message.input; traceFilter(); break;
    case "layout": showLayout(message); break;
    case "window": keepPicture("w" + message.ident, page.windows[message.ident], message); break;
    case "gauge": showGauge(message); break;
    case "state": showState(message); break;
    case "vars": showVars(message.vars); break;
    case "click": heardClick(message); break;
    case "trace": page.traceLast = message.last; traceFilter(); break;
    case "trace-lines":
      traceAsked = false;
      if ($("trace-on").checked) appendTrace(message.lines);
      page.traceShown = message.last;
      traceFilter();
      break;
    case "findings": showFindings(message); break;
    case "file": page.file = message; showFile(); break;
    case "reload": page.reloads += 1; page.reloadedAt = performance.now(); say(message.text || ""); break;
    case "refused": say(message.text.trim()); break;
  }
}

function connect() {
  socket = new WebSocket((location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/ws");
  const mine = socket;
  // A handshake that hangs (a server going down as it answers) is given up and tried again.
  const giveUp = setTimeout(() => mine.close(), CONNECT_TIMEOUT_MS);
  mine.onopen = () => {
    clearTimeout(giveUp);
    page.pictures = {};  // a restarted server counts its versions afresh
    page.canvases = {};
    page.connected = true;
    page.connects += 1;
    page.socketInput = false;
    traceAsked = false;
    $("connection").textContent = "live";
    $("connection").className = "up";
    page.traceShown = 0;
    clearTrace();
  };
  mine.onmessage = (event) => {
    const messages = JSON.parse(event.data);
    // The gauges' pictures first (a click's answer), the lists and the trace after them;
    // in order when a new layout comes, whose canvases the pictures need.
    const first = messages.some((m) => m.type === "layout") ? [] : messages.filter((m) => m.type === "gauge");
    for (const message of first) handle(message);
    for (const message of messages) if (!first.includes(message)) handle(message);
  };
  mine.onclose = () => {
    clearTimeout(giveUp);
    page.connected = false;
    page.socketInput = false;
    $("connection").textContent = "reconnecting…";
    $("connection").className = "down";
    setTimeout(connect, 1000);
  };
}

$("play").addEventListener("click", () => post("flight", { action: "play" }));
$("pause").addEventListener("click", () => post("flight", { action: "pause" }));
$("step").addEventListener("click", () => post("flight", { action: "step" }));
$("speed").addEventListener("change", () => post("flight", { speed: $("speed").value }));
$("night").addEventListener("change", () => post("night", { on: $("night").checked ? 1 : 0 }));
$("layout-kind").addEventListener("change", () => {
  keepView({ layout: $("layout-kind").value });
  post("layout", { kind: $("layout-kind").value });
});
$("zoom-fit").addEventListener("click", () => keepView({ zoom: "fit" }));
$("zoom-100").addEventListener("click", () => keepView({ zoom: "1" }));
$("zoom-touch").addEventListener("click", () => keepView({ zoom: "touch" }));
$("zoom-in").addEventListener("click", () => zoomBy(1));
$("zoom-out").addEventListener("click", () => zoomBy(-1));
$("fold").addEventListener("click", () => keepView({ side: viewOptions().side ? "0" : null }));
$("edit").addEventListener("click", () => keepView({ edit: page.editing ? null : "1" }));
$("undo").addEventListener("click", () => editFields({}, "undo"));
$("redo").addEventListener("click", () => editFields({}, "redo"));
$("remove").addEventListener("click", removeChosen);
$("add-gauge").addEventListener("submit", addGauge);
$("gauge-filter").addEventListener("input", showGaugeList);
document.addEventListener("keydown", (event) => {
  if (page.editing && (event.ctrlKey || event.metaKey) && !event.target.closest("input, select, textarea")) {
    if (event.key === "z" && !event.shiftKey) return event.preventDefault(), editFields({}, "undo");
    if (event.key === "y" || (event.key === "Z" && event.shiftKey)) return event.preventDefault(), editFields({}, "redo");
  }
  nudge(event);
});
window.addEventListener("resize", applyView);
window.addEventListener("pointerdown", noticeTouch, { capture: true, passive: true });
matchMedia("(pointer: coarse)").addEventListener("change", applyView);
wireSplitter();
window.addEventListener("hashchange", applyView);
$("mute").checked = localStorage.getItem("mute") === "1";
$("mute").addEventListener("change", () => localStorage.setItem("mute", $("mute").checked ? "1" : "0"));
$("var-filter").addEventListener("input", () => showVars(page.vars));
$("var-name").addEventListener("change", () => {
  const v = page.vars.find((x) => x.name === $("var-name").value);
  $("var-unit").textContent = v ? v.unit : "";
});
$("set-var").addEventListener("submit", (event) => {
  event.preventDefault();
  post("var", { name: $("var-name").value, value: $("var-value").value });
});
$("trace-gauge").addEventListener("change", () => {
  page.traceShown = 0;
  clearTrace();
  traceFilter();
});
$("trace-on").addEventListener("change", traceFilter);
if (viewOptions().layout) post("layout", { kind: viewOptions().layout });
applyView();
connect();
