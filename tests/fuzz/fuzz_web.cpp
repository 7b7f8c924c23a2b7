// Feeds arbitrary bytes to the browser-source server's request handling, as a client on the
// network may send them, and checks what the server promises: a head is only ever complete
// within its bound and at its blank line, every answer is a well-formed HTTP answer of a known
// status, only the built-in pages are ever served, and the live channel is only handed over
// for a handshake whose Origin, if any, is the server's own address. The bytes after a whole
// head are read as a client's WebSocket frames, in one piece and byte by byte, which must agree.

#include "core/web/clienttext.h"
#include "core/web/httprequest.h"
#include "core/web/jsonfield.h"
#include "core/web/webroutes.h"
#include "core/web/websocket.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "web property violated: %s\n", what);
    std::abort();
}

void Require(bool holds, const char* what) {
    if (!holds) {
        Violated(what);
    }
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

void CheckAnswer(const TRequestHead& head, const TWebRoute& route) {
    if (route.Socket) {
        Require(head.Method == "GET", "a channel handed over for another method");
        Require(head.Path == "/socket/tower" || head.Path == "/socket/ticker",
                "a channel handed over for another path");
        const std::string origin = Lower(head.Header("origin"));
        const std::string host = Lower(head.Header("host"));
        Require(head.Headers.count("origin") == 0 ||
                    (!host.empty() && (origin == "http://" + host || origin == "https://" + host)),
                "a channel handed over to a foreign page");
        return;
    }
    const int status = route.Answer.Status;
    Require(status == 200 || status == 400 || status == 403 || status == 404 || status == 405,
            "an answer of an unknown status");
    Require((status == 200) == route.Page.has_value(),
            "a 200 that is no page, or a page that is no 200");
    if (route.Page) {
        const TBuiltInPage expected = head.Path == "/"        ? TBuiltInPage::Index
                                      : head.Path == "/tower" ? TBuiltInPage::Tower
                                                              : TBuiltInPage::Ticker;
        Require((head.Path == "/" || head.Path == "/tower" || head.Path == "/ticker") &&
                    *route.Page == expected,
                "a page served for a path that is not that page");
    }
    const std::string bytes = ResponseBytes(route.Answer);
    Require(bytes.rfind("HTTP/1.1 " + std::to_string(status) + " ", 0) == 0,
            "an answer without its status line");
    const std::size_t end = bytes.find("\r\n\r\n");
    Require(end != std::string::npos, "an answer without the end of its headers");
    const std::size_t body = bytes.size() - end - 4;
    Require(route.Answer.HeadOnly ? body == 0 : body == route.Answer.Body.size(),
            "an answer whose body is not its length");
}

/// What a client sends that reaches the log or the air: a log line quotes it on one line of
/// valid UTF-8 whatever it is, and text passed as one line holds nothing that breaks a line.
void CheckClientText(std::string_view text) {
    const std::string safe = LogSafe(text);
    Require(!OneLineTextProblem(safe), "a quoted client text that is not one clean line");
    if (!OneLineTextProblem(text)) {
        Require(text.find_first_of("\r\n") == std::string_view::npos &&
                    text.find("\xE2\x80\xA8") == std::string_view::npos,
                "a text with a line break passed as one line");
        Require(safe.size() >= text.size(), "a clean text shortened by its quoting");
    }
    const auto field = JsonStringField(text, "text");
    if (const auto* value = std::get_if<std::string>(&field)) {
        Require(value->size() <= text.size(), "a JSON field longer than its body");
    }
}

struct TFramesRead {
    std::vector<TIncomingFrame> Frames;
    TFrameFault Fault = TFrameFault::None;
};

TFramesRead ReadFrames(std::string_view bytes, std::size_t piece) {
    TFrameReader reader(1024);
    TFramesRead read;
    for (std::size_t at = 0; at < bytes.size() && read.Fault == TFrameFault::None; at += piece) {
        read.Fault = reader.Feed(bytes.substr(at, piece), [&read](const TIncomingFrame& frame) {
            read.Frames.push_back(frame);
        });
    }
    return read;
}

void CheckFrames(std::string_view bytes) {
    const TFramesRead whole = ReadFrames(bytes, bytes.size() + 1);
    const TFramesRead byByte = ReadFrames(bytes, 1);
    Require(whole.Fault == byByte.Fault && whole.Frames.size() == byByte.Frames.size(),
            "frames read differently when they arrive in pieces");
    // A client's frame has at least a two-byte head and a four-byte mask.
    Require(whole.Frames.size() <= bytes.size() / 6, "more frames than their bytes can hold");
    for (std::size_t i = 0; i < whole.Frames.size(); ++i) {
        const TIncomingFrame& frame = whole.Frames[i];
        Require(frame.Payload == byByte.Frames[i].Payload &&
                    frame.Opcode == byByte.Frames[i].Opcode,
                "a frame read differently when it arrives in pieces");
        const bool control = (static_cast<uint8_t>(frame.Opcode) & 0x8) != 0;
        Require(control ? frame.Payload.size() <= 125 && frame.Final : frame.Payload.empty(),
                "a control payload over 125 bytes, or a page's data kept");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckClientText(bytes);
    const TRequestRead read = ReadRequestHead(bytes);
    if (read.Status != TRequestStatus::Complete) {
        Require(read.Status != TRequestStatus::TooLarge || size >= MaxRequestHeadBytes ||
                    bytes.find("\r\n\r\n") != std::string_view::npos,
                "a short head refused as too large");
        return 0;
    }
    Require(read.HeadLength <= size && read.HeadLength <= MaxRequestHeadBytes,
            "a head longer than its input or its bound");
    Require(bytes.substr(read.HeadLength - 4, 4) == "\r\n\r\n",
            "a head not ending at its blank line");
    CheckAnswer(read.Head, RouteRequest(read.Head));
    CheckFrames(bytes.substr(read.HeadLength));
    return 0;
}
