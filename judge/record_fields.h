// The host's record and its input slots named field by field, so a judge
// says which field a call changed ("the lower limit of input 2 'Base
// Quantity'", "the order quantity"), never a byte offset alone.
#pragma once

#include <cstddef>
#include <string>

#include "judge/declaration.h"

namespace judge {

// The field holding byte `offset` of the record (past its end: the host's
// memory beyond it), with the byte: "host setting 176 (record byte 176)".
// `declaration` names the inputs the fallback slot stands for.
std::string RecordFieldWords(std::size_t offset, const Declaration& declaration);

// The field holding byte `offset` of the host's input array, whose
// elements are `elements`: "the lower limit of input 1 'Flat' (input array
// byte 196)"; past its last element, the host's memory beyond it.
std::string ArrayFieldWords(std::size_t offset, std::size_t elements,
                            const Declaration& declaration);

}  // namespace judge
