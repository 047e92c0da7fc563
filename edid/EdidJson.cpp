#include "edid/EdidJson.h"

#include "edid/Latin1Text.h"
#include "edid/TextNumbers.h"

std::string edidImageHex(const EdidImage &image)
{
    return hexBytes(image, '\0');
}

JsonValue edidRecordToJson(const EdidFeatureRecord &r)
{
    JsonValue o = JsonValue::object();
    o["status"] = r.status;
    o["interfaceFlags"] = r.interfaceFlags;
    o["image"] = edidImageHex(r.image);
    o["manufacturer"] = utf8FromLatin1(fieldText(r.manufacturer));
    o["monitorName"] = utf8FromLatin1(fieldText(r.monitorName));
    o["productCode"] = r.productCode;
    o["serialNumber"] = r.serialNumber;
    o["yearByte"] = r.yearByte;
    o["week"] = r.week;
    o["establishedTimings"] = r.establishedTimings;
    o["standardTimings"] = r.standardTimings;
    o["extensionDtds"] = r.extensionDtds;
    o["ctaByte3"] = r.ctaByte3;
    o["hdmiVsdbByte6"] = r.hdmiVsdbByte6;
    o["maxColorDepth"] = r.maxColorDepth;
    o["svds"] = r.svds;
    o["sads"] = r.sads;
    o["speakerAllocation"] = r.speakerAllocation;
    o["y420Vics"] = r.y420Vics;
    o["hdmiVics"] = r.hdmiVics;
    o["threeDLength"] = r.threeDLength;
    o["threeDFlags"] = r.threeDFlags;
    o["threeDData"] = r.threeDData;
    o["videoCapability"] = r.videoCapability;
    o["colorimetry"] = r.colorimetry;
    o["hdrStatic"] = r.hdrStatic;
    o["maxResolutionName"] = utf8FromLatin1(fieldText(r.maxResolutionName));
    o["tmds600"] = r.tmds600;
    o["hdrColorDepths"] = r.hdrColorDepths;
    o["scdcPresent"] = r.scdcPresent;
    o["y420Present"] = r.y420Present;
    o["hfDeepColor420"] = r.hfDeepColor420;
    o["cecAddress"] = r.cecAddress;
    o["audioFormats"] = r.audioFormats;
    o["maxChannels"] = r.maxChannels;
    return o;
}

namespace {

// The summary's answers as members after those already there. Once per file over whole folders:
// the keys are known to differ, so members are appended without the ordered object's lookup.
JsonValue summaryMembers(const EdidSummary &s, const std::string *file)
{
    JsonValue o = JsonValue::object();
    auto &members = o.get_ref<JsonValue::object_t &>();
    const std::vector<EdidSummary::Row> rows = s.rows();
    members.reserve(rows.size() + 1);
    if (file)
        members.emplace_back("file", *file);
    for (const EdidSummary::Row &row : rows)
        members.emplace_back(row.key, utf8FromLatin1(*row.text));
    return o;
}

} // namespace

JsonValue edidSummaryToJson(const EdidSummary &s)
{
    return summaryMembers(s, nullptr);
}

JsonValue edidInfoToJson(const std::string &file, const EdidSummary &s)
{
    return summaryMembers(s, &file);
}
