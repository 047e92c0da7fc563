#include "edid/Json.h"

#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// Builds the value as the library's own DOM parser does, but refuses a key that an object already
// holds and nesting beyond the bound. Members are appended without the ordered map's linear
// lookup, so a large object costs linear time; a hash set per open object finds duplicates.
class StrictBuilder
{
  public:
    using number_integer_t = JsonValue::number_integer_t;
    using number_unsigned_t = JsonValue::number_unsigned_t;
    using number_float_t = JsonValue::number_float_t;
    using string_t = JsonValue::string_t;
    using binary_t = JsonValue::binary_t;

    explicit StrictBuilder(JsonValue &root) : m_root(root) {}

    bool null() { return add(nullptr) != nullptr; }
    bool boolean(bool v) { return add(v) != nullptr; }
    bool number_integer(number_integer_t v) { return add(v) != nullptr; }
    bool number_unsigned(number_unsigned_t v) { return add(v) != nullptr; }
    bool number_float(number_float_t v, const string_t &) { return add(v) != nullptr; }
    bool string(string_t &v) { return add(std::move(v)) != nullptr; }
    bool binary(binary_t &) { return false; } // JSON text has no binary values

    bool start_object(std::size_t) { return open(JsonValue::object(), true); }
    bool key(string_t &k)
    {
        if (!m_keys.back().insert(k).second)
            return fail("invalid JSON: the key \"" + k + "\" appears twice in one object");
        m_key = std::move(k);
        return true;
    }
    bool end_object()
    {
        m_keys.pop_back();
        m_open.pop_back();
        return true;
    }
    bool start_array(std::size_t) { return open(JsonValue::array(), false); }
    bool end_array()
    {
        m_open.pop_back();
        return true;
    }

    bool parse_error(std::size_t position, const std::string &, const nlohmann::detail::exception &e)
    {
        // The library's text is "[json.exception...] parse error at line 1, column 5: reason".
        std::string reason = e.what();
        const std::size_t column = reason.find("column ");
        const std::size_t colon = reason.find(": ", column == std::string::npos ? 0 : column);
        if (colon != std::string::npos)
            reason.erase(0, colon + 2);
        // The library counts the byte it stopped at from 1.
        return fail("invalid JSON at byte " + std::to_string(position > 0 ? position - 1 : 0) + ": " + reason);
    }

    const std::string &error() const { return m_error; }

  private:
    template <typename V> JsonValue *add(V &&v)
    {
        if (m_open.empty()) {
            m_root = JsonValue(std::forward<V>(v));
            return &m_root;
        }
        JsonValue &parent = *m_open.back();
        if (parent.is_array()) {
            parent.get_ref<JsonValue::array_t &>().emplace_back(std::forward<V>(v));
            return &parent.get_ref<JsonValue::array_t &>().back();
        }
        auto &members = parent.get_ref<JsonValue::object_t &>();
        members.emplace_back(std::move(m_key), JsonValue(std::forward<V>(v)));
        return &members.back().second;
    }
    bool open(JsonValue empty, bool object)
    {
        if (m_open.size() >= kJsonMaxDepth)
            return fail("invalid JSON: nesting deeper than " + std::to_string(kJsonMaxDepth) + " levels");
        m_open.push_back(add(std::move(empty)));
        if (object)
            m_keys.emplace_back();
        return true;
    }
    bool fail(std::string sentence)
    {
        m_error = std::move(sentence);
        return false;
    }

    JsonValue &m_root;
    std::vector<JsonValue *> m_open;                   // the arrays and objects not yet closed
    std::vector<std::unordered_set<std::string>> m_keys; // per open object
    std::string m_key;
    std::string m_error;
};

} // namespace

std::string toJson(const JsonValue &value, int indent)
{
    return value.dump(indent, ' ', false, JsonValue::error_handler_t::replace);
}

bool parseJson(std::string_view text, JsonValue &out, std::string *error)
{
    JsonValue result;
    StrictBuilder builder(result);
    const bool ok = JsonValue::sax_parse(text.begin(), text.end(), &builder, nlohmann::detail::input_format_t::json,
                                         true /* the whole text is one value */, false /* no comments */);
    if (!ok) {
        if (error)
            *error = builder.error();
        return false;
    }
    out = std::move(result);
    return true;
}
