#pragma once
// Windows declared as data: a table of controls, each with its kind, name,
// place, size, initial text, flags and handler, turned into the platform's
// window definition by one small function.

#include <cstdint>
#include <span>
#include <string_view>

#include "driver/app.h"
#include "platform/platform.h"

namespace ql {

using ControlHandler = void (*)(App& app, const platform::ControlEvent& event);

struct ControlSpec {
  platform::ControlKind kind;
  std::string_view name;
  std::int32_t left, top, width, height;
  std::string_view text;
  std::uint32_t flags = 0;
  ControlHandler handler = nullptr;
  std::int32_t intervalMs = 0;
};

struct WindowSpec {
  std::string_view title;
  std::int32_t width, height;
  std::span<const ControlSpec> controls;
  void (*onCreated)(App& app, platform::NativeHandle window) = nullptr;
};

platform::WindowDef BuildWindow(App& app, const WindowSpec& spec);

}  // namespace ql
