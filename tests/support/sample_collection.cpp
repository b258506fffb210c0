#include "sample_collection.h"

#include "sample_boreholes.h"

namespace {

void SetDossier(TDirBlock& bh, const std::string& nature, const std::string& lieuDit, const std::string& commune)
{
    AppendSampleRow(bh, "Dossier", {{"Nature", nature}, {"Lieu-Dit", lieuDit}, {"Commune", commune}});
}

}  // namespace

std::unique_ptr<TDirBlock> BuildSampleCollection()
{
    auto root = std::make_unique<TDirBlock>();
    root->LoadFromFile(CAROTIX_DATA_DIR "/Exemples/exemple.crx");
    return root;
}

std::unique_ptr<TDirBlock> BuildSyntheticCollection(int count)
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    root->SetPathString("Unit\xC3\xA9XY", 0, btString, "m");
    static const char* const kTowns[] = {"Rennes", "Vitr\xC3\xA9", "Redon", "Foug\xC3\xA8res", "Dinan"};
    static const char* const kNatures[] = {"Forage", "Puits", "Pi\xC3\xA9zom\xC3\xA8tre", "Sondage"};
    for (int i = 0; i < count; ++i) {
        std::string name = std::to_string(i + 1);
        name = "S" + std::string(5 - std::min<std::size_t>(5, name.size()), '0') + name;
        TDirBlock& bh = AddSampleBorehole(*root, name);
        const double depth = 5.0 + (i * 37) % 120;
        SetSampleOuvrage(bh, name, depth);
        root->SetPathFloat(name + "\\Ouvrage\\Z", 0, btFloat, 20.0 + (i * 13) % 90);
        SetDossier(bh, kNatures[i % 4], "Lieu " + std::to_string(i % 97), kTowns[i % 5]);
        AddSampleLevels(bh, {MakeSampleLevel(0.0, depth / 3, "LIM1802", "Limon"),
                             MakeSampleLevel(depth / 3, depth, "CAL1941", "Calcaire")});
    }
    return root;
}
