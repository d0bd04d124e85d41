#include "app/system/TextRecognition.h"

#include "app/system/LogCategories.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

namespace snipstack {
namespace {

// Screenshots rarely say their resolution; this is the usual screen's.
constexpr int screenDotsPerInch = 96;

// Debian's Tesseract splits every LSTM step over four OpenMP threads, which makes a recognition several
// times slower than on one thread (OMP_THREAD_LIMIT=1 is the usual cure, but libgomp reads it only at
// start-up). Turning off active parallel regions does the same; looked up at run time so that neither a
// link to libgomp nor a Tesseract built without OpenMP matters. Nothing else in the program uses OpenMP.
void runTesseractSingleThreaded() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (auto* setMaxActiveLevels =
                reinterpret_cast<void (*)(int)>(::dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"))) {
            setMaxActiveLevels(0);
        }
    });
}

// The thread's engine with the English data loaded (from TESSDATA_PREFIX, else the packaged
// tessdata folder), or nothing when the data cannot be loaded.
tesseract::TessBaseAPI* engine() {
    thread_local std::unique_ptr<tesseract::TessBaseAPI> api;
    if (!api) {
        runTesseractSingleThreaded();
        auto fresh = std::make_unique<tesseract::TessBaseAPI>();
        if (fresh->Init(nullptr, "eng") != 0) {
            return nullptr;
        }
        // Keeps Tesseract's diagnostics (resolution estimates and the like) off stderr.
        fresh->SetVariable("debug_file", "/dev/null");
        api = std::move(fresh);
    }
    return api.get();
}

// Grey levels on white, so that transparent screenshot regions read as background.
QImage flattened(const QImage& image) {
    if (!image.hasAlphaChannel()) {
        return image.convertToFormat(QImage::Format_Grayscale8);
    }
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter(&opaque).drawImage(0, 0, image);
    return opaque.convertToFormat(QImage::Format_Grayscale8);
}

int dotsPerInch(const QImage& image) {
    const int dpi = qRound(image.dotsPerMeterX() * 0.0254);
    return dpi >= 70 && dpi <= 1200 ? dpi : screenDotsPerInch;
}

QString takeText(char* text) {
    const std::unique_ptr<char[]> owned(text);
    return QString::fromUtf8(owned.get()).trimmed();
}

RecognizedText collect(tesseract::TessBaseAPI& api) {
    RecognizedText result;
    QStringList lines;
    const auto each = [&](tesseract::PageIteratorLevel level, const auto& visit) {
        const std::unique_ptr<tesseract::ResultIterator> iterator(api.GetIterator());
        if (!iterator || iterator->Empty(level)) {
            return;
        }
        do {
            const QString text = takeText(iterator->GetUTF8Text(level));
            int left = 0, top = 0, right = 0, bottom = 0;
            if (!text.isEmpty() && iterator->BoundingBox(level, &left, &top, &right, &bottom)) {
                visit(text, QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
            }
        } while (iterator->Next(level));
    };
    each(tesseract::RIL_TEXTLINE, [&](const QString& line, const QRect&) { lines.append(line); });
    each(tesseract::RIL_WORD, [&](const QString& word, const QRect& box) {
        result.words.push_back({word.toStdString(), box});
    });
    result.text = lines.join(u'\n').toStdString();
    return result;
}

} // namespace

std::optional<RecognizedText> recognizeTextIn(const Bytes& bytes) {
    const QImage image = QImage::fromData(bytes.data(), int(bytes.size()));
    if (image.isNull()) {
        return std::nullopt;
    }
    tesseract::TessBaseAPI* api = engine();
    if (!api) {
        qCCritical(ocrLog, "Text recognition failed: %s", "the English language data could not be loaded");
        return RecognizedText{};
    }
    const QImage grey = flattened(image);
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api->SetSourceResolution(dotsPerInch(image));
    RecognizedText result;
    if (api->Recognize(nullptr) == 0) {
        result = collect(*api);
    } else {
        qCCritical(ocrLog, "Text recognition failed: %s", "Tesseract could not recognise the image");
    }
    api->Clear();
    return result;
}

} // namespace snipstack
