#include "tools/study-host/validate/check_context.h"

#include "tools/study-host/common/text_format.h"
#include "tools/study-host/sandbox/own_output.h"

namespace {

constexpr std::size_t kQuoted = 80;

}  // namespace

void CheckContext::Announce(const std::string& phase) const {
  ThrowIfLogged();
  session->Announce(phase);
}

void CheckContext::ThrowIfLogged() const {
  const std::uint64_t now = OwnOutputBytes();
  const std::uint64_t elsewhere = output_before_load + session->output_at_load_and_unload();
  if (now <= elsewhere) return;
  const std::uint64_t logged = now - elsewhere;
  const std::uint64_t quoted = logged < kQuoted ? logged : kQuoted;
  throw ModuleLogged{std::string(kLoggedPrefix) + "during its calls: " +
                     Counted(static_cast<long long>(logged), "byte", "bytes") +
                     " of output, ending \"" +
                     Escaped(OwnOutputAt(now - quoted, static_cast<std::size_t>(quoted))) +
                     "\" (a study writes none)"};
}
