// Text recognition of generated screenshots: word accuracy and time on full-HD screenshots in several
// fonts, sizes and themes; the page segmentation modes compared on the same images; and an
// 8000 × 8000 screenshot's time and peak memory.
//
// Word accuracy: the drawn text and the recognised text are both cut into words (maximal runs of
// letters and digits, case kept); the share of drawn words that the recognised words match, counted
// as multisets, so that order does not matter and a word drawn twice must be read twice. `extra` is
// the recognised words that match nothing drawn (misreadings and noise).
#include "app/system/ocr/TextRecognition.h"
#include "app/system/ocr/TextRecognitionImage.h"
#include "bench/PeakMemory.h"
#include "bench/RunBenchmarks.h"
#include "bench/Timing.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

using namespace snipstack;

namespace {

// ---- generated screenshots ----

QStringList wordsOf(const QString& text) {
    static const QRegularExpression run(QStringLiteral("[\\p{L}\\p{N}]+"));
    QStringList words;
    for (auto match = run.globalMatch(text); match.hasNext();) {
        words << match.next().captured();
    }
    return words;
}

struct Score {
    int drawn = 0;
    int matched = 0;
    int extra = 0;

    void add(const QStringList& drawnWords, const QStringList& readWords) {
        std::map<QString, int> unmatched;
        for (const QString& word : readWords) {
            ++unmatched[word];
        }
        int hits = 0;
        for (const QString& word : drawnWords) {
            if (unmatched[word] > 0) {
                --unmatched[word];
                ++hits;
            }
        }
        drawn += int(drawnWords.size());
        matched += hits;
        extra += int(readWords.size()) - hits;
    }
    double percent() const { return drawn == 0 ? 100 : 100.0 * matched / drawn; }
};

const QStringList& vocabulary() {
    static const QStringList words =
        QStringLiteral(
            "the of and to in is you that it for was on are with as his they be at one have this from or "
            "had by word but what some we can out other were all there when up use your how said an each "
            "she which do their time if will way about many then them write would like so these her long "
            "make thing see him two has look more day could go come did number sound no most people my over "
            "know water than call first who may down side been now find any new work part take get place "
            "made live where after back little only round man year came show every good me give our under "
            "name very through just form sentence great think say help low line differ turn cause much mean "
            "before move right boy old too same tell does set three want air well also play small end put "
            "home read hand port large spell add even land here must big high such follow act why ask men "
            "change went light kind off need house picture try us again animal point mother world near "
            "build self earth father head stand own page should country found answer school grow study "
            "still learn plant cover food sun four between state keep eye never last let thought city tree "
            "cross farm hard start might story saw far sea draw left late run while press close night real "
            "life few north open seem together next white children begin got walk example ease paper group "
            "always music those both mark often letter until mile river car feet care second book carry "
            "took science eat room friend began idea fish mountain stop once base hear horse cut sure watch "
            "color face wood main enough plain girl usual young ready above ever red list though feel talk "
            "bird soon body dog family direct pose leave song measure door product black short numeral "
            "class wind question happen complete ship area half rock order fire south problem piece told "
            "knew pass since top whole king space heard best hour better true during hundred five remember "
            "step early hold west ground interest reach fast verb sing listen six table travel less morning "
            "ten simple several vowel toward war lay against pattern slow center love person money serve "
            "appear road map rain rule govern pull cold notice voice unit power town fine certain fly fall "
            "lead cry dark machine note wait plan figure star box noun field rest correct able pound done "
            "beauty drive stood contain front teach week final gave green quick develop ocean warm free "
            "minute strong special mind behind clear tail produce fact street inch multiply nothing course "
            "stay wheel full force blue object decide surface deep moon island foot system busy test record "
            "boat common gold possible plane stead dry wonder laugh thousand ago ran check game shape "
            "equate miss brought heat snow tire bring yes distant fill east paint language among")
            .split(u' ');
    return words;
}

enum class Theme { light, dark, mixed };

// Colours of a window's areas: light, dark, and a light document in dark chrome (title bar, sidebar,
// inspector and status bar), as many editors and file managers look.
struct Palette {
    QColor window, text, secondary;
    QColor chrome, chromeText, chromeSecondary;
    QColor bar, button;
};

Palette paletteOf(Theme theme) {
    switch (theme) {
    case Theme::light:
        return {{250, 250, 250}, {30, 30, 30},    {105, 105, 110}, {238, 238, 240},
                {30, 30, 30},    {105, 105, 110}, {222, 222, 226}, {255, 255, 255}};
    case Theme::dark:
        return {{32, 32, 34},    {232, 232, 232}, {160, 160, 165}, {44, 44, 48},
                {232, 232, 232}, {160, 160, 165}, {24, 24, 26},    {60, 60, 64}};
    case Theme::mixed:
        return {{250, 250, 250}, {30, 30, 30},    {105, 105, 110}, {38, 40, 46},
                {220, 222, 228}, {150, 152, 160}, {30, 32, 38},    {255, 255, 255}};
    }
    return {};
}

struct Screenshot {
    QImage image;
    QStringList words;
};

// Draws a window: title bar, sidebar with section captions, a toolbar of buttons, a heading and
// subheading, paragraphs, a second heading, a table, an inspector of captioned fields and a status
// bar, in text sizes from 11 px captions to 34 px headings.
class ScreenshotPainter {
public:
    ScreenshotPainter(Screenshot& shot, const QString& family, unsigned seed)
        : shot_(shot), painter_(&shot.image), family_(family), random_(seed) {
        painter_.setRenderHint(QPainter::Antialiasing);
    }

