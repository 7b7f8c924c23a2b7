#pragma once
// The server's side of the WebSocket protocol, as far as the live channel needs it: the
// handshake's answer, the frames it sends, and a strict, bounded reader of what a page sends.
// The pages send nothing but the protocol's own frames, so a page's data is counted and
// dropped, never kept.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum class TOpcode : uint8_t {
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    Close = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

/// True for a Sec-WebSocket-Key a client may send: 16 bytes in Base64.
bool ValidWebSocketKey(std::string_view key);

/// The 101 answer that opens the channel for a valid `key`.
std::string SwitchingProtocolsAnswer(std::string_view key);

/// The head of one whole, unmasked frame (a server's) with `length` bytes of payload.
std::string FrameHead(TOpcode opcode, std::size_t length);

/// A whole frame: its head and `payload`.
std::string Frame(TOpcode opcode, std::string_view payload);

/// Why a channel must end: the close code to send.
enum class TFrameFault : uint16_t {
    None = 0,
    Protocol = 1002,
    TooLarge = 1009,
};

struct TIncomingFrame {
    TOpcode Opcode = TOpcode::Text;
    bool Final = true;
    /// Unmasked; kept only for control frames (a ping's payload goes back in the pong).
    std::string Payload;
};

/// Reads a client's frames as they arrive, in pieces of any size. Holds at most one frame
/// head and one control payload; a data message may have at most `maxMessage` bytes in all its
/// fragments.
class TFrameReader {
  public:
    explicit TFrameReader(std::size_t maxMessage) : MaxMessage(maxMessage) {}

    /// Reads `bytes`, calling `onFrame` for each whole frame. Returns the fault that ends the
    /// channel; after one, nothing more is read.
    TFrameFault Feed(std::string_view bytes,
                     const std::function<void(const TIncomingFrame&)>& onFrame);

  private:
    /// The size of the frame head being read, as far as Held tells it.
    std::size_t HeadSize() const;
    /// Moves the bytes of the next frame head from `bytes` to Held; false while incomplete.
    bool TakeHead(std::string_view& bytes);
    void ParseHead();
    TFrameFault CheckHead() const;

    std::size_t MaxMessage;
    TFrameFault Fault = TFrameFault::None;
    /// The bytes of a frame head not yet complete.
    std::string Held;
    bool HaveHead = false;
    TIncomingFrame Current;
    uint64_t PayloadLeft = 0;
    uint64_t PayloadAt = 0;
    uint8_t Mask[4] = {0, 0, 0, 0};
    bool Masked = false;
    bool Reserved = false;
    uint8_t RawOpcode = 0;
    /// A data message whose last fragment has not come yet, and its bytes so far.
    bool InMessage = false;
    uint64_t MessageBytes = 0;
};
