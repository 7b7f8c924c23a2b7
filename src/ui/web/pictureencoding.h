#pragma once
// The pictures as the pages get them: PNG, whole or as a patch of the parts that changed since
// the picture before. Runs on the thread pool, on copies, so the windows never wait for it.

#include "core/web/changedboxes.h"

#include <QByteArray>
#include <QImage>

#include <vector>

struct TEncodedPicture {
    QByteArray Png;
    /// A patch: where the stacked boxes of Png go. Empty for a whole picture.
    std::vector<TPixelBox> Boxes;
    bool Whole = true;
};

/// `image` whole, with its alpha when it has one.
TEncodedPicture EncodeWhole(const QImage& image);

/// The parts of `image` that differ from `base`, stacked top to bottom in one PNG; the whole
/// picture when the two cannot be compared or do not differ.
TEncodedPicture EncodePatch(const QImage& base, const QImage& image);
