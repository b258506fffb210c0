#include "sample_collection.h"

#include "sample_boreholes.h"

namespace {

const char* const kDesign = "D\xC3\xA9sign";

void SetDossier(TDirBlock& bh, const std::string& nature, const std::string& lieuDit, const std::string& commune)
{
    AppendSampleRow(bh, "Dossier", {{"Nature", nature}, {"Lieu-Dit", lieuDit}, {"Commune", commune}});
}

void SetPlace(TDirBlock& root, const std::string& indice, int row, double x, double y, double z)
{
    root.SetPathFloat(indice + "\\Ouvrage\\X", row, btFloat, x);
    root.SetPathFloat(indice + "\\Ouvrage\\Y", row, btFloat, y);
    root.SetPathFloat(indice + "\\Ouvrage\\Z", row, btFloat, z);
}

}  // namespace

std::unique_ptr<TDirBlock> BuildSampleCollection()
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    root->SetPathString("Unit\xC3\xA9XY", 0, btString, "m");

    // A shallow domestic well dug in the alluvium, with a concrete ring casing.
    TDirBlock& well = AddSampleBorehole(*root, "PUITS-1");
    SetSampleOuvrage(well, "PUITS-1", 9.0, 1000.0, 2.8);
    SetPlace(*root, "PUITS-1", 0, 352410.0, 6781250.0, 48.2);
    SetDossier(well, "Puits domestique", "La Ferme Neuve", "Bain-de-Bretagne");
    AddSampleLevels(well, {
                              MakeSampleLevel(0.0, 0.5, "TER1896", "Terre v\xC3\xA9g\xC3\xA9tale brune", "Quaternaire"),
                              MakeSampleLevel(0.5, 3.0, "LIM1802", "Limon argileux ocre", "Quaternaire"),
                              MakeSampleLevel(3.0, 6.5, "SAB1107", "Sable moyen jaune, quelques graviers", "Quaternaire"),
                              MakeSampleLevel(6.5, 8.2, "GRA1336", "Graviers et galets roul\xC3\xA9s", "Quaternaire"),
                              MakeSampleLevel(8.2, 9.0, "SCH1500", "Schiste alt\xC3\xA9r\xC3\xA9 gris-vert", "Brioverien"),
                          });
    AppendSampleRow(well, "Trou-nu", {{"Deb", 0.0}, {"Fin", 9.0}, {"Diam", 1200.0}});
    AppendSampleRow(well, "Tubage", {{"Deb", 0.0}, {"Fin", 9.0}, {"Diam", 1000.0}, {"Type", std::int32_t(0)}});

    // A deep water borehole through the limestone, with its abandoned first attempt.
    TDirBlock& deep = AddSampleBorehole(*root, "F-VAL-01");
    SetSampleOuvrage(deep, "F1", 182.0, 200.0, 31.5);
    SetPlace(*root, "F-VAL-01", 0, 355020.0, 6779830.0, 62.0);
    SetSampleOuvrage(deep, "F2", 24.0);
    SetPlace(*root, "F-VAL-01", 1, 355030.0, 6779840.0, 62.1);
    SampleLevelColumns withDesign;
    withDesign.Design = true;
    std::vector<SampleLevel> levels = GeneratedLevels(36, 182.0);
    for (SampleLevel& l : levels) l.Design = "F1";
    levels.push_back(MakeSampleLevel(0.0, 6.0, "LIM1802", "Limon argileux", "Quaternaire", "", "F2"));
    levels.push_back(MakeSampleLevel(6.0, 24.0, "CAL1941", "Calcaire tr\xC3\xA8s fractur\xC3\xA9, pertes totales",
                                     "Eocene", "", "F2"));
    AddSampleLevels(deep, levels, withDesign);
    SetDossier(deep, "Forage d'eau potable", "Le Val", "Pl\xC3\xA9lan-le-Grand");
    AppendSampleRow(deep, "Trou-nu", {{"Deb", 0.0}, {"Fin", 40.0}, {"Diam", 445.0}});
    AppendSampleRow(deep, "Trou-nu", {{"Deb", 40.0}, {"Fin", 182.0}, {"Diam", 311.0}});
    AppendSampleRow(deep, "Tubage", {{"Deb", 0.0}, {"Fin", 40.0}, {"Diam", 340.0}, {"Type", std::int32_t(0)}});
    AppendSampleRow(deep, "Tubage", {{"Deb", 0.0}, {"Fin", 120.0}, {"Diam", 200.0}, {"Type", std::int32_t(0)}});
    AppendSampleRow(deep, "Tubage", {{"Deb", 120.0}, {"Fin", 176.0}, {"Diam", 200.0}, {"Type", std::int32_t(2)}});
    AppendSampleRow(deep, "Annulaire", {{"Deb", 0.0}, {"Fin", 40.0}, {"Type", std::int32_t(1)}});
    AppendSampleRow(deep, "Annulaire", {{"Deb", 110.0}, {"Fin", 182.0}, {"Type", std::int32_t(2)}});

    // A piezometer with three tubes screened at three depths.
    TDirBlock& pz = AddSampleBorehole(*root, "PZ-MULTI");
    SetSampleOuvrage(pz, "PZ-MULTI", 45.0, 160.0, 6.2);
    SetPlace(*root, "PZ-MULTI", 0, 353900.0, 6780400.0, 55.4);
    SetDossier(pz, "Pi\xC3\xA9zom\xC3\xA8tre multiple", "Zone artisanale", "Bain-de-Bretagne");
    AddSampleLevels(pz, {
                            MakeSampleLevel(0.0, 1.0, "REM1000", "Remblais", "Anthropique"),
                            MakeSampleLevel(1.0, 8.0, "ARG1700", "Argile sableuse brune", "Quaternaire"),
                            MakeSampleLevel(8.0, 17.0, "SAB1107", "Sable grossier aquif\xC3\xA8re", "Pliocene"),
                            MakeSampleLevel(17.0, 26.0, "MAR1826", "Marne grise compacte", "Oligocene"),
                            MakeSampleLevel(26.0, 45.0, "CAL1941", "Calcaire fissur\xC3\xA9, karstique", "Eocene"),
                        });
    AppendSampleRow(pz, "Trou-nu", {{"Deb", 0.0}, {"Fin", 45.0}, {"Diam", 311.0}});
    struct Tube {
        const char* name;
        double screenFrom, screenTo, diam;
    };
    for (const Tube& t : {Tube{"PMT1", 10.0, 15.0, 63.0}, Tube{"PMT2", 20.0, 24.0, 63.0}, Tube{"PMT3", 32.0, 44.0, 80.0}}) {
        AppendSampleRow(pz, "Tubage", {{kDesign, std::string("PZ-MULTI")}, {"NomTube", std::string(t.name)}, {"Deb", 0.0},
                                       {"Fin", t.screenFrom}, {"Diam", t.diam}, {"Type", std::int32_t(0)}});
        AppendSampleRow(pz, "Tubage", {{kDesign, std::string("PZ-MULTI")}, {"NomTube", std::string(t.name)},
                                       {"Deb", t.screenFrom}, {"Fin", t.screenTo}, {"Diam", t.diam},
                                       {"Type", std::int32_t(2)}});
    }
    AppendSampleRow(pz, "Annulaire", {{"Deb", 0.0}, {"Fin", 9.0}, {"Type", std::int32_t(1)}});
    AppendSampleRow(pz, "Annulaire", {{"Deb", 9.0}, {"Fin", 45.0}, {"Type", std::int32_t(2)}});
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
