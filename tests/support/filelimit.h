// While a FileSizeLimit lives, no file of this process grows past `bytes`:
// a write beyond fails as on a full disk (the signal it would raise is ignored).
#pragma once
#include <csignal>
#include <sys/resource.h>

namespace rztest {

struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    rlimit saved{};
};

}  // namespace rztest
