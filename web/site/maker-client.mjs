// SPDX-License-Identifier: GPL-3.0-or-later
// The page's side of the maker's worker. Only the newest request matters: one
// asked while a make runs waits, and replaces any other that was waiting.
export class MakerClient {
  constructor({ onStep, onReady, onLoading }) {
    this.worker = new Worker('maker-worker.js');
    this.nextId = 1;
    this.running = null;   // {id, resolve}
    this.waiting = null;   // {request, resolve}
    this.worker.onmessage = event => {
      const message = event.data;
      if ('loading' in message)
        onLoading(message.loading);
      else if ('ready' in message)
        onReady(message);
      else if ('step' in message)
        onStep(message.step);
      else if (this.running && message.id === this.running.id)
        this.finish(message);
    };
  }

  // Resolves with the worker's answer, or with {superseded: true} when a newer
  // request took this one's place before it began.
  make(request) {
    return new Promise(resolve => {
      if (this.waiting)
        this.waiting.resolve({ superseded: true });
      this.waiting = { request, resolve };
      if (!this.running)
        this.startWaiting();
    });
  }

  startWaiting() {
    const { request, resolve } = this.waiting;
    this.waiting = null;
    this.running = { id: this.nextId++, resolve };
    this.worker.postMessage({ id: this.running.id, ...request });
  }

  finish(answer) {
    const { resolve } = this.running;
    this.running = null;
    if (this.waiting) {
      resolve({ superseded: true });
      this.startWaiting();
    } else {
      resolve(answer);
    }
  }
}
