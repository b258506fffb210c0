// Temporary folders for tests: tests never write into the source tree or the
// build's program folder.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
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

// Runs `body` as an ordinary user and answers its answer: directly, or, for
// the superuser (who may write every file), in a child process that became
// the user "nobody" (kNobodyId), whose failures count only through the answer.
// Files the child must own are given to kNobodyId beforehand. No answer when
// the superuser cannot become that user or reach the temporary folder then.
inline constexpr unsigned kNobodyId = 65534;
std::optional<bool> AsOrdinaryUser(const std::function<bool()>& body);
