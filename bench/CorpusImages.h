#pragma once

// The real EDIDs the benchmarks run over: $KELM_CORPUS_DIR, or the shared corpus beside the
// repository; else the sample committed in tests/data/edid. The output's context says which set
// was measured, so figures from different sets are never compared unawares.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "edid/EdidBinFile.h"
#include "edid/EdidImage.h"
#include "edid/NewEdidTemplate.h"

inline const std::vector<EdidImage> &corpusImages()
{
    namespace fs = std::filesystem;
    static const std::vector<EdidImage> images = [] {
        auto load = [](const fs::path &dir) {
            std::vector<EdidImage> out;
            std::error_code ec;
            std::vector<fs::path> files;
            if (fs::is_directory(dir, ec))
                for (const auto &e : fs::directory_iterator(dir))
                    if (e.path().extension() == ".bin")
                        files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const auto &f : files) {
                EdidImage img;
                if (readEdidBinFile(f.string(), img))
                    out.push_back(img);
            }
            return out;
        };
        const fs::path here = fs::path(KELM_SOURCE_DIR) / "bench";
        const char *env = std::getenv("KELM_CORPUS_DIR");
        const fs::path corpus = env ? fs::path(env) : here / "../../shared/edid-corpus";
        const fs::path sample = here / "../tests/data/edid";
        std::vector<EdidImage> out = load(corpus);
        std::string set = std::to_string(out.size()) + " corpus images from " + corpus.lexically_normal().string();
        if (out.empty()) {
            out = load(sample);
            set = std::to_string(out.size()) + " committed sample images from " +
                  sample.lexically_normal().string() + " (the corpus at " + corpus.lexically_normal().string() +
                  " is absent; figures are not comparable with corpus runs)";
        }
        if (out.empty()) {
            out.push_back(NewEdidTemplate);
            set = "the built-in NEW template only (neither the corpus nor the sample was found)";
        }
        benchmark::AddCustomContext("edid_images", set);
        return out;
    }();
    return images;
}

// Loads the images before the benchmark library prints its context, so the set is named there.
inline const bool kCorpusImagesLoaded = !corpusImages().empty();
