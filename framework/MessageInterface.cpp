#include "framework/MessageInterface.h"

#include <cstring>

int32_t MessageInterface::RegisterMessage(const std::string& name, IEffect* effect,
                                          const std::string& description)
{
    ++m_LastID;
    m_Entries.push_back(TMessageMap{effect, name, description, m_LastID});
    return m_LastID;
}

int32_t MessageInterface::FindMessage(const char* name, IEffect* effect) const
{
    if (!effect || !name)
        return 0;
    for (const TMessageMap& m : m_Entries)
        if (m.Effect == effect && std::strcmp(m.Name.c_str(), name) == 0)
            return m.ID;
    return 0;
}

std::string MessageInterface::ListMessages(IEffect* effect) const
{
    std::string out;
    for (const TMessageMap& m : m_Entries)
        if (m.Effect == effect)
            out += m.Name + "  (" + m.Description + ")\n";
    return out;
}
