// The X11 integration tests, each run against a private Xvfb. Started with --serve-clipboard
// MIME TEXT..., the program is instead another program that copies: it owns the clipboard with
// those types until something else takes it.
#include "tests/app/x11/Xvfb.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>
#include <string_view>

namespace {

int serveClipboard(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    auto* data = new QMimeData;
    for (int i = 2; i + 1 < argc; i += 2) {
        data->setData(QString::fromUtf8(argv[i]), QByteArray(argv[i + 1]));
    }
    auto* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);
    QObject::connect(clipboard, &QClipboard::dataChanged, &application, [&] {
        if (!clipboard->ownsClipboard()) {
            application.quit();
        }
    });
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--serve-clipboard") {
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
