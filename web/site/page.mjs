// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's page: a picture in (dropped, pasted or chosen), the make in a
// worker, the saver playing on the canvas, its header shown, and the .scr
// offered for download. An existing saver opens to play and inspect.
//
// For tests and measurements: ?seed=S sets the motion seed, ?stop=N stops the
// preview after frame N. The page marks its root element with
// data-ready="true" once it can make savers, data-preview-frame="N" when the
// preview has stopped at frame N, and data-made / data-refused after each make.
import { MakerClient } from './maker-client.mjs';
import { SaverPlayer } from './saver-player.mjs';
import { saverFileName } from './saver-name.mjs';
import { PreviewVideo } from './preview-video.mjs';

const element = id => document.getElementById(id);
const root = document.documentElement;
const parameters = new URLSearchParams(location.search);

let player = null;
let video = null;
let picture = null;  // {bytes, name} of the picture being made
let downloadUrl = null;
const progress = element('progress');

function say(text) {
  progress.textContent = text;
}

function refuse(text) {
  const refusal = element('refusal');
  refusal.textContent = text ?? '';
  refusal.hidden = !text;
}

function seed() {
  const value = Number(element('seed').value);
  return Number.isInteger(value) && value >= 0 && value <= 0xFFFFFFFF ? value : 0;
}

function timeSeed() {
  return Math.floor(Date.now() / 1000) % 0x100000000;
}

function list(target, lines) {
  target.replaceChildren(...lines.map(line => {
    const item = document.createElement('li');
    item.textContent = line;
    return item;
  }));
}

function showPackage(result) {
  const section = element('inspect');
  section.hidden = false;
  const header = result.package;
  element('inspect-lines').textContent =
    `magic GlimmerwheelStudio · imageCount ${header.imageCount} · options ${header.options.join(' ')}`;
  element('records').replaceChildren(...header.records.map((record, index) => {
    const row = document.createElement('tr');
    for (const value of [index, record.width, record.height, record.colourKey, record.offset, record.length,
      record.kind]) {
      const cell = document.createElement('td');
      cell.textContent = String(value);
      row.append(cell);
    }
    return row;
  }));
  list(element('warnings'), result.warnings.map(warning => `warning: ${warning}`));
}

function play(bytes, name) {
  const result = player.open(bytes, name, seed());
  element('fullscreen').disabled = element('pause').disabled = !result.opened;
  video?.setSaver(result.opened ? name : null);
  if (!result.opened) {
    element('inspect').hidden = true;
    refuse(result.refusal);
    return false;
  }
  showPackage(result);
  return true;
}

function offerDownload(file, name) {
  if (downloadUrl)
    URL.revokeObjectURL(downloadUrl);
  downloadUrl = URL.createObjectURL(new Blob([file], { type: 'application/octet-stream' }));
  const link = element('download');
  link.href = downloadUrl;
  link.download = saverFileName(name);
  link.textContent = `Download ${link.download}`;
}

async function make(maker) {
  if (!picture)
    return;
  const { bytes, name } = picture;
  refuse(null);
  delete root.dataset.made;
  delete root.dataset.refused;
  say(`Making a saver of ${name}…`);
  const answer = await maker.make({
    picture: bytes.buffer, name, fit: element('fit').value, dither: Number(element('dither').value),
    reencode: element('reencode').checked,
  });
  if (answer.superseded)
    return;
  if (!answer.made) {
    say('');
    refuse(answer.refusal);
    element('result').hidden = true;
    root.dataset.refused = 'true';
    return;
  }
  say(`Made a saver of ${name}.`);
  element('summary').textContent = answer.summary;
  list(element('notes'), answer.notes);
  offerDownload(answer.file, name);
  element('result').hidden = false;
  play(new Uint8Array(answer.file), saverFileName(name));
  root.dataset.made = 'true';
}

