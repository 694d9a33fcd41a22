#pragma once
// A small dialog window on SDL2: no caption, a thin (1-pixel) border, centred on
// the screen, no taskbar entry. It paints what the caller describes -- a bitmap
// at the client origin and flat check boxes and push buttons, labelled with
// DejaVu Sans through the text rasteriser -- and hands back the input a dialog
// reacts to. The dialog's behaviour belongs to the caller.
//
// Without the DejaVu font the labels fall back to a small built-in pixel font.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform
{

struct DialogRect
{
    int x = 0, y = 0, w = 0, h = 0;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

enum class DialogControlKind
{
    CheckBox,
    PushButton
};

struct DialogControlView
{
    DialogControlKind kind = DialogControlKind::PushButton;
    DialogRect rect; // client pixels
    const char* text = "";
    bool checked = false; // check boxes only
    bool focused = false; // drawn with a dotted focus frame
    bool pressed = false; // held down
};

struct DialogView
{
    int clientWidth = 0;
    int clientHeight = 0;
    const unsigned char* bitmap = nullptr; // a BMP file, painted at (0, 0) in its own size
    std::size_t bitmapSize = 0;
    std::vector<DialogControlView> controls;
    int fontPixels = 11; // em height of the labels
};

// The border around the client area, in pixels: client (0, 0) is window (1, 1).
const int kDialogBorder = 1;

// Colours of the flat look, 0xRRGGBB; tests look for them.
const uint32_t kDialogFace = 0xF0F0F0;
const uint32_t kDialogFrame = 0x000000;
const uint32_t kDialogPressedFace = 0xC8C8C8;

enum class DialogInputKind
{
    None, // anything else; the window may need repainting
    MouseDown,
    MouseUp,
    KeyDown, // key: a platform::Key code (Tab, Space, Return, Escape, or KeyOther)
    Close    // the window manager's close (Alt+F4) or a quit request
};

struct DialogInput
{
    DialogInputKind kind = DialogInputKind::None;
    int x = 0, y = 0; // client pixels
    int key = 0;
    bool shift = false;
};

struct DialogWindow; // opaque

// Opens the window sized for view (client plus border) and shows it. Null on
// failure, with the reason in error.
DialogWindow* OpenDialogWindow(const DialogView& view, const char*& error);
void CloseDialogWindow(DialogWindow* window);

void DrawDialogWindow(DialogWindow* window, const DialogView& view);

// Waits for the next input for the window (or for any window-less event such as
// a queued key); false when timeoutMs passed without one. After SIGINT or
// SIGTERM it answers Close.
bool WaitDialogInput(DialogWindow* window, DialogInput& out, int timeoutMs);

// The window's pixels as last drawn, 0xRRGGBBAA, top row first (tests).
bool ReadDialogWindowPixels(DialogWindow* window, std::vector<uint32_t>& pixels, int& width,
                            int& height);

// Draws view into memory without a window, border included, in the same layout
// as the window. False when the renderer or the bitmap failed.
bool RenderDialogToPixels(const DialogView& view, std::vector<uint32_t>& pixels, int& width,
                          int& height);

// The label font in use: a path, or null when the built-in pixel font stands in.
const char* DialogFontPath();
// Tests: a font path to use instead of the search ("" for none); null restores it.
void SetDialogFontForTests(const char* path);

// Test hook: queues a left click (down and up) at client pixels x, y.
void InjectDialogClick(int x, int y);

} // namespace platform
