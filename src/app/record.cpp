// SPDX-License-Identifier: MIT
// record.cpp: --record, the offline capture: the plan (capture.h) made as the
// frames are drawn, in order, on the main thread, and written by others: as
// PNG files with audio.wav and capture.txt into a folder, or converted and
// piped to ffmpeg with their audio on a second pipe. Memory stays bounded
// however long the music; nothing is written but the output the user
// named; a failed write or a signal stops the capture with what was written
// so far playable.
#include "app/capture.h"
#include "app/data.h"
#include "app/modes.h"
#include "core/geometry.h"
#include "driver/driver.h"
#include "platform/player.h"
#include "platform/png.h"
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tormel {

static constexpr bool LITTLE = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// ---- signals ----------------------------------------------------------------

// SIGINT, SIGTERM, SIGHUP and SIGUSR1 stop the capture after the frame under
// way, leaving a playable partial capture with its audio. Blocking calls
// are not restarted, and retry themselves where they must finish. SIGPIPE
// and SIGXFSZ are ignored: a closed pipe or a file-size limit shows as a
// failed write, reported like a full disk.
static volatile std::sig_atomic_t stopsignal = 0;

static void onsignal(int sig)
{
    stopsignal = sig;
}

static void catchstops()
{
    struct sigaction sa = {};
    sa.sa_handler = onsignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

// ---- the plan ---------------------------------------------------------------

captureplan::captureplan(const std::vector<uint8_t>& module, int fps, float start, float end)
    : fps_(fps), end_(end)
{
    done_ = !player_.load(module.data(), module.size(), nullptr);
    player_.start(CAPTURE_RATE, false);
    if (start > 0) {
        int order, row;
        startposition(start, &order, &row);
        done_ = done_ || !player_.seek(order, row);
    }
}

bool captureplan::next(captureframe* f)
{
    if (done_) return false;
    int64_t s0 = firstsample(k_, fps_), s1 = firstsample(k_ + 1, fps_);
    f->index = k_;
    f->audio.resize(size_t(s1 - s0) * 2);
    player_.render(f->audio.data(), int(s1 - s0));
    f->time = musictime(encodeposition(player_.positionat(s0), 256));
    done_ = f->time >= end_ || player_.ended();
    k_++;
    return true;
}

// ---- files ------------------------------------------------------------------

static bool endswith(const std::string& s, const char* tail)
{
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

static std::string cannot(const std::string& what, const std::string& path, int err)
{
    return "cannot " + what + " " + path + (err ? std::string(": ") + std::strerror(err) : std::string());
}

// All of n bytes; false with errno set if not.
static bool writeall(int fd, const void* data, size_t n)
{
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

// The frames of a capture folder: frame_ and at least six digits, .png.
static bool isframename(const char* name)
{
    size_t n = std::strlen(name);
    if (n < 16 || std::strncmp(name, "frame_", 6) != 0 || !endswith(name, ".png")) return false;
    for (size_t i = 6; i < n - 4; i++)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

static std::string framepath(const std::string& dir, int64_t k)
{
    char name[40];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(k));
    return dir + name;
}

// What a capture writes into its folder beside the frames.
static bool iscapturefile(const char* name)
{
    return !std::strcmp(name, "audio.wav") || !std::strcmp(name, "capture.txt");
}

// Makes the folder, or takes an existing empty one. A folder with files in
// it is refused, so that two captures never mix; with force, the frames,
// audio.wav and capture.txt of an earlier capture are removed from it
// first, and nothing else.
static bool preparefolder(const std::string& dir, bool force, std::string* error)
{
    if (mkdir(dir.c_str(), 0777) == 0) return true;
    if (errno != EEXIST) {
        *error = cannot("make the folder", dir, errno);
        return false;
    }
    // With its trailing slash, the name of a file gives ENOTDIR.
    struct stat st;
    int found = stat(dir.c_str(), &st) == 0 ? 0 : errno;
    if (found == ENOTDIR || (!found && !S_ISDIR(st.st_mode))) {
        *error = "cannot record into " + dir + ": it is a file, not a folder";
        return false;
    }
    if (found) {
        *error = cannot("record into", dir, found);
        return false;
    }
    DIR* d = opendir(dir.c_str());
    if (!d) {
        *error = cannot("read the folder", dir, errno);
        return false;
    }
    std::vector<std::string> ours;
    bool others = false;
    while (dirent* e = readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        if (isframename(e->d_name) || iscapturefile(e->d_name))
            ours.push_back(e->d_name);
        else
            others = true;
    }
    closedir(d);
    if (ours.empty() && !others) return true;
    if (!force) {
        *error = dir + " is not empty; record into a new folder, or add --force to replace the capture "
                       "there (its frames, audio.wav and capture.txt; other files are kept)";
        return false;
    }
    int frames = 0;
    for (const std::string& name : ours) {
        if (unlink((dir + name).c_str()) != 0) {
            *error = cannot("remove", dir + name, errno);
            return false;
        }
        frames += isframename(name.c_str());
    }
    if (!ours.empty())
        std::fprintf(stderr, "tormel: removed %d frames%s of an earlier capture from %s\n", frames,
                     frames < int(ours.size()) ? " and their audio" : "", dir.c_str());
    return true;
}

// audio.wav, 16-bit stereo PCM, written as the capture goes. The sizes in
// the header are set when it is finished, to the frames that were made.
class wavfile {
public:
    ~wavfile()
    {
        if (fd_ >= 0) close(fd_);
    }
    bool create(const std::string& path, std::string* error)
    {
        path_ = path;
        fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0 && writeall(fd_, header(0).data(), 44)) return true;
        *error = cannot("write", path, errno);
        if (fd_ >= 0) unlink(path.c_str());
        return false;
    }
    // Appends sample frames; false (and nothing more is written) on failure.
    bool append(const int16_t* samples, size_t frames, std::string* error)
    {
        if (uint64_t(written_ + int64_t(frames)) * 4 > MAXDATA) {
            *error = path_ + " holds all the audio a WAV file can (4 GB); the capture ends there";
            return false;
        }
        bytes_.resize(frames * 4);
        for (size_t i = 0; i < frames * 2; i++) {
            bytes_[2 * i] = uint8_t(uint16_t(samples[i]));
            bytes_[2 * i + 1] = uint8_t(uint16_t(samples[i]) >> 8);
        }
        if (!writeall(fd_, bytes_.data(), bytes_.size())) {
            *error = cannot("write", path_, errno);
            return false;
        }
        written_ += int64_t(frames);
        return true;
    }
    // Cuts the audio to its first frames sample frames (what a failed write
    // left past them goes) and sets the sizes in the header.
    bool finish(int64_t frames, std::string* error)
    {
        bool ok = ftruncate(fd_, off_t(44 + frames * 4)) == 0 && pwrite(fd_, header(frames).data(), 44, 0) == 44;
        if (!ok) *error = cannot("write", path_, errno);
        if (close(fd_) != 0 && ok) {
            *error = cannot("write", path_, errno);
            ok = false;
        }
        fd_ = -1;
        return ok;
    }

private:
    static constexpr uint64_t MAXDATA = 0xFFFFFFFFu - 36;
    static std::vector<uint8_t> header(int64_t frames)
    {
        std::vector<uint8_t> b;
        auto put16 = [&](unsigned v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
        auto put32 = [&](uint32_t v) { put16(v & 0xffff), put16(v >> 16); };
        b.insert(b.end(), {'R', 'I', 'F', 'F'});
        put32(uint32_t(36 + frames * 4));
        b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        put32(16);
        put16(1);  // PCM
        put16(2);
        put32(CAPTURE_RATE);
        put32(CAPTURE_RATE * 4);
        put16(4);
        put16(16);
        b.insert(b.end(), {'d', 'a', 't', 'a'});
        put32(uint32_t(frames * 4));
        return b;
    }
    std::string path_;
    int fd_ = -1;
    int64_t written_ = 0;
    std::vector<uint8_t> bytes_;
};

// PNG frames are written by worker threads: drawing must stay in order (the
// water has history), compressing need not. The first frame that fails
// ends the capture; the frames before it are all written.
class pngwriter {
public:
    explicit pngwriter(std::string dir) : dir_(std::move(dir))
    {
        unsigned n = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < n; i++) workers_.emplace_back([this] { work(); });
    }
    ~pngwriter() { finish(); }

    void add(int64_t index, const uint16_t* frame)
    {
        std::unique_lock<std::mutex> l(m_);
        space_.wait(l, [this] { return jobs_.size() < 2 * workers_.size(); });
        // Buffers go round: a handful are ever made, not one a frame.
        std::vector<uint16_t> pixels;
        if (!spare_.empty()) {
            pixels = std::move(spare_.back());
            spare_.pop_back();
        }
        pixels.assign(frame, frame + FRAMEPIXELS);
        jobs_.push_back({index, std::move(pixels)});
        ready_.notify_one();
    }
    bool failed() const { return firstfailed_ >= 0; }
    // Waits for every frame. Returns the number of frames written in a row
    // from the first, or -1 if all were; error says why one failed.
    int64_t finish(std::string* error = nullptr)
    {
        {
            std::lock_guard<std::mutex> l(m_);
            done_ = true;
        }
        ready_.notify_all();
        for (auto& w : workers_)
            if (w.joinable()) w.join();
        if (error && firstfailed_ >= 0) *error = error_;
        return firstfailed_;
    }

private:
    struct job {
        int64_t index;
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
            std::string path = framepath(dir_, j.index);
            bool ok = writepngfast(path, j.pixels.data(), FRAMEW, FRAMEH);
            int err = errno;  // from the call that failed: open, write or close
            if (!ok) unlink(path.c_str());
            std::lock_guard<std::mutex> l(m_);
            spare_.push_back(std::move(j.pixels));
            if (!ok && (firstfailed_ < 0 || j.index < firstfailed_)) {
                firstfailed_ = j.index;
                error_ = cannot("write", path, err);
            }
        }
    }
    std::string dir_;
    std::vector<std::thread> workers_;
    std::mutex m_;
    std::condition_variable ready_, space_;
    std::deque<job> jobs_;
    std::vector<std::vector<uint16_t>> spare_;
    bool done_ = false;
    std::atomic<int64_t> firstfailed_{-1};
    std::string error_;
};

// ---- ffmpeg -----------------------------------------------------------------

// The program as execvp would find it: along PATH, or where PATH is not set,
// the system's default path (which leaves out the working directory).
static std::string findprogram(const char* name)
{
    std::string dirs;
    if (const char* path = std::getenv("PATH")) {
        dirs = path;
    } else {
        dirs.assign(confstr(_CS_PATH, nullptr, 0), '\0');
        if (!dirs.empty()) confstr(_CS_PATH, dirs.data(), dirs.size());
        dirs.resize(std::strlen(dirs.c_str()));
        if (dirs.empty()) dirs = "/bin:/usr/bin";
    }
    for (size_t from = 0; from <= dirs.size();) {
        size_t to = std::min(dirs.find(':', from), dirs.size());
        // An empty entry means the working directory, as in the shell.
        std::string p = (to > from ? dirs.substr(from, to - from) : ".") + "/" + name;
        struct stat st;
        if (stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(p.c_str(), X_OK) == 0) return p;
        from = to + 1;
    }
    return "";
}

static std::string describestatus(int status)
{
    if (WIFSIGNALED(status))
        return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    if (WEXITSTATUS(status) == 127) return "could not be started (exit status 127)";
    return "failed with exit status " + std::to_string(WEXITSTATUS(status));
}

// The encoder's settings, measured on the demo's own frames with scripts/
// capturebench.sh. "medium" at CRF 16 spent three times the CPU for a
// picture further from the frames (39.8 dB PSNR in RGB, against 45.2 here).
// "superfast" at CRF 11, tuned for fidelity (no adaptive quantization, no
// psychovisual shaping: there is no film grain to keep, only exact pixels),
// keeps well ahead of four times real time on two cores; the price is size,
// about three times medium's. "-tune animation" was slower and further off.
struct encoding {
    std::string preset = "superfast";
    int crf = 11;
};

// The ffmpeg command that makes a video of a capture folder (capture.txt),
// as --record would have made it.
static std::string foldercommand(int fps, const encoding& e, bool native)
{
    return "ffmpeg -framerate " + std::to_string(fps) + " -i frame_%06d.png -i audio.wav" +
           (native ? "" : " -vf scale=iw*2:ih*2:flags=neighbor") + " -c:v libx264 -preset " + e.preset +
           " -crf " + std::to_string(e.crf) +
           " -tune psnr -pix_fmt yuv420p -c:a aac -b:a 256k -movflags +faststart -shortest demo.mp4";
}

// ffmpeg reading raw YUV 4:2:0 frames on its standard input and the raw
// audio on descriptor 3. ffmpeg reads one input at a time, blocking, as its
// analysis at the start and its muxer ask, sometimes seconds of one ahead of
// the other; so the audio has a thread of its own, which plays the module
// through a plan of its own and writes the same samples, frame by frame, as
// fast as ffmpeg takes them. Neither pipe waits for the other, and nothing
// is held in memory between them.
class ffmpegpipe {
public:
    ~ffmpegpipe() { close(0, nullptr); }  // on the way out of an error

    bool open(const std::string& ffmpeg, const std::string& out, int w, int h, int fps, const encoding& e,
              const std::vector<uint8_t>& module, float start, float end, std::string* error)
    {
        std::string size = std::to_string(w) + "x" + std::to_string(h), rate = std::to_string(fps);
        bool mp4 = endswith(out, ".mp4");
        std::vector<std::string> args = {
            ffmpeg, "-hide_banner", "-loglevel", "error", "-y",
            "-f", "rawvideo", "-pix_fmt", "yuv420p", "-video_size", size, "-framerate", rate, "-i", "pipe:0",
            "-f", LITTLE ? "s16le" : "s16be", "-ar", std::to_string(CAPTURE_RATE), "-ac", "2", "-i", "pipe:3",
            "-c:v", "libx264", "-preset", e.preset, "-crf", std::to_string(e.crf), "-tune", "psnr",
            "-pix_fmt", "yuv420p", "-colorspace", "smpte170m", "-color_range", "tv",
            "-c:a", mp4 ? "aac" : "flac", "-b:a", "256k", "-shortest"};
        if (mp4) args.insert(args.end(), {"-movflags", "+faststart"});  // the index first, for playing while loading
        // A plain file whatever its name: ffmpeg reads "-y.mp4" as an option
        // and "pipe:1.mp4" or "12:30.mp4" as protocols.
        args.push_back("file:" + out);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        int video[2], audio[2];
        if (pipe2(video, O_CLOEXEC) != 0) {
            *error = cannot("start", ffmpeg, errno);
            return false;
        }
        if (pipe2(audio, O_CLOEXEC) != 0) {
            *error = cannot("start", ffmpeg, errno);
            ::close(video[0]);
            ::close(video[1]);
            return false;
        }
        pid_ = fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls from here to exec.
            setpgid(0, 0);  // Ctrl-C is ours to handle: we close the pipes, it finishes the file
            std::signal(SIGPIPE, SIG_DFL);
            std::signal(SIGXFSZ, SIG_DFL);
            // Out of the way of 0 and 3 first, whatever numbers the pipes got.
            int v = fcntl(video[0], F_DUPFD, 10), a = fcntl(audio[0], F_DUPFD, 10);
            if (v < 0 || a < 0 || dup2(v, 0) < 0 || dup2(a, 3) < 0) _exit(127);
            ::close(v);
            ::close(a);
            execv(ffmpeg.c_str(), argv.data());
            _exit(127);
        }
        int err = errno;
        ::close(video[0]);
        ::close(audio[0]);
        if (pid_ < 0) {
            ::close(video[1]);
            ::close(audio[1]);
            *error = cannot("start", ffmpeg, err);
            return false;
        }
        video_ = video[1];
        fcntl(video_, F_SETFL, O_NONBLOCK);
        fcntl(video_, F_SETPIPE_SZ, 1 << 20);  // fewer, larger writes; the default stays if refused
        feeder_ = std::thread([this, &module, fps, start, end, fd = audio[1]] { feed(module, fps, start, end, fd); });
        return true;
    }

    // One frame of pixels; false if ffmpeg no longer reads them, or has
    // taken nothing for a second after the capture was asked to stop.
    bool frame(const void* data, size_t n)
    {
        const char* p = static_cast<const char*>(data);
        auto waited = std::chrono::steady_clock::duration::zero();
        while (n > 0) {
            ssize_t k = ::write(video_, p, n);
            if (k > 0) {
                p += k;
                n -= size_t(k);
                waited = {};
                continue;
            }
            if (k < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (stopsignal && waited > std::chrono::seconds(1)) return false;
            auto t = std::chrono::steady_clock::now();
            pollfd pfd = {video_, POLLOUT, 0};
            poll(&pfd, 1, 100);
            waited += std::chrono::steady_clock::now() - t;
        }
        return true;
    }

    // Ends both inputs after the given number of frames and waits for
    // ffmpeg; true if it finished the file, else error says how it ended.
    bool close(int64_t frames, std::string* error)
    {
        if (pid_ <= 0) return false;
        ::close(video_);
        audioframes_ = frames;
        if (feeder_.joinable()) feeder_.join();
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!ok && error) *error = "ffmpeg " + describestatus(status);
        return ok;
    }

private:
    // The audio of frames 0, 1, ... until the plan ends, or the frames that
    // were drawn are covered once the capture is closed. ffmpeg cuts the
    // audio it may have taken beyond them (-shortest).
    void feed(const std::vector<uint8_t>& module, int fps, float start, float end, int fd)
    {
        captureplan plan(module, fps, start, end);
        captureframe f;
        while (plan.next(&f) && f.index < audioframes_) {
            if (!LITTLE)
                for (int16_t& v : f.audio) v = int16_t(__builtin_bswap16(uint16_t(v)));
            if (!writeall(fd, f.audio.data(), f.audio.size() * 2)) break;  // ffmpeg is gone
        }
        ::close(fd);
    }

    pid_t pid_ = -1;
    int video_ = -1;
    std::thread feeder_;
    std::atomic<int64_t> audioframes_{INT64_MAX};
};

// RGB565 to Y'CbCr as studio-range BT.601 (the matrix ffmpeg assumes for
// video of this size, and says in the file), rounded to nearest: Y in
// bits 0..7, Cb in 8..15, Cr in 16..23.
static const std::array<uint32_t, 65536>& yuvtable()
{
    static const std::array<uint32_t, 65536> table = [] {
        std::array<uint32_t, 65536> t{};
        for (unsigned p = 0; p < 65536; p++) {
            uint8_t c[3];
            rgb565to888(uint16_t(p), c);
            double r = c[0], g = c[1], b = c[2];
            auto byte = [](double v) { return uint32_t(std::clamp(std::lround(v), 0l, 255l)); };
            t[p] = byte(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255) |
                   byte(128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255) << 8 |
                   byte(128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255) << 16;
        }
        return t;
    }();
    return table;
}

// A frame as YUV 4:2:0. Doubled (scale 2), each pixel is a 2 x 2 block of
// luma and exactly one chroma sample, so the video keeps the colour of every
// pixel; at scale 1 four pixels share one, their mean.
static void toyuv(const uint16_t* src, int scale, uint8_t* dst)
{
    const auto& t = yuvtable();
    const int w = FRAMEW * scale, h = FRAMEH * scale;
    uint8_t *luma = dst, *cb = dst + w * h, *cr = cb + w * h / 4;
    if (scale == 2) {
        for (int y = 0; y < FRAMEH; y++) {
            uint8_t *l0 = luma + 2 * y * w, *l1 = l0 + w;
            for (int x = 0; x < FRAMEW; x++) {
                uint32_t v = t[src[y * FRAMEW + x]];
                l0[2 * x] = l0[2 * x + 1] = l1[2 * x] = l1[2 * x + 1] = uint8_t(v);
                cb[y * FRAMEW + x] = uint8_t(v >> 8);
                cr[y * FRAMEW + x] = uint8_t(v >> 16);
            }
        }
        return;
    }
    for (int y = 0; y < FRAMEH; y += 2) {
        for (int x = 0; x < FRAMEW; x += 2) {
            const uint16_t* p = src + y * FRAMEW + x;
            uint32_t q[4] = {t[p[0]], t[p[1]], t[p[FRAMEW]], t[p[FRAMEW + 1]]};
            uint32_t u = 2, v = 2;
            for (int i = 0; i < 4; i++) {
                luma[(y + i / 2) * w + x + i % 2] = uint8_t(q[i]);
                u += (q[i] >> 8) & 255;
                v += q[i] >> 16;
            }
            cb[y / 2 * (w / 2) + x / 2] = uint8_t(u >> 2);
            cr[y / 2 * (w / 2) + x / 2] = uint8_t(v >> 2);
        }
    }
}

// The frames reach ffmpeg from a thread of their own, converted on the
// way, so that the next frames are drawn while the encoder takes its time
// over this one. A few frames wait between the two; when all are waiting,
// drawing waits too, so the capture's pace is the encoder's.
class videowriter {
public:
    videowriter(ffmpegpipe& pipe, int scale) : pipe_(pipe), scale_(scale)
    {
        for (auto& f : frames_) f.resize(FRAMEPIXELS);
        thread_ = std::thread([this] { work(); });
    }
    ~videowriter() { finish(); }

    // Takes a copy of the frame; false if ffmpeg stopped taking frames.
    bool add(const uint16_t* frame)
    {
        std::unique_lock<std::mutex> l(m_);
        space_.wait(l, [this] { return added_ - written_ < int64_t(SLOTS) || failed_; });
        if (failed_) return false;
        std::copy(frame, frame + FRAMEPIXELS, frames_[added_ % SLOTS].begin());
        added_++;
        ready_.notify_one();
        return true;
    }
    // Waits for the frames added so far; the number ffmpeg took.
    int64_t finish()
    {
        {
            std::lock_guard<std::mutex> l(m_);
            done_ = true;
        }
        ready_.notify_one();
        if (thread_.joinable()) thread_.join();
        return written_;
    }

private:
    static constexpr size_t SLOTS = 8;
    void work()
    {
        std::vector<uint8_t> yuv(size_t(FRAMEPIXELS) * scale_ * scale_ * 3 / 2);
        for (;;) {
            {
                std::unique_lock<std::mutex> l(m_);
                ready_.wait(l, [this] { return done_ || added_ > written_; });
                if (added_ == written_) return;
            }
            // The slot is ours until written_ moves past it.
            toyuv(frames_[written_ % SLOTS].data(), scale_, yuv.data());
            bool ok = pipe_.frame(yuv.data(), yuv.size());
            std::lock_guard<std::mutex> l(m_);
            if (!ok) {
                failed_ = true;
                space_.notify_one();
                return;
            }
            written_++;
            space_.notify_one();
        }
    }
    ffmpegpipe& pipe_;
    int scale_;
    std::array<std::vector<uint16_t>, SLOTS> frames_;
    std::thread thread_;
    std::mutex m_;
    std::condition_variable ready_, space_;
    int64_t added_ = 0, written_ = 0;
    bool done_ = false, failed_ = false;
};

// ---- progress ---------------------------------------------------------------

// How far the music has come from the first frame's time towards the end,
// how fast, and how long the rest will take at the pace of the last few
// seconds: the first seconds (start-up, the encoder filling its pipeline)
// and scenes of other cost say little about the rest.
class progress {
public:
    progress(int fps, float from, float to) : fps_(fps), from_(from), to_(to), tty_(isatty(2)) {}

    void update(int64_t frames, float t, double seconds)
    {
        latest_ = {seconds, frames, t};
        if (recent_.empty() || seconds - recent_.back().seconds >= 0.05) recent_.push_back(latest_);
        while (recent_.size() > 2 && seconds - recent_[1].seconds >= WINDOW) recent_.pop_front();
        if (seconds - shown_ < (tty_ ? 0.1 : 5.0)) return;
        shown_ = seconds;
        show(false);
    }
    // The last state, on a line of its own.
    void last()
    {
        if (!recent_.empty() && shown_ >= 0) show(true);
    }

private:
    static constexpr double WINDOW = 5;  // seconds
    struct sample {
        double seconds;
        int64_t frames;
        float t;
    };
    void show(bool last)
    {
        const sample &a = recent_.front(), &b = latest_;
        double span = b.seconds - a.seconds;
        double speed = span > 0 ? double(b.frames - a.frames) / fps_ / span : 0;  // times real time
        double musicrate = span > 0 ? double(b.t - a.t) / span : 0;              // patterns a second
        double part = to_ > from_ ? std::clamp(double(b.t - from_) / double(to_ - from_), 0.0, 1.0) : 1.0;
        const int width = 30;
        int filled = int(part * width);
        char left[32] = "";
        if (musicrate > 0 && span >= 0.5) {
            int s = int(std::ceil(std::max(0.0, double(to_ - b.t)) / musicrate));
            std::snprintf(left, sizeof left, "  %d:%02d left", s / 60, s % 60);
        }
        std::fprintf(stderr, "%s[%.*s%.*s] %lld frames  music time %.2f  %.1fx real time%s%s",
                     tty_ ? "\r" : "", filled, "##############################", width - filled,
                     "------------------------------", static_cast<long long>(b.frames), double(b.t), speed,
                     last ? "" : left, !tty_ ? "\n" : last ? "\033[K\n" : "\033[K");
    }
    int fps_;
    float from_, to_;
    bool tty_;
    double shown_ = -1;
    sample latest_ = {};
    std::deque<sample> recent_;  // one every twentieth of a second or so, the last WINDOW seconds
};

// m:ss.ss
static std::string clock(double seconds)
{
    char b[32];
    std::snprintf(b, sizeof b, "%d:%05.2f", int(seconds) / 60, std::fmod(seconds, 60.0));
    return b;
}

static std::string megabytes(uint64_t bytes)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.1f MB", double(bytes) / 1e6);
    return b;
}

