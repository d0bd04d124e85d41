// History costs that the panel and the capture path feel: search on every keystroke (against glibc
// memmem over the same keys as the baseline), adding into a full history, and record coding.
#include "core/model/ClipCoding.h"
#include "core/model/ContentHash.h"
#include "core/model/History.h"
#include "core/model/MemoryBackend.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

using namespace snipstack;

namespace {

// Common English words (plus a few accented ones) drawn with a skewed distribution, so letter
// frequencies resemble real snippets: 'e' is everywhere, "ethos" is absent.
const char* const vocabulary[] = {
    "the",    "of",     "and",     "to",      "in",     "is",       "that",    "for",    "it",      "as",
    "was",    "with",   "be",      "by",      "on",     "not",      "he",      "this",   "are",     "or",
    "his",    "from",   "at",      "which",   "but",    "have",     "an",      "had",    "they",    "you",
    "were",   "there",  "one",     "all",     "we",     "can",      "her",     "has",    "been",    "if",
    "more",   "when",   "will",    "would",   "who",    "so",       "no",      "other",  "these",   "their",
    "server", "return", "error",   "request", "user",   "release",  "message", "the",    "reset",   "select",
    "value",  "event",  "network", "between", "letter", "together", "whether", "them",   "then",    "else",
    "deploy", "commit", "branch",  "merge",   "token",  "config",   "header",  "kernel", "process", "thread",
    "café",   "naïve",  "résumé",  "über",    "señor",  "façade",   "déjà",    "zürich", "crème",   "piñata",
};

std::string pseudoText(std::mt19937& random, std::size_t bytes) {
    std::geometric_distribution<std::size_t> pick(0.08);
    std::string text;
    while (text.size() < bytes) {
        text += vocabulary[pick(random) % std::size(vocabulary)];
        text += (random() % 12 == 0) ? ". " : " ";
    }
    return text;
}

ClipDraft draftOf(std::string text) {
    ClipDraft draft;
    draft.contentHash = contentHash(bytesOf(text));
    draft.payload.representations.push_back({"public.utf8-plain-text", bytesOf(text)});
    draft.text = std::move(text);
    return draft;
}

// (a) 5000 snippets of ~200 bytes; (b) 4,900 snippets plus 100 logs of 100,000 characters.
std::shared_ptr<MemoryBackend> makeBackend(bool mixed) {
    auto backend = std::make_shared<MemoryBackend>();
    std::mt19937 random(42);
    History history(backend, History::maxItemsLimit);
    for (int i = 0; i < 5000; ++i) {
        const bool log = mixed && i % 50 == 0;
        history.add(draftOf(pseudoText(random, log ? 100'000 : 200) + std::to_string(i)), Date{double(i)});
    }
    return backend;
}

const std::shared_ptr<MemoryBackend>& backendFor(bool mixed) {
    static auto snippets = makeBackend(false);
    static auto logs = makeBackend(true);
    return mixed ? logs : snippets;
}

const char* const queries[] = {"ethos", "ethos qzx rlm", "kernel", "zürich commit thread"};

void BM_SearchWarm(benchmark::State& state) {
    History history(backendFor(state.range(0) == 1), History::maxItemsLimit);
    const char* query = queries[state.range(1)];
    history.search(query);
    for (auto _ : state) {
        benchmark::DoNotOptimize(history.search(query));
    }
    state.SetLabel(query);
}

void BM_SearchCold(benchmark::State& state) {
    const char* query = queries[state.range(1)];
    for (auto _ : state) {
        state.PauseTiming();
        History history(backendFor(state.range(0) == 1), History::maxItemsLimit);
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.search(query));
    }
    state.SetLabel(query);
}

// The baseline: glibc memmem over the same folded keys, one word per key, no cache lookup.
void BM_MemmemBaseline(benchmark::State& state) {
    History history(backendFor(state.range(0) == 1), History::maxItemsLimit);
    history.search("warm");
    std::vector<std::string> keys;
    for (const auto& item : history.items()) {
        keys.push_back(history.searchKeys().at(item.id));
    }
    const std::string word = state.range(1) == 2 ? "kernel" : "ethos";
    std::size_t bytes = 0;
    for (const auto& key : keys) {
        bytes += key.size();
    }
    for (auto _ : state) {
        std::size_t found = 0;
        for (const auto& key : keys) {
            found += memmem(key.data(), key.size(), word.data(), word.size()) != nullptr;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetLabel(word);
}

void searchArguments(benchmark::internal::Benchmark* b) {
    for (int mixed : {0, 1}) {
        for (int query = 0; query < 4; ++query) {
            b->Args({mixed, query});
        }
    }
}

BENCHMARK(BM_SearchWarm)->Apply(searchArguments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchCold)->Apply(searchArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemmemBaseline)
    ->Args({0, 0})
    ->Args({0, 2})
    ->Args({1, 0})
    ->Args({1, 2})
    ->Unit(benchmark::kMicrosecond);

void BM_AddToFullHistory(benchmark::State& state) {
    const bool duplicate = state.range(0) == 1;
    auto backend = std::make_shared<MemoryBackend>(*backendFor(false));
    History history(backend, History::maxItemsLimit);
    std::mt19937 random(7);
    double now = 10'000;
    for (auto _ : state) {
        state.PauseTiming();
        // A duplicate of an entry from the middle of the list, or new content that pushes one out.
        ClipDraft draft;
        if (duplicate) {
            draft.contentHash = history.items()[2500].contentHash;
        } else {
            draft = draftOf(pseudoText(random, 200));
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.add(draft, Date{now += 1}));
    }
    state.SetLabel(duplicate ? "duplicate" : "new");
}
BENCHMARK(BM_AddToFullHistory)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

ClipItem sampleItem() {
    std::mt19937 random(3);
    ClipItem item;
    item.id = Uuid::random();
    item.createdAt = Date::now();
    item.lastUsedAt = item.createdAt;
    item.text = pseudoText(random, 200);
    item.sourceAppName = "Text Editor";
    item.sourceBundleID = "org.gnome.TextEditor";
    item.contentHash = contentHash(bytesOf(item.text));
    item.byteCount = static_cast<std::int64_t>(item.text.size());
    return item;
}

void BM_EncodeClipItem(benchmark::State& state) {
    const ClipItem item = sampleItem();
    for (auto _ : state) {
        benchmark::DoNotOptimize(encodeClipItem(item));
    }
}
BENCHMARK(BM_EncodeClipItem);

void BM_DecodeClipItem(benchmark::State& state) {
    const Bytes encoded = encodeClipItem(sampleItem());
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeClipItem(viewOf(encoded)));
    }
}
BENCHMARK(BM_DecodeClipItem);

} // namespace
