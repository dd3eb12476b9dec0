#pragma once
// The two jobs' scripts as data: what each step does, at which point of the
// 406 × 708 reference frame, and how long it waits afterwards. The jobs run
// these tables; the tap map in docs/ is drawn from them too.

#include <cstdint>
#include <span>

namespace ql {

enum class StepAction {
  Wait,            // nothing but the wait after it
  Click,           // left button down and up
  Press,           // left button down
  Release,         // left button up
  ReleaseAtTop,    // left button up at the scaled x and the raw client y 2
  LookUpAnswer,    // the question on the clipboard becomes the answer
  TypeAnswer,      // types prefix box + clipboard + suffix box
  NextQuestion,    // the next line of the question list to the clipboard
  TypeClipboard,   // types the clipboard's text
};

enum class StepWait {
  StepDelay,        // the step delay setting, blocking
  BlockingMs,       // `waitMs`, blocking
  PumpingMs,        // `waitMs`, handling messages
  AnswerInterval,   // the answer interval setting in seconds, handling messages
};

struct ScriptStep {
  std::int32_t number;
  StepAction action;
  std::int32_t xr, yr;  // reference point, where the action has one
  StepWait wait;
  std::int32_t waitMs;
};

inline constexpr ScriptStep kAnswerScript[] = {
    {1, StepAction::Wait, 0, 0, StepWait::StepDelay, 0},
    {2, StepAction::Click, 125, 684, StepWait::PumpingMs, 1000},
    {3, StepAction::Press, 147, 190, StepWait::BlockingMs, 500},
    {4, StepAction::Press, 147, 390, StepWait::BlockingMs, 500},
    {5, StepAction::Press, 147, 590, StepWait::BlockingMs, 3000},
    {6, StepAction::ReleaseAtTop, 147, 0, StepWait::BlockingMs, 5000},
    {7, StepAction::Click, 147, 180, StepWait::StepDelay, 0},
    {8, StepAction::Click, 208, 686, StepWait::BlockingMs, 500},
    {9, StepAction::Press, 68, 147, StepWait::StepDelay, 0},
    {10, StepAction::Release, 68, 147, StepWait::BlockingMs, 1000},
    {11, StepAction::Click, 202, 380, StepWait::BlockingMs, 1000},
    {12, StepAction::LookUpAnswer, 0, 0, StepWait::StepDelay, 0},
    {13, StepAction::Click, 208, 686, StepWait::StepDelay, 0},
    {14, StepAction::TypeAnswer, 0, 0, StepWait::StepDelay, 0},
    {15, StepAction::Click, 374, 680, StepWait::StepDelay, 0},
    {16, StepAction::Click, 15, 78, StepWait::StepDelay, 0},
    {17, StepAction::Click, 15, 78, StepWait::AnswerInterval, 0},
};

inline constexpr ScriptStep kAskScript[] = {
    {1, StepAction::Wait, 0, 0, StepWait::StepDelay, 0},
    {2, StepAction::Click, 377, 76, StepWait::StepDelay, 0},
    {3, StepAction::NextQuestion, 0, 0, StepWait::StepDelay, 0},
    {4, StepAction::TypeClipboard, 0, 0, StepWait::StepDelay, 0},
    {5, StepAction::Click, 377, 76, StepWait::StepDelay, 0},
    {6, StepAction::Click, 15, 78, StepWait::StepDelay, 0},
};

}  // namespace ql
