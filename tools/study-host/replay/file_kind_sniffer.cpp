#include "tools/study-host/replay/file_kind_sniffer.h"

#include <algorithm>
#include <string_view>

#include "tools/study-host/common/text_format.h"

namespace {

constexpr std::string_view kZip = std::string_view("PK\x03\x04", 4);
constexpr std::string_view kEmptyZip = std::string_view("PK\x05\x06", 4);
constexpr std::string_view kGzip = "\x1F\x8B";
constexpr std::string_view kOleCompoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";  // .xls
constexpr std::string_view kPdf = "%PDF-";
constexpr std::string_view kWebPageStarts[] = {"<!doctype html", "<html", "<head", "<body"};

// A zip's local file header: the name's length at 26 (two bytes, little
// endian), the name itself from 30.
constexpr std::size_t kZipNameLengthAt = 26;
constexpr std::size_t kZipNameAt = 30;
constexpr std::size_t kLongestZipNameShown = 200;

constexpr char kSaveAsCsv[] =
    "open it in the spreadsheet and save it as CSV (File, Save As, then CSV)";

// Whether `text` and `start` agree as far as both go.
bool Agrees(std::string_view text, std::string_view start) {
  const std::size_t length = std::min(text.size(), start.size());
  return text.substr(0, length) == start.substr(0, length);
}

// The text after blanks and line ends at its start, in lower case: how a
// web page starts.
std::string WebPageStart(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first == std::string_view::npos ? "" : Lowercase(std::string(text.substr(first)));
}

std::size_t ZipNameLength(std::string_view start) {
  return static_cast<unsigned char>(start[kZipNameLengthAt]) |
         static_cast<std::size_t>(static_cast<unsigned char>(start[kZipNameLengthAt + 1])) << 8;
}

// What a zip holds, told by its first entry's name: the parts of a
// workbook, or a file to unpack.
std::string ZipKind(std::string_view name) {
  const bool xlsx = name == "[Content_Types].xml" || name.starts_with("_rels/") ||
                    name.starts_with("docProps/") || name.starts_with("xl/");
  if (xlsx)
    return std::string("this is a spreadsheet workbook (.xlsx), not a CSV file: ") + kSaveAsCsv;
  if (name == "mimetype") {
    return std::string("this is a spreadsheet workbook (.ods), not a CSV file: ") + kSaveAsCsv;
  }
  return "this is a zip archive holding '" + Visible(name.substr(0, kLongestZipNameShown)) +
         "', not a CSV file: unpack it (on Windows: right-click it, Extract All) and give --file "
         "the session file inside";
}

}  // namespace

std::string FileKindSniffer::Kind() const {
  const std::string_view start = start_;
  if (start == kGzip) {
    return "this is a gzip-compressed file, not a CSV file: unpack it (gzip -d, or 7-Zip on "
           "Windows) and give --file the session file inside";
  }
  if (start == kEmptyZip)
    return "this is an empty zip archive, not a CSV file: it holds no session";
  if (start == kOleCompoundFile) {
    return std::string("this is a spreadsheet workbook (.xls), not a CSV file: ") + kSaveAsCsv;
  }
  if (start == kPdf) {
    return "this is a PDF document, not a CSV file: the tool cannot read positions from it; "
           "export them from the program that made it as CSV, or type them into a spreadsheet "
           "and save it as CSV";
  }
  if (start.starts_with(kZip) && start.size() >= kZipNameAt &&
      start.size() == kZipNameAt + std::min(ZipNameLength(start), kLongestZipNameShown)) {
    return ZipKind(start.substr(kZipNameAt));
  }
  const std::string web_page = WebPageStart(start);
  for (const std::string_view page_start : kWebPageStarts) {
    if (web_page == page_start) {
      return std::string(
          "this is a web page (HTML), not a CSV file: open it in a spreadsheet and "
          "save it as CSV (File, Save As, then CSV)");
    }
  }
  return "";
}

bool FileKindSniffer::MayStillShowKind() const {
  const std::string_view start = start_;
  for (const std::string_view kind : {kZip, kEmptyZip, kGzip, kOleCompoundFile, kPdf}) {
    if (Agrees(start, kind)) return true;
  }
  const std::string web_page = WebPageStart(start);
  if (web_page.empty()) return start.size() < 64;  // blanks alone so far
  for (const std::string_view page_start : kWebPageStarts) {
    if (Agrees(web_page, page_start)) return true;
  }
  return false;
}

std::string FileKindSniffer::Add(char byte) {
  if (settled_) return "";
  start_ += byte;
  std::string kind = Kind();
  settled_ = !kind.empty() || !MayStillShowKind();
  return kind;
}

std::string FileKindSniffer::AtEnd() {
  settled_ = true;
  if (start_.empty()) {
    return "the file is empty (0 bytes), so it holds no session: save the session again (in a "
           "spreadsheet: File, Save As, then CSV), or give --file the file that holds it";
  }
  if (start_.starts_with(kZip)) {
    return "this is the start of a zip archive, cut short (a download or copy that did not "
           "finish), not a CSV file: get the whole file again";
  }
  return "";
}
