// SPDX-License-Identifier: GPL-3.0-or-later
// The page's own rules: the name a saver is offered under, and the saver's
// input rule for full screen as the module applies it.
import assert from 'node:assert';
import test from 'node:test';
import { createRequire } from 'node:module';

const harness = createRequire(import.meta.url)('./harness.js');
const { saverFileName } = await harness.importSiteModule('saver-name.mjs');
const { SaverRun } = await harness.importSiteModule('saver-run.mjs');

test('a saver is named after its picture, safely for Windows', () => {
  const names = [
    ['holiday.jpg', 'holiday.scr'],
    ['My Photo.final.PNG', 'My Photo.final.scr'],
    ['C:\\pictures\\cat.webp', 'cat.scr'],
    ['a<b>:c"d|e?f*.gif', 'a_b__c_d_e_f_.scr'],
    ['trailing dots...jpg', 'trailing dots.scr'],
    ['con.png', 'Glimmerwheel.scr'],
    ['.jpg', 'Glimmerwheel.scr'],
    ['x'.repeat(300) + '.bmp', 'x'.repeat(100) + '.scr'],
    ['noending', 'noending.scr'],
  ];
  for (const [picture, saver] of names)
    assert.strictEqual(saverFileName(picture), saver, picture);
});

test('full screen ends as the saver ends', async () => {
  const run = new SaverRun(await harness.loadModule());
  assert.deepStrictEqual(['Alt', 'F10', 'a', 'Escape', ' '].map(key => run.keyEnds(key)),
    [false, false, true, true, true]);
  run.resetInput();
  // Before the first frame, moves only set the reference point.
  assert.strictEqual(run.pointerMoveEnds(0, 0), false);
  assert.strictEqual(run.pointerMoveEnds(300, 200), false);
  run.firstFrameShown();
  const moves = [[310, 210, false], [321, 210, true], [300, 189, true], [311, 200, true], [290, 190, false]];
  for (const [x, y, ends] of moves) {
    run.resetInput();
    run.firstFrameShown();
    run.pointerMoveEnds(300, 200);
    assert.strictEqual(run.pointerMoveEnds(x, y), ends, `${x}, ${y}`);
  }
});
