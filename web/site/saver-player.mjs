// SPDX-License-Identifier: GPL-3.0-or-later
// The saver playing on the page's canvas, one frame per display refresh; in
// full screen it ends the way the saver ends, by the saver's own input rule.
import { SaverRun, frameWidth, frameHeight } from './saver-run.mjs';

const endingInputs = ['keydown', 'pointerdown', 'pointerup', 'pointermove'];

export class SaverPlayer {
  constructor(glimmer, canvas, { onFrame }) {
    this.run = new SaverRun(glimmer);
    this.canvas = canvas;
    this.context = canvas.getContext('2d', { alpha: false });
    this.image = this.context.createImageData(frameWidth, frameHeight);
    this.onFrame = onFrame;
    this.loaded = false;
    this.playing = false;
    this.fullScreen = false;
    this.frame = 0;
    this.stopFrame = 0;  // stop after this frame (0: never)
    this.tick = () => this.advance();
    this.endOnInput = event => this.handleInput(event);
  }

  holdsPackage(bytes) {
    return this.run.holdsPackage(bytes);
  }

  open(bytes, name, seed) {
    const result = this.run.open(bytes, name, seed);
    this.loaded = result.opened;
    this.frame = 0;
    this.play();
    return result;
  }

  // Nothing loaded, nothing shown.
  clear() {
    this.playing = false;
    this.loaded = false;
    this.frame = 0;
    this.context.fillStyle = '#000';
    this.context.fillRect(0, 0, this.canvas.width, this.canvas.height);
  }

  restart(seed) {
    if (!this.loaded)
      return;
    this.run.restart(seed);
    this.frame = 0;
    this.play();
  }

  play() {
    if (this.playing || !this.loaded || (this.stopFrame && this.frame >= this.stopFrame))
      return;
    this.playing = true;
    requestAnimationFrame(this.tick);
  }

  pause() {
    this.playing = false;
  }

  advance() {
    if (!this.playing)
      return;
    this.run.step();
    this.frame += 1;
    this.image.data.set(this.run.frameRgba());
    this.context.putImageData(this.image, 0, 0);
    if (this.fullScreen)
      this.run.firstFrameShown();
    this.onFrame(this.frame);
    if (this.stopFrame && this.frame >= this.stopFrame)
      this.playing = false;
    else
      requestAnimationFrame(this.tick);
  }

  // Full screen as the saver shows it, from its first frame; `onEnd` once
  // it has ended.
  async showFullScreen(stage, seed, onEnd) {
    this.run.resetInput();
    this.fullScreen = true;
    this.restart(seed);
    for (const type of endingInputs)
      document.addEventListener(type, this.endOnInput, true);
    const left = () => {
      if (document.fullscreenElement)
        return;
      document.removeEventListener('fullscreenchange', left);
      for (const type of endingInputs)
        document.removeEventListener(type, this.endOnInput, true);
      this.fullScreen = false;
      onEnd?.();
    };
    document.addEventListener('fullscreenchange', left);
    try {
      await stage.requestFullscreen();
    } catch (error) {
      this.fullScreen = false;
      left();
      throw error;
    }
  }

  // A key, a click or a pointer jump of more than 10 of the saver's pixels
  // ends full screen.
  handleInput(event) {
    if (!this.fullScreen)
      return;
    let ends = true;
    if (event.type === 'keydown') {
      ends = this.run.keyEnds(event.key);
    } else if (event.type === 'pointermove') {
      const box = this.canvas.getBoundingClientRect();
      ends = this.run.pointerMoveEnds(Math.floor((event.clientX - box.left) * frameWidth / box.width),
        Math.floor((event.clientY - box.top) * frameHeight / box.height));
    }
    if (ends) {
      event.preventDefault();
      document.exitFullscreen().catch(() => {});
    }
  }
}
