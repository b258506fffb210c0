// Text templates filled from a collection built here, with a fixed clock.
#include <gtest/gtest.h>

#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "store/templates.h"
#include "temp_dir.h"

namespace {

class TemplatesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The lexicon is read as settings are: its section matches whatever
        // the case, and the blanks around a line's "=" do not count.
        WriteFileBytes(dir / "edition.ini",
                       "[dossier\\NATURE]\r\n"
                       "FORAGE=FORAGE=Forage d'eau\r\n"
                       "PIEZOMETRE = PIEZO=Pi\xE9zom\xE8tre\r\n"
                       "VIDE=VIDE=\r\n");
        OptionsInitialize(dir.path());
        OptNomTubeSimple = "CUVELAGE";
        OptLatitudeLongitude = "Minute";

        // Borehole 12 holds two ouvrages, P1 and P2.
        root.SetPathString("12\\Ouvrage\\Désign", 0, btString, "P1");
        root.SetPathString("12\\Ouvrage\\Désign", 1, btString, "P2");
        root.SetPathFloat("12\\Ouvrage\\X", 0, btFloat, 600.5);
        root.SetPathFloat("12\\Ouvrage\\X", 1, btFloat, 45.5);
        root.SetPathInt("12\\Ouvrage\\Zone", 0, btInt, 2);
        root.SetPathInt("12\\Ouvrage\\Zone", 1, btInt, 9);
        const char* litho[] = {"argile", "", "sable", "calcaire"};
        const char* type[] = {"COUPE", "FORAGE", "COUPE", "ECHANTILLON"};
        const char* design[] = {"P1", "P1", "P1", "P2"};
        for (int r = 0; r < 4; ++r) {
            root.SetPathString("12\\Niveau\\Désign", r, btString, design[r]);
            root.SetPathString("12\\Niveau\\Litho", r, btString, litho[r]);
            root.SetPathString("12\\Niveau\\Type", r, btString, type[r]);
        }
        root.SetPathString("12\\Dossier\\Nature", 0, btString, "PIEZO");
        root.SetPathString("12\\Dossier\\DateDossier", 0, btString, "20010512");
        root.SetPathString("13\\Dossier\\Nature", 0, btString, "INCONNUE");
        root.SetPathString("14\\Dossier\\Nature", 0, btString, "VIDE");
    }
    void TearDown() override { OptionsRelease(); }

    std::string Expand(std::string_view templ, std::string_view index = "12", std::string_view design = "P1",
                       std::string_view tube = "")
    {
        std::string result;
        ExpandFields(templ, root, index, result, tube, design);
        return result;
    }

    TempDir dir;
    TDirBlock root{"Carotix"};
    ScopedDecimalSeparator comma{','};
    ScopedFixedClock clock{ClockReading{2026, 3, 9, 14, 35, 10}};
};

