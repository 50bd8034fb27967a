// Windows: a UTF-8 path (as the tool and the tests keep every path) as the
// wide text Windows' file and loader calls take.
#pragma once

#include <string>

std::wstring WidePath(const std::string& path);
