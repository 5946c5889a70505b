// The drill page in Debian's chromium, driven by playwright-core: three
// answers (right, wrong person, misspelt) with their classes and the score
// shown, accents, a refused character, two learners at once, a reload, and
// the summary. Prints "N passed, N failed".
//   node browser_test.js KEL_WEB DRILL ANSWERS.json [PACKS]
// ANSWERS.json names the drill's seed and either lists, for each question
// the drill asks with that seed, the answer and the classes it must get, or
// says "mirror": then a second drill on the same seed, fed the same answers,
// gives each expected answer and the classes the page must show, and the
// wrong-person form comes from verbiste's conjugator.
"use strict";
const { chromium } = require("playwright-core");
const { spawn, execFileSync } = require("child_process");
const readline = require("readline");
const fs = require("fs");
const os = require("os");
const path = require("path");

const [kelweb, drill, answersFile, packs] = process.argv.slice(2);
const plan = JSON.parse(fs.readFileSync(answersFile, "utf8"));
const DEADLINE_MS = 90000;              // the whole run, at most
const STEP_MS = 15000;                  // one wait for the page, at most

let passed = 0, failed = 0;
function check(ok, what) {
  if (ok) passed++; else failed++;
  console.log((ok ? "ok   " : "FAIL ") + what);
}

function startServer() {
  return new Promise((resolve, reject) => {
    const args = ["--port", "0", "--drill", drill, "--seed", String(plan.seed)];
    if (packs) args.push("--packs", packs);
    const srv = spawn(kelweb, args,
      { stdio: ["ignore", "pipe", "inherit"] });
    srv.stdout.setEncoding("utf8");
    srv.stdout.once("data", (line) => {
      const m = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(line);
      m ? resolve({ srv, url: m[0] }) : reject(new Error("no address: " + line));
    });
    srv.once("exit", (code) => reject(new Error("kel-web ended: " + code)));
  });
}

// A drill run beside the server's, on the same arguments and answers.
function mirror() {
  const d = spawn(drill, ["--json", "--pack", path.join(packs, plan.mirror.pack), "--tense", plan.mirror.tense,
    "--count", String(plan.mirror.count), "--seed", String(plan.seed)], { stdio: ["pipe", "pipe", "inherit"] });
  const lines = [], waiting = [];
  readline.createInterface({ input: d.stdout }).on("line", (l) => {
    const j = JSON.parse(l);
    waiting.length ? waiting.shift()(j) : lines.push(j);
  });
  return {
    next: () => lines.length ? Promise.resolve(lines.shift()) : new Promise((r) => waiting.push(r)),
    send: (text) => d.stdin.write(text + "\n"),
    end: () => d.kill(),
  };
}

// The verb of an expected answer in another person, from verbiste.
function otherPerson(q) {
  const words = q.expected.split(" ");
  const last = words.pop();
  const cut = last.lastIndexOf("'") + 1;       // j'aime: the verb after the elided pronoun
  const verb = last.slice(cut);
  const inf = /\(([^)]+)\)/.exec(q.question)[1];
  const out = execFileSync("french-conjugator", [inf], { encoding: "utf8" }).split("\n");
  const at = out.indexOf("- indicative present:");
  const forms = out.slice(at + 1, at + 7);
  const other = forms.find((f) => f && f !== verb);
  return [...words, last.slice(0, cut) + other].join(" ");
}

// A slip the analysis takes for a misspelling whatever the verb: its second
// letter typed twice ("êtes" -> "êttes"). A swap of two letters is too far
// from a short word.
function misspell(q) {
  const words = q.expected.split(" ");
  const v = words.pop();
  const i = v.lastIndexOf("'") + 1;
  return [...words, v.slice(0, i + 2) + v.slice(i + 1)].join(" ");
}

// Each step: the question, the answer to give, the classes and expected answer to see.
async function steps() {
  if (!plan.mirror) return plan.questions;
  const m = mirror(), out = [];
  try {
    for (const kind of ["right", "person", "misspelt"]) {
      const q = await m.next();
      const answer = kind === "right" ? q.expected : kind === "person" ? otherPerson(q) : misspell(q);
      m.send(answer);
      const r = await m.next();
      const classes = r.words.map((w) => w.class);
      const fits = kind === "right" ? r.correct : kind === "person" ? classes.includes("MORPH")
        : classes.includes("APPROX") || classes.includes("PHONO");
      check(fits, `the drill itself takes "${answer}" for "${q.question}" as ${kind}: ${JSON.stringify(classes)}`);
      out.push({ question: q.question, answer, classes, expected: r.correct ? undefined : q.expected });
    }
  } finally {
    m.end();
  }
  return out;
}

const scoreOf = (page) => page.textContent("#score");

// Answers the question on the page and waits for the score to count it.
async function answer(page, text, answered) {
  await page.fill("#answer", text);
  await page.press("#answer", "Enter");
  await page.waitForFunction((n) => document.querySelector("#score").textContent.includes(` of ${n} answered`),
    answered, { timeout: STEP_MS });
}

