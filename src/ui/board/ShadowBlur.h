// SPDX-License-Identifier: GPL-3.0-or-later
// The one blur behind every drop shadow: three box blurs in a row, which together come close to
// a Gaussian and cost the same whatever the radius.
#pragma once

#include <QImage>

/// Blurs an alpha mask (QImage::Format_Alpha8) in place by a Gaussian of about deviation pixels.
/// Outside the image counts as transparent.
void blurAlpha(QImage& mask, double deviation);
