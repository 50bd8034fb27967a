// A description's HTML as describe prints it.
#include <gtest/gtest.h>

#include "tools/study-host/describe/html_text.h"

namespace {

TEST(HtmlTextTest, RendersDescriptionAsText) {
  EXPECT_EQ(HtmlToText("<b>zr: Palvessa</b> by <a href = \"https://x.org/a\">Jane</a><br><br>Hi"),
            "zr: Palvessa by Jane <https://x.org/a>\n\nHi");
  EXPECT_EQ(HtmlToText("<a href = \"https://x.org/?a>b\">J</a>"), "J <https://x.org/?a>b>");
  EXPECT_EQ(HtmlToText("a &amp; b &lt;c&gt; <BR/>&unknown; 3 < 4"), "a & b <c> \n&unknown; 3 < 4");
}

}  // namespace
