// SPDX-License-Identifier: GPL-3.0-or-later
// The module's make, as the page's worker calls it and the Node tests call
// it: the picture, its name, the options and the saver program are copied
// into the module's memory, glimmer_make runs, and the saver's bytes and the
// JSON text that says what was made (or why not) are copied out. The tile's
// choice (crop, turn, seamless) goes in as JSON text of its own.
// A classic script: importScripts in the worker, require in Node.
'use strict';

function makeSaverWith(glimmer, program, request) {
  const copies = [];
  const copyIn = bytes => {
    const address = glimmer._glimmer_reserve(bytes.length);
    glimmer.HEAPU8.set(bytes, address);
    copies.push(address);
    return address;
  };
  const text = value => copyIn(new TextEncoder().encode(`${value}\0`));
  try {
    const picture = new Uint8Array(request.picture);
    const crop = request.crop;
    const choice = JSON.stringify({
      crop: crop ? [crop.x, crop.y, crop.width, crop.height] : null,
      turn: request.turn ?? 0, seamless: Boolean(request.seamless),
    });
    const made = glimmer._glimmer_make_chosen(copyIn(picture), picture.length, text(request.name),
      text(request.fit), request.dither, request.reencode ? 1 : 0, copyIn(program), program.length, text(choice));
    const result = JSON.parse(glimmer.UTF8ToString(glimmer._glimmer_result_text()));
    if (made) {
      const address = glimmer._glimmer_result_bytes();
      // A copy: the module's memory may grow (and move) at the next make.
      result.file = glimmer.HEAPU8.slice(address, address + glimmer._glimmer_result_size()).buffer;
    }
    return result;
  } finally {
    for (const address of copies)
      glimmer._glimmer_release(address);
  }
}

if (typeof module === 'object' && module.exports)
  module.exports = { makeSaverWith };
