#include "tools/study-host/sandbox/channel_announcement.h"

#include <limits>

#include "tools/study-host/common/number_parsing.h"

std::string Announce(const ChannelAnnouncement& announcement) {
  return std::to_string(announcement.report) + ":" + std::to_string(announcement.secret_pipe);
}

std::optional<ChannelAnnouncement> ParseAnnouncement(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  const ParsedWholeNumber report = ParseWholeNumber(text.substr(0, colon), 0, kLargest);
  const ParsedWholeNumber secret_pipe = ParseWholeNumber(text.substr(colon + 1), 0, kLargest);
  if (!report.problem.empty() || !secret_pipe.problem.empty()) return std::nullopt;
  return ChannelAnnouncement{static_cast<std::uint64_t>(report.value),
                             static_cast<std::uint64_t>(secret_pipe.value)};
}
