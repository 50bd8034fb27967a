#include "tools/study-host/validate/reference_module.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "tools/study-host/common/file_status.h"

// Written by cmake/EmbedFile.cmake from the built reference module.
extern const unsigned char kReferenceModuleImage[];
extern const std::size_t kReferenceModuleImageSize;

namespace {

#if defined(_WIN32)
constexpr char kModuleEnding[] = ".dll";
#else
constexpr char kModuleEnding[] = ".so";
#endif

}  // namespace

ReferenceModuleFile::ReferenceModuleFile() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return;
  const std::filesystem::path file =
      folder / (std::string("study-host-reference-module") + kModuleEnding);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(kReferenceModuleImage),
            static_cast<std::streamsize>(kReferenceModuleImageSize));
  out.close();
  if (out) {
    path_ = Utf8FromPath(file);
  } else {
    std::filesystem::remove(file, error);  // nothing half-written left behind
  }
}

ReferenceModuleFile::~ReferenceModuleFile() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(PathFromUtf8(path_), ignored);
}
