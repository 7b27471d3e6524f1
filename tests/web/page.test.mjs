// The web page in Debian's headless Chromium: its frames against velmora-record's, the pacing of
// its frames, its settings panel and the file it exports against the Linux store, full screen.
import {after, before, describe, test} from "node:test";
import assert from "node:assert/strict";
import {execFileSync} from "node:child_process";
import {mkdtempSync, mkdirSync, writeFileSync} from "node:fs";
import {tmpdir} from "node:os";
import {join} from "node:path";
import {launchChromium, serve} from "./browser.mjs";

const record = process.env.VELMORA_RECORD;
const storecheck = process.env.VELMORA_STORECHECK;
const work = mkdtempSync(join(tmpdir(), "velmora-web-"));
const expected = join(work, "expected");
const emptyConfig = join(work, "config");  // no stored settings for the recorder
mkdirSync(expected);
mkdirSync(emptyConfig);

let server, browser;
before(async () => {
  server = await serve({"/": process.env.VELMORA_WEB, "/expected/": expected});
  browser = await launchChromium();
});
after(async () => {
  await browser?.close();
  await server?.close();
});

async function openPage(query = "", context = null) {
  const page = await (context || browser).newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(e));
  await page.goto(server.url + query);
  await page.waitForFunction(() => document.body.dataset.ready === "1", null, {timeout: 20000});
  page.errors = errors;
  return page;
}

// Counts the pixels of the page's canvas that differ from a PNG, outside `exclude` (left, top,
// right, bottom), and those of the PNG that are not black (so that two black frames do not pass
// for a match).
function compareCanvas(page, pngUrl, exclude = [0, 0, 0, 0]) {
  return page.evaluate(async ({pngUrl, exclude}) => {
    const blob = await (await fetch(pngUrl)).blob();
    const bitmap = await createImageBitmap(blob, {colorSpaceConversion: "none", premultiplyAlpha: "none"});
    const scratch = new OffscreenCanvas(bitmap.width, bitmap.height);
    const g = scratch.getContext("2d");
    g.drawImage(bitmap, 0, 0);
    const want = g.getImageData(0, 0, bitmap.width, bitmap.height).data;
    const drive = document.getElementById("drive");
    if (drive.width !== bitmap.width || drive.height !== bitmap.height)
      return {size: [drive.width, drive.height, bitmap.width, bitmap.height]};
    const got = drive.getContext("2d").getImageData(0, 0, drive.width, drive.height).data;
    let differ = 0, lit = 0, first = null;
    for (let y = 0; y < drive.height; ++y) {
      for (let x = 0; x < drive.width; ++x) {
        if (x >= exclude[0] && x < exclude[2] && y >= exclude[1] && y < exclude[3]) continue;
        const i = (y * drive.width + x) * 4;
        if (want[i] | want[i + 1] | want[i + 2]) ++lit;
        if (want[i] !== got[i] || want[i + 1] !== got[i + 1] || want[i + 2] !== got[i + 2]) {
          ++differ;
          first ??= {x, y, page: [got[i], got[i + 1], got[i + 2]], recorder: [want[i], want[i + 1], want[i + 2]]};
        }
      }
    }
    return {differ, lit, first};
  }, {pngUrl, exclude});
}

function recorderFrame(name, {size, course, seed, frames, sets = []}) {
  const args = ["--size", size, "--course", String(course), "--seed", String(seed), "--frames", String(frames),
    "--out", join(expected, name + ".png")];
  for (const set of sets) args.push("--set", set);
  execFileSync(record, args, {env: {...process.env, XDG_CONFIG_HOME: emptyConfig}, stdio: "pipe"});
}

async function pageFrame(setup) {
  const query = new URLSearchParams({size: setup.size, course: setup.course, seed: setup.seed, frames: setup.frames});
  for (const set of setup.sets || []) query.append("set", set);
  const page = await openPage("?" + query);
  await page.waitForFunction(() => document.body.dataset.state === "rendered", null, {timeout: 60000});
  return page;
}

