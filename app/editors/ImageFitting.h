#pragma once

#include <QTextDocument>

namespace snipstack {

// Shows every image wider than `width` scaled down to it, keeping its proportions; only the size
// the document lays it out at changes, the image's bytes stay as they were.
void fitImagesToWidth(QTextDocument& document, qreal width);

} // namespace snipstack
