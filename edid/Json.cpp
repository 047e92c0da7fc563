#include "edid/Json.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

double JsonValue::asDouble() const
{
    if (m_type != Type::Number)
        return 0;
    return m_isInt ? static_cast<double>(m_int) : m_double;
}

std::int64_t JsonValue::asInt() const
{
    if (m_type != Type::Number)
        return 0;
    if (m_isInt)
        return m_int;
    if (!std::isfinite(m_double) || m_double >= 9.2e18 || m_double <= -9.2e18)
        return 0;
    return static_cast<std::int64_t>(m_double);
}

const std::string &JsonValue::asString() const
{
    static const std::string empty;
    return m_type == Type::String ? m_string : empty;
}

JsonValue &JsonValue::push(JsonValue v)
{
    if (m_type == Type::Null)
        m_type = Type::Array;
    m_items.push_back(std::move(v));
    return m_items.back();
}

JsonValue &JsonValue::set(std::string_view key, JsonValue v)
{
    if (m_type == Type::Null)
        m_type = Type::Object;
    for (auto &m : m_members)
        if (m.first == key) {
            m.second = std::move(v);
            return m.second;
        }
    m_members.emplace_back(std::string(key), std::move(v));
    return m_members.back().second;
}

const JsonValue *JsonValue::find(std::string_view key) const
{
    for (const auto &m : m_members)
        if (m.first == key)
            return &m.second;
    return nullptr;
}

bool JsonValue::operator==(const JsonValue &o) const
{
    if (m_type != o.m_type)
        return false;
    switch (m_type) {
    case Type::Null:
        return true;
    case Type::Bool:
        return m_bool == o.m_bool;
    case Type::Number:
        if (m_isInt && o.m_isInt)
            return m_int == o.m_int;
        return asDouble() == o.asDouble();
    case Type::String:
        return m_string == o.m_string;
    case Type::Array:
        return m_items == o.m_items;
    case Type::Object:
        return m_members == o.m_members;
    }
    return false;
}

// ---- writer ----

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when the bytes there are not one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t len;
    unsigned cp;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07u;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0u) != 0x80u)
            return 0;
        cp = (cp << 6) | (b(i + k) & 0x3Fu);
    }
    // Reject overlong forms, surrogates and code points above U+10FFFF.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void writeString(std::string &out, std::string_view s)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        switch (c) {
        case '"':
            out += "\\\"";
            ++i;
            continue;
        case '\\':
            out += "\\\\";
            ++i;
            continue;
        case '\b':
            out += "\\b";
            ++i;
            continue;
        case '\f':
            out += "\\f";
            ++i;
            continue;
        case '\n':
            out += "\\n";
            ++i;
            continue;
        case '\r':
            out += "\\r";
            ++i;
            continue;
        case '\t':
            out += "\\t";
            ++i;
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
            ++i;
            continue;
        }
        const std::size_t len = utf8SequenceLength(s, i);
        if (len == 0) {
            // A stray byte (e.g. from an EDID text field) is shown as the Latin-1 character.
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
            ++i;
            continue;
        }
        out.append(s.substr(i, len));
        i += len;
    }
    out += '"';
}

void newline(std::string &out, int indent, int depth)
{
    if (indent < 0)
        return;
    out += '\n';
    out.append(static_cast<std::size_t>(indent) * static_cast<std::size_t>(depth), ' ');
}

