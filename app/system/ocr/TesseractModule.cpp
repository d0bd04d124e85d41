#include "app/system/ocr/TesseractModule.h"

#include "app/system/LogCategories.h"

#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <system_error>

namespace snipstack {
namespace {

namespace fs = std::filesystem;

const TesseractEntryPoints* loadFrom(const fs::path& file, std::string& failure) {
    // Local binding keeps Tesseract's symbols (and libgomp's) from standing in for anything else.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        failure = dlerror();
        return nullptr;
    }
    const auto* entryPoints = static_cast<const TesseractEntryPoints*>(dlsym(handle, "snipstackTesseract"));
    if (!entryPoints) {
        failure = file.string() + " is not Snipstack's text recognition module";
        dlclose(handle);
    }
    return entryPoints;
}

bool inside(const fs::path& file, const fs::path& folder) {
    const fs::path relative = file.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

const TesseractEntryPoints* load() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        qCCritical(ocrLog, "Text recognition is unavailable: the program's own path is unknown (%s)",
                   error.message().c_str());
        return nullptr;
    }
    fs::path file = program.parent_path() / SNIPSTACK_OCR_MODULE_FROM_PROGRAM;
    // A program run from the build tree loads the module built beside it. Only a program inside the
    // tree does, so that an installed one never loads code from wherever it was once built.
    if (!fs::exists(file, error) && inside(program, SNIPSTACK_BUILD_TREE)) {
        file = SNIPSTACK_OCR_MODULE_IN_BUILD_TREE;
    }
    std::string failure;
    const TesseractEntryPoints* entryPoints = loadFrom(file, failure);
    if (!entryPoints) {
        qCCritical(ocrLog, "Text recognition is unavailable: %s", failure.c_str());
    }
    return entryPoints;
}

} // namespace

const TesseractEntryPoints* TesseractModule::entryPoints() {
    static const TesseractEntryPoints* const loaded = load();
    return loaded;
}

} // namespace snipstack
