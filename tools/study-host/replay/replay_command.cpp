#include "tools/study-host/replay/replay_command.h"

#include <limits>
#include <memory>

#include "host/stand_in_host.h"
#include "judge/declaration.h"
#include "judge/input_values.h"
#include "tools/study-host/chart/step_columns.h"
#include "tools/study-host/chart/svg_chart.h"
#include "tools/study-host/common/output.h"
#include "tools/study-host/common/standard_streams.h"
#include "tools/study-host/common/text_format.h"
#include "tools/study-host/common/tool_error.h"
#include "tools/study-host/replay/chart_file.h"
#include "tools/study-host/replay/replay_steps.h"
#include "tools/study-host/replay/session_file.h"
#include "tools/study-host/replay/session_positions.h"
#include "tools/study-host/sandbox/child_report.h"
#include "tools/study-host/session/module_path.h"
#include "tools/study-host/session/module_session.h"

namespace {

// The phase the child announces before its first ordinary call; each output
// frame after it is one step made.
constexpr char kStepsPhase[] = "the steps";

// Where the child was: in a step's ordinary call, or in an earlier phase.
std::string WhereInReplay(const ChildReport& report) {
  if (report.phase == kStepsPhase) {
    return "during step " + std::to_string(report.outputs_since_phase + 1);
  }
  return PhaseOf(report);
}

// Where the positions come from: the command line's list, or a session file
// read as the steps go.
class PositionSource {
 public:
  PositionSource(const ReplaySettings& settings, const ChannelWriter& channel) {
    if (settings.position_list) {
      list_ = ParsePositionList(*settings.position_list);
      return;
    }
    // Opening may wait too: a named pipe opens when its writer comes.
    const auto waiting = [&channel](bool waiting) {
      channel.Send(FrameKind::kWaiting, waiting ? kWaitingForInput : kInputRead);
    };
    waiting(true);
    file_ = std::make_unique<SessionFile>(*settings.session_file);
    waiting(false);
    reader_ = std::make_unique<SessionReader>(
        [this](char* buffer, std::size_t size) { return file_->Read(buffer, size); },
        SessionName(*settings.session_file), waiting);
  }

  // The positions known before the first step: a list's.
  const std::vector<double>& known() const { return list_; }

  std::optional<double> Next() {
    if (reader_) return reader_->Next();
    if (next_ == list_.size()) return std::nullopt;
    return list_[next_++];
  }

  // What the session expects of the step just read, if anything.
  std::optional<SessionReader::Expected> expected() const {
    return reader_ ? reader_->expected() : std::nullopt;
  }

 private:
  std::vector<double> list_;
  std::size_t next_ = 0;
  std::unique_ptr<SessionFile> file_;
  std::unique_ptr<SessionReader> reader_;
};

// One ordinary call at `position`; the host keeps the trade window's
// quantity between calls, as the real host does.
void MakeStep(StandInHost& host, StudyFunctionExport study, double position, ReplayStep& step) {
  ++step.step;
  step.position = position;
  host.set_position(position);
  host.MarkQuantityUnwritten();
  host.CallOrdinary(study);
  step.written = host.QuantityWritten();
  if (step.written) step.quantity = host.record().order_quantity;
  host.record().order_quantity = step.quantity;
}

// A replay that changed nothing, with a yes/no input off (as a study's
// switch often is until a user turns it on): said once, after the steps, so
// a column of "unchanged" needs no guessing.
std::string UnchangedNote(StandInHost& host, const judge::Declaration& declaration) {
  if (host.record().host_call_flag != 0) return "";
  for (const judge::DeclaredInput& input : declaration.inputs) {
    if (input.type_code != kYesNoTypeCode) continue;
    if (judge::InputAsFlag(judge::SlotForInput(host.record(), input.index)) != 0) continue;
    return "the study left the order quantity unchanged at every step; its yes/no input \"" +
           Escaped(input.name) + "\" is off (to turn it on: --set \"" + Escaped(input.name) +
           "=yes\")";
  }
  return "";
}

// The chart's caption: each input with the value the steps ran with, as the
// study reads it, a few to a line, and the host's flag when it was set.
std::vector<std::string> ChartCaption(StandInHost& host, const judge::Declaration& declaration) {
  constexpr std::size_t kLongestLine = 150;
  std::vector<std::string> lines{""};
  for (const judge::DeclaredInput& input : declaration.inputs) {
    const InputSlot& slot = judge::SlotForInput(host.record(), input.index);
    const std::string part =
        Visible(input.name) + " = " + judge::ValueText(slot.type_code, slot.value);
    if (!lines.back().empty() && lines.back().size() + part.size() + 2 > kLongestLine) {
      lines.back() += ",";
      lines.emplace_back();
    }
    lines.back() += (lines.back().empty() ? "" : ", ") + part;
  }
  if (lines.back().empty()) lines.back() = "the module declares no inputs";
  if (host.record().host_call_flag != 0)
    lines.emplace_back("the host's own call flag set on every step");
  return lines;
}

// Steps that did not do what the session's "expected" column says.
class ExpectedSteps {
 public:
  StepExpectation Judge(const ReplayStep& step,
                        const std::optional<SessionReader::Expected>& expected) {
    if (!expected) return {};
    const StepExpectation judged = JudgeStep(step, expected->unchanged, expected->quantity);
    ++judged_;
    if (judged.met) return judged;
    if (differing_ == 0) {
      first_ = "step " + std::to_string(step.step) + " (position " + FormatPosition(step.position) +
               ") " +
               (step.written ? "wrote " + FormatPosition(step.quantity) : "left it unchanged") +
               ", expected " + judged.expected;
    }
    ++differing_;
    return judged;
  }
  // "" when every step judged did as expected.
  std::string Summary() const {
    if (differing_ == 0) return "";
    return std::to_string(differing_) + " of " + Counted(judged_, "step", "steps") +
           " with an expected quantity did not get it; the first: " + first_;
  }

