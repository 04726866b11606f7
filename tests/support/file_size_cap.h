// Caps the size of the files this process (and the children it starts) may
// write, for the life of the object: the kernel then refuses writes past the
// cap (EFBIG) as a full disk refuses them. The SIGXFSZ such a write raises is
// ignored meanwhile, as a full disk raises none.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace veltrano::test {

class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit capped = saved_;
        capped.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &capped);
    }
    ~FileSizeCap() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

} // namespace veltrano::test
