// SPDX-License-Identifier: MIT
// data.cpp: finding and loading the data files, with built-in defaults, and
// the checks a module passes before the player sees it.
#include "app/data.h"
#include "assets/assets.h"
#include "platform/player.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tormel {

static const char* kind(mode_t m)
{
    if (S_ISDIR(m)) return "it is a directory";
    if (S_ISFIFO(m)) return "it is a FIFO, not a file";
    if (S_ISCHR(m) || S_ISBLK(m)) return "it is a device, not a file";
    if (S_ISSOCK(m)) return "it is a socket, not a file";
    return "it is not a regular file";
}

// Reads at most limit bytes; with refuselonger, a longer file is an error.
// 0: read; 1: absent; -1: there but unusable (error says why).
static int readfile(const char* name, size_t limit, bool refuselonger, std::vector<uint8_t>* out,
                    std::string* error)
{
    auto fail = [&](const std::string& why) {
        *error = std::string("cannot read \"") + name + "\": " + why;
        return -1;
    };
    // O_NONBLOCK: opening a FIFO without a writer, or a serial line, would
    // wait; it is refused below in any case.
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return 1;  // not here (ENOTDIR: nor is the folder)
        if (errno == ENXIO) return fail("it is not a regular file");  // a socket
        return fail(std::strerror(errno));
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        int e = errno;
        close(fd);
        return fail(std::strerror(e));
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return fail(kind(st.st_mode));
    }
    const std::string toolarge = "it is larger than " + std::to_string(limit >> 20) + " MB, more than any module needs";
    if (refuselonger && uint64_t(st.st_size) > limit) {
        close(fd);
        return fail(toolarge);
    }
    // The size may change while it is read: read up to the limit (and one
    // byte more, to see a module grow past it), whatever fstat said.
    size_t want = refuselonger ? limit + 1 : limit;
    out->assign(std::min<uint64_t>(uint64_t(st.st_size), want), 0);
    size_t got = 0;
    for (;;) {
        if (got == out->size()) {
            if (got == want) break;
            out->resize(std::min(want, got + 65536));
        }
        ssize_t n = read(fd, out->data() + got, out->size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int e = errno;
            close(fd);
            return fail(std::strerror(e));
        }
        if (n == 0) break;
        got += size_t(n);
    }
    close(fd);
    out->resize(got);
    if (got > limit) return fail(toolarge);
    return 0;
}

static std::string searchdir;  // --data
static bool searchverbose = false;

void setdatasearch(const std::string& datadir, bool verbose)
{
    searchdir = datadir;
    searchverbose = verbose;
}

std::vector<std::string> dataplaces(const std::string& datadir)
{
    std::vector<std::string> places;
    if (!datadir.empty()) places.push_back(datadir);
    places.push_back("");
    auto absolute = [](const char* p) { return p && p[0] == '/'; };
    const char* home = std::getenv("HOME");
    const char* datahome = std::getenv("XDG_DATA_HOME");
    if (absolute(datahome))
        places.push_back(std::string(datahome) + "/tormel");
    else if (!(datahome && *datahome) && absolute(home))
        places.push_back(std::string(home) + "/.local/share/tormel");
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    for (size_t at = 0; at <= list.size();) {
        size_t colon = std::min(list.find(':', at), list.size());
        std::string d = list.substr(at, colon - at);
        while (d.size() > 1 && d.back() == '/') d.pop_back();
        if (absolute(d.c_str())) places.push_back(d + "/tormel");
        at = colon + 1;
    }
    return places;
}

