// Fuzz target for the script reader: raw bytes as the content of script.txt,
// fed to a real demo core with two registered effects, and to the checker's
// warnings (with a music length taken from the input's size).
//
// A MESSAGE region may repeat its message up to a million times, so inputs of
// a few hundred bytes can ask for hundreds of MB; run libFuzzer with
// -max_len=512 (or a larger -rss_limit_mb).
#include "core/DemoCore.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "framework/MessageInterface.h"
#include "gfx/OGLWindow.h"
#include "platform/MessageBox.h"
#include "script/ScriptCheck.h"
#include "script/ScriptParser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace
{

class FuzzEffect : public IEffect
{
  public:
    void Init(OGLWindow* window, DemoCore* core) override { BaseInit(window, core); }
    void DeclareMessages(MessageInterface* messages) override
    {
        messages->RegisterMessage("flash", this, "flash");
    }
    void Update() override {}
    void Render() override {}
    void OnMessage(int32_t, const float*, int32_t) override {}
};

class FuzzWindow : public OGLWindow
{
  public:
    bool Create(int, int, int, bool) override { return true; }
};

struct Setup
{
    FuzzEffect flash, scene;
    EffectInterface registry;
    FuzzWindow window;
    Setup()
    {
        registry.RegisterEffect("WhiteFlashOverlay", &flash, "WhiteFlashOverlay");
        registry.RegisterEffect("FX_MainScene", &scene, "FX_MainScene");
        platform::SetMessageBoxEcho(false);
        platform::SetMessageBoxRecorder(
            [](platform::BoxIcon, const std::string&, const std::string&) {});
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    DemoCore core;
    core.Init(&setup.window, &setup.registry, nullptr, false);
    ScriptParser parser;
    parser.SetCore(&core);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    parser.ParseText(text);
    static const std::vector<ScriptEffectKind> kinds = {{"WhiteFlashOverlay", {"flash"}},
                                                        {"FX_MainScene", {}}};
    CheckScriptText(text, kinds, static_cast<int64_t>(size) * 10);
    return 0;
}
