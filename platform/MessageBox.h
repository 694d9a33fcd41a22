#pragma once
// Modal message boxes. Every box also goes to stderr; the modal box itself is
// shown only when the run is interactive, so tests and headless runs never block.
#include <functional>
#include <string>

namespace platform
{

enum class BoxIcon
{
    Error,
    Information
};

// Writes "caption: text" to stderr, then shows a modal box if interactive, or
// hands the box to the installed recorder instead.
void ShowMessageBox(BoxIcon icon, const std::string& caption, const std::string& text);

// Tests install a recorder to see every box; an empty function removes it.
using BoxRecorder =
    std::function<void(BoxIcon, const std::string& caption, const std::string& text)>;
void SetMessageBoxRecorder(BoxRecorder recorder);

// Silences the stderr copy (for tests that raise many boxes on purpose).
void SetMessageBoxEcho(bool on);

} // namespace platform
