// SPDX-License-Identifier: GPL-3.0-or-later
// The maker's page: a picture in (dropped, pasted or chosen), the make in a
// worker, the saver playing on the canvas, its header shown, and the .scr
// offered for download. An existing saver opens to play and inspect.
//
// The page itself loads only the small player module; the maker's module
// loads in the worker meanwhile. A picture given before the maker is ready
// waits for it; of pictures given quickly, the last one wins.
//
// For tests and measurements: ?seed=S sets the motion seed, ?stop=N stops the
// preview after frame N. The page marks its root element with
// data-taking="true" once it takes pictures, data-ready="true" once the maker
// is ready, data-preview-frame="N" when the preview has stopped at frame N,
// and data-made / data-refused after each make.
import { MakerClient } from './maker-client.mjs';
import { SaverPlayer } from './saver-player.mjs';
import { saverFileName } from './saver-name.mjs';
import { PreviewVideo } from './preview-video.mjs';
import { TileChooser, saverPicture } from './tile-chooser.mjs';
import { makeCommand } from './tile-frame.mjs';

const element = id => document.getElementById(id);
const root = document.documentElement;
const parameters = new URLSearchParams(location.search);
const progress = element('progress');
// Bytes enough to tell a saver or a file.dat from a picture: the magic
// after the 61440-byte program.
const packageProbeBytes = 61440 + 64;

let player = null;
let video = null;
let picture = null;     // the File being made into a saver
let given = 0;          // counts the pictures given: only the newest one's result is shown
let makerReady = false;
let downloadUrl = null;
let tileUrl = null;
let chooser = null;

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

// What the page showed of the last saver goes, so that nothing stale stays
// beside a refusal.
function clearSaver() {
  player?.clear();
  element('fullscreen').disabled = element('pause').disabled = true;
  element('frame-count').textContent = '';
  element('inspect').hidden = true;
  element('result').hidden = true;
}

// The options make a saver of a picture: for a saver opened as it is they
// cannot apply, and say why.
function optionsApply(apply) {
  for (const id of ['fit', 'dither', 'reencode'])
    element(id).disabled = !apply;
  element('options-note').hidden = apply;
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
  delete root.dataset.previewFrame;
  const result = player.open(bytes, name, seed());
  element('fullscreen').disabled = element('pause').disabled = !result.opened;
  video?.setSaver(result.opened ? name : null);
  if (!result.opened) {
    clearSaver();
    refuse(result.refusal);
    return null;
  }
  showPackage(result);
  return result;
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

// The result in view, and the focus on it, for keyboard and screen reader alike.
function bringIntoView(section, focus) {
  section.scrollIntoView({ block: 'nearest', behavior: 'smooth' });
  focus.focus({ preventScroll: true });
}

// The tile as made, and four copies of it side by side so that its seams show.
function showTile(saver) {
  const gif = saverPicture(saver);
  if (!gif)
    return;
  if (tileUrl)
    URL.revokeObjectURL(tileUrl);
  tileUrl = URL.createObjectURL(new Blob([gif], { type: 'image/gif' }));
  const tile = element('tile');
  tile.onload = () => {
    const patch = element('tile-patch');
    const context = patch.getContext('2d');
    context.clearRect(0, 0, patch.width, patch.height);
    for (const [x, y] of [[0, 0], [1, 0], [0, 1], [1, 1]])
      context.drawImage(tile, x * 256, y * 256, 256, 256);
  };
  tile.src = tileUrl;
}

async function make(maker) {
  if (!picture)
    return;
  const file = picture;
  const turn = given;
  refuse(null);
  delete root.dataset.made;
  delete root.dataset.refused;
  if (makerReady)
    say(`Making a saver of ${file.name}…`);
  const options = {
    fit: element('fit').value, dither: Number(element('dither').value), reencode: element('reencode').checked,
    ...chooser.choice(), seamless: element('seamless').checked,
  };
  element('make-command').textContent = makeCommand({ picture: file.name, saver: saverFileName(file.name), ...options });
  const answer = await maker.make({ file, name: file.name, ...options });
  if (answer.superseded || turn !== given)
    return;
  if (!answer.made) {
    say('');
    clearSaver();
    refuse(answer.refusal);
    root.dataset.refused = 'true';
    return;
  }
  say(`Made a saver of ${file.name}.`);
  element('summary').textContent = answer.summary;
  list(element('notes'), answer.notes);
  offerDownload(answer.file, file.name);
  element('result').hidden = false;
  const saver = new Uint8Array(answer.file);
  play(saver, saverFileName(file.name));
  showTile(saver);
  root.dataset.made = 'true';
  if (!element('chooser').hidden)
    return;
  bringIntoView(element('result'), element('download'));
}

async function take(file, maker, playerReady) {
  const turn = ++given;
  picture = null;
  refuse(null);
  say(`Reading ${file.name}…`);
  await playerReady;
  const probe = new Uint8Array(await file.slice(0, packageProbeBytes).arrayBuffer());
  if (turn !== given)
    return;
  if (player.holdsPackage(probe)) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    if (turn !== given)
      return;
    element('result').hidden = true;
    element('chooser').hidden = true;
    optionsApply(false);
    const result = play(bytes, file.name);
    if (!result) {
      say('');
      return;
    }
    if (result.warnings.length) {
      say('');
      refuse(`${file.name} is damaged, so what plays may be wrong: ${result.warnings.join('; ')}.`);
    } else {
      say(`Playing the saver ${file.name}.`);
    }
    bringIntoView(element('stage'), element('fullscreen'));
    return;
  }
  optionsApply(true);
  element('chooser').hidden = false;
  if (!await chooser.show(file))
    element('chooser').hidden = true;
  if (turn !== given)
    return;
  picture = file;
  if (!makerReady)
    say(`${file.name} will be made as soon as the maker has loaded.`);
  await make(maker);
}

