#pragma once
// The demo core of a live-editing run: its script is a text the session has
// already read, so a restart plays exactly the text that was checked, whatever
// the file holds by then. Everything else is the demo core as it plays.
#include <string>

#include "core/DemoCore.h"

class EditCore : public DemoCore
{
  public:
    explicit EditCore(std::string scriptText) : m_Text(std::move(scriptText)) {}

  protected:
    bool ParseScript(const std::string& scriptName) override;

  private:
    std::string m_Text;
};
