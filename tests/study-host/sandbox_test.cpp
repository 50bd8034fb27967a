// The frames a child reports in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/study-host/sandbox/channel.h"
#include "tools/study-host/sandbox/time_limit.h"

namespace {

TEST(ChannelTest, FramesSurviveAnySplitAndMalformedBytesStopTheReading) {
  const std::string secret(kSecretLength, 's');
  const std::string bytes =
      secret + "P17:the defaults call" + secret + "O3:a\nb" + secret + "R9:passed\tok";
  FrameDecoder decoder(secret);
  std::vector<Frame> frames;
  for (char byte : bytes) {
    decoder.Feed(std::string(1, byte));
    while (auto frame = decoder.Next()) frames.push_back(*frame);
  }
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].payload, "the defaults call");
  EXPECT_EQ(frames[1].payload, "a\nb");
  EXPECT_EQ(frames[2].kind, FrameKind::kResult);
  const std::string forged = std::string(kSecretLength, 'f') + "R9:passed\tok";
  for (const std::string& malformed :
       {std::string("passed\tok\n"), secret + "P-1:x", secret + "Q1:x", secret + "P:x", forged,
        std::string("R9:passed\tok"), secret.substr(0, 5) + "x"}) {
    FrameDecoder other(secret);
    other.Feed(malformed);
    EXPECT_FALSE(other.Next()) << malformed;
    EXPECT_TRUE(other.malformed()) << malformed;
  }
  EXPECT_NE(NewChannelSecret(), NewChannelSecret());
}

// A child's news, at a time: a report (saying whether it now waits for input
// of its own), or only a look at the clock.
struct Event {
  std::int64_t at;
  enum { kLook, kReport, kWaits, kHasRead } what;
};

TEST(ChildTimeLimitTest, RunsFromStartOrLatestReportAndStandsStillWhileWaiting) {
  const ChildTerms whole{.limit_seconds = 2, .limit = TimeLimit::kWholeRun};
  const ChildTerms between{.limit_seconds = 2, .limit = TimeLimit::kBetweenReports};
  const ChildTerms may_wait{
      .limit_seconds = 2, .limit = TimeLimit::kBetweenReports, .may_wait_for_input = true};
  const ChildTerms may_wait_whole{
      .limit_seconds = 2, .limit = TimeLimit::kWholeRun, .may_wait_for_input = true};
  const struct {
    const char* name;
    ChildTerms terms;
    std::vector<Event> events;
    std::int64_t first_expired;  // the first whole millisecond at which the limit has run out
  } cases[] = {
      {"whole run, silent", whole, {}, 2000},
      {"whole run ignores reports", whole, {{1500, Event::kReport}}, 2000},
      {"between reports restarts", between, {{1500, Event::kReport}}, 3500},
      {"waiting is not allowed", between, {{1000, Event::kWaits}, {5000, Event::kLook}}, 3000},
      {"waiting stands still",
       may_wait,
       {{1000, Event::kWaits}, {9000, Event::kLook}, {9500, Event::kHasRead}},
       11500},
      {"whole run, waiting added to the deadline",
       may_wait_whole,
       {{500, Event::kWaits}, {1500, Event::kLook}, {1500, Event::kHasRead}},
       3000},
  };
  for (const auto& c : cases) {
    ChildTimeLimit limit(c.terms, 0);
    std::size_t next = 0;
    std::int64_t expired_at = -1;
    for (std::int64_t now = 0; now <= 20000 && expired_at < 0; ++now) {
      for (; next < c.events.size() && c.events[next].at == now; ++next) {
        limit.Advance(now);
        if (c.events[next].what != Event::kLook) {
          limit.Reported(now, c.events[next].what == Event::kWaits);
        }
      }
      limit.Advance(now);
      if (limit.Expired(now)) expired_at = now;
    }
    EXPECT_EQ(expired_at, c.first_expired) << c.name;
  }
  ChildTimeLimit limit(between, 0);
  EXPECT_EQ(limit.NextWait(1990, 50), 10);
  EXPECT_EQ(limit.NextWait(2500, 50), 0);
  ChildTimeLimit waiting(may_wait, 0);
  waiting.Reported(0, true);
  EXPECT_EQ(waiting.NextWait(5000, 50), 50);
}

}  // namespace
