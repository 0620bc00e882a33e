// SPDX-License-Identifier: MIT
// data.cpp: loading the data files, with built-in defaults, and the checks
// a module passes before the player sees it.
#include "app/data.h"
#include "assets/assets.h"
#include "platform/player.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
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
        if (errno == ENOENT) return 1;
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

bool loaddatafiles(datafiles* d, bool needmodule, std::string* error)
{
    struct entry {
        const char* name;
        std::vector<uint8_t>* data;
        std::vector<uint8_t> (*fallback)();
        const char* what;
        size_t limit;
    };
    entry files[3] = {
        {"testi2.1b", &d->sprites, defaultsprites, "sprites and logos", SPRITES_BYTES},
        {"smalufo.16", &d->relief, defaultrelief, "relief", RELIEF_BYTES},
        {"mmm.xm", &d->module, defaultmodule, "music", MODULE_LIMIT},
    };
    for (int i = 0; i < (needmodule ? 3 : 2); i++) {
        int r = readfile(files[i].name, files[i].limit, i == 2, files[i].data, error);
        if (r < 0) return false;
        if (r == 1) {
            *files[i].data = files[i].fallback();
            std::fprintf(stderr, "tormel: no \"%s\" here, using the built-in %s\n",
                         files[i].name, files[i].what);
        } else if (i == 2) {
            d->modulefromfile = true;
        }
    }
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
