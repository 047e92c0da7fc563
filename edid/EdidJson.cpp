#include "edid/EdidJson.h"

#include "edid/Latin1Text.h"

namespace {
template <typename T, std::size_t N> JsonValue numbers(const std::array<T, N> &a)
{
    JsonValue out = JsonValue::array();
    for (const T &v : a)
        out.push(static_cast<unsigned>(v));
    return out;
}

template <typename T, std::size_t N, std::size_t M>
JsonValue numberRows(const std::array<std::array<T, M>, N> &a)
{
    JsonValue out = JsonValue::array();
    for (const auto &row : a)
        out.push(numbers(row));
    return out;
}
} // namespace

std::string edidImageHex(const EdidImage &image)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(2 * image.size());
    for (std::uint8_t b : image) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

JsonValue edidRecordToJson(const EdidFeatureRecord &r)
{
    JsonValue o = JsonValue::object();
    o.set("status", r.status);
    o.set("interfaceFlags", r.interfaceFlags);
    o.set("image", edidImageHex(r.image));
    o.set("manufacturer", utf8FromLatin1(fieldText(r.manufacturer)));
    o.set("monitorName", utf8FromLatin1(fieldText(r.monitorName)));
    o.set("productCode", r.productCode);
    o.set("serialNumber", r.serialNumber);
    o.set("yearByte", r.yearByte);
    o.set("week", r.week);
    o.set("establishedTimings", r.establishedTimings);
    o.set("standardTimings", numbers(r.standardTimings));
    o.set("extensionDtds", numberRows(r.extensionDtds));
    o.set("ctaByte3", r.ctaByte3);
    o.set("hdmiVsdbByte6", r.hdmiVsdbByte6);
    o.set("maxColorDepth", r.maxColorDepth);
    o.set("svds", numbers(r.svds));
    o.set("sads", numberRows(r.sads));
    o.set("speakerAllocation", r.speakerAllocation);
    o.set("y420Vics", numbers(r.y420Vics));
    o.set("hdmiVics", numbers(r.hdmiVics));
    o.set("threeDLength", r.threeDLength);
    o.set("threeDFlags", r.threeDFlags);
    o.set("threeDData", numbers(r.threeDData));
    o.set("videoCapability", r.videoCapability);
    o.set("colorimetry", numbers(r.colorimetry));
    o.set("hdrStatic", numbers(r.hdrStatic));
    o.set("maxResolutionName", utf8FromLatin1(fieldText(r.maxResolutionName)));
    o.set("tmds600", r.tmds600);
    o.set("hdrColorDepths", r.hdrColorDepths);
    o.set("scdcPresent", r.scdcPresent);
    o.set("y420Present", r.y420Present);
    o.set("hfDeepColor420", r.hfDeepColor420);
    o.set("cecAddress", numbers(r.cecAddress));
    o.set("audioFormats", r.audioFormats);
    o.set("maxChannels", r.maxChannels);
    return o;
}

JsonValue edidSummaryToJson(const EdidSummary &s)
{
    JsonValue o = JsonValue::object();
    for (const EdidSummary::Row &row : s.rows())
        o.set(row.key, utf8FromLatin1(*row.text));
    return o;
}
