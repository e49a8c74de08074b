#include "push/record/database.h"

namespace lc::push {

std::int64_t first_integer(Connection& connection, std::string_view sql) {
  Statement statement(connection.prepare(sql));
  const std::int64_t value = statement.step() ? statement.integer(0) : 0;
  statement.run();
  return value;
}

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

namespace {

std::string element(std::int64_t number) {
  return std::to_string(number);
}
std::string element(const std::optional<std::int64_t>& number) {
  return number ? std::to_string(*number) : "NULL";
}

template <typename Number>
std::string numbers_array(std::span<const Number> numbers) {
  std::string array = "{";
  for (const Number& number : numbers)
    array.append(array.size() > 1 ? "," : "").append(element(number));
  return array + "}";
}

}  // namespace

std::string number_array(std::span<const std::int64_t> numbers) {
  return numbers_array(numbers);
}
std::string number_array(std::span<const std::optional<std::int64_t>> numbers) {
  return numbers_array(numbers);
}

Transaction::~Transaction() {
  if (!open_) return;
  // A statement held for later may fail on the way and the rollback with it: then once more. A
  // failed statement may have ended the transaction already, or the connection with it.
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      db_.execute("ROLLBACK");
      return;
    } catch (const DatabaseError&) {
    }
  }
}

// Together with any statement held, in one round trip.
void Transaction::commit() {
  db_.prepare("COMMIT").run();
  open_ = false;
}

}  // namespace lc::push
