// Windows' Task Scheduler through its COM interface: one task in the root folder, run as the
// user who registers it, while that user is logged on.
#include <windows.h>

#include <taskschd.h>

#include <cstdio>
#include <string>

#include "platform/com_apartment.h"
#include "platform/daily_task.h"
#include "platform/text_encodings.h"

// The logon trigger, which the toolchain's header leaves out, as the system declares it.
MIDL_INTERFACE("72dade38-fae4-4b3e-baf4-5d009af02b1c")
ILogonTrigger : public ITrigger {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR * delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR * user) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
__CRT_UUID_DECL(ILogonTrigger, 0x72dade38, 0xfae4, 0x4b3e, 0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b,
                0x1c)

namespace lc::platform {
namespace {

std::wstring wide(std::string_view utf8) {
  const std::u16string units = utf8_to_utf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string utf8(const wchar_t* text) {
  return utf16_to_utf8(reinterpret_cast<const char16_t*>(text));
}

// A COM pointer released when it goes.
template <typename Interface>
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  Interface** out() { return &pointer_; }
  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : value_(SysAllocString(text.c_str())) {}
  Bstr() = default;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(value_); }
  operator BSTR() const { return value_; }
  BSTR* out() { return &value_; }
  std::string text() const { return value_ != nullptr ? utf8(value_) : ""; }

 private:
  BSTR value_ = nullptr;
};

std::string words_of(HRESULT result) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  std::string words = text != nullptr ? utf8(text) : "";
  LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
    words.pop_back();
  return words.empty() ? code : words + " (" + code + ")";
}

// The scheduler's root folder, connected as the current user.
struct Scheduler {
  ComApartment apartment;
  Held<ITaskService> service;
  Held<ITaskFolder> root;
  HRESULT result = S_OK;

  Scheduler() {
    result = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                              reinterpret_cast<void**>(service.out()));
    if (FAILED(result)) return;
    const VARIANT none{};
    result = service->Connect(none, none, none, none);
    if (FAILED(result)) return;
    const Bstr path(L"\\");
    result = service->GetFolder(path, root.out());
  }
};

// "HH:MM:SS" of today, as a start boundary in local time.
std::wstring start_boundary(int hour, int minute) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02uT%02d:%02d:00", now.wYear, now.wMonth, now.wDay, hour, minute);
  return text;
}

}  // namespace

bool daily_tasks_available() {
  return true;
}

std::optional<std::string> register_daily_task(const DailyTask& task) {
  Scheduler scheduler;
  if (FAILED(scheduler.result)) return words_of(scheduler.result);
  Held<ITaskDefinition> definition;
  HRESULT result = scheduler.service->NewTask(0, definition.out());
  Held<ITriggerCollection> triggers;
  Held<ITrigger> trigger;
  Held<IActionCollection> actions;
  Held<IAction> action;
  Held<IExecAction> exec;
  Held<ITaskSettings> settings;
  Held<IRegisteredTask> registered;
  const Bstr start(start_boundary(task.hour, task.minute));
  wchar_t this_program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, this_program, MAX_PATH);
  const Bstr program(this_program);
  const Bstr arguments(wide(task.arguments));
  const Bstr name(wide(task.name));
  const VARIANT none{};
  if (SUCCEEDED(result)) result = definition->get_Triggers(triggers.out());
  if (SUCCEEDED(result)) {
    result =
        triggers->Create(task.at_logon ? TASK_TRIGGER_LOGON : TASK_TRIGGER_DAILY, trigger.out());
  }
  if (SUCCEEDED(result) && task.at_logon) {
    // This user's logon only: any user's would need an administrator.
    Held<ILogonTrigger> logon;
    result =
        trigger->QueryInterface(__uuidof(ILogonTrigger), reinterpret_cast<void**>(logon.out()));
    wchar_t user[256] = {};
    DWORD size = 256;
    GetUserNameW(user, &size);
    if (SUCCEEDED(result)) result = logon->put_UserId(Bstr(user));
  } else if (SUCCEEDED(result)) {
    result = trigger->put_StartBoundary(start);
  }
  if (SUCCEEDED(result)) result = definition->get_Actions(actions.out());
  if (SUCCEEDED(result)) result = actions->Create(TASK_ACTION_EXEC, action.out());
  if (SUCCEEDED(result))
    result = action->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(exec.out()));
  if (SUCCEEDED(result)) result = exec->put_Path(program);
  if (SUCCEEDED(result)) result = exec->put_Arguments(arguments);
  // A day missed while the machine was off runs when it is on again.
  if (SUCCEEDED(result)) result = definition->get_Settings(settings.out());
  if (SUCCEEDED(result)) result = settings->put_StartWhenAvailable(VARIANT_TRUE);
  // Laptops too; and a daily run only with a network, which every run needs.
  if (SUCCEEDED(result)) result = settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE);
  if (SUCCEEDED(result)) result = settings->put_StopIfGoingOnBatteries(VARIANT_FALSE);
  if (SUCCEEDED(result) && task.at_logon) {
    // A service runs until it is stopped, network or not.
    result = settings->put_ExecutionTimeLimit(Bstr(L"PT0S"));
  } else if (SUCCEEDED(result)) {
    result = settings->put_RunOnlyIfNetworkAvailable(VARIANT_TRUE);
  }
  if (SUCCEEDED(result)) {
    result = scheduler.root->RegisterTaskDefinition(name, definition.get(), TASK_CREATE_OR_UPDATE,
                                                    none, none, TASK_LOGON_INTERACTIVE_TOKEN, none,
                                                    registered.out());
  }
  if (FAILED(result)) return words_of(result);
  return std::nullopt;
}

std::optional<std::string> remove_daily_task(const std::string& name) {
  Scheduler scheduler;
  if (FAILED(scheduler.result)) return words_of(scheduler.result);
  const HRESULT result = scheduler.root->DeleteTask(Bstr(wide(name)), 0);
  if (FAILED(result)) return words_of(result);
  return std::nullopt;
}

std::optional<std::string> describe_daily_task(const std::string& name, std::string& description) {
  Scheduler scheduler;
  if (FAILED(scheduler.result)) return words_of(scheduler.result);
  Held<IRegisteredTask> task;
  Bstr xml;
  HRESULT result = scheduler.root->GetTask(Bstr(wide(name)), task.out());
  if (SUCCEEDED(result)) result = task->get_Xml(xml.out());
  if (FAILED(result)) return words_of(result);
  description = xml.text();
  return std::nullopt;
}

}  // namespace lc::platform
