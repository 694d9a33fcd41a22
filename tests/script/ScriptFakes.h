#pragma once
// A real demo core without window or sound device, with tiny registered
// effects, for feeding scripts to the parser.
#include <gtest/gtest.h>

#include "core/DemoCore.h"
#include "core/MusicPlayer.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "gfx/OGLWindow.h"
#include "script/ScriptParser.h"
#include "support/Fakes.h"

#include <cmath>
#include <string>
#include <vector>

class TinyEffect : public IEffect
{
  public:
    explicit TinyEffect(std::vector<std::string> messages = {}) : m_Declared(std::move(messages)) {}
    void Init(OGLWindow* window, DemoCore* core) override { BaseInit(window, core); }
    void DeclareMessages(MessageInterface* messages) override
    {
        for (const std::string& m : m_Declared)
            messages->RegisterMessage(m, this, m);
    }
    void Update() override {}
    void Render() override {}
    void OnMessage(int32_t, const float*, int32_t) override {}

  private:
    std::vector<std::string> m_Declared;
};

class FakeWindow : public OGLWindow
{
  public:
    bool Create(int, int, int, bool) override { return true; }
};

class RecordingMusic : public MusicPlayer
{
  public:
    explicit RecordingMusic(std::vector<std::string>* names) : m_Names(names) {}
    bool Init() override { return true; }
    bool Open(std::string name) override
    {
        m_Names->push_back(name);
        return true;
    }

  private:
    std::vector<std::string>* m_Names;
};

class TestCore : public DemoCore
{
  public:
    std::vector<std::string> music;

  protected:
    MusicPlayer* CreateMusicPlayer() override { return new RecordingMusic(&music); }
};

class ScriptTest : public ::testing::Test
{
  protected:
    ScriptTest()
    {
        testing_support::ResetEvents();
        registry.RegisterEffect("WhiteFlashOverlay", &flash, "WhiteFlashOverlay");
        registry.RegisterEffect("FX_MainScene", &scene, "FX_MainScene");
        registry.RegisterEffect("X", &x, "X");
        core.Init(&window, &registry, nullptr, true);
    }

    void Parse(std::string_view script)
    {
        ScriptParser parser;
        parser.SetCore(&core);
        parser.ParseText(script);
    }

    // Activation times in milliseconds, in the order the messages were added.
    std::vector<long> Times() const
    {
        std::vector<long> out;
        for (const TMessage& m : core.GetMessages())
            out.push_back(std::lround(m.ActivationTime * 1000.0));
        return out;
    }

    // The texts of the "Script Parser" boxes, without the "Info: " lead.
    std::vector<std::string> Reports() const
    {
        std::vector<std::string> out;
        for (const auto& b : boxes.boxes)
        {
            EXPECT_EQ("Vortexel 1.5 Information: Script Parser", b.caption);
            out.push_back(b.text.substr(0, 6) == "Info: " ? b.text.substr(6) : b.text);
        }
        return out;
    }

    testing_support::BoxRecorder boxes;
    TinyEffect flash{{"flash"}};
    TinyEffect scene;
    TinyEffect x{{"go", "flash"}};
    EffectInterface registry;
    FakeWindow window;
    TestCore core;
};
