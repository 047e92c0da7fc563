#pragma once

// Misbehaving simulated devices: the table of faults every device operation is tried against
// (a name, how to arm it, whether the operation must then fail), a device that arms a fault once
// a given number of requests are through, and the image files the operations upload.

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devsim/lib/SimulatedDevice.h"
#include "edid/EdidImage.h"
#include "edid/NewEdidTemplate.h"
#include "ReplyForm.h"

using ArmFault = std::function<void(SimulatedFaults &)>;

struct FaultCase
{
    std::string name;
    ArmFault arm;
    bool fails; // the operation must report failure
};

// Faults of the answers to an operation of setsInCommand SETs: the harmless ones (late within the
// grace, stray lines), those that every such operation must report, and each SET left unanswered.
inline std::vector<FaultCase> setFaults(int setsInCommand)
{
    std::vector<FaultCase> faults = {
        {"none", [](SimulatedFaults &) {}, false},
        {"SET answers 25 ms late", [](SimulatedFaults &f) { f.lateSetReplyMs = 25; }, false},
        {"stray line before every answer", [](SimulatedFaults &f) { f.strayLines = -1; }, false},
        {"SET answers 150 ms late", [](SimulatedFaults &f) { f.lateSetReplyMs = 150; }, true},
        {"silent", [](SimulatedFaults &f) { f.dropReplies = -1; }, true},
        {"lowercase CRC", [](SimulatedFaults &f) { f.lowercaseCrc = -1; }, true},
        {"port gone after 1 request", [](SimulatedFaults &f) { f.vanishAfterRequests = 1; }, true},
    };
    for (int n = 1; n <= setsInCommand; ++n)
        faults.push_back(
            {"SET " + std::to_string(n) + " unanswered", [n](SimulatedFaults &f) { f.dropSetReply = n; }, true});
    return faults;
}

// Arms the fault as request afterRequests + 1 comes in, before it is answered (at once for 0):
// a search done by another process (kelmctl's four requests) goes through unharmed.
inline void armAfterRequests(SimulatedDevice &device, const ArmFault &arm, int afterRequests)
{
    if (afterRequests == 0) {
        arm(device.faults());
        return;
    }
    auto seen = std::make_shared<int>(0);
    SimulatedDevice *raw = &device;
    QObject::connect(raw, &SimulatedDevice::requestReceived, raw, [raw, arm, seen, afterRequests] {
        if (++*seen == afterRequests + 1)
            arm(raw->faults());
    });
}

// A started device with the fault armed after afterRequests requests; null when it did not start.
inline std::unique_ptr<SimulatedDevice> faultyDevice(const ArmFault &arm, int afterRequests,
                                                     const SimulatedDeviceConfig &config = {})
{
    auto device = std::make_unique<SimulatedDevice>(inTestedReplyForm(config));
    if (!device->start())
        return nullptr;
    armAfterRequests(*device, arm, afterRequests);
    return device;
}

// image with another serial number byte (and checksums to match): the same EDID, told apart.
inline EdidImage withSerial(EdidImage image, uint8_t serial)
{
    image[12] = serial;
    setEdidChecksums(image);
    return image;
}

// The template with seed in a descriptor and an extension byte, so each test's image is its own.
inline EdidImage seededImage(uint8_t seed)
{
    EdidImage image = NewEdidTemplate;
    image[12] = seed;
    image[150] = seed;
    setEdidChecksums(image);
    return image;
}

inline QByteArray bytesOf(const EdidImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), int(image.size()));
}

// image as dir/name; the file's path, empty when it could not be written.
inline QString writeImageFile(const QTemporaryDir &dir, const QString &name, const EdidImage &image)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytesOf(image)) != qint64(image.size()))
        return {};
    return path;
}
