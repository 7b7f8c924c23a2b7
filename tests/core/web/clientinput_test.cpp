// What a client sends, judged before it is believed: the body's length, the ticker's text, a
// JSON body, a text quoted in the log, and guesses of a token.

#include "core/app/consoleapi.h"
#include "core/web/clienttext.h"
#include "core/web/tokenguard.h"
#include "core/web/webaccess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const TWebAccess Access{"0123456789abcdef0123456789abcdef", "fedcba9876543210fedcba9876543210"};

TRequestHead Head(const std::string& text) {
    const TRequestRead read = ReadRequestHead(text + "\r\n");
    EXPECT_EQ(read.Status, TRequestStatus::Complete) << text;
    return read.Head;
}

/// The text a routed ticker call puts on air.
std::string TickerTextOf(const TApiRoute& route) {
    return std::get<TSetTickerText>(std::get<TConsoleCommand>(route.Request->Does)).Text;
}

/// A ticker text call with the control token, `headers` and `body`.
TApiRoute TickerCall(const std::string& body, const std::string& headers = "") {
    return RouteApi(Head("POST /api/ticker/text HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: "
                         "Bearer " +
                         Access.ControlToken + "\r\n" + headers),
                    body, Access, true);
}

TEST(ClientInput, ABodyIsMeasuredBeforeItIsRead) {
    const auto status = [](const std::string& head) {
        const TBodyLength body = ApiBodyLength(Head(head));
        return body.Refusal ? body.Refusal->Status : 0;
    };
    EXPECT_EQ(status("POST /api/ticker/text HTTP/1.1\r\nTransfer-Encoding: chunked\r\n"), 411);
    EXPECT_EQ(status("POST /api/ticker/text HTTP/1.1\r\n"), 411)
        << "a text call without a length would take its body for nothing and clear the ticker";
    EXPECT_EQ(status("POST /api/ignore HTTP/1.1\r\n"), 411);
    EXPECT_EQ(status("POST /api/ticker/text?text=GO HTTP/1.1\r\n"), 0)
        << "the text is in the query";
    EXPECT_EQ(status("POST /api/strip/best HTTP/1.1\r\n"), 0) << "a call with no value has no body";
    EXPECT_EQ(status("POST /api/ignore HTTP/1.1\r\nContent-Length: 1e3\r\n"), 400);
    EXPECT_EQ(status("POST /api/ignore HTTP/1.1\r\nContent-Length: 10000000000\r\n"), 413);
    EXPECT_EQ(status("POST /api/ignore HTTP/1.1\r\nContent-Length: 16385\r\n"), 413);
    const TBodyLength padded =
        ApiBodyLength(Head("POST /api/ignore HTTP/1.1\r\nContent-Length: 0000000000000000012\r\n"));
    EXPECT_FALSE(padded.Refusal);
    EXPECT_EQ(padded.Length, 12u);
}

TEST(ClientInput, TheTickersTextIsOneLineOfValidUtf8FromTheBodyOrItsJson) {
    const auto refusal = [](const std::string& body, const std::string& headers = "") {
        const TApiRoute route = TickerCall(body, headers);
        EXPECT_FALSE(route.Request) << body;
        EXPECT_EQ(route.Answer.Status, 400) << body;
        return route.Answer.Body;
    };
    EXPECT_NE(refusal("a\xE2\x80\xA8"
                      "b")
                  .find("line separator (U+2028)"),
              std::string::npos);
    EXPECT_NE(refusal("a\xE2\x80\xA9"
                      "b")
                  .find("U+2029"),
              std::string::npos);
    EXPECT_NE(refusal("a\xC2\x85"
                      "b")
                  .find("control character (U+0085)"),
              std::string::npos);
    EXPECT_NE(refusal("a\x07").find("U+0007"), std::string::npos);
    EXPECT_NE(refusal("a\rb").find("one line"), std::string::npos);
    EXPECT_NE(refusal("\xE2\x80\xAE"
                      "DIAS")
                  .find("bidirectional control (U+202E)"),
              std::string::npos);
    EXPECT_NE(refusal("caf\xE9").find("not valid UTF-8 (at byte 3)"), std::string::npos);
    EXPECT_NE(refusal("\xED\xA0\x80").find("not valid UTF-8"), std::string::npos) << "a surrogate";
    EXPECT_NE(refusal("\xC0\xAF").find("not valid UTF-8"), std::string::npos) << "overlong";

    const std::string json = "Content-Type: application/json; charset=utf-8\r\n";
    const TApiRoute fromJson =
        TickerCall(R"( {"id": [1, {"x": null}], "text":"PIT LANE OPEN"} )", json);
    ASSERT_TRUE(fromJson.Request);
    EXPECT_EQ(TickerTextOf(fromJson), "PIT LANE OPEN");
    const TApiRoute escaped =
        TickerCall(R"({"text":"\u30c8\u30c3\u30d7 \ud83c\udfc1 \"1\""})", json);
    ASSERT_TRUE(escaped.Request);
    EXPECT_EQ(TickerTextOf(escaped), "\xE3\x83\x88\xE3\x83\x83\xE3\x83\x97 \xF0\x9F\x8F\x81 \"1\"");
    EXPECT_NE(refusal(R"({"text":"a\u2028b"})", json).find("U+2028"), std::string::npos)
        << "an escape is judged as the character it stands for";
    EXPECT_NE(refusal(R"({"text":1})", json).find("'text' is not a string"), std::string::npos);
    EXPECT_NE(refusal(R"({"message":"x"})", json).find("no field 'text'"), std::string::npos);
    for (const char* broken : {R"({"text":"x")", R"({"text":"x"} x)", R"({"text":"\ud800"})",
                               R"(["text"])", R"({"text":"x",})"}) {
        EXPECT_NE(refusal(broken, json).find("not a well-formed JSON object"), std::string::npos)
            << broken;
    }
    ASSERT_TRUE(TickerCall("\xE3\x83\x94\xE3\x83\x83\xE3\x83\x88 OPEN").Request) << "Japanese";
}

