// What a path names, asked in a way that takes any path a user has: UTF-8
// everywhere, converted to the wide file calls on Windows.
#pragma once

#include <string>

enum class FileKind { kMissing, kDirectory, kRegular, kOther };

struct FileStatus {
  FileKind kind = FileKind::kMissing;
  std::string problem;  // why it could not be asked, when kMissing ("No such file or directory")
};

FileStatus StatusOf(const std::string& path);

// `path` made absolute (from the working folder), for a process that works
// elsewhere; `path` itself when it cannot be.
std::string AbsolutePath(const std::string& path);

// Opens `path` for reading in binary mode: a descriptor, or -1 with errno set.
int OpenForReading(const std::string& path);

// Creates or empties `path` for writing in binary mode: a descriptor, or -1
// with errno set.
int OpenForWriting(const std::string& path);

// Removes the file `path`; false when it cannot.
bool RemoveFile(const std::string& path);
