#include "core/web/websocket.h"

#include "core/web/sha1.h"

#include <algorithm>

namespace {

constexpr std::string_view HandshakeGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
constexpr std::size_t MaxControlPayload = 125;

bool IsControl(uint8_t opcode) {
    return (opcode & 0x8) != 0;
}

bool KnownOpcode(uint8_t opcode) {
    return opcode <= 0x2 || (opcode >= 0x8 && opcode <= 0xA);
}

} // namespace

bool ValidWebSocketKey(std::string_view key) {
    if (key.size() != 24 || key.substr(22) != "==") {
        return false;
    }
    // The last character before the padding carries four bits of the 16th byte and two zeros.
    const std::string_view lastOfSixteen = "AQgw";
    return std::all_of(key.begin(), key.begin() + 22,
                       [](char c) {
                           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                  (c >= '0' && c <= '9') || c == '+' || c == '/';
                       }) &&
           lastOfSixteen.find(key[21]) != std::string_view::npos;
}

std::string SwitchingProtocolsAnswer(std::string_view key) {
    std::string keyed(key);
    keyed += HandshakeGuid;
    const auto digest = Sha1(keyed);
    const std::string accept =
        Base64(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
    return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Accept: " +
           accept + "\r\n\r\n";
}

std::string FrameHead(TOpcode opcode, std::size_t length) {
    std::string head(1, static_cast<char>(0x80 | static_cast<uint8_t>(opcode)));
    if (length < 126) {
        head += static_cast<char>(length);
    } else if (length <= 0xFFFF) {
        head += static_cast<char>(126);
        head += static_cast<char>(length >> 8);
        head += static_cast<char>(length & 0xFF);
    } else {
        head += static_cast<char>(127);
        for (int shift = 56; shift >= 0; shift -= 8) {
            head += static_cast<char>((static_cast<uint64_t>(length) >> shift) & 0xFF);
        }
    }
    return head;
}

std::string Frame(TOpcode opcode, std::string_view payload) {
    return FrameHead(opcode, payload.size()) + std::string(payload);
}

std::size_t TFrameReader::HeadSize() const {
    if (Held.size() < 2) {
        return 2;
    }
    const uint8_t second = static_cast<uint8_t>(Held[1]);
    const uint8_t lengthCode = second & 0x7F;
    const std::size_t lengthBytes = lengthCode == 126 ? 2 : lengthCode == 127 ? 8 : 0;
    return 2 + lengthBytes + ((second & 0x80) != 0 ? 4 : 0);
}

void TFrameReader::ParseHead() {
    const auto byte = [this](std::size_t at) { return static_cast<uint8_t>(Held[at]); };
    const uint8_t lengthCode = byte(1) & 0x7F;
    const std::size_t lengthBytes = lengthCode == 126 ? 2 : lengthCode == 127 ? 8 : 0;
    Masked = (byte(1) & 0x80) != 0;
    Current = TIncomingFrame{};
    Current.Final = (byte(0) & 0x80) != 0;
    Reserved = (byte(0) & 0x70) != 0;
    RawOpcode = byte(0) & 0x0F;
    Current.Opcode = static_cast<TOpcode>(RawOpcode);
    PayloadLeft = lengthCode;
    if (lengthBytes != 0) {
        PayloadLeft = 0;
        for (std::size_t i = 0; i < lengthBytes; ++i) {
            PayloadLeft = (PayloadLeft << 8) | byte(2 + i);
        }
    }
    for (std::size_t i = 0; i < 4 && Masked; ++i) {
        Mask[i] = byte(2 + lengthBytes + i);
    }
    PayloadAt = 0;
    Held.clear();
    HaveHead = true;
}

TFrameFault TFrameReader::CheckHead() const {
    // A client masks every frame; an unknown opcode or reserved bit means another protocol.
    if (!Masked || Reserved || !KnownOpcode(RawOpcode)) {
        return TFrameFault::Protocol;
    }
    if (IsControl(RawOpcode)) {
        return Current.Final && PayloadLeft <= MaxControlPayload ? TFrameFault::None
                                                                 : TFrameFault::Protocol;
    }
    const bool continuation = Current.Opcode == TOpcode::Continuation;
    if (continuation != InMessage) {
        return TFrameFault::Protocol;
    }
    // Fragments count together: a message split into many pieces is still one message.
    const uint64_t before = continuation ? MessageBytes : 0;
    return PayloadLeft > MaxMessage || before + PayloadLeft > MaxMessage ? TFrameFault::TooLarge
                                                                         : TFrameFault::None;
}

bool TFrameReader::TakeHead(std::string_view& bytes) {
    // Byte by byte as far as the head goes, so no byte of a payload is ever copied here.
    while (Held.size() < HeadSize()) {
        if (bytes.empty()) {
            return false;
        }
        const std::size_t take = std::min(HeadSize() - Held.size(), bytes.size());
        Held.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
    }
    ParseHead();
    return true;
}

TFrameFault TFrameReader::Feed(std::string_view bytes,
                               const std::function<void(const TIncomingFrame&)>& onFrame) {
    while (Fault == TFrameFault::None) {
        if (!HaveHead) {
            if (!TakeHead(bytes)) {
                return Fault;
            }
            Fault = CheckHead();
            if (Fault != TFrameFault::None) {
                return Fault;
            }
            if (!IsControl(RawOpcode)) {
                MessageBytes =
                    (Current.Opcode == TOpcode::Continuation ? MessageBytes : 0) + PayloadLeft;
                InMessage = !Current.Final;
            }
        }
        const std::size_t take =
            static_cast<std::size_t>(std::min<uint64_t>(PayloadLeft, bytes.size()));
        if (IsControl(RawOpcode)) {
            for (std::size_t i = 0; i < take; ++i) {
                Current.Payload += static_cast<char>(bytes[i] ^ Mask[(PayloadAt + i) % 4]);
            }
        }
        PayloadAt += take;
        PayloadLeft -= take;
        bytes.remove_prefix(take);
        if (PayloadLeft != 0) {
            return Fault;
        }
        HaveHead = false;
        onFrame(Current);
        if (bytes.empty()) {
            return Fault;
        }
    }
    return Fault;
}
