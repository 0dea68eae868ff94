// Windows nobody can see. When the user has no X display, ./orsh runs the
// shell on a private one (an Xvfb) and names it in VORNEL_PRIVATE_DISPLAY.
// There a message box would wait for a click that can never come, and the
// help viewer would stay open unseen while a one-shot shell waits for it: the
// shell says so on standard error instead. On any other display nothing
// changes.
#pragma once

namespace orsh {

// On a private display, from now on every message box of this thread is
// answered as its default button would answer it, once its text is on
// standard error. Called before the plug-in may open one, not at start:
// watching windows makes Wine load its display driver, which every start
// would pay for.
void AnswerHiddenMessageBoxes();

// On a private display, says that the help viewer is open there and how to
// close it.
void SayHelpViewerIsHidden();

}  // namespace orsh
