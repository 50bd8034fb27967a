// The error values spreadsheets write into a cell whose formula failed
// ("#N/A", "#DIV/0!", LibreOffice's "Err:502"), as they save them into a
// CSV file: never a number, and not to be taken for a comment.
#pragma once

#include <string_view>

// Whether `text` is one whole error value (any case, blanks around it).
bool IsSpreadsheetError(std::string_view text);

// Whether `start` is how one of the "#" error values begins (any case).
bool StartsSpreadsheetError(std::string_view start);

// What a session's reader says of an error value where a position should
// be, after the value quoted.
inline constexpr char kSpreadsheetErrorAdvice[] =
    "a spreadsheet's error value: the formula for this position failed; correct it in the "
    "spreadsheet (or delete the row) and save the file again";