bool loaddatafiles(datafiles* d, bool needmodule, std::string* error, bool builtinlater)
{
    if (!searchdir.empty()) {
        struct stat st;
        if (stat(searchdir.c_str(), &st) != 0) {
            bool absent = errno == ENOENT || errno == ENOTDIR;
            *error = "--data " + searchdir + ": " + (absent ? "there is no such folder" : std::strerror(errno));
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            *error = "--data " + searchdir + ": it is not a folder";
            return false;
        }
    }
    struct entry {
        const char* name;
        std::vector<uint8_t>* data;
        std::string* path;
        std::vector<uint8_t> (*builtin)();
        size_t limit;
    };
    const entry files[3] = {
        {"testi2.1b", &d->sprites, &d->spritespath, defaultsprites, SPRITES_BYTES},
        {"smalufo.16", &d->relief, &d->reliefpath, defaultrelief, RELIEF_BYTES},
        {"mmm.xm", &d->module, &d->modulepath, defaultmodule, MODULE_LIMIT},
    };
    const std::vector<std::string> places = dataplaces(searchdir);
    std::string said;
    for (int i = 0; i < (needmodule ? 3 : 2); i++) {
        const entry& f = files[i];
        bool ismodule = i == 2;
        std::string from;
        for (const std::string& place : places) {
            std::string path = place.empty() ? f.name : place + "/" + f.name;
            int r = readfile(path.c_str(), f.limit, ismodule, f.data, error);
            if (r < 0) return false;
            if (r == 0) {
                from = path;
                break;
            }
        }
        *f.path = from;
        if (from.empty() && !builtinlater) *f.data = f.builtin();
        if (ismodule) d->modulefromfile = !from.empty();
        said += std::string(said.empty() ? "" : ", ") + f.name + (from.empty() ? " built-in" : " from " + from);
    }
    if (searchverbose) std::fprintf(stderr, "tormel: data: %s\n", said.c_str());
    return true;
}

static uint32_t le16(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8); }
static uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

bool checkxm(const uint8_t* data, size_t size, std::string* error)
{
    // The fixed part of the header: signature (17), name (20), 0x1A,
    // tracker (20), version (2), then the header size, counted from byte
    // 60, which covers the song's numbers and its order table.
    static const char signature[] = "Extended Module: ";
    if (size == 0) {
        *error = "the file is empty";
        return false;
    }
    if (size < 17 || std::memcmp(data, signature, 17) != 0) {
        *error = "not an extended module (it does not begin with \"Extended Module: \")";
        return false;
    }
    if (size < 64) {
        *error = "the module is cut short inside its header";
        return false;
    }
    if (data[37] != 0x1A) {
        *error = "not an extended module (no 0x1A byte after its name)";
        return false;
    }
    uint32_t version = le16(data + 58), header = le32(data + 60);
    if (version != 0x0104) {
        char v[64];
        std::snprintf(v, sizeof v, "an extended module of version %x.%02x; only 1.04 is played", version >> 8,
                      version & 0xff);
        *error = v;
        return false;
    }
    // 20 bytes of numbers and up to 256 orders.
    if (header < 20 || header > 276) {
        *error = "the module's header is damaged (header size " + std::to_string(header) + ")";
        return false;
    }
    if (60 + header > size) {
        *error = "the module is cut short inside its header";
        return false;
    }
    return true;
}

bool checkmodule(const std::vector<uint8_t>& module, std::string* error)
{
    if (!checkxm(module.data(), module.size(), error)) return false;
    modplayer p;
    return p.load(module.data(), module.size(), error);
}

void startposition(float t, int* order, int* row)
{
    *order = int(t);
    *row = int((t - float(*order)) * 64);
}

bool checkstart(const std::vector<uint8_t>& module, float t, std::string* error)
{
    int order, row;
    startposition(t, &order, &row);
    modplayer p;
    char buf[48];
    std::snprintf(buf, sizeof buf, "--start %g: ", double(t));
    const std::string head = buf;
    if (!checkxm(module.data(), module.size(), error) || !p.load(module.data(), module.size(), error)) {
        *error = head + *error;
        return false;
    }
    p.start(44100, false);
    if (order >= p.orders()) {
        *error = head + "the music has " + std::to_string(p.orders()) + " orders, 0 to " +
                 std::to_string(p.orders() - 1);
        return false;
    }
    if (!p.seek(order, row)) {
        *error = head + "order " + std::to_string(order) + " names a pattern the music does not have";
        return false;
    }
    return true;
}

} // namespace tormel
