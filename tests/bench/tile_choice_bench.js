// SPDX-License-Identifier: GPL-3.0-or-later
// How long the module takes from a new choice of tile (a moved or zoomed
// frame, a turn, seamless) to the new saver, for a 12-megapixel JPEG that it
// has read once and keeps (goal: 150 ms), against the first make, which
// decodes it. A benchmark, run by hand; no test depends on it.
//
//     node tests/bench/tile_choice_bench.js [--runs N]
//
// Needs the native and web builds (build/native, build/web) and ImageMagick.
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const harness = require('../web/harness.js');
const { makeSaverWith } = harness.siteScript('maker-calls.js');

const runsAt = process.argv.indexOf('--runs');
const runs = runsAt > 0 ? Number(process.argv[runsAt + 1]) : 5;
const folder = harness.temporaryFolder('tile-bench');
harness.run('convert', ['-seed', '3', '-size', '1000x750', 'plasma:green-purple', '-resize', '4000x3000!',
  '-quality', '90', 'photo12mp.jpg'], folder);
harness.run('convert', ['-seed', '3', '-size', '256x256', 'plasma:green-purple', 'tile.png'], folder);
const photo = fs.readFileSync(path.join(folder, 'photo12mp.jpg'));
// The floor: a picture already 256 x 256 is only quantised and encoded.
const tile = fs.readFileSync(path.join(folder, 'tile.png'));
let picture = photo;

// Timed as the page's worker makes it: the picture copied in, made, the saver copied out.
function makeChosen(glimmer, program, choice) {
  const [x, y, width, height] = choice.crop ?? [];
  const started = performance.now();
  const made = makeSaverWith(glimmer, program, { picture, name: 'photo12mp.jpg', fit: 'cover', dither: 1,
    crop: choice.crop ? { x, y, width, height } : null, turn: choice.turn, seamless: choice.seamless });
  const elapsed = performance.now() - started;
  if (!made.made)
    throw new Error(made.refusal);
  return elapsed;
}

const median = values => [...values].sort((a, b) => a - b)[values.length >> 1];

(async () => {
  const glimmer = await harness.loadModule();
  const program = fs.readFileSync(path.join(harness.site, 'saver.exe'));
  // Frames as a person drags them: same size, moved; then zoomed within a scale.
  const frames = [
    { name: 'a 256 x 256 PNG (quantising and encoding only)', choices: [{}], fresh: true, picture: tile },
    { name: 'whole picture, first make (decodes)', choices: [{}], fresh: true },
    { name: 'frame moved (kept picture)', choices: [{ crop: [500, 400, 2800, 2000] }, { crop: [560, 420, 2800, 2000] }] },
    { name: 'frame zoomed in to 1200 x 1200 (decodes at 2/8 once, then kept)',
      choices: [{ crop: [1400, 900, 1200, 1200] }, { crop: [1420, 900, 1200, 1200] }] },
    { name: 'turned 90 and seamless (kept picture)', choices: [{ turn: 90, seamless: true }] },
  ];
  for (const frame of frames) {
    picture = frame.picture ?? photo;
    const times = [];
    for (let run = 0; run < runs; ++run) {
      if (frame.fresh)
        glimmer._glimmer_forget_picture();
      for (const choice of frame.choices)
        times.push(makeChosen(glimmer, program, choice));
    }
    console.log(`${frame.name}: median ${median(times).toFixed(0)} ms over ${times.length} makes`);
  }
})();
