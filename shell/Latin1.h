#pragma once

// The device's texts and EDID texts hold one byte per character: Latin-1, as the device sends it.

#include <QString>

#include <string_view>

inline QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
