#pragma once
// Which destination a run's links go to, as the record names it, and where its record stands
// when no --state names one.

#include <string>
#include <string_view>

#include "push/engines/engine.h"
#include "push/engines/secrets.h"

namespace lc::push {

// The interface's address with its secrets hidden; for IndexNow the protocol and the site too,
// since one endpoint serves every site.
std::string destination_name(const Destination& destination, const Secrets& secrets);

// The engine of a destination the record names.
EngineKind engine_of_destination(std::string_view name);

// One file a destination, in the system's place for programs' state: a readable part of the name
// and a hash of the whole, so that two destinations never share a file by accident.
std::string default_record_path(std::string_view destination);

}  // namespace lc::push
