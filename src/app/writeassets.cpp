// SPDX-License-Identifier: MIT
// writeassets.cpp: --write-assets DIR, the built-in data as files, so a
// user can look at them, change them, and put them beside the program.
// Nothing in the folder is replaced or followed: each file is written under
// a fresh temporary name and linked into place only if its name is free, so
// a failed write leaves nothing behind.
#include "app/modes.h"
#include "assets/assets.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace tormel {

namespace {

struct asset {
    const char* name;
    std::vector<uint8_t> (*make)();
    std::string temp;  // its temporary name in the folder, once written
    size_t size = 0;
};

// A new file in the folder under a name no one uses, with the bytes; it
// keeps its temporary name until renamed. errno says why on failure.
bool writetemp(int dir, asset* a)
{
    std::vector<uint8_t> bytes = a->make();
    a->size = bytes.size();
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; attempt++) {
        a->temp = "." + std::string(a->name) + "." + std::to_string(getpid()) + "-" + std::to_string(attempt);
        fd = openat(dir, a->temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        a->temp.clear();
        return false;
    }
    size_t at = 0;
    while (at < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        at += size_t(n);
    }
    // On disk before it gets its name, so that a crash never leaves a
    // named file short.
    bool ok = at == bytes.size() && fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && ok) ok = false, err = errno;
    errno = err;
    return ok;
}

// Gives the file its name if no entry has it (not even a dangling link).
bool placetemp(int dir, const asset& a)
{
    if (renameat2(dir, a.temp.c_str(), dir, a.name, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // Filesystems without the flag: a hard link fails on an existing name too.
    if (linkat(dir, a.temp.c_str(), dir, a.name, 0) != 0) return false;
    unlinkat(dir, a.temp.c_str(), 0);
    return true;
}

} // namespace

int runwriteassets(const options& o)
{
    // A file-size limit shows as a failed write, cleaned up like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string& dir = o.assetsdir;
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "tormel: cannot make the folder %s: %s\n", dir.c_str(), std::strerror(errno));
        return 1;
    }
    int d = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d < 0) {
        std::fprintf(stderr, "tormel: cannot write into %s: %s\n", dir.c_str(), std::strerror(errno));
        return 1;
    }
    asset assets[3] = {{"mmm.xm", defaultmodule, ""}, {"testi2.1b", defaultsprites, ""},
                       {"smalufo.16", defaultrelief, ""}};
    auto fail = [&](const std::string& message, const char* tail) {
        for (asset& a : assets)
            if (!a.temp.empty()) unlinkat(d, a.temp.c_str(), 0);
        close(d);
        std::fprintf(stderr, "tormel: %s%s\n", message.c_str(), tail);
        return 1;
    };
    // Nothing is overwritten: a user's own files may be there. A link is
    // an entry of its own, whether or not it points anywhere.
    for (const asset& a : assets) {
        struct stat st;
        if (fstatat(d, a.name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            return fail(dir + "/" + a.name + " exists; not overwriting it", " (nothing was written)");
    }
    // All three written before any is named: one that fails leaves none.
    for (asset& a : assets)
        if (!writetemp(d, &a))
            return fail("cannot write " + dir + "/" + a.name + ": " + std::strerror(errno), " (nothing was written)");
    for (asset& a : assets) {
        if (!placetemp(d, a)) {
            // The ones placed before stay: each is whole.
            std::string why = errno == EEXIST ? "it appeared meanwhile" : std::strerror(errno);
            return fail("cannot write " + dir + "/" + a.name + ": " + why, "");
        }
        a.temp.clear();
        std::printf("%s/%s (%zu bytes)\n", dir.c_str(), a.name, a.size);
    }
    close(d);
    return 0;
}

} // namespace tormel
