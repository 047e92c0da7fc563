#pragma once

#include <string>

// EDID texts (manufacturer letters, monitor name) are Latin-1: one byte is one character, whatever
// the bytes are. Output that carries them as UTF-8 (JSON) converts each byte to its character, so
// a name never changes length or reads differently from one command to the next.
std::string utf8FromLatin1(const std::string &text);

// The reverse: false, with `out` unspecified, when the text holds a character beyond Latin-1 or is
// no valid UTF-8.
bool latin1FromUtf8(const std::string &text, std::string &out);
