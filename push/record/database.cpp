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
