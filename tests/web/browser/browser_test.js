// The drill page in Debian's chromium, driven by playwright-core: three
// answers (right, wrong person, misspelt) with their classes and the score
// shown, accents, a refused character, two learners at once, a reload, and
// the summary. Prints "N passed, N failed".
//   node browser_test.js KEL_WEB DRILL ANSWERS.json [PACKS]
// ANSWERS.json names the drill's seed and, for each question the drill asks
// with that seed, the three kinds of answer and the classes they must get.
"use strict";
const { chromium } = require("playwright-core");
const { spawn } = require("child_process");
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

    for (let i = 0; i < plan.questions.length; i++) {
      const q = plan.questions[i];
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
    const right = plan.questions.filter((q) => q.expected === undefined).length;
    const n = plan.questions.length;
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
    check((await pageB.textContent("#question")).trim() === plan.questions[0].question, "and at the first question");
    await answer(pageB, plan.questions[0].answer, 1);
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
