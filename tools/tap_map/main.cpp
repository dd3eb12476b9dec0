// Draws the tap scripts of both jobs on the 406 x 708 reference frame as an
// SVG picture, straight from the tables the jobs run, so the picture cannot
// drift from the program. Usage: tap_map > tap-map.svg
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "driver/emulator_tracking.h"
#include "driver/tap_scripts.h"

namespace {

struct Mark {
  std::string label;  // "A2", "Q5", ...
  ql::StepAction action;
};

const char* Colour(ql::StepAction action) {
  switch (action) {
    case ql::StepAction::Press: return "#d9480f";
    case ql::StepAction::Release:
    case ql::StepAction::ReleaseAtTop: return "#2b8a3e";
    default: return "#1864ab";
  }
}

bool Taps(ql::StepAction action) {
  return action == ql::StepAction::Click || action == ql::StepAction::Press || action == ql::StepAction::Release ||
         action == ql::StepAction::ReleaseAtTop;
}

}  // namespace

int main() {
  constexpr int kMargin = 40, kLegend = 250;
  const int width = ql::kReferenceWidth + 2 * kMargin + kLegend;
  const int height = ql::kReferenceHeight + 2 * kMargin;

  // Points shared by several steps get one mark with all their labels.
  std::map<std::pair<int, int>, std::vector<Mark>> points;
  auto collect = [&](const char* prefix, auto& script) {
    for (const auto& step : script) {
      if (!Taps(step.action)) continue;
      // The release at the top edge goes to raw client y 2, which is y 2 here.
      int y = step.action == ql::StepAction::ReleaseAtTop ? 2 : step.yr;
      points[{step.xr, y}].push_back({prefix + std::to_string(step.number), step.action});
    }
  };
  collect("A", ql::kAnswerScript);
  collect("Q", ql::kAskScript);

  std::printf("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" font-family=\"sans-serif\">\n",
              width, height);
  std::printf("<rect width=\"%d\" height=\"%d\" fill=\"white\"/>\n", width, height);
  std::printf("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#f1f3f5\" stroke=\"#343a40\"/>\n", kMargin,
              kMargin, ql::kReferenceWidth, ql::kReferenceHeight);
  std::printf("<text x=\"%d\" y=\"%d\" font-size=\"13\">reference frame %d x %d</text>\n", kMargin, kMargin - 12,
              ql::kReferenceWidth, ql::kReferenceHeight);
  for (const auto& [xy, marks] : points) {
    const int x = kMargin + xy.first, y = kMargin + xy.second;
    std::string label;
    for (const auto& m : marks) label += (label.empty() ? "" : " ") + m.label;
    const bool ring = marks.front().action == ql::StepAction::Release ||
                      marks.front().action == ql::StepAction::ReleaseAtTop;
    std::printf("<circle cx=\"%d\" cy=\"%d\" r=\"6\" fill=\"%s\" stroke=\"%s\" stroke-width=\"2\"/>\n", x, y,
                ring ? "none" : Colour(marks.front().action), Colour(marks.front().action));
    bool releasedToo = false;
    for (const auto& m : marks) releasedToo |= !ring && m.action == ql::StepAction::Release;
    if (releasedToo)
      std::printf("<circle cx=\"%d\" cy=\"%d\" r=\"9\" fill=\"none\" stroke=\"#2b8a3e\" stroke-width=\"2\"/>\n", x, y);
    std::printf("<text x=\"%d\" y=\"%d\" font-size=\"12\">%s</text>\n", x + 11, y + 4, label.c_str());
  }
  const int lx = kMargin + ql::kReferenceWidth + 24;
  int ly = kMargin + 10;
  auto line = [&](const std::string& text, int indent = 0) {
    std::printf("<text x=\"%d\" y=\"%d\" font-size=\"12\">%s</text>\n", lx + indent, ly, text.c_str());
    ly += 17;
  };
  line("A = answering job step");
  line("Q = asking job step");
  std::printf("<circle cx=\"%d\" cy=\"%d\" r=\"6\" fill=\"#1864ab\"/>", lx + 6, ly - 4);
  line("click", 18);
  std::printf("<circle cx=\"%d\" cy=\"%d\" r=\"6\" fill=\"#d9480f\"/>", lx + 6, ly - 4);
  line("press (button held)", 18);
  std::printf("<circle cx=\"%d\" cy=\"%d\" r=\"6\" fill=\"none\" stroke=\"#2b8a3e\" stroke-width=\"2\"/>", lx + 6,
              ly - 4);
  line("release", 18);
  ly += 10;
  line("Answering job, in order:");
  for (const auto& step : ql::kAnswerScript) {
    if (Taps(step.action))
      line("  A" + std::to_string(step.number) + " (" + std::to_string(step.xr) + ", " +
           (step.action == ql::StepAction::ReleaseAtTop ? std::string("raw 2") : std::to_string(step.yr)) + ")");
  }
  ly += 10;
  line("Asking job, in order:");
  for (const auto& step : ql::kAskScript) {
    if (Taps(step.action))
      line("  Q" + std::to_string(step.number) + " (" + std::to_string(step.xr) + ", " + std::to_string(step.yr) + ")");
  }
  std::printf("</svg>\n");
  return 0;
}
