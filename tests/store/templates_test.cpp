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

TEST_F(TemplatesTest, PlainTextPercentSignsAndFixedNames)
{
    EXPECT_EQ(Expand("Coupe du forage"), "Coupe du forage");
    EXPECT_EQ(Expand("100%% sable"), "100% sable");
    EXPECT_EQ(Expand("Ouvrage %Indice% %Désign%"), "Ouvrage 12 P1");
    EXPECT_EQ(Expand("Indice %Indice"), "Indice 12");
    EXPECT_EQ(Expand("%Date% à %Heure%"), "09/03/2026 à 14h35");
    EXPECT_EQ(Expand("%NomTube%"), "CUVELAGE");
    EXPECT_EQ(Expand("%NomTube%", "12", "P1", "PMT1"), "PMT1");
    EXPECT_EQ(Expand("%indice%"), "");
}

TEST_F(TemplatesTest, TheResultIsAppendedTo)
{
    std::string result = "Titre : ";
    ExpandFields("%Indice%", root, "12", result, "", "P1");
    EXPECT_EQ(result, "Titre : 12");
}

TEST_F(TemplatesTest, ColumnValuesOfTheOuvrageAreJoined)
{
    EXPECT_EQ(Expand("%Niveau\\Litho%"), "argile,  , sable");
    EXPECT_EQ(Expand("%Niveau\\Litho%", "12", "P2"), "calcaire");
    EXPECT_EQ(Expand("[%Niveau\\Litho%]", "99"), "[]");
    EXPECT_EQ(Expand("[%Pompage\\Debit%]"), "[]");
}

TEST_F(TemplatesTest, ConditionsFilterTheRows)
{
    EXPECT_EQ(Expand("%Niveau\\Litho|Type=COUPE;FORAGE%"), "argile,  , sable");
    EXPECT_EQ(Expand("%Niveau\\Litho|Type=FORAGE%"), " ");
    EXPECT_EQ(Expand("%Niveau\\Litho|Type=COUPE,Litho=sable%"), "sable");
    EXPECT_EQ(Expand("%Niveau\\Litho|\"Litho=sable\" Type=COUPE%"), "sable");
    EXPECT_EQ(Expand("%Niveau\\Litho|Type=ECHANTILLON%"), "");
}

TEST_F(TemplatesTest, CoordinatesInZoneNineAreAngles)
{
    EXPECT_EQ(Expand("%Ouvrage\\X%"), "600,5");
    EXPECT_EQ(Expand("%Ouvrage\\X%", "12", "P2"), "45° 30,000'");
    EXPECT_EQ(Expand("[%UnitéXY%]", "12", "P2"), "[ ]");
    EXPECT_EQ(Expand("%UnitéXY%/%UNITEXY%"), "km/KM");
}

TEST_F(TemplatesTest, LexiconTranslationAndDates)
{
    EXPECT_EQ(Expand("%Dossier\\Nature*%"), "Piézomètre");
    EXPECT_EQ(Expand("%Dossier\\Nature*%", "13"), "INCONNUE");
    EXPECT_EQ(Expand("[%Dossier\\Nature*%]", "14"), "[ ]");
    EXPECT_EQ(Expand("%Dossier\\Nature%"), "PIEZO");
    EXPECT_EQ(Expand("%Dossier\\DateDossier:E%"), "12/05/2001");
}

TEST_F(TemplatesTest, SiAndSiPasOnTheDesignation)
{
    EXPECT_EQ(Expand("%Si|Désign=P1%Texte pour P1"), "Texte pour P1");
    EXPECT_EQ(Expand("%Si|Désign=P1%Texte pour P1", "12", "P2"), "");
    EXPECT_EQ(Expand("%SiPas|Désign=P1%Autre", "12", "P1"), "");
    EXPECT_EQ(Expand("%SiPas|Désign=P1%Autre", "12", "P2"), "Autre");
    EXPECT_EQ(Expand("%Si|NomTube=CUVELAGE%ok"), "ok");
    EXPECT_EQ(Expand("%Si|Indice=13%ok"), "");
}

TEST_F(TemplatesTest, SiOnTableRows)
{
    EXPECT_EQ(Expand("%Si|Niveau\\Type=FORAGE%Foreur"), "Foreur");
    EXPECT_EQ(Expand("%Si|Niveau\\Type=FORAGE%Foreur", "12", "P2"), "");
    EXPECT_EQ(Expand("%Si|Niveau\\Type=COUPE,Niveau\\Litho=sable%ok"), "ok");
    EXPECT_EQ(Expand("%Si|Niveau\\Type=FORAGE,Niveau\\Litho=sable%ok"), "");
    EXPECT_EQ(Expand("%Si|Pompage\\Debit=1%ok"), "");
}

TEST_F(TemplatesTest, SiMixingFixedNamesWithTableConditions)
{
    // Both kinds must hold: the designation and a row of the ouvrage.
    EXPECT_EQ(Expand("%Si|Désign=P1,Niveau\\Type=FORAGE%oui"), "oui");
    EXPECT_EQ(Expand("%Si|Désign=P2,Niveau\\Type=FORAGE%oui", "12", "P1"), "");
    EXPECT_EQ(Expand("%Si|Désign=P1,Niveau\\Type=INCONNU%oui"), "");
    EXPECT_EQ(Expand("%SiPas|Désign=P1,Niveau\\Type=FORAGE%non"), "");
    EXPECT_EQ(Expand("%SiPas|Désign=P2,Niveau\\Type=FORAGE%non"), "non");
    EXPECT_EQ(Expand("%Si|Indice=12,NomTube=CUVELAGE,Niveau\\Litho=sable%oui"), "oui");
}

TEST_F(TemplatesTest, SiEmptiesEverythingBeforeAndStops)
{
    EXPECT_EQ(Expand("Avant %Indice% %Si|Désign=P2% après"), "");
    EXPECT_EQ(Expand("Avant %Si|Désign=P1% après %Indice%"), "Avant  après 12");
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
