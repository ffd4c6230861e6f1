#pragma once

#include <QString>

// Qt ends the process when its platform plugin cannot reach the display. Asking the X server
// first turns a dead DISPLAY into a message and a clean exit. Empty when the display answers (or
// the session is not X11), otherwise why it cannot be used.
QString displayProblem();
