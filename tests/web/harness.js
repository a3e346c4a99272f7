// SPDX-License-Identifier: GPL-3.0-or-later
// What the web tests share: where the builds are, the module loaded under
// Node as the page loads it, the page's own scripts, and glimmer run as a
// program. The native build (build/native) must be there: without it a test
// ends with status 77, which ctest counts as skipped.
'use strict';
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const url = require('node:url');

const source = process.env.GLIMMER_SOURCE || path.resolve(__dirname, '../..');
const site = process.env.GLIMMER_SITE || path.join(source, 'build/web/site');
const native = process.env.GLIMMER_NATIVE || path.join(source, 'build/native');
const glimmerProgram = path.join(native, 'glimmer');

function needNativeBuild(...programs) {
  for (const program of [glimmerProgram, ...programs]) {
    if (!fs.existsSync(program)) {
      console.log(`${program} is not there: build the native preset first (cmake --build --preset native)`);
      process.exit(77);
    }
  }
}

// The module as the page's worker gets it, with its bytes handed in (Node
// has no page to fetch them from).
function loadModule() {
  const createGlimmerModule = require(path.join(site, 'glimmer.js'));
  return createGlimmerModule({ wasmBinary: fs.readFileSync(path.join(site, 'glimmer.wasm')) });
}

function siteScript(name) {
  return require(path.join(site, name));
}

function importSiteModule(name) {
  return import(url.pathToFileURL(path.join(site, name)).href);
}

// glimmer with these arguments in `folder`: {status, stdout, stderr} (the
// outputs as text).
function runGlimmer(args, folder) {
  const run = childProcess.spawnSync(glimmerProgram, args, { cwd: folder, encoding: 'utf8', maxBuffer: 1 << 26 });
  if (run.error)
    throw run.error;
  return { status: run.status, stdout: run.stdout, stderr: run.stderr };
}

function run(program, args, folder) {
  const result = childProcess.spawnSync(program, args, { cwd: folder, stdio: ['ignore', 'pipe', 'inherit'] });
  if (result.error || result.status !== 0)
    throw new Error(`${program} ${args.join(' ')} failed: ${result.error || `exit status ${result.status}`}`);
  return result.stdout;
}

function temporaryFolder(name) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), `glimmer-${name}-`));
  process.on('exit', () => fs.rmSync(folder, { recursive: true, force: true }));
  return folder;
}

module.exports = {
  source, site, native, needNativeBuild, loadModule, siteScript, importSiteModule, runGlimmer, run,
  temporaryFolder,
};
