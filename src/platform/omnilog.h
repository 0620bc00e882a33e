// SPDX-License-Identifier: MIT
// omnilog.h: the run's text log "omni.log": an opening line, time-stamped
// entries, a closing line. A log that cannot be opened is reported once and
// every operation then writes nothing.
#pragma once
#include <cstdio>

namespace tormel {

class omnilog {
public:
    explicit omnilog(const char* logname);
    ~omnilog();
    omnilog(const omnilog&) = delete;
    omnilog& operator=(const omnilog&) = delete;

    void write(const char* s);  // plain progress message: discarded
    void writeEx(const char* s, ...) __attribute__((format(printf, 2, 3)));
    bool isopen() const { return thelogfile != nullptr; }

private:
    FILE* thelogfile = nullptr;
};

extern omnilog* theLog;

// Code that may run before the log exists logs through these.
void logwrite(const char* s);

} // namespace tormel
