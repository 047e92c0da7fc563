#pragma once

// The real EDIDs the benchmarks run over: $KELM_CORPUS_DIR, or the shared corpus beside the
// repository; the "NEW" template alone when neither is there.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "edid/EdidBinFile.h"
#include "edid/EdidImage.h"
#include "edid/NewEdidTemplate.h"

inline const std::vector<EdidImage> &corpusImages()
{
    namespace fs = std::filesystem;
    static const std::vector<EdidImage> images = [] {
        std::vector<EdidImage> out;
        const char *env = std::getenv("KELM_CORPUS_DIR");
        const fs::path dir =
            env ? fs::path(env) : fs::path(__FILE__).parent_path() / "../../shared/edid-corpus";
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
        if (out.empty())
            out.push_back(NewEdidTemplate);
        return out;
    }();
    return images;
}