describe("a frame of the page equals the recorder's frame of the same size, course, seed and number", () => {
  // Frames after the banner's five seconds (frame 167 at 30 ms) are compared whole.
  const setups = {
    defaults: {size: "640x480", course: 3, seed: 1234, frames: 240},
    flatRoadWide: {size: "800x450", course: 7, seed: 99, frames: 200, sets: ["UpDown=0"]},
    strongReliefSeeThrough: {size: "320x240", course: 12, seed: 4242, frames: 600, sets: ["UpDown=3", "Trans=1"]},
    mediumReliefStarScrollComet: {size: "640x360", course: 1, seed: 7, frames: 1500,
      sets: ["UpDown=2", "StarScroll=1", "Comet=1", "Speed=15"]},
    darkColourSet: {size: "480x320", course: 20, seed: 31337, frames: 300, sets: ["road_Color=cl3DLight",
      "porl_Color=$0001FEFF", "star1_Color=cl3DLight", "star2_Color=clAqua", "star3_Color=clYellow",
      "town1_Color=$0001807F", "town2_Color=clTeal", "town3_Color=$0000009B"]},
  };
  for (const [name, setup] of Object.entries(setups)) {
    test(name, async () => {
      recorderFrame(name, setup);
      const page = await pageFrame(setup);
      const result = await compareCanvas(page, `/expected/${name}.png`);
      assert.deepEqual(page.errors, []);
      assert.equal(result.size, undefined, `canvas and PNG sizes differ: ${result.size}`);
      assert.ok(result.lit > 100, `the recorder's frame is nearly black (${result.lit} lit pixels)`);
      assert.equal(result.differ, 0, `first difference: ${JSON.stringify(result.first)}`);
      await page.close();
    });
  }

  test("during the banner everything but the banner's text boxes", async () => {
    const setup = {size: "640x480", course: 5, seed: 2026, frames: 60, sets: ["UpDown=2"]};
    recorderFrame("banner", setup);
    const page = await pageFrame(setup);
    const banner = await page.evaluate(() => window.velmoraRendered.banner);
    assert.ok(banner[2] > 100 && banner[3] > 20, `no banner drawn: ${banner}`);
    // The text itself is drawn, not only measured: a missing font must not pass as an empty box.
    const bannerLit = await page.evaluate(([left, top, right, bottom]) => {
      const pixels = document.getElementById("drive").getContext("2d")
          .getImageData(left, top, right - left, bottom - top).data;
      let lit = 0;
      for (let i = 0; i < pixels.length; i += 4) if (pixels[i] || pixels[i + 1] || pixels[i + 2]) ++lit;
      return lit;
    }, banner);
    assert.ok(bannerLit > 200, `only ${bannerLit} lit pixels in the banner's box ${banner}`);
    // The recorder draws the banner in FreeType's rendering of its face, the page in the
    // browser's: the boxes may differ a little in size.
    const exclude = [0, 0, Math.ceil(banner[2] * 1.2) + 8, Math.ceil(banner[3] * 1.2) + 8];
    const result = await compareCanvas(page, "/expected/banner.png", exclude);
    assert.ok(result.lit > 100);
    assert.equal(result.differ, 0, `first difference: ${JSON.stringify(result.first)}`);
    await page.close();
  });
});

describe("the running page paces its frames by the virtual clock", () => {
  test("every animation frame has run exactly the frames due, a stalled page catches up, and the canvas holds the module's pixels", async () => {
    const page = await openPage("?size=320x240&course=4&seed=77&trace=1");
    await page.waitForFunction(() => window.velmoraTrace?.length >= 30, null, {timeout: 20000});
    // The page's thread held up for 400 ms: the next animation frame must run every frame missed.
    await page.evaluate(() => { const end = performance.now() + 400; while (performance.now() < end); });
    const stalledAt = await page.evaluate(() => window.velmoraTrace.length);
    await page.waitForFunction((n) => window.velmoraTrace.length >= n + 30, stalledAt, {timeout: 20000});
    const {trace, period, same} = await page.evaluate(() => {
      const M = window.velmora.module;
      const drive = document.getElementById("drive");
      const got = drive.getContext("2d").getImageData(0, 0, drive.width, drive.height).data;
      const want = M.HEAPU8.subarray(M._velmora_pixels(), M._velmora_pixels() + got.length);
      let same = true;
      for (let i = 0; i < got.length; ++i) if (got[i] !== want[i]) { same = false; break; }
      return {trace: window.velmoraTrace, period: window.velmoraPeriod, same};
    });
    assert.equal(period, 30);
    for (const [elapsed, ran] of trace)
      assert.equal(ran, Math.floor(elapsed / period) + 1, `at ${elapsed} ms: ${ran} frames run`);
    const steps = trace.slice(1).map(([, ran], i) => ran - trace[i][1]);
    assert.ok(Math.max(...steps) >= 12, `no catch-up after the stall: ${steps}`);
    assert.ok(same, "the canvas differs from the module's pixels");
    assert.deepEqual(page.errors, []);
    await page.close();
  });
});

// The settings panel's controls, read back as the page shows them.
function panelValues(page) {
  return page.evaluate(() => {
    const value = (name) => document.getElementById("set-" + name).value;
    const radio = (name) => document.querySelector(`input[name=${name}]:checked`)?.value ?? null;
    const check = (name) => document.getElementById("set-" + name).checked;
    return {Speed: value("Speed"), DispMode: radio("DispMode"), UpDown: radio("UpDown"), StarScroll: check("StarScroll"),
      Comet: check("Comet"), Trans: check("Trans"), road_Color: value("road_Color"), porl_Color: value("porl_Color"),
      town1_Color: value("town1_Color"), town2_Color: value("town2_Color"), town3_Color: value("town3_Color")};
  });
}

