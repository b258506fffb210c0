// A small file system for the tests of full disks: a tmpfs of a few hundred
// kilobytes mounted on a temporary folder where the tests may mount (as root),
// unmounted at the end. Where they may not, Mounted() is false and tests fall
// back on a file-size limit (WithFileSizeLimit).
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "temp_dir.h"

class SmallDisk {
public:
    // `options` as for mount: "size=256k", "size=1m,nr_inodes=8"...
    explicit SmallDisk(const std::string& options);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const std::filesystem::path& path() const { return dir_.path(); }
    std::filesystem::path operator/(std::string_view name) const { return dir_ / name; }
    // Fills the rest of the disk with one file (and every free inode with
    // empty files when `inodes` is set).
    void Fill(bool inodes = false);

private:
    TempDir dir_;
    bool mounted_ = false;
};

// Runs `body` with the process's file-size limit set to `bytes` (writes past it
// fail with EFBIG instead of killing the process), then restores the limit.
void WithFileSizeLimit(unsigned long long bytes, const std::function<void()>& body);
