#include "app/system/SystemPasteboard.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <cstring>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <thread>
#include <xcb/xcb.h>

namespace snipstack {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;

Bytes bytesOf(const QByteArray& bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

// Runs the event loop until `done` holds; false when `timeout` passes first.
bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.hasExpired(timeout.count())) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void spinFor(std::chrono::milliseconds time) {
    spinUntil([] { return false; }, time);
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Takes the clipboard over a connection of its own and answers TARGETS (offering UTF-8 text and a
// PNG) but no request for data; or, without `answerTargets`, answers nothing at all.
class StallingOwner {
public:
    explicit StallingOwner(bool answersTargets) : connection_(xcb_connect(nullptr, nullptr)) {
        const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(connection_, window_, atom("CLIPBOARD"), XCB_CURRENT_TIME);
        targets_ = atom("TARGETS");
        offered_ = {targets_, atom("UTF8_STRING"), atom("image/png")};
        xcb_flush(connection_);
        if (answersTargets) {
            server_ = std::jthread([this](std::stop_token stop) { answerTargets(stop); });
        }
    }

    ~StallingOwner() {
        server_ = {};
        xcb_disconnect(connection_);
    }

private:
    xcb_atom_t atom(const char* name) {
        const auto cookie =
            xcb_intern_atom(connection_, false, static_cast<std::uint16_t>(std::strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection_, cookie, nullptr), &std::free);
        return reply->atom;
    }

    void answerTargets(const std::stop_token& stop) {
        while (!stop.stop_requested()) {
            while (auto* event = xcb_poll_for_event(connection_)) {
                const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
                if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST && request->target == targets_) {
                    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor,
                                        request->property, XCB_ATOM_ATOM, 32, offered_.size(),
                                        offered_.data());
                    xcb_selection_notify_event_t notify{};
                    notify.response_type = XCB_SELECTION_NOTIFY;
                    notify.time = request->time;
                    notify.requestor = request->requestor;
                    notify.selection = request->selection;
                    notify.target = request->target;
                    notify.property = request->property;
                    std::array<char, 32> wire{};
                    std::memcpy(wire.data(), &notify, sizeof notify);
                    xcb_send_event(connection_, false, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                                   wire.data());
                    xcb_flush(connection_);
                }
                std::free(event);
            }
            pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
            ::poll(&descriptor, 1, 20);
        }
    }

    xcb_connection_t* connection_;
    xcb_window_t window_ = 0;
    xcb_atom_t targets_ = 0;
    std::array<xcb_atom_t, 3> offered_{};
    std::jthread server_;
};

class SystemPasteboardTest : public ::testing::Test {
protected:
    SystemPasteboardTest() {
        pasteboard.onChange = [this] { ++changes; };
    }

    ~SystemPasteboardTest() override {
        for (auto& owner : owners) {
            owner->kill();
            owner->waitForFinished();
        }
        // Lets Qt report the owner's exit here rather than to the next test in this process.
        if (!owners.empty()) {
            spinUntil([] { return !X11SelectionReader().hasOwner(); });
            spinFor(50ms);
        }
    }

    // Starts another program that copies, and waits until the pasteboard has seen the change.
    bool copyWith(const QString& program, const QStringList& arguments) {
        const auto before = changes;
        owners.push_back(std::make_unique<QProcess>());
        owners.back()->start(program, arguments);
        return spinUntil([&] { return changes > before; });
    }

    bool xclipIn(const QString& target, const QByteArray& bytes) {
        const auto path = directory.filePath(QString::number(owners.size()));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        return copyWith("xclip", {"-quiet", "-selection", "clipboard", "-target", target, path});
    }

    bool serve(const QStringList& typesAndTexts) {
        return copyWith(QCoreApplication::applicationFilePath(),
                        QStringList{"--serve-clipboard"} + typesAndTexts);
    }

    // What another program reads for `target`; the event loop runs meanwhile, as we may be the owner.
    static QByteArray xclipOut(const QString& target) {
        QProcess reader;
        reader.start("xclip", {"-o", "-selection", "clipboard", "-target", target});
        spinUntil([&] { return reader.state() == QProcess::NotRunning; });
        return reader.readAllStandardOutput();
    }

