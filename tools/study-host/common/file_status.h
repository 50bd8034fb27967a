// What a path names, asked in a way that takes any path a user has: UTF-8
// everywhere, converted to the wide file calls on Windows.
#pragma once

#include <filesystem>
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

// The working folder (UTF-8); "" when it cannot be asked.
std::string WorkingFolderPath();

// The folder this program's file lies in (UTF-8); "" when it cannot be
// asked.
std::string ToolFolder();

// Whether `path` is relative (to the working folder).
bool IsRelativePath(const std::string& path);

// Opens `path` for reading in binary mode: a descriptor, or -1 with errno set.
int OpenForReading(const std::string& path);

// Creates or empties `path` for writing in binary mode: a descriptor, or -1
// with errno set.
int OpenForWriting(const std::string& path);

// Opens the existing file `path` for writing, changing nothing in it: a
// descriptor, or -1 with errno set.
int OpenExistingForWriting(const std::string& path);

// Closes a descriptor the calls above gave.
void CloseFile(int descriptor);

// Removes the file `path`; false when it cannot.
bool RemoveFile(const std::string& path);

// Puts the file `from` in the place of `to`, replacing a file of that name
// in one step; false with errno set when it cannot.
bool PutFileInPlace(const std::string& from, const std::string& to);

// Whether the latest open, replacement or removal of a file failed because
// another program holds the file open (Windows shares a file only as its
// opener allows; never on Linux).
bool LastFileHeldOpen();

// Why it failed, in words: "another program, perhaps `likely_holder`, has
// it open: close it there" for a held file, else errno's own words.
std::string LastFileProblem(const std::string& likely_holder);

// A UTF-8 path as the file system library takes it, and back (wide on
// Windows, so any name works).
std::filesystem::path PathFromUtf8(const std::string& path);
std::string Utf8FromPath(const std::filesystem::path& path);

// The last part of a path, after its last separator (either on Windows).
std::string FileNameOf(const std::string& path);

// Copies the file `from` to `to`, replacing it, with no handle a child
// process could inherit; false when it cannot.
bool CopyFileTo(const std::string& from, const std::filesystem::path& to);

#if defined(_WIN32)
// A PATH holding only the system's own folders, as a program started on a
// trader's machine finds libraries there.
std::string SystemFoldersOnly();
#endif