 private:
  long long judged_ = 0;
  long long differing_ = 0;
  std::string first_;
};

// The order quantity of a step before the study wrote any: not drawn.
constexpr double kNoQuantity = std::numeric_limits<double>::quiet_NaN();

// The caption's line on steps at the start that left the order quantity
// unchanged, which draw no quantity; "" when the study wrote from step 1.
std::string UnchangedLine(long long unchanged_from_start, long long steps) {
  if (unchanged_from_start == 0) return "";
  if (unchanged_from_start == steps) {
    return "\nthe study left the order quantity unchanged at every step: no line for it";
  }
  return "\nthe study left the order quantity unchanged " +
         (unchanged_from_start == 1 ? std::string("at step 1")
                                    : "at steps 1 to " + std::to_string(unchanged_from_start)) +
         ": its line starts at step " + std::to_string(unchanged_from_start + 1);
}

// What was replayed, as the chart's title.
std::string ChartTitle(const ReplaySettings& settings) {
  const auto base_name = [](const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
  };
  constexpr std::size_t kLongestList = 60;
  std::string source = !settings.session_file ? "positions " + *settings.position_list
                       : NamesStandardInput(*settings.session_file)
                           ? SessionName(*settings.session_file)
                           : base_name(*settings.session_file);
  if (source.size() > kLongestList) source = StartBetweenCharacters(source, kLongestList) + "...";
  return Visible(base_name(settings.module_path) + " replayed with " + source);
}

// What the child sends at the end: notes for the trader, the differences
// from the session's expected column, and the chart's caption and columns.
struct ReplayEnd {
  std::string note;
  std::string differences;
  std::string chart;  // EncodeLabelled({caption, columns}); "" when no chart was asked for
};

std::string EncodeEnd(const ReplayEnd& end) {
  return EncodeLabelled({end.note, EncodeLabelled({end.differences, end.chart})});
}

ReplayEnd DecodeEnd(const ChildReport& report) {
  const std::optional<LabelledText> outer = DecodeLabelled(report.result.value_or(""));
  const std::optional<LabelledText> inner = outer ? DecodeLabelled(outer->text) : std::nullopt;
  if (!inner) throw ToolError(kExitToolFailure, "the replay's end was lost");
  return {outer->label, inner->label, inner->text};
}

void DrawChart(const std::string& chart, const ReplaySettings& settings, ChartFile& file) {
  const std::optional<LabelledText> result = DecodeLabelled(chart);
  const std::optional<StepColumns> columns =
      result ? StepColumns::Decode(result->text) : std::nullopt;
  if (!columns) throw ToolError(kExitToolFailure, "the replay's steps for the chart were lost");
  ChartText text{.title = ChartTitle(settings), .caption = {}};
  std::size_t start = 0;
  while (start <= result->label.size()) {
    const std::size_t end = std::min(result->label.find('\n', start), result->label.size());
    text.caption.push_back(result->label.substr(start, end - start));
    start = end + 1;
  }
  file.Write(SvgChart(*columns, text));
  ReportError("the chart is in " + *settings.chart_file + ": open it with a web browser");
}

// A session to be read from the tool's standard input that cannot be:
// refused before anything is done.
void RefuseUnreadableInput(const std::string& named) {
  if (StandardStreamWasClosed(StandardStream::kInput)) {
    throw ToolError(kExitSessionFile,
                    "--file " + named +
                        " reads the session from standard input, but standard input is closed "
                        "(whatever started study-host closed it): give the file itself (--file "
                        "session.csv), or send one in (--file - < session.csv)");
  }
  if (StandardInputIsTerminal()) {
    throw ToolError(kExitUsage,
                    "--file " + named +
                        " reads a session sent into study-host, not lines typed at the keyboard: "
                        "give the file itself (--file session.csv), send one in (--file - < "
                        "session.csv), or give the positions with --positions 0,3,-3,0");
  }
}

}  // namespace

