// Files given for a session that are something else, told by their first
// bytes, each named with what to do: a spreadsheet workbook (save it as
// CSV), a zip or gzip archive (unpack it), a PDF document or a web page
// (export the positions as CSV), a file of zero bytes.
#pragma once

#include <cstddef>
#include <string>

class FileKindSniffer {
 public:
  // Takes the file's next byte. Returns what the file is and what to do
  // once its start shows a kind that is no session; "" while it may still
  // show one, and for good once it cannot.
  std::string Add(char byte);

  // Whether the start has shown all it will: no later byte changes the
  // answer.
  bool settled() const { return settled_; }

  // At the file's end: what it is when it ended before its start showed
  // anything (zero bytes), else "".
  std::string AtEnd();

 private:
  std::string Kind() const;
  bool MayStillShowKind() const;

  std::string start_;  // the first bytes, up to the longest start looked at
  bool settled_ = false;
};
