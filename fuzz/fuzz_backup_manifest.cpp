// manifest.json comes from a folder anyone may have written: whatever it holds, the parser either
// refuses it or returns a manifest a restore can trust (entries within the counts, each slot once,
// each under the name the backup gives it), which writes out and reads back the same.
#include <cstddef>
#include <cstdint>

#include <QSet>

#include "link/DeviceBackup.h"
#include "link/SlotLists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    BackupManifest m;
    QStringList problems;
    const bool ok = manifestFromJson(json, m, &problems);
    if (ok != problems.isEmpty())
        __builtin_trap();
    if (!ok)
        return 0;
    if (m.entries.size() > m.inputs + m.outputs + m.users + m.internals)
        __builtin_trap();
    QSet<SlotCode> seen;
    for (const BackupSlot &s : m.entries) {
        if (seen.contains(s.code) || (s.read && s.file.toStdString() != proposedEdidFileName(s.code)))
            __builtin_trap();
        seen.insert(s.code);
    }
    BackupManifest again;
    if (!manifestFromJson(manifestToJson(m), again, &problems) || again.entries.size() != m.entries.size())
        __builtin_trap();
    return 0;
}
