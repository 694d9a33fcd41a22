#include "framework/EffectInterface.h"

#include "framework/IEffect.h"

EffectInterface::EffectInterface() : m_Messages(new MessageInterface) {}

EffectInterface::~EffectInterface()
{
    Clear();
    delete m_Messages;
}

bool EffectInterface::RegisterEffect(const std::string& name, IEffect* effect,
                                     const std::string& description)
{
    // A null instance would take the name without being findable, and a later
    // registration under that name would then be shadowed by it.
    if (!effect || FindEffect(name))
        return false;
    m_Effects.push_back(TEffectList{name, description, effect});
    effect->DeclareMessages(m_Messages);
    return true;
}

IEffect* EffectInterface::FindEffect(const std::string& name) const
{
    for (const TEffectList& e : m_Effects)
        if (e.Name == name)
            return e.Effect;
    return nullptr;
}

void EffectInterface::Clear()
{
    m_Effects.clear();
}
