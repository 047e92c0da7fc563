// kelmctl's command line, every command of both programs: whatever words are typed, parsing ends
// in a command to run, the help or version (0) or a usage error (2); nothing runs or prints.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/core/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The words, separated by NUL bytes as in argv.
    std::vector<std::string> words{"kelmctl"};
    std::string word;
    for (std::size_t i = 0; i < size && words.size() < 40; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (!word.empty() || size == 0)
        words.push_back(word);
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    const int status = checkCommandLine(static_cast<int>(words.size()), argv.data());
    if (status != 0 && status != 2)
        __builtin_trap();
    return 0;
}
