#include "core/web/hostcheck.h"
#include "core/web/httprequest.h"
#include "core/web/webroutes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TRequestHead Head(const std::string& text) {
    const TRequestRead read = ReadRequestHead(text);
    EXPECT_EQ(read.Status, TRequestStatus::Complete) << text;
    return read.Head;
}

TEST(WebRequest, HeadsAreReadWholeBoundedAndStrictly) {
    EXPECT_EQ(ReadRequestHead("GET /tower HTTP/1.1\r\nHost: a").Status, TRequestStatus::Incomplete);
    const std::string text =
        "GET /ticker?scale=2&transparent=%31&x HTTP/1.1\r\n"
        "HOST:  127.0.0.1:8080 \r\nOrigin: http://a\r\norigin: second\r\n\r\nrest";
    const TRequestRead read = ReadRequestHead(text);
    ASSERT_EQ(read.Status, TRequestStatus::Complete);
    EXPECT_EQ(read.HeadLength, text.size() - 4);
    EXPECT_EQ(read.Head.Path, "/ticker");
    EXPECT_EQ(read.Head.Query.at("transparent"), "1");
    EXPECT_EQ(read.Head.Query.at("x"), "");
    EXPECT_EQ(read.Head.Header("host"), "127.0.0.1:8080") << "trimmed";
    EXPECT_EQ(read.Head.Header("origin"), "http://a") << "the first one kept";

    EXPECT_EQ(ReadRequestHead(std::string(MaxRequestHeadBytes, 'a')).Status,
              TRequestStatus::TooLarge);
    EXPECT_EQ(ReadRequestHead("GET / HTTP/1.1\r\nX: " + std::string(MaxRequestHeadBytes, 'a') +
                              "\r\n\r\n")
                  .Status,
              TRequestStatus::TooLarge);
    for (const char* bad :
         {"GET /tower\r\n\r\n", "GET tower HTTP/1.1\r\n\r\n", "GET /a b HTTP/1.1\r\n\r\n",
          "GET /\x01 HTTP/1.1\r\n\r\n", "G(T / HTTP/1.1\r\n\r\n", "GET / HTTP/2\r\n\r\n",
          "GET /?a=%4 HTTP/1.1\r\n\r\n", "GET / HTTP/1.1\r\nno colon\r\n\r\n",
          "GET / HTTP/1.1\r\nBad Name: x\r\n\r\n",
          // Two lengths or two hosts: a proxy in front may have read the other one.
          "POST / HTTP/1.1\r\nContent-Length: 1\r\ncontent-length: 5\r\n\r\n",
          "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nHost: evil.example\r\n\r\n"}) {
        EXPECT_EQ(ReadRequestHead(bad).Status, TRequestStatus::Malformed) << bad;
    }
}

TEST(WebRoutes, OnlyTheBuiltInPagesAreServed) {
    const TWebRoute index = RouteRequest(Head("GET / HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(index.Answer.Status, 200);
    EXPECT_EQ(index.Page, TBuiltInPage::Index);
    EXPECT_EQ(RouteRequest(Head("GET /tower?scale=3 HTTP/1.1\r\n\r\n")).Page, TBuiltInPage::Tower);

    const TWebRoute head = RouteRequest(Head("HEAD /ticker HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(head.Page, TBuiltInPage::Ticker);
    TWebAnswer page = head.Answer;
    page.Body = "<p>page</p>";
    const std::string headOnly = ResponseBytes(page);
    EXPECT_EQ(headOnly.substr(headOnly.size() - 4), "\r\n\r\n") << "headers, no body";
    EXPECT_NE(headOnly.find("Content-Length: 11\r\n"), std::string::npos) << "the page's length";
    EXPECT_NE(headOnly.find("Content-Security-Policy: frame-ancestors 'self'\r\n"),
              std::string::npos)
        << "never framed by another site";

    const std::string post =
        ResponseBytes(RouteRequest(Head("POST /tower HTTP/1.1\r\n\r\n")).Answer);
    EXPECT_EQ(post.rfind("HTTP/1.1 405 Method Not Allowed\r\n", 0), 0u);
    EXPECT_NE(post.find("Allow: GET, HEAD\r\n"), std::string::npos);
    for (const char* path :
         {"/../kestrune.ini", "/tower/", "/etc/passwd", "/socket", "//tower", "/socket/logs"}) {
        const TWebRoute route =
            RouteRequest(Head("GET " + std::string(path) + " HTTP/1.1\r\n\r\n"));
        EXPECT_EQ(route.Answer.Status, 404) << path;
        EXPECT_FALSE(route.Page.has_value()) << path;
    }
}

TEST(WebRoutes, TheLiveChannelIsHandedOverOnlyToAHandshakeFromItsOwnPages) {
    const std::string upgrade =
        "GET /socket/ticker?transparent=1 HTTP/1.1\r\nHost: 10.0.0.5:8080\r\n"
        "Upgrade: websocket\r\nConnection: keep-alive, Upgrade\r\n"
        "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
    const TWebRoute own = RouteRequest(Head(upgrade + "Origin: http://10.0.0.5:8080\r\n\r\n"));
    ASSERT_TRUE(own.Socket.has_value());
    EXPECT_EQ(own.Socket->Page, TWebPage::Ticker);
    EXPECT_TRUE(own.Socket->Transparent);
    EXPECT_TRUE(RouteRequest(Head(upgrade + "\r\n")).Socket.has_value())
        << "not a browser: no Origin";

    const TWebRoute foreign = RouteRequest(Head(upgrade + "Origin: http://evil.example\r\n\r\n"));
    EXPECT_FALSE(foreign.Socket.has_value());
    EXPECT_EQ(foreign.Answer.Status, 403);
    EXPECT_EQ(RouteRequest(Head("GET /socket/tower HTTP/1.1\r\n\r\n")).Answer.Status, 400)
        << "a plain GET of the channel";
    // A handshake the protocol cannot answer is refused at once, and takes no channel.
    const std::string noKey = "GET /socket/tower HTTP/1.1\r\nHost: h\r\nUpgrade: websocket\r\n"
                              "Connection: Upgrade\r\nSec-WebSocket-Version: 13\r\n";
    for (const char* key : {"", "Sec-WebSocket-Key: short==\r\n",
                            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZR==\r\n"}) {
        const TWebRoute refused = RouteRequest(Head(noKey + key + "\r\n"));
        EXPECT_FALSE(refused.Socket.has_value()) << key;
        EXPECT_EQ(refused.Answer.Status, 400) << key;
    }
    const std::string oldVersion =
        "GET /socket/tower HTTP/1.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Version: 8\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
    EXPECT_EQ(RouteRequest(Head(oldVersion)).Answer.Status, 400);
}

TEST(WebHosts, OnlyThisPCsNamesAndTheUsersAreAnswered) {
    const THostNames hosts = HostNamesFor(SplitHostList("Studio-PC, 192.168.1.5\tfe80::1"), 8787);
    for (const char* good : {"localhost:8787", "127.0.0.1:8787", "[::1]:8787", "studio-pc:8787",
                             "STUDIO-PC.:8787", "192.168.1.5", "[fe80::1]:8787", ""}) {
        EXPECT_TRUE(HostAllowed(good, hosts)) << good;
    }
    for (const char* bad : {"attacker.example:8787", "studio-pc:8788", "localhost.evil:8787",
                            "127.0.0.2:8787", "::1", "[::1", "[::1]x"}) {
        EXPECT_FALSE(HostAllowed(bad, hosts)) << bad;
    }
}

} // namespace