    QString phrase(int count) {
        std::uniform_int_distribution<int> pick(0, int(vocabulary().size()) - 1);
        QStringList words;
        for (int i = 0; i < count; ++i) {
            words << vocabulary()[pick(random_)];
        }
        words[0][0] = words[0][0].toUpper();
        return words.join(u' ');
    }
    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    // Returns the height used.
    int text(const QRect& box, int flags, const QString& text, int pixels, QColor colour, bool bold = false) {
        QFont font(family_);
        font.setPixelSize(pixels);
        font.setBold(bold);
        painter_.setFont(font);
        painter_.setPen(colour);
        QRect used;
        painter_.drawText(box, flags, text, &used);
        shot_.words << wordsOf(text);
        return used.height();
    }
    QPainter& painter() { return painter_; }

private:
    Screenshot& shot_;
    QPainter painter_;
    QString family_;
    std::mt19937 random_;
};

Screenshot screenshot(const QString& family, Theme theme, unsigned seed) {
    constexpr int width = 1920, height = 1080;
    const Palette colours = paletteOf(theme);
    Screenshot shot{QImage(width, height, QImage::Format_RGB32), {}};
    shot.image.fill(colours.window);
    ScreenshotPainter p(shot, family, seed);
    QPainter& g = p.painter();
    const auto left = Qt::AlignLeft | Qt::AlignVCenter;

    g.fillRect(0, 0, width, 38, colours.bar);
    p.text({0, 0, width, 38}, Qt::AlignCenter, p.phrase(3) + " - " + p.phrase(2), 14, colours.chromeText,
           true);

    g.fillRect(0, 38, 300, height - 38 - 28, colours.chrome);
    int y = 56;
    for (int section = 0; section < 2; ++section) {
        p.text({20, y, 260, 20}, left, p.phrase(1).toUpper(), 12, colours.chromeSecondary, true);
        y += 30;
        for (int i = 0; i < (section == 0 ? 14 : 6); ++i, y += 30) {
            p.text({32, y, 250, 22}, left, p.phrase(p.uniform(1, 3)), section == 0 ? 14 : 13,
                   colours.chromeText);
        }
        y += 20;
    }

    g.setPen(colours.secondary);
    g.setBrush(colours.button);
    for (int i = 0; i < 7; ++i) {
        const QRect button(330 + i * 130, 54, 116, 30);
        g.drawRoundedRect(button, 5, 5);
        p.text(button, Qt::AlignCenter, p.phrase(1), 13, colours.text);
    }

    y = 104;
    y += p.text({330, y, 1040, 60}, left, p.phrase(4), 34, colours.text, true) + 8;
    y += p.text({330, y, 1040, 40}, left, p.phrase(7), 20, colours.secondary) + 20;
    for (int i = 0; i < 3; ++i) {
        QString paragraph;
        for (int sentence = 0; sentence < 5; ++sentence) {
            paragraph += p.phrase(p.uniform(8, 14)) + ". ";
        }
        y += p.text({330, y, 1040, 200}, Qt::TextWordWrap, paragraph.trimmed(), 15, colours.text) + 18;
    }
    y += p.text({330, y, 1040, 50}, left, p.phrase(6), 24, colours.text, true) + 12;
    for (int row = 0; row < 7; ++row, y += 26) {
        const QColor colour = row == 0 ? colours.secondary : colours.text;
        p.text({330, y, 300, 22}, left, p.phrase(2), 13, colour, row == 0);
        p.text({660, y, 140, 22}, Qt::AlignRight | Qt::AlignVCenter,
               row == 0 ? QStringLiteral("Size") : QStringLiteral("%1 KB").arg(p.uniform(1, 9999)), 13,
               colour, row == 0);
        p.text({840, y, 260, 22}, left,
               row == 0 ? QStringLiteral("Modified")
                        : QStringLiteral("%1 %2, 2024").arg(p.phrase(1)).arg(p.uniform(1, 28)),
               13, colour, row == 0);
    }

    g.fillRect(1400, 100, width - 1420, 560, colours.chrome);
    p.text({1420, 116, width - 1460, 26}, left, p.phrase(2), 18, colours.chromeText, true);
    for (int i = 0; i < 10; ++i) {
        p.text({1420, 156 + i * 48, width - 1460, 18}, left, p.phrase(2), 11, colours.chromeSecondary);
        p.text({1420, 174 + i * 48, width - 1460, 22}, left, p.phrase(3), 14, colours.chromeText);
    }

    g.fillRect(0, height - 28, width, 28, colours.bar);
    p.text({14, height - 28, 800, 28}, left, p.phrase(5), 12, colours.chromeText);
    p.text({width - 500, height - 28, 486, 28}, Qt::AlignRight | Qt::AlignVCenter,
           QStringLiteral("Line %1 of %2").arg(p.uniform(1, 99)).arg(p.uniform(100, 999)), 12,
           colours.chromeText);
    return shot;
}

Bytes encodePNG(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(bytes.begin(), bytes.end());
}

// Fonts from Debian's fonts-dejavu-core, fonts-liberation2 and fonts-cantarell (GNOME's UI font).
const QStringList fonts = {"DejaVu Sans", "Liberation Sans", "Liberation Serif", "Cantarell"};
constexpr Theme themes[] = {Theme::light, Theme::dark, Theme::mixed};

struct Sample {
    Screenshot shot;
    Bytes png;
};

const std::vector<Sample>& samples() {
    static const std::vector<Sample> all = [] {
        std::vector<Sample> made;
        unsigned seed = 1;
        for (Theme theme : themes) {
            for (const QString& family : fonts) {
                Screenshot shot = screenshot(family, theme, seed++);
                Bytes png = encodePNG(shot.image);
                made.push_back({std::move(shot), std::move(png)});
            }
        }
        return made;
    }();
    return all;
}

QStringList recognisedWords(const RecognizedText& text) {
    QStringList words;
    for (const RecognizedWord& word : text.words) {
        words << wordsOf(QString::fromStdString(word.text));
    }
    return words;
}

// ---- full-HD screenshots ----

// Recognition runs on the calling thread, so its CPU time is what it costs whatever else the machine
// is doing; the wall time is what a user waits.
double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Every generated screenshot, each recognised a few times; times are the median recognition.
void screenshots(benchmark::State& state) {
    std::vector<double> times;
    std::vector<double> cpuTimes;
    Score total;
    double worst = 100;
    for (auto _ : state) {
        for (const Sample& sample : samples()) {
            std::optional<RecognizedText> read;
            for (int run = 0; run < 3; ++run) {
                const auto start = std::chrono::steady_clock::now();
                const double cpuStart = threadCpuMilliseconds();
                read = recognizeTextIn(sample.png);
                cpuTimes.push_back(threadCpuMilliseconds() - cpuStart);
                times.push_back(bench::milliseconds(std::chrono::steady_clock::now() - start));
            }
            Score score;
            score.add(sample.shot.words, read ? recognisedWords(*read) : QStringList{});
            total.add(sample.shot.words, read ? recognisedWords(*read) : QStringList{});
            worst = std::min(worst, score.percent());
        }
    }
    state.counters["median_ms"] = bench::median(times);
    state.counters["cpu_ms"] = bench::median(cpuTimes);
    state.counters["accuracy_pct"] = total.percent();
    state.counters["worst_pct"] = worst;
    state.counters["drawn"] = total.drawn;
    state.counters["extra"] = total.extra;
}
BENCHMARK(screenshots)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// One theme's screenshots, so that a weakness in one shows.
void screenshotsByTheme(benchmark::State& state) {
    const int theme = int(state.range(0));
    Score total;
    for (auto _ : state) {
        for (std::size_t i = 0; i < samples().size(); ++i) {
            if (int(i / fonts.size()) == theme) {
                const std::optional<RecognizedText> read = recognizeTextIn(samples()[i].png);
                total.add(samples()[i].shot.words, read ? recognisedWords(*read) : QStringList{});
            }
        }
    }
    state.SetLabel(theme == 0 ? "light" : theme == 1 ? "dark" : "mixed");
    state.counters["accuracy_pct"] = total.percent();
    state.counters["extra"] = total.extra;
}
BENCHMARK(screenshotsByTheme)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The candidate page segmentation modes on the same screenshots, prepared and set up as recognition
// prepares them (grey, dark text on light, local thresholds, no inverted second reading, no paragraphs),
// through Tesseract directly.
void pageSegmentationModes(benchmark::State& state) {
    const auto mode = tesseract::PageSegMode(state.range(0));
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, "eng") != 0) {
        state.SkipWithError("no English data");
        return;
    }
    api.SetVariable("debug_file", "/dev/null");
    api.SetVariable("thresholding_method", "2");
    api.SetVariable("tessedit_do_invert", "0");
    api.SetVariable("paragraph_text_based", "0");
    api.SetPageSegMode(mode);
    std::vector<double> times;
    Score total;
    for (auto _ : state) {
        for (const Sample& sample : samples()) {
            QImage grey = sample.shot.image.convertToFormat(QImage::Format_Grayscale8);
            normalizePolarity(grey.bits(), grey.width(), grey.height(), grey.bytesPerLine());
            const auto start = std::chrono::steady_clock::now();
            api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
            api.SetSourceResolution(96);
            api.Recognize(nullptr);
            QStringList read;
            const std::unique_ptr<tesseract::ResultIterator> iterator(api.GetIterator());
            if (iterator && !iterator->Empty(tesseract::RIL_WORD)) {
                do {
                    const std::unique_ptr<char[]> text(iterator->GetUTF8Text(tesseract::RIL_WORD));
                    read << wordsOf(QString::fromUtf8(text.get()));
                } while (iterator->Next(tesseract::RIL_WORD));
            }
            api.Clear();
            times.push_back(bench::milliseconds(std::chrono::steady_clock::now() - start));
            total.add(sample.shot.words, read);
        }
    }
    state.SetLabel(mode == tesseract::PSM_AUTO            ? "auto"
                   : mode == tesseract::PSM_SINGLE_COLUMN ? "single column"
                   : mode == tesseract::PSM_SINGLE_BLOCK  ? "single block"
                                                          : "sparse text");
    state.counters["median_ms"] = bench::median(times);
    state.counters["accuracy_pct"] = total.percent();
    state.counters["extra"] = total.extra;
}
BENCHMARK(pageSegmentationModes)
    ->Arg(tesseract::PSM_SINGLE_BLOCK)
    ->Arg(tesseract::PSM_AUTO)
    ->Arg(tesseract::PSM_SINGLE_COLUMN)
    ->Arg(tesseract::PSM_SPARSE_TEXT)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// ---- an 8000 × 8000 screenshot ----

