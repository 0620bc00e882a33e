// SPDX-License-Identifier: MIT
// record.cpp: --record, the offline capture: the plan (capture.h) made as the
// frames are drawn, in order, and written as PNG files with audio.wav into
// a folder, or piped to ffmpeg with their audio on a second pipe. Memory
// stays bounded however long the music; nothing is written but the output
// the user named; a failed write or a signal stops the capture with what
// was written so far playable.
#include "app/capture.h"
#include "app/data.h"
#include "app/modes.h"
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
#include <atomic>
#include <cerrno>
#include <chrono>
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

captureplan::captureplan(const std::vector<uint8_t>& module, int fps) : fps_(fps)
{
    done_ = !player_.load(module.data(), module.size(), nullptr);
    player_.start(CAPTURE_RATE, false);
}

bool captureplan::next(captureframe* f)
{
    if (done_) return false;
    int64_t s0 = firstsample(k_, fps_), s1 = firstsample(k_ + 1, fps_);
    f->index = k_;
    f->audio.resize(size_t(s1 - s0) * 2);
    player_.render(f->audio.data(), int(s1 - s0));
    f->time = musictime(encodeposition(player_.positionat(s0), 256));
    done_ = f->time >= ENDTIME || player_.ended();
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

// Makes the folder, or takes an existing empty one. A folder with files in
// it is refused, so that two captures never mix; with force, the frames and
// audio.wav of an earlier capture are removed from it first, and nothing else.
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
        if (isframename(e->d_name) || !std::strcmp(e->d_name, "audio.wav"))
            ours.push_back(e->d_name);
        else
            others = true;
    }
    closedir(d);
    if (ours.empty() && !others) return true;
    if (!force) {
        *error = dir + " is not empty; record into a new folder, or add --force to replace the capture "
                       "there (its frames and audio.wav; other files are kept)";
        return false;
    }
    int frames = 0;
    for (const std::string& name : ours) {
        if (unlink((dir + name).c_str()) != 0) {
            *error = cannot("remove", dir + name, errno);
            return false;
        }
        frames += name != "audio.wav";
    }
    if (!ours.empty())
        std::fprintf(stderr, "tormel: removed %d frames%s of an earlier capture from %s\n", frames,
                     frames + 1 == int(ours.size()) ? " and audio.wav" : "", dir.c_str());
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
    pngwriter(std::string dir, int scale) : dir_(std::move(dir)), scale_(scale)
    {
        unsigned n = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < n; i++) workers_.emplace_back([this] { work(); });
    }
    ~pngwriter() { finish(); }

    void add(int64_t index, const uint16_t* frame)
    {
        std::unique_lock<std::mutex> l(m_);
        space_.wait(l, [this] { return jobs_.size() < 2 * workers_.size(); });
        jobs_.push_back({index, std::vector<uint16_t>(frame, frame + 320 * 240)});
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
            errno = 0;
            if (!writepng(path, j.pixels.data(), 320, 240, nullptr, scale_, true)) {
                int err = errno;  // from the call that failed: open, write or close
                unlink(path.c_str());
                std::lock_guard<std::mutex> l(m_);
                if (firstfailed_ < 0 || j.index < firstfailed_) {
                    firstfailed_ = j.index;
                    error_ = cannot("write", path, err);
                }
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

// ffmpeg reading raw RGB565 frames on its standard input and the raw audio
// on descriptor 3. ffmpeg reads one input at a time, blocking, as its
// analysis at the start and its muxer ask, sometimes seconds of one ahead of
// the other; so the audio has a thread of its own, which plays the module
// through a plan of its own and writes the same samples, frame by frame, as
// fast as ffmpeg takes them. Neither pipe waits for the other, and nothing
// is held in memory between them.
class ffmpegpipe {
public:
    ~ffmpegpipe() { close(0, nullptr); }  // on the way out of an error

    bool open(const std::string& ffmpeg, const std::string& out, int w, int h, int fps,
              const std::vector<uint8_t>& module, std::string* error)
    {
        std::string size = std::to_string(w) + "x" + std::to_string(h), rate = std::to_string(fps);
        std::vector<std::string> args = {
            ffmpeg, "-hide_banner", "-loglevel", "error", "-y",
            "-f", "rawvideo", "-pix_fmt", LITTLE ? "rgb565le" : "rgb565be", "-video_size", size,
            "-framerate", rate, "-i", "pipe:0",
            "-f", LITTLE ? "s16le" : "s16be", "-ar", std::to_string(CAPTURE_RATE), "-ac", "2", "-i", "pipe:3",
            "-c:v", "libx264", "-preset", "medium", "-crf", "16", "-pix_fmt", "yuv420p",
            "-c:a", endswith(out, ".mkv") ? "flac" : "aac", "-b:a", "256k", "-shortest",
            // A plain file whatever its name: ffmpeg reads "-y.mp4" as an
            // option and "pipe:1.mp4" or "12:30.mp4" as protocols.
            "file:" + out};
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
        feeder_ = std::thread([this, &module, fps, fd = audio[1]] { feed(module, fps, fd); });
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
                waited = waited.zero();
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
    void feed(const std::vector<uint8_t>& module, int fps, int fd)
    {
        captureplan plan(module, fps);
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

// ---- progress ---------------------------------------------------------------

// How far the music has come towards the demo's end (its length is not
// known before it is played) and how fast.
static void progress(int64_t done, float t, double seconds, int fps, bool last)
{
    static double lastshown = -1;
    bool tty = isatty(2);
    if (!last && seconds - lastshown < (tty ? 0.1 : 5.0)) return;
    lastshown = seconds;
    const int width = 30;
    double part = last ? 1.0 : std::clamp(double(t) / ENDTIME, 0.0, 1.0);
    int filled = int(part * width);
    double speed = seconds > 0 ? double(done) / fps / seconds : 0;  // times real time
    double left = part > 0 ? seconds * (1 - part) / part : 0;
    std::fprintf(stderr, "%s[%.*s%.*s] %lld frames  music time %.2f  %.1fx real time  %d:%02d left%s",
                 tty ? "\r" : "", filled, "##############################", width - filled,
                 "------------------------------", static_cast<long long>(done), double(t), speed,
                 int(left) / 60, int(left) % 60, tty && !last ? "" : "\n");
}

// ---- the capture ------------------------------------------------------------

int runrecord(const options& o)
{
    catchstops();
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
    wavfile wav;
    if (folder && (!preparefolder(out, o.force, &error) || !wav.create(out + "audio.wav", &error))) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        return 1;
    }

    // PNG frames are the frames themselves, 320 x 240, lossless: doubling
    // them would only double the work of compressing them. A video is
    // doubled unless asked not to, so that its codec keeps the pixels sharp.
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
    ffmpegpipe pipe;
    std::unique_ptr<pngwriter> pngs;
    if (video && !pipe.open(ffmpeg, out, 320 * scale, 240 * scale, o.fps, data.module, &error)) {
        std::fprintf(stderr, "tormel: %s\n", error.c_str());
        shutdown();
        return 1;
    }
    if (folder) pngs = std::make_unique<pngwriter>(out, scale);

    auto t0 = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(); };
    captureplan plan(data.module, o.fps);
    captureframe f;
    std::vector<uint16_t> doubled(scale == 2 ? 640 * 480 : 0);
    bool ok = true, pipefailed = false;
    int64_t done = 0;   // frames handed on whole, pictures and audio
    int64_t added = 0;  // PNG frames handed to the writers
    while (!stopsignal && plan.next(&f)) {
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
            const uint16_t* p = frame();
            if (scale == 2) {
                for (int y = 0; y < 240; y++)
                    for (int x = 0; x < 320; x++) {
                        uint16_t c = p[y * 320 + x];
                        uint16_t* d = &doubled[size_t(y) * 2 * 640 + 2 * x];
                        d[0] = d[1] = d[640] = d[641] = c;
                    }
                p = doubled.data();
            }
            if (!pipe.frame(p, size_t(320 * scale) * 240 * scale * 2)) {
                pipefailed = true;
                break;
            }
            done++;
        }
        progress(done, f.time, elapsed(), o.fps, false);
    }

    // Keep what was made valid: the frames written in a row from the first,
    // and exactly their audio.
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
    } else {
        std::string ffmpegerror;
        struct stat st;
        if (!pipe.close(done, &ffmpegerror)) {
            ok = false;
            error = ffmpegerror + " while writing " + out;
        } else if (pipefailed) {
            ok = false;
            error = "ffmpeg stopped reading after " + std::to_string(done) + " frames of " + out;
        } else if (stat(out.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0 ||
                   (existed && st.st_ino == before.st_ino && st.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                    st.st_mtim.tv_nsec == before.st_mtim.tv_nsec)) {
            ok = false;
            error = "ffmpeg finished but did not write " + out;
        }
    }
    shutdown();
    if (!ok) {
        std::fprintf(stderr, "\ntormel: %s\n", error.c_str());
        if (folder && done > 0)
            std::fprintf(stderr, "tormel: %s holds the first %lld frames and their audio\n", out.c_str(),
                         static_cast<long long>(done));
        return 1;
    }
    if (stopsignal) {
        std::fprintf(stderr, "\ntormel: stopped after %lld frames; %s plays up to there\n",
                     static_cast<long long>(done), out.c_str());
        return 128 + stopsignal;
    }
    progress(done, f.time, elapsed(), o.fps, true);
    return 0;
}

} // namespace tormel
