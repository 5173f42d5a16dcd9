// The page: one "USB Update" button, the file choice (or a drop), the confirmation,
// the progress and the ending. Every decision and text comes from the module (the
// updater's own core); this script only shows them and passes the user's answers on.
// The package is read into the module's memory and never leaves this page.
'use strict';

(async () => {
  const $ = (id) => document.getElementById(id);
  const show = (id, shown) => { $(id).hidden = !shown; };
  const params = new URLSearchParams(location.search);
  // The controller through WebHID; with ?simulate= an emulated one of that protocol
  // (framed, or addressed for any other value), misbehaving as ?fault= says.
  const simulated = params.has('simulate');
  const protocol = params.get('simulate') === 'framed' ? 'framed' : 'addressed';
  const fault = params.get('fault') || '';

  const page = await createVantorModule();
  page.ccall('vantor_set_language', null, ['string'], [navigator.language || 'en']);
  const texts = JSON.parse(page.ccall('vantor_page_texts', 'string', [], []));
  document.documentElement.lang = texts.language;
  document.title = texts.title;
  $('title').textContent = texts.title;
  $('instructions').textContent = texts.instructions;
  $('reset-hint').textContent = texts.resetHint;
  $('usb-update').textContent = texts.usbUpdate;
  $('choose-file').textContent = texts.chooseFile;
  $('offer-continue').textContent = texts.continue;
  $('offer-cancel').textContent = texts.cancel;
  $('do-not-unplug').textContent = texts.doNotUnplug;
  $('no-webhid').textContent = texts.noWebHid;
  show('no-webhid', !('hid' in navigator));
  $('simulated').textContent = `${texts.simulated}: ${protocol}`;
  show('simulated', simulated);

  let updating = false;
  window.addEventListener('beforeunload', (event) => {
    if (updating) event.preventDefault();
  });

  page.onVantorEvent = (event) => {
    if (event.type === 'stage' && event.label) {
      $('progress-line').textContent = event.label;
    } else if (event.type === 'bytes') {
      $('bar').value = event.percent;
      $('progress-line').textContent = `${event.line} (${event.percent}%)`;
    }
  };

  page.onVantorConfirm = (offer) => new Promise((resolve) => {
    $('offer-question').textContent = offer.question;
    $('offer-installed-label').textContent = offer.installedLabel;
    $('offer-installed').textContent = offer.installed;
    $('offer-new-label').textContent = offer.newLabel;
    $('offer-new').textContent = offer.new;
    $('offer-radio').textContent = offer.radio;
    show('offer', true);
    const answer = (yes) => {
      $('offer-continue').onclick = $('offer-cancel').onclick = null;
      show('offer', false);
      if (yes) show('progress', true);
      resolve(yes);
    };
    $('offer-continue').onclick = () => answer(true);
    $('offer-cancel').onclick = () => answer(false);
    $('offer-continue').focus();
  });

  function showEnding(result) {
    const ending = $('ending');
    ending.textContent = result.text;
    ending.className = `ending ${result.succeeded ? 'succeeded' : result.wroteNothing ? 'nothing' : 'failed'}`;
    show('ending', true);
  }

  // The controller the page holds: one plugged in (and granted to the page) is probed
  // and offered as it comes, and withdrawn as it goes; the click asks the browser's
  // chooser only when none is held.
  const watch = watchControllers(page, 'hid' in navigator ? navigator.hid : null, {
    simulate: simulated ? { protocol, fault } : null,
    offered: (report) => {
      if (!updating) $('controller').textContent = report.text || '';
    },
    withdrawn: () => {
      if (updating) return;
      $('controller').textContent = '';
      show('package', false);
    },
  });

  // The click (the user gesture the browser's chooser needs): the controller held, or
  // the one the user chooses, or the emulated one plugged in in its boot mode; then
  // the page waits for the package.
  $('usb-update').addEventListener('click', async () => {
    $('usb-update').disabled = true;
    show('ending', false);
    const report = await watch.choose();
    if (report.error || !report.present) {
      $('controller').textContent = !simulated && !('hid' in navigator) ? texts.noWebHid : report.error || texts.chooserEmpty;
      $('usb-update').disabled = false;
      return;
    }
    $('controller').textContent = report.text || '';
    $('file').value = '';
    show('package', true);
  });

  async function update(file) {
    show('file-problem', false);
    if (!/\.dat$/i.test(file.name)) {
      $('file-problem').textContent = texts.onlyDat;
      show('file-problem', true);
      return;
    }
    const bytes = new Uint8Array(await file.arrayBuffer());
    page.FS.writeFile('/package.dat', bytes);
    show('package', false);
    $('bar').value = 0;
    $('progress-line').textContent = '';
    updating = true;
    const result = await watch.update('/package.dat');
    updating = false;
    page.FS.unlink('/package.dat');
    show('progress', false);
    showEnding(result.error ? { text: result.error, succeeded: false, wroteNothing: true } : result);
    $('controller').textContent = '';
    $('usb-update').disabled = false;
  }

  $('file').addEventListener('change', () => {
    if ($('file').files.length > 0) update($('file').files[0]);
  });
  const drop = $('drop');
  drop.addEventListener('dragover', (event) => {
    event.preventDefault();
    drop.classList.add('over');
  });
  drop.addEventListener('dragleave', () => drop.classList.remove('over'));
  drop.addEventListener('drop', (event) => {
    event.preventDefault();
    drop.classList.remove('over');
    if (event.dataTransfer.files.length > 0) update(event.dataTransfer.files[0]);
  });

  $('usb-update').disabled = false;
})();
