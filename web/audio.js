// SPDX-License-Identifier: MIT
// audio.js: the music of the page. Mixer runs mixer.wasm (libxmp) and
// hands out blocks of sound with the ticks of the music that began in
// them. Loaded into the audio worklet it plays there, on the audio thread,
// where a slow frame on the page cannot make the sound stutter; the page
// loads the same file where it has no audio worklet (a page served over
// plain http) and plays the Mixer through a ScriptProcessor instead.
'use strict';

class Mixer {
    constructor() {
        this.x = null;                  // mixer.wasm's exports
        this.left = this.right = null;  // views on its last block
    }

    // wasm: the bytes of mixer.wasm; module: the bytes of the music module.
    static async create(wasm, module) {
        const compiled = await WebAssembly.compile(wasm);
        const mixer = new Mixer();
        const instance = await WebAssembly.instantiate(compiled, mixer.imports(compiled));
        mixer.x = instance.exports;
        mixer.x._initialize();
        const at = mixer.x.mixer_buffer(module.byteLength);
        new Uint8Array(mixer.x.memory.buffer, at, module.byteLength).set(new Uint8Array(module));
        if (mixer.x.mixer_load(module.byteLength) !== 0) throw new Error('the music module does not load');
        return mixer;
    }

    // mixer.wasm is built without JavaScript support code: what it imports
    // are the file and environment calls of its C library. It opens no file,
    // so every file call is refused, and its environment is empty.
    imports(compiled) {
        const own = {
            proc_exit: (code) => { throw new Error(`the mixer stopped (${code})`); },
            environ_sizes_get: (count, size) => {
                const view = new DataView(this.x.memory.buffer);
                view.setUint32(count, 0, true);
                view.setUint32(size, 0, true);
                return 0;
            },
            environ_get: () => 0,
            emscripten_notify_memory_growth: () => {},
        };
        const ENOSYS = 52;
        const table = {};
        for (const { module, name } of WebAssembly.Module.imports(compiled)) {
            // WASI calls return an error number, emcc's own syscalls its negative.
            const refuse = module === 'env' ? () => -ENOSYS : () => ENOSYS;
            (table[module] ??= {})[name] = own[name] ?? refuse;
        }
        return table;
    }

    // Plays from row `row` of order `order`, from frame 0 of a new count.
    start(rate, order, row) {
        if (this.x.mixer_start(rate, order, row) !== 0) throw new Error(`the music has no order ${order}`);
    }

    // Fills left and right (Float32Arrays of one length, at most 4096) with
    // the next frames; returns the ticks that began in them, six ints each
    // (first frame, length, order, row, tick in the row, ticks a row), or null.
    render(left, right) {
        const x = this.x, n = left.length;
        const count = x.mixer_render(n);
        const memory = x.memory.buffer;
        // Views on the mixer's blocks, made again only when the size asked
        // for changes or the memory grows: the worklet calls this 344 times a second.
        if (!this.left || this.left.buffer !== memory || this.left.length !== n) {
            this.left = new Float32Array(memory, x.mixer_left(), n);
            this.right = new Float32Array(memory, x.mixer_right(), n);
        }
        left.set(this.left);
        right.set(this.right);
        return count ? new Int32Array(memory, x.mixer_ticks(), 6 * count).slice() : null;
    }
}

if (typeof registerProcessor === 'function') {
    // The worklet: silent until the page says where to play from; then each
    // block of 128 frames comes from the mixer, and the ticks go to the
    // page with the context frame where this playthrough began.
    class MixerProcessor extends AudioWorkletProcessor {
        constructor(options) {
            super();
            const { wasm, module, rate } = options.processorOptions;
            this.rate = rate;
            this.mixer = null;
            this.play = null;   // the latest {epoch, order, row} not begun yet
            this.epoch = -1;
            this.base = 0;      // context frame of the playthrough's frame 0
            this.port.onmessage = (e) => { this.play = e.data; };
            Mixer.create(wasm, module).then(
                (m) => { this.mixer = m; },
                (err) => this.port.postMessage({ error: String(err) }));
        }

        process(inputs, outputs) {
            const [left, right] = outputs[0];
            if (!this.mixer) return true;
            try {
                if (this.play) {
                    this.mixer.start(this.rate, this.play.order, this.play.row);
                    this.epoch = this.play.epoch;
                    this.base = currentFrame;
                    this.play = null;
                }
                if (this.epoch < 0) return true;
                const ticks = this.mixer.render(left, right);
                if (ticks) this.port.postMessage({ epoch: this.epoch, base: this.base, ticks }, [ticks.buffer]);
            } catch (err) {
                this.port.postMessage({ error: String(err) });
                this.mixer = null;
            }
            return true;
        }
    }
    registerProcessor('tormel-mixer', MixerProcessor);
}
