#include "core/web/websocket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

/// A client's frame: masked, as every client's must be.
std::string ClientFrame(uint8_t first, std::string_view payload, bool masked = true) {
    std::string frame(1, static_cast<char>(first));
    const uint8_t maskBit = masked ? 0x80 : 0;
    if (payload.size() < 126) {
        frame += static_cast<char>(maskBit | payload.size());
    } else {
        frame += static_cast<char>(maskBit | 126);
        frame += static_cast<char>(payload.size() >> 8);
        frame += static_cast<char>(payload.size() & 0xFF);
    }
    const char mask[4] = {0x12, 0x34, 0x56, 0x78};
    if (masked) {
        frame.append(mask, 4);
    }
    for (std::size_t i = 0; i < payload.size(); ++i) {
        frame += static_cast<char>(payload[i] ^ (masked ? mask[i % 4] : 0));
    }
    return frame;
}

struct TRead {
    std::vector<TIncomingFrame> Frames;
    TFrameFault Fault = TFrameFault::None;
};

/// Feeds `bytes` in pieces of `piece` bytes, as the network may cut them.
TRead ReadAll(const std::string& bytes, std::size_t piece, std::size_t maxMessage = 1024) {
    TFrameReader reader(maxMessage);
    TRead read;
    for (std::size_t at = 0; at < bytes.size() && read.Fault == TFrameFault::None; at += piece) {
        read.Fault =
            reader.Feed(std::string_view(bytes).substr(at, piece),
                        [&read](const TIncomingFrame& frame) { read.Frames.push_back(frame); });
    }
    return read;
}

TEST(WebSocket, TheHandshakeAndTheServersFramesAreThoseOfTheProtocol) {
    const std::string answer = SwitchingProtocolsAnswer("dGhlIHNhbXBsZSBub25jZQ==");
    EXPECT_NE(answer.find("Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n"),
              std::string::npos)
        << answer;
    EXPECT_EQ(answer.rfind("HTTP/1.1 101 ", 0), 0u);
    EXPECT_TRUE(ValidWebSocketKey("AAAAAAAAAAAAAAAAAAAAAA=="));
    EXPECT_FALSE(ValidWebSocketKey("AAAAAAAAAAAAAAAAAAAAAB=="));
    EXPECT_FALSE(ValidWebSocketKey("AAAAAAAAAAAAAAAAAAAAA*=="));
    EXPECT_EQ(FrameHead(TOpcode::Text, 5), std::string("\x81\x05"));
    EXPECT_EQ(FrameHead(TOpcode::Binary, 300), std::string("\x82\x7E\x01\x2C"));
    EXPECT_EQ(FrameHead(TOpcode::Binary, 70000),
              std::string("\x82\x7F\x00\x00\x00\x00\x00\x01\x11\x70", 10));
}

TEST(WebSocket, FramesAreReadWhateverPiecesTheyArriveIn) {
    const std::string bytes = ClientFrame(0x89, "ping!") + ClientFrame(0x01, "ab") +
                              ClientFrame(0x00, std::string(300, 'x')) + ClientFrame(0x80, "") +
                              ClientFrame(0x88, "\x03\xE8");
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{4096}}) {
        const TRead read = ReadAll(bytes, piece);
        EXPECT_EQ(read.Fault, TFrameFault::None) << piece;
        ASSERT_EQ(read.Frames.size(), 5u) << piece;
        EXPECT_EQ(read.Frames[0].Opcode, TOpcode::Ping);
        EXPECT_EQ(read.Frames[0].Payload, "ping!") << "unmasked";
        EXPECT_FALSE(read.Frames[1].Final);
        EXPECT_TRUE(read.Frames[1].Payload.empty()) << "a page's data is not kept";
        EXPECT_EQ(read.Frames[4].Opcode, TOpcode::Close);
        EXPECT_EQ(read.Frames[4].Payload, "\x03\xE8");
    }
}

TEST(WebSocket, WhatNoPageSendsEndsTheChannel) {
    // A message is bounded with all its fragments, so empty or small pieces never add up.
    std::string fragments = ClientFrame(0x01, std::string(600, 'a'));
    fragments += ClientFrame(0x00, std::string(600, 'b'));
    EXPECT_EQ(ReadAll(fragments, 4096).Fault, TFrameFault::TooLarge);
    EXPECT_EQ(ReadAll(ClientFrame(0x82, std::string(2000, 'c')), 4096).Fault, TFrameFault::TooLarge)
        << "refused from its head, before its payload is read";
    const std::vector<std::string> broken = {
        ClientFrame(0x81, "plain", false),               // a client that does not mask
        ClientFrame(0xC1, "x"),                          // a reserved bit
        ClientFrame(0x83, "x"),                          // an unknown opcode
        ClientFrame(0x09, "x"),                          // a fragmented control frame
        ClientFrame(0x89, std::string(126, 'p')),        // a control frame over 125 bytes
        ClientFrame(0x80, "x"),                          // a continuation of nothing
        ClientFrame(0x01, "a") + ClientFrame(0x81, "b"), // a new message inside one
    };
    for (const std::string& bytes : broken) {
        const TRead read = ReadAll(bytes, 4096);
        EXPECT_EQ(read.Fault, TFrameFault::Protocol) << testing::PrintToString(bytes);
        EXPECT_TRUE(read.Frames.empty() || read.Frames.size() == 1u);
    }
}

} // namespace
