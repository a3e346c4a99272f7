// SPDX-License-Identifier: GPL-3.0-or-later
// A saver running in the module, as the page's preview and the Node tests
// drive it: the saver's own package reader, GIF decoder, palette rule,
// texture capture, renderer and motion, a frame at a time, and its input
// rule for when it ends.
export const frameWidth = 640;
export const frameHeight = 480;
const keyKinds = { Alt: 0, F10: 1 };  // every other key is 2

export class SaverRun {
  constructor(glimmer) {
    this.glimmer = glimmer;
  }

  // Whether the bytes hold a package (a saver or a file.dat) rather than a picture.
  holdsPackage(bytes) {
    return this.withCopy(bytes, address => this.glimmer._glimmer_holds_package(address, bytes.length)) === 1;
  }

  // Starts the saver in `bytes` (named `name` in messages) with the motion
  // seed: {opened: true, warnings, package} or {opened: false, refusal}.
  open(bytes, name, seed) {
    const glimmer = this.glimmer;
    const nameBytes = new TextEncoder().encode(`${name}\0`);
    this.withCopy(bytes, address => this.withCopy(nameBytes,
      nameAddress => glimmer._glimmer_open_saver(address, bytes.length, nameAddress, seed >>> 0)));
    return JSON.parse(glimmer.UTF8ToString(glimmer._glimmer_saver_text()));
  }

  // The same saver from its start with another seed.
  restart(seed) {
    this.glimmer._glimmer_restart(seed >>> 0);
  }

  step() {
    this.glimmer._glimmer_step();
  }

  // The frame as palette indices and as the colours the saver shows, views
  // into the module's memory that the next step overwrites.
  frameIndices() {
    const address = this.glimmer._glimmer_frame_indices();
    return this.glimmer.HEAPU8.subarray(address, address + frameWidth * frameHeight);
  }

  frameRgba() {
    const address = this.glimmer._glimmer_frame_rgba();
    return this.glimmer.HEAPU8.subarray(address, address + frameWidth * frameHeight * 4);
  }

  // The saver's input rule, from the start of a run in full screen.
  resetInput() {
    this.glimmer._glimmer_pointer_reset();
  }

  firstFrameShown() {
    this.glimmer._glimmer_first_frame_shown();
  }

  // Whether the pointer at (x, y) of the saver's 640 x 480 screen ends it.
  pointerMoveEnds(x, y) {
    return this.glimmer._glimmer_pointer_moved(x, y) === 1;
  }

  // Whether a key press (KeyboardEvent.key) ends it.
  keyEnds(key) {
    return this.glimmer._glimmer_key_ends(keyKinds[key] ?? 2) === 1;
  }

  withCopy(bytes, use) {
    const address = this.glimmer._glimmer_reserve(bytes.length);
    this.glimmer.HEAPU8.set(bytes, address);
    try {
      return use(address);
    } finally {
      this.glimmer._glimmer_release(address);
    }
  }
}
