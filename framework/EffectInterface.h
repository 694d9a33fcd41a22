#pragma once
// The registry of effect kinds: one instance per kind, found by its exact name.
// Owns the single MessageInterface; never destroys the effect instances.
#include <string>
#include <vector>

#include "framework/MessageInterface.h"

class IEffect;

struct TEffectList
{
    std::string Name;
    std::string Description;
    IEffect* Effect;
};

class EffectInterface
{
  public:
    EffectInterface();
    ~EffectInterface();
    EffectInterface(const EffectInterface&) = delete;
    EffectInterface& operator=(const EffectInterface&) = delete;

    // False (and nothing declared) when the name is taken or the instance is
    // null; otherwise appends the kind and lets the instance declare its messages.
    bool RegisterEffect(const std::string& name, IEffect* effect, const std::string& description);
    IEffect* FindEffect(const std::string& name) const;
    MessageInterface* GetMessageInterface() const { return m_Messages; }
    // Forgets every registration; the instances live on.
    void Clear();
    // Writes the plain-text report of every kind and its messages, with CR LF
    // line ends, under a hidden name renamed over fileName once complete.
    // Reports nothing itself; false (and the reason in error, when given)
    // when the file could not be created or written in full: an earlier file
    // of that name is then as it was.
    bool WriteDemoInfo(const std::string& fileName, std::string* error = nullptr);

    const std::vector<TEffectList>& Effects() const { return m_Effects; }

  private:
    MessageInterface* m_Messages;
    std::vector<TEffectList> m_Effects;
};
