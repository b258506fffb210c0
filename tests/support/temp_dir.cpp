#include "temp_dir.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = fs::temp_directory_path() /
                     ("carotix-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                      std::to_string(rd() % 1000000));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Give back write permission first: tests make files and folders read-only.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

TempProgramDir::TempProgramDir(bool withData, bool withLibrary)
{
    if (withData) fs::copy(CAROTIX_DATA_DIR, path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    if (withLibrary) {
        const fs::path lib = fs::path(CAROTIX_PROGRAM_DIR) / "Codage.so";
        if (fs::exists(lib)) fs::copy_file(lib, path() / "Codage.so", fs::copy_options::overwrite_existing);
    }
}

std::string ReadFileBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    // In large pieces: the tests read back files of tens of megabytes.
    std::string bytes;
    std::string piece(std::size_t{1} << 20, '\0');
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0)
        bytes.append(piece.data(), static_cast<std::size_t>(in.gcount()));
    return bytes;
}

void WriteFileBytes(const fs::path& file, std::string_view bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + file.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<bool> AsOrdinaryUser(const std::function<bool()>& body)
{
    if (::geteuid() != 0) return body();
    const fs::path temp = fs::temp_directory_path();
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        if (::setgid(kNobodyId) != 0 || ::setuid(kNobodyId) != 0) ::_exit(3);
        if (::access(temp.c_str(), X_OK) != 0) ::_exit(3);
        bool ok = false;
        try {
            ok = body();
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 3) return std::nullopt;
    return WEXITSTATUS(status) == 0;
}
