#pragma once
// The contract of every effect. The core calls, per active timeline entry and
// frame: AddTime(frame time), OnMessage (if the frame's message targets this
// instance), Update; then, after every entry has updated, Render.
#include <cstdint>

class OGLWindow;
class DemoCore;
class MessageInterface;

class IEffect
{
  public:
    IEffect() = default;
    virtual ~IEffect() = default;

    // Loads and builds what the effect needs, then ends with BaseInit.
    virtual void Init(OGLWindow* window, DemoCore* core) = 0;
    // Registers the messages the effect accepts; runs once, at registration.
    // Every text OnMessage acts on is declared here, and only those: this is
    // the one place the script checker reads to warn about a message the
    // effect would ignore.
    virtual void DeclareMessages(MessageInterface* messages) = 0;
    virtual void Update() = 0;
    virtual void Render() = 0;
    // params holds count values and is valid only during the call.
    virtual void OnMessage(int32_t id, const float* params, int32_t count) = 0;

    // Stores both pointers and marks the effect initialised; does nothing if
    // either is null.
    void BaseInit(OGLWindow* window, DemoCore* core)
    {
        if (!window || !core)
            return;
        m_Window = window;
        m_Core = core;
        m_Initialised = true;
    }
    bool IsInitialised() const { return m_Initialised; }
    OGLWindow* GetWindow() const { return m_Window; }
    DemoCore* GetCore() const { return m_Core; }
    float GetTime() const { return m_Time; }
    void SetTime(float t) { m_Time = t; }
    void AddTime(float dt) { m_Time = m_Time + dt; }

  protected:
    OGLWindow* m_Window = nullptr;
    DemoCore* m_Core = nullptr;
    bool m_Initialised = false;
    float m_Time = 0.0f;
};
