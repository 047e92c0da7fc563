#pragma once

// JSON lines of the device commands. Their objects have always listed keys in name order, which
// nlohmann::json's sorted objects keep.
#include <cstdio>

#include <QString>
#include <nlohmann/json.hpp>

inline std::string jsonText(const QString &text)
{
    return text.toStdString();
}

// One compact JSON line on stdout.
inline void printJsonLine(const nlohmann::json &object)
{
    std::printf("%s\n", object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}
