// SPDX-License-Identifier: GPL-3.0-or-later
// The page's make is glimmer make: for pictures of every kind and every
// option, the module (through the page worker's own script) writes the same
// saver, byte for byte, says the same summary and notes, and refuses what
// glimmer refuses for the same reason. Where glimmer names a flag, the page
// names its own control instead: those lines are compared by their kind.
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const harness = require('./harness.js');

const writeTestPictures = path.join(harness.native, 'tests/web/test_pictures/write_test_pictures');
harness.needNativeBuild(writeTestPictures);
const { makeSaverWith } = harness.siteScript('maker-calls.js');

const folder = harness.temporaryFolder('make');
harness.run(writeTestPictures, [folder], folder);
// Photos as ImageMagick writes them (its plasma is fixed by -seed).
const convert = (...args) => harness.run('convert', args, folder);
convert('-seed', '7', '-size', '640x427', 'plasma:red-blue', 'plasma.png');
convert('plasma.png', '-quality', '85', '-sampling-factor', '4:4:4', 'photo444.jpg');
convert('plasma.png', '-colorspace', 'CMYK', '-quality', '90', 'magick-cmyk.jpg');
convert('plasma.png', '-quality', '80', 'magick.webp');
convert('plasma.png', '-define', 'webp:lossless=true', 'magick-lossless.webp');
convert('plasma.png', '-rotate', '90', 'turned.bmp');
convert('plasma.png', '-resize', '300x200', 'small.tga');
convert('plasma.png', '-colors', '64', 'few.gif');
// Committed pictures, GIFs damaged in every way among them, and what is no picture.
const committed = [
  ...['tests/data/pictures', 'tests/data/gif/wuffs', 'tests/data/gif/gif-test-suite'].flatMap(dir =>
    fs.readdirSync(path.join(harness.source, dir)).filter(name => /\.(bmp|gif|ico)$/.test(name))
      .map(name => path.join(dir, name))),
  'assets/glimmerwheel.gif',
];
for (const file of committed)
  fs.copyFileSync(path.join(harness.source, file), path.join(folder, path.basename(file)));
fs.writeFileSync(path.join(folder, 'notes.txt'), 'not a picture\n');
const baseline = fs.readFileSync(path.join(folder, 'baseline.jpg'));
fs.writeFileSync(path.join(folder, 'cut-short.jpg'), baseline.subarray(0, baseline.length >> 1));

const fits = ['cover', 'contain', 'stretch', 'none'];

// Every fit at full dither, other dithers with cover and contain; GIFs also
// re-encoded; --fit none only where the picture is small enough to keep the
// run short.
function optionSets(name, bytes) {
  const large = bytes.length > 400000;
  const fitsAndDithers = [
    ...fits.filter(fit => fit !== 'none' || !large).map(fit => ({ fit, dither: 1 })),
    { fit: 'cover', dither: 0 },
    { fit: 'contain', dither: 0.4 },
  ];
  const reencodes = name.endsWith('.gif') ? [false, true] : [false];
  return fitsAndDithers.flatMap(options => reencodes.map(reencode => ({ ...options, reencode })));
}

function glimmerMake(name, options) {
  const args = ['make', name, '-o', 'tool.scr', '--fit', options.fit, '--dither', String(options.dither)];
  if (options.reencode)
    args.push('--reencode');
  fs.rmSync(path.join(folder, 'tool.scr'), { force: true });
  const run = harness.runGlimmer(args, folder);
  return { ...run, file: run.status === 0 ? fs.readFileSync(path.join(folder, 'tool.scr')) : null };
}

// How glimmer words the notes and refusals that name its flags, by their kind.
const glimmerWording = {
  'gif-unchanged': /^packing the GIF unchanged: .*\(--reencode re-encodes it\)$/,
  'unfitted-tile': /^--fit none: each 256 x 256 tile /,
  'too-many-pixels': /megapixels/,
  'too-large-for-gif': /larger than a GIF can hold .*--fit other than none$/,
  'unshowable': /would refuse the saver \(--force makes it all the same\)$/,
  'bad-crop': /^--crop [-0-9,]+: the rectangle of .* cannot be used: /,
  'bad-turn': /^--turn takes 90, 180 or 270 \(degrees clockwise\), not /,
};

// Whether glimmer's line says what the page's line of `kind` says.
function sameReason(kind, glimmerLine, pageLine) {
  const wording = glimmerWording[kind];
  return wording ? wording.test(glimmerLine) : glimmerLine === pageLine;
}

// What differs between the two, in words; empty when nothing does.
function differences(tool, page) {
  const flagged = [page.refusal ?? '', ...(page.notes ?? [])].filter(line => /(^|\s)--[a-z]/.test(line));
  if (flagged.length)
    return [`the page names a flag: ${flagged.join(' / ')}`];
  if (tool.status !== 0) {
    const expected = tool.stderr.trim();
    if (page.made)
      return [`glimmer refused (${expected}), the module made a saver`];
    const said = expected.replace(/^glimmer make: /, '');
    return sameReason(page.refusalKind, said, page.refusal) ? []
      : [`refusals differ: ${expected} | ${page.refusalKind}: ${page.refusal}`];
  }
  if (!page.made)
    return [`glimmer made a saver, the module refused: ${page.refusal}`];
  const found = [];
  if (!Buffer.from(page.file).equals(tool.file))
    found.push(`different bytes (${tool.file.length} and ${page.file.byteLength})`);
  const lines = tool.stdout.trimEnd().split('\n');
  if (!lines.at(-1).endsWith(`: a saver with ${page.summary}`))
    found.push(`summaries differ: ${lines.at(-1)} | ${page.summary}`);
  const toolNotes = lines.slice(0, -1);
  if (toolNotes.length !== page.notes.length ||
      toolNotes.some((line, i) => !sameReason(page.noteKinds[i], line, page.notes[i])))
    found.push(`notes differ: ${toolNotes.join(' / ')} | ${page.notes.join(' / ')}`);
  return found;
}

