// SPDX-License-Identifier: MIT
// record.cpp: --record, the offline capture: the plan (capture.h), then
// every frame drawn in order and written as PNG files or piped to ffmpeg,
// with the audio of exactly those frames.
#include "app/capture.h"
#include "app/data.h"
#include "app/modes.h"
#include "driver/driver.h"
#include "platform/player.h"
#include "platform/png.h"
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace tormel {

static constexpr int RATE = 44100;

static volatile std::sig_atomic_t stopsignal = 0;

static void onsignal(int sig)
{
    stopsignal = sig;
}

// ---- the plan ----------------------------------------------------------------

capture captureplan(const std::vector<uint8_t>& module, int fps)
{
    capture c;
    modplayer p;
    p.load(module.data(), module.size(), nullptr);
    p.start(RATE, false);
    for (int64_t k = 0;; k++) {
        int64_t s0 = k * RATE / fps, s1 = (k + 1) * RATE / fps;
        size_t at = c.audio.size();
        c.audio.resize(at + size_t(s1 - s0) * 2);
        p.render(c.audio.data() + at, int(s1 - s0));
        float t = musictime(encodeposition(p.positionat(s0), 256));
        c.times.push_back(t);
        c.first.push_back(s0);
        if (t >= ENDTIME || p.ended()) {
            c.first.push_back(s1);
            break;
        }
    }
    return c;
}

// ---- output -------------------------------------------------------------------

static void put16(std::vector<uint8_t>& b, unsigned v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
static void put32(std::vector<uint8_t>& b, uint32_t v) { put16(b, v & 0xffff); put16(b, v >> 16); }

// 16-bit stereo PCM, little-endian whatever the machine.
static bool writewav(const std::string& path, const int16_t* samples, size_t frames)
{
    std::vector<uint8_t> b;
    b.reserve(44 + frames * 4);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, uint32_t(36 + frames * 4));
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1);
    put16(b, 2);
    put32(b, RATE);
    put32(b, RATE * 4);
    put16(b, 4);
    put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, uint32_t(frames * 4));
    for (size_t i = 0; i < frames * 2; i++) put16(b, uint16_t(samples[i]));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

static bool endswith(const std::string& s, const char* tail)
{
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

static std::string findprogram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t from = 0;
    while (from <= dirs.size()) {
        size_t to = dirs.find(':', from);
        if (to == std::string::npos) to = dirs.size();
        std::string p = (to > from ? dirs.substr(from, to - from) : ".") + "/" + name;
        if (access(p.c_str(), X_OK) == 0) return p;
        from = to + 1;
    }
    return "";
}

// PNG frames are written by worker threads: drawing must stay in order (the
// water has history), compressing need not.
class pngwriter {
public:
    pngwriter(std::string dir, int scale) : dir_(std::move(dir)), scale_(scale)
    {
        unsigned n = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < n; i++) workers_.emplace_back([this] { work(); });
    }
    ~pngwriter() { finish(); }

    void add(int index, const uint16_t* frame)
    {
        std::unique_lock<std::mutex> l(m_);
        space_.wait(l, [this] { return jobs_.size() < 2 * workers_.size(); });
        jobs_.push_back({index, std::vector<uint16_t>(frame, frame + 320 * 240)});
        ready_.notify_one();
    }
    // Waits for every frame; true if all were written.
    bool finish()
    {
        {
            std::lock_guard<std::mutex> l(m_);
            done_ = true;
        }
        ready_.notify_all();
        for (auto& w : workers_)
            if (w.joinable()) w.join();
        return !failed_;
    }
    std::string error() { std::lock_guard<std::mutex> l(m_); return error_; }

