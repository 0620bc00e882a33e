// SPDX-License-Identifier: MIT
// writeassets.cpp: --write-assets DIR, the built-in data as files, so a
// user can look at them, change them, and put them beside the program.
#include "app/modes.h"
#include "assets/assets.h"
#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tormel {

int runwriteassets(const options& o)
{
    std::string dir = o.assetsdir;
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "tormel: cannot make the folder %s: %s\n", dir.c_str(), std::strerror(errno));
        return 1;
    }
    struct file {
        const char* name;
        std::vector<uint8_t> (*make)();
    };
    const file files[3] = {{"mmm.xm", defaultmodule}, {"testi2.1b", defaultsprites}, {"smalufo.16", defaultrelief}};
    // Nothing is overwritten: a user's own files may be there.
    for (const file& f : files) {
        std::string path = dir + "/" + f.name;
        struct stat st;
        if (stat(path.c_str(), &st) == 0) {
            std::fprintf(stderr, "tormel: %s exists; not overwriting it (nothing was written)\n", path.c_str());
            return 1;
        }
    }
    for (const file& f : files) {
        std::string path = dir + "/" + f.name;
        std::vector<uint8_t> bytes = f.make();
        FILE* out = std::fopen(path.c_str(), "wb");
        bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        if (out && std::fclose(out) != 0) ok = false;
        if (!ok) {
            std::fprintf(stderr, "tormel: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
            return 1;
        }
        std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
    }
    return 0;
}

} // namespace tormel
