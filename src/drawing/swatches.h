// Code and pattern swatches: a rectangle filled with a code's (or an explicit)
// colour and pattern, as the grids of the editors show them. On screen they are
// drawn five times larger into the swatch bitmap and box-averaged down, which
// smooths the strokes, unless smoothing is switched off.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>

#include "platform/canvas.h"

// The swatch bitmap (24 bits per pixel), created at start-up and freed at exit.
void CreateSwatchBitmap();
void FreeSwatchBitmap();
QImage* SwatchBitmap();

// Drawing scale := Scale; the code's pattern and colour from the current code
// model (pattern 0 and white when the code is unknown); the rectangle filled
// with the colour; the pattern over it at 100 % both ways; scale back to 1.
void DrawCodePattern(Canvas& canvas, const std::string& Code, const TRect& Rect, std::int32_t Scale);
// The same with an explicit colour and pattern number.
void DrawMotifPattern(Canvas& canvas, TColor Colour, std::int32_t Motif, std::int32_t Scale, const TRect& Rect);
// Smoothed swatch (five-fold drawing, DownsampleBitmap by 5, drawn at the
// rectangle's top-left) unless OptDesactiverLissage, then DrawCodePattern at 1.
void DrawCodeSwatch(Canvas& canvas, const std::string& Code, const TRect& Rect);
void DrawMotifSwatch(Canvas& canvas, TColor Colour, std::int32_t Motif, const TRect& Rect);

// Each F x F block of pixels becomes one pixel whose blue, green and red are
// the integer averages of the block's, written in place from the top-left
// corner; the image keeps its size (callers resize it to width div F, height
// div F). Only for 24-bit images (Format_RGB888) and 32-bit opaque images
// (Format_RGB32); anything else, or F < 2, is left alone. Returns whether it
// reduced the image.
bool DownsampleBitmap(QImage& bitmap, std::int32_t F);
