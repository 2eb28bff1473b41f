// Resampling of any picture into another with a choice of filter kernels, and the stretch of a
// picture to fit a box that the picture lists and previews use.
#pragma once

#include <cstdint>

#include "platform/Graphics.h"

// Filter kernels: 32-bit float in and out, 0 beyond their reach.
using TQzResampleFilter = float (*)(float X);
float Sinc(float X);
float ResampleFilterLanczos3(float X);
float ResampleFilterMitchell(float X);
float ResampleFilterHermite(float X);
float ResampleFilterBell(float X);
float ResampleFilterBSpline(float X);
float ResampleFilterTriangle(float X);
float ResampleFilterBox(float X);
// Filter numbers 1 .. 7 of StretchGraphicEx; null for others.
TQzResampleFilter QzResampleFilter(uint8_t Filter);

// Fills Dst (already sized; it takes Src's pixel format) from Src with a separable two-pass
// filter. Raises Exception "Source bitmap too small" for a source side below 1.
void Resample(TRasterImage* Src, TRasterImage* Dst, TQzResampleFilter Filter, float Support);

// Renders Src at a size fitting MaxW x MaxH (its aspect kept when asked; no side below 1) into
// a 32-bit bitmap, with the toolkit's stretch (filter 0) or a filter kernel (1 Lanczos3,
// 2 Mitchell, 3 Hermite, 4 Bell, 5 B-spline, 6 triangle, 7 box), and assigns it to Dst.
// 0 or an error code; Dst is untouched on error, and no exception leaves.
uint32_t StretchGraphicEx(TGraphic* Src, TGraphic* Dst, int32_t MaxW, int32_t MaxH, uint8_t Filter,
                          bool KeepAspect);
void StretchGraphic(TGraphic* Src, TGraphic* Dst, int32_t MaxW, int32_t MaxH, uint8_t Filter,
                    bool KeepAspect);
