#include "tools/study-host/sandbox/child_report.h"

#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/output.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"

namespace {

constexpr std::size_t kOutputQuoted = 120;

void RecordFrame(const Frame& frame, ChildReport& report,
                 const std::function<void(const Frame&)>& print) {
  switch (frame.kind) {
    case FrameKind::kPhase:
      report.phase = frame.payload;
      report.outputs_since_phase = 0;
      break;
    case FrameKind::kWaiting:
      break;
    case FrameKind::kOutput:
      ++report.outputs_since_phase;
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

}  // namespace

ChildReport RunReportingChild(const std::vector<std::string>& arguments, int limit_seconds,
                              TimeLimit limit, const std::function<void(const Frame&)>& print) {
  ChildReport report;
  report.limit_seconds = limit_seconds;
  report.limit = limit;
  FrameDecoder decoder;
  report.run = RunInChild(arguments, limit_seconds, limit, [&](std::string_view bytes) {
    decoder.Feed(bytes);
    bool waiting = false;
    while (const auto frame = decoder.Next()) {
      waiting = frame->kind == FrameKind::kWaiting;
      RecordFrame(*frame, report, print);
    }
    return waiting;
  });
  report.malformed = decoder.malformed();
  return report;
}

std::string PhaseOf(const ChildReport& report) {
  return "during " + report.phase;
}

std::string HowItEnded(const ChildReport& report, const std::string& where) {
  const ChildRun& run = report.run;
  if (!run.started) return run.start_failure;
  if (run.timed_out) {
    const std::string seconds = std::to_string(report.limit_seconds) + " s, ";
    return (report.limit == TimeLimit::kWholeRun ? "did not finish within " + seconds
                                                 : "made no progress for " + seconds) +
           where;
  }
  if (run.crashed) return "crashed (" + run.crash + ") " + where;
  if (report.malformed) return "wrote on the tool's own channel, " + where;
  return "ended with exit code " + std::to_string(run.exit_code) + " before finishing, " + where;
}

std::string ModuleOutputNote(const ChildRun& run) {
  if (run.output_bytes == 0) return "";
  const bool cut = run.output.size() > kOutputQuoted || run.output_bytes > run.output.size();
  return "the module wrote " + std::to_string(run.output_bytes) + " bytes of output: \"" +
         Escaped(run.output.substr(0, kOutputQuoted)) + (cut ? "...\"" : "\"");
}

void SendError(const ChannelWriter& channel, int exit_code, const std::string& message) {
  channel.Send(FrameKind::kError, EncodeLabelled({std::to_string(exit_code), message}));
}

void ThrowReportedError(const ChildReport& report) {
  if (!report.error) return;
  const std::optional<LabelledText> error = DecodeLabelled(*report.error);
  const ParsedWholeNumber code =
      ParseWholeNumber(error ? error->label : "", kExitChecksFailed, kExitOutput);
  if (!error || !code.problem.empty()) {
    throw ToolError(kExitModule, "the child reported an error it could not name");
  }
  throw ToolError(static_cast<ExitCode>(code.value), error->text);
}

void RunCommandInChild(const std::vector<std::string>& arguments, int limit_seconds,
                       const std::function<std::string(const ChildReport&)>& where) {
  const ChildReport report =
      RunReportingChild(arguments, limit_seconds, TimeLimit::kBetweenReports,
                        [](const Frame& frame) { WriteOutput(frame.payload); });
  FlushOutput();
  ThrowReportedError(report);
  const ChildRun& run = report.run;
  if (!report.done || run.timed_out || run.crashed || run.exit_code != 0 || report.malformed) {
    throw ToolError(kExitModule, "the module " + HowItEnded(report, where(report)));
  }
  if (run.left_processes) {
    throw ToolError(kExitModule, "the module left a process running (the study starts none)");
  }
  const std::string note = ModuleOutputNote(run);
  if (!note.empty()) ReportError("warning: " + note);
}
