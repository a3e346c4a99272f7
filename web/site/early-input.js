// SPDX-License-Identifier: GPL-3.0-or-later
// The page takes a picture from its first paint: a file chosen, dropped or
// pasted before the page's module runs is kept for it (the last one given),
// and a drop never opens the file in place of the page. The page's module
// takes over by setting `take`.
'use strict';
(() => {
  const early = { file: null, take: file => { early.file = file; } };
  self.glimmerEarlyInput = early;
  const zone = () => document.getElementById('drop-zone');
  addEventListener('dragover', event => {
    event.preventDefault();
    zone()?.classList.add('dragging');
  });
  addEventListener('dragleave', () => zone()?.classList.remove('dragging'));
  addEventListener('drop', event => {
    event.preventDefault();
    zone()?.classList.remove('dragging');
    const file = event.dataTransfer?.files[0];
    if (file)
      early.take(file);
  });
  document.addEventListener('paste', event => {
    const file = event.clipboardData?.files[0];
    if (file) {
      event.preventDefault();
      early.take(file);
    }
  });
  document.addEventListener('change', event => {
    const input = event.target;
    if (input.id === 'picture-file' && input.files[0]) {
      early.take(input.files[0]);
      // The same file can then be chosen again.
      input.value = '';
    }
  });
})();