    SystemPasteboard pasteboard;
    int changes = 0;
    QTemporaryDir directory;
    std::vector<std::unique_ptr<QProcess>> owners;
};

TEST_F(SystemPasteboardTest, CountsAnotherProgramsCopyOnceAndReadsItsTextAsUTF8) {
    const QByteArray text = "Grüße, 世界 — ✓\n";
    const auto before = pasteboard.changeCount();
    ASSERT_TRUE(xclipIn("UTF8_STRING", text));
    spinFor(100ms);
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
    EXPECT_EQ(changes, 1);
    EXPECT_THAT(pasteboard.types(), ElementsAre(PasteboardType::plainText));
    EXPECT_EQ(pasteboard.firstItemTypes(), pasteboard.types());
    EXPECT_EQ(pasteboard.plainText(), text.toStdString());
    EXPECT_EQ(pasteboard.data(PasteboardType::plainText), bytesOf(text));
    EXPECT_EQ(pasteboard.changeCount(), before + 1);

    // Old programs offer only STRING, which X defines as Latin-1.
    ASSERT_TRUE(xclipIn("STRING", "\xfc"
                                  "ber"));
    EXPECT_EQ(pasteboard.plainText(), "über");
}

TEST_F(SystemPasteboardTest, ListsTypesInTheOwnersOrderWithoutX11Bookkeeping) {
    // Qt offers the text also as UTF8_STRING, STRING and TEXT, plus TARGETS, MULTIPLE, TIMESTAMP
    // and SAVE_TARGETS.
    ASSERT_TRUE(serve(
        {"text/html", "<b>Grüße</b>", "text/plain", "Grüße", "application/x-snipstack-test", "custom"}));
    EXPECT_THAT(pasteboard.types(),
                ElementsAre(PasteboardType::html, PasteboardType::plainText, "application/x-snipstack-test"));
    EXPECT_EQ(pasteboard.data(PasteboardType::html), bytesOf(QByteArray("<b>Grüße</b>")));
    EXPECT_EQ(pasteboard.plainText(), "Grüße");
    EXPECT_EQ(pasteboard.data("application/x-snipstack-test"), bytesOf(QByteArray("custom")));
    EXPECT_EQ(pasteboard.data(PasteboardType::rtf), std::nullopt);
}

TEST_F(SystemPasteboardTest, ReadsImagesAndMakesTIFFFromAnyDecodableOne) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const auto png = encoded(image, "PNG");
    ASSERT_TRUE(xclipIn("image/png", png));
    EXPECT_THAT(pasteboard.types(), ElementsAre(PasteboardType::png));
    EXPECT_EQ(pasteboard.data(PasteboardType::png), bytesOf(png));

    ASSERT_TRUE(xclipIn("image/jpeg", encoded(image, "JPEG")));
    EXPECT_THAT(pasteboard.types(), ElementsAre("image/jpeg"));
    const auto tiff = pasteboard.imageAsTIFF();
    ASSERT_TRUE(tiff.has_value());
    const auto decoded = QImage::fromData(
        QByteArray(reinterpret_cast<const char*>(tiff->data()), static_cast<qsizetype>(tiff->size())),
        "TIFF");
    EXPECT_EQ(decoded.size(), image.size());

    ASSERT_TRUE(xclipIn("UTF8_STRING", "no image"));
    EXPECT_EQ(pasteboard.imageAsTIFF(), std::nullopt);
}

TEST_F(SystemPasteboardTest, ReadsLargeDataInPieces) {
    QByteArray large(6 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(large.data()), large.size() / 4);
    ASSERT_TRUE(xclipIn("application/octet-stream", large));
    EXPECT_EQ(pasteboard.data("application/octet-stream"), bytesOf(large));
}

TEST_F(SystemPasteboardTest, ListsFileURLsOnceAndKeepsOtherURIListsVerbatim) {
    ASSERT_TRUE(xclipIn("text/uri-list", "# copied\r\nfile:///tmp/a.txt\r\nfile:///tmp/with%20space.txt\r\n"
                                         "https://example.org/\r\nfile:///tmp/%C3%BCber.txt\r\n"));
    EXPECT_THAT(pasteboard.fileURLs(), ElementsAre("file:///tmp/a.txt", "file:///tmp/with%20space.txt",
                                                   "file:///tmp/%C3%BCber.txt"));
    EXPECT_THAT(pasteboard.types(), ElementsAre(PasteboardType::fileURL));
    EXPECT_EQ(pasteboard.data(PasteboardType::fileURL), bytesOf(QByteArray("file:///tmp/a.txt")));

    ASSERT_TRUE(xclipIn("text/uri-list", "https://example.org/\r\n"));
    EXPECT_TRUE(pasteboard.fileURLs().empty());
    EXPECT_THAT(pasteboard.types(), ElementsAre("text/uri-list"));
}

