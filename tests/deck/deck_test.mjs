// The live deck in a real browser: Debian's Chromium, driven by puppeteer-core (which downloads
// no browser). Usage: node deck_test.mjs KEYSCRIPT-HOST KEYSCRIPT EXAMPLES-DIR SCREENSHOT.png
// Exits 77 (skipped) when this machine has no Chromium or puppeteer-core, saying why.
import { spawn } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";

const [hostExe, pluginExe, examples, screenshot] = process.argv.slice(2);
const chromium = process.env.KEYSCRIPT_CHROMIUM || "/usr/bin/chromium";
if (!fs.existsSync(chromium)) {
  console.log(`skipped: no Chromium at ${chromium} (scripts/test.sh installs Debian's chromium)`);
  process.exit(77);
}
let puppeteer;
try {
  puppeteer = (await import("puppeteer-core")).default;
} catch {
  console.log("skipped: puppeteer-core is not installed (scripts/test.sh runs npm ci in tests/deck)");
  process.exit(77);
}

// A bundle of our own: the plugin, keyscript-host beside it, and tiny scripts.
const root = fs.mkdtempSync(path.join(os.tmpdir(), "deck-test-"));
for (const dir of ["bin", "cmd", "work"]) fs.mkdirSync(path.join(root, dir));
for (const exe of [hostExe, pluginExe])
  fs.copyFileSync(exe, path.join(root, "bin", path.basename(exe)));
const script = (name, body) =>
  fs.writeFileSync(path.join(root, "cmd", name), "#!/bin/sh\n" + body + "\n", { mode: 0o755 });
script("light@willAppear", `echo 'setImage <svg xmlns="http://www.w3.org/2000/svg" width="72" height="72"><circle cx="36" cy="36" r="30" fill="#2e7d32"/></svg>'
echo 'setTitle lit'
exec sleep 60`);
script("hold", "echo 'setTitle down'");
script("hold@keyUp", "echo 'setTitle up'");
// The settings each didReceiveSettings brings, one line each, and what a press is given.
script("show@didReceiveSettings", `printf '%s\\n' "$KEYSCRIPT_SETTINGS" >>'${root}/settings.log'`);
script("show", `printf 'setTitle %s|%s\\n' "$ZEB_name" "$*"`);
script("fails", `echo 'setSettings {"n":5,"list":[1,2]}'; echo '<img src=x onerror="document.title=1">' >&2; exit 3`);
script("fails@didReceiveSettings", `printf '%s\\n' "$KEYSCRIPT_SETTINGS" >>'${root}/settings-json.log'`);
script("nox", "exit 0");
fs.chmodSync(path.join(root, "cmd", "nox"), 0o644);
script("crlf", "exit 0\r");
fs.writeFileSync(path.join(root, "cmd", "crlf"), "#!/bin/sh\r\nexit 0\r\n", { mode: 0o755 });
fs.writeFileSync(path.join(root, "cmd", "noshell"), "#!/nonexistent/sh\nexit 0\n", { mode: 0o755 });
script("gone", "exit 0");
// A dial: its turns, pushes and taps draw on its part of the strip, the title as text only.
script("knob@willAppear", "echo 'setFeedbackLayout $B1'");
script("knob@dialRotate", `[ "$KEYSCRIPT_PRESSED" = 1 ] && p=p; printf 'setFeedback {"title":"<b>T</b>","value":"%s%s","indicator":{"value":50}}\\n' "$KEYSCRIPT_TICKS" "$p"`);
script("knob@dialDown", `echo 'setFeedback {"value":"down"}'`);
script("knob@touchTap", `echo "setFeedback {\\"value\\":\\"tap $KEYSCRIPT_TAP_X,$KEYSCRIPT_TAP_Y $KEYSCRIPT_HOLD\\"}"`);
// A second dial draws the host's double indicator; a turn hides one of its items, a push alerts.
script("strip@willAppear", `echo 'setFeedbackLayout $C1'
echo 'setFeedback {"title":"C1","indicator1":30,"indicator2":{"value":70,"bar_fill_c":"#ffca28"}}'`);
script("strip@dialRotate", `echo 'setFeedback {"indicator1":{"enabled":false}}'`);
script("strip@dialDown", "echo showAlert");
// A batch file beside them is a Windows script: not listed here, but named in a note.
fs.writeFileSync(path.join(root, "cmd", "winonly.bat"), "@echo setTitle win\r\n");
// The manifest of the folder, as the host reads it: the toggle has two states with pictures of
// their own, "hold" one, and keyscript's own Run is there as the plugin maker writes it; every
// other action is unknown to it.
fs.mkdirSync(path.join(root, "images"));
const picture = (colour) => `<svg xmlns="http://www.w3.org/2000/svg" width="72" height="72"><rect width="72" height="72" fill="${colour}"/></svg>`;
for (const [name, colour] of [["off", "#444"], ["on", "#2e7d32"], ["hold", "#1565c0"]])
  fs.writeFileSync(path.join(root, "images", name + ".svg"), picture(colour));