function storeValues(file) {
  const out = execFileSync(storecheck, [file], {encoding: "utf8"});
  return Object.fromEntries(out.trim().split("\n").map((line) => line.split("=")));
}

async function exportFile(page, name) {
  const download = page.waitForEvent("download");
  await page.click("#export");
  const file = join(work, name);
  await (await download).saveAs(file);
  return file;
}

async function importFile(page, name, buffer) {
  await page.setInputFiles("#import", {name, mimeType: "text/plain", buffer});
}

function windowsExport(lines) {
  const text = ["Windows Registry Editor Version 5.00", "", "[HKEY_CURRENT_USER\\Software\\Velmora]", ...lines, ""].join("\r\n");
  return Buffer.from("\uFEFF" + text, "utf16le");
}

describe("the settings panel", () => {
  test("is built from the settings table with the dialog's captions, ranges, items and colour rows", async () => {
    const page = await openPage();
    const shown = await page.evaluate(() => ({
      caption: document.getElementById("panel-caption").textContent,
      range: document.querySelector(".spin span").textContent,
      relief: [...document.querySelectorAll("#set-UpDown label")].map((l) => l.textContent.trim()),
      buttons: [...document.querySelectorAll("#panel button")].map((b) => b.textContent),
      names: document.querySelectorAll("#colour-names option").length,
      rows: document.querySelectorAll(".colour-row").length,
    }));
    assert.equal(shown.caption, "設定");
    assert.equal(shown.range, "15～50");
    assert.deepEqual(shown.relief, ["なし", "1 (弱)", "2 (中)", "3 (強)"]);
    for (const caption of ["道路", "街灯", "星１ (45)", "星２ (10)", "星３ (5)", "街１ (215)", "街２ (25)", "街３ (10)",
      "暗色の規定値", "明るい規定値", "OK", "ｷｬﾝｾﾙ"])
      assert.ok(shown.buttons.includes(caption), `no button ${caption}`);
    assert.equal(shown.names, 42);
    assert.equal(shown.rows, 8);
    assert.deepEqual(await panelValues(page), {Speed: "30", DispMode: "0", UpDown: "1", StarScroll: false,
      Comet: false, Trans: false, road_Color: "cl3DLight", porl_Color: "clYellow", town1_Color: "clYellow",
      town2_Color: "clTeal", town3_Color: "clRed"});
    await page.close();
  });

  test("keeps a change across a reload, and its export reads the same in the Linux store", async () => {
    const context = await browser.newContext();
    const page = await openPage("", context);
    await page.fill("#set-Speed", "25");
    await page.check("input[name=UpDown][value='3']");
    await page.check("#set-Comet");
    await page.click("text=暗色の規定値");
    await page.click("text=OK");
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === "1");
    const shown = await panelValues(page);
    assert.deepEqual(shown, {Speed: "25", DispMode: "0", UpDown: "3", StarScroll: false, Comet: true, Trans: false,
      road_Color: "cl3DLight", porl_Color: "$0001FEFF", town1_Color: "$0001807F", town2_Color: "clTeal",
      town3_Color: "$0000009B"});
    const stored = storeValues(await exportFile(page, "exported.reg"));
    assert.deepEqual(stored, {Speed: "25", DispMode: "0", StarScroll: "0", Comet: "1", UpDown: "3", Trans: "0",
      road_Color: "cl3DLight", porl_Color: "$0001FEFF", star1_Color: "cl3DLight", star2_Color: "clAqua",
      star3_Color: "clYellow", town1_Color: "$0001807F", town2_Color: "clTeal", town3_Color: "$0000009B"});
    // The drive restarted on the new period.
    assert.equal(await page.evaluate(() => window.velmoraPeriod), 25);
    await context.close();
  });

  test("the original display mode runs the drive at 640x480, stretched over the picture", async () => {
    const context = await browser.newContext();
    const page = await openPage("", context);
    const view = () => page.evaluate(() => [window.velmora.module._velmora_width(), window.velmora.module._velmora_height(),
      document.getElementById("drive").width, document.getElementById("drive").height]);
    assert.notDeepEqual(await view(), [640, 480, 640, 480]);
    await page.check("input[name=DispMode][value='1']");
    await page.click("text=OK");
    assert.deepEqual(await view(), [640, 480, 640, 480]);
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === "1");
    assert.deepEqual(await view(), [640, 480, 640, 480]);
    await context.close();
  });

  test("Cancel and the presets write nothing until OK", async () => {
    const context = await browser.newContext();
    const page = await openPage("", context);
    await page.click("text=明るい規定値");
    assert.equal((await panelValues(page)).town2_Color, "clLime");
    await page.click("text=ｷｬﾝｾﾙ");
    assert.equal((await panelValues(page)).town2_Color, "clTeal");
    await page.click("text=明るい規定値");
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === "1");
    assert.equal((await panelValues(page)).road_Color, "cl3DLight");
    await context.close();
  });

  test("applies the values of a Windows UTF-16 export on import", async () => {
    const context = await browser.newContext();
    const page = await openPage("", context);
    await importFile(page, "windows.reg", windowsExport(['"Speed"="42"', '"UpDown"="0"', '"Trans"="1"',
      '"road_Color"="clLime"', '"town3_Color"="$00123456"', '"porl_Color"="CLRED"']));
    await page.waitForFunction(() => document.getElementById("set-Speed").value === "42", null, {timeout: 10000});
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === "1");
    const shown = await panelValues(page);
    assert.equal(shown.Speed, "42");
    assert.equal(shown.UpDown, "0");
    assert.equal(shown.Trans, true);
    assert.equal(shown.road_Color, "clLime");
    assert.equal(shown.porl_Color, "clRed");
    assert.equal(shown.town3_Color, "$00123456");
    assert.equal(shown.town2_Color, "clTeal");
    const stored = storeValues(await exportFile(page, "after-import.reg"));
    assert.equal(stored.Speed, "42");
    assert.equal(stored.road_Color, "clLime");
    assert.equal(await page.evaluate(() => window.velmoraPeriod), 42);
    await context.close();
  });

  test("refuses bad values with the dialog's own texts", async () => {
    const context = await browser.newContext();
    const page = await openPage("", context);
    const message = async () => {
      await page.waitForSelector("#message:not([hidden])", {timeout: 15000});
      const shown = await page.evaluate(() => [document.getElementById("message-caption").textContent,
        document.getElementById("message-text").textContent]);
      await page.click("#message-ok");
      return shown;
    };
    // A colour text that is neither a name nor an integer, typed or imported.
    await page.fill("#set-road_Color", "red");
    await page.press("#set-road_Color", "Enter");
    assert.deepEqual(await message(), ["Velmora", "'red' は整数ではありません."]);
    assert.equal((await panelValues(page)).road_Color, "cl3DLight");
    await importFile(page, "bad.reg", windowsExport(['"Speed"="20"', '"star2_Color"="blue-ish"']));
    assert.deepEqual(await message(), ["Velmora", "'blue-ish' は整数ではありません."]);
    // Values read before the refusal are shown; nothing is stored.
    assert.equal((await panelValues(page)).Speed, "20");
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === "1");
    assert.equal((await panelValues(page)).Speed, "30");
    // A value of the wrong type, as the store refuses it.
    await importFile(page, "dword.reg", windowsExport(['"UpDown"=dword:00000002']));
    assert.deepEqual(await message(), ["Velmora", "'UpDown' のﾃﾞｰﾀ型が不正です."]);
    // The speed field drops letters and clamps a number out of range when left.
    await page.fill("#set-Speed", "");
    await page.type("#set-Speed", "4x5");
    assert.equal((await panelValues(page)).Speed, "45");
    await page.fill("#set-Speed", "99");
    await page.press("#set-Speed", "Tab");
    assert.equal((await panelValues(page)).Speed, "50");
    assert.deepEqual(page.errors, []);
    await context.close();
  });
});

describe("full screen", () => {
  const full = (page) => page.waitForFunction(() => document.fullscreenElement?.id === "drive", null, {timeout: 15000});
  const windowed = (page) => page.waitForFunction(() => document.fullscreenElement === null, null, {timeout: 15000});

  test("a click enters it on the whole screen; the first movement is only recorded, the next leaves", async () => {
    const page = await openPage();
    await page.click("#drive");
    await full(page);
    await page.waitForFunction(() => window.velmora.module._velmora_width() === Math.round(screen.width * devicePixelRatio),
      null, {timeout: 15000});
    await page.mouse.move(200, 200);
    await page.evaluate(() => new Promise(requestAnimationFrame));
    assert.equal(await page.evaluate(() => document.fullscreenElement?.id), "drive");
    await page.mouse.move(201, 200);
    await windowed(page);
    await page.close();
  });

  test("a key enters it, and a key or a button leaves it", async () => {
    const page = await openPage();
    await page.focus("#drive");
    await page.keyboard.press("Space");
    await full(page);
    await page.keyboard.press("a");
    await windowed(page);
    await page.click("#drive");
    await full(page);
    await page.mouse.down();
    await windowed(page);
    await page.mouse.up();
    await page.close();
  });
});
