#include "sample_boreholes.h"

#include <tuple>

#include <array>
#include <cmath>
#include <memory>

SampleLevel MakeSampleLevel(double from, double to, std::string code, std::string litho, std::string strati,
                            std::string type, std::string design)
{
    SampleLevel l;
    l.From = from;
    l.To = to;
    l.Code = std::move(code);
    l.Litho = std::move(litho);
    l.Strati = std::move(strati);
    l.Type = std::move(type);
    l.Design = std::move(design);
    return l;
}

TDirBlock& AddSampleBorehole(TDirBlock& root, const std::string& indice)
{
    return *root.GetOrCreateSubDir(indice, false);
}

namespace {

// The column of a table, created with `row` + 1 missing cells when absent.
// (An empty array ignores stores, so a new column is never left empty.)
TBlock* ColumnFor(TDirBlock& table, const std::string& name, const SampleCell& kind, int row)
{
    const int i = table.IndexOfName(name);
    if (i >= 0)
        return table.Child(i);
    std::unique_ptr<TBlock> col;
    if (std::holds_alternative<double>(kind)) {
        auto b = std::make_unique<TFloatArrayBlock>(name);
        b->Resize(row + 1);
        col = std::move(b);
    } else if (std::holds_alternative<std::int32_t>(kind)) {
        auto b = std::make_unique<TIntArrayBlock>(name);
        b->Resize(row + 1);
        col = std::move(b);
    } else {
        auto b = std::make_unique<TStrArrayBlock>(name);
        b->Resize(row + 1);
        col = std::move(b);
    }
    TBlock* raw = col.get();
    table.AddChild(std::move(col), false);
    return raw;
}

void PadColumn(TBlock* b, int count)
{
    if (auto* f = dynamic_cast<TFloatArrayBlock*>(b); f && f->Count() < count)
        f->Resize(count);
    else if (auto* n = dynamic_cast<TIntArrayBlock*>(b); n && n->Count() < count)
        n->Resize(count);
    else if (auto* t = dynamic_cast<TStrArrayBlock*>(b); t && t->Count() < count)
        t->Resize(count);
}

}  // namespace

void AppendSampleRow(TDirBlock& borehole, const std::string& table,
                     const std::vector<std::pair<std::string, SampleCell>>& cells)
{
    TDirBlock& dir = *borehole.GetOrCreateSubDir(table, false);
    const int row = dir.RowCount();
    for (const auto& [column, value] : cells) {
        TBlock* col = ColumnFor(dir, column, value, row);
        PadColumn(col, row + 1);
        if (const double* d = std::get_if<double>(&value))
            col->SetFloat(row, *d);
        else if (const std::int32_t* i = std::get_if<std::int32_t>(&value))
            col->SetInt(row, *i);
        else
            col->SetString(row, std::get<std::string>(value));
    }
    // Every column of the table reaches the new row count.
    for (int c = 0; c < dir.ItemCount(); ++c)
        PadColumn(dir.Child(c), row + 1);
}

void SetSampleOuvrage(TDirBlock& borehole, const std::string& design, double prof, double diamTube, double profEau)
{
    AppendSampleRow(borehole, "Ouvrage",
                    {{"Désign", design}, {"Prof", prof}, {"DiamTube", diamTube}, {"ProfEau", profEau}});
}

void AddSampleLevels(TDirBlock& borehole, const std::vector<SampleLevel>& levels, const SampleLevelColumns& columns)
{
    for (const SampleLevel& l : levels) {
        std::vector<std::pair<std::string, SampleCell>> cells{{"Deb", l.From}, {"Fin", l.To}, {"Litho", l.Litho}};
        if (columns.Code)
            cells.emplace_back("CodeNiv", l.Code);
        if (columns.Strati)
            cells.emplace_back("Strati", l.Strati);
        if (columns.Type)
            cells.emplace_back("Type", l.Type);
        if (columns.Design)
            cells.emplace_back("Désign", l.Design);
        AppendSampleRow(borehole, "Niveau", cells);
    }
}

