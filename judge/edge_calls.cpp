#include "judge/edge_calls.h"

#include <iterator>

#include "judge/declaration_lint.h"
#include "judge/input_values.h"

namespace judge {
namespace {

std::vector<double> EdgeNumbersOf(const DeclaredInput& input) {
  constexpr double kInt32Lowest = std::numeric_limits<std::int32_t>::min();
  constexpr double kInt32Highest = std::numeric_limits<std::int32_t>::max();
  const TypeCode type = TypeCodeOf(input.type_code);
  std::vector<double> numbers{0, 1, -1};
  if (input.has_limits) {
    const double lower = StoredNumber(input.type_code, input.lower_limit);
    const double upper = StoredNumber(input.type_code, input.upper_limit);
    numbers.insert(numbers.end(), {lower, upper, lower - 1, upper + 1});
  }
  if (type.meaning == ValueMeaning::kYesNo) {
    numbers.push_back(7);  // any value but 0 is yes
  } else if (type.storage == ValueStorage::kInt32) {
    numbers.insert(numbers.end(), {kInt32Lowest, kInt32Highest});
  } else {
    numbers.insert(numbers.end(), {0.5, -2.5, 1e30, -1e30, std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity()});
  }
  return numbers;
}

}  // namespace

std::vector<double> EdgePositions() {
  std::vector<double> positions;
  for (int whole = -20; whole <= 20; ++whole) positions.push_back(whole);
  positions.insert(positions.end(), std::begin(kEdgePositions), std::end(kEdgePositions));
  return positions;
}

std::vector<InputEdge> InputEdges(const Declaration& declaration) {
  std::vector<InputEdge> edges;
  for (const DeclaredInput& input : declaration.inputs) {
    if (TypeCodeOf(input.type_code).storage == ValueStorage::kNothing) continue;
    for (const double number : EdgeNumbersOf(input)) {
      InputEdge edge{input.index, input.type_code, {}, ""};
      StoreNumber(input.type_code, number, edge.value);
      edge.words =
          InputWords(input.index, input.name) + " at " + ValueText(input.type_code, edge.value);
      edges.push_back(edge);
    }
  }
  return edges;
}

}  // namespace judge