// The default picture plays as the saver shows it, until one is given.
async function showDefault(fetched) {
  const response = await fetched;
  const bytes = new Uint8Array(await response.arrayBuffer());
  if (!response.ok || given)
    return;
  const result = player.open(bytes, 'glimmerwheel.gif', seed());
  element('fullscreen').disabled = element('pause').disabled = !result.opened;
  if (result.opened)
    root.dataset.defaultPlayingMilliseconds = String(Math.round(performance.now()));
}

function start() {
  const early = self.glimmerEarlyInput;
  element('seed').value = parameters.has('seed') ? parameters.get('seed') : String(timeSeed());
  const stopFrame = Number(parameters.get('stop') ?? 0);

  const defaultPicture = fetch('glimmerwheel.gif');
  defaultPicture.catch(() => {});
  const playerReady = createPlayerModule().then(module => {
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
  });
  // The maker's module is the bulk of the site: its worker starts once the
  // page plays, or at once when a picture is given, so that the page's own
  // few files come first.
  let maker = null;
  const startMaker = () => maker ??= new MakerClient({
    onLoading: ({ received, total }) => {
      if (makerReady)
        return;
      const amount = total ? `${Math.round(100 * received / total)}%` : `${Math.round(received / 1024)} KB`;
      say(picture ? `Loading the maker (${amount}); then ${picture.name} will be made…`
        : `Loading the maker: ${amount}… You can give a picture already.`);
    },
    onReady: ready => {
      if (!ready.ready) {
        say('');
        refuse(`The maker could not start: ${ready.refusal}`);
        return;
      }
      makerReady = true;
      // Kept for use without a network once the maker is here, so that
      // the worker's files are revalidated from the browser's cache rather
      // than fetched twice; a site that cannot have one still works.
      navigator.serviceWorker?.register('service-worker.js').catch(() => {});
      root.dataset.ready = 'true';
      root.dataset.readyMilliseconds = String(Math.round(performance.now()));
      say(picture ? `Making a saver of ${picture.name}…` : 'Ready: drop, paste or choose a picture.');
    },
    onStep: step => picture && say(`Making a saver of ${picture.name}: ${step}…`),
  });
  playerReady.then(() => showDefault(defaultPicture)).catch(() => {}).finally(startMaker);

  const takeFile = file => take(file, startMaker(), playerReady).catch(error => {
    say('');
    refuse(`${file.name} could not be read: ${error.message ?? error}`);
  });
  early.take = takeFile;
  if (early.file)
    takeFile(early.file);
  chooser = new TileChooser({
    canvas: element('chooser-picture'), frame: element('chooser-frame'), onSettle: () => make(startMaker()),
  });
  element('zoom-in').addEventListener('click', () => chooser.zoom(1.25));
  element('zoom-out').addEventListener('click', () => chooser.zoom(0.8));
  element('turn').addEventListener('click', () => chooser.turnQuarter());
  element('reset-choice').addEventListener('click', () => {
    element('seamless').checked = false;
    chooser.reset();
  });
  for (const id of ['fit', 'dither', 'reencode', 'seamless'])
    element(id).addEventListener('change', () => make(startMaker()));
  element('dither').addEventListener('input', event => {
    element('dither-value').textContent = event.target.value;
  });
  element('seed').addEventListener('change', () => player?.restart(seed()));
  element('new-seed').addEventListener('click', () => {
    element('seed').value = String(crypto.getRandomValues(new Uint32Array(1))[0]);
    player?.restart(seed());
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
  const fullScreen = element('fullscreen');
  fullScreen.addEventListener('click', () =>
    player.showFullScreen(element('stage'), seed(), () => fullScreen.focus())
      .catch(error => refuse(`Full screen is not available: ${error.message ?? error}`)));
  element('default-picture').addEventListener('click', async () => {
    try {
      const response = await fetch('glimmerwheel.gif');
      if (!response.ok)
        throw new Error(`HTTP ${response.status}`);
      takeFile(new File([await response.arrayBuffer()], 'glimmerwheel.gif'));
    } catch (error) {
      say('');
      refuse(`The Glimmerwheel picture could not be loaded (${error.message ?? error}): check the connection, or ` +
        'choose a picture of your own.');
    }
  });
  root.dataset.taking = 'true';
  if (!picture && !makerReady)
    say('Loading the maker… You can give a picture already.');
  playerReady.catch(error => {
    say('');
    refuse(`The preview could not start in this browser: ${error.message ?? error}`);
  });
}

try {
  start();
} catch (error) {
  say('');
  refuse(`The maker could not start in this browser: ${error.message ?? error}`);
}