const classesShown = (page) => page.$$eval("#feedback .word", (ws) => ws.map((w) => w.dataset.class));
const labelsShown = (page) => page.$$eval("#feedback .word .tag", (ts) => ts.map((t) => t.textContent));

async function run() {
  const { srv, url } = await startServer();
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "kel-chromium-"));
  // playwright gives each launch a fresh profile directory of its own.
  const browser = await chromium.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    chromiumSandbox: false,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    env: { ...process.env, HOME: profile },
  });
  try {
    const ctxA = await browser.newContext();
    const page = await ctxA.newPage();
    await page.goto(url);
    await page.waitForSelector("body[data-ready]", { timeout: STEP_MS });
    check(await page.evaluate(() => document.activeElement.id) === "answer", "the answer box has the focus");

    const questions = await steps();
    for (let i = 0; i < questions.length; i++) {
      const q = questions[i];
      check((await page.textContent("#question")).trim() === q.question, `question ${i + 1} is "${q.question}"`);
      await answer(page, q.answer, i + 1);
      const classes = await classesShown(page);
      check(JSON.stringify(classes) === JSON.stringify(q.classes),
        `"${q.answer}" is marked ${JSON.stringify(classes)}, expected ${JSON.stringify(q.classes)}`);
      const labels = await labelsShown(page);
      check(labels.length === classes.length && labels.every((l) => l.length > 0), "each word has a text label");
      const fb = await page.textContent("#feedback");
      if (q.expected) check(fb.includes("Expected: " + q.expected), `the expected answer "${q.expected}" is shown`);
      check(await page.evaluate(() => document.activeElement.id) === "answer", "the focus is back in the answer box");
    }
    const right = questions.filter((q) => q.expected === undefined).length;
    const n = questions.length;
    check((await scoreOf(page)).includes(`${right} right of ${n} answered`), "the score shows " + right + " of " + n);

    // Accent buttons type into the answer box and leave the focus there.
    await page.fill("#answer", "d");
    await page.click(`#accents button:text-is("${plan.letter}")`);
    check(await page.inputValue("#answer") === "d" + plan.letter, "an accent button types " + plan.letter);
    check(await page.evaluate(() => document.activeElement.id) === "answer", "the focus stays in the answer box");

    // A character Latin-1 cannot hold: a message, the answer kept, no count.
    await page.fill("#answer", "œuvre");
    await page.press("#answer", "Enter");
    await page.waitForSelector("#message:not([hidden])", { timeout: STEP_MS });
    check((await page.textContent("#message")).length > 10, "œ gets a message: " + await page.textContent("#message"));
    check(await page.inputValue("#answer") === "œuvre", "the refused answer stays to be corrected");
    check((await scoreOf(page)).includes(`of ${n} answered`), "a refused answer is not counted");

    // A second learner at once: another session, which sees nothing of the first.
    const ctxB = await browser.newContext();
    const pageB = await ctxB.newPage();
    await pageB.goto(url);
    await pageB.waitForSelector("body[data-ready]", { timeout: STEP_MS });
    const [ca] = (await ctxA.cookies()).filter((c) => c.name === "kel_session");
    const [cb] = (await ctxB.cookies()).filter((c) => c.name === "kel_session");
    check(ca && cb && ca.value !== cb.value, "two browsers get two sessions");
    check(ca && ca.httpOnly && ca.sameSite === "Strict", "the session cookie is HttpOnly and SameSite=Strict");
    check((await scoreOf(pageB)).includes("0 right of 0 answered"), "the second learner starts at 0");
    check((await pageB.textContent("#question")).trim() === questions[0].question, "and at the first question");
    await answer(pageB, questions[0].answer, 1);
    check((await scoreOf(page)).includes(`of ${n} answered`), "the first learner's score is untouched");

    // A reload keeps the session: same cookie, question and score.
    const before = [await page.textContent("#question"), await scoreOf(page)];
    await page.reload();
    await page.waitForSelector("body[data-ready]", { timeout: STEP_MS });
    const [ca2] = (await ctxA.cookies()).filter((c) => c.name === "kel_session");
    check(ca2.value === ca.value, "a reload keeps the session cookie");
    const after = [await page.textContent("#question"), await scoreOf(page)];
    check(JSON.stringify(before) === JSON.stringify(after), "and its question and score");

    // The summary at the end.
    await page.click("#finish");
    await page.waitForSelector("#summary:not([hidden])", { timeout: STEP_MS });
    check((await page.textContent("#summary")).length > 20, "the summary is shown");
    if (process.env.KEL_SCREENSHOT) await page.screenshot({ path: process.env.KEL_SCREENSHOT, fullPage: true });
    await ctxA.close();
    await ctxB.close();
  } finally {
    await browser.close();
    srv.kill("SIGTERM");
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

const timer = setTimeout(() => { console.log("FAIL the browser test ran out of time"); process.exit(1); }, DEADLINE_MS);
run().catch((e) => { failed++; console.log("FAIL " + (e && e.stack || e)); }).finally(() => {
  clearTimeout(timer);
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
});
