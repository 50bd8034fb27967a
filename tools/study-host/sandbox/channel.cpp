#include "tools/study-host/sandbox/channel.h"

#include <charconv>
#include <random>

#include "tools/study-host/sandbox/child_process.h"

namespace {

constexpr std::size_t kLongestPayload = std::size_t{1} << 24;

bool IsFrameKind(char c) {
  switch (static_cast<FrameKind>(c)) {
    case FrameKind::kPhase:
    case FrameKind::kWaiting:
    case FrameKind::kOutput:
    case FrameKind::kResult:
    case FrameKind::kError:
    case FrameKind::kDone:
    case FrameKind::kCause:
      return true;
  }
  return false;
}

}  // namespace

std::string NewChannelSecret() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device random;
  std::string secret;
  while (secret.size() < kSecretLength) secret += kHex[random() % 16];
  return secret;
}

std::string EncodeLabelled(const LabelledText& labelled) {
  return labelled.label + "\t" + labelled.text;
}

std::optional<LabelledText> DecodeLabelled(const std::string& payload) {
  const auto tab = payload.find('\t');
  if (tab == std::string::npos) return std::nullopt;
  return LabelledText{payload.substr(0, tab), payload.substr(tab + 1)};
}

std::string ChannelWriter::EncodeFrame(FrameKind kind, std::string_view payload) const {
  std::string frame = secret_;
  frame += static_cast<char>(kind);
  frame += std::to_string(payload.size());
  frame += ':';
  frame += payload;
  return frame;
}

void ChannelWriter::Send(FrameKind kind, std::string_view payload) const {
  if (!WriteToChannel(channel_, EncodeFrame(kind, payload))) lost_ = true;
}

std::optional<Frame> FrameDecoder::Next() {
  if (malformed_) return std::nullopt;
  std::string_view rest = std::string_view(pending_).substr(read_);
  const std::string_view secret = std::string_view(secret_).substr(0, rest.size());
  if (rest.substr(0, secret.size()) != secret) {
    malformed_ = true;
    return std::nullopt;
  }
  if (rest.size() <= secret_.size()) return std::nullopt;
  rest.remove_prefix(secret_.size());
  const auto colon = rest.find(':');
  if (rest.empty() || colon == std::string_view::npos) {
    malformed_ = !rest.empty() && (!IsFrameKind(rest[0]) || rest.size() > 24);
    return std::nullopt;
  }
  std::size_t length = 0;
  const auto parsed = std::from_chars(rest.data() + 1, rest.data() + colon, length);
  if (!IsFrameKind(rest[0]) || colon == 1 || parsed.ptr != rest.data() + colon ||
      parsed.ec != std::errc() || length > kLongestPayload) {
    malformed_ = true;
    return std::nullopt;
  }
  if (rest.size() - colon - 1 < length) return std::nullopt;
  Frame frame{static_cast<FrameKind>(rest[0]), std::string(rest.substr(colon + 1, length))};
  read_ += secret_.size() + colon + 1 + length;
  if (read_ > (std::size_t{1} << 16)) {
    pending_.erase(0, read_);
    read_ = 0;
  }
  return frame;
}
