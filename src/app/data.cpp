// SPDX-License-Identifier: MIT
// data.cpp: loading the data files, with built-in defaults.
#include "app/data.h"
#include "assets/assets.h"
#include "platform/player.h"
#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tormel {

// 0: read; 1: absent; -1: present but unreadable (error says why).
static int readfile(const char* name, std::vector<uint8_t>* out, std::string* error)
{
    struct stat st;
    if (stat(name, &st) != 0) {
        if (errno == ENOENT) return 1;
        *error = std::string("cannot read \"") + name + "\": " + std::strerror(errno);
        return -1;
    }
    if (S_ISDIR(st.st_mode)) {
        *error = std::string("cannot read \"") + name + "\": it is a directory";
        return -1;
    }
    FILE* f = std::fopen(name, "rb");
    if (!f) {
        *error = std::string("cannot read \"") + name + "\": " + std::strerror(errno);
        return -1;
    }
    out->clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    bool bad = std::ferror(f);
    std::fclose(f);
    if (bad) {
        *error = std::string("cannot read \"") + name + "\"";
        return -1;
    }
    return 0;
}

bool loaddatafiles(datafiles* d, bool needmodule, std::string* error)
{
    struct entry {
        const char* name;
        std::vector<uint8_t>* data;
        std::vector<uint8_t> (*fallback)();
        const char* what;
    };
    entry files[3] = {
        {"testi2.1b", &d->sprites, defaultsprites, "sprites and logos"},
        {"smalufo.16", &d->relief, defaultrelief, "relief"},
        {"mmm.xm", &d->module, defaultmodule, "music"},
    };
    for (int i = 0; i < (needmodule ? 3 : 2); i++) {
        int r = readfile(files[i].name, files[i].data, error);
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

bool checkmodule(const std::vector<uint8_t>& module, std::string* error)
{
    modplayer p;
    return p.load(module.data(), module.size(), error);
}

} // namespace tormel
