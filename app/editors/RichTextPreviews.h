#pragma once

#include "app/model/RichPreviewRenderer.h"

#include <QImage>
#include <QTextDocument>

namespace snipstack {

// Draws an entry's formatted text as the panel shows it in the entry's row: at the row's width,
// cut at a few lines, text in the document's own colours. The background follows the text as the
// editor's does: light text gets a dark background, other text a white one, so either reads on a
// light or a dark panel.
class RichTextPreviews final : public RichPreviewRenderer {
public:
    // A 420-pixel panel's row less its margins; the picture is drawn at one pixel per point.
    static constexpr int width = 380;
    static constexpr int maxHeight = 140;
    // Far more than `maxHeight` shows, and little enough to lay out in a few milliseconds.
    static constexpr int maxCharacters = 3000;
    // Above this average relative luminance, text counts as light.
    static constexpr double lightTextThreshold = 0.6;

    std::optional<Bytes> render(const ClipPayload& payload) override;

    // The picture before PNG encoding; `document` is shortened and its images fitted to the width.
    static QImage draw(QTextDocument& document);
    // The average relative luminance of the text's foreground colours, uncoloured text counting as 0.
    static double textLuminance(const QTextDocument& document);
};

} // namespace snipstack
