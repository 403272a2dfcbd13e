// The library's message to the user, as the tool shows it: one line on
// standard error, and never a wait for a key.
#ifndef TOVRA_TOOLS_TOOL_MESSAGE_H
#define TOVRA_TOOLS_TOOL_MESSAGE_H

namespace tovra_tool {

// While muted, messages are counted but not shown (a second, silent pass
// over a file that has already been read once).
void SetMessagesMuted(bool muted);
// Messages shown (or suppressed) so far.
int MessageCount();

}  // namespace tovra_tool

#endif
