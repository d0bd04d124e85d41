#pragma once

#include <string_view>

namespace snipstack::richtext {

// The RTF control words the reader acts on; everything else is ignored (or, after \*, skipped
// with its group).
enum class RtfWord {
    unknown,
    // Destinations.
    skipDestination,
    fontTable,
    colorTable,
    picture,
    field,
    fieldInstruction,
    fieldResult,
    nextGraphic,
    unicodeAlternative,
    transparentDestination,
    // Document.
    ansi,
    mac,
    pc,
    pca,
    ansiCodePage,
    defaultFont,
    unicodeSkipCount,
    unicode,
    // Fonts and colours.
    fontNumber,
    fontCharset,
    red,
    green,
    blue,
    // Characters.
    plain,
    bold,
    italic,
    underline,
    underlineNone,
    strike,
    fontSize,
    foreground,
    highlight,
    superscript,
    subscript,
    noSuperSub,
    hidden,
    // Paragraphs and tables.
    paragraphDefault,
    paragraph,
    line,
    tab,
    alignLeft,
    alignCenter,
    alignRight,
    alignJustify,
    leftIndent,
    rightIndent,
    firstLineIndent,
    spaceBefore,
    spaceAfter,
    inTable,
    cell,
    row,
    // Pictures.
    png,
    jpeg,
    otherPicture,
    pictureWidth,
    pictureHeight,
    pictureGoalWidth,
    pictureGoalHeight,
    pictureScaleX,
    pictureScaleY,
    binary,
    attachmentWidth,
    attachmentHeight,
    // Characters by name.
    leftSingleQuote,
    rightSingleQuote,
    leftDoubleQuote,
    rightDoubleQuote,
    bullet,
    emDash,
    enDash,
    emSpace,
    enSpace,
    quarterEmSpace,
    zeroWidthJoiner,
    zeroWidthNonJoiner,
    leftToRightMark,
    rightToLeftMark,
};

RtfWord rtfWord(std::string_view name);

} // namespace snipstack::richtext
