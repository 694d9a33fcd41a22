#pragma once
// The error and information boxes of the whole engine. Neither posts a quit
// request: the caller decides.
#include <string>

extern const char* const kErrorTrailer;

// Caption "Vortexel 1.5 Error: " + context; text "Bad: " + message, two line
// breaks and the fixed trailer.
void ShowError(std::string context, std::string message);
// Caption "Vortexel 1.5 Information: " + context; text "Info: " + message.
void ShowInfo(std::string context, std::string message);
