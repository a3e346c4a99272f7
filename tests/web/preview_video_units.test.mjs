// SPDX-License-Identifier: GPL-3.0-or-later
// "Save a video"'s own rules: the container it asks the browser for, the
// name, the length the visitor may choose, and how the size is said.
import assert from 'node:assert';
import test from 'node:test';
import { createRequire } from 'node:module';

const harness = createRequire(import.meta.url)('./harness.js');
const { recordableContainer, videoFileName, chosenSeconds, sizeText } =
  await harness.importSiteModule('preview-video.mjs');

test('the first container the browser records', () => {
  const browsers = [
    [['video/webm;codecs=vp9', 'video/webm;codecs=vp8', 'video/webm', 'video/mp4'], ['video/webm;codecs=vp9', 'webm']],
    [['video/webm;codecs=vp8', 'video/webm'], ['video/webm;codecs=vp8', 'webm']],
    [['video/mp4'], ['video/mp4', 'mp4']],
    [[], null],
  ];
  for (const [supported, expected] of browsers)
    assert.deepStrictEqual(recordableContainer(type => supported.includes(type)), expected, supported.join(' '));
});

test('a video is named after the picture', () => {
  const names = [
    ['holiday.scr', 'webm', 'holiday.webm'],
    ['My Photo.final.scr', 'mp4', 'My Photo.final.mp4'],
    ['con.scr', 'webm', 'Glimmerwheel.webm'],
    ['a:b.scr', 'webm', 'a_b.webm'],
  ];
  for (const [saver, ending, video] of names)
    assert.strictEqual(videoFileName(saver, ending), video, saver);
});

test('the visitor chooses 1 to 30 whole seconds', () => {
  const choices = [['1', 1], ['5', 5], ['30', 30], [' 7 ', 7], ['0', null], ['31', null], ['2.5', null],
    ['', null], ['  ', null], ['five', null], ['-3', null]];
  for (const [text, seconds] of choices)
    assert.strictEqual(chosenSeconds(text), seconds, JSON.stringify(text));
});

test('sizes as people read them', () => {
  const sizes = [[0, '0 bytes'], [999, '999 bytes'], [1000, '1 kB'], [153_499, '153 kB'], [999_499, '999 kB'],
    [1_000_000, '1.0 MB'], [1_549_999, '1.5 MB'], [12_340_000, '12.3 MB']];
  for (const [bytes, text] of sizes)
    assert.strictEqual(sizeText(bytes), text, String(bytes));
});
