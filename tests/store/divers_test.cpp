// The shared helpers: text, lists, quoting, dates, angles, tube names, fields
// of text files, folders and the two block-tree walks.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

TEST(DiversText, LettersDigitsAndBlanks)
{
    EXPECT_TRUE(IsDigit(U'0'));
    EXPECT_TRUE(IsDigit(U'9'));
    EXPECT_FALSE(IsDigit(U'a'));
    EXPECT_TRUE(IsLetter(U'é'));
    EXPECT_TRUE(IsLetter(U'Z'));
    EXPECT_FALSE(IsLetter(U'ß'));
    EXPECT_FALSE(IsLetter(U'5'));
    EXPECT_EQ(TrimBlanks("  a b \t "), "a b \t");
    EXPECT_EQ(TrimBlanks("    "), "");
    EXPECT_EQ(CutAtNbsp("12\xC2\xA0Sable fin"), "12");
    EXPECT_EQ(CutAtNbsp("12 Sable"), "12 Sable");
}

TEST(DiversText, NameValueLinesAndLists)
{
    EXPECT_EQ(NamePart("Prof=Prof:F8"), "Prof");
    EXPECT_EQ(ValuePart("a=b=c"), "b=c");
    EXPECT_EQ(NamePart("sans"), "");
    EXPECT_EQ(ValuePart("sans"), "");
    EXPECT_EQ(ValuePart("vide="), "");
    EXPECT_TRUE(InSemicolonList("FORAGE", "COUPE;FORAGE"));
    EXPECT_TRUE(InSemicolonList("COUPE", "COUPE;FORAGE"));
    EXPECT_FALSE(InSemicolonList("COUP", "COUPE;FORAGE"));
    EXPECT_FALSE(InSemicolonList("", ""));
    EXPECT_TRUE(InSemicolonList("", ";A"));
    EXPECT_FALSE(InSemicolonList("", "A;"));
    EXPECT_FALSE(InSemicolonList("a", "A"));
    // Comma lists trim all but the last item.
    EXPECT_TRUE(InCommaList("X", " X ,Y"));
    EXPECT_TRUE(InCommaList("Y", "X,Y"));
    EXPECT_FALSE(InCommaList("Y", "X, Y"));
    EXPECT_TRUE(InCommaList(" Y", "X, Y"));
    EXPECT_FALSE(InCommaList("Z", "X,Y"));
}

TEST(DiversText, QuotingRoundTrips)
{
    EXPECT_EQ(QuoteIfNeeded("ARGILE"), "ARGILE");
    EXPECT_EQ(QuoteIfNeeded("sable fin"), "\"sable fin\"");
    EXPECT_EQ(QuoteIfNeeded("a;b"), "\"a;b\"");
    EXPECT_EQ(QuoteIfNeeded("l'eau"), "\"l'eau\"");
    EXPECT_EQ(QuoteIfNeeded("dit \"X\""), "\"dit \"\"X\"\"\"");
    for (const char* text : {"ARGILE", "sable fin", "a;b", "l'eau", "dit \"X\"", "\"", ""})
        EXPECT_EQ(Unquote(QuoteIfNeeded(text)), text) << text;
    EXPECT_EQ(Unquote("'it''s'"), "it's");
    EXPECT_EQ(Unquote("\""), "\"");
    EXPECT_EQ(Unquote("\"ab"), "\"ab");
}

class DiversDates : public ::testing::Test {
protected:
    ScopedFixedClock clock{ClockReading{2026, 3, 9, 14, 5, 0}};
};

TEST_F(DiversDates, PartialDates)
{
    EXPECT_TRUE(IsPartialDate(""));
    EXPECT_TRUE(IsPartialDate("12/05"));
    EXPECT_TRUE(IsPartialDate("12/05/01"));
    EXPECT_TRUE(IsPartialDate("12/05/2001"));
    EXPECT_FALSE(IsPartialDate("12-05"));
    EXPECT_FALSE(IsPartialDate("12/05/2"));
    EXPECT_FALSE(IsPartialDate("12/05-2001"));
}

TEST_F(DiversDates, PaddingAndYearCompletion)
{
    EXPECT_EQ(Pad2(""), "01");
    EXPECT_EQ(Pad2("7"), "07");
    EXPECT_EQ(Pad2("123"), "123");
    EXPECT_EQ(CompleteYear(""), "2026");
    EXPECT_EQ(CompleteYear("7"), "2027");
    EXPECT_EQ(CompleteYear("98"), "2098");
    EXPECT_EQ(CompleteYear("1998"), "1998");
}

