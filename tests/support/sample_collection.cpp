#include "sample_collection.h"

#include "sample_boreholes.h"

namespace {

const char* const kDesign = "D\xC3\xA9sign";

// Lexicon codes of edition.ini used below.
constexpr std::int32_t kLambert93 = 6;                         // Ouvrage\Zone
constexpr std::int32_t kPlain = 1, kScreen = 2, kSump = 5,     // Tubage\Type
    kBottomPlug = 4, kGuideTube = 11;
constexpr std::int32_t kBlackSteel = 1, kStainless = 3,        // Tubage\Nature
    kConcrete = 6, kPvc = 4;
constexpr std::int32_t kGrouting = 1, kGravelPack = 2, kSeal = 4;  // Annulaire\Type
constexpr std::int32_t kCementGrout = 1, kBentoniteCement = 2, // natures of a grouting
    kConcreteFill = 3;
constexpr std::int32_t kSilicaGravel = 1, kRoundGravel = 3;    // natures of a gravel pack
constexpr std::int32_t kCompactedClay = 1, kBentoniteGranules = 2;  // natures of a seal

void SetDossier(TDirBlock& bh, const std::string& nature, const std::string& lieuDit, const std::string& commune)
{
    AppendSampleRow(bh, "Dossier", {{"Nature", nature}, {"Lieu-Dit", lieuDit}, {"Commune", commune}});
}

// The dossier of a whole index, with its département.
void SetDossier(TDirBlock& bh, const std::string& nature, const std::string& lieuDit, const std::string& commune,
                const std::string& departement, std::int32_t numero)
{
    AppendSampleRow(bh, "Dossier", {{"Nature", nature}, {"Lieu-Dit", lieuDit}, {"Commune", commune},
                                    {"NomDep", departement}, {"Dep", numero}});
}

// Lambert-93 coordinates and ground altitude of the ouvrage at `row`.
void SetPlace(TDirBlock& root, const std::string& indice, int row, double x, double y, double z)
{
    root.SetPathInt(indice + "\\Ouvrage\\Zone", row, btInt, kLambert93);
    root.SetPathFloat(indice + "\\Ouvrage\\X", row, btFloat, x);
    root.SetPathFloat(indice + "\\Ouvrage\\Y", row, btFloat, y);
    root.SetPathFloat(indice + "\\Ouvrage\\Z", row, btFloat, z);
}

// Nature, use and state of the ouvrage at `row` (lexicon codes).
void SetKind(TDirBlock& root, const std::string& indice, int row, const char* nature, const char* usage,
             const char* etat)
{
    root.SetPathString(indice + "\\Ouvrage\\Nature", row, btString, nature);
    root.SetPathString(indice + "\\Ouvrage\\Usage", row, btString, usage);
    root.SetPathString(indice + "\\Ouvrage\\Etat", row, btString, etat);
}

struct Level {
    double from, to;
    const char* code;
    const char* litho;
    const char* strati;
    const char* aquifer;  // Niveau\Aquifere: OUI, NON or SEMI
};

void AddLevels(TDirBlock& bh, const std::string& design, const std::vector<Level>& levels)
{
    for (const Level& l : levels)
        AppendSampleRow(bh, "Niveau", {{kDesign, design}, {"Deb", l.from}, {"Fin", l.to}, {"Litho", std::string(l.litho)},
                                       {"CodeNiv", std::string(l.code)}, {"Strati", std::string(l.strati)},
                                       {"Aquifere", std::string(l.aquifer)}});
}

void AddHole(TDirBlock& bh, const std::string& design, double from, double to, double diam)
{
    AppendSampleRow(bh, "Trou-nu", {{kDesign, design}, {"Deb", from}, {"Fin", to}, {"Diam", diam}});
}

struct Casing {
    double from, to, diam;
    std::int32_t type, nature;
};

void AddCasing(TDirBlock& bh, const std::string& design, const std::string& tube, const Casing& c)
{
    std::vector<std::pair<std::string, SampleCell>> cells{{kDesign, design}};
    if (!tube.empty()) cells.emplace_back("NomTube", tube);
    cells.insert(cells.end(), {{"Deb", c.from}, {"Fin", c.to}, {"Diam", c.diam}, {"Type", c.type}, {"Nature", c.nature}});
    AppendSampleRow(bh, "Tubage", cells);
}

struct Fill {
    double from, to;
    std::int32_t type, nature;
    double granDe = 0, granA = 0;
};

void AddFill(TDirBlock& bh, const std::string& design, const Fill& f)
{
    AppendSampleRow(bh, "Annulaire", {{kDesign, design}, {"Deb", f.from}, {"Fin", f.to}, {"Type", f.type},
                                      {"Nature", f.nature}, {"GranDe", f.granDe}, {"GranA", f.granA}});
}

}  // namespace

