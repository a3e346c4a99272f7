// SPDX-License-Identifier: GPL-3.0-or-later
// The name a saver is offered under: the picture's name with .scr for its
// ending, made safe for Windows (no reserved characters or device names, no
// trailing dot or space), or Glimmerwheel.scr when nothing of it is left.
const reservedCharacters = /[\u0000-\u001f\u007f<>:"/\\|?*]/g;
const deviceNames = /^(con|prn|aux|nul|com[0-9]|lpt[0-9])$/i;
const longestStem = 100;

export function saverFileName(pictureName) {
  const base = pictureName.replace(/^.*[\\/]/, '');
  const stem = base.includes('.') ? base.slice(0, base.lastIndexOf('.')) : base;
  const safe = stem.replace(reservedCharacters, '_').slice(0, longestStem).replace(/[. ]+$/, '').trim();
  return (safe === '' || deviceNames.test(safe) ? 'Glimmerwheel' : safe) + '.scr';
}
