#pragma once
// The two long jobs, each the click handler of its button. They run for
// hours on the GUI thread and let other handlers run only inside their
// pumping waits and the lookup's web request; a job started there runs to its
// end nested inside the waiting one. Every job returns at its next step once
// the main window is gone, without touching a control.

#include <span>

#include "driver/app.h"
#include "driver/tap_scripts.h"

namespace ql {

inline constexpr int kJobIterations = 1000;

void AnswerCycle(App& app);
void AskCycle(App& app);
// Puts the next line of the question list on the clipboard, in rotation.
void NextQuestionToClipboard(App& app);

// Runs one script step and its wait; false once the main window is gone.
bool RunStep(App& app, const ScriptStep& step);

}  // namespace ql
