#pragma once
// The start-up dialog (dialog 101): the banner (bitmap 125) at the top, the
// check box "Fullscreen" and the push buttons "cowee" (start the demo) and
// "exit". StartupDialog is its behaviour without a window; ShowStartupDialog
// runs it modally in a small window of its own.
#include "platform/DialogWindow.h"

// Dialog units to pixels. A dialog unit is a quarter of the dialog font's
// average character width across and an eighth of its height down; for the
// 8-point dialog font at 96 DPI (an 11-pixel em) these base units are 6 x 13
// pixels, which makes the 200 x 131-unit dialog 300 x 213 pixels. Positions and
// sizes are converted separately, each rounded to the nearest pixel.
struct DialogUnits
{
    int baseX = 6;
    int baseY = 13;

    int X(int units) const { return MulDiv(units, baseX, 4); }
    int Y(int units) const { return MulDiv(units, baseY, 8); }
    platform::DialogRect Map(int x, int y, int w, int h) const
    {
        return platform::DialogRect{X(x), Y(y), X(w), Y(h)};
    }

  private:
    // a * b / c rounded to nearest, halves away from zero (non-negative arguments).
    static int MulDiv(int a, int b, int c) { return (a * b * 2 + c) / (2 * c); }
};

class StartupDialog
{
  public:
    // The controls in tab order, which is their order in the template.
    enum Control
    {
        None = -1,
        CheckFullscreen = 0, // id 1002
        ButtonCowee,         // id 1000
        ButtonExit,          // id 1001
        ControlCount
    };

    static const DialogUnits kUnits;
    static const int kWidthUnits = 200;
    static const int kHeightUnits = 131;
    static const int kFontPixels = 11; // 8 points at 96 DPI

    // The box starts ticked when fullscreen is true; focus starts on the first
    // tab stop, as the system's dialog manager places it.
    explicit StartupDialog(bool fullscreen);

    // Input in client pixels and platform::Key codes.
    void Handle(const platform::DialogInput& input);
    void MouseDown(int x, int y); // focuses and holds down the control under the pointer
    void MouseUp(int x, int y);   // activates the held control if the pointer is still on it
    void KeyDown(int key, bool shift);
    void Close(); // Alt+F4 or the window manager: the same as "exit"

    bool IsOpen() const { return m_Open; }
    // True only when "cowee" ended the dialog.
    bool Result() const { return m_Result; }
    // The setting handed back: the box's state once "cowee" was pressed,
    // otherwise the value the dialog started with.
    bool Fullscreen() const { return m_Fullscreen; }
    bool IsChecked() const { return m_Checked; }
    Control Focus() const { return m_Focus; }
    Control Held() const { return m_Held; }

    static int ClientWidth() { return kUnits.X(kWidthUnits); }
    static int ClientHeight() { return kUnits.Y(kHeightUnits); }
    static platform::DialogRect ControlRect(Control control);
    static int ControlId(Control control);
    static Control ControlAt(int x, int y);

    // What the window paints now.
    platform::DialogView View() const;

  private:
    void Activate(Control control);

    bool m_Open = true;
    bool m_Result = false;
    bool m_Fullscreen;
    bool m_Checked;
    Control m_Focus = CheckFullscreen;
    Control m_Held = None;
};

// Runs the dialog modally. fullscreen is in/out; true only when "cowee" was
// pressed. When the dialog cannot be shown the failure is reported, a failing
// quit is requested and the result is false.
bool ShowStartupDialog(bool& fullscreen);
