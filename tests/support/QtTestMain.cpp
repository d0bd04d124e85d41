// Runs the application's unit tests inside a Qt application (a widget one for the windows' tests),
// without a display unless asked for.
#include <QGuiApplication>
#ifdef SNIPSTACK_TEST_WIDGETS
#include <QApplication>
#endif
#include <gtest/gtest.h>

// Read by the sanitizers in sanitizer builds only. libsecret keeps a prompt object of a few bytes
// alive after a prompted unlock (Debian 12's libsecret 0.20.5), which is not ours to free; telling it
// apart needs whole allocation stacks, as GLib has no frame pointers for the fast unwinder.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:_secret_prompt_instance\n";
}

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#ifdef SNIPSTACK_TEST_WIDGETS
    QApplication application(argc, argv);
#else
    QGuiApplication application(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
