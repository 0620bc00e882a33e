// SPDX-License-Identifier: MIT
// livetest.h: running the live player under test: with the preloaded library
// that notes every frame it presents (shim/presents.cpp), with data only
// from where a test puts it, and on a private X server (Xvfb) that takes
// keys from xdotool.
#pragma once
#include "support/support.h"
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

inline int count(const std::string& s, const std::string& what)
{
    int n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) n++;
    return n;
}

// Environment entries that keep the user's and the machine's data folders
// out of a run: only the working directory (and --data) can hold data.
inline std::vector<std::string> nodata(const std::string& dir)
{
    return {"XDG_DATA_HOME=" + dir + "/.nodata", "XDG_DATA_DIRS=" + dir + "/.nodata"};
}

// Milliseconds on CLOCK_REALTIME, the clock of the presents' times.
inline double wallms()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct present {
    double ms;  // CLOCK_REALTIME
    int w, h;
    uint64_t hash;
};

// The most frames presented within any one second.
inline int mostinasecond(const std::vector<present>& p)
{
    int most = 0;
    for (size_t i = 0, j = 0; i < p.size(); i++) {
        while (p[i].ms - p[j].ms >= 1000) j++;
        most = std::max(most, int(i - j + 1));
    }
    return most;
}

// tormel started with the presents noted; env entries as for runtormel.
class liverun {
public:
    liverun(const std::vector<std::string>& args, const std::string& dir, std::vector<std::string> env = {},
            bool hashes = false)
        : path_(dir + "/.presents")
    {
        std::remove(path_.c_str());
        for (const std::string& e : preload(PRESENTS_LIB)) env.push_back(e);
        env.push_back("TORMEL_PRESENTS=" + path_);
        env.push_back("TORMEL_T0_NS=0");
        if (hashes) env.push_back("TORMEL_PRESENTS_HASH=1");
        for (const std::string& e : nodata(dir)) env.push_back(e);
        run_ = spawntormel(args, dir, env);
    }
    liverun(const liverun&) = delete;
    liverun& operator=(const liverun&) = delete;
    ~liverun()  // a test that stopped half way leaves no program running
    {
        if (!finished_) {
            kill(run_.pid, SIGKILL);
            testsupport::finish(run_);
        }
    }
    int pid() const { return run_.pid; }
    std::string err() const { return text(run_.dir + "/.stderr"); }  // so far
    runresult finish()
    {
        runresult r = testsupport::finish(run_);
        finished_ = true;
        return r;
    }
    // The frames presented so far (all of them, after finish).
    std::vector<present> presents() const
    {
        std::vector<present> list;
        std::istringstream in(text(path_));
        std::string word;
        while (in >> word) {
            if (word == "present") {
                present p{};
                std::string hash;
                in >> p.ms >> p.w >> p.h >> hash;
                if (!in) break;  // a line being written
                p.hash = std::stoull(hash, nullptr, 16);
                list.push_back(p);
            } else {
                std::getline(in, word);
            }
        }
        return list;
    }
    // Waits (up to a minute) until the frames presented satisfy done.
    template <class F>
    bool waitpresents(F done) const
    {
        for (int i = 0; i < 1200; i++, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
            if (done(presents())) return true;
        return false;
    }
    // Waits (up to a minute) until stderr holds what, at least n times.
    bool waitfor(const std::string& what, int n = 1) const
    {
        return waitpresents([&](const std::vector<present>&) { return count(err(), what) >= n; });
    }

private:
    std::string path_;
    running run_;
    bool finished_ = false;
};

// A private X server, 1024 x 768, for as long as the object lives. ok() is
// false where Xvfb or xdotool is not installed (scripts/setup.sh --tests).
class xserver {
public:
    xserver()
    {
        if (std::system("command -v Xvfb > /dev/null && command -v xdotool > /dev/null") != 0) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            if (!freopen("/dev/null", "w", stderr)) _exit(127);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The number and a newline, which may come in two writes: Xvfb
        // gives up if the second finds the pipe closed.
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~xserver()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool ok() const { return !display_.empty(); }
    // Environment entries for a run on this server.
    std::vector<std::string> env() const { return {"DISPLAY=" + display_, "SDL_VIDEODRIVER=x11"}; }

    // Runs xdotool with these arguments; its first line of output.
    std::string xdotool(const std::string& args) const
    {
        std::string cmd = "DISPLAY=" + display_ + " timeout 60 xdotool " + args + " 2>/dev/null";
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return "";
        char line[256] = "";
        if (!fgets(line, sizeof line, p)) line[0] = 0;
        pclose(p);
        std::string s = line;
        while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
        return s;
    }
    // The demo's window, once it is shown.
    std::string window() const { return xdotool("search --sync --onlyvisible --name '^SDL tormel$'"); }
    void key(const std::string& window, const std::string& keys) const
    {
        xdotool("key --window " + window + " " + keys);
    }

private:
    pid_t pid_ = -1;
    std::string display_;
};

} // namespace testsupport