namespace {

struct Lithology {
    const char* Code;
    const char* Litho;
};

// Codes of the program's seven-character form: family, a digit, the colour
// digit and the two-digit pattern number.
constexpr std::array<Lithology, 10> kLithologies{{
    {"TER1896", "Terre végétale brune"},
    {"ARG1215", "Argile plastique grise, légèrement sableuse"},
    {"SAB1107", "Sable fin à moyen, jaune, bien classé"},
    {"GRA1336", "Graves et galets calcaires,matrice sableuse abondante"},
    {"CAL1941", "Calcaire beige fissuré, karstifié, avec passées marneuses et nombreux fossiles"},
    {"MAR1826", "Marne grise compacte"},
    {"LIM1802", "Limon argileux ocre"},
    {"GRE1542", "Grès fin glauconieux, vert sombre, très induré, en bancs décimétriques alternant avec des argiles"},
    {"DOL1946", "Dolomie cristalline"},
    {"CRA1004", "Craie blanche à silex noirs"},
}};

constexpr std::array<const char*, 6> kUnits{{"QUATERNAIRE", "pliocène", "Miocene", "OLIGOCENE", "Eocene", "CRETACE"}};

}  // namespace

std::vector<SampleLevel> GeneratedLevels(int count, double totalDepth)
{
    std::vector<SampleLevel> out;
    out.reserve(static_cast<std::size_t>(std::max(count, 0)));
    std::uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    // Thicknesses vary from 1 to 4 units, scaled to the total depth.
    std::vector<double> weights;
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        weights.push_back(1 + next() % 4);
        sum += weights.back();
    }
    double depth = 0;
    for (int i = 0; i < count; ++i) {
        const Lithology& l = kLithologies[next() % kLithologies.size()];
        SampleLevel level;
        level.From = depth;
        // Depths to the centimetre, as a driller would log them.
        depth = i + 1 == count ? totalDepth
                               : std::nearbyint((depth + totalDepth * weights[std::size_t(i)] / sum) * 100) / 100;
        level.To = depth;
        level.Code = l.Code;
        level.Litho = l.Litho;
        level.Strati = kUnits[std::size_t(i * std::ssize(kUnits) / std::max(count, 1))];
        out.push_back(level);
    }
    return out;
}

TDirBlock& BuildShallowWell(TDirBlock& root, const std::string& indice)
{
    TDirBlock& bh = AddSampleBorehole(root, indice);
    SetSampleOuvrage(bh, indice, 12.0, 160.0, 3.5);
    AddSampleLevels(bh, {
                            MakeSampleLevel(0.0, 0.4, "TER1896", "Terre végétale", "Quaternaire"),
                            MakeSampleLevel(0.4, 2.5, "LIM1802", "Limon argileux ocre,quelques graviers", "Quaternaire"),
                            MakeSampleLevel(2.5, 5.0, "SAB1107", "Sable fin à moyen, jaune, bien classé", "Quaternaire"),
                            MakeSampleLevel(5.0, 7.2, "GRA1336", "Graves et galets calcaires dans une matrice sableuse", "Quaternaire"),
                            MakeSampleLevel(7.2, 10.5, "CAL1941",
                             "Calcaire beige fissuré, karstifié, avec passées marneuses et nombreux fossiles "
                             "(huîtres, gastéropodes), traces d'oxydation",
                             "Oligocène"),
                            MakeSampleLevel(10.5, 12.0, "MAR1826", "Marne grise compacte", "Oligocène"),
                        });
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 12.0}, {"Diam", 250.0}});
    AppendSampleRow(bh, "Tubage", {{"Deb", 0.0}, {"Fin", 8.0}, {"Diam", 160.0}, {"Type", std::int32_t(0)}});
    AppendSampleRow(bh, "Tubage", {{"Deb", 8.0}, {"Fin", 11.5}, {"Diam", 160.0}, {"Type", std::int32_t(2)}});
    AppendSampleRow(bh, "Annulaire", {{"Deb", 0.0}, {"Fin", 6.0}, {"Type", std::int32_t(1)}});
    AppendSampleRow(bh, "Annulaire", {{"Deb", 6.0}, {"Fin", 12.0}, {"Type", std::int32_t(2)}});
    return bh;
}

TDirBlock& BuildDeepBorehole(TDirBlock& root, const std::string& indice, int levels, double depth)
{
    TDirBlock& bh = AddSampleBorehole(root, indice);
    SetSampleOuvrage(bh, indice, depth, 200.0);
    AddSampleLevels(bh, GeneratedLevels(levels, depth));
    return bh;
}

