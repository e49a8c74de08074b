#include "push/settings/config_file.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "common/ascii_text.h"
#include "platform/utf8_files.h"
#include "push/engines/client.h"
#include "push/engines/engine_registry.h"
#include "push/engines/google.h"
#include "push/engines/indexnow.h"
#include "push/sources/content_hash.h"
#include "push/sources/link_list.h"
#include "push/texts/file_text.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

bool is_address(std::string_view text) {
  return text.starts_with("http://") || text.starts_with("https://");
}

// Reads the file's tables into a Config, noting every mistake with its line and key.
class ConfigReader {
 public:
  explicit ConfigReader(const std::string& path)
      : path_(path), folder_(platform::utf8_path(path).parent_path()) {}

  ConfigReading read() {
    warn_if_readable(path_);
    std::string reason;
    const std::optional<std::string> text = read_file(path_, reason);
    if (!text) {
      reading_.errors.push_back(texts::about(path_, reason));
      return std::move(reading_);
    }
    try {
      const toml::table root = toml::parse(*text, path_);
      Config config = read_root(root);
      if (reading_.errors.empty()) reading_.config = std::move(config);
    } catch (const toml::parse_error& error) {
      reading_.errors.push_back(at_line(error.source().begin.line, error.description()));
    }
    return std::move(reading_);
  }

 private:
  Config read_root(const toml::table& root) {
    Config config;
    only_keys(root, "", {"state", "site"});
    if (const toml::node* state = root.get("state")) config.state = path_value(*state, "state");
    const toml::node* sites = root.get("site");
    const toml::array* list = sites ? sites->as_array() : nullptr;
    if (list == nullptr || list->empty()) {
      problem(sites ? sites->source().begin.line : 1, "site", texts::kConfigNoSites);
      return config;
    }
    std::set<std::string> names;
    for (std::size_t index = 0; index < list->size(); ++index) {
      const std::string key = "site[" + std::to_string(index + 1) + "]";
      const toml::table* site = (*list)[index].as_table();
      if (site == nullptr) {
        problem((*list)[index], key, texts::kConfigNotTable);
        continue;
      }
      SiteConfig read = read_site(*site, key);
      if (!read.name.empty() && !names.insert(read.name).second)
        problem(*site->get("name"), key + ".name", texts::kConfigDuplicateSite);
      config.sites.push_back(std::move(read));
    }
    return config;
  }

  // A site folder and what goes with it: `base` is needed with `folder` and means nothing alone.
  // What tells a change: content to ignore, and sitemaps' pages fetched and hashed.
  void read_change_checks(const toml::table& site, const std::string& key, SourceSettings& config) {
    if (const toml::node* ignored = site.get("ignore_content")) {
      config.ignore_content = string_value(*ignored, key + ".ignore_content");
      if (!ContentHasher(config.ignore_content).usable())
        problem(*ignored, key + ".ignore_content", texts::kBadIgnoreContent);
    }
    if (const toml::node* changed_by = site.get("changed_by")) {
      const std::string by = string_value(*changed_by, key + ".changed_by");
      if (by != "lastmod" && by != "content")
        problem(*changed_by, key + ".changed_by", texts::kConfigChangedBy);
      if (by == "content") config.content_check.emplace();
    }
    ContentCheck check;
    check.concurrency = whole_number(site, key, "fetch_concurrency", check.concurrency, 64);
    check.budget = whole_number(site, key, "fetch_budget", check.budget, 10'000'000);
    if (config.content_check) config.content_check = check;
  }

  void read_folder(const toml::table& site, const std::string& key, SiteFolder& folder) {
    if (const toml::node* path = site.get("folder"))
      folder.folder = beside_config(string_value(*path, key + ".folder"));
    if (const toml::node* base = site.get("base")) {
      folder.base = string_value(*base, key + ".base");
      if (host_of(folder.base).empty()) problem(*base, key + ".base", texts::kBadBase);
    }
    if (const toml::node* extensions = site.get("extensions"))
      folder.extensions = strings_value(*extensions, key + ".extensions");
    const bool has_folder = site.contains("folder");
    if (has_folder != site.contains("base")) {
      problem(site, key,
              texts::filled(texts::kConfigMissing, {{"key", has_folder ? "base" : "folder"}}));
    }
  }

