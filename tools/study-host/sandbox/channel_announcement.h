// How a child learns where its channel is: the environment variable
// kChannelVariable holds "REPORT:SECRET", the descriptor (or handle value)
// to write frames on and the one to read the run's secret from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct ChannelAnnouncement {
  std::uint64_t report = 0;
  std::uint64_t secret_pipe = 0;
};

std::string Announce(const ChannelAnnouncement& announcement);

// None when `text` is not an announcement.
std::optional<ChannelAnnouncement> ParseAnnouncement(std::string_view text);
