// The controls of the run and subject pages.
//
// A figure marked data-viewer holds frames: pictures laid out alike, each with a role
// (data-frame): "edges" (the anatomy with the edges of what the module projected), "plain" (the
// same without edges), "after" (the anatomy after the run), "checkerboard", or "single". One
// frame shows at a time; its buttons switch the edges on and off, flick between before and after
// (hovering over the picture flicks too, as long as the pointer stays on it) and show the
// checkerboard. The figure's data-showing attribute names the frame shown.
//
// On a page of several runs (sections), the left and right arrow keys move to the previous and
// next run, unless a text field or a list has the keyboard.
(function () {
  'use strict';

  function setUpViewer(figure) {
    const frames = new Map();
    figure.querySelectorAll('.frame').forEach(function (frame) {
      frames.set(frame.dataset.frame, frame);
    });
    if (frames.size === 0) {
      return;
    }
    const state = { edges: true, flick: false, hover: false, checkerboard: false };
    const buttons = new Map();
    figure.querySelectorAll('[data-control]').forEach(function (button) {
      buttons.set(button.dataset.control, button);
    });
    const showing = figure.querySelector('.showing');

    function chosenRole() {
      if (state.checkerboard && frames.has('checkerboard')) {
        return 'checkerboard';
      }
      if (state.flick !== state.hover && frames.has('after')) {
        return 'after';
      }
      if (state.edges && frames.has('edges')) {
        return 'edges';
      }
      if (frames.has('plain')) {
        return 'plain';
      }
      return frames.keys().next().value;
    }

    function render() {
      const role = chosenRole();
      frames.forEach(function (frame, name) {
        frame.classList.toggle('shown', name === role);
      });
      figure.dataset.showing = role;
      const pressed = { edges: state.edges, flick: state.flick, checkerboard: state.checkerboard };
      buttons.forEach(function (button, name) {
        button.setAttribute('aria-pressed', pressed[name] ? 'true' : 'false');
      });
      if (showing) {
        const label = frames.get(role).querySelector('.frame-label');
        showing.textContent = label ? 'Showing: ' + label.textContent : '';
      }
    }

    buttons.forEach(function (button, name) {
      button.addEventListener('click', function () {
        state[name] = !state[name];
        if (name === 'flick' && state.flick) {
          state.checkerboard = false;
        }
        if (name === 'checkerboard' && state.checkerboard) {
          state.flick = false;
        }
        render();
      });
    });

    const picture = figure.querySelector('.frames');
    if (frames.has('after') && buttons.has('flick')) {
      picture.addEventListener('mouseenter', function () {
        state.hover = !state.checkerboard;
        render();
      });
      picture.addEventListener('mouseleave', function () {
        state.hover = false;
        render();
      });
    }
    const controls = figure.querySelector('.controls');
    if (controls) {
      controls.hidden = false;
    }
    render();
  }

  function setUpRunSteps(sections) {
    let current = 0;

    function indexOfHash() {
      const id = decodeURIComponent(window.location.hash.slice(1));
      return sections.findIndex(function (section) {
        return section.id === id;
      });
    }

    function mark(index) {
      current = index;
      sections.forEach(function (section, i) {
        section.classList.toggle('current', i === index);
      });
    }

    function go(index) {
      const section = sections[index];
      mark(index);
      section.scrollIntoView({ block: 'start' });
      section.focus({ preventScroll: true });
      window.history.replaceState(null, '', '#' + section.id);
    }

    // After the reader scrolled away on their own, the keys start from the run in view.
    function runInView() {
      const rect = sections[current].getBoundingClientRect();
      if (rect.bottom > 0 && rect.top < window.innerHeight) {
        return current;
      }
      let best = 0;
      sections.forEach(function (section, i) {
        if (section.getBoundingClientRect().top <= window.innerHeight / 3) {
          best = i;
        }
      });
      return best;
    }

    document.addEventListener('keydown', function (event) {
      if (event.defaultPrevented || event.altKey || event.ctrlKey || event.metaKey || event.shiftKey) {
        return;
      }
      if (event.key !== 'ArrowLeft' && event.key !== 'ArrowRight') {
        return;
      }
      const target = event.target;
      if (target && target.closest && target.closest('input, textarea, select, [contenteditable="true"]')) {
        return;
      }
      const from = runInView();
      const to = Math.max(0, Math.min(sections.length - 1, from + (event.key === 'ArrowRight' ? 1 : -1)));
      event.preventDefault();
      go(to);
    });
    window.addEventListener('hashchange', function () {
      const index = indexOfHash();
      if (index >= 0) {
        mark(index);
      }
    });
    const start = indexOfHash();
    mark(start >= 0 ? start : 0);
  }

  document.querySelectorAll('figure[data-viewer]').forEach(setUpViewer);
  const sections = Array.from(document.querySelectorAll('section.run'));
  if (sections.length > 1) {
    setUpRunSteps(sections);
  }
})();
