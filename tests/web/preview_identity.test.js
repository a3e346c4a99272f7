// SPDX-License-Identifier: GPL-3.0-or-later
// The page's preview is glimmer preview: for savers of several kinds and
// three seeds, frames 1, 2 and 300 that the module draws (through the page's
// own script) are glimmer preview's, index for index and colour for colour,
// and the module warns of what glimmer warns of.
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const harness = require('./harness.js');

harness.needNativeBuild();
const folder = harness.temporaryFolder('preview');
const glimmer = (...args) => {
  const run = harness.runGlimmer(args, folder);
  assert.strictEqual(run.status, 0, run.stderr);
  return run;
};

// The default saver (its GIF packed unchanged), a photo, a small picture kept
// at its size (palette index 0 around it), and a saver cut short inside its
// picture, which the saver shows only in part.
harness.run('convert', ['-seed', '3', '-size', '500x380', 'plasma:gold-navy', 'photo.jpg'], folder);
glimmer('make', path.join(harness.source, 'assets/glimmerwheel.gif'), '-o', 'default.scr');
glimmer('make', 'photo.jpg', '-o', 'photo.scr', '--fit', 'contain', '--dither', '0.5');
glimmer('make', path.join(harness.source, 'tests/data/pictures/bmp-4bit.bmp'), '-o', 'small.scr', '--fit', 'none');
const whole = fs.readFileSync(path.join(folder, 'photo.scr'));
fs.writeFileSync(path.join(folder, 'cut.scr'), whole.subarray(0, 61440 + 393 + 900));

const seeds = [0, 20240601, 4294967295];
const frames = [1, 2, 300];
const pixels = 640 * 480;

// glimmer preview's frame N: its palette indices (PGM) and colours (PNG,
// read back as RGB by ImageMagick), and its warnings.
function toolFrame(saver, seed, frame) {
  const run = glimmer('preview', saver, '--seed', String(seed), '--frames', String(frame), '-o', 'frame.pgm');
  glimmer('preview', saver, '--seed', String(seed), '--frames', String(frame), '-o', 'frame.png');
  const pgm = fs.readFileSync(path.join(folder, 'frame.pgm'));
  const rgb = harness.run('convert', ['frame.png', '-depth', '8', 'rgb:-'], folder);
  const warnings = run.stderr.split('\n').filter(line => line.startsWith('warning: ')).map(line => line.slice(9));
  return { indices: pgm.subarray(pgm.length - pixels), rgb, warnings };
}

function rgbOf(rgba) {
  const rgb = Buffer.alloc(pixels * 3);
  for (let i = 0; i < pixels; ++i)
    rgba.copy(rgb, i * 3, i * 4, i * 4 + 3);
  return rgb;
}

test('the module draws the frames glimmer preview draws', async t => {
  const { SaverRun } = await harness.importSiteModule('saver-run.mjs');
  const run = new SaverRun(await harness.loadModule());
  for (const saver of ['default.scr', 'photo.scr', 'small.scr', 'cut.scr']) {
    const bytes = fs.readFileSync(path.join(folder, saver));
    assert.ok(run.holdsPackage(bytes));
    for (const seed of seeds) {
      await t.test(`${saver} with seed ${seed}`, () => {
        const opened = run.open(bytes, saver, seed);
        assert.ok(opened.opened, opened.refusal);
        let drawn = 0;
        for (const frame of frames) {
          for (; drawn < frame; ++drawn)
            run.step();
          const tool = toolFrame(saver, seed, frame);
          assert.deepStrictEqual(opened.warnings, tool.warnings);
          assert.ok(Buffer.from(run.frameIndices()).equals(tool.indices), `frame ${frame}: palette indices`);
          assert.ok(rgbOf(Buffer.from(run.frameRgba())).equals(tool.rgb), `frame ${frame}: colours`);
        }
      });
    }
  }
  const cut = run.open(fs.readFileSync(path.join(folder, 'cut.scr')), 'cut.scr', 1);
  assert.ok(cut.warnings.length > 0, 'the saver cut short is warned about');
});

test('the module refuses what glimmer preview refuses, with its message', async () => {
  const { SaverRun } = await harness.importSiteModule('saver-run.mjs');
  const run = new SaverRun(await harness.loadModule());
  const header = fs.readFileSync(path.join(folder, 'default.scr')).subarray(0, 61440 + 100);
  fs.writeFileSync(path.join(folder, 'header-cut.scr'), header);
  for (const [name, bytes] of [['header-cut.scr', header], ['program.exe', header.subarray(0, 61440)]]) {
    fs.writeFileSync(path.join(folder, name), bytes);
    const tool = harness.runGlimmer(['preview', name, '-o', 'frame.pgm'], folder);
    const page = run.open(bytes, name, 1);
    assert.strictEqual(tool.status, 2);
    assert.ok(!page.opened && tool.stderr.trim().endsWith(`: ${page.refusal}`), `${tool.stderr} | ${page.refusal}`);
  }
});
