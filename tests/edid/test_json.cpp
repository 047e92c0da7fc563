// The JSON value: writer escaping and order, and the strict parser.
#include <gtest/gtest.h>
#include <string>

#include "edid/Json.h"

TEST(Json, WriterKeepsInsertionOrderAndReplacesInPlace)
{
    JsonValue o = JsonValue::object();
    o.set("z", 1);
    o.set("a", "x");
    o.set("m", JsonValue::array());
    o.set("z", false);
    EXPECT_EQ(toJson(o), R"({"z":false,"a":"x","m":[]})");
    EXPECT_EQ(toJson(o, 2), "{\n  \"z\": false,\n  \"a\": \"x\",\n  \"m\": []\n}");
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
        {"\x01\x1f\x7f", R"("\u0001\u001f\u007f")"},
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80",
         "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\""}, // valid UTF-8 kept
        {"\xff\xfe", R"("\u00ff\u00fe")"},            // stray bytes
        {"\xc3", R"("\u00c3")"},                      // cut sequence
        {"\xc0\xaf", R"("\u00c0\u00af")"},            // overlong
        {"\xed\xa0\x80", R"("\u00ed\u00a0\u0080")"},  // surrogate
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
    a.push(0);
    a.push(-1);
    a.push(4294967295u);
    a.push(static_cast<long long>(-9223372036854775807LL - 1));
    a.push(0.5);
    a.push(1e300);
    const std::string text = toJson(a);
    EXPECT_EQ(text, "[0,-1,4294967295,-9223372036854775808,0.5,1.0000000000000001e+300]");
    JsonValue back;
    ASSERT_TRUE(parseJson(text, back));
    EXPECT_EQ(back, a);
    EXPECT_TRUE(back.items()[2].isInteger());
    EXPECT_FALSE(back.items()[4].isInteger());
}

TEST(Json, ParsesValidText)
{
    JsonValue v;
    ASSERT_TRUE(parseJson(
        " {\"a\" : [1, -0, 2.5e1, true, false, null, \"\\u00e9\\ud83d\\ude00\\/\"], \"b\":{}}\r\n", v));
    ASSERT_TRUE(v.isObject());
    const JsonValue *a = v.find("a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->size(), 7u);
    EXPECT_EQ(a->items()[0].asInt(), 1);
    EXPECT_EQ(a->items()[2].asDouble(), 25.0);
    EXPECT_TRUE(a->items()[3].asBool());
    EXPECT_TRUE(a->items()[5].isNull());
    EXPECT_EQ(a->items()[6].asString(), "\xc3\xa9\xf0\x9f\x98\x80/");
    EXPECT_TRUE(v.find("b")->isObject());
    EXPECT_EQ(v.find("c"), nullptr);
    // Integers beyond 64 bits become doubles rather than failing.
    ASSERT_TRUE(parseJson("123456789012345678901234", v));
    EXPECT_FALSE(v.isInteger());
    EXPECT_DOUBLE_EQ(v.asDouble(), 1.2345678901234568e23);
}

TEST(Json, RejectsWhatIsNotStrictJson)
{
    const char *bad[] = {
        "",
        "   ",
        "{",
        "[1,]",
        "{\"a\":1,}",
        "{'a':1}",
        "{a:1}",
        "[01]",
        "[1.]",
        "[.5]",
        "[+1]",
        "[1e]",
        "[-]",
        "NaN",
        "[Infinity]",
        "tru",
        "nulls",
        "1 2",
        "[1] x",
        "// c\n1",
        "/* c */ 1",
        "\"a\tb\"",
        "\"\\x\"",
        "\"\\u12\"",
        "\"\\ud800\"",
        "\"\\udc00\"",
        "\"\\ud800\\u0041\"",
        "\"\xff\"",
        "\"\xc3\"",
        "\"abc",
        "{\"a\":1,\"a\":2}",
        "[1 2]",
        "{\"a\" 1}",
        "\f1",
        "1e400",
        "[-1e999]",
    };
    for (const char *text : bad) {
        JsonValue v = JsonValue("unchanged");
        std::string error;
        EXPECT_FALSE(parseJson(text, v, &error)) << "accepted: " << text;
        EXPECT_NE(error.find("invalid JSON at byte"), std::string::npos);
        EXPECT_EQ(v.asString(), "unchanged") << "a failed parse must not change the output";
    }
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

TEST(Json, AccessorsOfOtherTypesAreNeutral)
{
    const JsonValue s("text");
    EXPECT_EQ(s.asInt(), 0);
    EXPECT_FALSE(s.asBool());
    EXPECT_TRUE(s.items().empty());
    EXPECT_EQ(s.find("x"), nullptr);
    EXPECT_EQ(JsonValue(3).asString(), "");
    EXPECT_EQ(JsonValue(2.9).asInt(), 2);
    EXPECT_EQ(JsonValue(1e300).asInt(), 0);
}
