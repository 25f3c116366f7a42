// rm740-bridge's page: every projector live over a WebSocket, and a
// projector's panel built from the bridge's button table.
"use strict";

const state = { projectors: new Map(), panel: null, token: "", selected: null, socket: null, held: null };
const arrows = { up: "\u25B2", down: "\u25BC", left: "\u25C0", right: "\u25B6" };

function el(tag, props = {}, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(props)) {
    if (key === "dataset") Object.assign(node.dataset, value);
    else if (key.startsWith("aria-") || key === "role" || key === "for") node.setAttribute(key, value);
    else node[key] = value;
  }
  node.append(...children);
  return node;
}

async function getJson(path) {
  const response = await fetch(path, { credentials: "same-origin" });
  if (!response.ok) throw new Error(`${path}: ${response.status}`);
  return response.json();
}

function say(id, text) { document.getElementById(id).textContent = text; }

function timeOf(iso) { return iso ? new Date(iso).toLocaleTimeString() : "never"; }

function problemOf(p) {
  if (p.problem === "port lost") return "Port lost";
  if (p.problem === "no answer") return "Not answering";
  return "";
}

const columns = ["Power", "Input", "Mutes", "Lamp", "Errors", "Last answer"];

// A row is made once and its cells filled again on each change, so a button
// under the pointer or the focus survives the updates.
function createRow(p) {
  const open = el("button", { type: "button", "aria-label": `Open the panel of ${p.name}`, textContent: p.name });
  open.addEventListener("click", () => select(p.id));
  return el("tr", { id: `projector-${p.id}` }, el("td", { dataset: { label: "Projector" } }, open),
    ...columns.map((label) => el("td", { dataset: { label } })));
}

// The mutes known to be on; "none" only when both are known to be off.
function mutesOf(p) {
  const on = [p.videoMuted && "video", p.audioMuted && "audio"].filter(Boolean).join(", ");
  if (p.videoMuted == null || p.audioMuted == null) return on ? `${on}, the other unknown` : "unknown";
  return on || "none";
}

function lampOf(p) { return p.lampHours === undefined ? "unknown" : `${p.lampHours} h${p.lamp ? ", " + p.lamp : ""}`; }

// The selected projector's state above its panel, and its buttons pressed as far as it is known.
function showSelected(p) {
  const problem = problemOf(p);
  say("panel-state", `Power: ${p.power ?? "unknown"} \u00B7 Input: ${p.input ?? "unknown"} \u00B7 Mutes: ${mutesOf(p)}`
    + ` \u00B7 Lamp: ${lampOf(p)}${problem ? " \u00B7 \u26A0 " + problem : ""}`);
  for (const button of document.querySelectorAll("#groups button[aria-pressed]"))
    button.setAttribute("aria-pressed", String((p.pressed ?? []).includes(button.dataset.name)));
}

function fillRow(row, p) {
  const problem = problemOf(p);
  const mutes = mutesOf(p);
  const lamp = lampOf(p);
  const texts = [p.power ?? "unknown", p.input ?? "unknown", mutes, lamp,
    p.errors.length ? p.errors.join(", ") : "none", timeOf(p.lastAnswer)];
  const cells = row.querySelectorAll("td");
  texts.forEach((text, i) => { cells[i + 1].textContent = text; });
  if (problem) cells[1].append(" ", el("span", { className: "mark", textContent: `\u26A0 ${problem}` }));
  row.className = problem ? "unreachable" : "";
  row.dataset.power = p.power ?? "";
  row.dataset.reachable = String(p.reachable);
}

function renderList() {
  const rows = [...state.projectors.values()].map((p) => { const row = createRow(p); fillRow(row, p); return row; });
  document.querySelector("#projectors tbody").replaceChildren(...rows);
}

function updateProjector(p) {
  state.projectors.set(p.id, p);
  let row = document.getElementById(`projector-${p.id}`);
  if (!row) {
    row = createRow(p);
    document.querySelector("#projectors tbody").append(row);
  }
  fillRow(row, p);
  if (state.selected === p.id) {
    renderMonitor(p);
    showSelected(p);
  }
}

function renderMonitor(p) {
  const items = p.exchanges.slice().reverse().map((x) =>
    el("li", { textContent: `${timeOf(x.at)}  ${x.command}\nTxD:${x.txd}\nRxD:${x.rxd}${x.status ? "\n" + x.status : ""}` }));
  document.getElementById("monitor").replaceChildren(...items);
}

