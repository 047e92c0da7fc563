// JSON text from outside (creator state files) into the strict parser; whatever it accepts must
// be written back to text that parses to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "edid/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    JsonValue v;
    if (!parseJson(text, v))
        return 0;
    for (int indent : {-1, 2}) {
        JsonValue back;
        if (!parseJson(toJson(v, indent), back) || !(back == v))
            std::abort();
    }
    return 0;
}
