// The image editor on a 3840 × 2160 screenshot: opening it to the first paint (bounded to 150 ms),
// one pen move's repaint (8 ms), rendering and writing it as PNG (400 ms) and as GIF (800 ms; also
// for a photograph, whose colours are reduced), and the resident peak while it is edited (4 × the
// decoded image, 33 MB; recognition is left out).
#include "app/editors/AnnotationCanvas.h"
#include "app/editors/EditorImageView.h"
#include "app/editors/ImageEditorState.h"
#include "app/editors/ImageEditorView.h"
#include "bench/ModelBench.h"
#include "bench/PeakMemory.h"
#include "bench/RunBenchmarks.h"
#include "tests/support/MemoryPasteboard.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

using namespace snipstack;

namespace {

constexpr QSize screenshotSize{3840, 2160};

// A desktop as screenshots show it: flat window backgrounds, title bars, and lines of text.
Bytes screenshotPng() {
    QImage image(screenshotSize, QImage::Format_RGB32);
    image.fill(QColor(0x2E, 0x34, 0x40));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRect windows[] = {{120, 100, 2200, 1800}, {2000, 300, 1700, 1500}};
    for (const QRect& window : windows) {
        painter.fillRect(window, Qt::white);
        painter.fillRect(QRect(window.topLeft(), QSize(window.width(), 70)), QColor(0xEC, 0xEC, 0xEC));
        painter.setPen(QColor(0x20, 0x20, 0x20));
        painter.setFont(QFont("DejaVu Sans", 22));
        for (int y = window.top() + 130; y < window.bottom() - 40; y += 48) {
            painter.drawText(
                window.left() + 40, y,
                QStringLiteral("Line %1: quarterly invoice totals, meeting notes and a link").arg(y));
        }
    }
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(png.begin(), png.end());
}

const Bytes& screenshot() {
    static const Bytes png = screenshotPng();
    return png;
}

// A photograph's worth of colours, which GIF reduces by median cut rather than keeping them exactly.
const Bytes& photo() {
    static const Bytes png = [] {
        QImage image(screenshotSize, QImage::Format_RGB32);
        std::mt19937 random(11);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int noise = int(random() % 24);
                line[x] = qRgb((x / 16 + noise) % 256, (y / 9 + noise) % 256, (x + y) / 24 % 256);
            }
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return Bytes(bytes.begin(), bytes.end());
    }();
    return png;
}

// A model with fakes around it, for the view to save into.
struct Editing {
    bench::TemporaryFolder folder;
    MemoryPasteboard pasteboard;
    testing::FakeWorkspace workspace;
    InMemoryKeyVault vault;
    bench::NoUserInterface ui;
    std::unique_ptr<AppModel> model =
        bench::makeModel(QString::fromStdString((folder.path / "settings.ini").string()), pasteboard,
                         workspace, vault, ui, folder.path / "data");
    std::unique_ptr<ImageEditorView> view;

    bool open(const Bytes& image = screenshot()) {
        auto state = ImageEditorState::make(image, model->preferences(), [this](Bytes bytes) {
            return model->recognizeText(std::move(bytes));
        });
        if (!state) {
            return false;
        }
        view = std::make_unique<ImageEditorView>(*model, state.release());
        view->resize(ImageEditorView::contentSize);
        return true;
    }

    // A zig-zag stroke across the image, as the mouse sends it.
    void drawStroke(double y) {
        AnnotationCanvas& canvas = *view->state().canvas();
        canvas.mouseDown({0.1, y});
        for (int i = 1; i <= 80; ++i) {
            canvas.mouseDragged({0.1 + i * 0.01, y + (i % 2) * 0.02});
        }
        canvas.mouseUp();
    }
};

// Catches the first paint of a widget, and measures the area each paint covers.
class Paints final : public QObject {
public:
    QEventLoop loop;
    long pixels = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region()) {
                pixels += long(rect.width()) * rect.height();
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        }
        return false;
    }
};

