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

const runsAt = process.argv.indexOf('--runs');
const runs = runsAt > 0 ? Number(process.argv[runsAt + 1]) : 5;
const folder = harness.temporaryFolder('tile-bench');
harness.run('convert', ['-seed', '3', '-size', '1000x750', 'plasma:green-purple', '-resize', '4000x3000!',
  '-quality', '90', 'photo12mp.jpg'], folder);
const picture = fs.readFileSync(path.join(folder, 'photo12mp.jpg'));

function makeChosen(glimmer, program, choice) {
  const copies = [];
  const copyIn = data => {
    const address = glimmer._glimmer_reserve(data.length);
    glimmer.HEAPU8.set(data, address);
    copies.push(address);
    return address;
  };
  const text = value => copyIn(new TextEncoder().encode(`${value}\0`));
  const started = performance.now();
  const made = glimmer._glimmer_make_chosen(copyIn(picture), picture.length, text('photo12mp.jpg'), text('cover'),
    1, 0, copyIn(program), program.length, text(JSON.stringify(choice)));
  const elapsed = performance.now() - started;
  for (const address of copies)
    glimmer._glimmer_release(address);
  if (!made)
    throw new Error(glimmer.UTF8ToString(glimmer._glimmer_result_text()));
  return elapsed;
}

const median = values => [...values].sort((a, b) => a - b)[values.length >> 1];

(async () => {
  const glimmer = await harness.loadModule();
  const program = fs.readFileSync(path.join(harness.site, 'saver.exe'));
  // Frames as a person drags them: same size, moved; then zoomed within a scale.
  const frames = [
    { name: 'whole picture, first make (decodes)', choices: [{}], fresh: true },
    { name: 'frame moved (kept picture)', choices: [{ crop: [500, 400, 2800, 2000] }, { crop: [560, 420, 2800, 2000] }] },
    { name: 'frame zoomed in to 1200 x 1200 (decodes at 2/8 once, then kept)',
      choices: [{ crop: [1400, 900, 1200, 1200] }, { crop: [1420, 900, 1200, 1200] }] },
    { name: 'turned 90 and seamless (kept picture)', choices: [{ turn: 90, seamless: true }] },
  ];
  for (const frame of frames) {
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