TEST_F(DiversDates, CompletingATypedDate)
{
    EXPECT_EQ(CompleteDate("12", 5), "12/03");
    EXPECT_EQ(CompleteDate("12", 8), "12/03/26");
    EXPECT_EQ(CompleteDate("12", 10), "12/03/2026");
    EXPECT_EQ(CompleteDate("12/05", 10), "12/05/2026");
    EXPECT_EQ(CompleteDate("12", 4), "12");
    EXPECT_EQ(CompleteDate("1", 10), "1");
}

TEST_F(DiversDates, NormalisingToDigitsAndBack)
{
    EXPECT_EQ(NormalizeDate("12/05/2001"), "20010512");
    EXPECT_EQ(NormalizeDate("12/05/01"), "20010512");
    EXPECT_EQ(NormalizeDate("12/05"), "0512");
    EXPECT_EQ(NormalizeDate("5"), "05");
    EXPECT_EQ(NormalizeDate("   "), "");
    EXPECT_THROW(NormalizeDate("12-05-2001"), std::runtime_error);
    EXPECT_THROW(NormalizeDate("12/05-2001"), std::runtime_error);
    try {
        NormalizeDate("12.05");
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "/ manquant dans la date");
    }
    EXPECT_EQ(DigitsToDate("20010512"), "12/05/2001");
    EXPECT_EQ(DigitsToDate(" 20010512 "), "12/05/2001");
    EXPECT_EQ(DigitsToDate("0512"), "12/05");
    EXPECT_EQ(DigitsToDate("12"), "12");
    EXPECT_EQ(DigitsToDate(NormalizeDate("07/11/1999")), "07/11/1999");
}

TEST_F(DiversDates, TodayAndTimeTexts)
{
    EXPECT_EQ(TodayText(), "09/03/2026");
    EXPECT_EQ(TimeText(), "14h05");
}

TEST(DiversAngles, FormatsInEachDisplay)
{
    ScopedDecimalSeparator comma(',');
    EXPECT_EQ(FormatAngle(45.5, "Degré"), "45,5°");
    EXPECT_EQ(FormatAngle(45.5, "Minute"), "45° 30,000'");
    EXPECT_EQ(FormatAngle(45.5125, "Seconde"), "45° 30' 45,000\"");
    // A minute that rounds up to 60 carries into the degrees.
    EXPECT_EQ(FormatAngle(1.99999999, "Minute"), "2° 0,000'");
    EXPECT_EQ(FormatAngle(1.99999999, "Seconde"), "2° 0' 0,000\"");
    ScopedDecimalSeparator dot('.');
    EXPECT_EQ(FormatAngle(45.5, "Minute"), "45° 30.000'");
    // Negative angles carry one sign in front.
    EXPECT_EQ(FormatAngle(-0.5, "Minute"), "-0° 30.000'");
    EXPECT_EQ(FormatAngle(-1.5, "Minute"), "-1° 30.000'");
    EXPECT_EQ(FormatAngle(-45.5125, "Seconde"), "-45° 30' 45.000\"");
    EXPECT_EQ(FormatAngle(-0.0000001, "Minute"), "0° 0.000'");
    EXPECT_EQ(FormatAngle(-0.0000001, "Seconde"), "0° 0' 0.000\"");
    EXPECT_EQ(FormatAngle(-2.5, "Degré"), "-2.5°");
}

TEST(DiversAngles, ParsingAngleTexts)
{
    ScopedDecimalSeparator comma(',');
    EXPECT_EQ(ParseAngleText("45°30'"), "45,5");
    EXPECT_EQ(ParseAngleText(" 45 "), "45");
    EXPECT_EQ(ParseAngleText("45°30"), "45,5");
    EXPECT_EQ(ParseAngleText("45°"), "45");
    EXPECT_EQ(ParseAngleText("45° 30' 45\""), "45,5125");
    EXPECT_EQ(ParseAngleText("45° 30,000'"), "45,5");
    EXPECT_EQ(ParseAngleText("30'45°"), "30'45°");
    EXPECT_EQ(ParseAngleText("45\"30'"), "45\"30'");
    EXPECT_THROW(ParseAngleText("4x°30'"), EConvertError);
}

TEST(DiversAngles, ALeadingSignAppliesToTheWholeAngle)
{
    ScopedDecimalSeparator comma(',');
    EXPECT_EQ(ParseAngleText("-0°30'"), "-0,5");
    EXPECT_EQ(ParseAngleText("-1°30'"), "-1,5");
    EXPECT_EQ(ParseAngleText("-1° -30'"), "-1,5");
    EXPECT_EQ(ParseAngleText("-1° 30' 36\""), "-1,51");
    for (const double v : {-0.5, -12.25, -0.0125, 3.75}) {
        EXPECT_EQ(ParseAngleText(FormatAngle(v, "Minute")), FloatToStr(v)) << v;
        EXPECT_EQ(ParseAngleText(FormatAngle(v, "Seconde")), FloatToStr(v)) << v;
    }
}

