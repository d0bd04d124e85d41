#pragma once

#include <QRect>
#include <QSize>
#include <QTextDocument>

namespace snipstack {

// Shows every image wider than `width` scaled down to it, keeping its proportions; only the size
// the document lays it out at changes, the image's bytes stay as they were.
void fitImagesToWidth(QTextDocument& document, qreal width);

// Where the image editor shows an image in `available` points: scaled up or down by the smaller of
// the two ratios, centred, size and offset rounded to whole points so that its edges stay sharp.
QRect fittedImageFrame(QSize image, QSize available);

} // namespace snipstack
