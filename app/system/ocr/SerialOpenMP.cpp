#include <utility>

// Debian's Tesseract is built with OpenMP and opens a parallel region for every step of its LSTM, tens
// of thousands a screenshot. Spread over threads, those steps run several times slower than on one, and
// even a region of one thread costs libgomp a team and a system call to wake its barrier, a tenth of
// the recognition time. These definitions of the entry points Tesseract calls (libgomp's documented
// ABI) run every region on the calling thread, as a plain call. The program links them in and exports
// them, so they come first in the global scope, before libgomp (which Qt brings in through libb2), when
// the recognition module's Tesseract binds its calls. Nothing else in the program uses OpenMP.
namespace {
// The sections of the innermost sections region running on this thread: how many, and how many of
// them have been handed out.
thread_local unsigned sectionCount = 0;
thread_local unsigned sectionsHandedOut = 0;
} // namespace

extern "C" {
void GOMP_parallel(void (*body)(void*), void* data, unsigned /*threads*/, unsigned /*flags*/) {
    body(data);
}

void GOMP_parallel_sections(void (*body)(void*), void* data, unsigned /*threads*/, unsigned count,
                            unsigned /*flags*/) {
    const unsigned outerCount = std::exchange(sectionCount, count);
    const unsigned outerHandedOut = std::exchange(sectionsHandedOut, 0);
    body(data);
    sectionCount = outerCount;
    sectionsHandedOut = outerHandedOut;
}

// The next section to run, counted from 1; 0 when all have run.
unsigned GOMP_sections_next() {
    return sectionsHandedOut < sectionCount ? ++sectionsHandedOut : 0;
}

void GOMP_sections_end_nowait() {}
}