// A mosaic of full-HD screenshots in all themes, 4 across and 7 down, on an 8000 × 8000 canvas: far
// beyond what Qt's allocation limit lets it decode (8000 × 8000 × 4 bytes).
struct Large {
    QStringList words;
    QString path;
};

const Large& large() {
    static const Large made = [] {
        Large result;
        QImage canvas(8000, 8000, QImage::Format_RGB32);
        canvas.fill(QColor(250, 250, 250));
        QPainter painter(&canvas);
        unsigned seed = 100;
        for (int row = 0; row < 7; ++row) {
            for (int column = 0; column < 4; ++column) {
                const Screenshot shot =
                    screenshot(fonts[(row + column) % fonts.size()], themes[(row * 4 + column) % 3], seed++);
                painter.drawImage(40 + column * 1980, 40 + row * 1130, shot.image);
                result.words << shot.words;
            }
        }
        painter.end();
        static QTemporaryFile file;
        file.open();
        canvas.save(&file, "PNG");
        file.flush();
        result.path = file.fileName();
        return result;
    }();
    return made;
}

Bytes readFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    return Bytes(bytes.begin(), bytes.end());
}

constexpr const char* peakOption = "--peak-of";

// In a fresh process: the growth of the resident peak while the file is recognised, in KiB.
int printPeakGrowth(const char* path) {
    const Bytes image = readFile(QString::fromLocal8Bit(path));
    const long growth = bench::peakGrowthKiB([&] { return recognizeTextIn(image).has_value(); });
    if (growth < 0) {
        return 1;
    }
    std::printf("%ld\n", growth);
    return 0;
}

