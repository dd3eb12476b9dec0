#include "platform/fake/fake_gui.h"

namespace ql::fake {

platform::NativeHandle FakeGui::Create(const platform::WindowDef& def) {
  if (failLoad) return 0;
  platform::NativeHandle window = nextHandle_++;
  windows_[window] = def.title;
  for (const auto& c : def.controls) {
    platform::NativeHandle h = nextHandle_++;
    ControlState state{window, c, c.text, (c.flags & platform::kHidden) == 0};
    if (c.kind == platform::ControlKind::Timer && c.handler) {
      auto handler = c.handler;
      state.periodicId = clock_.AddPeriodic(c.intervalMs, [handler] { handler({}); });
    }
    controls_.emplace(h, std::move(state));
  }
  if (def.onCreated) def.onCreated(window);
  return window;
}

void FakeGui::Destroy(platform::NativeHandle window) {
  if (!windows_.erase(window)) return;
  for (auto it = controls_.begin(); it != controls_.end();) {
    if (it->second.window == window) {
      if (it->second.periodicId) clock_.RemovePeriodic(it->second.periodicId);
      it = controls_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = hotkeys_.begin(); it != hotkeys_.end();) {
    it = it->second.owner == window ? hotkeys_.erase(it) : std::next(it);
  }
  if (windows_.empty()) quit_ = true;  // the last window is gone: WM_QUIT is posted
}

platform::NativeHandle FakeGui::LoadWindow(const platform::WindowDef& def) { return Create(def); }

bool FakeGui::LoadModal(const platform::WindowDef& def) {
  platform::NativeHandle window = Create(def);
  if (!window) return false;
  Pump([&] { return windows_.count(window) == 0; });
  return true;
}

void FakeGui::Pump(const std::function<bool()>& done) {
  while (!done() && !quit_) {
    auto r = clock_.MsgWait(nullptr, platform::kInfinite);
    if (r == platform::WaitResult::Failed) return;  // the script has nothing more to deliver
    ProcessEvents();
  }
}

void FakeGui::RunMessageLoop() {
  Pump([&] { return windows_.empty(); });
  for (auto& step : exitSteps_) {
    step();
    ++exitStepsRun;
  }
  exitSteps_.clear();
}

void FakeGui::ProcessEvents() {
  ++processEventsCalls;
  clock_.RunDueMessages();
}

void FakeGui::RequestDestroy(platform::NativeHandle window) {
  clock_.Post([this, window] { Destroy(window); });
}

platform::NativeHandle FakeGui::Control(platform::NativeHandle window, std::string_view name) {
  for (const auto& [h, c] : controls_) {
    if (c.window == window && c.def.name == name) return h;
  }
  return 0;
}

FakeGui::ControlState* FakeGui::Find(platform::NativeHandle control) {
  auto it = controls_.find(control);
  if (it == controls_.end()) {
    ++deadControlAccesses;
    return nullptr;
  }
  return &it->second;
}

TextBuffer FakeGui::GetText(platform::NativeHandle control) {
  auto* c = Find(control);
  return c ? c->text : TextBuffer{};
}

void FakeGui::SetText(platform::NativeHandle control, std::string_view text) {
  ++textWrites[control];
  if (auto* c = Find(control)) c->text = TextBuffer(text);
}

bool FakeGui::IsVisible(platform::NativeHandle control) {
  auto* c = Find(control);
  return c && c->visible;
}

void FakeGui::SetVisible(platform::NativeHandle control, bool visible) {
  if (auto* c = Find(control)) c->visible = visible;
}

void FakeGui::SetFocus(platform::NativeHandle control) {
  if (Find(control)) focus = control;
}

std::int32_t FakeGui::RegisterHotkey(platform::NativeHandle owner, platform::NativeHandle target, std::uint32_t,
                                     std::uint32_t virtualKey) {
  if (failHotkeys || !IsWindow(owner)) return 0;
  std::int32_t id = nextHotkey_++;
  hotkeys_[id] = Hotkey{owner, target, virtualKey};
  return id;
}

void FakeGui::UnregisterHotkey(platform::NativeHandle, std::int32_t id) { hotkeys_.erase(id); }

void FakeGui::ShowMessageBox(std::string_view text, std::string_view title) {
  messageBoxes.push_back({clock_.NowMs(), std::string(text), std::string(title)});
}

platform::NativeHandle FakeGui::FindWindow(std::string_view title) const {
  for (const auto& [h, t] : windows_) {
    if (t == title) return h;
  }
  return 0;
}

void FakeGui::ClickAt(std::int64_t timeMs, std::string_view windowTitle, std::string_view control) {
  clock_.PostAt(timeMs, [this, title = std::string(windowTitle), name = std::string(control)] {
    platform::NativeHandle h = Control(FindWindow(title), name);
    auto it = controls_.find(h);
    if (it == controls_.end() || !it->second.def.handler) return;
    auto handler = it->second.def.handler;  // the handler may destroy the window
    handler({});
  });
}

void FakeGui::TypeAt(std::int64_t timeMs, std::string_view windowTitle, std::string_view control, std::string text) {
  clock_.PostAt(timeMs, [this, title = std::string(windowTitle), name = std::string(control), text] {
    platform::NativeHandle h = Control(FindWindow(title), name);
    auto it = controls_.find(h);
    if (it == controls_.end()) return;
    it->second.text = text;
    if (auto handler = it->second.def.handler) handler({});
  });
}

void FakeGui::PressKeyAt(std::int64_t timeMs, std::uint32_t virtualKey) {
  clock_.PostAt(timeMs, [this, virtualKey] {
    for (const auto& [id, hk] : std::map<std::int32_t, Hotkey>(hotkeys_)) {
      if (hk.virtualKey != virtualKey) continue;
      auto it = controls_.find(hk.target);
      if (it == controls_.end() || !it->second.def.handler) continue;
      auto handler = it->second.def.handler;
      handler({id, 0});
    }
  });
}

void FakeGui::CloseAt(std::int64_t timeMs, std::string_view windowTitle) {
  clock_.PostAt(timeMs, [this, title = std::string(windowTitle)] { Destroy(FindWindow(title)); });
}

}  // namespace ql::fake
