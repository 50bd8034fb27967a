// The frames a child sends the tool on its channel: each the run's secret,
// a kind letter, the payload's length in decimal, a colon, then the payload.
// The secret is made by the tool for each child and handed to it before it
// loads the module, so a module that writes frames of its own to the
// channel cannot pass them off as the child's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

enum class FrameKind : char {
  kPhase = 'P',    // what the child is about to do ("the defaults call")
  kWaiting = 'W',  // the child waits for input of its own ("1"), or has read it ("0")
  kOutput = 'O',   // text for the tool's standard output
  kResult = 'R',   // the child's result, for the tool to read (a labelled text)
  kError = 'E',    // the child's work failed (a labelled text: exit code, message)
  kDone = 'D',     // the child finished its work
  kCause = 'C',    // what the crash that ends the child is ("stack overflow")
};

// A waiting frame's payloads.
inline constexpr char kWaitingForInput[] = "1";
inline constexpr char kInputRead[] = "0";

struct Frame {
  FrameKind kind;
  std::string payload;
};

// The one payload format with two parts: a label (an exit code, an
// outcome), a tab, then the text.
struct LabelledText {
  std::string label;
  std::string text;
};
std::string EncodeLabelled(const LabelledText& labelled);
// None when the payload has no tab.
std::optional<LabelledText> DecodeLabelled(const std::string& payload);

// The secret's length: hexadecimal digits of 128 random bits.
inline constexpr std::size_t kSecretLength = 32;

// In the tool: a fresh secret for one child.
std::string NewChannelSecret();

// In a child: sends frames on the channel the tool gave it. A frame that
// cannot be sent is dropped: the tool then sees the child end without the
// news, and says so.
class ChannelWriter {
 public:
  ChannelWriter(std::uint64_t channel, std::string secret)
      : channel_(channel), secret_(std::move(secret)) {}
  void Send(FrameKind kind, std::string_view payload) const;
  // The bytes of a frame, to send later where building one is not allowed
  // (a crash handler).
  std::string EncodeFrame(FrameKind kind, std::string_view payload) const;
  std::uint64_t channel() const { return channel_; }
  // Whether a frame could not be sent: the channel was closed under it.
  bool lost() const { return lost_; }

 private:
  std::uint64_t channel_;
  std::string secret_;
  mutable bool lost_ = false;
};

// In the tool: the frames in the bytes a child sent, as they complete.
class FrameDecoder {
 public:
  explicit FrameDecoder(std::string secret) : secret_(std::move(secret)) {}
  void Feed(std::string_view bytes) { pending_.append(bytes); }
  // The next complete frame, or none yet. After malformed bytes (not the
  // child's frames: no secret, another secret, no frame) returns none for
  // good and sets malformed().
  std::optional<Frame> Next();
  bool malformed() const { return malformed_; }

 private:
  std::string secret_;
  std::string pending_;
  std::size_t read_ = 0;
  bool malformed_ = false;
};
