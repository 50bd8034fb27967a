// A study description's HTML as plain text.
#pragma once

#include <string>

// Drops tags, turns <br> into line breaks, writes a link as "NAME <ADDRESS>"
// and decodes the common character entities.
std::string HtmlToText(const std::string& html);
