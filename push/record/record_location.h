#pragma once
// Where a destination's record stands when no --state names one.

#include <string>
#include <string_view>

namespace lc::push {

// One file a destination, in the system's place for programs' state: a readable part of the name
// and a hash of the whole, so that two destinations never share a file by accident.
std::string default_record_path(std::string_view destination);

// Where content checks keep their validators when no --state names a file: beside the records,
// in a file that is not one of them.
std::string default_validators_path();

}  // namespace lc::push
