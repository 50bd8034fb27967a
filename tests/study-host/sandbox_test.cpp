// The frames a child reports in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/study-host/sandbox/channel.h"

namespace {

TEST(ChannelTest, FramesSurviveAnySplitAndMalformedBytesStopTheReading) {
  const std::string bytes = "P17:the defaults callO3:a\nbR9:passed\tok";
  FrameDecoder decoder;
  std::vector<Frame> frames;
  for (char byte : bytes) {
    decoder.Feed(std::string(1, byte));
    while (auto frame = decoder.Next()) frames.push_back(*frame);
  }
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].payload, "the defaults call");
  EXPECT_EQ(frames[1].payload, "a\nb");
  EXPECT_EQ(frames[2].kind, FrameKind::kResult);
  for (const char* malformed : {"passed\tok\n", "P-1:x", "Q1:x", "P:x"}) {
    FrameDecoder other;
    other.Feed(malformed);
    EXPECT_FALSE(other.Next()) << malformed;
    EXPECT_TRUE(other.malformed()) << malformed;
  }
}

}  // namespace
