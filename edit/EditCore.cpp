#include "edit/EditCore.h"

#include "script/ScriptParser.h"

bool EditCore::ParseScript(const std::string& /*scriptName*/)
{
    ScriptParser parser;
    parser.SetCore(this);
    parser.ParseText(m_Text);
    parser.SetCore(nullptr);
    return true;
}
