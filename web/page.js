// SPDX-License-Identifier: MIT
// page.js: the player of the web build. It starts tormel.wasm, shows the
// first frame, starts the music on a click or a key, and then draws one
// frame per display refresh for the music time that is being heard. The
// keys, full screen, the end and the replay are here too.
//
//   ?start=T   play from music time T (12.5 patterns, 90s or 1:30)
//   ?shot=T    only the frame at T, fresh from start-up, 640 x 480 at the
//              top left: a still for screenshots and tests
'use strict';

const RATE = 44100;                 // the native player's rate: the same mix
const SCENES = [0, 6, 12, 18, 24];  // keys 1-5: the first pattern of each scene
const W = 320, H = 240;

const canvas = document.getElementById('screen');
const under = document.getElementById('under');
const line = document.getElementById('line');
const replay = document.getElementById('replay');
const paint = canvas.getContext('2d', { alpha: false });

// What a test, or a curious reader at the console, can look at.
const tormel = window.tormel = {
    state: 'loading',   // ready, playing, paused, ended; shot, done; error
    t: 0,               // music time of the frame on screen, in patterns
    frames: 0,          // frames drawn since the music started
    firstframe: null,   // when the first frame was up, in ms from the page's start
};

let x = null;           // tormel.wasm's exports
let image = null;       // the frame's pixels, inside wasm memory
let end = 26.5;         // the music time that ends the demo
let mixerwasm = null;   // the bytes of mixer.wasm, on their way
let ctx = null;         // the AudioContext
let send = null;        // tells the mixer where to play from
let epoch = 0;          // counts playthroughs: ticks of an older one are stale
let playing = null;     // {epoch, order, row}: where the latest playthrough begins
let heldsince = 0;      // output timestamps from before this moment (a resume) are stale

function setstate(s) {
    tormel.state = s;
    document.documentElement.dataset.state = s;
}

function say(text) {
    line.textContent = text;
}

function fail(text) {
    setstate('error');
    say(text);
    console.error('tormel: ' + text);
}

// ---- the picture ---------------------------------------------------------------

function draw(t) {
    x._page_draw(t);
    if (!image || image.data.buffer !== x.HEAPU8.buffer)
        image = new ImageData(new Uint8ClampedArray(x.HEAPU8.buffer, x._page_pixels(), W * H * 4), W, H);
    paint.putImageData(image, 0, 0);
    tormel.t = t;
    if (tormel.firstframe === null) tormel.firstframe = performance.now();
}

// Every frame pixel an equal square of screen pixels: twice the frame in a
// window (less where the window is smaller), the largest whole multiple in
// full screen, and only where not even one fits, the largest 4:3. Counted
// in device pixels, so that a zoomed page stays sharp too.
function fit() {
    if (tormel.state === 'shot' || tormel.state === 'done') return;
    const dpr = window.devicePixelRatio || 1;
    const full = document.fullscreenElement !== null;
    const sw = window.innerWidth * dpr;
    const sh = (window.innerHeight - (full ? 0 : under.offsetHeight)) * dpr;
    let n = Math.floor(Math.min(sw / W, sh / H));
    if (!full) n = Math.min(n, Math.round(2 * dpr));
    let w = n * W, h = n * H;
    if (n < 1) {
        w = Math.min(sw, sh * 4 / 3);
        h = w * 3 / 4;
    }
    canvas.style.width = `${w / dpr}px`;
    canvas.style.height = `${h / dpr}px`;
}

function fullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else document.documentElement.requestFullscreen().catch((err) => console.warn(`tormel: no full screen: ${err}`));
}

// ---- the music and its clock ---------------------------------------------------

// The context's sample frame that is reaching the listener now: the last
// output timestamp carried forward to this moment, never past what the
// context has rendered. Null while the timestamp predates a resume.
function heardframe() {
    let time;
    if (ctx.getOutputTimestamp) {
        const ts = ctx.getOutputTimestamp();
        if (ts.performanceTime < heldsince) return null;
        time = ts.contextTime + (performance.now() - ts.performanceTime) / 1000;
    } else {
        time = ctx.currentTime - (ctx.baseLatency || 0) - (ctx.outputLatency || 0);
    }
    return Math.max(0, Math.floor(Math.min(time, ctx.currentTime) * ctx.sampleRate));
}

// Ticks from the mixer, six ints each, frames counted from the base.
function heard(msg) {
    if (msg.error) return fail(`the music stopped: ${msg.error}`);
    if (msg.epoch !== epoch) return;
    const k = msg.ticks;
    for (let i = 0; i < k.length; i += 6)
        x._page_tick(msg.base, k[i], k[i + 1], k[i + 2], k[i + 3], k[i + 4], k[i + 5]);
}

// A new playthrough from music time T, where the command line's --start
// lands: order floor(T), row floor((T - order) * 64), T taken as a float.
// Returns the music time it starts at.
function playfrom(T) {
    T = Math.fround(Math.min(Math.max(T, 0), end));
    const order = Math.floor(T), row = Math.floor((T - order) * 64);
    playing = { epoch: ++epoch, order, row };
    x._page_restart(order, row);
    if (send) send(playing);
    return x._page_timeat(0);
}

