#include "core/richtext/RtfReader.h"

#include "core/richtext/CodePages.h"
#include "core/richtext/DocumentBuilder.h"
#include "core/richtext/RtfControlWords.h"
#include "core/values/HexDigit.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <unicode/ustring.h>
#include <vector>

namespace snipstack::richtext {

namespace {

enum class Destination { text, skip, fontTable, colorTable, picture, fieldInstruction, nextGraphic };

struct GroupState {
    Destination destination = Destination::text;
    CharFormat format;
    // Code page of the current font's charset; 0 for the document's.
    int codePage = 0;
    bool hidden = false;
    ParagraphFormat paragraph;
    bool inTable = false;
    int unicodeSkip = 1;
    // Indices into the parser's fields and pictures, -1 outside one.
    int field = -1;
    int picture = -1;
};

struct Font {
    std::string name;
    int codePage = 0;
};

struct Picture {
    std::string mediaType;
    Bytes data;
    // A hex digit waiting for its pair, or -1.
    int highNibble = -1;
    int pixelWidth = 0;
    int pixelHeight = 0;
    int goalWidth = 0;
    int goalHeight = 0;
    int scaleX = 100;
    int scaleY = 100;
};

struct NextGraphic {
    std::string name;
    bool nameDone = false;
    int width = 0;
    int height = 0;
};

constexpr std::size_t maxFieldInstruction = 4096;
constexpr std::string_view objectReplacement = "\xEF\xBF\xBC";
constexpr std::string_view notSign = "\xC2\xAC";

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

double twipsToPoints(int twips) {
    return twips / 20.0;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// The next word of a field instruction: a quoted string or a run up to white space.
std::string_view nextArgument(std::string_view& rest) {
    rest = trim(rest);
    if (rest.empty()) {
        return {};
    }
    std::size_t end = 0;
    std::string_view word;
    if (rest.front() == '"') {
        end = rest.find('"', 1);
        end = end == std::string_view::npos ? rest.size() : end + 1;
        word = rest.substr(1, end - (end > 1 && rest[end - 1] == '"' ? 2 : 1));
    } else {
        while (end < rest.size() && !std::isspace(static_cast<unsigned char>(rest[end]))) {
            ++end;
        }
        word = rest.substr(0, end);
    }
    rest.remove_prefix(end);
    return word;
}

// The target of a HYPERLINK field ("url", or "#name" for \l "name"); empty for other fields.
std::string hyperlinkTarget(std::string_view instruction) {
    std::string_view rest = instruction;
    std::string keyword(nextArgument(rest));
    std::transform(keyword.begin(), keyword.end(), keyword.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (keyword != "HYPERLINK") {
        return {};
    }
    std::string url;
    while (!trim(rest).empty()) {
        const auto word = nextArgument(rest);
        if (word == "\\l") {
            return url + "#" + std::string(nextArgument(rest));
        }
        if (word.size() == 2 && word.front() == '\\') {
            // \o, \t and \m take an argument; the others are flags.
            if (word[1] == 'o' || word[1] == 't' || word[1] == 'm') {
                nextArgument(rest);
            }
            continue;
        }
        if (url.empty()) {
            url = word;
        }
    }
    return url;
}

class RtfParser {
public:
    RtfParser(std::string_view input, const Attachments& attachments, const RtfLimits& limits)
        : in_(input), attachments_(attachments), limits_(limits) {
        states_.emplace_back();
    }

    Document parse() {
        while (pos_ < in_.size() && !stopped_) {
            const char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                openGroup();
            } else if (c == '}') {
                ++pos_;
                closeGroup();
            } else if (c == '\\') {
                ++pos_;
                controlSequence();
            } else if (c == '\r' || c == '\n') {
                ++pos_;
            } else {
                textBytes();
            }
            if (builder_.cost() > limits_.maxDocumentBytes) {
                stopped_ = true;
            }
        }
        flushText();
        return builder_.finish(state().paragraph, state().inTable);
    }

private:
    GroupState& state() { return states_.back(); }

    void openGroup() {
        flushText();
        skipCount_ = 0;
        if (states_.size() >= limits_.maxDepth) {
            ++excessDepth_;
            return;
        }
        states_.push_back(states_.back());
    }

    void closeGroup() {
        flushText();
        skipCount_ = 0;
        if (excessDepth_ > 0) {
            --excessDepth_;
            return;
        }
        if (states_.size() <= 2) {
            // The document's own group has ended; what follows is not RTF.
            stopped_ = true;
            return;
        }
        const GroupState closed = std::move(states_.back());
        states_.pop_back();
        if (closed.destination == Destination::fontTable && state().destination != Destination::fontTable) {
            commitFont();
        }
        if (closed.picture >= 0 && closed.picture != state().picture) {
            finishPicture(closed.picture);
        }
        if (closed.destination == Destination::nextGraphic &&
            state().destination != Destination::nextGraphic) {
            finishNextGraphic();
        }
    }

    // Consumes the count of characters \uN's fallback takes; true when this one is skipped.
    bool skippedAsFallback() {
        if (skipCount_ > 0) {
            --skipCount_;
            return true;
        }
        return false;
    }

    void textBytes() {
        const auto start = pos_;
        while (pos_ < in_.size() && in_[pos_] != '{' && in_[pos_] != '}' && in_[pos_] != '\\' &&
               in_[pos_] != '\r' && in_[pos_] != '\n') {
            ++pos_;
        }
        auto bytes = in_.substr(start, pos_ - start);
        while (skipCount_ > 0 && !bytes.empty()) {
            --skipCount_;
            bytes.remove_prefix(1);
        }
        destinationBytes(bytes);
    }

    void destinationBytes(std::string_view bytes) {
        if (bytes.empty()) {
            return;
        }
        switch (state().destination) {
        case Destination::text:
            if (!state().hidden) {
                if (!pendingUnits_.empty()) {
                    flushUnits();
                }
                pendingBytes_ += bytes;
            }
            break;
        case Destination::fontTable:
            for (const char c : bytes) {
                if (c == ';') {
                    commitFont();
                } else {
                    fontName_ += c;
                }
            }
            break;
        case Destination::colorTable:
            for (const char c : bytes) {
                if (c == ';') {
                    colors_.push_back(colorDefined_ ? std::optional<Color>(color_) : std::nullopt);
                    color_ = {};
                    colorDefined_ = false;
                }
            }
            break;
        case Destination::picture:
            pictureBytes(bytes);
            break;
        case Destination::fieldInstruction:
            if (state().field >= 0) {
                auto& instruction = fields_[static_cast<std::size_t>(state().field)];
                instruction.append(
                    bytes.substr(0, maxFieldInstruction - std::min(maxFieldInstruction, instruction.size())));
            }
            break;
        case Destination::nextGraphic:
            if (!nextGraphic_.nameDone) {
                nextGraphic_.name += bytes;
            }
            break;
        case Destination::skip:
            break;
        }
    }

    void pictureBytes(std::string_view hex) {
        auto& picture = pictures_[static_cast<std::size_t>(state().picture)];
        for (const char c : hex) {
            const int value = hexDigitValue(c);
            if (value < 0) {
                continue;
            }
            if (picture.highNibble < 0) {
                picture.highNibble = value;
            } else {
                picture.data.push_back(static_cast<std::uint8_t>(picture.highNibble << 4 | value));
                picture.highNibble = -1;
            }
        }
    }

    void controlSequence() {
        if (pos_ >= in_.size()) {
            return;
        }
        const char c = in_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        const auto start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_])) {
            ++pos_;
        }
        const auto name = in_.substr(start, pos_ - start);
        std::optional<int> parameter;
        const bool negative = pos_ < in_.size() && in_[pos_] == '-';
        if (negative) {
            ++pos_;
        }
        if (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
            long long value = 0;
            while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
                value = std::min<long long>(value * 10 + (in_[pos_] - '0'), std::numeric_limits<int>::max());
                ++pos_;
            }
            parameter = static_cast<int>(negative ? -value : value);
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') {
            ++pos_;
        }
        const RtfWord word = rtfWord(name);
        if (word == RtfWord::binary) {
            binary(parameter.value_or(0));
            return;
        }
        if (ignorableDestination_) {
            ignorableDestination_ = false;
            if (!isDestination(word)) {
                flushText();
                state().destination = Destination::skip;
                return;
            }
        }
        if (word == RtfWord::unicode) {
            unicode(parameter.value_or(0));
            return;
        }
        if (skippedAsFallback()) {
            return;
        }
        if (state().destination == Destination::nextGraphic) {
            nextGraphic_.nameDone = true;
        }
        controlWord(word, parameter);
    }

    static bool isDestination(RtfWord word) {
        switch (word) {
        case RtfWord::fontTable:
        case RtfWord::colorTable:
        case RtfWord::picture:
        case RtfWord::field:
        case RtfWord::fieldInstruction:
        case RtfWord::fieldResult:
        case RtfWord::nextGraphic:
        case RtfWord::unicodeAlternative:
        case RtfWord::transparentDestination:
            return true;
        default:
            return false;
        }
    }

    void controlSymbol(char c) {
        if (c == '*') {
            ignorableDestination_ = true;
            return;
        }
        if (c == '\'') {
            const int high = pos_ < in_.size() ? hexDigitValue(in_[pos_]) : -1;
            const int low = pos_ + 1 < in_.size() ? hexDigitValue(in_[pos_ + 1]) : -1;
            if (high < 0 || low < 0) {
                return;
            }
            pos_ += 2;
            if (skippedAsFallback()) {
                return;
            }
            const char byte = static_cast<char>(high << 4 | low);
            if (state().destination == Destination::picture) {
                return;
            }
            destinationBytes(std::string_view(&byte, 1));
            return;
        }
        if (skippedAsFallback()) {
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            destinationBytes(std::string_view(&c, 1));
            break;
        case '~':
            textUnits(u"\u00A0");
            break;
        case '_':
            textUnits(u"\u2011");
            break;
        case '\r':
        case '\n':
            controlWord(RtfWord::paragraph, std::nullopt);
            break;
        case '\t':
            controlWord(RtfWord::tab, std::nullopt);
            break;
        default:
            break;
        }
    }

    void binary(int length) {
        const auto count =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)), in_.size() - pos_);
        const auto bytes = in_.substr(pos_, count);
        pos_ += count;
        if (state().destination == Destination::picture) {
            auto& picture = pictures_[static_cast<std::size_t>(state().picture)];
            picture.data.insert(picture.data.end(), bytes.begin(), bytes.end());
        }
    }

    void unicode(int value) {
        if (skippedAsFallback()) {
            return;
        }
        const auto unit = static_cast<char16_t>(value < 0 ? value + 65536 : value);
        if (state().destination == Destination::text) {
            textUnits(std::u16string_view(&unit, 1));
        }
        skipCount_ = state().unicodeSkip;
    }

    void textUnits(std::u16string_view units) {
        if (state().destination != Destination::text || state().hidden) {
            return;
        }
        if (!pendingBytes_.empty()) {
            flushBytes();
        }
        pendingUnits_ += units;
    }

    void flushBytes() {
        codePages_.decode(pendingBytes_, state().codePage ? state().codePage : documentCodePage_,
                          pendingText_);
        pendingBytes_.clear();
    }

    void flushUnits() {
        std::string utf8(pendingUnits_.size() * 3, '\0');
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF8WithSub(utf8.data(), static_cast<int32_t>(utf8.size()), &length, pendingUnits_.data(),
                           static_cast<int32_t>(pendingUnits_.size()), 0xFFFD, nullptr, &status);
        if (U_SUCCESS(status)) {
            pendingText_.append(utf8.data(), static_cast<std::size_t>(length));
        }
        pendingUnits_.clear();
    }

    // Hands the text read since the last change of format to the document.
    void flushText() {
        if (!pendingBytes_.empty()) {
            flushBytes();
        }
        if (!pendingUnits_.empty()) {
            flushUnits();
        }
        if (pendingText_.empty()) {
            return;
        }
        std::string_view text = pendingText_;
        if (afterAttachment_) {
            // Cocoa writes a character after each attachment marker to stand for it.
            if (text.starts_with(notSign)) {
                text.remove_prefix(notSign.size());
            } else if (text.starts_with(objectReplacement)) {
                text.remove_prefix(objectReplacement.size());
            }
            afterAttachment_ = false;
        }
        builder_.appendText(text, state().format);
        pendingText_.clear();
    }

    void commitFont() {
        const auto name = trim(fontName_);
        if (fontNumber_ >= 0 && !name.empty()) {
            std::string decoded;
            codePages_.decode(name, fontCodePage_ ? fontCodePage_ : documentCodePage_, decoded);
            fonts_[fontNumber_] = Font{decoded, fontCodePage_};
        }
        fontName_.clear();
        fontNumber_ = -1;
        fontCodePage_ = 0;
    }

    void applyFont(int number) {
        const auto found = fonts_.find(number);
        state().format.fontFamily = found == fonts_.end() ? std::string() : found->second.name;
        state().codePage = found == fonts_.end() ? 0 : found->second.codePage;
    }

    std::optional<Color> color(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= colors_.size()) {
            return std::nullopt;
        }
        return colors_[static_cast<std::size_t>(index)];
    }

    void finishPicture(int index) {
        auto& picture = pictures_[static_cast<std::size_t>(index)];
        if (picture.mediaType.empty() || picture.data.empty() || state().hidden) {
            picture = {};
            return;
        }
        Image image{std::move(picture.data), picture.mediaType, 0, 0};
        if (picture.goalWidth > 0 && picture.goalHeight > 0) {
            image.width = twipsToPoints(picture.goalWidth) * picture.scaleX / 100.0;
            image.height = twipsToPoints(picture.goalHeight) * picture.scaleY / 100.0;
        } else if (picture.pixelWidth > 0 && picture.pixelHeight > 0) {
            image.width = picture.pixelWidth * picture.scaleX / 100.0;
            image.height = picture.pixelHeight * picture.scaleY / 100.0;
        }
        picture = {};
        flushText();
        builder_.appendImage(std::move(image), state().format);
    }

    void finishNextGraphic() {
        const std::string name(trim(nextGraphic_.name));
        const auto file = attachments_.find(name);
        if (file != attachments_.end() && !file->second.empty() && !state().hidden) {
            Image image{file->second, mediaTypeForFileName(name), twipsToPoints(nextGraphic_.width),
                        twipsToPoints(nextGraphic_.height)};
            builder_.appendImage(std::move(image), state().format);
        }
        nextGraphic_ = {};
        afterAttachment_ = true;
    }

    void startDestination(Destination destination) {
        flushText();
        state().destination = destination;
    }

    void controlWord(RtfWord word, std::optional<int> parameter) {
        const int value = parameter.value_or(1);
        auto& s = state();
        const bool inText = s.destination == Destination::text;
        // Formatting changes end the run being read.
        if (inText) {
            flushText();
        }
        switch (word) {
        case RtfWord::skipDestination:
            startDestination(Destination::skip);
            break;
        case RtfWord::fontTable:
            startDestination(Destination::fontTable);
            break;
        case RtfWord::colorTable:
            startDestination(Destination::colorTable);
            break;
        case RtfWord::picture:
            if (s.destination != Destination::skip) {
                startDestination(Destination::picture);
                pictures_.emplace_back();
                s.picture = static_cast<int>(pictures_.size() - 1);
            }
            break;
        case RtfWord::field:
            if (inText) {
                fields_.emplace_back();
                s.field = static_cast<int>(fields_.size() - 1);
            }
            break;
        case RtfWord::fieldInstruction:
            startDestination(s.field >= 0 && inText ? Destination::fieldInstruction : Destination::skip);
            break;
        case RtfWord::fieldResult:
            if (s.field >= 0 && inText) {
                std::string instruction;
                codePages_.decode(fields_[static_cast<std::size_t>(s.field)], documentCodePage_, instruction);
                const auto target = hyperlinkTarget(instruction);
                if (!target.empty()) {
                    s.format.link = target;
                }
            }
            break;
        case RtfWord::nextGraphic:
            if (inText) {
                startDestination(Destination::nextGraphic);
                nextGraphic_ = {};
            }
            break;
        case RtfWord::unicodeAlternative:
            if (s.destination == Destination::skip && states_.size() >= 2 &&
                states_[states_.size() - 2].destination == Destination::skip) {
                s.destination = Destination::text;
            }
            break;
        case RtfWord::transparentDestination:
        case RtfWord::unknown:
            break;
        case RtfWord::ansi:
            documentCodePage_ = 1252;
            break;
        case RtfWord::mac:
            documentCodePage_ = 10000;
            break;
        case RtfWord::pc:
            documentCodePage_ = 437;
            break;
        case RtfWord::pca:
            documentCodePage_ = 850;
            break;
        case RtfWord::ansiCodePage:
            if (value > 0) {
                documentCodePage_ = value;
            }
            break;
        case RtfWord::defaultFont:
            defaultFont_ = value;
            break;
        case RtfWord::unicodeSkipCount:
            s.unicodeSkip = std::clamp(value, 0, 16);
            break;
        case RtfWord::unicode:
        case RtfWord::binary:
            break;
        case RtfWord::fontNumber:
            if (s.destination == Destination::fontTable) {
                fontNumber_ = value;
            } else if (inText) {
                applyFont(value);
            }
            break;
        case RtfWord::fontCharset:
            if (s.destination == Destination::fontTable) {
                fontCodePage_ = codePageForCharset(value).value_or(0);
            }
            break;
        case RtfWord::red:
            color_.red = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            colorDefined_ = true;
            break;
        case RtfWord::green:
            color_.green = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            colorDefined_ = true;
            break;
        case RtfWord::blue:
            color_.blue = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            colorDefined_ = true;
            break;
        case RtfWord::plain: {
            const auto link = s.format.link;
            s.format = CharFormat{};
            s.format.link = link;
            s.hidden = false;
            applyFont(defaultFont_);
            break;
        }
        case RtfWord::bold:
            s.format.bold = value != 0;
            break;
        case RtfWord::italic:
            s.format.italic = value != 0;
            break;
        case RtfWord::underline:
            s.format.underline = value != 0;
            break;
        case RtfWord::underlineNone:
            s.format.underline = false;
            break;
        case RtfWord::strike:
            s.format.strike = value != 0;
            break;
        case RtfWord::fontSize:
            s.format.fontSize = parameter ? std::clamp(value, 2, 3276) / 2.0 : 0;
            break;
        case RtfWord::foreground:
            s.format.foreground = color(value);
            break;
        case RtfWord::highlight:
            s.format.highlight = color(value);
            break;
        case RtfWord::superscript:
            s.format.vertical = VerticalPosition::superscript;
            break;
        case RtfWord::subscript:
            s.format.vertical = VerticalPosition::subscript;
            break;
        case RtfWord::noSuperSub:
            s.format.vertical = VerticalPosition::baseline;
            break;
        case RtfWord::hidden:
            s.hidden = value != 0;
            break;
        case RtfWord::paragraphDefault:
            s.paragraph = ParagraphFormat{};
            s.inTable = false;
            break;
        case RtfWord::paragraph:
            if (inText) {
                builder_.endParagraph(s.paragraph, s.inTable);
            }
            break;
        case RtfWord::line:
            textUnits(u"\u2028");
            break;
        case RtfWord::tab:
            textUnits(u"\t");
            break;
        case RtfWord::alignLeft:
            s.paragraph.alignment = Alignment::left;
            break;
        case RtfWord::alignCenter:
            s.paragraph.alignment = Alignment::center;
            break;
        case RtfWord::alignRight:
            s.paragraph.alignment = Alignment::right;
            break;
        case RtfWord::alignJustify:
            s.paragraph.alignment = Alignment::justify;
            break;
        case RtfWord::leftIndent:
            s.paragraph.leftIndent = twipsToPoints(value);
            break;
        case RtfWord::rightIndent:
            s.paragraph.rightIndent = twipsToPoints(value);
            break;
        case RtfWord::firstLineIndent:
            s.paragraph.firstLineIndent = twipsToPoints(value);
            break;
        case RtfWord::spaceBefore:
            s.paragraph.spaceBefore = twipsToPoints(value);
            break;
        case RtfWord::spaceAfter:
            s.paragraph.spaceAfter = twipsToPoints(value);
            break;
        case RtfWord::inTable:
            s.inTable = value != 0;
            break;
        case RtfWord::cell:
            if (inText) {
                builder_.endCell(s.paragraph);
            }
            break;
        case RtfWord::row:
            if (inText) {
                builder_.endRow();
            }
            break;
        case RtfWord::png:
        case RtfWord::jpeg:
        case RtfWord::otherPicture:
        case RtfWord::pictureWidth:
        case RtfWord::pictureHeight:
        case RtfWord::pictureGoalWidth:
        case RtfWord::pictureGoalHeight:
        case RtfWord::pictureScaleX:
        case RtfWord::pictureScaleY:
            if (s.destination == Destination::picture) {
                pictureProperty(pictures_[static_cast<std::size_t>(s.picture)], word, value);
            }
            break;
        case RtfWord::attachmentWidth:
            nextGraphic_.width = value;
            break;
        case RtfWord::attachmentHeight:
            nextGraphic_.height = value;
            break;
        case RtfWord::leftSingleQuote:
            textUnits(u"\u2018");
            break;
        case RtfWord::rightSingleQuote:
            textUnits(u"\u2019");
            break;
        case RtfWord::leftDoubleQuote:
            textUnits(u"\u201C");
            break;
        case RtfWord::rightDoubleQuote:
            textUnits(u"\u201D");
            break;
        case RtfWord::bullet:
            textUnits(u"\u2022");
            break;
        case RtfWord::emDash:
            textUnits(u"\u2014");
            break;
        case RtfWord::enDash:
            textUnits(u"\u2013");
            break;
        case RtfWord::emSpace:
            textUnits(u"\u2003");
            break;
        case RtfWord::enSpace:
            textUnits(u"\u2002");
            break;
        case RtfWord::quarterEmSpace:
            textUnits(u"\u2005");
            break;
        case RtfWord::zeroWidthJoiner:
            textUnits(u"\u200D");
            break;
        case RtfWord::zeroWidthNonJoiner:
            textUnits(u"\u200C");
            break;
        case RtfWord::leftToRightMark:
            textUnits(u"\u200E");
            break;
        case RtfWord::rightToLeftMark:
            textUnits(u"\u200F");
            break;
        }
    }

    static void pictureProperty(Picture& picture, RtfWord word, int value) {
        switch (word) {
        case RtfWord::png:
            picture.mediaType = "image/png";
            break;
        case RtfWord::jpeg:
            picture.mediaType = "image/jpeg";
            break;
        case RtfWord::otherPicture:
            picture.mediaType.clear();
            break;
        case RtfWord::pictureWidth:
            picture.pixelWidth = value;
            break;
        case RtfWord::pictureHeight:
            picture.pixelHeight = value;
            break;
        case RtfWord::pictureGoalWidth:
            picture.goalWidth = value;
            break;
        case RtfWord::pictureGoalHeight:
            picture.goalHeight = value;
            break;
        case RtfWord::pictureScaleX:
            picture.scaleX = std::clamp(value, 1, 1000);
            break;
        case RtfWord::pictureScaleY:
            picture.scaleY = std::clamp(value, 1, 1000);
            break;
        default:
            break;
        }
    }

    std::string_view in_;
    std::size_t pos_ = 0;
    const Attachments& attachments_;
    const RtfLimits& limits_;
    std::vector<GroupState> states_;
    std::size_t excessDepth_ = 0;
    bool stopped_ = false;
    bool ignorableDestination_ = false;
    int skipCount_ = 0;

    CodePages codePages_;
    int documentCodePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, Font> fonts_;
    std::string fontName_;
    int fontNumber_ = -1;
    int fontCodePage_ = 0;
    std::vector<std::optional<Color>> colors_;
    Color color_;
    bool colorDefined_ = false;
    std::vector<std::string> fields_;
    std::vector<Picture> pictures_;
    NextGraphic nextGraphic_;
    bool afterAttachment_ = false;

    std::string pendingBytes_;
    std::u16string pendingUnits_;
    std::string pendingText_;
    DocumentBuilder builder_;
};

} // namespace

std::optional<Document> readRtf(std::string_view rtf, const Attachments& attachments,
                                const RtfLimits& limits) {
    const auto start = rtf.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || !rtf.substr(start).starts_with("{\\rtf")) {
        return std::nullopt;
    }
    return RtfParser(rtf.substr(start), attachments, limits).parse();
}

} // namespace snipstack::richtext
