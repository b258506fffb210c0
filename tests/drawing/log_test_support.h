// Shared fixture of the log drawing tests: fixed text metrics (8 pixels per
// character, 16 pixels per line) so that the layout does not depend on the
// installed fonts, "," as decimal separator, and the drawing settings put back
// as they were after each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "coding/codage_binding.h"
#include "fake_coder.h"
#include "drawing/code_models.h"
#include "drawing/hit_maps.h"
#include "drawing/log_drawing.h"
#include "drawing/log_layout.h"
#include "drawing/primitives.h"
#include "platform/base/rtl_numbers.h"
#include "platform/recording_canvas.h"
#include "sample_boreholes.h"
#include "store/options.h"

class LogTest : public ::testing::Test {
protected:
    static constexpr int kCharWidth = 8;
    static constexpr int kLineHeight = 16;

    LogTest()
    {
        canvas.SetTextMeasurer(std::make_shared<FixedTextMetrics>(kCharWidth, kLineHeight));
        for (std::size_t i = 0; i < ColourTable.size(); ++i)
            ColourTable[i] = ColourFromText(kDefaultColourTexts[i]);
    }
    ~LogTest() override
    {
        OptTailleBandeau = savedBandeau_;
        OptTailleImageBas = savedImageBas_;
        ColourTable = savedColours_;
        OptNiveauDeb = "Deb";
        OptNiveauFin = "Fin";
        CodageDLL().Replace(UnboundCodingLibrary());
        CodageDLL().ClearCache();
        ResetZonesCoupe();
        SetDrawCanvas(nullptr);
    }

    // DessinerCoupe of ouvrage `indice` into (0, 0)-(w-1, h-1) of the recorder.
    bool Draw(const std::string& indice, int w = 1000, int h = 1414, double from = MissingFloat,
              double to = MissingFloat, bool resetMaps = true)
    {
        canvas.ClearRecords();
        return DessinerCoupe(root, indice, indice, "", canvas, 0, 0, w - 1, h - 1, from, to, resetMaps);
    }

    // Texts written, in order.
    std::vector<CanvasRecord> Texts() const { return canvas.RecordsOf(CanvasOp::TextOut); }
    const CanvasRecord* FindText(const std::string& text) const
    {
        for (const CanvasRecord& r : canvas.Records)
            if ((r.Op == CanvasOp::TextOut || r.Op == CanvasOp::TextRect) && r.Text == text)
                return &r;
        return nullptr;
    }
    // Whether a poly-polyline holds the segment (a, b) as two consecutive points.
    bool HasSegment(TPoint a, TPoint b) const
    {
        for (const CanvasRecord& r : canvas.Records)
            if (r.Op == CanvasOp::PolyPolyline || r.Op == CanvasOp::Polyline) {
                std::size_t start = 0;
                std::vector<std::int32_t> counts = r.Counts;
                if (counts.empty())
                    counts.push_back(static_cast<std::int32_t>(r.Points.size()));
                for (std::int32_t n : counts) {
                    for (std::size_t k = start; k + 1 < start + std::size_t(n); ++k)
                        if ((r.Points[k] == a && r.Points[k + 1] == b) || (r.Points[k] == b && r.Points[k + 1] == a))
                            return true;
                    start += std::size_t(n);
                }
            }
        return false;
    }

    ScopedDecimalSeparator separator_{','};
    RecordingCanvas canvas;
    TDirBlock root{"Carotix"};

private:
    std::int32_t savedBandeau_ = OptTailleBandeau;
    std::int32_t savedImageBas_ = OptTailleImageBas;
    std::array<std::uint32_t, 10> savedColours_ = ColourTable;
};
