// Text recognition of a full-HD screenshot-like image: a window with a sidebar, a toolbar of buttons
// and a few paragraphs at a usual UI font size. Time per recognition with a warm engine, and the peak
// resident growth of a first recognition in a fresh process (engine loading included).
#include "app/system/TextRecognition.h"
#include "bench/PeakMemory.h"
#include "bench/RunBenchmarks.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>

using namespace snipstack;

namespace {

constexpr const char* paragraph =
    "Clipboard history keeps everything you copy, so that text, images and files stay at hand. "
    "Open the panel with the shortcut, type to filter the entries and press Return to paste the "
    "selected one into the application you were working in. Entries you pin stay at the top.";

Bytes screenshotPNG() {
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 236));
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(15);
    painter.setFont(font);
    painter.fillRect(0, 0, 1920, 36, QColor(48, 48, 52));
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 1920, 36), Qt::AlignCenter, "Snipstack Notes - Document 1");
    painter.fillRect(0, 36, 280, 1044, QColor(250, 250, 250));
    painter.setPen(QColor(40, 40, 40));
    for (int i = 0; i < 12; ++i) {
        painter.drawText(24, 80 + i * 34, QString("Folder %1: project notes").arg(i + 1));
    }
    for (int i = 0; i < 6; ++i) {
        const QRect button(320 + i * 140, 56, 120, 32);
        painter.setBrush(QColor(255, 255, 255));
        painter.drawRoundedRect(button, 6, 6);
        painter.drawText(button, Qt::AlignCenter,
                         QStringList{"New", "Open", "Save", "Share", "Print", "Help"}[i]);
    }
    for (int i = 0; i < 4; ++i) {
        painter.drawText(QRect(320, 130 + i * 150, 1500, 140), Qt::TextWordWrap, paragraph);
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(bytes.begin(), bytes.end());
}

constexpr const char* peakOption = "--peak";

int printPeakGrowth() {
    const Bytes image = screenshotPNG();
    const long growth = snipstack::bench::peakGrowthKiB([&] { return recognizeTextIn(image).has_value(); });
    if (growth < 0) {
        return 1;
    }
    std::printf("%ld\n", growth);
    return 0;
}

double peakExtraMiB() {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {peakOption});
    if (!child.waitForFinished(120'000) || child.exitCode() != 0) {
        return -1;
    }
    return child.readAllStandardOutput().trimmed().toLong() / 1024.0;
}

void recognizeScreenshot(benchmark::State& state) {
    const Bytes image = screenshotPNG();
    const auto warm = recognizeTextIn(image);
    for (auto _ : state) {
        benchmark::DoNotOptimize(recognizeTextIn(image));
    }
    state.counters["words"] = warm ? double(warm->words.size()) : -1;
    state.counters["peak_extra_MiB"] = peakExtraMiB();
}
BENCHMARK(recognizeScreenshot)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], peakOption) == 0) {
        return printPeakGrowth();
    }
    return snipstack::bench::runBenchmarks(argc, argv);
}
