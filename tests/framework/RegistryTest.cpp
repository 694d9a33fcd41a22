// The effect contract, the message-name table and the registry of effect kinds.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/DemoCore.h"
#include "framework/EffectInterface.h"
#include "framework/IEffect.h"
#include "framework/MessageInterface.h"
#include "gfx/OGLWindow.h"

namespace
{

// Declares its messages like the demo's effects do and keeps the ids.
class DeclaringEffect : public IEffect
{
  public:
    explicit DeclaringEffect(std::vector<std::pair<std::string, std::string>> messages = {})
        : m_Messages(std::move(messages))
    {
    }
    void Init(OGLWindow* window, DemoCore* core) override { BaseInit(window, core); }
    void DeclareMessages(MessageInterface* messages) override
    {
        ++declares;
        for (const auto& [name, description] : m_Messages)
            ids.push_back(messages->RegisterMessage(name, this, description));
    }
    void Update() override {}
    void Render() override {}
    void OnMessage(int32_t, const float*, int32_t) override {}

    int declares = 0;
    std::vector<int32_t> ids;

  private:
    std::vector<std::pair<std::string, std::string>> m_Messages;
};

const char* const kWhite = "screen fades from white to transparent. PARAM 0: fading speed";
const char* const kBlack = "screen fades from black to transparent. PARAM 0: fading speed";

// The demo's six kinds in start-up order, with the messages they declare.
class DemoRegistry : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Register("WhiteFlashOverlay", white);
        Register("BlackFlashOverlay", black);
        Register("FX_ExplosiveIntro", intro);
        Register("FX_DesignOverlay", design);
        Register("FX_MainScene", mainScene);
        Register("FX_MessageOverlay", overlay);
    }
    void Register(const char* name, DeclaringEffect& effect)
    {
        ASSERT_TRUE(registry.RegisterEffect(name, &effect, name));
    }
    MessageInterface& Messages() { return *registry.GetMessageInterface(); }

    DeclaringEffect white{{{"flash", kWhite}}};
    DeclaringEffect black{{{"flash", kBlack}}};
    DeclaringEffect intro, design, mainScene;
    DeclaringEffect overlay{{{"next_text", "NA"}}};
    EffectInterface registry;
};

TEST_F(DemoRegistry, MessageIdsFollowRegistrationOrderAcrossEffects)
{
    EXPECT_EQ((std::vector<int32_t>{1}), white.ids);
    EXPECT_EQ((std::vector<int32_t>{2}), black.ids);
    EXPECT_EQ((std::vector<int32_t>{3}), overlay.ids);
    EXPECT_EQ(1, Messages().FindMessage("flash", &white));
    EXPECT_EQ(2, Messages().FindMessage("flash", &black));
    EXPECT_EQ(3, Messages().FindMessage("next_text", &overlay));
    for (DeclaringEffect* e : {&white, &black, &intro, &design, &mainScene, &overlay})
        EXPECT_EQ(1, e->declares);
}

TEST_F(DemoRegistry, FindMessageIsExactAndPerEffect)
{
    EXPECT_EQ(0, Messages().FindMessage("Flash", &white));
    EXPECT_EQ(0, Messages().FindMessage("flash ", &white));
    EXPECT_EQ(0, Messages().FindMessage("next_text", &white)); // declared by another effect
    EXPECT_EQ(0, Messages().FindMessage("flash", &mainScene));
    EXPECT_EQ(0, Messages().FindMessage("flash", nullptr));
    EXPECT_EQ(0, Messages().FindMessage(nullptr, &white));
}

TEST_F(DemoRegistry, ListMessagesFormatsOneLinePerDeclaration)
{
    EXPECT_EQ(std::string("flash  (") + kWhite + ")\n", Messages().ListMessages(&white));
    EXPECT_EQ("next_text  (NA)\n", Messages().ListMessages(&overlay));
    EXPECT_EQ("", Messages().ListMessages(&mainScene));
}

TEST_F(DemoRegistry, FindEffectMatchesTheExactName)
{
    EXPECT_EQ(&mainScene, registry.FindEffect("FX_MainScene"));
    EXPECT_EQ(nullptr, registry.FindEffect("fx_mainscene"));
    EXPECT_EQ(nullptr, registry.FindEffect(""));
    EXPECT_EQ(&overlay, registry.FindEffect("FX_MessageOverlay"));
}

TEST_F(DemoRegistry, SecondRegistrationUnderATakenNameChangesNothing)
{
    DeclaringEffect impostor{{{"zoom", "z"}}};
    EXPECT_FALSE(registry.RegisterEffect("FX_MainScene", &impostor, "other"));
    EXPECT_EQ(&mainScene, registry.FindEffect("FX_MainScene"));
    EXPECT_EQ(0, impostor.declares);
    EXPECT_EQ(3u, Messages().Entries().size());
    EXPECT_EQ(6u, registry.Effects().size());
}

TEST_F(DemoRegistry, ClearForgetsKindsButKeepsInstancesAndMessages)
{
    registry.Clear();
    EXPECT_EQ(nullptr, registry.FindEffect("WhiteFlashOverlay"));
    EXPECT_EQ(1, Messages().FindMessage("flash", &white));
    // The name is free again.
    EXPECT_TRUE(registry.RegisterEffect("WhiteFlashOverlay", &white, "again"));
}

TEST(MessageInterfaceTest, DuplicateDeclarationsAddEntriesAndTheFirstWins)
{
    MessageInterface messages;
    DeclaringEffect e;
    EXPECT_EQ(1, messages.RegisterMessage("go", &e, "first"));
    EXPECT_EQ(2, messages.RegisterMessage("go", &e, "second"));
    EXPECT_EQ(1, messages.FindMessage("go", &e));
    EXPECT_EQ("go  (first)\ngo  (second)\n", messages.ListMessages(&e));
}

TEST(EffectInterfaceTest, NullInstanceIsRefusedAndDoesNotTakeTheName)
{
    EffectInterface registry;
    DeclaringEffect real{{{"flash", "f"}}};
    EXPECT_FALSE(registry.RegisterEffect("WhiteFlashOverlay", nullptr, "null"));
    EXPECT_TRUE(registry.RegisterEffect("WhiteFlashOverlay", &real, "real"));
    EXPECT_EQ(&real, registry.FindEffect("WhiteFlashOverlay"));
}

TEST(IEffectTest, BaseInitNeedsBothPointers)
{
    OGLWindow window;
    DemoCore core;
    DeclaringEffect e;
    EXPECT_FALSE(e.IsInitialised());
    EXPECT_EQ(nullptr, e.GetWindow());
    EXPECT_FLOAT_EQ(0.0f, e.GetTime());

    e.BaseInit(&window, nullptr);
    EXPECT_FALSE(e.IsInitialised());
    EXPECT_EQ(nullptr, e.GetWindow());
    e.BaseInit(nullptr, &core);
    EXPECT_FALSE(e.IsInitialised());
    EXPECT_EQ(nullptr, e.GetCore());

    e.BaseInit(&window, &core);
    EXPECT_TRUE(e.IsInitialised());
    EXPECT_EQ(&window, e.GetWindow());
    EXPECT_EQ(&core, e.GetCore());
}

} // namespace
