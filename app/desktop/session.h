#pragma once

// What the session the program was started in offers it: a terminal, a display. One file per
// platform answers.

namespace pellavane {

/** Whether standard output is a terminal, where the console's countdown may rewrite its line. */
bool StandardOutputIsTerminal();

/** Whether standard error is a terminal, the only place that gets line-erase sequences. */
bool StandardErrorIsTerminal();

/** Whether no display can be reached, so the window could not open; Qt would abort with a message
 *  about its platform plugin instead. */
bool NoDisplay();

} // namespace pellavane
