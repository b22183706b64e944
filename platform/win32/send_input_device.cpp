#include "platform/win32/send_input_device.h"

#include "platform/portable/virtual_report_device.h"
#include "platform/win32/hook_key_router.h"
#include "platform/win32/win_api.h"
#include "platform/win32/win_error.h"
#include "support/logger.h"

namespace platform::win32 {

const wchar_t* const kInjectedDevicePath =
    L"\\\\?\\hid#vid_deed&pid_feed#kbconfig&sendinput#{4d1e55b2-f16f-11cf-88cb-001111000030}";

namespace {

INPUT Tagged(DWORD type) {
  INPUT input{};
  input.type = type;
  if (type == INPUT_KEYBOARD) {
    input.ki.dwExtraInfo = kOwnInputTag;
  } else {
    input.mi.dwExtraInfo = kOwnInputTag;
  }
  return input;
}

// The layout of the window in front decides what a layout key means, as it would for a key typed
// on a keyboard.
HKL ForegroundLayout() {
  const HWND front = GetForegroundWindow();
  return GetKeyboardLayout(front != nullptr ? GetWindowThreadProcessId(front, nullptr) : 0);
}

// The virtual key a key goes down as now.
BYTE VirtualKeyNow(const WinKey& key, HKL layout) {
  if (key.source == VirtualKeySource::kLayout && key.scanCode != 0) {
    // Layout keys are never extended, so the plain scan code names them.
    const UINT mapped = MapVirtualKeyExW(key.scanCode, MAPVK_VSC_TO_VK_EX, layout);
    if (mapped != 0) return static_cast<BYTE>(mapped);
  } else if (key.source == VirtualKeySource::kKeypad && (GetKeyState(VK_NUMLOCK) & 1) == 0) {
    return key.numLockOffKey;
  }
  return key.virtualKey;
}

// A press takes the virtual key of the moment and notes it; a release repeats what the press
// was, so a layout or Num Lock change in between does not release another key.
INPUT KeyInput(WinKeyIndex index, bool down, HKL& layout, InjectedKeys& keys) {
  const WinKey& key = WinKeyAt(index);
  BYTE virtualKey = down ? 0 : keys.VirtualKeyOf(index);
  if (virtualKey == 0) {
    if (layout == nullptr) layout = ForegroundLayout();
    virtualKey = VirtualKeyNow(key, layout);
    if (down) keys.NoteVirtualKey(index, virtualKey);
  }
  INPUT input = Tagged(INPUT_KEYBOARD);
  input.ki.wVk = virtualKey;
  input.ki.wScan = key.scanCode;
  input.ki.dwFlags = (key.extended ? KEYEVENTF_EXTENDEDKEY : 0) | (down ? 0 : KEYEVENTF_KEYUP);
  // Without a virtual key of its own the system maps the scan code.
  if (virtualKey == 0) input.ki.dwFlags |= KEYEVENTF_SCANCODE;
  return input;
}

INPUT ButtonInput(std::uint8_t button, bool down) {
  INPUT input = Tagged(INPUT_MOUSE);
  switch (button) {
    case 1: input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP; break;
    case 2: input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP; break;
    case 3: input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP; break;
    default:
      input.mi.dwFlags = down ? MOUSEEVENTF_XDOWN : MOUSEEVENTF_XUP;
      input.mi.mouseData = button == 4 ? XBUTTON1 : XBUTTON2;
      break;
  }
  return input;
}

// The SendInput events of a batch of actions; system-control presses go to `presses`.
std::vector<INPUT> InputsOf(const std::vector<InputAction>& actions, InjectedKeys& keys,
                            std::vector<std::uint16_t>& presses) {
  std::vector<INPUT> inputs;
  inputs.reserve(actions.size());
  HKL layout = nullptr;
  for (const InputAction& action : actions) {
    switch (action.kind) {
      case InputAction::Kind::kKey:
        inputs.push_back(KeyInput(action.key, action.down, layout, keys));
        break;
      case InputAction::Kind::kMouseButton:
        inputs.push_back(ButtonInput(action.button, action.down));
        break;
      case InputAction::Kind::kMouseMove: {
        INPUT input = Tagged(INPUT_MOUSE);
        input.mi.dwFlags = MOUSEEVENTF_MOVE;
        input.mi.dx = action.dx;
        input.mi.dy = action.dy;
        inputs.push_back(input);
        break;
      }
      case InputAction::Kind::kWheel: {
        INPUT input = Tagged(INPUT_MOUSE);
        input.mi.dwFlags = MOUSEEVENTF_WHEEL;
        input.mi.mouseData = static_cast<DWORD>(action.wheelSteps * WHEEL_DELTA);
        inputs.push_back(input);
        break;
      }
      case InputAction::Kind::kSystemControl:
        presses.push_back(action.usage);
        break;
    }
  }
  return inputs;
}

// Sends the whole batch in one call, so no other input comes between its events.
bool Send(std::vector<INPUT>& inputs, std::uint32_t& error) {
  if (inputs.empty()) return true;
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent == inputs.size()) return true;
  error = GetLastError();
  // Windows refuses input to windows of a higher integrity level (UIPI) without saying so.
  support::LogFailure("SendInput", std::to_string(sent) + " of " + std::to_string(inputs.size()) +
                                       " events taken, Windows error " + std::to_string(error));
  return false;
}

}  // namespace

