#pragma once
// The pictures as the pages get them: PNG, whole or as a patch of the parts that changed since
// the picture before, opaque or with the design's black background made transparent. Runs on
// the thread pool, on copies, so the windows never wait for it.

#include "core/web/changedboxes.h"

#include <QByteArray>
#include <QImage>
#include <QRect>

#include <vector>

struct TEncodedPicture {
    QByteArray Png;
    /// A patch: where the stacked boxes of Png go. Empty for a whole picture.
    std::vector<TPixelBox> Boxes;
    bool Whole = true;
};

/// `image` whole; `ink` are the boxes whose black is ink (text on a white box, a black number
/// box, a logo): they stay opaque in the transparent form.
TEncodedPicture EncodeWhole(const QImage& image, const std::vector<QRect>& ink, bool transparent);

/// The parts of `image` that differ from `base`, stacked top to bottom in one PNG; the whole
/// picture when the two cannot be compared or do not differ.
TEncodedPicture EncodePatch(const QImage& base, const QImage& image, const std::vector<QRect>& ink,
                            bool transparent);
