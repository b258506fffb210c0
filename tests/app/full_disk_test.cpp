// A full disk: every writer of the program (collections, crash copies,
// settings, exports, coding rules and word lists, metafiles, PDF files) fails
// with a French message and keeps the old file byte for byte, leaving no
// temporary file. The disk is a small tmpfs where the test may mount one (as
// root), else a file-size limit stands for it. Also: a PDF gets the
// permissions of the user's umask.
#include <gtest/gtest.h>

#include <QPrinter>

#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>

#include "app/backups.h"
#include "coding/coding_rules.h"
#include "exchange/exchange_files.h"
#include "platform/base/ini_file.h"
#include "platform/base/safe_files.h"
#include "platform/metafile_canvas.h"
#include "platform/printer_info.h"
#include "store/blocks.h"
#include "small_disk.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBig = 600 * 1024;  // more than the disk or the limit allows

struct Writer {
    const char* name;
    const char* file;
    std::function<void(const fs::path&)> write;  // raises, or answers through ADD_FAILURE
};

bool PrintPdf(const fs::path& file, int pages)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(file.string()));
    QPrinterDocument doc(printer);
    if (!doc.BeginDoc("Essai")) return false;
    for (int p = 0; p < pages; ++p) {
        if (p > 0) doc.NewPage();
        Canvas& c = doc.PageCanvas();
        c.SetFontSize(10);
        // Text that does not compress away: each page adds to the file.
        for (int line = 0; line < 60; ++line)
            c.TextOut(100, 200 + line * 150, "Page " + std::to_string(p) + " ligne " + std::to_string(line * 7919 % 10007));
    }
    return doc.EndDoc();
}

std::vector<Writer> Writers()
{
    auto bigTree = [] {
        auto root = std::make_unique<TDirBlock>("Carotix");
        for (int r = 0; r < 6000; ++r)
            root->SetPathString("F1\\Niveau\\Desc", r, btString, std::string(100, 'x') + std::to_string(r));
        return root;
    };
    return {
        {"collection", "etude.crx", [=](const fs::path& f) { bigTree()->SaveToFile(f.string()); }},
        {"crash copy", "backup_0.crx",
         [=](const fs::path& f) {
             const auto tree = bigTree();
             if (RunBackupPass(f.parent_path(), {tree.get()}).failed != 1) throw std::runtime_error("copie écrite");
             WriteBackupCopy(*tree, f);
         }},
        {"settings", "carotix.ini",
         [](const fs::path& f) { TIniFile(f).WriteString("Dessin", "Grand", std::string(kBig, 'v')); }},
        {"export", "export.csv", [](const fs::path& f) { WriteFileReplacing(f.string(), std::string(kBig, 'e')); }},
        {"word list", "Noms.csv",
         [](const fs::path& f) {
             TextGrid grid({"", "Mot", "Code"}, 1);
             grid.SetRowCount(6001);
             for (int r = 1; r <= 6000; ++r) grid.SetCell(1, r, "MOT" + std::string(100, 'M') + std::to_string(r));
             SaveGridToCsv(grid, f);
         }},
        {"metafile", "coupe.emf",
         [](const fs::path& f) { WriteFileSafely(f, std::string(kBig, 'm'), true); }},
        {"PDF", "coupe.pdf",
         [](const fs::path& f) {
             if (!PrintPdf(f, 400)) throw std::runtime_error("Impression impossible");
         }},
    };
}

}  // namespace

TEST(FullDisk, EveryWriterFailsInFrenchAndKeepsTheOldFile)
{
    SmallDisk disk("size=512k");
    TempDir plain;
    const fs::path folder = disk.Mounted() ? disk.path() : plain.path();
    const std::vector<Writer> writers = Writers();
    for (const Writer& w : writers) WriteFileBytes(folder / w.file, std::string("ancien ") + w.name);

    auto attempt = [&] {
        for (const Writer& w : writers) {
            const fs::path f = folder / w.file;
            try {
                w.write(f);
                ADD_FAILURE() << w.name << ": written on a full disk";
            } catch (const std::exception& e) {
                const std::string m = e.what();
                const bool french = m.find("Plus de place sur le disque") != std::string::npos ||
                                    m.find("Fichier trop volumineux") != std::string::npos ||
                                    m == "Impression impossible";
                EXPECT_TRUE(french) << w.name << ": " << m;
            }
            EXPECT_EQ(ReadFileBytes(f), std::string("ancien ") + w.name) << w.name;
        }
    };
    if (disk.Mounted()) {
        disk.Fill();
        attempt();
        fs::remove(disk / "filler");
    } else {
        WithFileSizeLimit(256 * 1024, attempt);
    }
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_FALSE(IsProgramTempName(e.path().filename().string())) << e.path();
}

TEST(FullDisk, APdfGetsThePermissionsOfTheUmask)
{
    TempDir dir;
    const mode_t old = ::umask(022);
    ASSERT_TRUE(PrintPdf(dir / "coupe.pdf", 1));
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "coupe.pdf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_NE(ReadFileBytes(dir / "coupe.pdf").rfind("%%EOF"), std::string::npos);
}