const uri = (name) => "data:image/svg+xml;base64," + fs.readFileSync(path.join(root, "images", name + ".svg")).toString("base64");
fs.writeFileSync(path.join(root, "manifest.json"), JSON.stringify({ UUID: "org.keyscript.decktest", Actions: [
  { UUID: "org.keyscript.toggle", Name: "Toggle", DisableAutomaticStates: true,
    States: [{ Image: "images/off" }, { Image: "images/on" }] },
  { UUID: "hold", Name: "Hold", States: [{ Image: "images/hold" }] },
  { UUID: "org.keyscript.run", Name: "Run", States: [{ Image: "" }] }] }));
fs.copyFileSync(path.join(examples, "org.keyscript.toggle"), path.join(root, "cmd", "org.keyscript.toggle"));
fs.chmodSync(path.join(root, "cmd", "org.keyscript.toggle"), 0o755);

let host;
let browser;
let failed = false;
const check = (ok, what) => {
  console.log(`${ok ? "ok" : "FAILED"}: ${what}`);
  if (!ok) failed = true;
};

try {
  host = spawn(path.join(root, "bin", path.basename(hostExe)),
    ["deck", "--keys", "5x2", "--dials", "2", "--keep", path.join(root, "keys.json"), "--verbose"],
    { cwd: path.join(root, "work"), stdio: ["ignore", "pipe", "inherit"] });
  // What keyscript-host prints, with --verbose each event it sends the plugin.
  let out = "";
  host.stdout.on("data", (chunk) => { out += chunk; });
  const url = await new Promise((resolve, reject) => {
    host.stdout.on("data", () => {
      const match = out.match(/The deck: (http:\/\/\S+)/);
      if (match) resolve(match[1]);
    });
    host.on("exit", (code) => reject(new Error(`keyscript-host ended with ${code}`)));
    setTimeout(() => reject(new Error("no address from keyscript-host")), 20000);
  });

  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: path.join(root, "chromium"),
    args: ["--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage"],
  });
  const page = await browser.newPage();
  await page.setViewport({ width: 1100, height: 900 });
  await page.goto(url);
  await page.waitForFunction(() => document.querySelectorAll(".key").length === 10);
  const title = (index) => page.$eval(`.slot:nth-child(${index + 1}) .title`, (e) => e.textContent);
  const waitTitle = (index, text) => page.waitForFunction(
    (i, t) => document.querySelectorAll(".title")[i]?.textContent === t, { timeout: 10000 }, index, text);
  // Gives a key an action, and waits until the deck has it: a press before would go nowhere.
  const assign = async (index, action) => {
    await page.select(`.slot:nth-child(${index + 1}) select`, action);
    await page.waitForFunction((i, a) => !document.querySelectorAll(".key")[i].classList.contains("empty") === !!a,
      { timeout: 10000 }, index, action);
  };

  // An appear script draws its key: its SVG and its title.
  await assign(0, "light");
  await waitTitle(0, "lit");
  const image = await page.$eval(".slot:nth-child(1) img", (e) => e.getAttribute("src") || "");
  check(image.startsWith("data:image/svg+xml"), "an appear script's SVG and title are drawn on its key");

  // Press and hold: keyDown at the press, keyUp only at the release.
  await assign(1, "hold");
  // Before any script draws, the key shows its state's picture from the manifest, and the list
  // names the action as the manifest does.
  const holdImage = await page.$eval(".slot:nth-child(2) img", (e) => e.getAttribute("src") || "");
  const holdName = await page.$eval(".slot:nth-child(2) select", (e) => e.selectedOptions[0].textContent);
  check(holdImage === uri("hold") && holdName === "Hold",
    `a key shows its manifest picture and name before a script draws (${holdName})`);
  const box = await (await page.$(".slot:nth-child(2) .key")).boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down();
  await waitTitle(1, "down");
  await new Promise((resolve) => setTimeout(resolve, 400));
  const held = await title(1);
  await page.mouse.up();
  await waitTitle(1, "up");
  check(held === "down", "holding a key sends keyDown, and keyUp comes at the release");

  // The key's settings page, as the host shows it: rows added, edited and removed are saved
  // as the user types, gathered into one setSettings each, and the next press has them.
  await assign(2, "show");
  // The page of the key just selected, once the plugin has told it the key's status.
  let shown = "";
  const frameOf = async () => {
    const handle = await page.waitForFunction((before) => {
      const frame = document.getElementById("settingsFrame");
      const url = frame.contentWindow?.location.href || "";
      return !frame.hidden && url !== before && url.includes("settings.html") &&
        frame.contentDocument.querySelector("#scripts li") && url;
    }, { timeout: 10000 }, shown);
    shown = await handle.jsonValue();
    return page.frames().find((frame) => frame.url() === shown);
  };
  await page.click(".slot:nth-child(3) button.settings");
  let frame = await frameOf();
  const settingsSeen = () => fs.existsSync(path.join(root, "settings.log"))
    ? fs.readFileSync(path.join(root, "settings.log"), "utf8").trim().split("\n") : [];
  const waitSettings = async (count) => {
    for (let i = 0; i < 50 && settingsSeen().length < count; ++i) await new Promise((r) => setTimeout(r, 100));
    await new Promise((r) => setTimeout(r, 500)); // and nothing more comes
    return settingsSeen();
  };
  await frame.click("#add");
  await frame.type(".row:nth-child(1) .name", "name");
  await frame.type(".row:nth-child(1) .value", "Ada & Bob");
  const afterAdd = await waitSettings(1);
  await page.click(".slot:nth-child(3) .key");
  await waitTitle(2, "Ada & Bob|--name Ada & Bob");
  await frame.click("#add");
  await frame.type(".row:nth-child(2) .name", "a=b");
  const note = await frame.$eval(".row:nth-child(2) .note", (e) => e.textContent);
  await frame.click(".row:nth-child(2) .remove");
  await frame.$eval(".row:nth-child(1) .name", (e) => { e.select(); });
  await frame.type(".row:nth-child(1) .name", "who");
  // The row with "=" came and went within one pause: never saved.
  const afterEdit = await waitSettings(2);
  check(JSON.stringify(afterAdd) === JSON.stringify(['{"name":"Ada & Bob"}']) &&
    JSON.stringify(afterEdit) === JSON.stringify(['{"name":"Ada & Bob"}', '{"who":"Ada & Bob"}']),
    `typed rows are saved gathered, one setSettings a pause, and the press has them (${afterEdit.join(" ")})`);
  check(note.includes("no ZEB_ variable"), `a name holding "=" is marked with the reason (${note})`);

  // A reloaded deck shows the same settings on the page.
  await page.reload();
  await page.waitForFunction(() => document.querySelectorAll(".key").length === 10);
  await page.click(".slot:nth-child(3) button.settings");
  frame = await frameOf();
  const names = await frame.$$eval(".row .name", (rows) => rows.map((e) => e.value));
  check(names.join() === "who", `the page shows the key's settings again after a reload (${names})`);

  // Why a key's script does not run, and a failing script's error, as text within a second.
  const statusOf = async (index, action) => {
    await assign(index, action);
    await page.click(`.slot:nth-child(${index + 1}) button.settings`);
    await page.waitForFunction((a) => document.getElementById("inspectorTitle").textContent.endsWith(a), {}, action);
    const inspected = await frameOf();
    return inspected.$eval("#scripts", (e) => e.textContent);
  };
  check((await statusOf(4, "nox")).includes("not executable"), "a script that is not executable says so");
  check((await statusOf(5, "crlf")).includes("carriage return"), "a #! line with a carriage return says so");
  await assign(6, "gone");
  fs.rmSync(path.join(root, "cmd", "gone"));
  await page.click(".slot:nth-child(7) button.settings");
  frame = await frameOf();
  const missing = await frame.$eval("#scripts", (e) => e.textContent);
  check(missing.includes("a press script would go at") && missing.includes("gone"), "a missing script says where it would go");
  await assign(7, "fails");
  await page.click(".slot:nth-child(8) button.settings");
  frame = await frameOf();
  await page.click(".slot:nth-child(8) .key");
  const ended = Date.now();
  await frame.waitForSelector(".run.failed pre.stderr", { timeout: 5000 });
  const shownAfter = Date.now() - ended;
  const stderr = await frame.$eval(".run.failed pre.stderr", (e) => e.textContent);
  const injected = await frame.$$eval(".run img", (images) => images.length);
  check(stderr.includes('<img src=x onerror="document.title=1">') && injected === 0 && shownAfter < 1500,
    `a failing script's standard error shows as text within a second (${shownAfter} ms)`);
  await page.screenshot({ path: screenshot.replace(/\.png$/, "-settings.png") });

  // Failed keys are marked, the reason on hover, whether their page is open or not.
  const markOf = (index) => page.$eval(`.slot:nth-child(${index + 1}) .key`,
    (e) => e.querySelector(".mark").textContent + "|" + e.title);
  await page.waitForFunction(() => document.querySelectorAll(".slot")[7].querySelector(".key").title.includes("exit 3"));
  check((await markOf(7)).includes("keyDown: exit 3\n<img src=x"), `a failed key is marked with the reason (${await markOf(7)})`);
  check((await markOf(4)).includes("cannot run: not executable"), "a key whose script cannot run is marked before any press");
  check((await markOf(2)) === "|", "a key whose scripts ran well has no mark");
  const listed = await page.$$eval(".slot:nth-child(1) select option", (options) => options.map((o) => o.value));
  const otherNote = await page.$eval("#otherSystem", (e) => (e.hidden ? "" : e.textContent));
  check(!listed.includes("winonly") && !listed.includes("winonly.bat") && otherNote.includes("winonly"),
    `another system's scripts are named in a note, not listed (${otherNote})`);

  // Settings that are no text show as JSON and stay JSON; JSON that does not parse is marked
  // and the value saved before is kept.
  await frame.waitForFunction(() => document.querySelectorAll(".row .value.json").length === 2);
  const jsonRow = async (name) => {
    const rows = await frame.$$(".row");
    for (const row of rows)
      if (await row.$eval(".name", (e) => e.value) === name) return row;
  };
  const list = await (await jsonRow("list")).$(".value");
  await list.evaluate((e) => e.select());
  await list.type("[1,2,3]");
  await new Promise((r) => setTimeout(r, 800));
  await list.evaluate((e) => e.select());
  await list.type("[1,2");
  const invalid = await (await jsonRow("list")).$eval(".note", (e) => e.textContent);
  await new Promise((r) => setTimeout(r, 800));
  const jsonSaved = fs.readFileSync(path.join(root, "settings-json.log"), "utf8").trim().split("\n");
  check(JSON.stringify(jsonSaved) === JSON.stringify(['{"list":[1,2,3],"n":5}']) &&
    invalid.includes("Not valid JSON"),
    `values that are no text stay JSON; broken JSON is marked and not saved (${jsonSaved.join(" ")}; ${invalid})`);


  // A script that cannot start is no success: its key is marked, its page says why.
  for (const [index, action] of [[4, "nox"], [5, "crlf"], [6, "noshell"]]) {
    if (action === "noshell") await assign(index, action);
    await page.click(`.slot:nth-child(${index + 1}) .key`);
    await page.waitForFunction((i) => document.querySelectorAll(".slot")[i].querySelector(".key").title
      .includes("keyDown: could not start"), { timeout: 5000 }, index).catch(() => {});
    check((await markOf(index)).includes("keyDown: could not start"),
      `a press of a script that cannot start (${action}) marks its key (${await markOf(index)})`);
  }
  await page.click(".slot:nth-child(7) button.settings");
  frame = await frameOf();
  await frame.waitForSelector(".run.failed", { timeout: 5000 }).catch(() => {});
  const notStarted = await frame.$eval("#runs", (e) => e.textContent).catch(() => "");
  check(notStarted.includes("could not start") && !notStarted.includes("exit 0"),
    `its page says it could not start, and why (${notStarted})`);

  // A script's setSettings while the user types: the other rows follow at once, and the next
  // save stores both; any name, "__proto__" too, is kept.
  script("noshell", `echo 'setSettings {"count":"7","__proto__":"p"}'`);
  script("noshell@didReceiveSettings", `printf '%s\\n' "$KEYSCRIPT_SETTINGS" >>'${root}/merge.log'`);
  await frame.click("#add");
  await frame.type(".row:nth-child(1) .name", "typed");
  await frame.type(".row:nth-child(1) .value", "ab");
  await page.$eval(".slot:nth-child(7) .key", (e) => {
    e.dispatchEvent(new MouseEvent("mousedown", { bubbles: true }));
    e.dispatchEvent(new MouseEvent("mouseup", { bubbles: true }));
  });
  await frame.type(".row:nth-child(1) .value", "cdef", { delay: 150 });
  const rowsWhileTyping = await frame.$$eval("#rows .row .name", (rows) => rows.map((e) => e.value));
  await new Promise((r) => setTimeout(r, 1000));
  const merged = fs.existsSync(path.join(root, "merge.log"))
    ? fs.readFileSync(path.join(root, "merge.log"), "utf8").trim().split("\n") : [];
  check([...rowsWhileTyping].sort().join() === "__proto__,count,typed" &&
    merged.at(-1) === '{"__proto__":"p","count":"7","typed":"abcdef"}',
    `a script's settings join what is typed (${rowsWhileTyping}; ${merged.join(" ")})`);

  // Settings shared by all keys: their own section, a token shown as dots, stored for all.
  await frame.click("#addShared");
  await frame.type("#sharedRows .row:nth-child(1) .name", "token");
  await frame.type("#sharedRows .row:nth-child(1) .value", "s3cret");
  await frame.click("#sharedRows .row:nth-child(1) .show"); // hidden again
  const sharedType = await frame.$eval("#sharedRows .row:nth-child(1) .value", (e) => e.type);
  check(sharedType === "password", `a shared value is shown as dots (${sharedType})`);
  await new Promise((r) => setTimeout(r, 800));
  script("noshell", `printf 'setTitle %s\\n' "$KEYSCRIPT_GLOBAL_SETTINGS"`);
  await page.click(".slot:nth-child(7) .key");
  await waitTitle(6, '{"token":"s3cret"}').catch(() => {});
  check(await title(6) === '{"token":"s3cret"}', `every script gets the shared settings (${await title(6)})`);

  // Settings a script declares show on its page with their labels and kinds, before they have
  // a value; what the user gives one is saved as any setting.
  script("noshell", [
    '# keyscript setting: url "Address to open"', '# keyscript setting: count number "Start at" 0',
    '# keyscript setting: token secret "Token"', '# keyscript setting: mode choice fast|slow "Speed" fast',
    '# keyscript setting: loud checkbox "Loud"', '# keyscript shared-setting: token secret "API token"',
    "exit 0"].join("\n"));
  // Key 7's page opened anew (another key's first), once its five declared settings show.
  const reopenSeven = async () => {
    await page.click(".slot:nth-child(3) button.settings");
    await frameOf();
    await page.click(".slot:nth-child(7) button.settings");
    const opened = await frameOf();
    await opened.waitForFunction(() => document.querySelectorAll("#rows label.declared").length === 5,
      { timeout: 5000 }).catch(() => {});
    return opened;
  };
  frame = await reopenSeven();
  const fields = await frame.$$eval("#rows .row", (rows) => rows.slice(0, 5).map((row) =>
    row.querySelector(".name").textContent + ":" + (row.querySelector(".value").type || "")));
  check(fields.join() === "Address to open:text,Start at:number,Token:password,Speed:select-one,Loud:checkbox",
    `declared settings show with their labels and kinds (${fields})`);
  const count = await frame.$("#rows .row:nth-child(2) .value");
  const speedShown = await frame.$eval("#rows .row:nth-child(4) .value", (e) => e.value);
  check(speedShown === "fast", `a declared default is shown as the value its scripts get (${speedShown})`);
  await count.evaluate((e) => e.select());
  await count.type("5");
  await new Promise((r) => setTimeout(r, 800));
  const declaredSaved = fs.readFileSync(path.join(root, "merge.log"), "utf8").trim().split("\n").at(-1);
  await page.screenshot({ path: screenshot.replace(/\.png$/, "-declared.png") });
  check(declaredSaved === '{"__proto__":"p","count":"5","mode":"fast","typed":"abcdef"}',
    `a declared setting is saved as any other, and defaults reach the scripts (${declaredSaved})`);
  // A secret typed is stored, and never shown back: not in its field, nowhere in the page.
  await (await frame.$("#rows .row:nth-child(3) .value")).type("tok-0815");
  await new Promise((r) => setTimeout(r, 800));
  frame = await reopenSeven();
  const secretStored = fs.readFileSync(path.join(root, "merge.log"), "utf8").includes("tok-0815");
  await frame.waitForFunction(() => document.querySelector("#sharedRows label.declared"), { timeout: 5000 }).catch(() => {});
  const secretShown = await frame.evaluate(() => ["tok-0815", "s3cret"].filter((secret) =>
    document.documentElement.outerHTML.includes(secret) ||
    [...document.querySelectorAll("input, textarea")].some((e) => e.value.includes(secret))));
  const sharedLabel = await frame.$eval("#sharedRows", (e) => e.textContent);
  check(secretStored && !secretShown.length && sharedLabel.includes("API token"),
    `a stored secret, the key's or a shared one, is never shown back (stored ${secretStored}, shown ${secretShown}, ${sharedLabel})`);

  // The log: each line with its time; a deck opened late sees the recent lines.
  await page.reload();
  await page.waitForFunction(() => document.getElementById("log").textContent.includes("exit 3"));
  const logLines = await page.$eval("#log", (e) => e.textContent.trim().split("\n"));
  check(logLines.every((line) => /^\d\d:\d\d:\d\d\.\d{3} /.test(line)) &&
    logLines.some((line) => line.includes("deck-8 fails keyDown: exit 3")),
    "the log replays to a late page, each line with its time, runs with their key");

  // The toggle example keeps its state in the host: On, Off, On.
  await assign(3, "org.keyscript.toggle");
  await page.click(".slot:nth-child(4) button.settings"); // the toggle's page beside it
  await frameOf();
  const seen = [];
  for (const expected of ["On", "Off", "On"]) {
    await page.click(".slot:nth-child(4) .key");
    await waitTitle(3, expected).catch(() => {});
    seen.push(await title(3));
  }
  check(seen.join(",") === "On,Off,On", `the toggle shows On, Off, On over three presses (${seen})`);
  const onImage = await page.$eval(".slot:nth-child(4) img", (e) => e.getAttribute("src") || "");
  check(onImage === uri("on"), "a key of two states shows the picture of the state it is in");
  // Its page follows: the setting the script stored, and its runs.
  frame = page.frames().find((f) => f.url() === shown);
  await frame.waitForFunction(() => document.querySelectorAll(".run").length === 3 &&
    document.querySelector(".row .value")?.value === "1", { timeout: 5000 });

  // keyscript's own Run action: its script is typed on its page, saved once the user pauses
  // and allowed by that save; a press runs it, and its last line becomes the key's title.
  await assign(8, "org.keyscript.run");
  await page.click(".slot:nth-child(9) button.settings");
  frame = await frameOf();
  await frame.waitForSelector("#typed:not([hidden])", { timeout: 5000 });
  const typedSaved = () => frame.waitForFunction(
    () => document.getElementById("typedSaved").textContent === "Saved.", { timeout: 5000 });
  await frame.type("#script", "echo hello");
  await typedSaved();
  await new Promise((r) => setTimeout(r, 500)); // the plugin has the approval and the settings
  const typedPage = await frame.evaluate(() => ({
    rows: [...document.querySelectorAll("#rows .row .name")].map((e) => e.value).join(),
    review: !document.getElementById("approval").hidden,
    scripts: document.getElementById("scripts").textContent }));
  await page.click(".slot:nth-child(9) .key");
  await waitTitle(8, "hello").catch(() => {});
  check(await title(8) === "hello" && typedPage.rows === "" && !typedPage.review &&
    typedPage.scripts.includes("Typed on this key, run by"),
    `a script typed on a Run key's page runs at a press, its output the title (${await title(8)}; ${JSON.stringify(typedPage)})`);
  // The editor with a script of two lines, in the host's panel width: doc/typed-key.png.
  await frame.$eval("#script", (e) => e.select());
  await frame.type("#script", 'now=$(date +%H:%M)\necho "$ZEB_city $now"');
  await typedSaved();
  await frame.$eval("#script", (e) => { e.blur(); e.scrollTop = 0; window.scrollTo(0, 0); });
  await page.$eval("#settingsFrame", (e) => { e.style.width = "350px"; e.style.height = "800px"; });
  await new Promise((r) => setTimeout(r, 300));
  const editorBottom = await frame.$eval("#typed", (e) => e.getBoundingClientRect().bottom);
  const clip = await page.$eval("#settingsFrame", (e, bottom) => {
    const box = e.getBoundingClientRect();
    return { x: box.left + window.scrollX, y: box.top + window.scrollY, width: box.width, height: bottom + 12 };
  }, editorBottom);
  await page.screenshot({ path: screenshot.replace(/\.png$/, "-typed.png"), clip });
  await page.$eval("#settingsFrame", (e) => { e.style.width = ""; e.style.height = ""; });

  // The dials: the wheel and the arrow keys turn, a click pushes, a tap on the strip says where.
  // A key's list offers what serves keys, a dial's what serves dials; Run serves both.
  const offered = await page.evaluate(() => ({
    key: [...document.querySelector(".slot select").options].map((o) => o.value),
    dial: [...document.querySelector(".dialslot select").options].map((o) => o.value)}));
  check(!offered.key.includes("knob") && offered.dial.includes("knob") &&
    !offered.dial.includes("hold") && offered.key.includes("hold") &&
    offered.key.includes("org.keyscript.run") && offered.dial.includes("org.keyscript.run"),
    `keys and dials are offered the actions that serve them (${JSON.stringify(offered)})`);
  await page.select(".dialslot:nth-child(1) select", "knob");
  const stripValue = () => page.$eval(".dialslot:nth-child(1) .strip", (e) =>
    e.querySelector('[data-key="value"]')?.textContent ?? "");
  const waitValue = (test) => page.waitForFunction((t) => new RegExp(t).test(
    document.querySelector('.dialslot .strip [data-key="value"]')?.textContent ?? ""), { timeout: 10000 }, test);
  const knob = await (await page.$('[aria-label="Dial 1"]')).boundingBox();
  await page.mouse.move(knob.x + knob.width / 2, knob.y + knob.height / 2);
  await page.mouse.wheel({ deltaY: -100 }); // up, the way a volume goes up
  await page.mouse.wheel({ deltaY: -100 });
  const turned = await waitValue("^[12]$").then(() => true, () => false);
  check(turned, `the wheel scrolled up turns a dial clockwise, close turns as one (${await stripValue()})`);
  await page.focus('[aria-label="Dial 1"]');
  await page.keyboard.press("ArrowLeft");
  const back = await waitValue("^-1$").then(() => true, () => false);
  check(back, `an arrow key turns a dial back (${await stripValue()})`);
  const drawn = await page.$eval(".dialslot:nth-child(1) .strip", (e) => ({
    title: e.querySelector('[data-key="title"]')?.textContent, markup: e.querySelectorAll("b").length,
    bar: e.querySelector('[data-key="indicator"] > div')?.style.width }));
  check(drawn.title === "<b>T</b>" && drawn.markup === 0 && drawn.bar === "50%",
    `the strip draws the layout's title as text and its bar at its value (${JSON.stringify(drawn)})`);
  await page.mouse.click(knob.x + knob.width / 2, knob.y + knob.height / 2);
  check(await waitValue("^down$").then(() => true, () => false), "a click pushes the dial");
  await page.mouse.move(knob.x + knob.width / 2, knob.y + knob.height / 2);
  await page.mouse.down();
  await page.mouse.move(knob.x + knob.width / 2 + 40, knob.y + knob.height / 2, { steps: 8 });
  await page.mouse.up();
  check(await waitValue("^3$").then(() => true, () => false),
    `a drag to the right turns the dial without pushing it, a tick each 12 px (${await stripValue()})`);
  const strip = await (await page.$('[aria-label="Touch strip 1"]')).boundingBox();
  await page.mouse.click(strip.x + 50, strip.y + 25);
  check(await waitValue("^tap 50,25 0$").then(() => true, () => false),
    `a tap on the strip says where (${await stripValue()})`);

  // The host's own layouts, item by item where its dials guide puts them on the dial's canvas
  // (https://docs.elgato.com/streamdeck/sdk/guides/dials): [x, y, width, height].
  const guide = {
    $B1: { title: [16, 10, 136, 24], icon: [16, 40, 48, 48], value: [76, 40, 108, 32], indicator: [76, 74, 108, 12] },
    $C1: { title: [16, 10, 136, 24], icon1: [16, 40, 24, 24], icon2: [16, 68, 24, 24],
      indicator1: [48, 46, 136, 12], indicator2: [48, 74, 136, 12] },
  };
  const boxes = (dial) => page.$eval(`.dialslot:nth-child(${dial}) .canvas`, (canvas) => {
    const c = canvas.getBoundingClientRect();
    return Object.fromEntries([...canvas.querySelectorAll(".item")].map((e) => {
      const b = e.getBoundingClientRect();
      return [e.dataset.key, [b.left - c.left, b.top - c.top, b.width, b.height]];
    }));
  });
  await page.select(".dialslot:nth-child(2) select", "strip");
  await page.waitForFunction(() => document.querySelector('.dialslot:nth-child(2) [data-key="title"]')?.textContent === "C1",
    { timeout: 10000 });
  for (const [layout, dial] of [["$B1", 1], ["$C1", 2]]) {
    const drawnAt = await boxes(dial);
    check(JSON.stringify(drawnAt) === JSON.stringify(guide[layout]),
      `${layout} draws each item where the guide puts it (${JSON.stringify(drawnAt)})`);
  }
  await (await page.$(".dials")).screenshot({ path: screenshot.replace(/\.png$/, "-strip.png") });
  const dial2 = await (await page.$('[aria-label="Dial 2"]')).boundingBox();
  await page.focus('[aria-label="Dial 2"]');
  await page.keyboard.press("ArrowRight");
  check(await page.waitForFunction(() => !document.querySelector('.dialslot:nth-child(2) [data-key="indicator1"]') &&
    !!document.querySelector('.dialslot:nth-child(2) [data-key="indicator2"]'), { timeout: 10000 }).then(() => true, () => false),
  "an item setFeedback gives enabled: false is not drawn, the others are");
  await page.mouse.click(dial2.x + dial2.width / 2, dial2.y + dial2.height / 2);
  check(await page.waitForSelector(".dialslot:nth-child(2) .strip .flash.show.alert", { timeout: 5000 }).then(() => true, () => false),
    "showAlert for a dial shows on its part of the strip");
  await page.waitForSelector(".dialslot:nth-child(2) .strip .flash:not(.show)", { timeout: 5000 });
  await page.screenshot({ path: screenshot.replace(/\.png$/, "-dials.png") });

  // A deep link typed in the deck reaches the plugin as the host sends it: the URL after the
  // plugin's UUID. One for another plugin is refused, and says so.
  const deepLink = async (link) => {
    await page.$eval("#deeplink", (e) => { e.value = ""; });
    await page.type("#deeplink", link);
    await page.click("#deeplinkForm button");
    await page.waitForFunction((l) => document.getElementById("deeplinkNote").dataset.for === l, { timeout: 5000 }, link);
    return page.$eval("#deeplinkNote", (e) => ({ text: e.textContent, refused: e.classList.contains("refused") }));
  };
  const sentLink = await deepLink("streamdeck://plugins/message/org.keyscript.decktest/hello?name=deck#waving");
  await new Promise((resolve) => setTimeout(resolve, 300));
  check(!sentLink.refused && out.includes('> {"event":"didReceiveDeepLink","payload":{"url":"hello?name=deck#waving"}}\n'),
    `a deep link is sent to the plugin as the host sends it (${sentLink.text})`);
  const otherLink = await deepLink("streamdeck://plugins/message/com.example.other/hello");
  check(otherLink.refused && otherLink.text.includes("com.example.other") && out.split("didReceiveDeepLink").length === 2,
    `a deep link for another plugin is refused on the page (${otherLink.text})`);

  await page.screenshot({ path: screenshot });
  console.log(`screenshot: ${screenshot}`);

  // Only the page's own socket: no token, or another origin, is refused.
  const { port, pathname } = new URL(url);
  const upgrade = (target, origin) => new Promise((resolve) => {
    const socket = net.connect(Number(port), "127.0.0.1", () => socket.write(
      `GET ${target} HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\nUpgrade: websocket\r\n` +
      `Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n` +
      `Sec-WebSocket-Version: 13\r\nOrigin: ${origin}\r\n\r\n`));
    let answer = "";
    socket.on("data", (chunk) => { answer += chunk; if (answer.includes("\r\n")) { socket.destroy(); resolve(answer.split(" ")[1]); } });
    socket.on("error", () => resolve("error"));
    socket.on("close", () => resolve(answer.split(" ")[1] || "closed"));
  });
  const own = `http://127.0.0.1:${port}`;
  check(await upgrade("/socket", own) === "404", "a socket without the token is refused");
  check(await upgrade(pathname + "socket", "http://evil.example") === "403", "a socket from another origin is refused");
  check(await upgrade(pathname + "socket", own) === "101", "the page's own socket opens");
  // A settings page's socket, at the root as the host has it: another origin is refused, and
  // one that does not register with the UUID the deck gave its page is closed.
  check(await upgrade("/", "http://evil.example") === "403", "a settings socket from another origin is refused");
  const closedWith = await page.evaluate((p) => new Promise((resolve) => {
    const socket = new WebSocket("ws://127.0.0.1:" + p);
    socket.onopen = () => socket.send(JSON.stringify({event: "registerPropertyInspector", uuid: "guessed"}));
    socket.onclose = (event) => resolve(event.code);
    setTimeout(() => resolve("still open"), 5000);
  }), port);
  check(closedWith === 1008, `a settings socket without its page's UUID is closed (${closedWith})`);
} catch (error) {
  check(false, String(error.stack || error));
} finally {
  if (browser) await browser.close();
  if (host) host.kill("SIGTERM");
  await new Promise((resolve) => setTimeout(resolve, 500));
  fs.rmSync(root, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
