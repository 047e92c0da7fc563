// kelmctl's command line, every command of both programs: whatever words are typed, parsing ends
// in a command to run, the help or version (0) or a usage error (2), and nothing runs meanwhile.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/core/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The sentences and help texts are not what is tested; they would only flood the run.
    static const bool quiet = [] {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        return true;
    }();
    (void)quiet;

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
    std::clearerr(stdout);
    return 0;
}
