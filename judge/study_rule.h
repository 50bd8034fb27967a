// A study's own rule, judged on top of the host's rules: what the tool
// knows one particular study must do (its declaration, what it writes). The
// host's rules hold for every study; a rule is known only for the studies
// the tool was taught (see known_rules.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/stand_in_host.h"

namespace judge {

// What the judge knows of a call beyond the host that made it.
struct CallFacts {
  bool had_array = false;    // the record held its input array before the call
  std::uint8_t pattern = 0;  // the pattern the unread bytes were filled with
};

class StudyRule {
 public:
  virtual ~StudyRule() = default;
  // The export name of the study function the rule is for.
  virtual std::string_view study_function() const = 0;
  // What scdll_DLLName must return, and the file name a Windows DLL's export
  // directory must give.
  virtual std::string_view module_name() const = 0;
  virtual std::string_view module_file() const = 0;
  // Whether an ordinary call may make heap calls of its own (every study
  // must give back what it takes; a study may also promise to take none).
  virtual bool takes_no_heap_in_ordinary_calls() const = 0;
  // "" when the call just made in `host` did what the study must, else the
  // first difference.
  virtual std::string JudgeDefaultsCall(const StandInHost& host, const CallFacts& facts) const = 0;
  virtual std::string JudgeOrdinaryCall(const StandInHost& host, const CallFacts& facts) const = 0;

  // Calls at the edges of the study's own rule, beyond the host's edges:
  // each names the call ("position 3, scaling out at 7 % up") and readies
  // the inputs and the position in a host whose defaults call was made.
  struct EdgeCall {
    std::string words;
    std::function<void(StandInHost&)> prepare;
  };
  virtual std::vector<EdgeCall> OwnEdgeCalls() const { return {}; }

  // The sweep of the study's own rule in `host` (its defaults call made):
  // "" when every call wrote what the rule says, else the first that did
  // not, in words. `announce` is told each part before its calls.
  virtual std::string SweepOwnRule(
      StandInHost& /*host*/, void (* /*study*/)(StudyInterface*),
      const std::function<void(const std::string&)>& /*announce*/) const {
    return "";
  }
  // What the sweep covers, once it passed: "16 million calls: ...".
  virtual std::string OwnSweepSummary() const { return ""; }
};

}  // namespace judge
