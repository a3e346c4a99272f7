// SPDX-License-Identifier: GPL-3.0-or-later
// The maker in a worker of its own, so that the page and its preview stay live
// while a picture is made, and so that the page never waits for the maker's
// module. One make at a time, in the order asked; a request sent before the
// module is ready waits for it.
//   in:  {id, file: File or picture: ArrayBuffer, name, fit, dither, reencode,
//         crop: {x, y, width, height} or null, turn, seamless}
//   out: {loading: {received, total}} as the module comes in (total 0: not known);
//        {ready: true} once the module and the saver program are loaded (or
//        {ready: false, refusal} when they cannot be);
//        {id, step} as each step of a make begins, then
//        {id, made: true, summary, notes, file: ArrayBuffer} or {id, made: false, refusal}
'use strict';
importScripts('glimmer.js', 'maker-calls.js');

// Once a make has grown the module's memory past this (a huge picture, or
// bytes refused only after they were copied in), a fresh module takes its
// place, so that the worker does not keep the memory for good.
const mostKeptMemory = 32 * 1024 * 1024;

let currentId = 0;

async function fetchBytes(name, onProgress) {
  const response = await fetch(name);
  if (!response.ok)
    throw new Error(`${name} could not be loaded: HTTP ${response.status}`);
  // Content-Length counts the compressed bytes when the answer is compressed.
  const total = response.headers.has('Content-Encoding') ? 0 : Number(response.headers.get('Content-Length') ?? 0);
  if (!response.body || !onProgress)
    return new Uint8Array(await response.arrayBuffer());
  const reader = response.body.getReader();
  const parts = [];
  let received = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done)
      break;
    parts.push(value);
    received += value.length;
    onProgress(received, total);
  }
  const bytes = new Uint8Array(received);
  let at = 0;
  for (const part of parts) {
    bytes.set(part, at);
    at += part.length;
  }
  return bytes;
}

// The saver program that goes in front of every package: 61440 bytes, fetched
// once from beside the page (the module carries no copy of it).
const programLoaded = fetchBytes('saver.exe');
const wasmLoaded = fetchBytes('glimmer.wasm', (received, total) => postMessage({ loading: { received, total } }));
const startModule = () => wasmLoaded.then(wasmBinary =>
  createGlimmerModule({ wasmBinary, onMakeStep: step => postMessage({ id: currentId, step }) }));
let moduleLoaded = startModule();
Promise.all([moduleLoaded, programLoaded]).then(
  () => postMessage({ ready: true }),
  error => postMessage({ ready: false, refusal: String(error.message || error) }));

async function make(request) {
  const [glimmer, program] = await Promise.all([moduleLoaded, programLoaded]);
  currentId = request.id;
  const picture = request.picture ?? await request.file.arrayBuffer();
  try {
    return makeSaverWith(glimmer, program, { ...request, picture });
  } finally {
    if (glimmer.HEAPU8.length > mostKeptMemory)
      moduleLoaded = startModule();
  }
}

let queue = Promise.resolve();
self.onmessage = event => {
  const request = event.data;
  queue = queue.then(() => make(request)).then(
    result => postMessage({ id: request.id, ...result }, result.file ? [result.file] : []),
    error => postMessage({ id: request.id, made: false, refusal: String(error.message || error) }));
};