double peakExtraMiB(const QString& path) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {peakOption, path});
    if (!child.waitForFinished(600'000) || child.exitCode() != 0) {
        return -1;
    }
    return child.readAllStandardOutput().trimmed().toLong() / 1024.0;
}

void largeScreenshot(benchmark::State& state) {
    const Bytes png = readFile(large().path);
    Score score;
    for (auto _ : state) {
        const std::optional<RecognizedText> read = recognizeTextIn(png);
        state.PauseTiming();
        score = {};
        score.add(large().words, read ? recognisedWords(*read) : QStringList{});
        state.ResumeTiming();
    }
    state.counters["accuracy_pct"] = score.percent();
    state.counters["drawn"] = score.drawn;
    state.counters["png_MiB"] = double(png.size()) / (1 << 20);
    state.counters["peak_extra_MiB"] = peakExtraMiB(large().path);
}
BENCHMARK(largeScreenshot)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// A first recognition in a fresh process, engine loading included.
void firstScreenshotPeak(benchmark::State& state) {
    static QTemporaryFile file;
    file.open();
    file.write(reinterpret_cast<const char*>(samples().front().png.data()),
               qint64(samples().front().png.size()));
    file.flush();
    for (auto _ : state) {
        state.counters["peak_extra_MiB"] = peakExtraMiB(file.fileName());
    }
}
BENCHMARK(firstScreenshotPeak)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], peakOption) == 0) {
        return printPeakGrowth(argv[2]);
    }
    return snipstack::bench::runBenchmarks(argc, argv);
}
