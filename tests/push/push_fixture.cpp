#include "tests/push/push_fixture.h"

#include <sstream>

namespace lc::test {

std::string push_command() {
  const char* command = std::getenv("LINKCOURIER_PUSH_COMMAND");
  return command != nullptr ? command : LINKCOURIER_PUSH;
}

std::string read_file_at(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string numbered_links(int from, int to) {
  std::string text;
  for (int i = from; i < to; ++i)
    text += "https://www.example.com/p/" + std::to_string(100000 + i) + ".html\n";
  return text;
}

std::string urlset(int from, int to) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
  for (int i = from; i < to; ++i) {
    xml += "<url><loc>https://www.example.com/p/" + std::to_string(100000 + i) +
           ".html</loc><lastmod>2026-12-01</lastmod></url>\n";
  }
  return xml + "</urlset>\n";
}

std::string links_of(const std::string& request) {
  return request.substr(request.find("\r\n\r\n") + 4);
}

std::map<std::string, int> times_sent(const std::vector<std::string>& requests) {
  std::map<std::string, int> sent;
  for (const std::string& request : requests) {
    std::istringstream body(request.substr(request.find("\r\n\r\n") + 4));
    for (std::string link; std::getline(body, link);) {
      if (!link.empty() && link.back() == '\r') link.pop_back();
      ++sent[link];
    }
  }
  return sent;
}

std::vector<std::string> all_recorded(const std::function<std::string(int)>& recorded, int count) {
  std::vector<std::string> requests;
  for (int i = 1; i <= count; ++i)
    requests.push_back(recorded(i));
  return requests;
}

std::string without_wines_own(const std::string& output) {
  std::istringstream lines(output);
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("wine: ")) kept += line + "\n";
  }
  if (!output.empty() && !output.ends_with('\n') && !kept.empty()) kept.pop_back();
  return kept;
}

std::vector<std::string> status_row(const std::string& output, const std::string& engine) {
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with(engine + " ")) continue;
    std::istringstream words(line);
    std::vector<std::string> cells;
    for (std::string cell; words >> cell;)
      cells.push_back(cell);
    return cells;
  }
  return {};
}

}  // namespace lc::test
