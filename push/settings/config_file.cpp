#include "push/settings/config_file.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cstdint>
#include <iomanip>
#include <set>
#include <sstream>
#include <type_traits>

#include "common/ascii_text.h"
#include "platform/utf8_files.h"
#include "push/engines/engine_registry.h"
#include "push/record/record_factory.h"
#include "push/settings/serve_settings.h"
#include "push/settings/site_settings.h"
#include "push/texts/failure.h"
#include "push/texts/file_text.h"
#include "push/texts/link_parts.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// Reads the file's tables into a Config, noting every mistake with its line and key.
class ConfigReader {
 public:
  explicit ConfigReader(const std::string& path)
      : path_(path), folder_(platform::utf8_path(path).parent_path()) {}

  // The config itself holds no secret: others may read it.
  ConfigReading read() {
    try {
      const toml::table root = toml::parse(read_file(path_), path_);
      Config config = read_root(root);
      if (reading_.errors.empty()) reading_.config = std::move(config);
    } catch (const Failure& failure) {
      reading_.errors.push_back(failure.what());
    } catch (const toml::parse_error& error) {
      reading_.errors.push_back(at_line(error.source().begin.line, error.description()));
    }
    return std::move(reading_);
  }

 private:
  Config read_root(const toml::table& root) {
    Config config;
    only_keys(root, "", {"state", "serve", "site"});
    if (const toml::node* state = root.get("state")) {
      const std::string location = string_value(*state, "state");
      if (const std::optional<std::string> wrong = location_problem(location)) {
        problem(*state, "state", *wrong);
      } else {
        config.state = on_a_server(location) ? location : path_value(*state, "state");
      }
    }
    if (const toml::node* serve = root.get("serve")) {
      if (const toml::table* table = serve->as_table()) {
        config.serve.emplace();
        only_keys(*table, "serve", keys_of(serve_settings()));
        for (const Setting<ServeSettings>& setting : serve_settings())
          take(*table, "serve", setting, *config.serve);
      } else {
        problem(*serve, "serve", texts::kConfigNotTable);
      }
    }
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
      SitePlan read = read_site(*site, key);
      if (!read.name.empty() && !names.insert(read.name).second)
        problem(*site->get("name"), key + ".name", texts::kConfigDuplicateSite);
      config.sites.push_back(std::move(read));
    }
    return config;
  }

  SitePlan read_site(const toml::table& table, const std::string& key) {
    SitePlan site = new_site();
    only_keys(table, key, site_keys());
    if (const toml::node* name = table.get("name")) {
      site.name = string_value(*name, key + ".name");
    } else {
      problem(table, key, texts::filled(texts::kConfigMissing, {{"key", "name"}}));
    }
    for (const Setting<SitePlan>& setting : site_settings()) {
      if (!setting.key.empty()) take(table, key, setting, site);
    }
    const Spelling spelled = [&](std::string_view name, std::string_view) {
      return key + "." + std::string(name);
    };
    for (const std::string& mistake : finish_site(site, spelled))
      reading_.errors.push_back(at_line(table.source().begin.line, mistake));
    if (site.sources.reads_standard_input()) problem(table, key, texts::kConfigNoSource);
    std::string engines;
    for (const EngineDescription* engine : every_engine()) {
      engines += (engines.empty() ? "[site." : "、[site.") + std::string(engine->name) + "]";
      if (const toml::table* settings = table_at(table, engine->name, key))
        site.engines.push_back(
            read_engine(*settings, *engine, key + "." + std::string(engine->name)));
    }
    if (site.engines.empty() && engines_given(table) == 0)
      problem(table, key, texts::filled(texts::kConfigNoEngine, {{"engines", engines}}));
    return site;
  }

  // The keys of a site's table: its name, its settings and its engines.
  static std::vector<std::string> site_keys() {
    std::vector<std::string> keys = {"name"};
    for (const Setting<SitePlan>& setting : site_settings()) {
      if (!setting.key.empty()) keys.emplace_back(setting.key);
    }
    for (const EngineDescription* engine : every_engine())
      keys.emplace_back(engine->name);
    return keys;
  }

  static std::size_t engines_given(const toml::table& table) {
    return static_cast<std::size_t>(std::count_if(
        every_engine().begin(), every_engine().end(),
        [&](const EngineDescription* engine) { return table.contains(engine->name); }));
  }

  EngineSettings read_engine(const toml::table& table, const EngineDescription& engine,
                             const std::string& key) {
    EngineSettings settings = default_settings(engine);
    const std::vector<const Setting<EngineSettings>*> declared = settings_of(engine);
    only_keys(table, key, keys_of(declared));
    for (const Setting<EngineSettings>* setting : declared)
      take(table, key, *setting, settings);
    return settings;
  }

  template <typename Target>
  static const Setting<Target>& declared(const Setting<Target>& setting) {
    return setting;
  }
  template <typename Target>
  static const Setting<Target>& declared(const Setting<Target>* setting) {
    return *setting;
  }

  // The keys that give `settings`: a secret's two.
  template <typename Settings>
  static std::vector<std::string> keys_of(const Settings& settings) {
    std::vector<std::string> keys;
    for (const auto& each : settings) {
      const auto& setting = declared(each);
      if (setting.form != SettingForm::kSecret) {
        keys.emplace_back(setting.key);
      } else {
        keys.push_back(std::string(setting.key) + "_env");
        keys.push_back(std::string(setting.key) + "_file");
      }
    }
    return keys;
  }

  // A setting's values as the file gives them; nothing where it gives none, or where its values
  // are already reported as wrong.
  struct Given {
    bool present = false;
    std::vector<std::string> values;
    std::size_t line = 0;
  };

  // Takes what `table` gives for `setting` into `target`, each problem with its line and key. A
  // secret that cannot be had (a variable unset, a file unreadable, a key of the wrong form)
  // makes the engine unusable rather than the config wrong: the other sites go on.
  template <typename Target>
  void take(const toml::table& table, const std::string& key, const Setting<Target>& setting,
            Target& target) {
    const std::string name = key + "." + std::string(setting.key);
    secret_problems_.clear();
    const Given given = given_for(table, name, setting.key, setting.form);
    if (!given.present) {
      if (setting.required) missing(table, key, setting.key, setting.form);
      return;
    }
    for (const std::string& value : given.values) {
      if (const std::optional<std::string> mistake = setting.take(value, target)) {
        if (is_secret(setting.form)) {
          secret_problems_.push_back(at_line(given.line, texts::about(name, *mistake)));
        } else {
          problem(given.line, name, *mistake);
        }
        break;
      }
    }
    for (std::string& failed : secret_problems_) {
      if constexpr (std::is_same_v<Target, EngineSettings>) {
        target.unusable += (target.unusable.empty() ? "" : "\n") + failed;
      } else {
        reading_.errors.push_back(std::move(failed));
      }
    }
  }

  static bool is_secret(SettingForm form) {
    return form == SettingForm::kSecret || form == SettingForm::kSecretFile;
  }

  void missing(const toml::table& table, const std::string& key, std::string_view name,
               SettingForm form) {
    const std::string spelled(name);
    problem(table, key,
            form == SettingForm::kSecret
                ? texts::filled(texts::kConfigOneOf,
                                {{"first", spelled + "_env"}, {"second", spelled + "_file"}})
                : texts::filled(texts::kConfigMissing, {{"key", spelled}}));
  }

  Given given_for(const toml::table& table, const std::string& key, std::string_view name,
                  SettingForm form) {
    if (form == SettingForm::kSecret) return secret(table, key, name);
    const toml::node* node = table.get(name);
    if (node == nullptr) return {};
    Given given{true, {}, node->source().begin.line};
    given.values = values_of(*node, key, form);
    return given;
  }

  // The values of `node` as `form` writes them. A number or a flag of another type is given as
  // an empty text, which its setting refuses with its own words.
  std::vector<std::string> values_of(const toml::node& node, const std::string& key,
                                     SettingForm form) {
    switch (form) {
      case SettingForm::kText:
        return present(string_value(node, key));
      case SettingForm::kTexts:
        return strings_value(node, key);
      case SettingForm::kPath:
        return present(path_value(node, key));
      case SettingForm::kSecretFile: {
        const std::string path = secret_path(node, key);
        if (!path.empty()) warn_if_readable(path);
        return present(path);
      }
      case SettingForm::kPaths: {
        std::vector<std::string> paths = strings_value(node, key);
        for (std::string& path : paths)
          path = is_web_address(path) ? path : beside_config(path);
        return paths;
      }
      case SettingForm::kWholeNumber:
        return {node.is_integer() ? std::to_string(*node.value<std::int64_t>()) : ""};
      case SettingForm::kNumber:
        return {node.is_number() ? number_text(*node.value<double>()) : ""};
      case SettingForm::kFlag:
        return {node.is_boolean() ? (*node.value<bool>() ? "true" : "false") : ""};
      case SettingForm::kSecret:
        break;
    }
    return {};
  }

  static std::vector<std::string> present(std::string value) {
    if (value.empty()) return {};
    return {std::move(value)};
  }

  static std::string number_text(double number) {
    std::ostringstream text;
    text << std::setprecision(17) << number;
    return text.str();
  }

  // A secret from NAME_env (an environment variable) or NAME_file (a file, its text trimmed);
  // exactly one of the two.
  Given secret(const toml::table& table, const std::string& key, std::string_view name) {
    const std::string spelled(name);
    const toml::node* variable = table.get(spelled + "_env");
    const toml::node* file = table.get(spelled + "_file");
    if (variable == nullptr && file == nullptr) return {};
    const std::string parent = key.substr(0, key.rfind('.'));
    if (variable != nullptr && file != nullptr) {
      problem(table, parent,
              texts::filled(texts::kConfigOneOf,
                            {{"first", spelled + "_env"}, {"second", spelled + "_file"}}));
      return {true, {}, 0};
    }
    const toml::node& node = variable != nullptr ? *variable : *file;
    Given given{true, {}, node.source().begin.line};
    const std::string value = variable != nullptr ? from_variable(*variable, key + "_env")
                                                  : from_file(*file, key + "_file");
    if (!value.empty()) given.values.push_back(value);
    return given;
  }

  std::string from_variable(const toml::node& node, const std::string& key) {
    const std::string name = string_value(node, key);
    if (name.empty()) return "";
    const std::string value = platform::utf8_environment(name.c_str()).value_or("");
    if (value.empty()) {
      secret_problems_.push_back(
          at_line(node.source().begin.line,
                  texts::about(key, texts::filled(texts::kConfigNoVariable, {{"name", name}}))));
    }
    return value;
  }

  std::string from_file(const toml::node& node, const std::string& key) {
    const std::string path = secret_path(node, key);
    if (path.empty()) return "";
    std::string text;
    try {
      text = read_file(path);
    } catch (const Failure& failure) {
      secret_problems_.push_back(
          at_line(node.source().begin.line, texts::about(key, failure.what())));
      return "";
    }
    warn_if_readable(path);
    const std::string_view value = trimmed_ascii(text);
    if (value.empty()) {
      secret_problems_.push_back(at_line(node.source().begin.line,
                                         texts::about(key, texts::about(path, texts::kEmptyFile))));
    }
    return std::string(value);
  }

  const toml::table* table_at(const toml::table& parent, std::string_view name,
                              const std::string& key) {
    const toml::node* node = parent.get(name);
    if (node == nullptr) return nullptr;
    if (!node->is_table()) problem(*node, key + "." + std::string(name), texts::kConfigNotTable);
    return node->as_table();
  }

  std::string string_value(const toml::node& node, const std::string& key) {
    if (!node.is_string() || node.value<std::string>()->empty()) {
      problem(node, key, texts::kConfigNotString);
      return "";
    }
    return *node.value<std::string>();
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
                 const std::vector<std::string>& known) {
    for (const auto& [name, node] : table) {
      if (std::find(known.begin(), known.end(), name.str()) != known.end()) continue;
      const std::string full =
          key.empty() ? std::string(name.str()) : key + "." + std::string(name.str());
      problem(node, full, texts::kConfigUnknownKey);
    }
  }

  // A secret's file: under the service, the credential systemd handed over for it, where there
  // is one (named as the file is, or "linkcourier_" and that name for the unit's folder of
  // credentials); else the file itself, beside the config.
  std::string secret_path(const toml::node& node, const std::string& key) {
    const std::string path = path_value(node, key);
    const std::optional<std::string> credentials =
        platform::utf8_environment("CREDENTIALS_DIRECTORY");
    if (path.empty() || !credentials || credentials->empty()) return path;
    const std::filesystem::path folder = platform::utf8_path(*credentials);
    const std::filesystem::path name = platform::utf8_path(path).filename();
    for (const std::filesystem::path& credential :
         {folder / name, folder / ("linkcourier_" + platform::utf8_name(name))}) {
      std::error_code error;
      if (std::filesystem::is_regular_file(credential, error))
        return platform::utf8_name(credential);
    }
    return path;
  }

  std::string beside_config(const std::string& path) const {
    const std::filesystem::path given = platform::utf8_path(path);
    return given.is_absolute() || folder_.empty() ? path : platform::utf8_name(folder_ / given);
  }

  // Once a file, however many sites name it.
  void warn_if_readable(const std::string& path) {
    if (platform::readable_by_others(path) && warned_.insert(path).second)
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
  std::set<std::string> warned_;
  std::vector<std::string> secret_problems_;  // of the setting being taken
};

}  // namespace

ConfigReading read_config(const std::string& path) {
  return ConfigReader(path).read();
}

}  // namespace lc::push
