#pragma once
// Earlier versions kept accepted links in a text file ("TIME<TAB>LINK" a line) where the record
// now stands. Such a file is taken in whole on first use, and kept beside it as PATH.imported.

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lc::push {

// The text of the state file at `path`, when one stands there (not a database, not missing).
// Throws RecordError when the file is neither such a text nor a database.
std::optional<std::string> text_state_at(const std::string& path);

// Each link of a text state file with when it was accepted; a line cut short is passed over.
void for_each_text_state_link(std::string_view text,
                              const std::function<void(std::string_view, std::time_t)>& each);

}  // namespace lc::push
