#include "tools/study-host/replay/session_file_name.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "tools/study-host/common/file_status.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/common/windows_names.h"
#include "tools/study-host/replay/session_file.h"

namespace {

// How two names compare here: in any case, blanks at their ends left out.
std::string Key(const std::string& name) {
  std::string key = name;
  key.erase(0, key.find_first_not_of(' '));
  key.erase(key.find_last_not_of(' ') + 1);
  return Lowercase(key);
}

// The files beside `named` (in its folder) that it may mean: the same
// name in another case or with blanks at its ends, or with .csv or .txt
// after it. Not `named` itself.
std::vector<std::string> FilesItMayMean(const std::string& named) {
  const std::string name = FileNameOf(named);
  const std::string folder = named.substr(0, named.size() - name.size());
  const std::string wanted = Key(name);
  std::vector<std::string> found;
  if (wanted.empty()) return found;
  std::error_code error;
  std::filesystem::directory_iterator entries(PathFromUtf8(folder.empty() ? "." : folder), error);
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const std::string entry = Utf8FromPath(entries->path().filename());
    const std::string key = Key(entry);
    const bool may_mean = key == wanted || key == wanted + ".csv" || key == wanted + ".txt";
    if (entry != name && may_mean && StatusOf(folder + entry).kind == FileKind::kRegular) {
      found.push_back(folder + entry);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string Listed(const std::vector<std::string>& names) {
  std::string listed;
  for (std::size_t index = 0; index < names.size(); ++index) {
    listed += (index == 0                  ? ""
               : index + 1 == names.size() ? " and "
                                           : ", ") +
              QuotedName(names[index]);
  }
  return listed;
}

}  // namespace

SessionFileFound FindSessionFile(const std::string& named) {
  if (NamesStandardInput(named)) return {named, ""};
  const FileKind kind = StatusOf(named).kind;
#if !defined(_WIN32)
  // Elsewhere such a name is a file's own, when one has it.
  if (kind == FileKind::kMissing)
#endif
  {
    const std::string problem = WindowsNameProblem(named, "the session file", "session.csv");
    if (!problem.empty()) throw ToolError(kExitUsage, "--file: " + problem);
  }
  if (kind == FileKind::kRegular || kind == FileKind::kOther) return {named, ""};
  const std::vector<std::string> candidates = FilesItMayMean(named);
  const std::string given = kind == FileKind::kDirectory ? QuotedName(named) + " is a folder"
                                                         : "there is no file " + QuotedName(named);
  if (candidates.size() == 1) {
    return {candidates[0], given + ", so replaying " + QuotedName(candidates[0])};
  }
  if (candidates.size() > 1) {
    const char* where = kind == FileKind::kDirectory ? "; beside it are " : "; its folder holds ";
    throw ToolError(kExitSessionFile,
                    given + where + Listed(candidates) + ": give --file the one you mean");
  }
  return {named, ""};
}