InjectedState InjectedKeys::Load() const {
  InjectedState state;
  for (std::size_t word = 0; word < kWords; ++word) {
    const std::uint64_t bits = keys_[word].load();
    for (std::size_t bit = 0; bit < 64 && word * 64 + bit < kWinKeyCount; ++bit) {
      if ((bits >> bit) & 1) state.keys.set(word * 64 + bit);
    }
  }
  state.buttons = buttons_.load();
  state.consumer = consumer_.load();
  state.system = system_.load();
  return state;
}

void InjectedKeys::Record(const InjectedState& before, const InjectedState& after) {
  for (std::size_t key = 0; key < kWinKeyCount; ++key) {
    if (before.keys.test(key) == after.keys.test(key)) continue;
    const std::uint64_t mask = std::uint64_t{1} << (key % 64);
    if (after.keys.test(key)) {
      keys_[key / 64].fetch_or(mask);
    } else {
      keys_[key / 64].fetch_and(~mask);
    }
  }
  buttons_.store(after.buttons);
  consumer_.store(after.consumer);
  system_.store(after.system);
}

InjectedState InjectedKeys::TakeAll() {
  InjectedState state;
  for (std::size_t word = 0; word < kWords; ++word) {
    const std::uint64_t bits = keys_[word].exchange(0);
    for (std::size_t bit = 0; bit < 64 && word * 64 + bit < kWinKeyCount; ++bit) {
      if ((bits >> bit) & 1) state.keys.set(word * 64 + bit);
    }
  }
  state.buttons = buttons_.exchange(0);
  state.consumer = consumer_.exchange(0);
  state.system = system_.exchange(0);
  return state;
}

struct SendInputVirtualHid::Shared {
  explicit Shared(SystemControls* given) : controls(given != nullptr ? given : &WindowsSystemControls()) {}

  void ReleaseAll() {
    InjectedState held = keys.TakeAll();
    std::vector<std::uint16_t> presses;
    std::vector<INPUT> inputs = InputsOf(ReleaseActions(held), keys, presses);
    std::uint32_t error = 0;
    Send(inputs, error);
  }

  SystemControls* controls;
  std::mutex applyMutex;  // one report's batch at a time
  InjectedKeys keys;
  std::atomic<int> openDevices{0};
};

namespace {

// The process's default device, released by the crash filter.
std::atomic<SendInputVirtualHid::Shared*> g_releasedOnCrash{nullptr};
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

LONG WINAPI ReleaseOnCrash(EXCEPTION_POINTERS* exception) {
  if (SendInputVirtualHid::Shared* shared = g_releasedOnCrash.exchange(nullptr)) shared->ReleaseAll();
  return g_previousFilter != nullptr ? g_previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

class InjectedReportDevice final : public portable::VirtualReportDevice {
 public:
  InjectedReportDevice(std::shared_ptr<SendInputVirtualHid::Shared> shared, SendInputVirtualHid& system)
      : VirtualReportDevice(ERROR_INVALID_PARAMETER), shared_(std::move(shared)), system_(system) {
    shared_->openDevices.fetch_add(1);
  }
  // Closing the last handle of the device lets go of everything it holds, as a removed device does.
  ~InjectedReportDevice() override {
    if (shared_->openDevices.fetch_sub(1) == 1) shared_->ReleaseAll();
  }

  bool WriteOutputReport(std::span<const std::uint8_t> report, std::uint32_t& error) override {
    return system_.Apply(report, error);
  }

 private:
  std::shared_ptr<SendInputVirtualHid::Shared> shared_;
  SendInputVirtualHid& system_;
};

}  // namespace

SendInputVirtualHid::SendInputVirtualHid(SystemControls* controls) : shared_(std::make_shared<Shared>(controls)) {}

SendInputVirtualHid::~SendInputVirtualHid() {
  Shared* mine = shared_.get();
  g_releasedOnCrash.compare_exchange_strong(mine, nullptr);
  shared_->ReleaseAll();
}

Guid SendInputVirtualHid::HidClassGuid() { return kHidInterfaceClass; }

InterfaceListOutcome SendInputVirtualHid::ListPresentInterfaces(const Guid& interfaceClass,
                                                                std::vector<std::wstring>& paths) {
  return portable::ListVirtualInterface(interfaceClass, true, kInjectedDevicePath, paths);
}

std::unique_ptr<ReportDevice> SendInputVirtualHid::OpenReportDevice(const std::wstring& path, std::uint32_t& error) {
  if (path != kInjectedDevicePath) {
    error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  static std::once_flag crashFilter;
  std::call_once(crashFilter, [this] {
    g_releasedOnCrash.store(shared_.get());
    g_previousFilter = SetUnhandledExceptionFilter(&ReleaseOnCrash);
  });
  error = 0;
  return std::make_unique<InjectedReportDevice>(shared_, *this);
}

bool SendInputVirtualHid::Apply(std::span<const std::uint8_t> report, std::uint32_t& error) {
  std::vector<std::uint16_t> presses;
  {
    std::scoped_lock lock(shared_->applyMutex);
    const InjectedState before = shared_->keys.Load();
    InjectedState after = before;
    std::vector<INPUT> inputs = InputsOf(TranslateVirtualReport(report, after), shared_->keys, presses);
    if (!Send(inputs, error)) return false;
    shared_->keys.Record(before, after);
  }
  // Power actions may take long (the system sleeps inside SetSuspendState): no lock held.
  for (std::uint16_t usage : presses) shared_->controls->Press(usage);
  return true;
}

void SendInputVirtualHid::ReleaseAll() { shared_->ReleaseAll(); }

InjectedState SendInputVirtualHid::Held() const { return shared_->keys.Load(); }

}  // namespace platform::win32