int RunInTool(const ReplaySettings& settings, const std::vector<std::string>& arguments) {
  if (settings.position_list) ParsePositionList(*settings.position_list);  // no child needed
  const bool reads_tool_input = settings.session_file && NamesStandardInput(*settings.session_file);
  if (reads_tool_input) RefuseUnreadableInput(*settings.session_file);
  if (!settings.session_note.empty()) ReportError("note: " + settings.session_note);
  CheckModuleFile(settings.module_path, settings.module_named);
  RefuseUnloadableModule(settings.module_path);
  const ChildTerms terms{.limit_seconds = settings.timeout_seconds.value_or(kDefaultCallSeconds),
                         .limit = TimeLimit::kBetweenReports,
                         .may_wait_for_input = true,
                         .reads_tool_input = reads_tool_input};
  std::optional<ChartFile> chart;
  if (settings.chart_file) chart.emplace(*settings.chart_file);
  const ChildReport report = RunCommandInChild(arguments, terms, &WhereInReplay);
  const ReplayEnd end = DecodeEnd(report);
  if (!end.note.empty()) ReportError("note: " + end.note);
  if (chart) DrawChart(end.chart, settings, *chart);
  if (end.differences.empty()) return kExitSuccess;
  ReportError(end.differences);
  return kExitChecksFailed;
}

void RunInChild(const ReplaySettings& settings, const ChannelWriter& channel) {
  PositionSource positions(settings, channel);
  // The first position, and with it the session file's header: their
  // faults show before the module is loaded.
  std::optional<double> position = positions.Next();
  ModuleSession session(
      [&channel](const std::string& phase) { channel.Send(FrameKind::kPhase, phase); });
  session.LoadForHost(settings.module_path, settings.study);
  const StudyFunctionExport study = session.module().study;
  ReplayEnd end;
  {
    session.Announce(kSetUpPhase);
    const judge::Declaration declaration = judge::ReadDeclaration(study);
    StandInHost host({.slot_count = judge::kOfferedInputSlots});
    host.CallDefaults(study);
    ApplyInputSettings(host, declaration, settings.inputs);
    host.record().host_call_flag = settings.host_call_flag ? 1 : 0;
    StepTable table;
    for (std::size_t index = 0; index < positions.known().size(); ++index) {
      table.Fit(static_cast<long long>(index + 1), positions.known()[index]);
    }
    if (!settings.json) channel.Send(FrameKind::kOutput, table.Header());
    std::string caption;  // the settings as the steps get them
    if (settings.chart_file) {
      for (const std::string& line : ChartCaption(host, declaration)) {
        caption += (caption.empty() ? "" : "\n") + line;
      }
    }
    session.Announce(kStepsPhase);
    ReplayStep step;  // its quantity: the trade window's, as the host holds it
    StepColumns columns;
    ExpectedSteps expected;
    long long unchanged_from_start = 0;  // steps before the study first wrote a quantity
    for (; position; position = positions.Next()) {
      MakeStep(host, study, *position, step);
      const StepExpectation expectation = expected.Judge(step, positions.expected());
      channel.Send(FrameKind::kOutput,
                   settings.json ? JsonStep(step, expectation) : table.Line(step, expectation));
      if (!step.written && unchanged_from_start + 1 == step.step) ++unchanged_from_start;
      // Until the study writes one, the window's quantity is not the study's.
      if (settings.chart_file) {
        columns.Add(step.position, unchanged_from_start == step.step ? kNoQuantity : step.quantity);
      }
    }
    if (unchanged_from_start == step.step) end.note = UnchangedNote(host, declaration);
    end.differences = expected.Summary();
    if (settings.chart_file) {
      caption += UnchangedLine(unchanged_from_start, step.step);
      end.chart = EncodeLabelled({caption, columns.Encode()});
    }
  }
  session.Unload();
  channel.Send(FrameKind::kResult, EncodeEnd(end));
  channel.Send(FrameKind::kDone, "");
}
