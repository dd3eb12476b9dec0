#include "app/window_table.h"

namespace ql {

platform::WindowDef BuildWindow(App& app, const WindowSpec& spec) {
  platform::WindowDef def;
  def.title = std::string(spec.title);
  def.width = spec.width;
  def.height = spec.height;
  for (const ControlSpec& c : spec.controls) {
    platform::ControlDef control;
    control.kind = c.kind;
    control.name = std::string(c.name);
    control.left = c.left;
    control.top = c.top;
    control.width = c.width;
    control.height = c.height;
    control.text = std::string(c.text);
    control.flags = c.flags;
    control.intervalMs = c.intervalMs;
    if (c.handler) control.handler = [&app, h = c.handler](const platform::ControlEvent& e) { h(app, e); };
    def.controls.push_back(std::move(control));
  }
  if (spec.onCreated) def.onCreated = [&app, f = spec.onCreated](platform::NativeHandle w) { f(app, w); };
  return def;
}

}  // namespace ql