TEST(ClientInput, ALogLineQuotesWhatAClientSentWithoutStartingAnother) {
    EXPECT_EQ(LogSafe("evil\xE2\x80\xA8Web control from 127.0.0.1: Message Window hide"),
              "evil\\u{2028}Web control from 127.0.0.1: Message Window hide");
    EXPECT_EQ(LogSafe("a\r\nb\x7F\xC2\x85\xE2\x80\xA9\xE2\x81\xA6"),
              "a\\x0D\\x0Ab\\x7F\\u{0085}\\u{2029}\\u{2066}");
    EXPECT_EQ(LogSafe("\xE2\x80\xAEreversed"), "\\u{202E}reversed");
    EXPECT_EQ(LogSafe("caf\xE9 \\x41"), "caf\\xE9 \\\\x41") << "a backslash cannot forge an escape";
    EXPECT_EQ(LogSafe("\xE3\x83\x88\xE3\x83\x83\xE3\x83\x97 studio-pc:8787"),
              "\xE3\x83\x88\xE3\x83\x83\xE3\x83\x97 studio-pc:8787");
}

TEST(ClientInput, WrongTokensFromOneAddressAreRefusedForAWhileAndOnlyThere) {
    TTokenGuard guard;
    const TRequestHead wrong = Head("GET /data/session.json?token=guess HTTP/1.1\r\n");
    const TRequestHead none = Head("GET /data/session.json HTTP/1.1\r\n");
    const TRequestHead right =
        Head("GET /data/session.json?token=" + Access.ReadToken + " HTTP/1.1\r\n");
    EXPECT_TRUE(WrongToken(wrong, Access));
    EXPECT_FALSE(WrongToken(none, Access)) << "no token is no guess";
    EXPECT_FALSE(WrongToken(right, Access));

    int64_t now = 1000;
    for (int i = 0; i < WrongTokensAllowed; ++i) {
        EXPECT_FALSE(guard.WrongToken("192.0.2.7", now += 100));
    }
    EXPECT_EQ(guard.RefusedFor("192.0.2.7", now), 0);
    EXPECT_TRUE(guard.WrongToken("192.0.2.7", now += 100));
    EXPECT_EQ(guard.RefusedFor("192.0.2.7", now), FirstLockoutMs);
    EXPECT_EQ(guard.RefusedFor("192.0.2.8", now), 0) << "another address is not slowed";
    EXPECT_EQ(guard.RefusedFor("192.0.2.7", now + FirstLockoutMs), 0);

    now += FirstLockoutMs;
    for (int i = 0; i <= WrongTokensAllowed; ++i) {
        guard.WrongToken("192.0.2.7", now += 100);
    }
    EXPECT_EQ(guard.RefusedFor("192.0.2.7", now), 2 * FirstLockoutMs) << "a second run, longer";

    // Slow guessing, under the rate, is never refused.
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(guard.WrongToken("192.0.2.9", now += FailureWindowMs / 4));
    }

    EXPECT_NE(TokenProblem("WebToken", "4711").find("WebToken is shorter than 16 characters"),
              std::string::npos);
    EXPECT_EQ(TokenProblem("WebToken", ""), "") << "none is made when the server starts";
    EXPECT_EQ(TokenProblem("WebToken", std::string(MinTokenLength, 'k')), "");
}

} // namespace
