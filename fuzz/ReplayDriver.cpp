// Stand-in for libFuzzer when building with g++: feeds the target a fixed set of seeds and then
// random mutations of them, deterministically. Usage: target [-runs=N] [seed files or folders...]
// (folders are read with their subfolders, as libFuzzer does).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {
std::vector<uint8_t> readFile(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
} // namespace

int main(int argc, char **argv)
{
    long runs = 20000;
    std::vector<std::vector<uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-runs=", 6) == 0) {
            runs = std::strtol(argv[i] + 6, nullptr, 10);
            continue;
        }
        if (argv[i][0] == '-')
            continue; // other libFuzzer flags mean nothing here
        std::filesystem::path p(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) {
            for (const auto &e : std::filesystem::recursive_directory_iterator(p))
                if (e.is_regular_file())
                    seeds.push_back(readFile(e.path()));
        } else if (std::filesystem::is_regular_file(p, ec)) {
            seeds.push_back(readFile(p));
        }
    }
    seeds.push_back({});
    for (const auto &s : seeds)
        LLVMFuzzerTestOneInput(s.data(), s.size());

    std::mt19937 rng(12345);
    for (long r = 0; r < runs; ++r) {
        std::vector<uint8_t> buf = seeds[rng() % seeds.size()];
        const int edits = 1 + rng() % 8;
        for (int e = 0; e < edits; ++e) {
            switch (rng() % 4) {
            case 0: // flip a byte
                if (!buf.empty())
                    buf[rng() % buf.size()] = static_cast<uint8_t>(rng());
                break;
            case 1: // insert
                if (buf.size() < 4096)
                    buf.insert(buf.begin() + (buf.empty() ? 0 : rng() % (buf.size() + 1)), static_cast<uint8_t>(rng()));
                break;
            case 2: // erase
                if (!buf.empty())
                    buf.erase(buf.begin() + rng() % buf.size());
                break;
            default: // truncate or grow
                buf.resize(rng() % 600, static_cast<uint8_t>(rng()));
                break;
            }
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("replayed %zu seeds and %ld mutations\n", seeds.size(), runs);
    return 0;
}
