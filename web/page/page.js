// SPDX-License-Identifier: GPL-3.0-or-later
// Reads /api/status every few seconds; after each new tally it fetches the
// last eight days of minutes and redraws both charts.  Nothing is fetched
// from anywhere but this server.
'use strict';
(function () {
  const T = JSON.parse(document.getElementById('texts').textContent);
  const PollMs = 5000;
  let generation = -1;
  const charts = {};

  const pad = (n) => String(n).padStart(2, '0');
  const byId = (id) => document.getElementById(id);

  async function getJson(url) {
    const r = await fetch(url, { cache: 'no-store' });
    if (!r.ok) throw new Error(url + ': ' + r.status);
    return r.json();
  }

  function setText(id, text, good) {
    const el = byId(id);
    el.textContent = text;
    el.className = (el.className.includes('value') ? 'value ' : '') +
      (good === undefined ? '' : good ? 'good' : 'bad');
  }

  // The logger's own date ("yyyy-MM-dd"), from its last tally when there is one.
  function loggerDay(status) {
    const t = status.readout.time;
    if (t) return t.slice(0, 10);
    const d = new Date();
    return d.getFullYear() + '-' + pad(d.getMonth() + 1) + '-' + pad(d.getDate());
  }

  function daysBefore(day, n) {
    const d = new Date(day + 'T12:00:00');
    d.setDate(d.getDate() - n);
    return d.getFullYear() + '-' + pad(d.getMonth() + 1) + '-' + pad(d.getDate());
  }

  function showReadout(s) {
    const r = s.readout;
    setText('last', r.cpm === undefined ? '–' : r.cpm + ' cpm');
    setText('mean', r.mean10_cpm === undefined ? '–'
      : r.mean10_cpm.toFixed(1) + ' ± ' + r.mean10_sigma.toFixed(1) + ' cpm');
    setText('dose', r.usv_h === undefined ? '–'
      : r.usv_h.toFixed(3) + ' ± ' + r.usv_h_sigma.toFixed(3) + ' µSv/h');
    setText('port', (s.port.name || '–') + ': ' + (s.port.open ? T.open : T.closed), s.port.open);
    setText('counter', s.counter.connected ? T.connected : T.disconnected, s.counter.connected);
    if (!s.mqtt.enabled) setText('mqtt', T.off);
    else setText('mqtt', (s.mqtt.connected ? T.connected : T.notConnected) +
      (s.mqtt.pending ? ', ' + s.mqtt.pending + ' ' + T.pending : ''), s.mqtt.connected);
    setText('uploads', s.uploads.length === 0 ? T.off : s.uploads.map((u) =>
      u.service + ': ' + (T[u.state] || u.state) + ' (' + T.lastSuccess + ' ' +
      (u.last_success ? u.last_success.slice(11, 16) : T.never) + ')').join(', '));
  }

  // Minutes without a count (the logger stopped, a lost port) stay a gap
  // instead of a line across them.
  function withGaps(rows) {
    const out = [];
    for (let i = 0; i < rows.length; ++i) {
      if (i > 0 && rows[i][0] - rows[i - 1][0] > 90000)
        out.push([new Date(rows[i - 1][0].getTime() + 60000), null]);
      out.push(rows[i]);
    }
    return out;
  }

  // Draws `rows` into the chart `id`; returns the points the chart holds.
  function draw(id, rows) {
    const el = byId(id);
    if (rows.length === 0) {
      if (charts[id]) { charts[id].destroy(); delete charts[id]; }
      el.textContent = T.noMinutes;
      return 0;
    }
    if (charts[id]) {
      charts[id].updateOptions({ file: rows });
    } else {
      el.textContent = '';
      charts[id] = new Dygraph(el, rows, {
        labels: [T.time, T.cpm], ylabel: 'cpm', includeZero: true,
        showRangeSelector: id === 'week', strokeWidth: 1, color: '#1565c0',
      });
    }
    const g = charts[id];
    let points = 0;
    for (let r = 0; r < g.numRows(); ++r) if (g.getValue(r, 1) !== null) ++points;
    return points;
  }

  async function drawMinutes(status) {
    const day = loggerDay(status);
    const from = daysBefore(day, 7) + 'T00:00';
    const minutes = await getJson('/api/minutes?from=' + from + '&to=' + day + 'T23:59');
    // `cpm` is a rate already where a cell covers two minutes.
    const rows = minutes.map((m) => [new Date(m.time), m.cpm]);
    const today = rows.filter((r, i) => minutes[i].time.startsWith(day));
    document.body.dataset.today = draw('today', withGaps(today));
    document.body.dataset.points = draw('week', withGaps(rows));
  }

  async function refresh() {
    try {
      const status = await getJson('/api/status');
      showReadout(status);
      if (status.generation !== generation) {
        await drawMinutes(status);
        generation = status.generation;
        document.body.dataset.generation = generation;
      }
    } catch (e) {
      setText('port', T.unreachable, false);
    }
  }

  refresh();
  setInterval(refresh, PollMs);
})();