test('the module makes what glimmer make makes', async t => {
  const glimmer = await harness.loadModule();
  const program = fs.readFileSync(path.join(harness.site, 'saver.exe'));
  const names = fs.readdirSync(folder).filter(name => name !== 'tool.scr').sort();
  let made = 0;
  let refused = 0;
  for (const name of names) {
    await t.test(name, () => {
      const bytes = fs.readFileSync(path.join(folder, name));
      for (const options of optionSets(name, bytes)) {
        const tool = glimmerMake(name, options);
        const page = makeSaverWith(glimmer, program, { picture: bytes, name, ...options });
        assert.deepStrictEqual(differences(tool, page), [], JSON.stringify(options));
        made += page.made ? 1 : 0;
        refused += page.made ? 0 : 1;
      }
    });
  }
  console.log(`# ${made} savers made and ${refused} pictures refused alike from ${names.length} files`);
  assert.ok(made > 300 && refused > 20, 'the pictures cover both savers made and pictures refused');
});

// The module's make of a chosen tile, through the page worker's own call.
function makeChosenWith(glimmer, program, bytes, name, options, choice) {
  const [x, y, width, height] = choice.crop ?? [];
  return makeSaverWith(glimmer, program, { picture: bytes, name, fit: options.fit, dither: options.dither,
    crop: choice.crop ? { x, y, width, height } : null, turn: choice.turn, seamless: choice.seamless });
}

test('the module makes the chosen tile that glimmer make makes, from the picture it keeps', async () => {
  const glimmer = await harness.loadModule();
  const program = fs.readFileSync(path.join(harness.site, 'saver.exe'));
  // {crop, turn, seamless} in the order the page would ask them, so that the
  // kept picture is used for most; the last crop is outside the picture.
  const choices = [
    { crop: null, turn: 0, seamless: false },
    { crop: [40, 30, 300, 300], turn: 0, seamless: false },
    { crop: [41, 30, 300, 300], turn: 0, seamless: true },
    { crop: [0, 0, 100, 80], turn: 0, seamless: false },
    { crop: [10, 200, 200, 400], turn: 90, seamless: false },
    { crop: null, turn: 270, seamless: true },
    { crop: [5, 5, 120, 90], turn: 180, seamless: false },
    { crop: [600, 0, 100, 100], turn: 0, seamless: false },
    { crop: [0, 0, 10, 10], turn: 45, seamless: false },
  ];
  let compared = 0;
  for (const name of ['plasma.png', 'photo444.jpg', 'turned.bmp', 'few.gif']) {
    const bytes = fs.readFileSync(path.join(folder, name));
    for (const fit of ['cover', 'contain']) {
      for (const choice of choices) {
        const options = { fit, dither: 1 };
        const args = ['make', name, '-o', 'tool.scr', '--fit', fit, '--dither', '1'];
        if (choice.crop)
          args.push('--crop', choice.crop.join(','));
        if (choice.turn)
          args.push('--turn', String(choice.turn));
        if (choice.seamless)
          args.push('--seamless');
        fs.rmSync(path.join(folder, 'tool.scr'), { force: true });
        const run = harness.runGlimmer(args, folder);
        const tool = { ...run, file: run.status === 0 ? fs.readFileSync(path.join(folder, 'tool.scr')) : null };
        const page = makeChosenWith(glimmer, program, bytes, name, options, choice);
        assert.deepStrictEqual(differences(tool, page), [], `${name} ${JSON.stringify({ fit, ...choice })}`);
        compared += 1;
      }
    }
  }
  assert.strictEqual(compared, 72);
  const sizeOf = turn => {
    const bytes = fs.readFileSync(path.join(folder, 'turned.bmp'));
    const address = glimmer._glimmer_reserve(bytes.length);
    glimmer.HEAPU8.set(bytes, address);
    const name = new TextEncoder().encode('turned.bmp\0');
    const nameAddress = glimmer._glimmer_reserve(name.length);
    glimmer.HEAPU8.set(name, nameAddress);
    const ok = glimmer._glimmer_shown_size(address, bytes.length, nameAddress, turn);
    glimmer._glimmer_release(address);
    glimmer._glimmer_release(nameAddress);
    return { ok, ...JSON.parse(glimmer.UTF8ToString(glimmer._glimmer_result_text())) };
  };
  assert.deepStrictEqual(sizeOf(0), { ok: 1, width: 427, height: 640 });
  assert.deepStrictEqual(sizeOf(90), { ok: 1, width: 640, height: 427 });
  assert.strictEqual(sizeOf(45).refusalKind, 'bad-turn');
});
