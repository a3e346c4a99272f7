// SPDX-License-Identifier: GPL-3.0-or-later
// "Save a video": a few seconds of the live preview, recorded from the
// canvas's own stream by the browser's encoder (MediaRecorder), so that the
// site carries no codec of its own. The page says how long the video will be
// and, once made, how big it is, and offers it under the picture's name.
import { saverFileName } from './saver-name.mjs';

export const shortestSeconds = 1;
export const longestSeconds = 30;
// About 1.5 MB for five seconds: small enough to send, sharp enough at 640 x 480.
const bitsPerSecond = 2_500_000;

// WebM first: every browser that records it plays it; Safari records MP4 only.
const containers = [
  ['video/webm;codecs=vp9', 'webm'],
  ['video/webm;codecs=vp8', 'webm'],
  ['video/webm', 'webm'],
  ['video/mp4', 'mp4'],
];

// The first container the browser can record, as [type, ending], or null.
export function recordableContainer(isTypeSupported) {
  return containers.find(([type]) => isTypeSupported(type)) ?? null;
}

export function videoFileName(saverName, ending) {
  return saverFileName(saverName).replace(/\.scr$/, `.${ending}`);
}

// A whole number of seconds from 1 to 30, or null.
export function chosenSeconds(text) {
  const value = Number(text);
  return Number.isInteger(value) && value >= shortestSeconds && value <= longestSeconds && String(text).trim() !== ''
    ? value : null;
}

export function sizeText(bytes) {
  if (bytes < 1000)
    return `${bytes} bytes`;
  if (bytes < 1_000_000)
    return `${Math.round(bytes / 1000)} kB`;
  return `${(bytes / 1_000_000).toFixed(1)} MB`;
}

export class PreviewVideo {
  // canvas: what is recorded; beforeRecording(): keeps the preview playing.
  constructor({ canvas, button, seconds, status, link, beforeRecording }) {
    Object.assign(this, { canvas, button, seconds, status, link, beforeRecording });
    this.saverName = null;
    this.recorder = null;
    this.url = null;
    const Recorder = globalThis.MediaRecorder;
    this.container = Recorder && canvas.captureStream ? recordableContainer(type => Recorder.isTypeSupported(type))
      : null;
    button.addEventListener('click', () => this.record());
    seconds.addEventListener('input', () => this.describe());
    this.describe();
  }

  // The saver now playing (its file name), or null when none plays.
  setSaver(saverName) {
    this.saverName = saverName;
    this.describe();
  }

  describe() {
    if (this.recorder)
      return;
    const seconds = chosenSeconds(this.seconds.value);
    this.button.disabled = !this.container || !this.saverName || seconds === null;
    if (!this.container)
      this.status.textContent = 'This browser cannot record the preview.';
    else if (seconds === null)
      this.status.textContent = `Choose from ${shortestSeconds} to ${longestSeconds} seconds.`;
    else
      this.status.textContent =
        `${seconds} s of the preview, as ${this.container[1] === 'webm' ? 'a WebM' : 'an MP4'} video.`;
  }

  record() {
    const seconds = chosenSeconds(this.seconds.value);
    if (this.recorder || !this.container || !this.saverName || seconds === null)
      return;
    this.beforeRecording();
    const name = videoFileName(this.saverName, this.container[1]);
    const [type] = this.container;
    const recorder = new MediaRecorder(this.canvas.captureStream(),
      { mimeType: type, videoBitsPerSecond: bitsPerSecond });
    const pieces = [];
    let tick = null;
    this.recorder = recorder;
    this.button.disabled = this.seconds.disabled = true;
    this.link.hidden = true;
    recorder.addEventListener('dataavailable', event => event.data.size && pieces.push(event.data));
    recorder.addEventListener('stop', () => {
      recorder.stream.getTracks().forEach(track => track.stop());
      this.offer(new Blob(pieces, { type: type.split(';')[0] }), name, seconds);
    });
    recorder.addEventListener('error', event => {
      clearInterval(tick);
      recorder.stream.getTracks().forEach(track => track.stop());
      this.recorder = null;
      this.seconds.disabled = false;
      this.describe();
      this.status.textContent = `The video could not be recorded: ${event.error?.message ?? 'the browser gave no reason'}.`;
    });
    recorder.start();
    // Timed from start(), where the video's clock starts; the start event
    // can come a good part of a second later on a busy machine.
    let left = seconds;
    this.status.textContent = `Recording ${seconds} s: ${left} s left…`;
    tick = setInterval(() => {
      left -= 1;
      if (left > 0)
        this.status.textContent = `Recording ${seconds} s: ${left} s left…`;
    }, 1000);
    setTimeout(() => {
      clearInterval(tick);
      if (recorder.state !== 'inactive')
        recorder.stop();
    }, seconds * 1000);
  }

  offer(blob, name, seconds) {
    if (this.url)
      URL.revokeObjectURL(this.url);
    this.url = URL.createObjectURL(blob);
    this.link.href = this.url;
    this.link.download = name;
    this.link.textContent = `Download ${name}`;
    this.link.hidden = false;
    this.recorder = null;
    this.seconds.disabled = false;
    this.describe();
    this.status.textContent = `Made ${name}: ${seconds} s, ${sizeText(blob.size)}.`;
    this.link.dataset.bytes = String(blob.size);
  }
}
