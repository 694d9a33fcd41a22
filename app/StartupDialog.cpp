#include "app/StartupDialog.h"

#include "core/ErrorBox.h"
#include "platform/Events.h"
#include "resources/Resources.h"

#include <string>

namespace
{
struct ControlTemplate
{
    int id;
    platform::DialogControlKind kind;
    int x, y, w, h; // dialog units
    const char* text;
};

// Dialog 101's controls, in template (and tab) order.
const ControlTemplate kTemplate[StartupDialog::ControlCount] = {
    {1002, platform::DialogControlKind::CheckBox, 136, 98, 49, 10, "Fullscreen"},
    {1000, platform::DialogControlKind::PushButton, 13, 112, 143, 10, "cowee"},
    {1001, platform::DialogControlKind::PushButton, 157, 112, 28, 10, "exit"},
};
} // namespace

const DialogUnits StartupDialog::kUnits{};

StartupDialog::StartupDialog(bool fullscreen) : m_Fullscreen(fullscreen), m_Checked(fullscreen) {}

platform::DialogRect StartupDialog::ControlRect(Control control)
{
    if (control < 0 || control >= ControlCount)
        return platform::DialogRect{};
    const ControlTemplate& t = kTemplate[control];
    return kUnits.Map(t.x, t.y, t.w, t.h);
}

int StartupDialog::ControlId(Control control)
{
    return control >= 0 && control < ControlCount ? kTemplate[control].id : 0;
}

StartupDialog::Control StartupDialog::ControlAt(int x, int y)
{
    for (int c = 0; c < ControlCount; ++c)
        if (ControlRect(static_cast<Control>(c)).Contains(x, y))
            return static_cast<Control>(c);
    return None;
}

void StartupDialog::Handle(const platform::DialogInput& input)
{
    switch (input.kind)
    {
    case platform::DialogInputKind::MouseDown:
        MouseDown(input.x, input.y);
        break;
    case platform::DialogInputKind::MouseUp:
        MouseUp(input.x, input.y);
        break;
    case platform::DialogInputKind::KeyDown:
        KeyDown(input.key, input.shift);
        break;
    case platform::DialogInputKind::Close:
        Close();
        break;
    case platform::DialogInputKind::None:
        break;
    }
}

void StartupDialog::MouseDown(int x, int y)
{
    if (!m_Open)
        return;
    Control c = ControlAt(x, y);
    if (c == None)
        return;
    m_Focus = c;
    m_Held = c;
}

void StartupDialog::MouseUp(int x, int y)
{
    if (!m_Open || m_Held == None)
        return;
    Control held = m_Held;
    m_Held = None;
    // Releasing elsewhere cancels the click, as with any system button.
    if (ControlAt(x, y) == held)
        Activate(held);
}

void StartupDialog::KeyDown(int key, bool shift)
{
    if (!m_Open)
        return;
    switch (key)
    {
    case platform::KeyTab:
        m_Focus = static_cast<Control>((m_Focus + (shift ? ControlCount - 1 : 1)) % ControlCount);
        break;
    case platform::KeySpace:
        Activate(m_Focus);
        break;
    default:
        // Enter and Escape send the commands 1 and 2, which name no control of
        // this dialog, so they do nothing; neither does any other key.
        break;
    }
}

void StartupDialog::Close()
{
    m_Open = false;
    m_Held = None;
}

void StartupDialog::Activate(Control control)
{
    switch (control)
    {
    case CheckFullscreen:
        m_Checked = !m_Checked;
        break;
    case ButtonCowee:
        m_Fullscreen = m_Checked;
        m_Result = true;
        m_Open = false;
        break;
    case ButtonExit:
        m_Result = false;
        m_Open = false;
        break;
    default:
        break;
    }
}

platform::DialogView StartupDialog::View() const
{
    platform::DialogView view;
    view.clientWidth = ClientWidth();
    view.clientHeight = ClientHeight();
    ResourceBytes banner = BannerBitmap();
    view.bitmap = banner.data;
    view.bitmapSize = banner.size;
    view.fontPixels = kFontPixels;
    for (int i = 0; i < ControlCount; ++i)
    {
        Control c = static_cast<Control>(i);
        platform::DialogControlView v;
        v.kind = kTemplate[i].kind;
        v.rect = ControlRect(c);
        v.text = kTemplate[i].text;
        v.checked = c == CheckFullscreen && m_Checked;
        v.focused = c == m_Focus;
        v.pressed = c == m_Held;
        view.controls.push_back(v);
    }
    return view;
}

bool ShowStartupDialog(bool& fullscreen)
{
    StartupDialog dialog(fullscreen);
    const char* error = nullptr;
    platform::DialogWindow* window = platform::OpenDialogWindow(dialog.View(), error);
    if (!window)
    {
        // Returning false alone would end the program without a word.
        ShowError("Startup Dialog", std::string("The start-up dialog could not be opened (") +
                                        (error && *error ? error : "no reason given") +
                                        "). Start with --windowed or --fullscreen to skip it.");
        platform::PostQuitRequest(true);
        return false;
    }
    while (dialog.IsOpen())
    {
        platform::DialogInput input;
        if (!platform::WaitDialogInput(window, input, 250))
            continue;
        dialog.Handle(input);
        if (dialog.IsOpen())
            platform::DrawDialogWindow(window, dialog.View());
    }
    platform::CloseDialogWindow(window);
    fullscreen = dialog.Fullscreen();
    return dialog.Result();
}
