// The frames a child reports in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/study-host/sandbox/channel.h"

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

}  // namespace
