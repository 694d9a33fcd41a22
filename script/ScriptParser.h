#pragma once
// Reads the demo's script and feeds its regions to the demo core.
#include <string>

class DemoCore;

class ScriptParser
{
public:
    void SetCore(DemoCore* core) { m_Core = core; }
    // Reads DataFolder/name; false when the file could not be opened.
    bool Parse(std::string fileName);

private:
    DemoCore* m_Core = nullptr;
};