private:
    struct job {
        int index;
        std::vector<uint16_t> pixels;
    };
    void work()
    {
        for (;;) {
            job j;
            {
                std::unique_lock<std::mutex> l(m_);
                ready_.wait(l, [this] { return done_ || !jobs_.empty(); });
                if (jobs_.empty()) return;
                j = std::move(jobs_.front());
                jobs_.pop_front();
                space_.notify_one();
            }
            char name[32];
            std::snprintf(name, sizeof name, "frame_%06d.png", j.index);
            std::string err;
            if (!writepng(dir_ + name, j.pixels.data(), 320, 240, &err, scale_, true)) {
                std::lock_guard<std::mutex> l(m_);
                if (!failed_) error_ = err;
                failed_ = true;
            }
        }
    }
    std::string dir_;
    int scale_;
    std::vector<std::thread> workers_;
    std::mutex m_;
    std::condition_variable ready_, space_;
    std::deque<job> jobs_;
    bool done_ = false;
    std::atomic<bool> failed_{false};
    std::string error_;
};

// ffmpeg reading raw RGB565 frames on its standard input.
class ffmpegpipe {
public:
    bool open(const std::string& ffmpeg, const std::string& out, const std::string& wav, int w, int h, int fps)
    {
        int fds[2];
        if (pipe(fds) != 0) return false;
        std::string size = std::to_string(w) + "x" + std::to_string(h), rate = std::to_string(fps);
        const bool little = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
        std::vector<std::string> args = {
            ffmpeg, "-hide_banner", "-loglevel", "error", "-y",
            "-f", "rawvideo", "-pix_fmt", little ? "rgb565le" : "rgb565be", "-video_size", size,
            "-framerate", rate, "-i", "pipe:0", "-i", wav,
            "-c:v", "libx264", "-preset", "medium", "-crf", "16", "-pix_fmt", "yuv420p",
            "-c:a", endswith(out, ".mkv") ? "flac" : "aac", "-b:a", "256k", "-shortest", out};
        pid_ = fork();
        if (pid_ == 0) {
            setpgid(0, 0);  // Ctrl-C is ours to handle: we close the pipe, it finishes the file
            dup2(fds[0], 0);
            ::close(fds[0]);
            ::close(fds[1]);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(ffmpeg.c_str(), argv.data());
            _exit(127);
        }
        ::close(fds[0]);
        fd_ = fds[1];
        return pid_ > 0;
    }
    bool write(const void* data, size_t n)
    {
        const char* p = static_cast<const char*>(data);
        while (n > 0) {
            ssize_t k = ::write(fd_, p, n);
            if (k < 0 && errno == EINTR) continue;
            if (k <= 0) return false;
            p += k;
            n -= size_t(k);
        }
        return true;
    }
    // Closes the input and waits; true if ffmpeg finished the file.
    bool close()
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        int status = 0;
        while (pid_ > 0 && waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    int fd_ = -1;
    pid_t pid_ = -1;
};

// ---- progress ---------------------------------------------------------------

static void progress(int done, int total, double seconds, int fps, bool last)
{
    static double lastshown = -1;
    bool tty = isatty(2);
    if (!last && seconds - lastshown < (tty ? 0.1 : 5.0)) return;
    lastshown = seconds;
    const int width = 30;
    int filled = total ? done * width / total : width;
    double speed = seconds > 0 ? done / double(fps) / seconds : 0;  // times real time
    double left = done > 0 ? seconds * (total - done) / done : 0;
    std::fprintf(stderr, "%s[%.*s%.*s] %d/%d frames  %.1fx real time  %d:%02d left%s",
                 tty ? "\r" : "", filled, "##############################", width - filled,
                 "------------------------------", done, total, speed, int(left) / 60, int(left) % 60,
                 tty && !last ? "" : "\n");
}

// ---- the capture ------------------------------------------------------------

int runrecord(const options& o)
{
    const std::string& out = o.recordfile;
    bool folder = endswith(out, "/");
    bool video = endswith(out, ".mp4") || endswith(out, ".mkv");
    if (!folder && !video) {
        std::fprintf(stderr, "tormel: --record needs a file ending in .mp4 or .mkv, or a folder ending in /\n");
        return 2;
    }
    std::string ffmpeg;
    if (video && (ffmpeg = findprogram("ffmpeg")).empty()) {
        std::fprintf(stderr, "tormel: ffmpeg is not installed, and it is needed to write %s.\n"
                             "tormel: install it (apt install ffmpeg), or record PNG frames and audio "
                             "into a folder: --record frames/\n", out.c_str());
        return 1;
    }
    datafiles data;
    std::string error;
    if (!loaddatafiles(&data, true, &error) || !checkmodule(data.module, &error)) {
        std::fprintf(stderr, "tormel: %s%s\n", data.modulefromfile ? "\"mmm.xm\": " : "", error.c_str());
        return 1;
    }
    if (folder && mkdir(out.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "tormel: cannot make the folder %s: %s\n", out.c_str(), std::strerror(errno));
        return 1;
    }

    std::signal(SIGINT, onsignal);
    std::signal(SIGTERM, onsignal);
    std::signal(SIGPIPE, SIG_IGN);

    capture c = captureplan(data.module, o.fps);
    const int total = int(c.times.size());
    // PNG frames are the frames themselves, 320 x 240, lossless: doubling
    // them would only double the work of compressing them. A video is
    // doubled unless asked not to, so that its codec keeps the pixels sharp.
    const int scale = folder || o.native ? 1 : 2;
    startup(data.sprites.data(), data.sprites.size(), data.relief.data(), data.relief.size());

    std::string wav = folder ? out + "audio.wav" : out + ".audio.wav";
    if (video && !writewav(wav, c.audio.data(), c.audio.size() / 2)) {
        std::fprintf(stderr, "tormel: cannot write %s\n", wav.c_str());
        return 1;
    }
    ffmpegpipe pipe;
    std::unique_ptr<pngwriter> pngs;
    if (video && !pipe.open(ffmpeg, out, wav, 320 * scale, 240 * scale, o.fps)) {
        std::fprintf(stderr, "tormel: cannot start ffmpeg\n");
        return 1;
    }
    if (folder) pngs = std::make_unique<pngwriter>(out, scale);

    auto t0 = std::chrono::steady_clock::now();
    std::vector<uint16_t> doubled(scale == 2 ? 640 * 480 : 0);
    bool ok = true;
    int done = 0;
    for (; done < total && !stopsignal; done++) {
        drawframe(c.times[size_t(done)]);
        if (folder) {
            pngs->add(done, frame());
        } else {
            const uint16_t* f = frame();
            if (scale == 2) {
                for (int y = 0; y < 240; y++)
                    for (int x = 0; x < 320; x++) {
                        uint16_t p = f[y * 320 + x];
                        uint16_t* d = &doubled[size_t(y) * 2 * 640 + 2 * x];
                        d[0] = d[1] = d[640] = d[641] = p;
                    }
                f = doubled.data();
            }
            if (!pipe.write(f, size_t(320 * scale) * 240 * scale * 2)) {
                ok = false;
                error = "ffmpeg stopped reading (see its message above)";
                break;
            }
        }
        progress(done + 1, total,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), o.fps, false);
    }
    // The audio of the frames that were made, so a stopped capture plays too.
    size_t frames = size_t(c.first[size_t(done)]);
    if (folder) {
        if (!pngs->finish()) ok = false, error = pngs->error();
        if (!writewav(wav, c.audio.data(), frames)) ok = false, error = "cannot write " + wav;
    } else {
        if (!pipe.close() && ok) ok = false, error = "ffmpeg could not write " + out;
        std::remove(wav.c_str());
    }
    shutdown();
    if (!ok) {
        std::fprintf(stderr, "\ntormel: %s\n", error.c_str());
        return 1;
    }
    if (stopsignal) {
        std::fprintf(stderr, "\ntormel: stopped after %d of %d frames; %s plays up to there\n", done, total,
                     out.c_str());
        return 128 + stopsignal;
    }
    progress(done, total, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), o.fps, true);
    return 0;
}

} // namespace tormel