void writeValue(std::string &out, const JsonValue &v, int indent, int depth)
{
    switch (v.type()) {
    case JsonValue::Type::Null:
        out += "null";
        break;
    case JsonValue::Type::Bool:
        out += v.asBool() ? "true" : "false";
        break;
    case JsonValue::Type::Number: {
        char buf[40];
        if (v.isInteger()) {
            std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v.asInt()));
        } else {
            const double d = v.asDouble();
            if (!std::isfinite(d)) {
                out += "null";
                break;
            }
            std::snprintf(buf, sizeof buf, "%.17g", d);
        }
        out += buf;
        break;
    }
    case JsonValue::Type::String:
        writeString(out, v.asString());
        break;
    case JsonValue::Type::Array:
        out += '[';
        for (std::size_t i = 0; i < v.items().size(); ++i) {
            if (i)
                out += ',';
            newline(out, indent, depth + 1);
            writeValue(out, v.items()[i], indent, depth + 1);
        }
        if (!v.items().empty())
            newline(out, indent, depth);
        out += ']';
        break;
    case JsonValue::Type::Object:
        out += '{';
        for (std::size_t i = 0; i < v.members().size(); ++i) {
            if (i)
                out += ',';
            newline(out, indent, depth + 1);
            writeString(out, v.members()[i].first);
            out += indent < 0 ? ":" : ": ";
            writeValue(out, v.members()[i].second, indent, depth + 1);
        }
        if (!v.members().empty())
            newline(out, indent, depth);
        out += '}';
        break;
    }
}

} // namespace

std::string toJson(const JsonValue &value, int indent)
{
    std::string out;
    writeValue(out, value, indent, 0);
    return out;
}

// ---- parser ----

class JsonParser
{
  public:
    explicit JsonParser(std::string_view text) : m_s(text) {}

    bool parse(JsonValue &out, std::string *error)
    {
        skipSpace();
        bool ok = parseValue(out, 0);
        if (ok) {
            skipSpace();
            if (m_pos != m_s.size())
                ok = fail("unexpected text after the value");
        }
        if (!ok && error)
            *error = "invalid JSON at byte " + std::to_string(m_pos) + ": " + m_error;
        return ok;
    }

  private:
    static constexpr int kMaxDepth = 200;

    bool fail(const char *why)
    {
        if (m_error.empty())
            m_error = why;
        return false;
    }
    bool atEnd() const { return m_pos >= m_s.size(); }
    char peek() const { return atEnd() ? '\0' : m_s[m_pos]; }
    void skipSpace()
    {
        while (!atEnd() &&
               (m_s[m_pos] == ' ' || m_s[m_pos] == '\t' || m_s[m_pos] == '\n' || m_s[m_pos] == '\r'))
            ++m_pos;
    }
    bool literal(std::string_view word)
    {
        if (m_s.substr(m_pos, word.size()) != word)
            return fail("unknown literal");
        m_pos += word.size();
        return true;
    }

    bool parseValue(JsonValue &out, int depth)
    {
        if (depth > kMaxDepth)
            return fail("nesting too deep");
        switch (peek()) {
        case '{':
            return parseObject(out, depth);
        case '[':
            return parseArray(out, depth);
        case '"':
            out = JsonValue(JsonValue::Type::String);
            return parseString(out.m_string);
        case 't':
            out = JsonValue(true);
            return literal("true");
        case 'f':
            out = JsonValue(false);
            return literal("false");
        case 'n':
            out = JsonValue();
            return literal("null");
        default:
            if (peek() == '-' || (peek() >= '0' && peek() <= '9'))
                return parseNumber(out);
            return fail(atEnd() ? "unexpected end of text" : "unexpected character");
        }
    }

