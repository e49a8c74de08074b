// A local stand-in for a search engine's weekly link-push interface, for trying the tool and for
// its end-to-end tests. It answers POST /urls?site=SITE&token=TOKEN whose body lists links, one a
// line, with the count of valid links of that site and the quota left for the token.
//
//   push_simulator [--port N] [--site SITE] [--token TOKEN] [--quota N] [--remain-first]
//                  [--record DIR]
//
// --remain-first puts remain_batch before success_batch in the answer; --record DIR writes each
// POST to /urls to DIR/request-1, DIR/request-2 ... (request line, header lines, empty line,
// body). It listens on 127.0.0.1 and prints the address to paste into the tool.
#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>

namespace {

struct Settings {
  int port = 8899;
  std::string site = "www.example.com";
  std::string token = "demo-token";
  long quota = 5000;
  bool remain_first = false;
  std::string record_dir;
};

bool parse(int argc, char** argv, Settings& settings) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view flag = argv[i];
    const bool has_value = i + 1 < argc;
    if (flag == "--remain-first") {
      settings.remain_first = true;
    } else if (flag == "--port" && has_value) {
      settings.port = std::stoi(argv[++i]);
    } else if (flag == "--site" && has_value) {
      settings.site = argv[++i];
    } else if (flag == "--token" && has_value) {
      settings.token = argv[++i];
    } else if (flag == "--quota" && has_value) {
      settings.quota = std::stol(argv[++i]);
    } else if (flag == "--record" && has_value) {
      settings.record_dir = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// A link counts when it is http or https and its host is the site.
bool is_valid_link(std::string_view link, const std::string& site) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (!link.starts_with(scheme)) continue;
    const std::string_view rest = link.substr(scheme.size());
    return rest.substr(0, rest.find_first_of("/:?#")) == site;
  }
  return false;
}

long count_valid_links(const std::string& body, const std::string& site) {
  long count = 0;
  std::istringstream lines(body);
  for (std::string line; std::getline(lines, line);)
    count += is_valid_link(trimmed(line), site);
  return count;
}

std::string error_json(int code, const std::string& message) {
  return "{\"error\":" + std::to_string(code) + ",\"message\":\"" + message + "\"}";
}

void record(const std::string& dir, int number, const httplib::Request& request) {
  std::ofstream out(dir + "/request-" + std::to_string(number), std::ios::binary);
  out << request.method << ' ' << request.target << "\r\n";
  for (const auto& [name, value] : request.headers)
    out << name << ": " << value << "\r\n";
  out << "\r\n" << request.body;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (!parse(argc, argv, settings)) {
    std::fprintf(stderr,
                 "usage: %s [--port N] [--site SITE] [--token TOKEN] [--quota N] "
                 "[--remain-first] [--record DIR]\n",
                 argv[0]);
    return 2;
  }
  std::mutex mutex;
  long remain = settings.quota;
  int requests = 0;

  httplib::Server server;
  server.Post("/urls", [&](const httplib::Request& request, httplib::Response& response) {
    {
      std::lock_guard lock(mutex);
      if (!settings.record_dir.empty()) record(settings.record_dir, ++requests, request);
    }
    const auto answer = [&](int status, const std::string& json) {
      response.status = status;
      response.set_content(json, "application/json");
    };
    if (request.get_param_value("token") != settings.token) {
      return answer(401, error_json(401, "token is not valid"));
    }
    if (request.get_param_value("site") != settings.site) {
      return answer(400, error_json(400, "site init fail"));
    }
    if (request.body.empty()) return answer(400, error_json(400, "empty content"));
    std::lock_guard lock(mutex);
    const long accepted = count_valid_links(request.body, settings.site);
    if (accepted > remain) return answer(400, error_json(400, "over quota"));
    remain -= accepted;
    const std::string success = "\"success_batch\":" + std::to_string(accepted);
    const std::string left = "\"remain_batch\":" + std::to_string(remain);
    answer(200, "{" + (settings.remain_first ? left + "," + success : success + "," + left) + "}");
  });

  if (!server.bind_to_port("127.0.0.1", settings.port)) {
    std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", settings.port);
    return 1;
  }
  std::printf(
      "Push interface address to paste into the tool:\nhttp://127.0.0.1:%d/urls?site=%s&token=%s\n",
      settings.port, settings.site.c_str(), settings.token.c_str());
  std::fflush(stdout);
  return server.listen_after_bind() ? 0 : 1;
}
