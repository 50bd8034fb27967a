// Windows build: the DLL carries its own copy of the C++ runtime, whose
// exception support keeps an emergency pool (some 73 KB from the C
// runtime's heap) for the module's lifetime. The runtime gives it back only
// when asked; without this, every load and unload of the module would lose
// it.
namespace __gnu_cxx {
void __freeres() noexcept;  // the runtime's own release of that pool
}  // namespace __gnu_cxx

namespace {

// Destroyed as the module is unloaded, after the study's last call.
struct ExceptionPoolRelease {
  ExceptionPoolRelease() = default;
  ExceptionPoolRelease(const ExceptionPoolRelease&) = delete;
  ExceptionPoolRelease& operator=(const ExceptionPoolRelease&) = delete;
  ~ExceptionPoolRelease() { __gnu_cxx::__freeres(); }
};
const ExceptionPoolRelease release_at_unload;

}  // namespace
