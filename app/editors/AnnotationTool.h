#pragma once

namespace snipstack {

// What a drag over the image does. Selecting text leaves the drag to the recognised-text overlay.
enum class AnnotationTool { selectText, pen, highlight, crop };

} // namespace snipstack
