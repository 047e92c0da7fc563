#pragma once

// The real EDIDs the tests run over: the large corpus in $KELM_CORPUS_DIR when that folder holds
// images, else the sample committed in tests/data/edid, so these tests run in every clone.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace edidtest {

struct EdidImageSet
{
    std::filesystem::path folder;
    bool corpus = false;                      // the large corpus rather than the committed sample
    std::vector<std::filesystem::path> files; // the .bin files, in name order

    // Said in the test output, so a run shows which images it judged.
    std::string description() const
    {
        return std::to_string(files.size()) + (corpus ? " corpus images in " : " sample images in ") +
               folder.string();
    }
};

inline std::vector<std::filesystem::path> binFilesIn(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return files;
    for (const auto &e : std::filesystem::directory_iterator(folder, ec))
        if (e.path().extension() == ".bin")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::filesystem::path edidSampleFolder()
{
    return std::filesystem::path(KELM_SOURCE_DIR) / "tests" / "data" / "edid";
}

inline const EdidImageSet &edidImageSet()
{
    static const EdidImageSet set = [] {
        EdidImageSet s;
        if (const char *dir = std::getenv("KELM_CORPUS_DIR")) {
            s.files = binFilesIn(dir);
            if (!s.files.empty()) {
                s.folder = dir;
                s.corpus = true;
                return s;
            }
        }
        s.folder = edidSampleFolder();
        s.files = binFilesIn(s.folder);
        return s;
    }();
    return set;
}

} // namespace edidtest