void openToFirstPaint(benchmark::State& state) {
    screenshot();
    for (auto _ : state) {
        Editing editing;
        QElapsedTimer timer;
        timer.start();
        if (!editing.open()) {
            state.SkipWithError("not opened");
            return;
        }
        Paints painted;
        editing.view->state().imageView()->installEventFilter(&painted);
        editing.view->show();
        painted.loop.exec();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(openToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);

// One mouse move of a pen stroke, from the event to the repainted window.
void penMoveRepaint(benchmark::State& state) {
    Editing editing;
    if (!editing.open()) {
        state.SkipWithError("not opened");
        return;
    }
    editing.view->show();
    for (int i = 0; i < 5; ++i) {
        editing.drawStroke(0.1 + i * 0.15);
    }
    QApplication::processEvents();
    editing.view->state().setTool(AnnotationTool::pen);
    AnnotationCanvas& canvas = *editing.view->state().canvas();
    Paints paints;
    editing.view->state().imageView()->installEventFilter(&paints);
    const QPointF start(canvas.width() * 0.2, canvas.height() * 0.5);
    QMouseEvent press(QEvent::MouseButtonPress, start, canvas.mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&canvas, &press);
    QApplication::processEvents();
    paints.pixels = 0;
    long moves = 0;
    for (auto _ : state) {
        const QPointF at(start.x() + (moves % 400), start.y() + (moves % 7) * 3);
        ++moves;
        QElapsedTimer timer;
        timer.start();
        QMouseEvent move(QEvent::MouseMove, at, canvas.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&canvas, &move);
        // The repaint the move asked for, now rather than at the next turn of the event loop.
        QCoreApplication::sendPostedEvents(editing.view->window(), QEvent::UpdateRequest);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
    state.counters["image_px_repainted_per_move"] = double(paints.pixels) / double(std::max(moves, 1L));
}
BENCHMARK(penMoveRepaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(400)->Repetitions(3);

void renderAndWrite(benchmark::State& state, ImageFileFormat format, const Bytes& image = screenshot()) {
    Editing editing;
    if (!editing.open(image)) {
        state.SkipWithError("not opened");
        return;
    }
    for (int i = 0; i < 5; ++i) {
        editing.drawStroke(0.1 + i * 0.15);
    }
    const QString path =
        QString::fromStdString((editing.folder.path / "out.").string()) + formatExtension(format);
    for (auto _ : state) {
        if (!editing.view->writeFile(path, format)) {
            state.SkipWithError("not written");
            return;
        }
    }
    state.counters["file_MiB"] = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
}

void renderPng(benchmark::State& state) {
    renderAndWrite(state, ImageFileFormat::png);
}
BENCHMARK(renderPng)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

void renderGif(benchmark::State& state) {
    renderAndWrite(state, ImageFileFormat::gif);
}
BENCHMARK(renderGif)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

void renderGifOfAPhoto(benchmark::State& state) {
    renderAndWrite(state, ImageFileFormat::gif, photo());
}
BENCHMARK(renderGifOfAPhoto)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

constexpr const char* peakOption = "--peak";

// In a fresh process: the growth of the resident peak while the screenshot is opened, drawn on,
// cropped, zoomed and saved as PNG and GIF, in KiB.
int printPeakGrowth() {
    screenshot();
    Editing editing;
    const long growth = bench::peakGrowthKiB([&] {
        if (!editing.open()) {
            return false;
        }
        editing.view->show();
        QApplication::processEvents();
        editing.view->state().setTool(AnnotationTool::pen);
        for (int i = 0; i < 5; ++i) {
            editing.drawStroke(0.1 + i * 0.15);
            QApplication::processEvents();
        }
        editing.view->state().zoom(ImageEditorState::zoomInFactor);
        QApplication::processEvents();
        editing.view->state().resetZoom();
        const QString base = QString::fromStdString((editing.folder.path / "out").string());
        return editing.view->writeFile(base + ".png", ImageFileFormat::png) &&
               editing.view->writeFile(base + ".gif", ImageFileFormat::gif);
    });
    if (growth < 0) {
        return 1;
    }
    std::printf("%ld\n", growth);
    return 0;
}

void peakWhileEditing(benchmark::State& state) {
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {peakOption});
        if (!child.waitForFinished(120'000) || child.exitCode() != 0) {
            state.SkipWithError("the measuring process failed");
            return;
        }
        state.counters["peak_growth_MiB"] = child.readAllStandardOutput().trimmed().toLong() / 1024.0;
    }
    state.counters["decoded_MiB"] = screenshotSize.width() * screenshotSize.height() * 4 / (1024.0 * 1024.0);
}
BENCHMARK(peakWhileEditing)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (argc == 2 && std::string_view(argv[1]) == peakOption) {
        return printPeakGrowth();
    }
    return snipstack::bench::runBenchmarks(argc, argv);
}
