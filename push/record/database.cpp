#include "push/record/database.h"

namespace lc::push {

std::string listed(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts)
    text.append(text.empty() ? "" : ", ").append(part);
  return text;
}

std::string insert_rows(const std::string& table, const std::vector<std::string>& columns,
                        int rows) {
  std::string row = "(";
  for (std::size_t at = 0; at < columns.size(); ++at)
    row += at == 0 ? "?" : ", ?";
  row += ")";
  std::string sql = "INSERT INTO " + table + "(" + listed(columns) + ") VALUES ";
  for (int at = 0; at < rows; ++at)
    sql.append(at == 0 ? "" : ", ").append(row);
  return sql;
}

std::string text_array(std::span<const std::string_view> texts) {
  std::string array = "{";
  for (const std::string_view text : texts) {
    array += array.size() == 1 ? "\"" : ",\"";
    for (const char c : text) {
      if (c == '"' || c == '\\') array += '\\';
      array += c;
    }
    array += '"';
  }
  return array + "}";
}

std::string number_array(std::span<const std::int64_t> numbers) {
  std::string array = "{";
  for (const std::int64_t number : numbers)
    array.append(array.size() > 1 ? "," : "").append(std::to_string(number));
  return array + "}";
}

std::string number_array(std::span<const std::optional<std::int64_t>> numbers) {
  std::string array = "{";
  for (const std::optional<std::int64_t>& number : numbers)
    array.append(array.size() > 1 ? "," : "").append(number ? std::to_string(*number) : "NULL");
  return array + "}";
}

Transaction::~Transaction() {
  if (!open_) return;
  try {
    db_.execute("ROLLBACK");
  } catch (const DatabaseError&) {
    // A failed statement may have ended the transaction already, or the connection with it.
  }
}

void Transaction::commit() {
  db_.execute("COMMIT");
  open_ = false;
}

}  // namespace lc::push
