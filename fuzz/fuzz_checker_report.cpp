// The conformance checker's report (text from another program) into findings: never crashes, and
// every finding it keeps is well formed.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "edid/EdidConformance.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const EdidConformity c = parseEdidCheckerOutput(text);
    if (c.failures() + c.warnings() != int(c.findings.size()))
        std::abort();
    for (const EdidFinding &f : c.findings)
        if (f.text.empty() || f.block < -1 || f.blockName.empty() || f.text.size() > size)
            std::abort();
    return 0;
}