  SiteConfig read_site(const toml::table& site, const std::string& key) {
    SiteConfig config;
    only_keys(site, key,
              {"name", "sitemaps", "files", "folder", "base", "extensions", "ignore_content",
               "deletions", "deletion_limit", "changed_by", "fetch_concurrency", "fetch_budget",
               "push", "indexnow", "google", "bing"});
    if (const toml::node* name = site.get("name")) {
      config.name = string_value(*name, key + ".name");
    } else {
      problem(site, key, texts::filled(texts::kConfigMissing, {{"key", "name"}}));
    }
    if (const toml::node* sitemaps = site.get("sitemaps")) {
      for (std::string& sitemap : strings_value(*sitemaps, key + ".sitemaps"))
        config.sources.sitemaps.push_back(is_address(sitemap) ? sitemap : beside_config(sitemap));
    }
    if (const toml::node* files = site.get("files")) {
      for (std::string& file : strings_value(*files, key + ".files"))
        config.sources.files.push_back(beside_config(file));
    }
    read_folder(site, key, config.sources.folder);
    read_change_checks(site, key, config.sources);
    if (const toml::node* deletions = site.get("deletions")) {
      if (!deletions->is_boolean())
        problem(*deletions, key + ".deletions", texts::kConfigNotBoolean);
      config.deletions = deletions->value_or(false);
    }
    if (site.contains("deletion_limit")) {
      config.deletion_limit =
          static_cast<double>(whole_number(site, key, "deletion_limit", 1, 100));
    }
    if (config.sources.reads_standard_input()) problem(site, key, texts::kConfigNoSource);
    if (const toml::table* push = table_at(site, "push", key))
      config.engines.push_back(read_push(*push, key + ".push"));
    if (const toml::table* indexnow = table_at(site, "indexnow", key))
      config.engines.push_back(read_indexnow(*indexnow, key + ".indexnow"));
    if (const toml::table* google = table_at(site, "google", key))
      config.engines.push_back(read_google(*google, key + ".google"));
    if (const toml::table* bing = table_at(site, "bing", key))
      config.engines.push_back(read_bing(*bing, key + ".bing"));
    if (!site.contains("push") && !site.contains("indexnow") && !site.contains("google") &&
        !site.contains("bing"))
      problem(site, key, texts::kConfigNoEngine);
    return config;
  }

  EngineSettings read_push(const toml::table& table, const std::string& key) {
    only_keys(table, key, {"interface_env", "interface_file", "batch"});
    EngineSettings engine;
    engine.engine = "push";
    engine.address = secret(table, key, "interface");
    if (!engine.address.empty() && !is_sendable_address(engine.address))
      problem(table, key + ".interface", texts::kBadInterface);
    const EngineDescription& description = *engine_named("push");
    engine.batch = batch(table, key, description.usual_batch, description.largest_batch);
    return engine;
  }

  EngineSettings read_indexnow(const toml::table& table, const std::string& key) {
    only_keys(table, key, {"key_env", "key_file", "key_location", "endpoint", "batch"});
    EngineSettings engine;
    engine.engine = "indexnow";
    engine.key = secret(table, key, "key");
    if (!engine.key.empty() && !is_indexnow_key(engine.key))
      problem(table, key + ".key", texts::kIndexNowKeyForm);
    if (const toml::node* location = table.get("key_location"))
      engine.key_location = address_value(*location, key + ".key_location");
    endpoint_and_batch(table, key, engine);
    return engine;
  }

  EngineSettings read_google(const toml::table& table, const std::string& key) {
    only_keys(table, key, {"service_account", "daily_quota", "endpoint", "batch"});
    EngineSettings engine;
    engine.engine = "google";
    if (const toml::node* file = table.get("service_account")) {
      const std::string path = path_value(*file, key + ".service_account");
      std::string reason;
      if (!path.empty()) {
        if (const std::optional<ServiceAccount> account = read_service_account(path, reason)) {
          engine.key = account->private_key;
          engine.account = account->client_email;
          engine.token_uri = account->token_uri;
          engine.key_id = account->private_key_id;
          warn_if_readable(path);
        } else {
          problem(*file, key + ".service_account", texts::about(path, reason));
        }
      }
    } else {
      problem(table, key, texts::filled(texts::kConfigMissing, {{"key", "service_account"}}));
    }
    if (table.contains("daily_quota")) {
      engine.daily_quota =
          static_cast<long>(whole_number(table, key, "daily_quota", 1, kMostDailyQuota));
    }
    endpoint_and_batch(table, key, engine);
    return engine;
  }

  EngineSettings read_bing(const toml::table& table, const std::string& key) {
    only_keys(table, key, {"api_key_env", "api_key_file", "site_url", "endpoint", "batch"});
    EngineSettings engine;
    engine.engine = "bing";
    engine.key = secret(table, key, "api_key");
    if (const toml::node* site_url = table.get("site_url"))
      engine.site_url = address_value(*site_url, key + ".site_url");
    endpoint_and_batch(table, key, engine);
    return engine;
  }

  // The engine's endpoint, its public one unless the table names another, and its batch, the
  // engine's own cap unless a smaller one is asked for.
  void endpoint_and_batch(const toml::table& table, const std::string& key,
                          EngineSettings& engine) {
    const EngineDescription& description = *engine_named(engine.engine);
    engine.address = description.default_endpoint;
    if (const toml::node* endpoint = table.get("endpoint"))
      engine.address = address_value(*endpoint, key + ".endpoint");
    engine.batch = batch(table, key, description.usual_batch, description.largest_batch);
  }

