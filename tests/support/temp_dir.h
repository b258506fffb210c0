// Temporary folders for tests: tests never write into the source tree or the
// build's program folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / std::filesystem::u8path(name); }

private:
    std::filesystem::path path_;
};

// A temporary program folder holding a copy of the shipped data/ (and, when
// `withLibrary` is set, the built coding library), as the program would find it.
class TempProgramDir : public TempDir {
public:
    explicit TempProgramDir(bool withData = true, bool withLibrary = false);
};

std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);
