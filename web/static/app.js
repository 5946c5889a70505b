// The drill page: asks the server for the session's state, shows the
// question, sends answers and shows each word of the feedback by its class.
// Every judgement comes from the server; the page only shows it.
"use strict";

// Each class of the analysis in plain words, shown beside its colour.
const CLASS_LABELS = {
  EXACT: "right",
  MORPH: "wrong form",
  APPROX: "spelling slip",
  PHONO: "sounds right, spelt wrong",
  LEX: "wrong word",
  MISSING: "missing word",
  EXTRA: "extra word",
  ELISION: "missed elision",
};

const $ = (id) => document.getElementById(id);
let offer = { packs: [] };

function el(tag, attrs, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs || {})) {
    if (k === "class") e.className = v; else e.setAttribute(k, v);
  }
  for (const c of children) e.append(c);
  return e;
}

function say(text) {
  const m = $("message");
  m.textContent = text || "";
  m.hidden = !text;
}

async function api(method, path, body) {
  const opts = { method, headers: {}, credentials: "same-origin" };
  if (body !== undefined) {
    opts.headers["Content-Type"] = "application/json";
    opts.body = JSON.stringify(body);
  }
  let res;
  try {
    res = await fetch(path, opts);
  } catch (e) {
    return { status: 0, data: { error: "The server cannot be reached." } };
  }
  let data = {};
  try { data = await res.json(); } catch (e) { data = { error: "The server's reply was unreadable." }; }
  return { status: res.status, data };
}

// ----------------------------------------------------------------- choices

function fillTenses(packId, tenseId) {
  const pack = offer.packs.find((p) => p.id === packId) || offer.packs[0];
  const sel = $("tense");
  sel.replaceChildren(...(pack ? pack.tenses : []).map((t) => el("option", { value: t.id }, t.label)));
  if (tenseId) sel.value = tenseId;
}

function fillChoices(state) {
  $("pack").replaceChildren(...offer.packs.map((p) => el("option", { value: p.id }, p.label)));
  if (state && state.pack) $("pack").value = state.pack;
  fillTenses($("pack").value, state && state.tense);
}

function fillAccents(letters) {
  const row = $("accents");
  row.replaceChildren(...(letters || []).map((l) => {
    const b = el("button", { type: "button", "aria-label": "Type " + l }, l);
    b.addEventListener("click", () => typeLetter(l));
    return b;
  }));
}

function typeLetter(letter) {
  const a = $("answer");
  const start = a.selectionStart ?? a.value.length;
  const end = a.selectionEnd ?? a.value.length;
  a.value = a.value.slice(0, start) + letter + a.value.slice(end);
  a.focus();
  a.setSelectionRange(start + letter.length, start + letter.length);
}

// ----------------------------------------------------------------- showing

function showFeedback(last) {
  const box = $("feedback");
  if (!last) { box.replaceChildren(); return; }
  const parts = [];
  const right = !!last.correct;
  parts.push(el("p", { class: right ? "verdict-right" : "verdict-wrong" },
    (last.question ? last.question + ": " : "") + (right ? "Right!" : "Not quite.")));
  const list = el("ul");
  for (const w of last.words || []) {
    const cls = String(w.class || "");
    const label = CLASS_LABELS[cls] || cls.toLowerCase();
    const item = el("li", { class: "word w-" + cls.replace(/[^A-Z]/g, ""), "data-class": cls },
      el("span", { class: "tag" }, label));
    const typed = w.response || "(nothing)";
    item.append(" " + typed);
    if (cls !== "EXACT" && w.expected) item.append(" \u2192 " + w.expected);
    if (w.detail) item.append(" ", el("span", { class: "detail" }, "(" + w.detail + ")"));
    list.append(item);
  }
  parts.push(list);
  if (last.feedback && !right) parts.push(el("p", { class: "explain" }, last.feedback));
  if (!right && last.expected) {
    parts.push(el("p", {}, "Expected: ", el("span", { class: "expected" }, last.expected)));
  }
  box.replaceChildren(...parts);
}

function showSummary(summary) {
  const box = $("summary");
  if (summary === null || summary === undefined) { box.hidden = true; box.replaceChildren(); return; }
  const describe = (v) => {
    if (v !== null && typeof v === "object") {
      const dl = el("dl");
      for (const [k, x] of Object.entries(v)) dl.append(el("dt", {}, k.replace(/_/g, " ")), el("dd", {}, describe(x)));
      return dl;
    }
    return String(v);
  };
  // The drill's own lines where it gives them, else every field.
  const body = Array.isArray(summary.text) ? el("ul", {}, ...summary.text.map((t) => el("li", {}, String(t))))
    : describe(summary);
  box.replaceChildren(el("h2", {}, "Summary"), body,
    el("p", {}, "Choose a language and tense above to start again."));
  box.hidden = false;
}

function render(state) {
  if (!state || state.pack === undefined) return;
  fillChoices(state);
  fillAccents(state.letters);
  const q = state.question;
  $("question").textContent = q ? q.question : "";
  $("number").textContent = q && q.n ? "question " + q.n : "";
  $("drill").classList.toggle("ended", !q);
  $("answer").disabled = !q;
  $("check").disabled = !q;
  $("finish").disabled = !state.running;
  const s = state.score || { right: 0, answered: 0 };
  $("score").textContent = "Score: " + s.right + " right of " + s.answered + " answered";
  showFeedback(state.last);
  showSummary(state.summary);
  if (state.fault) say(state.fault + " Start a new drill to go on.");
}

function problem(r) {
  const d = r.data || {};
  if (d.error === "busy") return d.message || "The server is busy: please try again in a few minutes.";
  return d.refused || d.error || d.fault || "Something went wrong (" + r.status + ").";
}

// ----------------------------------------------------------------- actions

async function submitAnswer(ev) {
  ev.preventDefault();
  const a = $("answer");
  const text = a.value.trim();
  if (!text) { say("Type an answer first."); a.focus(); return; }
  a.disabled = true;
  const r = await api("POST", "/api/answer", { answer: text });
  a.disabled = false;
  if (r.status === 200) {
    say(r.data.notice || "");
    a.value = "";
    render(r.data);
  } else {
    // A refused answer stays in the box to be corrected.
    say(problem(r));
    if (r.data && r.data.pack !== undefined) {
      const keep = a.value;
      render(r.data);
      a.value = keep;
    }
  }
  a.focus();
}

async function start(ev) {
  ev.preventDefault();
  say("");
  const r = await api("POST", "/api/start", { pack: $("pack").value, tense: $("tense").value });
  if (r.status !== 200) say(problem(r));
  render(r.data);
  $("answer").focus();
}

async function finish() {
  const r = await api("POST", "/api/end");
  if (r.status !== 200) say(problem(r));
  render(r.data);
  $("summary").focus && $("summary").scrollIntoView();
}

async function init() {
  $("answering").addEventListener("submit", submitAnswer);
  $("choose").addEventListener("submit", start);
  $("pack").addEventListener("change", () => fillTenses($("pack").value));
  $("finish").addEventListener("click", finish);
  const o = await api("GET", "/api/options");
  if (o.status === 200) offer = o.data;
  fillChoices(null);
  const r = await api("GET", "/api/state");
  if (r.status !== 200) say(problem(r));
  render(r.data);
  $("answer").focus();
  document.body.dataset.ready = "1";
}

init();
