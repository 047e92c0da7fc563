// The creator's load plus build per image over the corpus of real EDIDs (KELM_CORPUS_DIR, else the
// shared folder beside the sources): what "OPEN" followed by "Save" costs without the page.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "edid/CreatorBuilder.h"
#include "edid/CreatorLoader.h"
#include "edid/EdidBinFile.h"
#include "edid/NewEdidTemplate.h"
#include "bench/CorpusImages.h"

namespace fs = std::filesystem;

namespace {
const std::vector<EdidImage> &corpus()
{
    return corpusImages();
}

const CreatorDate kDate{2026, 12, 7};

// Load then build, one corpus image per iteration (invalid images stop after the load, as the
// page would).
void BM_CreatorLoadAndBuild(benchmark::State &state)
{
    const auto &images = corpus();
    CreatorState creator;
    EdidFeatureRecord record;
    std::size_t i = 0;
    for (auto _ : state) {
        record.status = EdidStatus::HoldsImage;
        loadCreatorFromEdid(creator, record, images[i], kDate);
        if (!(record.status & EdidStatus::ErrorMask))
            buildCreatorEdid(creator, record);
        benchmark::DoNotOptimize(record.image);
        if (++i == images.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["images"] = static_cast<double>(images.size());
}
BENCHMARK(BM_CreatorLoadAndBuild);

// The two halves apart, on the same images.
void BM_CreatorLoad(benchmark::State &state)
{
    const auto &images = corpus();
    CreatorState creator;
    EdidFeatureRecord record;
    std::size_t i = 0;
    for (auto _ : state) {
        loadCreatorFromEdid(creator, record, images[i], kDate);
        benchmark::DoNotOptimize(creator);
        if (++i == images.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_CreatorLoad);

void BM_CreatorBuild(benchmark::State &state)
{
    const auto &images = corpus();
    std::vector<std::pair<CreatorState, EdidFeatureRecord>> loaded;
    for (const EdidImage &img : images) {
        CreatorState s;
        EdidFeatureRecord r;
        loadCreatorFromEdid(s, r, img, kDate);
        if (!(r.status & EdidStatus::ErrorMask))
            loaded.emplace_back(s, r);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        EdidFeatureRecord r = loaded[i].second; // every build starts from the loaded image
        buildCreatorEdid(loaded[i].first, r);
        benchmark::DoNotOptimize(r.image);
        if (++i == loaded.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_CreatorBuild);
} // namespace
BENCHMARK_MAIN();