TEST_F(TemplatesTest, ExpandedTexts)
{
    struct Case {
        const char* templ;
        const char* index;
        const char* design;
        const char* tube;
        const char* expected;
    };
    const Case cases[] = {
        // Plain text, percent signs and fixed names.
        {"Coupe du forage", "12", "P1", "", "Coupe du forage"},
        {"100%% sable", "12", "P1", "", "100% sable"},
        {"Ouvrage %Indice% %Désign%", "12", "P1", "", "Ouvrage 12 P1"},
        {"Indice %Indice", "12", "P1", "", "Indice 12"},
        {"%Date% à %Heure%", "12", "P1", "", "09/03/2026 à 14h35"},
        {"%NomTube%", "12", "P1", "", "CUVELAGE"},
        {"%NomTube%", "12", "P1", "PMT1", "PMT1"},
        {"%indice%", "12", "P1", "", ""},
        // Column values of the ouvrage are joined.
        {"%Niveau\\Litho%", "12", "P1", "", "argile,  , sable"},
        {"%Niveau\\Litho%", "12", "P2", "", "calcaire"},
        {"[%Niveau\\Litho%]", "99", "P1", "", "[]"},
        {"[%Pompage\\Debit%]", "12", "P1", "", "[]"},
        // Conditions filter the rows.
        {"%Niveau\\Litho|Type=COUPE;FORAGE%", "12", "P1", "", "argile,  , sable"},
        {"%Niveau\\Litho|Type=FORAGE%", "12", "P1", "", " "},
        {"%Niveau\\Litho|Type=COUPE,Litho=sable%", "12", "P1", "", "sable"},
        {"%Niveau\\Litho|\"Litho=sable\" Type=COUPE%", "12", "P1", "", "sable"},
        {"%Niveau\\Litho|Type=ECHANTILLON%", "12", "P1", "", ""},
        // Coordinates in zone 9 are angles.
        {"%Ouvrage\\X%", "12", "P1", "", "600,5"},
        {"%Ouvrage\\X%", "12", "P2", "", "45° 30,000'"},
        {"[%UnitéXY%]", "12", "P2", "", "[ ]"},
        {"%UnitéXY%/%UNITEXY%", "12", "P1", "", "km/KM"},
        // Lexicon translation and dates.
        {"%Dossier\\Nature*%", "12", "P1", "", "Piézomètre"},
        {"%Dossier\\Nature*%", "13", "P1", "", "INCONNUE"},
        {"[%Dossier\\Nature*%]", "14", "P1", "", "[ ]"},
        {"%Dossier\\Nature%", "12", "P1", "", "PIEZO"},
        {"%Dossier\\DateDossier:E%", "12", "P1", "", "12/05/2001"},
        // %Si% and %SiPas% on the designation, then on table rows.
        {"%Si|Désign=P1%Texte pour P1", "12", "P1", "", "Texte pour P1"},
        {"%Si|Désign=P1%Texte pour P1", "12", "P2", "", ""},
        {"%SiPas|Désign=P1%Autre", "12", "P1", "", ""},
        {"%SiPas|Désign=P1%Autre", "12", "P2", "", "Autre"},
        {"%Si|NomTube=CUVELAGE%ok", "12", "P1", "", "ok"},
        {"%Si|Indice=13%ok", "12", "P1", "", ""},
        {"%Si|Niveau\\Type=FORAGE%Foreur", "12", "P1", "", "Foreur"},
        {"%Si|Niveau\\Type=FORAGE%Foreur", "12", "P2", "", ""},
        {"%Si|Niveau\\Type=COUPE,Niveau\\Litho=sable%ok", "12", "P1", "", "ok"},
        {"%Si|Niveau\\Type=FORAGE,Niveau\\Litho=sable%ok", "12", "P1", "", ""},
        {"%Si|Pompage\\Debit=1%ok", "12", "P1", "", ""},
        // Fixed names with table conditions: the designation and a row must both hold.
        {"%Si|Désign=P1,Niveau\\Type=FORAGE%oui", "12", "P1", "", "oui"},
        {"%Si|Désign=P2,Niveau\\Type=FORAGE%oui", "12", "P1", "", ""},
        {"%Si|Désign=P1,Niveau\\Type=INCONNU%oui", "12", "P1", "", ""},
        {"%SiPas|Désign=P1,Niveau\\Type=FORAGE%non", "12", "P1", "", ""},
        {"%SiPas|Désign=P2,Niveau\\Type=FORAGE%non", "12", "P1", "", "non"},
        {"%Si|Indice=12,NomTube=CUVELAGE,Niveau\\Litho=sable%oui", "12", "P1", "", "oui"},
        // %Si% empties everything before it and stops.
        {"Avant %Indice% %Si|Désign=P2% après", "12", "P1", "", ""},
        {"Avant %Si|Désign=P1% après %Indice%", "12", "P1", "", "Avant  après 12"},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.templ, c.index, c.design, c.tube), c.expected) << c.templ;
    // The result is appended to.
    std::string result = "Titre : ";
    ExpandFields("%Indice%", root, "12", result, "", "P1");
    EXPECT_EQ(result, "Titre : 12");
}

TEST(CommaText, ClassLibraryRules)
{
    EXPECT_EQ(SplitCommaText("a,b c"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitCommaText(" \"x y\",\"q\"\"\" "), (std::vector<std::string>{"x y", "q\""}));
    EXPECT_EQ(SplitCommaText("a,"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(SplitCommaText("a,,b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText(""), (std::vector<std::string>{}));
}

}  // namespace
