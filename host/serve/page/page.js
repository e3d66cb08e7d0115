// The live page: lays out the pictures the server sends (one per window, one per gauge,
// each with a version number), sends clicks and settings as POSTs, and takes what
// changed over one WebSocket, reconnecting by itself when the server goes away.
"use strict";

const CURSOR_INCREASE = 1, CURSOR_DECREASE = 2, CURSOR_BUTTON = 5;
const MOUSE_REPEAT = 0x00200000;
const REPEAT_DELAY_MS = 400, REPEAT_EVERY_MS = 120, TRACE_KEPT = 400, CONNECT_TIMEOUT_MS = 4000;

const $ = (id) => document.getElementById(id);
// What the page shows, also read by the browser test.
const page = {
  connected: false, connects: 0, layout: null, gauges: {}, windows: {}, pictures: {}, canvases: {},
  clicksHeard: 0, clicksPlayed: 0, state: null, vars: [], traceLast: 0, traceShown: 0,
};
window.livePage = page;
const clickSound = new Audio("click.wav");

function say(text) { $("status").textContent = text; }

async function post(what, fields) {
  const query = new URLSearchParams(fields).toString();
  try {
    const answer = await fetch("api/" + what + "?" + query, { method: "POST" });
    if (!answer.ok) say((await answer.text()).trim());
    else say("");
    return answer.ok;
  } catch (error) {
    say("the server does not answer");
    return false;
  }
}

// ---------------------------------------------------------------------------------------
// Pictures and the mouse. Each gauge is a canvas kept across layouts: the server sends
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

function wireGauge(img) {
  img.addEventListener("mousemove", (event) => {
    const gauge = img.gauge;
    const p = facePoint(gauge, img, event);
    const spot = gauge.spots.find((s) => inside(s, p));
    img.style.cursor = cursorFor(spot);
    const help = helpAt(gauge, p);
    img.title = gauge.name + (help ? " · " + (help[5] || "help " + help[4]) : "");
  });
  img.addEventListener("mousedown", (event) => {
    if (event.button !== 0) return;
    event.preventDefault();
    const gauge = img.gauge;
    const p = facePoint(gauge, img, event);
    const spot = gauge.spots.find((s) => inside(s, p));
    const click = () => post("click", { gauge: gauge.id, x: p.x, y: p.y });
    click();
    stopRepeat();
    if (spot && (spot[5] & MOUSE_REPEAT)) {
      const again = () => { click(); repeat = setTimeout(again, REPEAT_EVERY_MS); };
      repeat = setTimeout(again, REPEAT_DELAY_MS);
    }
  });
  img.addEventListener("mouseup", stopRepeat);
  img.addEventListener("mouseleave", stopRepeat);
}

function showLayout(layout) {
  page.layout = layout;
  const panel = $("panel");
  panel.replaceChildren();
  panel.style.width = layout.width + "px";
  panel.style.height = layout.height + "px";
  page.windows = {};
  page.gauges = {};
  for (const area of layout.open) {
    const img = document.createElement("img");
    img.className = "window";
    img.dataset.ident = area.ident;
    Object.assign(img.style, { left: area.x + "px", top: area.y - layout.band + "px", width: area.w + "px",
                               height: area.h + layout.band + "px" });
    panel.append(img);
    page.windows[area.ident] = img;
    showPicture(img, page.pictures["w" + area.ident]);
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
    Object.assign(canvas.style, { left: gauge.x + "px", top: gauge.y + "px" });
    panel.append(canvas);
    page.gauges[gauge.id] = canvas;
  }
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
  const select = $("trace-gauge"), chosen = select.value;
  const names = [...new Set(layout.gauges.map((g) => g.name))].sort();
  select.replaceChildren(new Option("all", ""), ...names.map((n) => new Option(n, n)));
  select.value = names.includes(chosen) ? chosen : "";
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

function showGauge(message) {
  const canvas = page.canvases[message.id];
  if (!canvas) return;
  canvas.queue = canvas.queue.then(async () => {
    const have = Number(canvas.dataset.v);
    if (message.whole ? message.v <= have : message.v !== have + 1) return;  // old, or not ours to patch
    const picture = await createImageBitmap(pngBlob(message.png));
    const context = canvas.getContext("2d");
    context.clearRect(message.x, message.y, picture.width, picture.height);
    context.drawImage(picture, message.x, message.y);
    canvas.dataset.v = message.v;
  }).catch(() => {});
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

let traceBusy = false;
async function fetchTrace() {
  if (traceBusy || !$("trace-on").checked || page.traceShown >= page.traceLast) return;
  traceBusy = true;
  const gauge = $("trace-gauge").value;
  try {
    const answer = await fetch("api/trace?" + new URLSearchParams({ after: page.traceShown, gauge }));
    if (answer.ok) {
      const found = await answer.json();
      const box = $("trace");
      const text = found.lines.map((l) => l.seq + " " + JSON.stringify(l.call)).join("\n");
      if (text) box.textContent = (box.textContent ? box.textContent + "\n" : "") + text;
      const lines = box.textContent.split("\n");
      if (lines.length > TRACE_KEPT) box.textContent = lines.slice(-TRACE_KEPT).join("\n");
      box.scrollTop = box.scrollHeight;
      page.traceShown = found.last;
    }
  } finally {
    traceBusy = false;
  }
  if (page.traceShown < page.traceLast) fetchTrace();
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
    case "layout": showLayout(message); break;
    case "window": keepPicture("w" + message.ident, page.windows[message.ident], message); break;
    case "gauge": showGauge(message); break;
    case "state": showState(message); break;
    case "vars": showVars(message.vars); break;
    case "click": heardClick(message); break;
    case "trace": page.traceLast = message.last; fetchTrace(); break;
  }
}

function connect() {
  const socket = new WebSocket((location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/ws");
  // A handshake that hangs (a server going down as it answers) is given up and tried again.
  const giveUp = setTimeout(() => socket.close(), CONNECT_TIMEOUT_MS);
  socket.onopen = () => {
    clearTimeout(giveUp);
    page.pictures = {};  // a restarted server counts its versions afresh
    page.canvases = {};
    page.connected = true;
    page.connects += 1;
    $("connection").textContent = "live";
    $("connection").className = "up";
    page.traceShown = 0;
    $("trace").textContent = "";
  };
  socket.onmessage = (event) => { for (const message of JSON.parse(event.data)) handle(message); };
  socket.onclose = () => {
    clearTimeout(giveUp);
    page.connected = false;
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
  $("trace").textContent = "";
  fetchTrace();
});
$("trace-on").addEventListener("change", fetchTrace);
connect();