TEST(DiversTubes, MultiTubeNamesAndNormalisation)
{
    EXPECT_TRUE(IsMultiTubeName("PMT2", "PMT"));
    EXPECT_TRUE(IsMultiTubeName("pmt2", "PMT"));
    EXPECT_FALSE(IsMultiTubeName("PM", "PMT"));
    EXPECT_FALSE(IsMultiTubeName("PMT2", ""));
    EXPECT_EQ(NormalizeTubeName("PMT2", "CUVELAGE", "PMT"), "PMT2");
    EXPECT_EQ(NormalizeTubeName("PRINCIPAL", "CUVELAGE", "PMT"), "CUVELAGE");
    EXPECT_EQ(NormalizeTubeName("", "CUVELAGE", "PMT"), "");
    EXPECT_EQ(NormalizeTubeName("CUVELAGE", "CUVELAGE", "PMT"), "CUVELAGE");
    EXPECT_EQ(NormalizeTubeName("X", "CUVELAGE", ""), "CUVELAGE");
    // The settings are used by default.
    const std::string single = OptNomTubeSimple;
    const std::string prefix = OptEnteteMultitube;
    OptNomTubeSimple = "CUVELAGE";
    OptEnteteMultitube = "PMT";
    EXPECT_TRUE(IsMultiTubeName("Pmt3"));
    EXPECT_EQ(NormalizeTubeName("AUTRE"), "CUVELAGE");
    OptEnteteMultitube = "";
    EXPECT_FALSE(IsMultiTubeName("PMT3"));
    OptNomTubeSimple = single;
    OptEnteteMultitube = prefix;
}

TEST(DiversFields, SemicolonFieldsAreTrimmedAndUnquoted)
{
    TextFieldReader file("  a ;\"b\"; ;\r\nsecond;\"\"\"x\"\"\"\n");
    EXPECT_EQ(ReadFieldSemicolon(file), "a");
    EXPECT_EQ(ReadFieldSemicolon(file), "b");
    EXPECT_EQ(ReadFieldSemicolon(file), "");
    EXPECT_TRUE(file.Eoln());
    EXPECT_EQ(ReadFieldSemicolon(file), "");
    file.ReadLn();
    EXPECT_EQ(ReadFieldSemicolon(file), "second");
    EXPECT_EQ(ReadFieldSemicolon(file), "\"x\"");
    file.ReadLn();
    EXPECT_TRUE(file.Eof());
}

TEST(DiversFields, AnUnclosedQuoteIsAnOrdinaryCharacter)
{
    // Neither joins the fields after it: a quote that does not close on its
    // line, nor one inside a field (inches, as drillers write them).
    TextFieldReader file("\"abc;def\nTube 8\" PVC;TV\nnext");
    EXPECT_EQ(ReadFieldSemicolon(file), "\"abc");
    EXPECT_EQ(ReadFieldSemicolon(file), "def");
    file.ReadLn();
    EXPECT_EQ(ReadFieldSemicolon(file), "Tube 8\" PVC");
    EXPECT_EQ(ReadFieldSemicolon(file), "TV");
    file.ReadLn();
    EXPECT_EQ(ReadFieldSemicolon(file), "next");
}

TEST(DiversFields, CommaFieldsDropNulAndReadOem)
{
    TextFieldReader file(std::string("a\0b,\x82t\x82,x", 9), TextEncoding::Cp1252);
    EXPECT_EQ(ReadFieldComma(file, false), "ab");
    EXPECT_EQ(ReadFieldComma(file, true), "été");
    EXPECT_EQ(ReadFieldComma(file, false), "x");
    TextFieldReader ansi("caf\xE9;x");
    EXPECT_EQ(ansi.Encoding(), TextEncoding::Cp1252);
    EXPECT_EQ(ReadFieldSemicolon(ansi), "café");
    TextFieldReader bom("\xEF\xBB\xBF" "caf\xC3\xA9;x");
    EXPECT_EQ(ReadFieldSemicolon(bom), "café");
}

