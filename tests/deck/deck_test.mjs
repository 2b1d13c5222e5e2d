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
script("show@didReceiveSettings", `printf 'setTitle %s\\n' "$KEYSCRIPT_SETTINGS"`);
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
    ["deck", "--keys", "4x1", "--keep", path.join(root, "keys.json")],
    { cwd: path.join(root, "work"), stdio: ["ignore", "pipe", "inherit"] });
  const url = await new Promise((resolve, reject) => {
    let out = "";
    host.stdout.on("data", (chunk) => {
      out += chunk;
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
  await page.setViewport({ width: 1000, height: 520 });
  await page.goto(url);
  await page.waitForFunction(() => document.querySelectorAll(".key").length === 4);
  const title = (index) => page.$eval(`.slot:nth-child(${index + 1}) .title`, (e) => e.textContent);
  const waitTitle = (index, text) => page.waitForFunction(
    (i, t) => document.querySelectorAll(".title")[i]?.textContent === t, { timeout: 10000 }, index, text);
  const assign = (index, action) => page.select(`.slot:nth-child(${index + 1}) select`, action);

  // An appear script draws its key: its SVG and its title.
  await assign(0, "light");
  await waitTitle(0, "lit");
  const image = await page.$eval(".slot:nth-child(1) img", (e) => e.getAttribute("src") || "");
  check(image.startsWith("data:image/svg+xml"), "an appear script's SVG and title are drawn on its key");

  // Press and hold: keyDown at the press, keyUp only at the release.
  await assign(1, "hold");
  const box = await (await page.$(".slot:nth-child(2) .key")).boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down();
  await waitTitle(1, "down");
  await new Promise((resolve) => setTimeout(resolve, 400));
  const held = await title(1);
  await page.mouse.up();
  await waitTitle(1, "up");
  check(held === "down", "holding a key sends keyDown, and keyUp comes at the release");

  // Settings edited on the page reach the script, and are there again after a reload.
  await assign(2, "show");
  await page.click(".slot:nth-child(3) button.settings");
  await page.$eval("#editorText", (e) => { e.value = '{"a":"1"}'; });
  await page.click("#editorSave");
  await waitTitle(2, '{"a":"1"}');
  await page.reload();
  await page.waitForFunction(() => document.querySelectorAll(".key").length === 4);
  await waitTitle(2, '{"a":"1"}');
  await page.click(".slot:nth-child(3) button.settings");
  const kept = await page.$eval("#editorText", (e) => JSON.parse(e.value));
  await page.keyboard.press("Escape");
  check(kept.a === "1", "edited settings reach the script (KEYSCRIPT_SETTINGS) and come back after a reload");

  // The toggle example keeps its state in the host: On, Off, On.
  await assign(3, "org.keyscript.toggle");
  const seen = [];
  for (const expected of ["On", "Off", "On"]) {
    await page.click(".slot:nth-child(4) .key");
    await waitTitle(3, expected).catch(() => {});
    seen.push(await title(3));
  }
  check(seen.join(",") === "On,Off,On", `the toggle shows On, Off, On over three presses (${seen})`);

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
} catch (error) {
  check(false, String(error.stack || error));
} finally {
  if (browser) await browser.close();
  if (host) host.kill("SIGTERM");
  await new Promise((resolve) => setTimeout(resolve, 500));
  fs.rmSync(root, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
