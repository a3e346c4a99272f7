// SPDX-License-Identifier: GPL-3.0-or-later
// The square frame of the tile over the upright (and turned) picture, in the
// picture's own pixels: where it stands, how large it is, and the crop and
// `glimmer make` command it stands for. No DOM here, so that the rules can be
// tested under Node.

export const turns = [0, 90, 180, 270];

// The smallest frame side: below this the tile would be a few pixels blown up.
export const smallestSide = 16;

// A quarter turn swaps width and height.
export function turnedSize(width, height, turn) {
  return turn === 90 || turn === 270 ? { width: height, height: width } : { width, height };
}

export function nextTurn(turn) {
  return turns[(turns.indexOf(turn) + 1) % turns.length];
}

const clamp = (value, low, high) => Math.min(Math.max(value, low), high);

export class TileFrame {
  constructor(width, height) {
    this.width = width;
    this.height = height;
    this.reset();
  }

  get largestSide() {
    return Math.min(this.width, this.height);
  }

  // The default: the largest square in the centre, as `cover` takes it.
  reset() {
    this.side = this.largestSide;
    this.x = Math.floor((this.width - this.side) / 2);
    this.y = Math.floor((this.height - this.side) / 2);
    this.chosen = false;
  }

  // Keeps the frame whole inside the picture.
  place(x, y) {
    this.x = clamp(Math.round(x), 0, this.width - this.side);
    this.y = clamp(Math.round(y), 0, this.height - this.side);
  }

  moveBy(dx, dy) {
    this.place(this.x + dx, this.y + dy);
    this.chosen = true;
  }

  // factor > 1 zooms in (a smaller frame), about the frame's centre unless
  // another point of the picture is given (the wheel's or the pinch's).
  zoomBy(factor, centreX = this.x + this.side / 2, centreY = this.y + this.side / 2) {
    if (!(factor > 0))
      return;
    const smallest = Math.min(smallestSide, this.largestSide);
    const side = clamp(Math.round(this.side / factor), smallest, this.largestSide);
    const scale = side / this.side;
    const x = centreX - (centreX - this.x) * scale;
    const y = centreY - (centreY - this.y) * scale;
    this.side = side;
    this.place(x, y);
    this.chosen = true;
  }

  // null for the default choice, so that the page makes what `glimmer make`
  // makes without a --crop.
  crop() {
    return this.chosen ? { x: this.x, y: this.y, width: this.side, height: this.side } : null;
  }
}

// A picture name as one shell word.
export function shellWord(word) {
  return /^[A-Za-z0-9_.,:/@%+=-]+$/.test(word) ? word : `'${word.replaceAll("'", "'\\''")}'`;
}

// The command that makes the same saver as the page, option for option.
export function makeCommand({ picture, saver, fit, dither, reencode, crop, turn, seamless }) {
  const words = ['glimmer', 'make', shellWord(picture), '-o', shellWord(saver)];
  if (fit !== 'cover')
    words.push('--fit', fit);
  if (dither !== 1)
    words.push('--dither', String(dither));
  if (reencode)
    words.push('--reencode');
  if (turn)
    words.push('--turn', String(turn));
  if (crop)
    words.push('--crop', `${crop.x},${crop.y},${crop.width},${crop.height}`);
  if (seamless)
    words.push('--seamless');
  return words.join(' ');
}
