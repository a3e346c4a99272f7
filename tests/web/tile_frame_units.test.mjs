// SPDX-License-Identifier: GPL-3.0-or-later
// The tile's frame over the picture: where it starts, how it moves and zooms
// inside the picture, and the command line it stands for.
import assert from 'node:assert';
import test from 'node:test';
import { createRequire } from 'node:module';

const harness = createRequire(import.meta.url)('./harness.js');
const { TileFrame, turnedSize, nextTurn, makeCommand, shellWord } = await harness.importSiteModule('tile-frame.mjs');

const state = frame => [frame.x, frame.y, frame.side];

test('a quarter turn swaps the sides, and four make a whole turn', () => {
  assert.deepStrictEqual([0, 90, 180, 270].map(turn => turnedSize(640, 480, turn)),
    [{ width: 640, height: 480 }, { width: 480, height: 640 }, { width: 640, height: 480 },
      { width: 480, height: 640 }]);
  assert.deepStrictEqual([0, 90, 180, 270].map(nextTurn), [90, 180, 270, 0]);
});

test('the frame starts as the largest square in the centre, and means no crop', () => {
  const starts = [
    [640, 480, [80, 0, 480]],
    [480, 641, [0, 80, 480]],
    [300, 300, [0, 0, 300]],
    [7, 3, [2, 0, 3]],
  ];
  for (const [width, height, expected] of starts) {
    const frame = new TileFrame(width, height);
    assert.deepStrictEqual(state(frame), expected, `${width} x ${height}`);
    assert.strictEqual(frame.crop(), null);
  }
});

test('moves stay inside the picture', () => {
  const moves = [
    [[-10, 0], [70, 0, 480]],
    [[-1000, 5], [0, 0, 480]],
    [[1000, 1000], [160, 0, 480]],
    [[0.4, 0], [80, 0, 480]],
  ];
  for (const [[dx, dy], expected] of moves) {
    const frame = new TileFrame(640, 480);
    frame.moveBy(dx, dy);
    assert.deepStrictEqual(state(frame), expected, `${dx},${dy}`);
    assert.deepStrictEqual(frame.crop(), { x: expected[0], y: expected[1], width: 480, height: 480 });
  }
});

test('zooms keep their centre, and stop at the smallest and largest frame', () => {
  const zooms = [
    [2, undefined, [200, 120, 240]],
    [2, [0, 0], [40, 0, 240]],
    [2, [640, 480], [360, 240, 240]],
    [1000, undefined, [312, 232, 16]],
    [0.5, undefined, [80, 0, 480]],
    [0, undefined, [80, 0, 480]],
    [NaN, undefined, [80, 0, 480]],
  ];
  for (const [factor, centre, expected] of zooms) {
    const frame = new TileFrame(640, 480);
    frame.zoomBy(factor, ...(centre ?? []));
    assert.deepStrictEqual(state(frame), expected, `${factor} at ${centre}`);
  }
  const tiny = new TileFrame(10, 8);
  tiny.zoomBy(4);
  assert.deepStrictEqual(state(tiny), [1, 0, 8]);
});

test('reset brings back the default', () => {
  const frame = new TileFrame(640, 480);
  frame.zoomBy(3);
  frame.moveBy(-50, 30);
  frame.reset();
  assert.deepStrictEqual(state(frame), [80, 0, 480]);
  assert.strictEqual(frame.crop(), null);
});

test('the command says every choice that differs from the default', () => {
  const base = { picture: 'holiday.jpg', saver: 'holiday.scr', fit: 'cover', dither: 1, reencode: false,
    crop: null, turn: 0, seamless: false };
  const commands = [
    [{}, 'glimmer make holiday.jpg -o holiday.scr'],
    [{ fit: 'contain', dither: 0.5, reencode: true },
      'glimmer make holiday.jpg -o holiday.scr --fit contain --dither 0.5 --reencode'],
    [{ crop: { x: 120, y: 40, width: 800, height: 800 }, turn: 90, seamless: true },
      'glimmer make holiday.jpg -o holiday.scr --turn 90 --crop 120,40,800,800 --seamless'],
    [{ picture: "Bob's cat.png", saver: "Bob's cat.scr" },
      "glimmer make 'Bob'\\''s cat.png' -o 'Bob'\\''s cat.scr'"],
  ];
  for (const [change, expected] of commands)
    assert.strictEqual(makeCommand({ ...base, ...change }), expected);
  assert.deepStrictEqual(['a b', '$x', 'ok-1.png', ''].map(shellWord), ["'a b'", "'$x'", 'ok-1.png', "''"]);
});
