// Decode plus summary per image over the corpus of real EDIDs (KELM_CORPUS_DIR, else the shared
// folder beside the sources). Goal: under 1 us per image.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "edid/EdidBinFile.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidJson.h"
#include "edid/EdidSummary.h"
#include "edid/NewEdidTemplate.h"
#include "bench/CorpusImages.h"

namespace fs = std::filesystem;

namespace {
const std::vector<EdidImage> &corpus()
{
    return corpusImages();
}

void BM_EdidDecodeAndSummary(benchmark::State &state)
{
    const auto &images = corpus();
    EdidFeatureRecord record;
    std::size_t i = 0;
    for (auto _ : state) {
        EdidSummary s = summariseEdid(record, images[i]);
        benchmark::DoNotOptimize(s);
        if (++i == images.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["images"] = static_cast<double>(images.size());
}
BENCHMARK(BM_EdidDecodeAndSummary);

void BM_EdidDecodeOnly(benchmark::State &state)
{
    const auto &images = corpus();
    EdidFeatureRecord record;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeEdid(record, images[i]));
        benchmark::ClobberMemory();
        if (++i == images.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_EdidDecodeOnly);

// What "kelmctl edid info --json" does per file after reading it.
void BM_EdidInfoJsonLine(benchmark::State &state)
{
    const auto &images = corpus();
    EdidFeatureRecord record;
    std::size_t i = 0;
    for (auto _ : state) {
        std::string line =
            toJson(edidInfoToJson("/some/folder/0123456789AB.bin", summariseEdid(record, images[i])));
        benchmark::DoNotOptimize(line);
        if (++i == images.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_EdidInfoJsonLine);
} // namespace

BENCHMARK_MAIN();
