// The X11 integration tests, each run against a private Xvfb. Started with --serve-clipboard
// MIME TEXT..., --serve-image WIDTH HEIGHT or --serve-image-text TEXT, the program is instead another
// program that copies: it owns the clipboard with those types, or an image (a pattern, or the text
// drawn black on white) as Qt offers one, until something else takes it.
// With --serve-clipboard-until-eof it also quits as a program quits normally once its standard input
// ends, handing its clipboard to a clipboard manager if one runs.
#include "tests/support/Xvfb.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSocketNotifier>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string_view>
#include <unistd.h>

namespace {

int serveClipboard(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    auto* data = new QMimeData;
    if (std::string_view(argv[1]) == "--serve-image" && argc == 4) {
        QImage image(std::atoi(argv[2]), std::atoi(argv[3]), QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                line[x] = qRgb(x % 256, y % 256, (x ^ y) % 256);
            }
        }
        data->setImageData(image);
    } else if (std::string_view(argv[1]) == "--serve-image-text" && argc == 3) {
        QImage image(640, 140, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(QFont("DejaVu Sans", 36));
        painter.drawText(image.rect(), Qt::AlignCenter, QString::fromUtf8(argv[2]));
        painter.end();
        data->setImageData(image);
    }
    for (int i = 2; i + 1 < argc && !data->hasImage(); i += 2) {
        data->setData(QString::fromUtf8(argv[i]), QByteArray(argv[i + 1]));
    }
    auto* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);
    QObject::connect(clipboard, &QClipboard::dataChanged, &application, [&] {
        if (!clipboard->ownsClipboard()) {
            application.quit();
        }
    });
    QSocketNotifier input(0, QSocketNotifier::Read);
    if (std::string_view(argv[1]) == "--serve-clipboard-until-eof") {
        QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
            char byte = 0;
            if (read(0, &byte, 1) <= 0) {
                application.quit();
            }
        });
    } else {
        input.setEnabled(false);
    }
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::string_view(argv[1]).starts_with("--serve-clipboard") ||
                     std::string_view(argv[1]).starts_with("--serve-image"))) {
        return serveClipboard(argc, argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery only lists the tests; it needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    snipstack::x11test::Xvfb xvfb;
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