async function take(file, maker) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  if (player.holdsPackage(bytes)) {
    picture = null;
    element('result').hidden = true;
    refuse(null);
    if (play(bytes, file.name))
      say(`Playing the saver ${file.name}.`);
    return;
  }
  picture = { bytes, name: file.name };
  await make(maker);
}

function takeDropsAndPastes(takeFile) {
  const zone = element('drop-zone');
  // A file dropped anywhere is taken, never opened by the browser in place of the page.
  window.addEventListener('dragover', event => {
    event.preventDefault();
    zone.classList.add('dragging');
  });
  window.addEventListener('dragleave', () => zone.classList.remove('dragging'));
  window.addEventListener('drop', event => {
    event.preventDefault();
    zone.classList.remove('dragging');
    const file = event.dataTransfer?.files[0];
    if (file)
      takeFile(file);
  });
  document.addEventListener('paste', event => {
    const file = [...(event.clipboardData?.files ?? [])][0];
    if (file) {
      event.preventDefault();
      takeFile(file);
    }
  });
  element('picture-file').addEventListener('change', event => {
    const file = event.target.files[0];
    if (file)
      takeFile(file);
  });
}

async function start() {
  element('seed').value = parameters.has('seed') ? parameters.get('seed') : String(timeSeed());
  const stopFrame = Number(parameters.get('stop') ?? 0);

  let workerReady;
  const makerReady = new Promise(resolve => { workerReady = resolve; });
  const maker = new MakerClient({
    onReady: message => workerReady(message),
    onStep: step => picture && say(`Making a saver of ${picture.name}: ${step}…`),
  });
  const module = await createGlimmerModule();
  player = new SaverPlayer(module, element('screen'), {
    onFrame: frame => {
      element('frame-count').textContent = `frame ${frame}`;
      if (stopFrame && frame === stopFrame)
        root.dataset.previewFrame = String(frame);
    },
  });
  player.stopFrame = Number.isInteger(stopFrame) && stopFrame > 0 ? stopFrame : 0;
  video = new PreviewVideo({
    canvas: element('screen'), button: element('save-video'), seconds: element('video-seconds'),
    status: element('video-status'), link: element('video-download'),
    // A video of a paused or stopped preview would hold one frame.
    beforeRecording: () => {
      player.stopFrame = 0;
      if (!player.playing)
        element('pause').click();
    },
  });

  const ready = await makerReady;
  if (!ready.ready) {
    say('');
    refuse(`The maker could not start: ${ready.refusal}`);
    return;
  }
  const takeFile = file => take(file, maker).catch(error => refuse(`${file.name} could not be read: ${error}`));
  takeDropsAndPastes(takeFile);
  for (const id of ['fit', 'dither', 'reencode'])
    element(id).addEventListener('change', () => make(maker));
  element('dither').addEventListener('input', event => {
    element('dither-value').textContent = event.target.value;
  });
  element('seed').addEventListener('change', () => player.restart(seed()));
  element('new-seed').addEventListener('click', () => {
    element('seed').value = String(crypto.getRandomValues(new Uint32Array(1))[0]);
    player.restart(seed());
  });
  element('pause').addEventListener('click', event => {
    const pausing = player.playing;
    if (pausing)
      player.pause();
    else
      player.play();
    event.target.textContent = pausing ? 'Play' : 'Pause';
    event.target.setAttribute('aria-pressed', String(pausing));
  });
  element('fullscreen').addEventListener('click', () =>
    player.showFullScreen(element('stage'), seed()).catch(error => refuse(`Full screen is not available: ${error}`)));
  element('default-picture').addEventListener('click', async () => {
    const response = await fetch('glimmerwheel.gif');
    takeFile(new File([await response.arrayBuffer()], 'glimmerwheel.gif'));
  });

  say('Ready: drop, paste or choose a picture.');
  root.dataset.ready = 'true';
  root.dataset.readyMilliseconds = String(Math.round(performance.now()));
}

start().catch(error => {
  say('');
  refuse(`The maker could not start in this browser: ${error}`);
});
