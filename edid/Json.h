#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A small JSON value: null, bool, number (integer or double), string, array, object. Objects keep
// their members in insertion order, so written output has a stable key order. Strings hold UTF-8.
class JsonValue
{
  public:
    enum class Type { Null, Bool, Number, String, Array, Object };
    using Member = std::pair<std::string, JsonValue>;

    JsonValue() = default;
    JsonValue(std::nullptr_t) {}
    JsonValue(bool b) : m_type(Type::Bool), m_bool(b) {}
    JsonValue(int v) : m_type(Type::Number), m_int(v) {}
    JsonValue(unsigned v) : m_type(Type::Number), m_int(v) {}
    JsonValue(long v) : m_type(Type::Number), m_int(v) {}
    JsonValue(unsigned long v) : m_type(Type::Number), m_int(static_cast<std::int64_t>(v)) {}
    JsonValue(long long v) : m_type(Type::Number), m_int(v) {}
    JsonValue(unsigned long long v) : m_type(Type::Number), m_int(static_cast<std::int64_t>(v)) {}
    JsonValue(double v) : m_type(Type::Number), m_isInt(false), m_double(v) {}
    JsonValue(const char *s) : m_type(Type::String), m_string(s) {}
    JsonValue(std::string s) : m_type(Type::String), m_string(std::move(s)) {}
    JsonValue(std::string_view s) : m_type(Type::String), m_string(s) {}
    JsonValue(std::uint8_t v) : m_type(Type::Number), m_int(v) {}
    JsonValue(std::uint16_t v) : m_type(Type::Number), m_int(v) {}

    static JsonValue array() { return JsonValue(Type::Array); }
    static JsonValue object() { return JsonValue(Type::Object); }

    Type type() const { return m_type; }
    bool isNull() const { return m_type == Type::Null; }
    bool isBool() const { return m_type == Type::Bool; }
    bool isNumber() const { return m_type == Type::Number; }
    // A number written without fraction or exponent that fits 64 bits.
    bool isInteger() const { return m_type == Type::Number && m_isInt; }
    bool isString() const { return m_type == Type::String; }
    bool isArray() const { return m_type == Type::Array; }
    bool isObject() const { return m_type == Type::Object; }

    // Accessors return a neutral value (false, 0, empty) for a value of another type.
    bool asBool() const { return m_type == Type::Bool && m_bool; }
    double asDouble() const;
    std::int64_t asInt() const;
    const std::string &asString() const;

    // Arrays.
    const std::vector<JsonValue> &items() const { return m_items; }
    JsonValue &push(JsonValue v);
    // Objects: members in insertion order.
    const std::vector<Member> &members() const { return m_members; }
    // Replaces the member's value if the key exists, else appends the member.
    JsonValue &set(std::string_view key, JsonValue v);
    const JsonValue *find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // Number of items or members.
    std::size_t size() const { return m_type == Type::Array ? m_items.size() : m_members.size(); }

    bool operator==(const JsonValue &other) const;

  private:
    explicit JsonValue(Type t) : m_type(t) {}
    friend class JsonParser;

    Type m_type = Type::Null;
    bool m_bool = false;
    bool m_isInt = true;
    std::int64_t m_int = 0;
    double m_double = 0;
    std::string m_string;
    std::vector<JsonValue> m_items;
    std::vector<Member> m_members;
};

// Writes the value as JSON. indent < 0: one line, no spaces; otherwise pretty-printed with that
// many spaces per level. Strings are escaped; bytes that are not valid UTF-8 are written as \u00XX
// so the output is always valid JSON. Non-finite doubles become null.
std::string toJson(const JsonValue &value, int indent = -1);

// Strict parser (RFC 8259): one value, optional surrounding whitespace, no comments, no trailing
// commas, no duplicate object keys, valid UTF-8 and escapes, nesting at most 200 deep. On failure
// returns false and, when `error` is given, sets a sentence with the byte offset.
bool parseJson(std::string_view text, JsonValue &out, std::string *error = nullptr);
