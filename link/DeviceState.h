#pragma once

// The per-device state that replies are decoded into and that every page reads.

#include <QString>

#include <array>
#include <cstdint>

#include "link/EdidModes.h"
#include "link/SlotLists.h"

// 16-bit slot selector (kind in bits 15-12, 0-based number below); see link/SlotLists.h.
using SlotCode = std::uint16_t;

// The kind bits of a selectedSlot value (0 input, 1 output, 2 user, 3 internal), and its number.
constexpr unsigned slotKindBits(uint32_t code)
{
    return (code >> 12) & 0x0F;
}
constexpr unsigned slotIndexBits(uint32_t code)
{
    return code & 0x0FFF;
}

// One input or output slot, from ND_DSCPT; flags are 1 or 0.
struct NodeDescriptor
{
    uint8_t nodeValue0 = 0;
    uint8_t nodeValue1 = 0;
    uint8_t nodeValue2 = 0;
    uint8_t nodeFlag3 = 0;
    uint8_t currentEdidMode = 0; // not in the reply: 255 at connect, then the last reported mode
    uint8_t modeSelectable = 0;
    uint8_t copyAvailable = 0;
    uint8_t modePolled = 0;
    uint8_t nodeFlag8 = 0;

    bool operator==(const NodeDescriptor &) const = default;
};

constexpr int nodesPerKind = 10;

// One listed device (serial or network); statusTable holds 20 of them.
struct SYS_STATUS
{
    QString vid;
    QString pid;
    QString productName;
    QString productString;
    QString firmwareVersion;
    uint8_t statusFlag = 0;
    uint8_t firmwareLoaded = 0;
    uint8_t interfaceKind = 0; // 1 serial, 0 network
    uint8_t inputCount = 0;
    uint8_t outputCount = 0;
    uint8_t userCount = 0;
    uint8_t internalCount = 0;
    uint32_t selectedSlot = 0; // holds a SlotCode
    std::array<NodeDescriptor, nodesPerKind> inputNodes{};
    std::array<NodeDescriptor, nodesPerKind> outputNodes{};
};

// The slot counts and the EDID mode counts (internals, outputs as externals, users) of a device.
inline SlotCounts slotCountsOf(const SYS_STATUS &status)
{
    return SlotCounts{status.inputCount, status.outputCount, status.userCount, status.internalCount};
}
inline EdidModeCounts modeCountsOf(const SYS_STATUS &status)
{
    return EdidModeCounts{status.internalCount, status.outputCount, status.userCount};
}

constexpr int statusTableSize = 20;
using StatusTable = std::array<SYS_STATUS, statusTableSize>;

constexpr uint8_t interfaceSerial = 1;
constexpr uint8_t interfaceNetwork = 0;