// The bytes of a capture folder's own files.
static uint64_t foldersize(const std::string& dir)
{
    uint64_t total = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            struct stat st;
            if ((isframename(e->d_name) || iscapturefile(e->d_name)) && stat((dir + e->d_name).c_str(), &st) == 0)
                total += uint64_t(st.st_size);
        }
        closedir(d);
    }
    return total;
}

// capture.txt: what the folder holds, and how to make a video of it.
static bool writecapturetxt(const std::string& dir, int64_t frames, int fps, float from, float to,
                            const std::string& command, std::string* error)
{
    std::string path = dir + "capture.txt";
    char b[512];
    int64_t samples = firstsample(frames, fps);
    std::snprintf(b, sizeof b,
                  "frames: %lld, frame_000000.png to frame_%06lld.png, %d x %d\n"
                  "frame rate: %d frames a second\n"
                  "duration: %.6f s, %s\n"
                  "audio: audio.wav, %lld sample frames at %d Hz, 16-bit stereo\n"
                  "music time: %.4f to %.4f\n",
                  static_cast<long long>(frames), static_cast<long long>(std::max<int64_t>(frames - 1, 0)),
                  FRAMEW, FRAMEH, fps, double(samples) / CAPTURE_RATE, clock(double(samples) / CAPTURE_RATE).c_str(),
                  static_cast<long long>(samples), CAPTURE_RATE, double(from), double(to));
    std::string text = std::string(b) + "video: " + command + "\n";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    bool ok = fd >= 0 && writeall(fd, text.data(), text.size());
    int err = errno;
    if (fd >= 0 && close(fd) != 0 && ok) ok = false, err = errno;
    if (!ok) *error = cannot("write", path, err);
    return ok;
}

