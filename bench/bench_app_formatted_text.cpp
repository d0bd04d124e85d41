// What reading formatted text costs: a 2 MiB RTF of text and photos and a 2 MiB HTML page read as
// formatted text (bounded to 300 ms each), the rich preview of an everyday entry (20 ms) and of
// the largest entry read, and the text editor opened on a 1 MB entry up to its first paint (150 ms).
#include "app/editors/RichTextPreviews.h"
#include "app/editors/TextEditorState.h"
#include "app/editors/TextEditorView.h"
#include "app/system/richtext/FormattedText.h"
#include "bench/ModelBench.h"
#include "bench/RunBenchmarks.h"
#include "core/richtext/RtfWriter.h"
#include "tests/support/MemoryPasteboard.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <benchmark/benchmark.h>
#include <random>
#include <string>

using namespace snipstack;

namespace {

Bytes noisyPng(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x % 256, y % 256, static_cast<int>(random() % 64)));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(bytes.begin(), bytes.end());
}

richtext::Paragraph prose(int index) {
    richtext::CharFormat bold;
    bold.bold = true;
    bold.fontFamily = "Liberation Serif";
    richtext::CharFormat link;
    link.underline = true;
    link.link = "https://example.com/" + std::to_string(index);
    return richtext::Paragraph{
        {},
        {richtext::Run{"Paragraph " + std::to_string(index) + ": ", bold, {}},
         richtext::Run{
             "formatted text as an office suite copies it, with accents (café, naïve) and ", {}, {}},
         richtext::Run{"a link", link, {}}, richtext::Run{" in every paragraph.", {}, {}}}};
}

// Photos of `side` × 3/4 `side` pixels, then text up to `target` bytes of RTF.
std::string largeRtf(std::size_t photos, int side, std::size_t target) {
    richtext::Document document;
    for (std::size_t i = 0; i < photos; ++i) {
        document.blocks.emplace_back(richtext::Paragraph{
            {},
            {richtext::Run{{}, {}, richtext::Image{noisyPng(side, side * 3 / 4), "image/png", 400, 300}}}});
    }
    auto rtf = richtext::writeRtf(document);
    for (int i = 0; rtf.size() < target; i += 100) {
        for (int k = i; k < i + 100; ++k) {
            document.blocks.emplace_back(prose(k));
        }
        rtf = richtext::writeRtf(document);
    }
    while (rtf.size() > target && document.blocks.size() > photos) {
        document.blocks.pop_back();
        rtf = richtext::writeRtf(document);
    }
    return rtf;
}

// A page of paragraphs with bold, italic and a link each; with `ids`, every paragraph has one too, as
// pages whose sections can be linked to have.
std::string largeHtml(std::size_t target, bool ids = false) {
    std::string html = "<html><body><table border=1><tr><td>A</td><td>B</td></tr></table>";
    for (int i = 0;; ++i) {
        const auto paragraph = (ids ? "<p id=\"s" + std::to_string(i) + "\">" : std::string("<p>")) +
                               "<b>Paragraph " + std::to_string(i) +
                               ":</b> a page's text with <i>emphasis</i>, accents (café, naïve) and "
                               "<a href=\"https://example.com/" +
                               std::to_string(i) + "\">a link</a>.</p>\n";
        if (html.size() + paragraph.size() + 14 > target) {
            break;
        }
        html += paragraph;
    }
    return html + "</body></html>";
}

ClipPayload payloadOf(std::string_view type, const std::string& data) {
    return ClipPayload{{ClipRepresentation{std::string(type), bytesOf(data)}}};
}

void readFormatted(benchmark::State& state, std::string_view type, const std::string& data) {
    const auto payload = payloadOf(type, data);
    for (auto _ : state) {
        const auto document = formattedText(payload);
        if (!document) {
            state.SkipWithError("not read");
        }
        benchmark::DoNotOptimize(document.get());
    }
    state.counters["input_MiB"] = data.size() / (1024.0 * 1024.0);
}

void rtf2MiB(benchmark::State& state) {
    static const auto rtf = largeRtf(4, 400, maxFormattedBytes);
    readFormatted(state, "public.rtf", rtf);
}
BENCHMARK(rtf2MiB)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void html2MiB(benchmark::State& state) {
    static const auto html = largeHtml(maxFormattedBytes);
    readFormatted(state, "public.html", html);
}
BENCHMARK(html2MiB)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void html2MiBWithIds(benchmark::State& state) {
    static const auto html = largeHtml(maxFormattedBytes, true);
    readFormatted(state, "public.html", html);
}
BENCHMARK(html2MiBWithIds)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// A few formatted paragraphs and a small picture, as most copies from a word processor are.
void richPreview(benchmark::State& state) {
    static const auto rtf = largeRtf(1, 160, 60 * 1024);
    const auto payload = payloadOf("public.rtf", rtf);
    RichTextPreviews previews;
    for (auto _ : state) {
        benchmark::DoNotOptimize(previews.render(payload));
    }
    state.counters["input_KiB"] = rtf.size() / 1024.0;
}
BENCHMARK(richPreview)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void richPreview2MiB(benchmark::State& state) {
    static const auto rtf = largeRtf(4, 400, maxFormattedBytes);
    const auto payload = payloadOf("public.rtf", rtf);
    RichTextPreviews previews;
    for (auto _ : state) {
        benchmark::DoNotOptimize(previews.render(payload));
    }
}
BENCHMARK(richPreview2MiB)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// Catches the text view's first paint.
class FirstPaint final : public QObject {
public:
    QEventLoop loop;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        }
        return false;
    }
};

void editorOpens1MB(benchmark::State& state) {
    static const auto rtf = largeRtf(2, 400, 1024 * 1024);
    const auto payload = payloadOf("public.rtf", rtf);
    bench::TemporaryFolder folder;
    MemoryPasteboard pasteboard;
    testing::FakeWorkspace workspace;
    InMemoryKeyVault vault;
    bench::NoUserInterface ui;
    const auto model = bench::makeModel(QString::fromStdString((folder.path / "settings.ini").string()),
                                        pasteboard, workspace, vault, ui, folder.path / "data");
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto* editorState = new TextEditorState(QStringLiteral("plain"), formattedText(payload));
        TextEditorView view(*model, editorState);
        view.resize(TextEditorView::contentSize);
        FirstPaint painted;
        editorState->textView()->viewport()->installEventFilter(&painted);
        view.show();
        painted.loop.exec();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(editorOpens1MB)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    return snipstack::bench::runBenchmarks(argc, argv);
}
