#include "edid/EdidConformance.h"

namespace {

bool startsWith(std::string_view s, std::string_view p)
{
    return s.size() >= p.size() && s.compare(0, p.size(), p) == 0;
}

// "Block 1, CTA-861 Extension Block:" -> 1 and the name; "EDID:" -> -1, "EDID".
bool parseHeading(std::string_view line, int &block, std::string &name)
{
    if (line.empty() || line.back() != ':' || line[0] == ' ')
        return false;
    line.remove_suffix(1);
    if (startsWith(line, "Block ")) {
        std::string_view rest = line.substr(6);
        int n = 0;
        std::size_t i = 0;
        while (i < rest.size() && i < 4 && rest[i] >= '0' && rest[i] <= '9')
            n = n * 10 + (rest[i++] - '0');
        if (i == 0 || i >= rest.size() || rest[i] != ',')
            return false;
        block = n;
        rest.remove_prefix(i + 1);
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        if (rest.empty())
            return false;
        name = std::string(rest);
        return true;
    }
    if (line.empty())
        return false;
    block = -1;
    name = std::string(line);
    return true;
}

} // namespace

int EdidConformity::failures() const
{
    int n = 0;
    for (const EdidFinding &f : findings)
        n += f.severity == EdidFinding::Severity::Failure;
    return n;
}

int EdidConformity::warnings() const
{
    return int(findings.size()) - failures();
}

EdidConformity parseEdidCheckerOutput(std::string_view output)
{
    EdidConformity c;
    enum class Section { None, Warnings, Failures } section = Section::None;
    int block = -1;
    std::string blockName = "EDID";
    EdidFinding *last = nullptr;
    while (!output.empty()) {
        const std::size_t nl = output.find('\n');
        std::string_view line = output.substr(0, nl);
        output.remove_prefix(nl == std::string_view::npos ? output.size() : nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (line == "Warnings:" || line == "Failures:") {
            section = line == "Warnings:" ? Section::Warnings : Section::Failures;
            block = -1;
            blockName = "EDID";
            last = nullptr;
            continue;
        }
        if (startsWith(line, "EDID conformity: ")) {
            const std::string_view v = line.substr(17);
            c.verdict = v == "PASS" ? EdidConformity::Verdict::Pass
                        : v == "FAIL" ? EdidConformity::Verdict::Fail
                                      : EdidConformity::Verdict::Unknown;
            section = Section::None;
            last = nullptr;
            continue;
        }
        if (section == Section::None || line.empty())
            continue;
        if (startsWith(line, "    ")) {
            std::string_view more = line;
            while (!more.empty() && more.front() == ' ')
                more.remove_prefix(1);
            if (last && !more.empty())
                last->text += "\n" + std::string(more);
            continue;
        }
        if (startsWith(line, "  ") && line.size() > 2 && line[2] != ' ') {
            EdidFinding f;
            f.block = block;
            f.blockName = blockName;
            f.severity = section == Section::Failures ? EdidFinding::Severity::Failure : EdidFinding::Severity::Warning;
            f.text = std::string(line.substr(2));
            c.findings.push_back(std::move(f));
            last = &c.findings.back();
            continue;
        }
        if (parseHeading(line, block, blockName)) {
            last = nullptr;
            continue;
        }
        // Any other line ends the sections: what follows is not the checker's report.
        section = Section::None;
        last = nullptr;
    }
    return c;
}

const char *edidFindingSeverityName(EdidFinding::Severity severity)
{
    return severity == EdidFinding::Severity::Failure ? "failure" : "warning";
}

std::string edidFindingPlace(const EdidFinding &f)
{
    if (f.block < 0)
        return f.blockName;
    return "block " + std::to_string(f.block) + " (" + f.blockName + ")";
}

std::string edidConformitySummary(const EdidConformity &c)
{
    const int f = c.failures(), w = c.warnings();
    if (f == 0 && w == 0)
        return "no findings";
    return std::to_string(f) + (f == 1 ? " failure, " : " failures, ") + std::to_string(w) +
           (w == 1 ? " warning" : " warnings");
}
