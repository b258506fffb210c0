// The RTF reader on small texts of the kind help topics and the change
// history hold, and on broken ones.
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "platform/rtf_reader.h"

namespace {

RtfDocument Parse(std::string_view text, RtfReadResult* result = nullptr)
{
    RtfDocument doc;
    RtfReadResult r = ParseRtf(text, doc);
    if (result) *result = r;
    return doc;
}

// The runs of a paragraph, each as "text/" and its format: b, i, u, the size in
// half points, "f" and the font, "c" and the colour when set.
std::string Runs(const RtfParagraph& p)
{
    std::string out;
    for (const RtfRun& r : p.runs) {
        const RtfCharFormat& f = r.format;
        out += (out.empty() ? "" : "|") + r.text + "/" + (f.bold ? "b" : "") + (f.italic ? "i" : "") +
               (f.underline ? "u" : "") + std::to_string(f.halfPoints) + "f" + std::to_string(f.font) +
               (f.colour ? "c" + std::to_string(*f.colour) : "");
    }
    return out;
}

TEST(RtfReader, ParagraphsAndCharacterFormats)
{
    RtfReadResult r;
    RtfDocument doc = Parse(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}}\n"
        "\\pard\\plain\\fs20 Normal {\\b gras} \\i italique\\i0  et \\ul soulign\\'e9\\ulnone .\\par\n"
        "\\pard\\qc\\f1\\fs32 Titre\\par\n"
        "\\plain Fin\\b0\\par}",
        &r);
    EXPECT_TRUE(r.ok) << r.error;
    ASSERT_EQ(doc.paragraphs.size(), 3u);
    EXPECT_EQ(doc.PlainText(), "Normal gras italique et souligné.\nTitre\nFin");
    EXPECT_EQ(doc.fonts.at(0), "Arial");
    EXPECT_EQ(doc.fonts.at(1), "Times New Roman");

    // \deff0 after \plain; a group restores the format.
    EXPECT_EQ(Runs(doc.paragraphs[0]), "Normal /20f0|gras/b20f0| /20f0|italique/i20f0| et /20f0|souligné/u20f0|./20f0");
    EXPECT_EQ(doc.paragraphs[0].format.alignment, RtfAlignment::Left);

    EXPECT_EQ(doc.paragraphs[1].format.alignment, RtfAlignment::Center);
    EXPECT_EQ(Runs(doc.paragraphs[1]), "Titre/32f1");
    // \plain resets the characters (size back to 12 pt), not the paragraph.
    EXPECT_EQ(Runs(doc.paragraphs[2]), "Fin/24f0");
    EXPECT_EQ(doc.paragraphs[2].format.alignment, RtfAlignment::Center);
}

TEST(RtfReader, ColourTableAndColours)
{
    RtfDocument doc = Parse("{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
                            "a\\cf1 b\\cf2 c\\cf0 d\\cf9 e\\highlight1 f}");
    ASSERT_EQ(doc.colours.size(), 3u);
    EXPECT_FALSE(doc.colours[0].has_value());
    EXPECT_EQ(*doc.colours[1], 255u);
    EXPECT_EQ(*doc.colours[2], 0u + 128u * 256u + 255u * 65536u);
    // Automatic and unknown colours give none.
    EXPECT_EQ(Runs(doc.paragraphs.at(0)), "a/24f-1|b/24f-1c255|c/24f-1c16744448|de/24f-1|f/24f-1");
}

TEST(RtfReader, EscapesAndSymbols)
{
    RtfDocument doc = Parse("{\\rtf1 \\'e9t\\'e9 \\'80 \\'9c\\{x\\}\\\\ a\\tab b\\line c\\~d\\emdash "
                            "\\ldblquote q\\rdblquote\\-\\_}");
    EXPECT_EQ(doc.PlainText(), "été € œ{x}\\ a\tb\u2028c\u00A0d—“q”‑");
}

TEST(RtfReader, UnicodeEscapesSkipTheirReplacements)
{
    // \uc1 by default: one replacement character follows each \u.
    EXPECT_EQ(Parse("{\\rtf1 caf\\u233?s}").PlainText(), "cafés");
    // Negative numbers are 16-bit code units written signed.
    EXPECT_EQ(Parse("{\\rtf1 \\u-3971?x}").PlainText(), "\uF07Dx");
    // \uc2: two replacements, an escape counting as one.
    EXPECT_EQ(Parse("{\\rtf1\\uc2 \\u8364\\'80\\'80 euro}").PlainText(), "€ euro");
    // \uc0: nothing to skip.
    EXPECT_EQ(Parse("{\\rtf1\\uc0 \\u8364 x}").PlainText(), "€x");
    // A group end stops the skipping; \uc is local to its group.
    EXPECT_EQ(Parse("{\\rtf1 {\\uc3 \\u233 a}bc{\\u233 de}}").PlainText(), "ébcée");
    // A surrogate pair, and lone surrogates.
    EXPECT_EQ(Parse("{\\rtf1 \\u-10179?\\u-8704?!}").PlainText(), "\U0001F600!");
    EXPECT_EQ(Parse("{\\rtf1 \\u-10179?x}").PlainText(), "\uFFFDx");
    EXPECT_EQ(Parse("{\\rtf1 \\u-8704?x}").PlainText(), "\uFFFDx");
}

