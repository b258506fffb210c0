#include "drawing/metafile_export.h"

#include <cerrno>
#include <system_error>

#include "drawing/log_drawing.h"
#include "drawing/log_layout.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/emf_writer.h"
#include "platform/wmf_writer.h"
#include "store/templates.h"

namespace fs = std::filesystem;

namespace {

// Numbers tried for one name before giving up (a folder never holds so many).
constexpr int kMaxNumber = 100000;

bool Forbidden(char c)
{
    switch (c) {
    case '\n': case '\r': case '\0': case '"': case '*': case '/': case ':': case '<': case '>': case '?': case '\\':
    case '|':
        return true;
    default:
        return false;
    }
}

bool PathTaken(const fs::path& p)
{
    std::error_code ec;
    // A dangling link takes its name too.
    return fs::symlink_status(p, ec).type() != fs::file_type::not_found;
}

}  // namespace

std::string CleanMetafileName(std::string_view name)
{
    std::string out;
    for (char c : name)
        if (!Forbidden(c)) out.push_back(c);
    if (out.size() > kMaxMetafileNameBytes) {
        std::size_t cut = kMaxMetafileNameBytes;
        // Never in the middle of a character.
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
    }
    return out;
}

std::optional<fs::path> MetafileFileName(const fs::path& folder, const std::string& name, const std::string& extension,
                                         const std::function<bool(const fs::path&)>& exists)
{
    const std::string base = name.empty() ? "Ouvrage" : name;
    if (!name.empty()) {
        const fs::path plain = folder / Utf8ToPath(base + extension);
        if (!exists(plain)) return plain;
    }
    for (int n = name.empty() ? 1 : 2; n <= kMaxNumber; ++n) {
        const fs::path numbered = folder / Utf8ToPath(base + "(" + IntToStr(n) + ")" + extension);
        if (!exists(numbered)) return numbered;
    }
    return std::nullopt;
}

std::unique_ptr<MetafileCanvas> MakeMetafileCanvas(bool emf)
{
    if (emf) return std::make_unique<EmfCanvas>(kMetafileWidth, kMetafileHeight);
    return std::make_unique<WmfCanvas>(kMetafileWidth, kMetafileHeight);
}

MetafileExportResult ExportMetafiles(const MetafileExportRequest& request)
{
    MetafileExportResult result;
    if (!request.Root) return result;
    const TDirBlock& root = *request.Root;
    const std::string extension = request.Emf ? ".emf" : ".wmf";

    auto writePage = [&](const MetafileExportRow& row, const std::string& tube, const PageRange& page) {
        std::unique_ptr<MetafileCanvas> canvas = MakeMetafileCanvas(request.Emf);
        // The log is drawn into 0..Width x 0..Height, bounds included, as the
        // program's metafiles always were: users' layouts and peers reading
        // the files expect those coordinates.
        if (!DessinerCoupe(root, row.Indice, row.Design, tube, *canvas, 0, 0, kMetafileWidth, kMetafileHeight,
                           page.From, page.To, false)) {
            ++result.NotDrawn;
            return;
        }
        std::string expanded;
        ExpandFields(request.Template, root, row.Indice, expanded, tube, row.Design);
        const std::string name = CleanMetafileName(expanded);
        // A name taken between the choice and the write (another program
        // writing there) moves on to the next free number.
        for (int attempt = 0; attempt < 16; ++attempt) {
            const std::optional<fs::path> file = MetafileFileName(request.Folder, name, extension, PathTaken);
            if (!file) {
                result.Failures.push_back("Aucun nom de fichier libre pour \xC2\xAB " + (name.empty() ? "Ouvrage" : name) +
                                          extension + " \xC2\xBB");
                return;
            }
            try {
                if (canvas->SaveToFile(*file, false)) {
                    result.Written.push_back(*file);
                    return;
                }
            } catch (const std::exception& e) {
                result.Failures.push_back(e.what());
                return;
            }
        }
        result.Failures.push_back("Impossible d'\xC3\xA9" "crire \xC2\xAB " + name + extension + " \xC2\xBB");
    };

    for (std::size_t i = 0; i < request.Rows.size(); ++i) {
        const MetafileExportRow& row = request.Rows[i];
        if (CoupeVide(root, row.Indice, row.Design, "")) continue;
        std::vector<std::string> tubes = request.Tubes ? request.Tubes(row.Indice, row.Design) : std::vector<std::string>{};
        if (tubes.empty()) tubes.push_back(kMetafileDefaultTube);
        for (const std::string& tube : tubes) {
            const double extent = EtendueProfondeur(root, row.Indice, row.Design, tube);
            std::vector<PageRange> pages;
            try {
                pages = MetafilePages(extent, request.Settings);
            } catch (const TooManyPagesError& e) {
                result.Failures.push_back(std::string(e.what()) + " (" + row.Indice + " " + row.Design + " " + tube + ")");
                continue;
            }
            for (const PageRange& page : pages) writePage(row, tube, page);
        }
        if (request.Progress) request.Progress(static_cast<int>(i) + 1);
    }
    return result;
}
