#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "edid/EdidImage.h"

// The .bin format: raw bytes, byte n of the file is byte n of the image. Reading takes exactly
// 256 bytes (missing ones become 0xFF, later ones are ignored) and validates nothing; writing
// always stores all 256 bytes.

// The image made of the first 256 bytes of `data`, padded with 0xFF.
EdidImage edidImageFromBytes(const std::uint8_t *data, std::size_t size);

// Reads `path` into `image`. False (image untouched, error text set) when the file can't be read.
bool readEdidBinFile(const std::string &path, EdidImage &image, std::string *error = nullptr);

// Writes the 256 bytes to `path` with the file writer (shell/file/FileWriter.h): a regular file is
// replaced only once complete, so a failed write leaves the old file as it was; a device, a FIFO
// or "-" (standard output) is written in place.
bool writeEdidBinFile(const std::string &path, const EdidImage &image, std::string *error = nullptr);

// Debug log lines of the EDID pages' file operations.
inline constexpr const char *kEdidOpenOk = "Edid Open OK.\r\n";
inline constexpr const char *kEdidOpenFail = "Edid Open Fail.\r\n";
