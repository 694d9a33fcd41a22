#pragma once
// Opening the engine's own text files (the script, the parameter files). A file
// that cannot be opened is reported where it happens: an error box "File Not
// Found!" with the path, then a quit request.
#include <cstdio>
#include <string>

// The open handle, or null after the report. Only regular files open: a
// directory, pipe or device counts as a file that cannot be opened (it would
// read as empty, block, or never end). mode: "rb" or "a+".
std::FILE* OpenFile(const std::string& path, const std::string& mode);
// Closes the handle; null is allowed.
void CloseFile(std::FILE* file);