TEST(RtfReader, SkippedDestinations)
{
    RtfDocument doc = Parse(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}"
        "{\\*\\generator Riched20 10.0;}{\\*\\unknown {nested} text}"
        "Avant{\\pict\\wmetafile8 0102ab\\bin4 {}}}}Apr\\'e8s"
        "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt lien}}\\par}");
    EXPECT_EQ(doc.PlainText(), "AvantAprèslien");
}

TEST(RtfReader, BoundedAndToleratesBrokenInput)
{
    RtfReadResult r;
    // Deep nesting stops with a message and keeps what came before.
    std::string deep = "{\\rtf1 debut";
    for (int i = 0; i < 100000; ++i) deep += "{\\b ";
    deep += "x";
    RtfDocument doc = Parse(deep, &r);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Le texte RTF est trop imbriqué.");
    EXPECT_EQ(doc.PlainText().substr(0, 6), "debut");

    // Truncated text: read, reported.
    doc = Parse("{\\rtf1 abc\\par de", &r);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(doc.PlainText(), "abc\nde");

    // Extra braces, text after the document, broken escapes, huge numbers,
    // binary runs beyond the end.
    EXPECT_EQ(Parse("{\\rtf1 a}}b{c}").PlainText(), "a");
    EXPECT_EQ(Parse("{\\rtf1 a\\'zz\\'e}").PlainText(), "azz");
    EXPECT_EQ(Parse("{\\rtf1\\fs99999999999999999999 a\\u99999999999999 b\\uc-5 c}").PlainText(),
              "a\uFFFDc");
    EXPECT_EQ(Parse("{\\rtf1 a\\bin999999").PlainText(), "a");
    EXPECT_EQ(Parse("{\\rtf1 \\").PlainText(), "");
    EXPECT_EQ(Parse(std::string_view("{\\rtf1 a\0b}", 11)).PlainText(), "ab");
}

TEST(RtfReader, PlainTextIsShownAsIs)
{
    RtfReadResult r;
    RtfDocument doc = Parse("Ligne 1\r\nLigne \xe9t\xe9\r\n\r\nfin", &r);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(doc.PlainText(), "Ligne 1\nLigne été\n\nfin");
}

TEST(RtfReader, FillsATextDocument)
{
    QTextDocument doc;
    RtfReadResult r = ReadRtf("{\\rtf1\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue255;}"
                              "\\qc\\b\\fs28 Aide\\b0\\par\\pard\\li300\\cf1\\i bleu\\par}",
                              doc);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(doc.blockCount(), 2);
    QTextBlock first = doc.firstBlock();
    EXPECT_EQ(first.text(), QStringLiteral("Aide"));
    EXPECT_EQ(first.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QTextFragment f = first.begin().fragment();
    EXPECT_EQ(f.charFormat().fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(f.charFormat().fontPointSize(), 14.0);
    QTextBlock second = first.next();
    EXPECT_EQ(second.text(), QStringLiteral("bleu"));
    EXPECT_DOUBLE_EQ(second.blockFormat().leftMargin(), 20.0);
    QTextCharFormat cf = second.begin().fragment().charFormat();
    EXPECT_TRUE(cf.fontItalic());
    EXPECT_EQ(cf.foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(cf.fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
}

TEST(RtfReader, LoadsFilesAndReportsMissingOnes)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("inchangé"));
    RtfReadResult r = LoadRtfFile("/nonexistent/folder/x.rtf", doc);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.filled);
    EXPECT_NE(r.error.find("x.rtf"), std::string::npos);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("inchangé"));
    // A folder (or a device) is not read at all.
    r = LoadRtfFile(std::filesystem::temp_directory_path().string(), doc);
    EXPECT_FALSE(r.filled);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("inchangé"));

    auto path = std::filesystem::temp_directory_path() / "carotix_rtf_reader_test.rtf";
    {
        std::ofstream out(path, std::ios::binary);
        out << "{\\rtf1 Carotix\\par}";
    }
    r = LoadRtfFile(path.string(), doc);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.filled);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Carotix"));
    std::filesystem::remove(path);
}

}  // namespace
