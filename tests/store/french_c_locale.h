// Puts the C library's locale in French (decimal comma), as Qt does when the
// program starts, to show that our number texts never depend on it.
//
// Tries the installed French locales first; when none is installed, compiles
// fr_FR.UTF-8 from the system's locale sources into a temporary folder (LOCPATH).
// Answers false when no French locale can be had: the caller then runs its
// checks under the plain C locale and says so.
#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

inline bool CLocaleHasDecimalComma()
{
    const std::lconv* lc = std::localeconv();
    return lc != nullptr && std::string(lc->decimal_point) == ",";
}

inline bool TrySetFrenchCLocale()
{
    static const char* const kNames[] = {"fr_FR.UTF-8", "fr_FR.utf8", "fr_FR", "fr_FR.ISO-8859-1", "de_DE.UTF-8"};
    for (const char* name : kNames)
        if (std::setlocale(LC_ALL, name) != nullptr && CLocaleHasDecimalComma()) return true;

    // The LOCPATH folder, made once per process and removed at exit.
    struct Compiled {
        std::filesystem::path dir;
        ~Compiled()
        {
            std::error_code ec;
            if (!dir.empty()) std::filesystem::remove_all(dir, ec);
        }
    };
    static Compiled compiled;
    if (compiled.dir.empty()) {
        namespace fs = std::filesystem;
        compiled.dir = fs::temp_directory_path() / ("carotix-locale-" + std::to_string(::getpid()));
        fs::create_directories(compiled.dir);
        const std::string cmd =
            "localedef -i fr_FR -f UTF-8 '" + (compiled.dir / "fr_FR.UTF-8").string() + "' >/dev/null 2>&1";
        (void)std::system(cmd.c_str());
        ::setenv("LOCPATH", compiled.dir.c_str(), 1);
    }
    if (std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr && CLocaleHasDecimalComma()) return true;
    std::setlocale(LC_ALL, "C");
    return false;
}

inline void ResetCLocale() { std::setlocale(LC_ALL, "C"); }
