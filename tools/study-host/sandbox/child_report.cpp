#include "tools/study-host/sandbox/child_report.h"

#include "tools/study-host/common/number_parsing.h"
#include "tools/study-host/common/output.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"

namespace {

constexpr std::size_t kOutputQuoted = 120;

void RecordFrame(const Frame& frame, ChildReport& report) {
  report.waiting = frame.kind == FrameKind::kWaiting && frame.payload == kWaitingForInput;
  switch (frame.kind) {
    case FrameKind::kPhase:
      report.phase = frame.payload;
      report.outputs_since_phase = 0;
      break;
    case FrameKind::kWaiting:
      break;
    case FrameKind::kOutput:
      ++report.outputs_since_phase;
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
    case FrameKind::kCause:
      report.cause = frame.payload;
      break;
  }
}

}  // namespace

ChildReport RunReportingChild(const std::vector<std::string>& arguments, const ChildTerms& terms,
                              const std::function<void(const std::vector<Frame>&)>& take) {
  ChildReport report;
  report.terms = terms;
  const std::string secret = NewChannelSecret();
  FrameDecoder decoder(secret);
  std::vector<Frame> batch;
  report.run = RunChildProcess(arguments, terms, secret, [&](std::string_view bytes) {
    decoder.Feed(bytes);
    batch.clear();
    while (auto frame = decoder.Next()) {
      RecordFrame(*frame, report);
      batch.push_back(std::move(*frame));
    }
    take(batch);
    return report.waiting;
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
  const bool lost_channel = !run.timed_out && !run.crashed && run.exit_code == kChildLostItsChannel;
  if (run.channel_closed || lost_channel) return "closed the tool's report channel, " + where;
  if (run.timed_out) {
    const std::string seconds = std::to_string(report.terms.limit_seconds) + " s, ";
    return (report.terms.limit == TimeLimit::kWholeRun ? "did not finish within " + seconds
                                                       : "made no progress for " + seconds) +
           where;
  }
  if (run.crashed) {
    const bool told = report.cause && run.crash.find(*report.cause) == std::string::npos;
    return "crashed (" + run.crash + (told ? ": " + *report.cause : "") + ") " + where;
  }
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

std::optional<ToolError> ReportedError(const ChildReport& report) {
  if (!report.error) return std::nullopt;
  const std::optional<LabelledText> error = DecodeLabelled(*report.error);
  const ParsedWholeNumber code =
      ParseWholeNumber(error ? error->label : "", kExitChecksFailed, kLastChildExitCode);
  if (!error || !code.problem.empty()) {
    return ToolError(kExitModule, "the child reported an error it could not name");
  }
  return ToolError(static_cast<ExitCode>(code.value), error->text);
}

void ThrowReportedError(const ChildReport& report) {
  if (const std::optional<ToolError> error = ReportedError(report)) throw *error;
}

ChildReport RunCommandInChild(const std::vector<std::string>& arguments, const ChildTerms& terms,
                              const std::function<std::string(const ChildReport&)>& where) {
  const ChildReport report =
      RunReportingChild(arguments, terms, [](const std::vector<Frame>& batch) {
        bool printed = false;
        for (const Frame& frame : batch) {
          if (frame.kind != FrameKind::kOutput) continue;
          WriteOutput(frame.payload);
          printed = true;
        }
        if (printed) FlushOutput();
      });
  FlushOutput();
  ThrowReportedError(report);
  const ChildRun& run = report.run;
  if (!run.started) throw ToolError(kExitToolFailure, run.start_failure);  // never the module's
  if (!report.done || run.timed_out || run.crashed || run.exit_code != 0 || report.malformed) {
    throw ToolError(kExitModule, "the module " + HowItEnded(report, where(report)));
  }
  if (run.left_processes) {
    throw ToolError(kExitModule, "the module left a process running (the study starts none)");
  }
  const std::string note = ModuleOutputNote(run);
  if (!note.empty()) ReportError("warning: " + note);
  return report;
}
