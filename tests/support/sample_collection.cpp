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
                              MakeSampleLevel(8.2, 9.0, "SCH1500", "Schiste alt\xC3\xA9r\xC3\xA9 gris-vert", "Briov\xC3\xA9rien"),
                          });
    AppendSampleRow(well, "Trou-nu", {{"Deb", 0.0}, {"Fin", 9.0}, {"Diam", 1200.0}});
    AppendSampleRow(well, "Tubage", {{"Deb", 0.0}, {"Fin", 9.0}, {"Diam", 1000.0}, {"Type", std::int32_t(0)}});

    // A deep water borehole through the limestone and into the chalk, with
    // its abandoned first attempt ten metres away. Each ouvrage has its own
    // rows in every table, named by "Désign".
    TDirBlock& deep = AddSampleBorehole(*root, "F-VAL-01");
    SetSampleOuvrage(deep, "F1", 182.0, 200.0, 31.5);
    SetPlace(*root, "F-VAL-01", 0, 355020.0, 6779830.0, 62.0);
    SetSampleOuvrage(deep, "F2", 24.0);
    SetPlace(*root, "F-VAL-01", 1, 355030.0, 6779840.0, 62.1);
    SampleLevelColumns withDesign;
    withDesign.Design = true;
    const std::string f1 = "F1", f2 = "F2";
    AddSampleLevels(
        deep,
        {
            MakeSampleLevel(0.0, 0.6, "TER1896", "Terre v\xC3\xA9g\xC3\xA9tale brune", "Quaternaire", "", f1),
            MakeSampleLevel(0.6, 4.2, "LIM1802", "Limon argileux ocre", "Quaternaire", "", f1),
            MakeSampleLevel(4.2, 6.0, "GRA1336", "Graves et galets calcaires, matrice sableuse", "Quaternaire", "", f1),
            MakeSampleLevel(6.0, 14.5, "SAB1107", "Sable fin \xC3\xA0 moyen, jaune, bien class\xC3\xA9", "Mioc\xC3\xA8ne",
                            "", f1),
            MakeSampleLevel(14.5, 21.0, "ARG1215", "Argile plastique grise, l\xC3\xA9g\xC3\xA8rement sableuse",
                            "Mioc\xC3\xA8ne", "", f1),
            MakeSampleLevel(21.0, 38.0, "CAL1941", "Calcaire lacustre beige, tr\xC3\xA8s fractur\xC3\xA9, pertes partielles",
                            "Oligoc\xC3\xA8ne", "", f1),
            MakeSampleLevel(38.0, 52.0, "MAR1826", "Marne grise compacte", "Oligoc\xC3\xA8ne", "", f1),
            MakeSampleLevel(52.0, 74.0, "MAR1826", "Marne verte feuillet\xC3\xA9" "e \xC3\xA0 pass\xC3\xA9" "es gypseuses",
                            "\xC3\x89oc\xC3\xA8ne", "", f1),
            MakeSampleLevel(74.0, 118.0, "CAL1941",
                            "Calcaire beige fissur\xC3\xA9, karstifi\xC3\xA9, avec pass\xC3\xA9" "es marneuses et "
                            "nombreux fossiles",
                            "\xC3\x89oc\xC3\xA8ne", "", f1),
            MakeSampleLevel(118.0, 131.0, "GRE1542", "Gr\xC3\xA8s fin glauconieux, vert sombre, tr\xC3\xA8s indur\xC3\xA9",
                            "\xC3\x89oc\xC3\xA8ne", "", f1),
            MakeSampleLevel(131.0, 139.0, "ARG1215", "Argile \xC3\xA0 silex brun-rouge", "Cr\xC3\xA9tac\xC3\xA9", "", f1),
            MakeSampleLevel(139.0, 168.0, "CRA1004", "Craie blanche \xC3\xA0 silex noirs", "Cr\xC3\xA9tac\xC3\xA9", "", f1),
            MakeSampleLevel(168.0, 182.0, "DOL1946", "Craie dolomitique grise, dure", "Cr\xC3\xA9tac\xC3\xA9", "", f1),
            MakeSampleLevel(0.0, 0.5, "TER1896", "Terre v\xC3\xA9g\xC3\xA9tale brune", "Quaternaire", "", f2),
            MakeSampleLevel(0.5, 5.5, "LIM1802", "Limon argileux", "Quaternaire", "", f2),
            MakeSampleLevel(5.5, 13.0, "SAB1107", "Sable fin jaune", "Mioc\xC3\xA8ne", "", f2),
            MakeSampleLevel(13.0, 19.5, "ARG1215", "Argile plastique grise", "Mioc\xC3\xA8ne", "", f2),
            MakeSampleLevel(19.5, 24.0, "CAL1941", "Calcaire tr\xC3\xA8s fractur\xC3\xA9, pertes totales",
                            "Oligoc\xC3\xA8ne", "", f2),
        },
        withDesign);
    SetDossier(deep, "Forage d'eau potable", "Le Val", "Pl\xC3\xA9lan-le-Grand");
    // F1: a cemented surface casing, a steel string screened in the Eocene
    // limestone with its sump and plug, the open hole left in the chalk below.
    AppendSampleRow(deep, "Trou-nu", {{kDesign, f1}, {"Deb", 0.0}, {"Fin", 40.0}, {"Diam", 445.0}});
    AppendSampleRow(deep, "Trou-nu", {{kDesign, f1}, {"Deb", 40.0}, {"Fin", 182.0}, {"Diam", 311.0}});
    struct Casing {
        double from, to, diam;
        std::int32_t type, nature;
    };
    for (const Casing& t : {Casing{0.0, 40.0, 340.0, 11, 1}, Casing{0.0, 78.0, 200.0, 1, 1},
                            Casing{78.0, 116.0, 200.0, 2, 3}, Casing{116.0, 120.0, 200.0, 5, 1},
                            Casing{120.0, 120.5, 200.0, 4, 1}})
        AppendSampleRow(deep, "Tubage", {{kDesign, f1}, {"Deb", t.from}, {"Fin", t.to}, {"Diam", t.diam},
                                         {"Type", t.type}, {"Nature", t.nature}});
    struct Fill {
        double from, to;
        std::int32_t type, nature;
        double granDe, granA;
    };
    for (const Fill& f : {Fill{0.0, 40.0, 1, 1, 0, 0}, Fill{40.0, 66.0, 1, 2, 0, 0}, Fill{66.0, 70.0, 4, 2, 0, 0},
                          Fill{70.0, 120.5, 2, 1, 2, 4}})
        AppendSampleRow(deep, "Annulaire", {{kDesign, f1}, {"Deb", f.from}, {"Fin", f.to}, {"Type", f.type},
                                            {"Nature", f.nature}, {"GranDe", f.granDe}, {"GranA", f.granA}});
    // F2: a short cemented guide tube, then the hole lost in the fractured
    // limestone and filled back with its cuttings.
    AppendSampleRow(deep, "Trou-nu", {{kDesign, f2}, {"Deb", 0.0}, {"Fin", 6.0}, {"Diam", 380.0}});
    AppendSampleRow(deep, "Trou-nu", {{kDesign, f2}, {"Deb", 6.0}, {"Fin", 24.0}, {"Diam", 250.0}});
    AppendSampleRow(deep, "Tubage", {{kDesign, f2}, {"Deb", 0.0}, {"Fin", 6.0}, {"Diam", 323.0},
                                     {"Type", std::int32_t(11)}, {"Nature", std::int32_t(1)}});
    AppendSampleRow(deep, "Annulaire", {{kDesign, f2}, {"Deb", 0.0}, {"Fin", 6.0}, {"Type", std::int32_t(1)},
                                        {"Nature", std::int32_t(1)}, {"GranDe", 0.0}, {"GranA", 0.0}});
    AppendSampleRow(deep, "Annulaire", {{kDesign, f2}, {"Deb", 6.0}, {"Fin", 24.0}, {"Type", std::int32_t(3)},
                                        {"Nature", std::int32_t(1)}, {"GranDe", 0.0}, {"GranA", 0.0}});

    // A piezometer with three tubes screened at three depths.
    TDirBlock& pz = AddSampleBorehole(*root, "PZ-MULTI");
    SetSampleOuvrage(pz, "PZ-MULTI", 45.0, 160.0, 6.2);
    SetPlace(*root, "PZ-MULTI", 0, 353900.0, 6780400.0, 55.4);
    SetDossier(pz, "Pi\xC3\xA9zom\xC3\xA8tre multiple", "Zone artisanale", "Bain-de-Bretagne");
    AddSampleLevels(pz, {
                            MakeSampleLevel(0.0, 1.0, "REM1000", "Remblais", "Anthropique"),
                            MakeSampleLevel(1.0, 8.0, "ARG1700", "Argile sableuse brune", "Quaternaire"),
                            MakeSampleLevel(8.0, 17.0, "SAB1107", "Sable grossier aquif\xC3\xA8re", "Plioc\xC3\xA8ne"),
                            MakeSampleLevel(17.0, 26.0, "MAR1826", "Marne grise compacte", "Oligoc\xC3\xA8ne"),
                            MakeSampleLevel(26.0, 45.0, "CAL1941", "Calcaire fissur\xC3\xA9, karstique", "\xC3\x89oc\xC3\xA8ne"),
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