TEST_F(SystemPasteboardTest, MarksAPasswordManagersSecretAsConcealed) {
    ASSERT_TRUE(serve({"text/plain", "hunter2", "x-kde-passwordManagerHint", "secret"}));
    EXPECT_THAT(pasteboard.types(), ElementsAre(PasteboardType::plainText, PasteboardType::concealed));

    ASSERT_TRUE(serve({"text/plain", "hunter2", "x-kde-passwordManagerHint", "nothing"}));
    EXPECT_THAT(pasteboard.types(), ElementsAre(PasteboardType::plainText));
}

TEST_F(SystemPasteboardTest, OffersWritesToOtherProgramsUnderMimeTypes) {
    const auto before = pasteboard.changeCount();
    pasteboard.clearContents();
    pasteboard.writeItem({{std::string(PasteboardType::plainText), bytesOf(QByteArray("Grüße"))},
                          {std::string(PasteboardType::html), bytesOf(QByteArray("<i>Grüße</i>"))},
                          {std::string(PasteboardType::rtf), bytesOf(QByteArray("{\\rtf1 G}"))},
                          {"application/x-snipstack-test", bytesOf(QByteArray("custom"))}});
    EXPECT_EQ(pasteboard.changeCount(), before + 2);
    // Delivered later, so that a writer notes the new count before a watcher looks.
    EXPECT_EQ(changes, 0);
    // Read back from our own data: asking the X server would time out against ourselves.
    EXPECT_THAT(pasteboard.types(), ElementsAre(PasteboardType::plainText, PasteboardType::html,
                                                PasteboardType::rtf, "application/x-snipstack-test"));
    EXPECT_EQ(pasteboard.data(PasteboardType::html), bytesOf(QByteArray("<i>Grüße</i>")));
    EXPECT_THAT(xclipOut("TARGETS").split('\n'),
                IsSupersetOf({"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "text/html",
                              "text/rtf", "application/x-snipstack-test"}));
    EXPECT_EQ(xclipOut("UTF8_STRING"), "Grüße");
    EXPECT_EQ(xclipOut("text/html"), "<i>Grüße</i>");
    EXPECT_EQ(xclipOut("text/rtf"), "{\\rtf1 G}");
    EXPECT_EQ(changes, 2);

    pasteboard.writeFileURLs({"file:///tmp/a.txt", "file:///tmp/b%20c.txt"});
    EXPECT_EQ(xclipOut("text/uri-list"), "file:///tmp/a.txt\r\nfile:///tmp/b%20c.txt\r\n");
    pasteboard.setString("plain");
    EXPECT_EQ(xclipOut("UTF8_STRING"), "plain");
}

TEST_F(SystemPasteboardTest, ClearingReleasesTheClipboardUnlessAWriteFollows) {
    pasteboard.setString("first");
    pasteboard.clearContents();
    EXPECT_TRUE(pasteboard.types().empty());
    pasteboard.setString("second");
    spinFor(100ms);
    EXPECT_EQ(xclipOut("UTF8_STRING"), "second");

    pasteboard.clearContents();
    spinFor(100ms);
    EXPECT_FALSE(X11SelectionReader().hasOwner());
    EXPECT_EQ(pasteboard.firstItemTypes(), std::nullopt);
}

TEST_F(SystemPasteboardTest, GivesUpOnAnOwnerThatNeverAnswers) {
    const auto before = changes;
    StallingOwner owner(false);
    ASSERT_TRUE(spinUntil([&] { return changes > before; }));
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(pasteboard.types().empty());
    EXPECT_EQ(pasteboard.firstItemTypes(), std::nullopt);
    EXPECT_EQ(pasteboard.plainText(), std::nullopt);
    EXPECT_LT(timer.elapsed(), 1500);
}

TEST_F(SystemPasteboardTest, AsksNothingMoreOfAnOwnerThatLetOneReadTimeOut) {
    const auto before = changes;
    StallingOwner owner(true);
    ASSERT_TRUE(spinUntil([&] { return changes > before; }));
    EXPECT_THAT(pasteboard.types(), ElementsAre(PasteboardType::plainText, PasteboardType::png));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(pasteboard.plainText(), std::nullopt);
    EXPECT_EQ(pasteboard.data(PasteboardType::png), std::nullopt);
    EXPECT_EQ(pasteboard.imageAsTIFF(), std::nullopt);
    EXPECT_LT(timer.elapsed(), 1500);
}

} // namespace
} // namespace snipstack
