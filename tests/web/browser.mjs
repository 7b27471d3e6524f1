// The web page's host programs for tests and benchmarks: a file server on localhost and Debian's
// own Chromium, headless, driven by playwright-core.
import {createServer} from "node:http";
import {readFile} from "node:fs/promises";
import {extname, join, normalize} from "node:path";
import {chromium} from "playwright-core";

const kTypes = {".html": "text/html; charset=utf-8", ".js": "text/javascript", ".mjs": "text/javascript",
  ".css": "text/css", ".wasm": "application/wasm", ".png": "image/png", ".reg": "text/plain"};

// Serves each URL prefix from its folder (e.g. {"/": build/web, "/expected/": a temporary one}) on
// a free port of 127.0.0.1; resolves to {url, close}.
export function serve(folders) {
  const server = createServer(async (request, response) => {
    const path = decodeURIComponent(new URL(request.url, "http://x").pathname);
    const prefix = Object.keys(folders).filter((p) => path.startsWith(p)).sort((a, b) => b.length - a.length)[0];
    const relative = normalize(path.slice(prefix.length) || "index.html");
    if (relative.startsWith("..")) return response.writeHead(403).end();
    try {
      const body = await readFile(join(folders[prefix], relative === "." ? "index.html" : relative));
      response.writeHead(200, {"content-type": kTypes[extname(relative)] || "application/octet-stream"});
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => {
    resolve({url: `http://127.0.0.1:${server.address().port}/`, close: () => new Promise((r) => server.close(r))});
  }));
}

// Chromium as root needs these; playwright gives each launch a fresh profile of its own.
export function launchChromium(options = {}) {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", ...(options.args || [])],
  });
}
