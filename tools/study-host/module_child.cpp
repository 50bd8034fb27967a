#include "module_child.h"

#include "text_parsing.h"

namespace {

constexpr std::size_t kOutputQuoted = 120;

void Take(const Frame& frame, ModuleChildReport& report,
          const std::function<void(const Frame&)>& print) {
  switch (frame.kind) {
    case FrameKind::kPhase:
      report.phase = frame.payload;
      report.steps = 0;
      break;
    case FrameKind::kWaiting:
      break;
    case FrameKind::kStep:
      ++report.steps;
      print(frame);
      break;
    case FrameKind::kOutput:
      print(frame);
      break;
    case FrameKind::kResult:
      report.result = frame.payload;
      break;
    case FrameKind::kError:
      report.error = frame.payload;
      break;
    case FrameKind::kDone:
      report.done = true;
      break;
  }
}

std::string Where(const ModuleChildReport& report) {
  if (report.steps > 0 || report.phase == kStepsPhase) {
    return "during the ordinary call of step " + std::to_string(report.steps + 1);
  }
  return "during " + report.phase;
}

}  // namespace

ModuleChildReport RunModuleChild(const std::vector<std::string>& arguments, int limit_seconds,
                                 TimeLimit limit, const std::function<void(const Frame&)>& print) {
  ModuleChildReport report;
  report.limit_seconds = limit_seconds;
  report.limit = limit;
  FrameDecoder decoder;
  report.run = RunInChild(arguments, limit_seconds, limit, [&](std::string_view bytes) {
    decoder.Feed(bytes);
    bool waiting = false;
    while (const auto frame = decoder.Next()) {
      waiting = frame->kind == FrameKind::kWaiting;
      Take(*frame, report, print);
    }
    return waiting;
  });
  report.malformed = decoder.malformed();
  return report;
}

std::string HowItEnded(const ModuleChildReport& report) {
  const ChildRun& run = report.run;
  if (!run.started) return run.start_failure;
  if (run.timed_out) {
    const std::string seconds = std::to_string(report.limit_seconds) + " s, ";
    return (report.limit == TimeLimit::kWholeRun ? "did not finish within " + seconds
                                                 : "made no progress for " + seconds) +
           Where(report);
  }
  if (run.crashed) return "crashed (" + run.crash + ") " + Where(report);
  if (report.malformed) return "wrote on the tool's own channel, " + Where(report);
  return "ended with exit code " + std::to_string(run.exit_code) + " before finishing, " +
         Where(report);
}

std::string ModuleOutputNote(const ChildRun& run) {
  if (run.output_bytes == 0) return "";
  const bool cut = run.output.size() > kOutputQuoted || run.output_bytes > run.output.size();
  return "the module wrote " + std::to_string(run.output_bytes) + " bytes of output: \"" +
         Escaped(run.output.substr(0, kOutputQuoted)) + (cut ? "...\"" : "\"");
}