// Whether a video can be written to out, before any work: its folder is
// there and takes files, and out is not a folder itself.
static bool checkvideofile(const std::string& out, std::string* error)
{
    struct stat st;
    if (stat(out.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = "cannot write " + out + ": it is a folder";
        return false;
    }
    size_t slash = out.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : out.substr(0, slash);
    if (stat(dir.c_str(), &st) != 0) {
        *error = cannot("write", out, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = cannot("write", out, ENOTDIR);
        return false;
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        *error = cannot("write", out, errno);
        return false;
    }
    return true;
}

// ---- the capture ------------------------------------------------------------

int runrecord(const options& o)
{
    catchstops();
    auto t0 = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(); };
    const std::string& out = o.recordfile;
    bool folder = endswith(out, "/");
    bool video = endswith(out, ".mp4") || endswith(out, ".mkv");
    if (!folder && !video) {
        std::fprintf(stderr, "tormel: --record needs a file ending in .mp4 or .mkv, or a folder ending in /\n");
        return 2;
    }
    const float start = o.hasstart ? o.start : 0, end = o.hasend ? o.end : ENDTIME;
    if (end <= start) {
        std::fprintf(stderr, "tormel: --end %g is not after --start %g\n", double(end), double(start));
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
    if ((o.hasstart && !checkstart(data.module, o.start, &error)) || (video && !checkvideofile(out, &error))) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        return 1;
    }
    wavfile wav;
    if (folder && (!preparefolder(out, o.force, &error) || !wav.create(out + "audio.wav", &error))) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        return 1;
    }

    // PNG frames are the frames themselves, 320 x 240, lossless: doubling
    // them would only double the work of compressing them. A video is
    // doubled unless asked not to, so that its codec keeps the pixels sharp
    // and every pixel its own colour.
    const int scale = folder || o.native ? 1 : 2;
    startup(data.sprites.data(), data.sprites.size(), data.relief.data(), data.relief.size());
    if (stopsignal) {
        shutdown();
        std::fprintf(stderr, "tormel: stopped before the first frame\n");
        return 128 + stopsignal;
    }

    // A video counts as written only if ffmpeg made or changed the file.
    struct stat before = {};
    bool existed = video && stat(out.c_str(), &before) == 0;
    encoding enc;
    if (!o.preset.empty()) enc.preset = o.preset;
    if (o.crf >= 0) enc.crf = o.crf;
    ffmpegpipe pipe;
    std::unique_ptr<pngwriter> pngs;
    std::unique_ptr<videowriter> frames;
    if (video) {
        if (!pipe.open(ffmpeg, out, FRAMEW * scale, FRAMEH * scale, o.fps, enc, data.module, start, end, &error)) {
            std::fprintf(stderr, "tormel: %s\n", error.c_str());
            shutdown();
            return 1;
        }
        frames = std::make_unique<videowriter>(pipe, scale);
    }
    if (folder) pngs = std::make_unique<pngwriter>(out);

    captureplan plan(data.module, o.fps, start, end);
    captureframe f;
    progress shown(o.fps, start, end);
    bool ok = true, pipefailed = false;
    int64_t done = 0;   // frames handed on whole, pictures and audio
    int64_t added = 0;  // PNG frames handed to the writers
    float first = start;
    while (!stopsignal && plan.next(&f)) {
        if (f.index == 0) first = f.time;
        drawframe(f.time);
        if (folder) {
            pngs->add(f.index, frame());
            added++;
            if (!wav.append(f.audio.data(), f.audio.size() / 2, &error)) {
                ok = false;
                break;
            }
            done++;
            if (pngs->failed()) break;
        } else {
            if (!frames->add(frame())) {
                pipefailed = true;
                break;
            }
            done++;
        }
        shown.update(done, f.time, elapsed());
    }
    shown.last();

    // Keep what was made valid: the frames written in a row from the first,
    // and exactly their audio.
    uint64_t bytes = 0;
    if (folder) {
        std::string pngerror;
        int64_t made = pngs->finish(&pngerror);
        if (made >= 0) {
            if (ok) error = pngerror;
            ok = false;
            done = std::min(done, made);
        }
        for (int64_t k = done; k < added; k++) unlink(framepath(out, k).c_str());
        std::string waverror;
        if (!wav.finish(firstsample(done, o.fps), &waverror) && ok) ok = false, error = waverror;
        if (done > 0 && !writecapturetxt(out, done, o.fps, first, f.time, foldercommand(o.fps, enc, o.native),
                                         &waverror) && ok)
            ok = false, error = waverror;
        bytes = foldersize(out);
    } else {
        int64_t written = frames->finish();
        pipefailed = pipefailed || written < done;
        done = written;
        std::string ffmpegerror;
        struct stat st;
        if (!pipe.close(done, &ffmpegerror)) {
            ok = false;
            error = ffmpegerror + " while writing " + out;
        } else if (pipefailed && !stopsignal) {
            ok = false;
            error = "ffmpeg stopped reading after " + std::to_string(done) + " frames of " + out;
        } else if (stat(out.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0 ||
                   (existed && st.st_ino == before.st_ino && st.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                    st.st_mtim.tv_nsec == before.st_mtim.tv_nsec)) {
            ok = false;
            error = "ffmpeg finished but did not write " + out;
        } else {
            bytes = uint64_t(st.st_size);
        }
    }
    shutdown();
    if (!ok) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        if (folder && done > 0)
            std::fprintf(stderr, "tormel: %s holds the first %lld frames and their audio\n", out.c_str(),
                         static_cast<long long>(done));
        return 1;
    }
    double seconds = double(firstsample(done, o.fps)) / CAPTURE_RATE, took = elapsed();
    std::string what = clock(seconds) + ", " + megabytes(bytes);
    if (stopsignal)
        std::fprintf(stderr, "tormel: stopped after %lld frames; %s plays up to there: %s, in %.1f s\n",
                     static_cast<long long>(done), out.c_str(), what.c_str(), took);
    else
        std::fprintf(stderr, "tormel: wrote %s: %lld frames at %d a second%s, %s, in %.1f s (%.1fx real time)\n",
                     out.c_str(), static_cast<long long>(done), o.fps, folder ? " with their audio" : "",
                     what.c_str(), took, took > 0 ? seconds / took : 0.0);
    return stopsignal ? 128 + stopsignal : 0;
}

} // namespace tormel