async function send(name, label) {
  say("outcome", `${label}: sending…`);
  try {
    const response = await fetch(`api/projectors/${state.selected}/command`, {
      method: "POST", credentials: "same-origin",
      headers: { "Content-Type": "application/json" }, body: JSON.stringify({ button: name }),
    });
    const answer = await response.json();
    say("outcome", `${label}: ${answer.outcome ?? answer.error}`);
  } catch (error) {
    say("outcome", `${label}: ${error.message}`);
  }
}

function holdStart(button, name) {
  if (state.held || !state.socket || state.socket.readyState !== WebSocket.OPEN) return;
  state.held = button;
  button.classList.add("held");
  state.socket.send(JSON.stringify({ hold: "start", projector: state.selected, button: name }));
  // The bridge ends a hold it stops hearing about (a phone gone to sleep).
  state.still = setInterval(() => {
    if (state.socket.readyState === WebSocket.OPEN) state.socket.send(JSON.stringify({ hold: "still" }));
  }, 250);
}

function holdStop() {
  if (!state.held) return;
  clearInterval(state.still);
  state.held.classList.remove("held");
  state.held = null;
  if (state.socket && state.socket.readyState === WebSocket.OPEN) state.socket.send(JSON.stringify({ hold: "stop" }));
}

function makeButton(b) {
  const text = b.arrow ? arrows[b.arrow] : b.caption || b.label;
  const button = el("button", { type: "button", textContent: text, "aria-label": b.label, id: `button-${b.name}` });
  if (b.colour) button.style.background = b.colour;
  if (b.toggle) {
    button.dataset.name = b.name;
    button.setAttribute("aria-pressed", "false");
  }
  if (!b.hold) {
    button.addEventListener("click", () => send(b.name, b.label));
    return button;
  }
  button.addEventListener("pointerdown", (event) => { button.setPointerCapture(event.pointerId); holdStart(button, b.name); });
  // Only this button's own release ends its hold (the last one's blur comes after this press).
  const release = () => { if (state.held === button) holdStop(); };
  for (const type of ["pointerup", "pointercancel", "lostpointercapture", "blur"]) button.addEventListener(type, release);
  button.addEventListener("keydown", (event) => {
    if ((event.key === " " || event.key === "Enter") && !event.repeat) { event.preventDefault(); holdStart(button, b.name); }
  });
  button.addEventListener("keyup", (event) => { if (event.key === " " || event.key === "Enter") release(); });
  button.addEventListener("contextmenu", (event) => event.preventDefault());
  return button;
}

function renderPanel() {
  const groups = state.panel.groups.map((g) =>
    el("fieldset", { id: `group-${g.name}` }, el("legend", { textContent: g.title }), ...g.buttons.map(makeButton)));
  document.getElementById("groups").replaceChildren(...groups);
}

function select(id) {
  holdStop();
  state.selected = id;
  const p = state.projectors.get(id);
  const section = document.getElementById("panel");
  section.hidden = false;
  say("panel-title", `Panel: ${p.name}`);
  say("outcome", "");
  renderMonitor(p);
  showSelected(p);
  document.getElementById("panel-title").scrollIntoView();
  section.querySelector("button").focus();
}

function connect() {
  const scheme = location.protocol === "https:" ? "wss:" : "ws:";
  const socket = new WebSocket(`${scheme}//${location.host}/ws?token=${encodeURIComponent(state.token)}`);
  state.socket = socket;
  socket.addEventListener("open", () => say("connection", "Live"));
  socket.addEventListener("message", (event) => {
    const message = JSON.parse(event.data);
    if (message.projectors) {
      message.projectors.forEach(updateProjector);
    } else if (message.projector) {
      updateProjector(message.projector);
    }
  });
  socket.addEventListener("close", () => {
    clearInterval(state.still);
    state.held?.classList.remove("held");
    state.held = null;
    say("connection", "Connection lost; trying again…");
    setTimeout(connect, 2000);
  });
}

async function start() {
  try {
    const panel = await getJson("api/panel");
    state.panel = panel;
    state.token = panel.token;
    renderPanel();
    const list = await getJson("api/projectors");
    state.projectors = new Map(list.projectors.map((p) => [p.id, p]));
    renderList();
    connect();
  } catch (error) {
    say("connection", `The bridge did not answer: ${error.message}`);
  }
}

window.addEventListener("pagehide", holdStop);
start();
