#include <algorithm>
#include <clocale>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "host/process_state.h"

namespace {

std::string Listed(const std::vector<std::string>& items) {
  std::string listed;
  for (std::size_t index = 0; index < items.size() && index < 3; ++index) {
    listed += (index == 0 ? "" : ", ") + items[index];
  }
  if (items.size() > 3) listed += " and " + std::to_string(items.size() - 3) + " more";
  return listed;
}

// What one sorted list has and the other lacks.
std::vector<std::string> Missing(const std::vector<std::string>& from,
                                 const std::vector<std::string>& in) {
  std::vector<std::string> missing;
  std::set_difference(from.begin(), from.end(), in.begin(), in.end(), std::back_inserter(missing));
  return missing;
}

}  // namespace

ProcessState CurrentProcessState() {
  ProcessState state;
  std::error_code error;
  state.working_folder = std::filesystem::current_path(error).string();
  state.environment = EnvironmentNow();
  std::sort(state.environment.begin(), state.environment.end());
  const char* locale = std::setlocale(LC_ALL, nullptr);
  state.locale = locale != nullptr ? locale : "";
  state.handlers = HandlersNow();
  state.exception_filter = ExceptionFilterNow();
  return state;
}

std::string ProcessStateChange(const ProcessState& before, const ProcessState& after) {
  std::vector<std::string> changes;
  if (after.working_folder != before.working_folder) {
    changes.push_back("the working folder changed from '" + before.working_folder + "' to '" +
                      after.working_folder + "'");
  }
  const std::vector<std::string> added = Missing(after.environment, before.environment);
  const std::vector<std::string> removed = Missing(before.environment, after.environment);
  if (!added.empty()) changes.push_back("the environment gained " + Listed(added));
  if (!removed.empty()) changes.push_back("the environment lost " + Listed(removed));
  if (after.locale != before.locale) {
    changes.push_back("the locale changed from '" + before.locale + "' to '" + after.locale + "'");
  }
  for (std::size_t index = 0; index < before.handlers.size() && index < after.handlers.size();
       ++index) {
    if (before.handlers[index].address != after.handlers[index].address) {
      changes.push_back(
          "the handler of " + SignalName(before.handlers[index].signal) + " changed" +
          (AddressInLoadedModule(reinterpret_cast<const void*>(after.handlers[index].address))
               ? ""
               : " and points where no module is loaded"));
    }
  }
  if (after.exception_filter != before.exception_filter) {
    changes.push_back(std::string("the unhandled-exception filter changed") +
                      (AddressInLoadedModule(reinterpret_cast<const void*>(after.exception_filter))
                           ? ""
                           : " and points where no module is loaded"));
  }
  std::string words;
  for (const std::string& change : changes) words += (words.empty() ? "" : "; ") + change;
  return words;
}
