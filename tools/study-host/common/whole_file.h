// A file the tool writes, whole or not at all: written under a temporary
// name beside it and put in its place only when whole, so whatever ends a
// run (a failure, Ctrl+C) leaves either the new file or whatever was there
// before. A path that cannot be written is said when the file is made,
// before the work that fills it.
#pragma once

#include <string>

// How errors name the file: "the chart", "--chart", "an image viewer or
// editor" (who may hold it open).
struct WholeFileWords {
  std::string what;
  std::string option;
  std::string likely_holder;
};

class WholeFile {
 public:
  // Throws ToolError (output) naming the path and what to do.
  WholeFile(std::string path, WholeFileWords words);
  ~WholeFile();  // removes the temporary file unless it took its place
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  // Writes the whole content and puts it in place. Throws ToolError
  // (output), or Interruption when the run was stopped before it was in
  // place.
  void Write(const std::string& content);

  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void CannotWrite() const;
  void Close();

  std::string path_;
  WholeFileWords words_;
  std::string temporary_;  // beside it, so that putting it in place is one step
  int descriptor_ = -1;
  bool placed_ = false;
};