TEST(DiversFields, AFileWrittenWithQuotesReadsBack)
{
    TempDir dir;
    const std::vector<std::string> fields = {"P1", "sable; graviers", "l'eau", "", "dit \"X\""};
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? ";" : "") + QuoteIfNeeded(fields[i]);
    WriteFileBytes(dir / "niveaux.csv", Utf8ToCp1252(line + "\r\n" + line + "\r\n"));
    TextFieldReader file = TextFieldReader::LoadFromFile((dir / "niveaux.csv").string());
    for (int l = 0; l < 2; ++l) {
        std::vector<std::string> read;
        while (!file.Eoln()) read.push_back(ReadFieldSemicolon(file));
        file.ReadLn();
        EXPECT_EQ(read, fields) << l;
    }
    EXPECT_TRUE(file.Eof());
    EXPECT_THROW(TextFieldReader::LoadFromFile((dir / "absent.csv").string()), std::runtime_error);
}

TEST(DiversFolders, EnsureDirectoryAsksOnlyForAMissingFolder)
{
    const std::string existing = std::filesystem::temp_directory_path().string();
    int asked = 0;
    FolderChooser chooser = [&](const std::string& caption) -> std::optional<std::string> {
        ++asked;
        EXPECT_EQ(caption, "Dossier d'export");
        return std::string("/choisi");
    };
    EXPECT_EQ(EnsureDirectory(existing, "Dossier d'export", chooser), existing);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(EnsureDirectory("/nonexistent/carotix", "Dossier d'export", chooser), "/choisi");
    EXPECT_EQ(asked, 1);
    FolderChooser cancel = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
    try {
        EnsureDirectory("/nonexistent/carotix", "x", cancel);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Opération annulée");
    }
}

TEST(DiversBlocks, RescalingLeavesMissingValuesMissing)
{
    TDirBlock root("Carotix");
    root.SetPathFloat("P1\\Ouvrage\\X", 0, btFloat, 10.0);
    root.SetPathFloat("P1\\Ouvrage\\X", 2, btFloat, 30.0);       // element 1 missing
    root.SetPathFloat("P2\\Ouvrage\\X", 0, btFloat, MissingFloat);
    root.SetPathString("P3\\Ouvrage\\X", 0, btString, "5");     // a text column is left alone
    RescaleFloatBlocks(root, "Ouvrage\\X", 1000.0, 2.0, 10.0);
    EXPECT_EQ(root.GetPathFloat("P1\\Ouvrage\\X", 0), 1000.0);
    EXPECT_TRUE(IsMissingFloat(root.GetPathFloat("P1\\Ouvrage\\X", 1)));
    EXPECT_EQ(root.GetPathFloat("P1\\Ouvrage\\X", 2), 1040.0);
    EXPECT_TRUE(IsMissingFloat(root.GetPathFloat("P2\\Ouvrage\\X", 0)));
    EXPECT_EQ(root.GetPathString("P3\\Ouvrage\\X", 0), "5");

    // A negative factor would turn the missing value into +inf, a zero factor
    // into a NaN: both must leave it missing and scale the others exactly.
    for (double factor : {-2.0, 0.0}) {
        TDirBlock tree("Carotix");
        tree.SetPathFloat("P1\\Ouvrage\\X", 0, btFloat, 10.0);
        tree.SetPathFloat("P1\\Ouvrage\\X", 1, btFloat, MissingFloat);
        RescaleFloatBlocks(tree, "Ouvrage\\X", 1000.0, factor, 4.0);
        EXPECT_EQ(tree.GetPathFloat("P1\\Ouvrage\\X", 0), 1000.0 + 6.0 * factor) << factor;
        EXPECT_TRUE(IsMissingFloat(tree.GetPathFloat("P1\\Ouvrage\\X", 1))) << factor;
    }
}

TEST(DiversBlocks, CollectingPathsOnceEach)
{
    TDirBlock root("Carotix");
    root.SetPathString("P1\\Niveau\\Litho", 0, btString, "argile");
    root.SetPathFloat("P1\\Niveau\\Deb", 0, btFloat, 0.0);
    root.SetPathString("P2\\Niveau\\Litho", 0, btString, "sable");
    root.SetPathInt("P2\\Ouvrage\\Zone", 0, btInt, 2);
    root.SetPathString("UnitéXY", 0, btString, "km");  // a value at the root is no borehole
    std::vector<std::string> paths{"stale"};
    CollectBlockPaths(root, paths, {btString, btStringArray, btInt});
    EXPECT_EQ(paths, (std::vector<std::string>{"Niveau\\Litho", "Ouvrage\\Zone"}));
    CollectBlockPaths(root, paths, {btFloat, btFloatArray});
    EXPECT_EQ(paths, (std::vector<std::string>{"Niveau\\Deb"}));
}

}  // namespace
