// SPDX-License-Identifier: GPL-3.0-or-later
// The maker in a worker of its own, so that the page and its preview stay live
// while a picture is made. One make at a time, in the order asked.
//   in:  {id, picture: ArrayBuffer, name, fit, dither, reencode}
//   out: {ready: true} once the module and the saver program are loaded (or
//        {ready: false, refusal} when they cannot be);
//        {id, step} as each step of a make begins, then
//        {id, made: true, summary, notes, file: ArrayBuffer} or {id, made: false, refusal}
'use strict';
importScripts('glimmer.js', 'maker-calls.js');

let currentId = 0;
// The saver program that goes in front of every package: 61440 bytes, fetched
// once from beside the page (the module carries no copy of it).
const programLoaded = fetch('saver.exe').then(async response => {
  if (!response.ok)
    throw new Error(`the saver program (saver.exe) could not be loaded: HTTP ${response.status}`);
  return new Uint8Array(await response.arrayBuffer());
});
const moduleLoaded = createGlimmerModule({ onMakeStep: step => postMessage({ id: currentId, step }) });
Promise.all([moduleLoaded, programLoaded]).then(
  () => postMessage({ ready: true }),
  error => postMessage({ ready: false, refusal: String(error.message || error) }));

async function make(request) {
  const [glimmer, program] = await Promise.all([moduleLoaded, programLoaded]);
  currentId = request.id;
  return makeSaverWith(glimmer, program, request);
}

let queue = Promise.resolve();
self.onmessage = event => {
  const request = event.data;
  queue = queue.then(() => make(request)).then(
    result => postMessage({ id: request.id, ...result }, result.file ? [result.file] : []),
    error => postMessage({ id: request.id, made: false, refusal: String(error.message || error) }));
};
