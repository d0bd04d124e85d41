// What an image capture costs (camera-sized, screen-sized and panorama-sized images to a thumbnail,
// and a 50 MiB PNG of 300 megapixels) and what the monitor costs while nothing is copied.
#include "app/system/clipboard/PasteboardMonitor.h"
#include "app/system/images/ImageThumbnail.h"
#include "bench/PeakMemory.h"
#include "bench/RunBenchmarks.h"
#include "tests/support/Fakes.h"
#include "tests/support/MemoryPasteboard.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <png.h>
#include <random>
#include <string>
#include <sys/resource.h>

using namespace snipstack;

namespace {

// Gradients with sensor-like noise, so that neither codec is handed an unrealistically easy image.
QImage photoLike(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-12, 12);
    const auto channel = [&](int base) { return std::clamp(base + noise(random), 0, 255); };
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] = qRgb(channel(x * 255 / width), channel(y * 255 / height),
                           channel((x + y) * 255 / (width + height)));
        }
    }
    return image;
}

// PNG at its default compression, JPEG at the quality cameras and editors commonly use.
Bytes encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, std::strcmp(format, "JPEG") == 0 ? 90 : -1);
    return Bytes(bytes.begin(), bytes.end());
}

const QImage& photo() {
    static const QImage image = photoLike(4000, 3000);
    return image;
}

const Bytes& photoPNG() {
    static const Bytes bytes = encode(photo(), "PNG");
    return bytes;
}

const Bytes& photoJPEG() {
    static const Bytes bytes = encode(photo(), "JPEG");
    return bytes;
}

const Bytes& screenPNG() {
    static const Bytes bytes = encode(photoLike(1920, 1080), "PNG");
    return bytes;
}

const Bytes& panoramaPNG() {
    static const Bytes bytes = encode(photoLike(7000, 5000), "PNG");
    return bytes;
}

const Bytes& panoramaJPEG() {
    static const Bytes bytes = encode(photoLike(7000, 5000), "JPEG");
    return bytes;
}

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// A 20000 × 15000 RGB PNG of about 50 MiB, the largest item captured: a smooth gradient with a
// noisy band on every row, written row by row because the whole image would take 900 MB. (libpng
// is on the link line through the application library.)
const Bytes& hugePNG() {
    static const Bytes bytes = [] {
        constexpr int width = 20000;
        constexpr int height = 15000;
        constexpr int noisy = 1900;
        Bytes out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, appendBytes, nullptr);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, 1);
        png_write_info(png, info);
        std::vector<png_byte> row(width * 3);
        std::mt19937 random(11);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                png_byte* pixel = row.data() + 3 * x;
                pixel[0] = png_byte(x * 255 / width);
                pixel[1] = png_byte(y * 255 / height);
                pixel[2] = x < noisy ? png_byte(random()) : png_byte(128);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        return out;
    }();
    return bytes;
}

constexpr const char* peakOption = "--peak-of";

// Runs in a fresh process (forking would inherit Qt's scaling threads as dead bookkeeping): loads
// the image plugins on a tiny image, hands free pages back and resets the peak, then makes one
// thumbnail and prints the peak resident growth in KiB.
int printPeakGrowth(const char* path) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return 1;
    }
    const QByteArray contents = file.readAll();
    const Bytes image(contents.begin(), contents.end());
    QImage tiny(8, 8, QImage::Format_RGB32);
    tiny.fill(Qt::gray);
    for (const char* format : {"PNG", "JPEG"}) {
        makeThumbnail(encode(tiny, format), PasteboardMonitor::thumbnailMaxPixels);
    }
    const long growth = snipstack::bench::peakGrowthKiB(
        [&] { return makeThumbnail(image, PasteboardMonitor::thumbnailMaxPixels).has_value(); });
    if (growth < 0) {
        return 1;
    }
    std::printf("%ld\n", growth);
    return 0;
}

double peakExtraMiB(const Bytes& image) {
    QTemporaryFile file;
    if (!file.open() || file.write(reinterpret_cast<const char*>(image.data()), qint64(image.size())) !=
                            qint64(image.size())) {
        return -1;
    }
    file.close();
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {peakOption, file.fileName()});
    if (!child.waitForFinished(120'000) || child.exitCode() != 0) {
        return -1;
    }
    return child.readAllStandardOutput().trimmed().toLong() / 1024.0;
}

void thumbnail(benchmark::State& state, const Bytes& (*image)()) {
    const Bytes& bytes = image();
    for (auto _ : state) {
        benchmark::DoNotOptimize(makeThumbnail(bytes, PasteboardMonitor::thumbnailMaxPixels));
    }
    state.counters["input_MiB"] = bytes.size() / (1024.0 * 1024.0);
    state.counters["peak_extra_MiB"] = peakExtraMiB(bytes);
}
BENCHMARK_CAPTURE(thumbnail, png_1920x1080, screenPNG)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(thumbnail, png_4000x3000, photoPNG)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(thumbnail, png_7000x5000, panoramaPNG)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(thumbnail, png_20000x15000_50MiB, hugePNG)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(thumbnail, jpeg_4000x3000, photoJPEG)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(thumbnail, jpeg_7000x5000, panoramaJPEG)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

class CountingPasteboard : public MemoryPasteboard {
public:
    int polls = 0;
    std::int64_t changeCount() override { return ++polls, MemoryPasteboard::changeCount(); }
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](timeval t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Process CPU time over one real minute of polling at the idle interval with nothing copied.
void idlePollingMinute(benchmark::State& state) {
    CountingPasteboard board;
    testing::FakeWorkspace workspace;
    workspace.front = std::nullopt;
    PasteboardMonitor monitor(board, workspace);
    monitor.poll();
    board.polls = 0;
    for (auto _ : state) {
        const double before = cpuSeconds();
        monitor.start(PasteboardMonitor::idlePollInterval);
        QEventLoop loop;
        QTimer::singleShot(std::chrono::minutes(1), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["cpu_ms"] = (cpuSeconds() - before) * 1000;
    }
    state.counters["polls"] = board.polls;
}
BENCHMARK(idlePollingMinute)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

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
