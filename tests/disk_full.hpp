#pragma once
// A full disk, as the process's file-size limit: while one lives, writing a file past
// `bytes` fails with EFBIG instead of ending the process.
#include <sys/resource.h>

#include <csignal>
#include <cstddef>

namespace pw::test {

class DiskFullAfter {
public:
    explicit DiskFullAfter(std::size_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~DiskFullAfter() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }
    DiskFullAfter(const DiskFullAfter&) = delete;
    DiskFullAfter& operator=(const DiskFullAfter&) = delete;

private:
    rlimit saved_{};
    void (*handler_)(int) = nullptr;
};

}  // namespace pw::test