async function startaudio() {
    const at = x._page_module(), size = x._page_modulesize();
    const module = x.HEAPU8.slice(at, at + size).buffer;
    const wasm = await mixerwasm;
    try {
        ctx = new AudioContext({ sampleRate: RATE, latencyHint: 'interactive' });
    } catch {
        ctx = new AudioContext({ latencyHint: 'interactive' });  // the mixer follows the device's rate
    }
    if (ctx.audioWorklet) {
        await ctx.audioWorklet.addModule('audio.js');
        const node = new AudioWorkletNode(ctx, 'tormel-mixer', {
            numberOfInputs: 0,
            outputChannelCount: [2],
            processorOptions: { wasm, module, rate: ctx.sampleRate },
        });
        node.port.onmessage = (e) => heard(e.data);
        node.connect(ctx.destination);
        send = (m) => node.port.postMessage(m);
    } else {
        // No worklet outside a secure context: the mixer on the page, in
        // blocks long enough to ride over a slow frame.
        const mixer = await Mixer.create(wasm, module);
        const node = ctx.createScriptProcessor(4096, 0, 2);
        let play = null, base = 0, current = -1;
        node.onaudioprocess = (e) => {
            const out = e.outputBuffer;
            if (play) {
                mixer.start(ctx.sampleRate, play.order, play.row);
                base = Math.round(e.playbackTime * ctx.sampleRate);
                current = play.epoch;
                play = null;
            }
            if (current < 0) return;
            const ticks = mixer.render(out.getChannelData(0), out.getChannelData(1));
            if (ticks) heard({ epoch: current, base, ticks });
        };
        node.connect(ctx.destination);
        send = (m) => { play = m; };
    }
}

// ---- the run -------------------------------------------------------------------

function frame() {
    if (tormel.state !== 'playing') return;
    // Frame 0 is never past where the clock stands: it reads the clock as it is.
    const t = x._page_timeat(heardframe() ?? 0);
    draw(t);
    tormel.frames++;
    if (t >= end) {
        setstate('ended');
        ctx.suspend();
        replay.hidden = false;
        replay.focus();
        fit();
        return;
    }
    requestAnimationFrame(frame);
}

function resume() {
    setstate('playing');
    say('');
    heldsince = performance.now();
    ctx.resume().then(() => { heldsince = performance.now(); }, (err) => fail(`no sound: ${err}`));
    requestAnimationFrame(frame);
}

function pause() {
    if (tormel.state === 'playing') {
        setstate('paused');
        ctx.suspend();
        say('paused');
    } else if (tormel.state === 'paused') {
        resume();
    }
}

// Paused, the new frame shows at once and the pause goes on; after the
// end, the music plays again from there.
function seek(T) {
    const t = playfrom(T);
    if (tormel.state === 'paused') {
        draw(t);
    } else if (tormel.state === 'ended') {
        replay.hidden = true;
        fit();
        resume();
    }
}

function again() {
    replay.hidden = true;
    fit();
    x._page_startup();  // the second run as fresh as the first
    playfrom(0);
    resume();
}

async function start() {
    if (tormel.state !== 'ready') return;
    setstate('starting');
    say('');
    try {
        await startaudio();
    } catch (err) {
        return fail(`no sound: ${err.message || err}`);
    }
    send(playing);
    resume();
}

// The keys of the native player. None with Ctrl or Meta: those are the browser's.
const KEYS = {
    ' ': pause, p: pause, P: pause,
    ArrowLeft: () => seek(tormel.t - 1), ArrowRight: () => seek(tormel.t + 1),
    PageUp: () => seek(tormel.t - 4), PageDown: () => seek(tormel.t + 4),
    Home: () => seek(0),
    f: fullscreen, F: fullscreen, F11: fullscreen,
    Escape: () => { if (document.fullscreenElement) document.exitFullscreen(); },
};
SCENES.forEach((T, i) => { KEYS[String(i + 1)] = () => seek(T); });

function onkey(e) {
    if (e.ctrlKey || e.metaKey) return;
    const action = e.altKey ? (e.key === 'Enter' ? fullscreen : null) : KEYS[e.key];
    if (tormel.state === 'ready') {
        if (['Shift', 'Alt', 'AltGraph', 'Control', 'Meta', 'Tab', 'Escape'].includes(e.key)) return;
        e.preventDefault();
        // Any key starts; a key that does something more does it too.
        const more = action === pause ? null : action;
        if (more === fullscreen) fullscreen();  // only while the key counts as a gesture
        start().then(() => { if (more && more !== fullscreen) more(); });
        return;
    }
    if (!action || !['playing', 'paused', 'ended'].includes(tormel.state)) return;
    // After the end, Space and Enter press the replay button.
    if (tormel.state === 'ended' && (action === pause || e.key === 'Enter')) return;
    e.preventDefault();
    action();
}

async function main() {
    const params = new URLSearchParams(location.search);
    const shot = params.get('shot'), from = params.get('start');
    if (shot === null) {
        mixerwasm = fetch('mixer.wasm').then((r) => {
            if (!r.ok) throw new Error(`mixer.wasm: ${r.status} ${r.statusText}`);
            return r.arrayBuffer();
        });
        mixerwasm.catch(() => {});  // reported when the music starts
    }
    x = await createTormel();
    end = x._page_endtime();
    const time = (name, s) => {
        const T = x.ccall('page_parsetime', 'number', ['string'], [s]);
        if (T < 0 || T > end)
            throw new Error(`?${name}=${s}: the music time must be from 0 to ${end} patterns (12.5), seconds (90s) or minutes and seconds (1:30)`);
        return T;
    };
    x._page_startup();
    if (shot !== null) {
        setstate('shot');
        document.documentElement.classList.add('shot');
        draw(time('shot', shot));
        setstate('done');
        return;
    }
    draw(playfrom(from === null ? 0 : time('start', from)));
    setstate('ready');
    say('click to start');
    fit();
    // Composing the music takes a moment: after the first frame is up.
    setTimeout(() => x._page_module(), 0);
}

canvas.addEventListener('click', start);
line.addEventListener('click', start);
replay.addEventListener('click', again);
window.addEventListener('keydown', onkey);
window.addEventListener('resize', fit);
document.addEventListener('fullscreenchange', fit);
main().catch((err) => fail(err.message || String(err)));
