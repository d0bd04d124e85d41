#include "core/values/ByteSearch.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Deterministic pseudo-English: lower-case words drawn with English letter frequencies (per 1000).
std::string randomText(std::mt19937& random, std::size_t size) {
    static constexpr int frequencies[26] = {82, 15, 28, 43, 127, 22, 20, 61, 70, 2,  8, 40, 24,
                                            67, 75, 19, 1,  60,  63, 91, 28, 10, 24, 2, 20, 1};
    std::string text;
    while (text.size() < size) {
        for (std::uint32_t letters = 1 + random() % 9; letters > 0; --letters) {
            int pick = static_cast<int>(random() % 1000);
            int letter = 0;
            while (letter < 25 && pick >= frequencies[letter]) {
                pick -= frequencies[letter++];
            }
            text += static_cast<char>('a' + letter);
        }
        text += ' ';
    }
    text.resize(size);
    return text;
}

const char* const absentWords[] = {"ethos", "zymurgy"};
const char* const presentWord = "snippet";

// Keys contain the present word once, somewhere, and neither absent word.
std::vector<std::string> makeKeys(std::size_t count, std::size_t minSize, std::size_t maxSize) {
    std::mt19937 random(2024);
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < count; ++i) {
        std::string key = randomText(random, minSize + random() % (maxSize - minSize + 1));
        key.replace(random() % (key.size() - std::strlen(presentWord)), std::strlen(presentWord),
                    presentWord);
        // Changing the second letter cannot touch the present word, which shares no prefix with them.
        for (const char* absent : absentWords) {
            for (std::size_t at = key.find(absent); at != std::string::npos; at = key.find(absent)) {
                key[at + 1] = 'x';
            }
        }
        keys.push_back(std::move(key));
    }
    return keys;
}

bool searchMemmem(std::string_view haystack, std::string_view needle) {
    return memmem(haystack.data(), haystack.size(), needle.data(), needle.size()) != nullptr;
}

template <bool (*search)(std::string_view, std::string_view)>
void scanKeys(benchmark::State& state, const std::vector<std::string>* keys, std::string_view needle) {
    std::size_t bytes = 0;
    for (const std::string& key : *keys) {
        bytes += key.size();
    }
    for (auto _ : state) {
        std::size_t hits = 0;
        for (const std::string& key : *keys) {
            hits += search(key, needle);
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

const std::vector<std::string> shortKeys = makeKeys(5000, 150, 250);
const std::vector<std::string> longKeys = makeKeys(100, 100000, 100000);

const bool registered = [] {
    const std::pair<const char*, const std::vector<std::string>*> corpora[] = {{"5000x200B", &shortKeys},
                                                                               {"100x100KB", &longKeys}};
    const char* const needles[] = {absentWords[0], "q", absentWords[1], presentWord};
    for (const auto& [corpus, keys] : corpora) {
        for (const char* needle : needles) {
            const std::string suffix = std::string("/") + corpus + "/" + needle;
            benchmark::RegisterBenchmark(("containsBytes" + suffix).c_str(),
                                         scanKeys<snipstack::containsBytes>, keys, needle);
            benchmark::RegisterBenchmark(("memmem" + suffix).c_str(), scanKeys<searchMemmem>, keys, needle);
        }
    }
    return true;
}();

} // namespace
