// What every keldra page's controls share: the page says it has its script (the style then
// lays out the controls, which are hidden without it), and the colour-blind-safe palette can
// be switched on the page. The choice is kept in the browser's local storage; a page written
// with --colour-blind-safe starts in that palette.
(function () {
  'use strict';
  const root = document.documentElement;
  root.classList.add('js');

  const paletteKey = 'keldra-palette';
  const safe = 'colour-blind-safe';
  let stored = null;
  try {
    stored = window.localStorage.getItem(paletteKey);
  } catch (e) {
    stored = null; // storage refused (a private window): the palette is simply not remembered
  }
  if (stored === safe) {
    root.classList.add(safe);
  }

  const box = document.querySelector('[data-palette]');
  if (box) {
    box.checked = root.classList.contains(safe);
    const holder = box.closest('[hidden]');
    if (holder) {
      holder.hidden = false;
    }
    box.addEventListener('change', function () {
      root.classList.toggle(safe, box.checked);
      try {
        window.localStorage.setItem(paletteKey, box.checked ? safe : 'default');
      } catch (e) {
        // not remembered
      }
    });
  }
})();
