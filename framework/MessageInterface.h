#pragma once
// The table of message names that effects accept. Ids are global across all
// effects, handed out from 1 in declaration order; 0 means "nobody declared it".
#include <cstdint>
#include <string>
#include <vector>

class IEffect;

struct TMessageMap
{
    IEffect* Effect;
    std::string Name;
    std::string Description;
    int32_t ID;
};

class MessageInterface
{
  public:
    // Appends an entry and returns its id; duplicates are not checked.
    int32_t RegisterMessage(const std::string& name, IEffect* effect,
                            const std::string& description);
    // Id of the first entry of that effect with exactly that name; 0 if none or effect is null.
    int32_t FindMessage(const char* name, IEffect* effect) const;
    // "name  (description)\n" for each entry of the effect, in declaration order.
    std::string ListMessages(IEffect* effect) const;

    const std::vector<TMessageMap>& Entries() const { return m_Entries; }

  private:
    std::vector<TMessageMap> m_Entries;
    int32_t m_LastID = 0;
};
