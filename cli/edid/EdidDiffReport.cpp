#include "cli/edid/EdidDiffReport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "cli/edid/EdidCliArgs.h"
#include "edid/Latin1Text.h"
#include "edid/TextNumbers.h"

namespace {

std::string hexRun(const std::vector<std::uint8_t> &bytes, std::size_t limit)
{
    std::string s = hexBytes(std::span(bytes).first(std::min(limit, bytes.size())));
    if (bytes.size() > limit)
        s += " ...";
    return s;
}

// EDID texts hold a byte per character; JSON wants UTF-8.
JsonValue text(const std::string &s)
{
    return utf8FromLatin1(s);
}

JsonValue stringArray(const std::vector<std::string> &items)
{
    JsonValue a = JsonValue::array();
    for (const std::string &s : items)
        a.push_back(text(s));
    return a;
}

} // namespace

bool looksLikeSlotName(const std::string &text)
{
    std::string lower;
    for (char c : text)
        lower += char(std::tolower(static_cast<unsigned char>(c)));
    for (const char *kind : {"input", "output", "user", "internal"}) {
        const std::string k = kind;
        if (lower.size() > k.size() && lower.compare(0, k.size(), k) == 0) {
            const std::string number = lower.substr(k.size());
            return number.size() <= 3 && number[0] != '0' &&
                   number.find_first_not_of("0123456789") == std::string::npos;
        }
    }
    return false;
}

JsonValue edidDiffToJson(const EdidDiff &diff)
{
    JsonValue o = JsonValue::object();
    o["identical"] = diff.identical();
    JsonValue answers = JsonValue::array();
    for (const EdidDiff::Answer &a : diff.answers)
        answers.push_back(JsonValue{{"row", text(a.row)}, {"a", text(a.a)}, {"b", text(a.b)}});
    o["answers"] = std::move(answers);
    JsonValue features = JsonValue::array();
    for (const EdidDiff::Feature &f : diff.features)
        features.push_back(JsonValue{{"feature", text(f.feature)},
                                     {"a", text(f.a)},
                                     {"b", text(f.b)},
                                     {"added", stringArray(f.added)},
                                     {"removed", stringArray(f.removed)}});
    o["features"] = std::move(features);
    JsonValue bytes = JsonValue::array();
    for (const EdidDiff::ByteRange &r : diff.bytes)
        bytes.push_back(JsonValue{{"block", r.block},
                                  {"offset", r.offset},
                                  {"length", r.length},
                                  {"where", r.where},
                                  {"a", hexRun(r.a, r.a.size())},
                                  {"b", hexRun(r.b, r.b.size())}});
    o["bytes"] = std::move(bytes);
    return o;
}

std::vector<std::string> edidDiffLines(const EdidDiff &diff)
{
    std::vector<std::string> lines;
    if (diff.identical()) {
        lines.push_back("The images are identical.");
        return lines;
    }
    lines.push_back("Analyzer answers:");
    if (diff.answers.empty())
        lines.push_back("  (all the same)");
    for (const EdidDiff::Answer &a : diff.answers)
        lines.push_back("  " + a.row + ": " + a.a + " -> " + a.b);

    lines.push_back("Features:");
    if (!diff.aValid || !diff.bValid)
        lines.push_back(std::string("  (not compared: ") + (!diff.aValid && !diff.bValid ? "both images fail"
                                                            : !diff.aValid             ? "A fails"
                                                                                       : "B fails") +
                        " validation)");
    else if (diff.features.empty())
        lines.push_back("  (all the same)");
    for (const EdidDiff::Feature &f : diff.features) {
        if (f.added.empty() && f.removed.empty()) {
            lines.push_back("  " + f.feature + ": " + f.a + " -> " + f.b);
            continue;
        }
        std::string line = "  " + f.feature + ":";
        auto list = [](const std::vector<std::string> &items) {
            std::string s;
            for (const std::string &i : items)
                s += (s.empty() ? "" : ", ") + i;
            return s;
        };
        if (!f.added.empty())
            line += " added " + list(f.added) + (f.removed.empty() ? "" : ";");
        if (!f.removed.empty())
            line += " removed " + list(f.removed);
        lines.push_back(line);
    }

    lines.push_back("Changed bytes:");
    for (const EdidDiff::ByteRange &r : diff.bytes) {
        std::string where = "  block " + std::to_string(r.block) + " offset " + std::to_string(r.offset);
        if (r.length > 1)
            where += "-" + std::to_string(r.offset + r.length - 1);
        where += " (" + r.where + "): " + hexRun(r.a, 16) + " -> " + hexRun(r.b, 16);
        lines.push_back(where);
    }
    return lines;
}

namespace {

EdidSlotReaderFactory &slotReaderFactory()
{
    static EdidSlotReaderFactory factory;
    return factory;
}

} // namespace

EdidSlotReaderRegistration::EdidSlotReaderRegistration(EdidSlotReaderFactory factory)
{
    slotReaderFactory() = std::move(factory);
}

int runEdidDiff(const std::string &a, const std::string &b, bool json, const GlobalOptions &global)
{
    const std::string operands[2] = {a, b};
    std::error_code ec;
    EdidSlotReader reader;
    for (const std::string &operand : operands)
        if (!std::filesystem::exists(operand, ec) && looksLikeSlotName(operand)) {
            if (!slotReaderFactory())
                return kEdidNeedsDevice;
            reader = slotReaderFactory()(global);
        }
    EdidImage images[2];
    for (int i = 0; i < 2; ++i) {
        const std::string &operand = operands[i];
        if (!std::filesystem::exists(operand, ec) && looksLikeSlotName(operand)) {
            if (!reader(operand, images[i]))
                return 2;
        } else if (!readEdidForCli(operand, images[i])) {
            return 2;
        }
    }
    const EdidDiff diff = diffEdids(images[0], images[1]);
    if (json) {
        JsonValue out = JsonValue::object();
        out["a"] = a;
        out["b"] = b;
        const JsonValue parts = edidDiffToJson(diff);
        for (auto it = parts.begin(); it != parts.end(); ++it)
            out[it.key()] = it.value();
        printLine(toJson(out));
    } else {
        printLine("A: " + a);
        printLine("B: " + b);
        for (const std::string &line : edidDiffLines(diff))
            printLine(line);
    }
    return finishOutput(diff.identical() ? 0 : 1);
}
