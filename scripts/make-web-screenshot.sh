#!/usr/bin/env bash
# Takes docs/web.png: the web page in headless Chromium, 1280x800, two seconds into the drive
# (banner shown) with its settings panel, from build/web/.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -f build/web/velmora.wasm ]] || scripts/build-web.sh
[[ -d tests/web/node_modules/playwright-core ]] ||
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
cd tests/web
node --input-type=module - "$PWD/../../build/web" "$PWD/../../docs/web.png" <<'JS'
import {launchChromium, serve} from "./browser.mjs";
const [web, out] = process.argv.slice(2);
const server = await serve({"/": web});
const browser = await launchChromium();
try {
  const page = await browser.newPage({viewport: {width: 1280, height: 800}});
  await page.goto(server.url + "?seed=40000&course=6");
  await page.waitForFunction(() => window.velmora?.module._velmora_frames_run() >= 70, null, {timeout: 30000});
  await page.screenshot({path: out});
  console.log("wrote " + out);
} finally {
  await browser.close();
  await server.close();
}
JS
