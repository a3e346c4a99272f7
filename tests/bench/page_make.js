// SPDX-License-Identifier: GPL-3.0-or-later
// The page's make, as its worker makes a saver (its WebAssembly module, here
// in Node), on each picture given: the median time of fresh makes (the
// picture copied in and decoded each time), in milliseconds, one line each.
// make_vs_vips.py runs it beside glimmer make. A benchmark; no test depends on it.
//
//     node tests/bench/page_make.js ROUNDS PICTURE...
//
// Needs the web build (build/web).
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const harness = require('../web/harness.js');
const { makeSaverWith } = harness.siteScript('maker-calls.js');

(async () => {
  const rounds = Number(process.argv[2]);
  const glimmer = await harness.loadModule();
  const program = fs.readFileSync(path.join(harness.site, 'saver.exe'));
  for (const file of process.argv.slice(3)) {
    // An ArrayBuffer, as the worker has the picture from File.arrayBuffer():
    // a Node Buffer would be copied again by each make.
    const bytes = fs.readFileSync(file);
    const picture = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length);
    const times = [];
    for (let round = 0; round < rounds; ++round) {
      glimmer._glimmer_forget_picture();
      const started = performance.now();
      const made = makeSaverWith(glimmer, program, { picture, name: path.basename(file), fit: 'cover', dither: 1,
        crop: null, turn: 0, seamless: false });
      times.push(performance.now() - started);
      if (!made.made)
        throw new Error(made.refusal);
    }
    times.sort((a, b) => a - b);
    console.log(times[times.length >> 1].toFixed(1));
  }
})();