TDirBlock& BuildUncodedBorehole(TDirBlock& root, const std::string& indice)
{
    TDirBlock& bh = AddSampleBorehole(root, indice);
    SetSampleOuvrage(bh, indice, 30.0);
    AddSampleLevels(bh,
                    {
                        MakeSampleLevel(0.0, 3.0, "", "Argile brune", "Quaternaire"),
                        MakeSampleLevel(3.0, 9.0, "", "Sable grossier", "Quaternaire"),
                        MakeSampleLevel(9.0, 15.0, "", "Graviers et galets", "Quaternaire"),
                        MakeSampleLevel(15.0, 24.0, "", "Calcaire fissuré", "Eocène"),
                        MakeSampleLevel(24.0, 30.0, "", "Marne grise", "Eocène"),
                    },
                    SampleLevelColumns{false, true, false, false});
    return bh;
}

TDirBlock& BuildScreenedWell(TDirBlock& root, const std::string& indice, bool withOuvrage)
{
    TDirBlock& bh = AddSampleBorehole(root, indice);
    if (withOuvrage) SetSampleOuvrage(bh, indice, 40, 160, 8.2);
    AddSampleLevels(bh, GeneratedLevels(12, 40));
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 12.0}, {"Diam", 311.0}, {"Méthode", std::int32_t(1)},
                                    {"Fluide", std::int32_t(3)}});
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 12.0}, {"Fin", 40.0}, {"Diam", 250.0}, {"Méthode", std::int32_t(1)},
                                    {"Fluide", std::int32_t(4)}});
    const double casings[][5] = {{0, 24, 1, 2}, {24, 36, 2, 2}, {36, 38, 5, 0}, {38, 38.5, 4, 0}};
    for (const auto& c : casings)
        AppendSampleRow(bh, "Tubage", {{"Deb", c[0]}, {"Fin", c[1]}, {"Diam", 160.0}, {"Type", std::int32_t(c[2])},
                                       {"Nature", std::int32_t(4)}, {"NbCentr", std::int32_t(c[3])}});
    const double fills[][6] = {{0, 8, 1, 1, 0, 0}, {8, 10, 4, 2, 0, 0}, {10, 38.5, 2, 1, 2, 4}, {38.5, 40, 3, 1, 0, 0}};
    for (const auto& f : fills)
        AppendSampleRow(bh, "Annulaire", {{"Deb", f[0]}, {"Fin", f[1]}, {"Type", std::int32_t(f[2])},
                                          {"Nature", std::int32_t(f[3])}, {"GranDe", f[4]}, {"GranA", f[5]}});
    return bh;
}

TDirBlock& BuildMultiTubePiezometer(TDirBlock& root, const std::string& indice)
{
    TDirBlock& bh = AddSampleBorehole(root, indice);
    SetSampleOuvrage(bh, indice, 60, MissingFloat, 14.0);
    AddSampleLevels(bh, GeneratedLevels(15, 60));
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 20.0}, {"Diam", 400.0}});
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 20.0}, {"Fin", 60.0}, {"Diam", 300.0}});
    const std::tuple<const char*, double, double, double, int> casings[] = {
        {"CUVELAGE", 0, 20, 320, 1}, {"PMT1", 0, 50, 60, 1}, {"PMT1", 50, 58, 60, 2},
        {"PMT2", 0, 25, 140, 1},     {"PMT2", 25, 32, 140, 2}};
    for (const auto& [tube, from, to, diam, type] : casings)
        AppendSampleRow(bh, "Tubage", {{"Deb", from}, {"Fin", to}, {"Diam", diam}, {"Type", std::int32_t(type)},
                                       {"Nature", std::int32_t(4)}, {"NomTube", std::string(tube)}});
    // Cement between PMT2 and the outer casing, bentonite then gravel between PMT1 and PMT2.
    const double inner[][5] = {{0, 20, 2, 1, 1}, {0, 23, 1, 4, 2}, {23, 32, 1, 2, 1}};
    for (const auto& f : inner)
        AppendSampleRow(bh, "AnnulaireInterne", {{"Deb", f[0]}, {"Fin", f[1]}, {"Num", std::int32_t(f[2])},
                                                 {"Type", std::int32_t(f[3])}, {"Nature", std::int32_t(f[4])}});
    AppendSampleRow(bh, "Annulaire", {{"Deb", 20.0}, {"Fin", 34.0}, {"Type", std::int32_t(2)}, {"Nature", std::int32_t(1)}});
    AppendSampleRow(bh, "Annulaire", {{"Deb", 34.0}, {"Fin", 60.0}, {"Type", std::int32_t(3)}, {"Nature", std::int32_t(3)}});
    return bh;
}