std::unique_ptr<TDirBlock> BuildSampleCollection()
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    root->SetPathString("Unit\xC3\xA9XY", 0, btString, "m");

    // A shallow domestic well dug on the Armorican massif, in the alluvium
    // down to the Brioverian schist, lined with concrete rings perforated in
    // the sand and gravel, sealed with concrete and clay at the top.
    const std::string well = "PUITS-1";
    TDirBlock& puits = AddSampleBorehole(*root, well);
    SetSampleOuvrage(puits, well, 9.0, 1000.0, 2.8);
    SetPlace(*root, well, 0, 351170.0, 6758540.0, 48.2);
    SetKind(*root, well, 0, "PUITS", "DOMESTIQUE", "EXPLOITE");
    SetDossier(puits, "PUITS", "La Ferme Neuve", "Bain-de-Bretagne", "Ille-et-Vilaine", 35);
    AddLevels(puits, well,
              {
                  {0.0, 0.5, "TER1896", "Terre v\xC3\xA9g\xC3\xA9tale brune", "Quaternaire", "NON"},
                  {0.5, 3.0, "LIM1802", "Limon argileux ocre", "Quaternaire", "NON"},
                  {3.0, 6.5, "SAB1107", "Sable moyen jaune, quelques graviers", "Quaternaire", "OUI"},
                  {6.5, 8.2, "GRA1336", "Graviers et galets roul\xC3\xA9s", "Quaternaire", "OUI"},
                  {8.2, 9.0, "SCH1500", "Schiste alt\xC3\xA9r\xC3\xA9 gris-vert", "Briov\xC3\xA9rien", "SEMI"},
              });
    AddHole(puits, well, 0.0, 9.0, 1200.0);
    AddCasing(puits, well, "", {0.0, 3.0, 1000.0, kPlain, kConcrete});
    AddCasing(puits, well, "", {3.0, 8.2, 1000.0, kScreen, kConcrete});
    AddCasing(puits, well, "", {8.2, 9.0, 1000.0, kPlain, kConcrete});
    AddFill(puits, well, {0.0, 1.0, kGrouting, kConcreteFill});
    AddFill(puits, well, {1.0, 2.5, kSeal, kCompactedClay});
    AddFill(puits, well, {2.5, 9.0, kGravelPack, kRoundGravel, 10.0, 20.0});

    // A deep drinking-water borehole on the Brie plateau of the Paris basin,
    // through the Oligocene and Eocene and into the chalk, screened in the
    // Eocene lacustrine limestone; its abandoned first attempt stands ten
    // metres away. Each ouvrage has its own rows in every table but
    // "Dossier", named by "Désign".
    TDirBlock& deep = AddSampleBorehole(*root, "F-VAL-01");
    const std::string f1 = "F1", f2 = "F2";
    SetSampleOuvrage(deep, f1, 182.0, 200.0, 31.5);
    SetPlace(*root, "F-VAL-01", 0, 675460.0, 6828750.0, 88.0);
    SetKind(*root, "F-VAL-01", 0, "FORAGE", "AEP", "EXPLOITE");
    SetSampleOuvrage(deep, f2, 24.0);
    SetPlace(*root, "F-VAL-01", 1, 675470.0, 6828760.0, 88.1);
    SetKind(*root, "F-VAL-01", 1, "FORAGE", "AUCUN", "REBOUCHE");
    SetDossier(deep, "FORAGE", "Le Val", "Melun", "Seine-et-Marne", 77);
    AddLevels(
        deep, f1,
        {
            {0.0, 0.6, "TER1896", "Terre v\xC3\xA9g\xC3\xA9tale brune", "Quaternaire", "NON"},
            {0.6, 4.2, "LIM1802", "Limon des plateaux argileux ocre", "Quaternaire", "NON"},
            {4.2, 6.0, "ARG1215", "Argile \xC3\xA0 meuli\xC3\xA8res brun-rouge", "Oligoc\xC3\xA8ne", "NON"},
            {6.0, 14.5, "SAB1107", "Sable fin \xC3\xA0 moyen, jaune, bien class\xC3\xA9", "Oligoc\xC3\xA8ne", "OUI"},
            {14.5, 21.0, "MAR1826", "Marne argileuse grise \xC3\xA0 hu\xC3\xAEtres", "Oligoc\xC3\xA8ne", "NON"},
            {21.0, 38.0, "CAL1941", "Calcaire lacustre beige, tr\xC3\xA8s fractur\xC3\xA9, pertes partielles",
             "Oligoc\xC3\xA8ne", "OUI"},
            {38.0, 52.0, "ARG1215", "Argile verte compacte", "Oligoc\xC3\xA8ne", "NON"},
            {52.0, 74.0, "MAR1826", "Marne verte feuillet\xC3\xA9" "e \xC3\xA0 pass\xC3\xA9" "es gypseuses",
             "\xC3\x89oc\xC3\xA8ne", "NON"},
            {74.0, 118.0, "CAL1941",
             "Calcaire lacustre fissur\xC3\xA9, karstifi\xC3\xA9, \xC3\xA0 pass\xC3\xA9" "es marneuses",
             "\xC3\x89oc\xC3\xA8ne", "OUI"},
            {118.0, 131.0, "GRE1542", "Gr\xC3\xA8s fin glauconieux, vert sombre, tr\xC3\xA8s indur\xC3\xA9",
             "\xC3\x89oc\xC3\xA8ne", "SEMI"},
            {131.0, 139.0, "ARG1215", "Argile plastique bariol\xC3\xA9" "e", "\xC3\x89oc\xC3\xA8ne", "NON"},
            {139.0, 168.0, "CRA1004", "Craie blanche \xC3\xA0 silex noirs", "Cr\xC3\xA9tac\xC3\xA9", "OUI"},
            {168.0, 182.0, "DOL1946", "Craie dolomitique grise, dure", "Cr\xC3\xA9tac\xC3\xA9", "SEMI"},
        });
    AddLevels(deep, f2,
              {
                  {0.0, 0.5, "TER1896", "Terre v\xC3\xA9g\xC3\xA9tale brune", "Quaternaire", "NON"},
                  {0.5, 5.5, "LIM1802", "Limon argileux", "Quaternaire", "NON"},
                  {5.5, 13.0, "SAB1107", "Sable fin jaune", "Oligoc\xC3\xA8ne", "OUI"},
                  {13.0, 19.5, "MAR1826", "Marne argileuse grise", "Oligoc\xC3\xA8ne", "NON"},
                  {19.5, 24.0, "CAL1941", "Calcaire tr\xC3\xA8s fractur\xC3\xA9, pertes totales", "Oligoc\xC3\xA8ne", "OUI"},
              });
    // F1: a surface casing cemented inside and out, a steel string screened
    // in the Eocene limestone with its sump and bottom plug; below the well
    // the hole into the chalk is plugged back with bentonite and cement, so
    // that the chalk and the limestone stay apart.
    AddHole(deep, f1, 0.0, 40.0, 445.0);
    AddHole(deep, f1, 40.0, 182.0, 311.0);
    for (const Casing& c : {Casing{0.0, 40.0, 340.0, kGuideTube, kBlackSteel}, Casing{0.0, 78.0, 200.0, kPlain, kBlackSteel},
                            Casing{78.0, 116.0, 200.0, kScreen, kStainless}, Casing{116.0, 120.0, 200.0, kSump, kBlackSteel},
                            Casing{120.0, 120.5, 200.0, kBottomPlug, kBlackSteel}})
        AddCasing(deep, f1, "", c);
    for (const Fill& f : {Fill{0.0, 40.0, kGrouting, kCementGrout}, Fill{40.0, 66.0, kGrouting, kBentoniteCement},
                          Fill{66.0, 70.0, kSeal, kBentoniteGranules}, Fill{70.0, 120.5, kGravelPack, kSilicaGravel, 2, 4},
                          Fill{120.5, 124.0, kSeal, kBentoniteGranules}, Fill{124.0, 182.0, kGrouting, kCementGrout}})
        AddFill(deep, f1, f);
    // The space between the surface casing and the steel string (the first
    // space from the axis) is cemented too.
    AppendSampleRow(deep, "AnnulaireInterne", {{kDesign, f1}, {"Deb", 0.0}, {"Fin", 40.0}, {"Num", std::int32_t(1)},
                                               {"Type", kGrouting}, {"Nature", kCementGrout}});
    // F2: a short cemented guide tube, then the hole lost in the fractured
    // limestone and sealed back with a bentonite-cement grout.
    AddHole(deep, f2, 0.0, 6.0, 380.0);
    AddHole(deep, f2, 6.0, 24.0, 250.0);
    AddCasing(deep, f2, "", {0.0, 6.0, 323.0, kGuideTube, kBlackSteel});
    AddFill(deep, f2, {0.0, 6.0, kGrouting, kCementGrout});
    AddFill(deep, f2, {6.0, 24.0, kGrouting, kBentoniteCement});

    // A piezometer of the Rennes Tertiary basin with three tubes in one hole,
    // each screened in its own aquifer (the Pliocene sand, the Oligocene and
    // the Eocene limestones) within its own gravel pack, the packs sealed
    // from each other by bentonite against the marls.
    const std::string pz = "PZ-MULTI";
    TDirBlock& multi = AddSampleBorehole(*root, pz);
    SetSampleOuvrage(multi, pz, 45.0, 160.0, 6.2);
    SetPlace(*root, pz, 0, 349520.0, 6781130.0, 36.8);
    SetKind(*root, pz, 0, "PIEZOMETRE", "SURVEILLANCE", "EXPLOITE");
    SetDossier(multi, "PIEZOMETRE", "Zone artisanale", "Chartres-de-Bretagne", "Ille-et-Vilaine",
               35);
    AddLevels(multi, pz,
              {
                  {0.0, 1.0, "REM1000", "Remblais", "Anthropique", "NON"},
                  {1.0, 7.0, "ARG1700", "Argile sableuse brune", "Quaternaire", "NON"},
                  {7.0, 16.0, "SAB1107", "Sable grossier roux, aquif\xC3\xA8re", "Plioc\xC3\xA8ne", "OUI"},
                  {16.0, 20.0, "MAR1826", "Marne grise compacte", "Oligoc\xC3\xA8ne", "NON"},
                  {20.0, 26.0, "CAL1941", "Calcaire lacustre fissur\xC3\xA9", "Oligoc\xC3\xA8ne", "OUI"},
                  {26.0, 31.0, "MAR1826", "Marne verte compacte", "Oligoc\xC3\xA8ne", "NON"},
                  {31.0, 45.0, "CAL1941", "Calcaire fissur\xC3\xA9, karstique", "\xC3\x89oc\xC3\xA8ne", "OUI"},
              });
    AddHole(multi, pz, 0.0, 45.0, 311.0);
    struct Tube {
        const char* name;
        double screenFrom, screenTo, diam;
    };
    for (const Tube& t : {Tube{"PMT1", 10.0, 14.0, 63.0}, Tube{"PMT2", 21.0, 25.0, 63.0}, Tube{"PMT3", 34.0, 43.0, 80.0}}) {
        AddCasing(multi, pz, t.name, {0.0, t.screenFrom, t.diam, kPlain, kPvc});
        AddCasing(multi, pz, t.name, {t.screenFrom, t.screenTo, t.diam, kScreen, kPvc});
        AddCasing(multi, pz, t.name, {t.screenTo, t.screenTo + 0.2, t.diam, kBottomPlug, kPvc});
    }
    for (const Fill& f : {Fill{0.0, 3.0, kGrouting, kCementGrout}, Fill{3.0, 9.0, kSeal, kBentoniteGranules},
                          Fill{9.0, 15.0, kGravelPack, kSilicaGravel, 1, 2}, Fill{15.0, 20.0, kSeal, kBentoniteGranules},
                          Fill{20.0, 26.0, kGravelPack, kSilicaGravel, 1, 2}, Fill{26.0, 33.0, kSeal, kBentoniteGranules},
                          Fill{33.0, 44.0, kGravelPack, kSilicaGravel, 1, 2}, Fill{44.0, 45.0, kSeal, kBentoniteGranules}})
        AddFill(multi, pz, f);
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
