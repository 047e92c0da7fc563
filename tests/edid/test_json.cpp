// JSON: the writer's escaping and key order, and the strict parser (duplicate keys, depth, bytes).
#include <gtest/gtest.h>
#include <string>

#include "edid/Json.h"

TEST(Json, WriterKeepsInsertionOrderAndReplacesInPlace)
{
    JsonValue o = JsonValue::object();
    o["z"] = 1;
    o["a"] = "x";
    o["m"] = JsonValue::array();
    o["z"] = false;
    EXPECT_EQ(toJson(o), R"({"z":false,"a":"x","m":[]})");
    EXPECT_EQ(toJson(o, 2), "{\n  \"z\": false,\n  \"a\": \"x\",\n  \"m\": []\n}");
    // Order survives a parse as well.
    JsonValue back;
    ASSERT_TRUE(parseJson(R"({"z":1,"a":2,"m":3})", back));
    EXPECT_EQ(toJson(back), R"({"z":1,"a":2,"m":3})");
}

TEST(Json, WriterEscapes)
{
    struct Case
    {
        std::string in;
        const char *out;
    };
    const Case cases[] = {
        {"plain", R"("plain")"},
        {"q\"b\\s/", R"("q\"b\\s/")"},
        {"\r\n\t\b\f", R"("\r\n\t\b\f")"},
        {std::string("nul\0x", 5), R"("nul\u0000x")"},
        {"\x01\x1f\x7f", "\"\\u0001\\u001f\x7f\""}, // DEL needs no escape
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80",
         "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\""}, // valid UTF-8 kept
        // Bytes that are not UTF-8 (EDID texts never get here: they are converted from Latin-1)
        // become U+FFFD, so the output is always valid JSON.
        {"\xff\xfe", "\"\xef\xbf\xbd\xef\xbf\xbd\""},    // stray bytes
        {"\xc3", "\"\xef\xbf\xbd\""},                    // cut sequence
        {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},    // overlong
        {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""}, // surrogate
    };
    for (const Case &c : cases) {
        const std::string written = toJson(JsonValue(c.in));
        EXPECT_EQ(written, c.out);
        JsonValue back;
        EXPECT_TRUE(parseJson(written, back)) << written;
    }
}

TEST(Json, NumbersRoundTrip)
{
    JsonValue a = JsonValue::array();
    a.push_back(0);
    a.push_back(-1);
    a.push_back(4294967295u);
    a.push_back(static_cast<long long>(-9223372036854775807LL - 1));
    a.push_back(0.5);
    a.push_back(1e300);
    const std::string text = toJson(a);
    EXPECT_EQ(text, "[0,-1,4294967295,-9223372036854775808,0.5,1e+300]");
    JsonValue back;
    ASSERT_TRUE(parseJson(text, back));
    EXPECT_EQ(back, a);
    EXPECT_TRUE(back[2].is_number_integer());
    EXPECT_FALSE(back[4].is_number_integer());
}

TEST(Json, ParsesValidText)
{
    JsonValue v;
    ASSERT_TRUE(parseJson(
        " {\"a\" : [1, -0, 2.5e1, true, false, null, \"\\u00e9\\ud83d\\ude00\\/\"], \"b\":{}}\r\n", v));
    ASSERT_TRUE(v.is_object());
    ASSERT_TRUE(v.contains("a"));
    const JsonValue &a = v.at("a");
    ASSERT_EQ(a.size(), 7u);
    EXPECT_EQ(a[0].get<std::int64_t>(), 1);
    EXPECT_EQ(a[2].get<double>(), 25.0);
    EXPECT_TRUE(a[3].get<bool>());
    EXPECT_TRUE(a[5].is_null());
    EXPECT_EQ(a[6].get<std::string>(), "\xc3\xa9\xf0\x9f\x98\x80/");
    EXPECT_TRUE(v.at("b").is_object());
    EXPECT_FALSE(v.contains("c"));
    // Integers beyond 64 bits become doubles rather than failing.
    ASSERT_TRUE(parseJson("123456789012345678901234", v));
    EXPECT_FALSE(v.is_number_integer());
    EXPECT_DOUBLE_EQ(v.get<double>(), 1.2345678901234568e23);
}