    bool parseObject(JsonValue &out, int depth)
    {
        out = JsonValue(JsonValue::Type::Object);
        ++m_pos; // {
        skipSpace();
        if (peek() == '}') {
            ++m_pos;
            return true;
        }
        for (;;) {
            skipSpace();
            if (peek() != '"')
                return fail("expected a member name");
            std::string key;
            if (!parseString(key))
                return false;
            for (const auto &m : out.m_members)
                if (m.first == key)
                    return fail("duplicate member name");
            skipSpace();
            if (peek() != ':')
                return fail("expected ':'");
            ++m_pos;
            skipSpace();
            JsonValue v;
            if (!parseValue(v, depth + 1))
                return false;
            out.m_members.emplace_back(std::move(key), std::move(v));
            skipSpace();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() == '}') {
                ++m_pos;
                return true;
            }
            return fail("expected ',' or '}'");
        }
    }

    bool parseArray(JsonValue &out, int depth)
    {
        out = JsonValue(JsonValue::Type::Array);
        ++m_pos; // [
        skipSpace();
        if (peek() == ']') {
            ++m_pos;
            return true;
        }
        for (;;) {
            skipSpace();
            JsonValue v;
            if (!parseValue(v, depth + 1))
                return false;
            out.m_items.push_back(std::move(v));
            skipSpace();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() == ']') {
                ++m_pos;
                return true;
            }
            return fail("expected ',' or ']'");
        }
    }

    bool hex4(unsigned &cp)
    {
        if (m_pos + 4 > m_s.size())
            return fail("short \\u escape");
        cp = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = m_s[m_pos++];
            cp <<= 4;
            if (c >= '0' && c <= '9')
                cp |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                cp |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                cp |= static_cast<unsigned>(c - 'A' + 10);
            else
                return fail("bad \\u escape");
        }
        return true;
    }

    static void appendUtf8(std::string &s, unsigned cp)
    {
        if (cp < 0x80) {
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | (cp >> 6));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s += static_cast<char>(0xE0 | (cp >> 12));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (cp >> 18));
            s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool parseString(std::string &out)
    {
        ++m_pos; // opening quote
        for (;;) {
            if (atEnd())
                return fail("unterminated string");
            const unsigned char c = static_cast<unsigned char>(m_s[m_pos]);
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (c < 0x20)
                return fail("control character in string");
            if (c == '\\') {
                ++m_pos;
                if (atEnd())
                    return fail("unterminated string");
                const char e = m_s[m_pos++];
                switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    unsigned cp;
                    if (!hex4(cp))
                        return false;
                    if (cp >= 0xD800 && cp <= 0xDBFF) {
                        unsigned lo;
                        if (m_s.substr(m_pos, 2) != "\\u")
                            return fail("lone surrogate");
                        m_pos += 2;
                        if (!hex4(lo))
                            return false;
                        if (lo < 0xDC00 || lo > 0xDFFF)
                            return fail("lone surrogate");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                        return fail("lone surrogate");
                    }
                    appendUtf8(out, cp);
                    break;
                }
                default:
                    return fail("bad escape");
                }
                continue;
            }
            const std::size_t len = utf8SequenceLength(m_s, m_pos);
            if (len == 0)
                return fail("invalid UTF-8");
            out.append(m_s.substr(m_pos, len));
            m_pos += len;
        }
    }

    bool parseNumber(JsonValue &out)
    {
        const std::size_t start = m_pos;
        bool integral = true;
        if (peek() == '-')
            ++m_pos;
        if (peek() == '0') {
            ++m_pos;
        } else if (peek() >= '1' && peek() <= '9') {
            while (peek() >= '0' && peek() <= '9')
                ++m_pos;
        } else {
            return fail("bad number");
        }
        if (peek() == '.') {
            integral = false;
            ++m_pos;
            if (!(peek() >= '0' && peek() <= '9'))
                return fail("bad number");
            while (peek() >= '0' && peek() <= '9')
                ++m_pos;
        }
        if (peek() == 'e' || peek() == 'E') {
            integral = false;
            ++m_pos;
            if (peek() == '+' || peek() == '-')
                ++m_pos;
            if (!(peek() >= '0' && peek() <= '9'))
                return fail("bad number");
            while (peek() >= '0' && peek() <= '9')
                ++m_pos;
        }
        const std::string text(m_s.substr(start, m_pos - start));
        if (integral) {
            errno = 0;
            const long long v = std::strtoll(text.c_str(), nullptr, 10);
            if (errno != ERANGE) {
                out = JsonValue(v);
                return true;
            }
        }
        const double d = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(d))
            return fail("number out of range");
        out = JsonValue(d);
        return true;
    }

    std::string_view m_s;
    std::size_t m_pos = 0;
    std::string m_error;
};

bool parseJson(std::string_view text, JsonValue &out, std::string *error)
{
    JsonParser parser(text);
    JsonValue v;
    if (!parser.parse(v, error))
        return false;
    out = std::move(v);
    return true;
}
