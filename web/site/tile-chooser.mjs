// SPDX-License-Identifier: GPL-3.0-or-later
// The picture as the browser decodes it (upright by its EXIF orientation),
// with the tile's frame over it: dragged by mouse or finger, zoomed by wheel,
// pinch, buttons or keys, turned a quarter at a time. Only the frame moves
// while it is handled, so that dragging stays smooth; once it has been still
// for a moment, onSettle asks for the make.
import { TileFrame, turnedSize, nextTurn } from './tile-frame.mjs';

const settleMilliseconds = 250;
const zoomStep = 1.125;

export class TileChooser {
  constructor({ canvas, frame, onSettle }) {
    this.canvas = canvas;
    this.frameElement = frame;
    this.onSettle = onSettle;
    this.bitmap = null;
    this.turn = 0;
    this.frame = null;
    this.scale = 1;          // canvas CSS pixels per picture pixel
    this.pointers = new Map();
    this.settleTimer = 0;
    this.listen();
  }

  // Resolves false when the browser cannot decode the picture (TGA, say):
  // the saver is then made of the whole picture as before.
  async show(file) {
    this.bitmap?.close();
    this.bitmap = null;
    this.turn = 0;
    try {
      this.bitmap = await createImageBitmap(file, { imageOrientation: 'from-image' });
    } catch {
      this.frame = null;
      return false;
    }
    this.layOut(true);
    return true;
  }

  get shown() {
    return this.bitmap !== null;
  }

  choice() {
    return this.frame ? { crop: this.frame.crop(), turn: this.turn } : { crop: null, turn: 0 };
  }

  turnQuarter() {
    if (!this.bitmap)
      return;
    this.turn = nextTurn(this.turn);
    this.layOut(true);
    this.settleNow();
  }

  reset() {
    if (!this.bitmap)
      return;
    this.turn = 0;
    this.layOut(true);
    this.settleNow();
  }

  zoom(factor, centreX, centreY) {
    if (!this.frame)
      return;
    this.frame.zoomBy(factor, centreX, centreY);
    this.changed();
  }

  // Draws the turned picture into the canvas at the width the page gives it.
  layOut(newFrame) {
    const { width, height } = turnedSize(this.bitmap.width, this.bitmap.height, this.turn);
    if (newFrame || !this.frame)
      this.frame = new TileFrame(width, height);
    const shownWidth = Math.max(1, this.canvas.closest('section').clientWidth);
    this.scale = Math.min(1, shownWidth / width, 480 / height);
    const ratio = devicePixelRatio || 1;
    this.canvas.width = Math.max(1, Math.round(width * this.scale * ratio));
    this.canvas.height = Math.max(1, Math.round(height * this.scale * ratio));
    this.canvas.style.width = `${width * this.scale}px`;
    this.canvas.style.height = `${height * this.scale}px`;
    const context = this.canvas.getContext('2d');
    const drawScale = this.scale * ratio;
    context.setTransform(drawScale, 0, 0, drawScale, 0, 0);
    context.translate(width / 2, height / 2);
    context.rotate(this.turn * Math.PI / 180);
    context.drawImage(this.bitmap, -this.bitmap.width / 2, -this.bitmap.height / 2);
    this.drawFrame();
  }

  drawFrame() {
    const { x, y, side } = this.frame;
    const style = this.frameElement.style;
    style.width = style.height = `${side * this.scale}px`;
    style.transform = `translate(${x * this.scale}px, ${y * this.scale}px)`;
    this.frameElement.dataset.crop = `${x},${y},${side},${side}`;
  }

  changed() {
    this.drawFrame();
    clearTimeout(this.settleTimer);
    this.settleTimer = setTimeout(() => this.onSettle(), settleMilliseconds);
  }

  settleNow() {
    clearTimeout(this.settleTimer);
    this.onSettle();
  }

  // A point of the page in picture pixels.
  pictureAt(clientX, clientY) {
    const box = this.canvas.getBoundingClientRect();
    return [(clientX - box.left) / this.scale, (clientY - box.top) / this.scale];
  }

  listen() {
    const element = this.frameElement;
    const area = element.parentElement;
    area.addEventListener('pointerdown', event => {
      if (!this.frame)
        return;
      area.setPointerCapture(event.pointerId);
      this.pointers.set(event.pointerId, { x: event.clientX, y: event.clientY });
      this.grab();
      event.preventDefault();
    });
    area.addEventListener('pointermove', event => {
      if (!this.pointers.has(event.pointerId))
        return;
      this.pointers.set(event.pointerId, { x: event.clientX, y: event.clientY });
      this.follow();
    });
    const release = event => {
      if (!this.pointers.delete(event.pointerId))
        return;
      this.grab();
    };
    area.addEventListener('pointerup', release);
    area.addEventListener('pointercancel', release);
    area.addEventListener('wheel', event => {
      if (!this.frame)
        return;
      event.preventDefault();
      this.zoom(Math.exp(-event.deltaY / 400), ...this.pictureAt(event.clientX, event.clientY));
    }, { passive: false });
    element.addEventListener('keydown', event => {
      if (!this.frame)
        return;
      const step = Math.max(1, Math.round(this.frame.side / (event.shiftKey ? 4 : 32)));
      const moves = { ArrowLeft: [-step, 0], ArrowRight: [step, 0], ArrowUp: [0, -step], ArrowDown: [0, step] };
      if (moves[event.key]) {
        this.frame.moveBy(...moves[event.key]);
        this.changed();
      } else if (event.key === '+' || event.key === '=') {
        this.zoom(zoomStep);
      } else if (event.key === '-' || event.key === '_') {
        this.zoom(1 / zoomStep);
      } else {
        return;
      }
      event.preventDefault();
    });
    addEventListener('resize', () => this.bitmap && this.layOut(false));
  }

  // Where the frame and the pointers stood when the pointers last changed:
  // one pointer drags, two pinch.
  grab() {
    const points = [...this.pointers.values()];
    this.held = { x: this.frame.x, y: this.frame.y, side: this.frame.side, points };
  }

  follow() {
    const { x, y, side, points } = this.held;
    const now = [...this.pointers.values()];
    if (points.length === 1 && now.length === 1) {
      this.frame.place(x + (now[0].x - points[0].x) / this.scale, y + (now[0].y - points[0].y) / this.scale);
      this.frame.chosen = true;
    } else if (points.length >= 2 && now.length >= 2) {
      const span = list => Math.hypot(list[0].x - list[1].x, list[0].y - list[1].y) || 1;
      const [centreX, centreY] = this.pictureAt((points[0].x + points[1].x) / 2, (points[0].y + points[1].y) / 2);
      this.frame.side = side;
      this.frame.place(x, y);
      this.frame.zoomBy(span(now) / span(points), centreX, centreY);
    }
    this.changed();
  }
}

// The saver's picture: the GIF that follows the program and its header.
export function saverPicture(saver) {
  for (let at = 61440; at + 6 <= saver.length; at++) {
    if (saver[at] === 0x47 && saver[at + 1] === 0x49 && saver[at + 2] === 0x46 && saver[at + 3] === 0x38)
      return saver.subarray(at);
  }
  return null;
}
