// Windows only: the tool keeps every text in UTF-8 and converts at the
// Windows calls, which take UTF-16, so that any path works whatever the
// system's code page.
#pragma once

#include <string>
#include <vector>

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

// This program's arguments, as the C runtime split its wide command line
// (wmain's), in UTF-8, the program's name left out.
std::vector<std::string> Utf8Arguments(int count, wchar_t** words);
