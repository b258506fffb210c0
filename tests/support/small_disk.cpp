#include "small_disk.h"

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>
#include <vector>

SmallDisk::SmallDisk(const std::string& options)
{
    mounted_ = ::geteuid() == 0 && ::mount("carotix-test", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
}

void SmallDisk::Fill(bool inodes)
{
    const std::filesystem::path filler = dir_.path() / "filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const std::vector<char> block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        // The last partial block.
        while (::write(fd, block.data(), 1) > 0) {
        }
        ::close(fd);
    }
    if (!inodes) return;
    for (int i = 0; i < 100000; ++i) {
        const std::filesystem::path f = dir_.path() / ("inode" + std::to_string(i));
        const int e = ::open(f.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (e < 0) break;
        ::close(e);
    }
}

void WithFileSizeLimit(unsigned long long bytes, const std::function<void()>& body)
{
    rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    // Past the limit a write would raise SIGXFSZ and end the process.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    rlimit small = old;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
    try {
        body();
    } catch (...) {
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::sigaction(SIGXFSZ, &previous, nullptr);
        throw;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);
}