  // A secret from NAME_env (an environment variable) or NAME_file (a file, its text trimmed);
  // exactly one of the two.
  std::string secret(const toml::table& table, const std::string& key, const std::string& name) {
    const toml::node* variable = table.get(name + "_env");
    const toml::node* file = table.get(name + "_file");
    if ((variable == nullptr) == (file == nullptr)) {
      problem(table, key,
              texts::filled(texts::kConfigOneOf,
                            {{"first", name + "_env"}, {"second", name + "_file"}}));
      return "";
    }
    if (variable != nullptr) {
      const std::string variable_name = string_value(*variable, key + "." + name + "_env");
      if (variable_name.empty()) return "";
      const std::string value = platform::utf8_environment(variable_name.c_str()).value_or("");
      if (value.empty())
        problem(*variable, key + "." + name + "_env",
                texts::filled(texts::kConfigNoVariable, {{"name", variable_name}}));
      return value;
    }
    const std::string secret_file = path_value(*file, key + "." + name + "_file");
    if (secret_file.empty()) return "";
    std::string reason;
    const std::optional<std::string> text = read_file(secret_file, reason);
    if (!text) {
      problem(*file, key + "." + name + "_file", texts::about(secret_file, reason));
      return "";
    }
    warn_if_readable(secret_file);
    const std::string_view value = trimmed_ascii(*text);
    if (value.empty())
      problem(*file, key + "." + name + "_file", texts::about(secret_file, texts::kEmptyFile));
    return std::string(value);
  }

  std::size_t batch(const toml::table& table, const std::string& key, std::size_t otherwise,
                    std::size_t most) {
    return whole_number(table, key, "batch", otherwise, most);
  }

  // The whole number at `name`, from 1 to `most`; `otherwise` where it is missing or wrong.
  std::size_t whole_number(const toml::table& table, const std::string& key, const char* name,
                           std::size_t otherwise, std::size_t most) {
    const toml::node* node = table.get(name);
    if (node == nullptr) return otherwise;
    const std::optional<std::int64_t> value = node->value<std::int64_t>();
    if (!node->is_integer() || !value || *value < 1 || static_cast<std::size_t>(*value) > most) {
      problem(*node, key + "." + name,
              texts::filled(texts::kConfigBatch, {{"most", std::to_string(most)}}));
      return otherwise;
    }
    return static_cast<std::size_t>(*value);
  }

  const toml::table* table_at(const toml::table& parent, const char* name, const std::string& key) {
    const toml::node* node = parent.get(name);
    if (node == nullptr) return nullptr;
    if (!node->is_table()) problem(*node, key + "." + name, texts::kConfigNotTable);
    return node->as_table();
  }

  std::string string_value(const toml::node& node, const std::string& key) {
    if (!node.is_string() || node.value<std::string>()->empty()) {
      problem(node, key, texts::kConfigNotString);
      return "";
    }
    return *node.value<std::string>();
  }

  std::string address_value(const toml::node& node, const std::string& key) {
    std::string value = string_value(node, key);
    if (!value.empty() && !is_sendable_address(value)) problem(node, key, texts::kBadInterface);
    return value;
  }

  std::string path_value(const toml::node& node, const std::string& key) {
    const std::string value = string_value(node, key);
    return value.empty() ? value : beside_config(value);
  }

  std::vector<std::string> strings_value(const toml::node& node, const std::string& key) {
    std::vector<std::string> values;
    const toml::array* array = node.as_array();
    if (array == nullptr || !std::all_of(array->begin(), array->end(), [](const toml::node& item) {
          return item.is_string() && !item.value<std::string>()->empty();
        })) {
      problem(node, key, texts::kConfigNotStrings);
      return values;
    }
    for (const toml::node& item : *array)
      values.push_back(*item.value<std::string>());
    return values;
  }

  void only_keys(const toml::table& table, const std::string& key,
                 std::initializer_list<std::string_view> known) {
    for (const auto& [name, node] : table) {
      if (std::find(known.begin(), known.end(), name.str()) != known.end()) continue;
      const std::string full =
          key.empty() ? std::string(name.str()) : key + "." + std::string(name.str());
      problem(node, full, texts::kConfigUnknownKey);
    }
  }

  std::string beside_config(const std::string& path) const {
    const std::filesystem::path given = platform::utf8_path(path);
    return given.is_absolute() || folder_.empty() ? path : platform::utf8_name(folder_ / given);
  }

  void warn_if_readable(const std::string& path) {
    if (platform::readable_by_others(path))
      reading_.warnings.push_back(texts::about(path, texts::kReadableByOthers));
  }

  std::string at_line(std::size_t line, std::string_view problem) const {
    return path_ + ":" + std::to_string(line) + ": " + std::string(problem);
  }

  void problem(std::size_t line, const std::string& key, std::string_view what) {
    reading_.errors.push_back(at_line(line, texts::about(key, what)));
  }

  void problem(const toml::node& node, const std::string& key, std::string_view what) {
    problem(node.source().begin.line, key, what);
  }

  std::string path_;
  std::filesystem::path folder_;
  ConfigReading reading_;
};

}  // namespace

ConfigReading read_config(const std::string& path) {
  return ConfigReader(path).read();
}

}  // namespace lc::push
