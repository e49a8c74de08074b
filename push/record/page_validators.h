#pragma once
// The validators of content checks, kept in an SQLite file of their own beside the record: one
// file for every destination, since a page's validators do not depend on where it is pushed.

#include <memory>
#include <string>

#include "push/sources/content_check.h"

namespace lc::push {

// The store at the UTF-8 `path` (":memory:" for one that lives as long as the run), made with its
// folder when missing.
std::unique_ptr<PageValidatorStore> open_page_validators(const std::string& path);

}  // namespace lc::push
