#include "shell/process/EdidChecker.h"

#include "shell/process/ProgramRun.h"

namespace {

EdidCheckRun checkRun(const ProgramRun &p)
{
    EdidCheckRun run;
    run.ran = p.ended;
    run.conformity = parseEdidCheckerOutput(p.out);
    if (run.conformity.verdict == EdidConformity::Verdict::Unknown) {
        // Its complaint (a file it cannot read, a length it does not take) is the first line it wrote.
        const std::string &said = p.err.empty() ? p.out : p.err;
        const std::string e = said.substr(0, said.find('\n'));
        run.error = !p.error.empty() ? p.error : e.empty() ? "it wrote nothing" : e;
    }
    return run;
}

} // namespace

std::optional<std::string> findEdidChecker()
{
    return findProgram("edid-decode");
}

EdidCheckRun runEdidChecker(const std::string &checker, const std::string &file)
{
    return checkRun(runProgram({checker, "--check", "--", file}));
}

EdidCheckRun runEdidChecker(const std::string &checker, const EdidImage &image)
{
    const std::size_t size = image[126] == 0 ? kEdidBlockSize : kEdidImageSize;
    return checkRun(runProgram({checker, "--check", "-"},
                               std::string_view(reinterpret_cast<const char *>(image.data()), size)));
}
