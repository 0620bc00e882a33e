// SPDX-License-Identifier: MIT
// omnilog.cpp: the log file.
#include "platform/omnilog.h"
#include "platform/timing.h"
#include <cstdarg>
#include <fcntl.h>
#include <unistd.h>

namespace tormel {

omnilog* theLog = nullptr;

omnilog::omnilog(const char* logname)
{
    // Opened without waiting: a FIFO nobody reads would otherwise hold the
    // start-up in open() for good, deaf to every signal but SIGKILL. Such a
    // log is refused like any other that cannot be opened.
    int fd = open(logname, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd >= 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
        thelogfile = fdopen(fd, "w");
    if (!thelogfile && fd >= 0) close(fd);
    if (thelogfile) {
        std::fputs("logfile starts.\n", thelogfile);
        std::fflush(thelogfile);
    } else {
        std::printf("Can't open log!\n");
        std::fflush(stdout);
    }
}

omnilog::~omnilog()
{
    if (thelogfile) {
        std::fputs("every logfile,sadly,ends.\n", thelogfile);
        std::fclose(thelogfile);
    }
}

void omnilog::write(const char*)
{
}

void omnilog::writeEx(const char* s, ...)
{
    if (!s || !thelogfile) return;
    char text[1024];
    va_list ap;
    va_start(ap, s);
    std::vsnprintf(text, sizeof text, s, ap);
    va_end(ap);
    if (theTimer) {
        char prefix[256];
        std::snprintf(prefix, sizeof prefix, "[%6.4f] ", double(theTimer->secsElapsed()));
        std::fputs(prefix, thelogfile);
    }
    std::fprintf(thelogfile, "%s\n", text);
    std::fflush(thelogfile);
}

void logwrite(const char* s)
{
    if (theLog) theLog->write(s);
}

} // namespace tormel
