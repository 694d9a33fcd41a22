#pragma once
// Fakes for running the demo core without a display, a sound device or real
// time. Window, effects, loading screen and music player all write into one
// shared log, so tests can assert on the order of calls across them.
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/DemoCore.h"
#include "core/ILoadingScreen.h"
#include "core/MusicPlayer.h"
#include "core/Timer.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "gfx/OGLWindow.h"
#include "support/Fakes.h"

namespace core_test
{

using Log = std::vector<std::string>;

inline std::string Num(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// A window that draws nothing. Each BeginFrame of the main loop moves the
// manual counter by the next scripted step (or the default one), so a frame
// "takes" that long. ProcessMessages uses the real event queue unless told not to.
class FakeWindow : public OGLWindow
{
  public:
    explicit FakeWindow(Log& log) : m_Log(log) { m_State = Running; }

    void ProcessMessages() override
    {
        m_Log.push_back("Window.ProcessMessages");
        ++pumps;
        if (realQueue)
            OGLWindow::ProcessMessages();
    }
    bool IsRunning() const override
    {
        // A guard against a test that never ends its loop.
        return titles.size() < maxFrames && OGLWindow::IsRunning();
    }
    bool SetTitle(const char* text) override
    {
        titles.push_back(text);
        m_Log.push_back(std::string("Window.SetTitle ") + text);
        return true;
    }
    bool Swap() override
    {
        m_Log.push_back("Window.Swap");
        return true;
    }
    // The core sets the viewport right after starting the clock, and sets the
    // perspective only for the loading screen: so frames take time from the
    // first SetViewport that no SetPerspective follows.
    void SetViewport(float fill) override
    {
        m_Log.push_back("Window.SetViewport " + Num(fill));
        clockRunning = true;
    }
    void BeginFrame() override
    {
        m_Log.push_back("Window.BeginFrame");
        if (!clockRunning)
            return;
        double step = defaultStep;
        if (!steps.empty())
        {
            step = steps.front();
            steps.pop_front();
        }
        testing_support::ManualCounter::Advance(step);
    }
    void ResetForEffect() override { m_Log.push_back("Window.ResetForEffect"); }
    void ClearDepth() override { m_Log.push_back("Window.ClearDepth"); }
    void SetPerspective(float fov) override
    {
        m_Log.push_back("Window.SetPerspective " + Num(fov));
        clockRunning = false;
    }

    // Counter steps for the frames of the main loop (seconds per frame).
    std::deque<double> steps;
    double defaultStep = 0.01;
    bool clockRunning = false;
    bool realQueue = true;
    size_t maxFrames = 10000;
    std::vector<std::string> titles;
    int pumps = 0;

  private:
    Log& m_Log;
};

struct Delivery
{
    int32_t id;
    std::vector<float> params;
    float now;   // the core's time in the frame of delivery
    float clock; // the effect's own clock at delivery
};

// An effect that records every call. It declares the given message names at
// registration and keeps their ids.
class FakeEffect : public IEffect
{
  public:
    FakeEffect(Log& log, std::string name, std::vector<std::string> messages = {})
        : m_Log(log), m_Name(std::move(name)), m_Messages(std::move(messages))
    {
    }

    void Init(OGLWindow* window, DemoCore* core) override
    {
        m_Log.push_back(m_Name + ".Init");
        ++inits;
        BaseInit(window, core);
    }
    void DeclareMessages(MessageInterface* messages) override
    {
        ++declares;
        for (const std::string& m : m_Messages)
            ids.push_back(messages->RegisterMessage(m, this, "test " + m));
    }
    void Update() override
    {
        m_Log.push_back(m_Name + ".Update");
        updateTimes.push_back(Timer::GetTime());
        clocks.push_back(GetTime());
    }
    void Render() override { m_Log.push_back(m_Name + ".Render"); }
    void OnMessage(int32_t id, const float* params, int32_t count) override
    {
        m_Log.push_back(m_Name + ".OnMessage " + std::to_string(id));
        Delivery d{id, {}, Timer::GetTime(), GetTime()};
        for (int32_t i = 0; i < count; ++i)
            d.params.push_back(params[i]);
        received.push_back(d);
    }

    // AddTime is not virtual: the core's call is seen through the effect's clock.
    int inits = 0;
    int declares = 0;
    std::vector<int32_t> ids;
    std::vector<float> updateTimes; // the core's time at each Update
    std::vector<float> clocks;      // the effect's own clock at each Update
    std::vector<Delivery> received;

  private:
    Log& m_Log;
    std::string m_Name;
    std::vector<std::string> m_Messages;
};

class FakeLoadingScreen : public ILoadingScreen
{
  public:
    FakeLoadingScreen(OGLWindow* window, Log& log, bool* destroyed)
        : ILoadingScreen(window), m_Log(log), m_Destroyed(destroyed)
    {
    }
    ~FakeLoadingScreen() override
    {
        if (m_Destroyed)
            *m_Destroyed = true;
    }
    void Begin() override { m_Log.push_back("Loading.Begin"); }
    void Draw() override { m_Log.push_back("Loading.Draw " + Num(GetProgress())); }

  private:
    Log& m_Log;
    bool* m_Destroyed;
};

class FakeMusicPlayer : public MusicPlayer
{
  public:
    FakeMusicPlayer(Log& log, bool initOk, bool openOk, bool* destroyed)
        : m_Log(log), m_InitOk(initOk), m_OpenOk(openOk), m_Destroyed(destroyed)
    {
    }
    ~FakeMusicPlayer() override
    {
        if (m_Destroyed)
            *m_Destroyed = true;
    }
    bool Init() override
    {
        m_Log.push_back("Music.Init");
        return m_InitOk;
    }
    bool Open(std::string name) override
    {
        m_Log.push_back("Music.Open " + name);
        return m_OpenOk;
    }
    void Play() override { m_Log.push_back("Music.Play"); }
    void SetTime(int32_t ms) override { m_Log.push_back("Music.SetTime " + std::to_string(ms)); }
    void Stop() override { m_Log.push_back("Music.Stop"); }

  private:
    Log& m_Log;
    bool m_InitOk;
    bool m_OpenOk;
    bool* m_Destroyed;
};

// The core with its two seams replaced: a fake music player, and a "script"
// that is a function calling AddEffect, AddMessage, ... directly.
class TestCore : public DemoCore
{
  public:
    explicit TestCore(Log& log) : m_Log(log) {}

    bool musicInitOk = true;
    bool musicOpenOk = true;
    bool* musicDestroyed = nullptr; // set to true when the core destroys its player
    int parses = 0;
    std::function<bool(TestCore&)> script = [](TestCore&) { return true; };

  protected:
    MusicPlayer* CreateMusicPlayer() override
    {
        return new FakeMusicPlayer(m_Log, musicInitOk, musicOpenOk, musicDestroyed);
    }
    bool ParseScript(const std::string& name) override
    {
        ++parses;
        m_Log.push_back("Parse " + name);
        return script(*this);
    }

  private:
    Log& m_Log;
};

// Entries of the log that start with prefix, in order.
inline Log Filter(const Log& log, const std::vector<std::string>& prefixes)
{
    Log out;
    for (const std::string& e : log)
        for (const std::string& p : prefixes)
            if (e.compare(0, p.size(), p) == 0)
            {
                out.push_back(e);
                break;
            }
    return out;
}

} // namespace core_test
