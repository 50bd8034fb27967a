#include "tools/study-host/validate/check_context.h"

#include "host/capability_calls.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/sandbox/own_output.h"

namespace {

constexpr std::size_t kQuoted = 80;

}  // namespace

void CheckContext::Announce(const std::string& phase) const {
  ThrowIfBeyondItsCalls();
  session->Announce(phase);
}

void CheckContext::ThrowIfBeyondItsCalls() const {
  const std::vector<std::string> uses = capability_calls::TakeUses();
  if (!uses.empty()) {
    std::string named;
    for (const std::string& use : uses) named += (named.empty() ? "" : "; ") + Escaped(use);
    throw BeyondItsCalls{named +
                         " (a study reads no environment or file, uses no network, starts no "
                         "process and loads no library)"};
  }
  const std::uint64_t now = OwnOutputBytes();
  const std::uint64_t elsewhere = output_before_load + session->output_at_load_and_unload();
  if (now <= elsewhere) return;
  const std::uint64_t logged = now - elsewhere;
  const std::uint64_t quoted = logged < kQuoted ? logged : kQuoted;
  throw BeyondItsCalls{std::string(kLoggedPrefix) + "during its calls: " +
                       Counted(static_cast<long long>(logged), "byte", "bytes") +
                       " of output, ending \"" +
                       Escaped(OwnOutputAt(now - quoted, static_cast<std::size_t>(quoted))) +
                       "\" (a study writes none)"};
}
