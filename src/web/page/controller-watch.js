// The page's controller: the one it holds (probed, its version shown) and the calls
// that reach it. WebHID's connect and disconnect events keep it in step with what is
// plugged in; nothing looks on a timer, so an idle page costs nothing. The module runs
// one waiting call at a time (ASYNCIFY), so every call that waits (the look, the probe,
// the chooser, the update) goes through the one queue here, in the order asked.
//
//   const watch = watchControllers(page, navigator.hid, { offered(report), withdrawn() });
//   watch.held()            the held controller's report, or null
//   await watch.choose()    the chooser (in a click), or the emulated controller
//   await watch.update(p)   the update with the package at p in the module's files
//   await watch.settled()   once every call asked for so far has ended
//
// `simulate`: {protocol, fault} for an emulated controller in place of WebHID; the
// events are not listened to then. `retryPauseMs`: see look().
'use strict';

// Looks again after a probe that could not reach a controller that is there.
const kProbeRetries = 3;

function watchControllers(page, hid, { offered, withdrawn, simulate = null, retryPauseMs = 1000 }) {
  let queue = Promise.resolve();
  let held = null;
  let lookAsked = false;
  let retriesLeft = kProbeRetries;
  const call = (name, types = [], args = []) => page.ccall(name, 'string', types, args, { async: true });
  // A failed call must not stop the ones queued after it.
  const serial = (task) => {
    const run = queue.then(task);
    queue = run.catch((error) => console.error(error));
    return run;
  };

  // Lets go of the controller and of every device the module holds (a restarted
  // controller is another device to the browser).
  function drop() {
    page.ccall('vantor_release_controller', null, [], []);
    if (held) {
      held = null;
      withdrawn();
    }
  }

  async function look() {
    lookAsked = false;
    await page.ccall('vantor_watch_granted', 'number', [], [], { async: true });
    const change = JSON.parse(page.ccall('vantor_watch_look', 'string', [], []));
    if (change.error) return;
    if (held && !change.held) drop();
    if (!held && change.attached > 0) {
      const report = JSON.parse(await call('vantor_connect'));
      if (report.present && !report.error && !report.openFailed) {
        held = report;
        offered(report);
        return;
      }
      page.ccall('vantor_release_controller', null, [], []);
      // A controller the system is still setting up (udev applying its permissions, the
      // browser opening it anew) can refuse its first probe, and no further event may
      // come: a few more looks, then it waits for its next event.
      if (retriesLeft > 0) {
        retriesLeft--;
        setTimeout(changed, retryPauseMs);
      }
    }
  }

  // Events that come while a look is queued and not yet begun need no look of their own.
  function changed() {
    if (lookAsked) return;
    lookAsked = true;
    serial(look);
  }

  // Each plug or unplug earns a controller its retries anew.
  const onEvent = () => {
    retriesLeft = kProbeRetries;
    changed();
  };
  if (!simulate && hid) {
    hid.addEventListener('connect', onEvent);
    hid.addEventListener('disconnect', onEvent);
    // Controllers granted before the page opened, plugged in already.
    changed();
  }

  return {
    held: () => held,
    settled: () => queue,
    choose: () => serial(async () => {
      if (held) return held;
      const report = JSON.parse(simulate
        ? await call('vantor_simulate', ['string', 'string', 'number'], [simulate.protocol, simulate.fault, 0])
        : await call('vantor_choose_controller'));
      if (report.present && !report.error && !report.openFailed) {
        held = report;
      } else if (!simulate) {
        page.ccall('vantor_release_controller', null, [], []);
      }
      return report;
    }),
    update: (packagePath) => serial(async () => {
      const result = JSON.parse(await call('vantor_update', ['string'], [packagePath]));
      // The controller restarted out of its boot mode, or has gone: the next update
      // starts from what is plugged in then.
      held = null;
      page.ccall('vantor_release_controller', null, [], []);
      if (!simulate && hid) changed();
      return result;
    }),
  };
}

if (typeof module === 'object' && module.exports) module.exports = { watchControllers };
