// A slot history's index.jsonl sits in the user's data folder, where anything may have changed
// it: whatever it holds, the parser returns at most one write per line, and no line can make a
// history image name a file outside its slot's folder.
#include <cstddef>
#include <cstdint>

#include "link/SlotHistory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const HistoryIndexText parsed = parseHistoryIndex(text);
    if (parsed.entries.size() > text.count('\n') + 1)
        __builtin_trap();
    static const SlotHistory history(QStringLiteral("/nonexistent-kelm-history"));
    for (const HistoryEntry &e : parsed.entries)
        if (history.image(QStringLiteral("device"), QStringLiteral("user1"), e.before))
            __builtin_trap();
    return 0;
}
