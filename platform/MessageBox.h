#pragma once
// Modal message boxes. Every box also goes to stderr; the modal box itself is
// shown only when the run is interactive, so tests and headless runs never block.
#include <cstddef>
#include <functional>
#include <string>

namespace platform
{

enum class BoxIcon
{
    Error,
    Information
};

// Writes the caption and the text to stderr, each followed by a line break
// ("Vortexel 1.5 Error: Init\nBad: Unknown Effect Name!\n..."), then shows
// a modal box if interactive, or hands the box to the installed recorder
// instead. The modal box shows the
// text wrapped to fit the screen (WrapBoxText): the window system's box does
// not wrap, and one long line would push the box off the screen.
void ShowMessageBox(BoxIcon icon, const std::string& caption, const std::string& text);

// The text as a box shows it: tabs as spaces (to the next multiple of four
// columns), "\r\n" and lone "\r" as line breaks, and every line wrapped on
// word boundaries to at most columns characters (UTF-8 sequences count as one;
// a word longer than a line is cut). More than maxLines lines end with "...".
// The caller's text, as stderr shows it, is not touched.
std::string WrapBoxText(const std::string& text, size_t columns, size_t maxLines);

// Tests install a recorder to see every box; an empty function removes it.
using BoxRecorder =
    std::function<void(BoxIcon, const std::string& caption, const std::string& text)>;
void SetMessageBoxRecorder(BoxRecorder recorder);

// Silences the stderr copy (for tests that raise many boxes on purpose).
void SetMessageBoxEcho(bool on);

} // namespace platform