TEST(Json, RejectsWhatIsNotStrictJson)
{
    struct Case
    {
        const char *text;
        const char *error; // what the sentence must say
    };
    const Case bad[] = {
        {"", "at byte"},
        {"   ", "at byte"},
        {"{", "at byte"},
        {"[1,]", "at byte"},
        {"{\"a\":1,}", "at byte"},
        {"{'a':1}", "at byte"},
        {"{a:1}", "at byte"},
        {"[01]", "at byte"},
        {"[1.]", "at byte"},
        {"[.5]", "at byte"},
        {"[+1]", "at byte"},
        {"[1e]", "at byte"},
        {"[-]", "at byte"},
        {"NaN", "at byte"},
        {"[Infinity]", "at byte"},
        {"tru", "at byte"},
        {"nulls", "at byte"},
        {"1 2", "at byte"},
        {"[1] x", "at byte"},
        {"// c\n1", "at byte"},
        {"/* c */ 1", "at byte"},
        {"\"a\tb\"", "at byte"},
        {"\"\\x\"", "at byte"},
        {"\"\\u12\"", "at byte"},
        {"\"\\ud800\"", "at byte"},
        {"\"\\udc00\"", "at byte"},
        {"\"\\ud800\\u0041\"", "at byte"},
        {"\"\xff\"", "at byte"},
        {"\"\xc3\"", "at byte"},
        {"\"abc", "at byte"},
        {"{\"a\":1,\"a\":2}", "\"a\" appears twice"},
        {"{\"a\":{\"b\":1,\"b\":2}}", "\"b\" appears twice"},
        {"[1 2]", "at byte"},
        {"{\"a\" 1}", "at byte"},
        {"\f1", "at byte"},
        {"1e400", "at byte"},
        {"[-1e999]", "at byte"},
    };
    for (const Case &c : bad) {
        JsonValue v = JsonValue("unchanged");
        std::string error;
        EXPECT_FALSE(parseJson(c.text, v, &error)) << "accepted: " << c.text;
        EXPECT_EQ(error.rfind("invalid JSON", 0), 0u) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(v.get<std::string>(), "unchanged") << "a failed parse must not change the output";
    }
    // The same key in two different objects is no duplicate.
    JsonValue v;
    EXPECT_TRUE(parseJson(R"({"a":{"a":1},"b":[{"a":1},{"a":2}]})", v));
}

TEST(Json, NestingIsBounded)
{
    std::string ok(200, '[');
    ok += std::string(200, ']');
    JsonValue v;
    EXPECT_TRUE(parseJson(ok, v));
    std::string deep(100000, '[');
    deep += std::string(100000, ']');
    std::string error;
    EXPECT_FALSE(parseJson(deep, v, &error));
    EXPECT_NE(error.find("nesting"), std::string::npos);
}

TEST(Json, AccessorsOfOtherTypesAreRefused)
{
    // A value of another type never reads as a neutral value by accident: the library refuses.
    const JsonValue s("text");
    EXPECT_THROW(s.get<std::int64_t>(), JsonValue::type_error);
    EXPECT_THROW(s.get<bool>(), JsonValue::type_error);
    EXPECT_FALSE(s.contains("x"));
    EXPECT_THROW(JsonValue(3).get<std::string>(), JsonValue::type_error);
    EXPECT_EQ(JsonValue(2.9).get<std::int64_t>(), 2);
}

TEST(Json, LargeObjectsParseInLinearTime)
{
    // 100,000 members (about 1.5 MB of text): a lookup per member would take minutes.
    std::string text = "{";
    for (int i = 0; i < 100000; ++i)
        text += (i ? ",\"k" : "\"k") + std::to_string(i) + "\":" + std::to_string(i);
    text += "}";
    JsonValue v;
    ASSERT_TRUE(parseJson(text, v));
    EXPECT_EQ(v.size(), 100000u);
    EXPECT_EQ(v.back().get<int>(), 99999);
    text.insert(text.size() - 1, ",\"k5\":0");
    std::string error;
    EXPECT_FALSE(parseJson(text, v, &error));
    EXPECT_NE(error.find("\"k5\" appears twice"), std::string::npos);
}
