// The web page's figures: what a browser transfers (the WebAssembly module and the scripts,
// gzip -9 as a server would compress them) and the CPU of headless Chromium over a run of the
// drive at a given size, beside the same browser on a blank page. Run by bench/web_page.sh.
import {readFileSync, readdirSync} from "node:fs";
import {gzipSync} from "node:zlib";
import {join} from "node:path";
import {launchChromium, serve} from "../tests/web/browser.mjs";

const [web, size = "1920x1080", seconds = "20"] = process.argv.slice(2);
const [width, height] = size.split("x").map(Number);

function transferred() {
  let module = 0, scripts = 0, all = 0;
  for (const name of readdirSync(web)) {
    const bytes = readFileSync(join(web, name));
    const packed = gzipSync(bytes, {level: 9}).length;
    console.log(`  ${name.padEnd(14)} ${String(bytes.length).padStart(7)} bytes, ${String(packed).padStart(6)} gzip -9`);
    if (name.endsWith(".wasm")) module += packed;
    if (name.endsWith(".js")) scripts += packed;
    all += packed;
  }
  return {module, scripts, all};
}

// CPU ticks (user + system) of every process below `root`, `root` itself left out: the browser
// is this script's child, its helpers the browser's.
const tick = 100;  // USER_HZ
function treeTicks(root) {
  const parent = new Map(), ticks = new Map();
  for (const pid of readdirSync("/proc").filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, "utf8");
      const fields = stat.slice(stat.lastIndexOf(")") + 2).split(" ");
      parent.set(Number(pid), Number(fields[1]));
      ticks.set(Number(pid), Number(fields[11]) + Number(fields[12]));
    } catch { /* gone meanwhile */ }
  }
  const inTree = (pid) => { for (let p = pid; p > 1; p = parent.get(p)) if (p === root) return true; return false; };
  const result = new Map();
  for (const [pid, t] of ticks) if (pid !== root && inTree(pid)) result.set(pid, t);
  return result;
}
function usedTicks(before, after) {
  let sum = 0;
  for (const [pid, t] of after) sum += t - (before.get(pid) || 0);
  return sum;
}

// The drive is measured as people watch it: in full screen, entered by a click.
async function measure(browser, url, waitReady) {
  const page = await browser.newPage({viewport: {width, height}, screen: {width, height}});
  await page.goto(url);
  if (waitReady) {
    await page.waitForFunction(() => document.body.dataset.ready === "1", null, {timeout: 30000});
    await page.click("#drive");
    await page.waitForFunction(([w, h]) => document.fullscreenElement !== null &&
      window.velmora.module._velmora_width() === w && window.velmora.module._velmora_height() === h,
      [width, height], {timeout: 10000});
  }
  const pid = process.pid;
  const framesBefore = waitReady ? await page.evaluate(() => window.velmora.module._velmora_frames_run()) : 0;
  const before = treeTicks(pid), started = performance.now();
  await new Promise((r) => setTimeout(r, Number(seconds) * 1000));
  const after = treeTicks(pid), elapsed = (performance.now() - started) / 1000;
  const frames = waitReady ? await page.evaluate(() => window.velmora.module._velmora_frames_run()) - framesBefore : 0;
  await page.close();
  return {cpu: (100 * usedTicks(before, after)) / tick / elapsed, frames, elapsed};
}

console.log(`Transferred (build/web):`);
const size_ = transferred();
console.log(`WebAssembly + JavaScript: ${(size_.module + size_.scripts) / 1000} kB gzip -9 ` +
  `(module ${size_.module / 1000} kB, scripts ${size_.scripts / 1000} kB); whole page ${size_.all / 1000} kB`);

const server = await serve({"/": web});
const browser = await launchChromium();
try {
  const blank = await measure(browser, server.url + "page.css", false);
  const drive = await measure(browser, server.url, true);
  console.log(`Headless Chromium, ${seconds} s, screen ${size}, the drive in full screen (percent of one core, all of the browser's processes):`);
  console.log(`  blank page:   ${blank.cpu.toFixed(1)} %`);
  console.log(`  the drive:    ${drive.cpu.toFixed(1)} % (${drive.frames} frames in ${drive.elapsed.toFixed(1)} s, ` +
    `${(drive.elapsed * 1000 / drive.frames).toFixed(1)} ms a frame)`);
  console.log(`  the drive's own share: ${(drive.cpu - blank.cpu).toFixed(1)} %`);
} finally {
  await browser.close();
  await server.close();
}
