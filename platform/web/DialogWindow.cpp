// Browser build only: the start-up dialog as the page's start screen. The
// dialog's behaviour (app/StartupDialog) is the desktop's; this draws its view
// as elements over the canvas (the banner, the check box "Fullscreen", the
// buttons "cowee" and "exit", at the dialog's own pixel positions) and hands
// back the mouse and keys it gets. The click on "cowee" is the gesture after
// which the browser lets the page start sound and go full screen.
#include "platform/DialogWindow.h"

#include "platform/Events.h"

#include <emscripten.h>

#include <string>

// clang-format off
EM_JS(int, vortexel_dialog_open, (int width, int height, const unsigned char* bitmap, int bitmapSize), {
    const stage = document.getElementById("stage");
    if (!stage)
        return 0;
    let screen = document.getElementById("startscreen");
    if (screen)
        screen.remove();
    screen = document.createElement("div");
    screen.id = "startscreen";
    const dialog = document.createElement("div");
    dialog.className = "dialog";
    dialog.style.width = width + "px";
    dialog.style.height = height + "px";
    if (bitmap && bitmapSize > 0) {
        const banner = document.createElement("img");
        banner.className = "banner";
        banner.alt = "";
        banner.src = URL.createObjectURL(
            new Blob([HEAPU8.slice(bitmap, bitmap + bitmapSize)], {type: "image/bmp"}));
        dialog.appendChild(banner);
    }
    screen.appendChild(dialog);
    stage.appendChild(screen);

    const inputs = [];
    let waiter = null;
    const push = (input) => {
        inputs.push(input);
        if (waiter) {
            const w = waiter;
            waiter = null;
            w();
        }
    };
    const at = (e) => {
        const r = dialog.getBoundingClientRect();
        return [Math.floor((e.clientX - r.left) * width / r.width),
                Math.floor((e.clientY - r.top) * height / r.height)];
    };
    dialog.addEventListener("mousedown", (e) => {
        if (e.button != 0) return;
        e.preventDefault();
        const [x, y] = at(e);
        push({kind: 1, x: x, y: y, key: 0, shift: 0});
    });
    window.addEventListener("mouseup", screen.onUp = (e) => {
        if (e.button != 0) return;
        const [x, y] = at(e);
        push({kind: 2, x: x, y: y, key: 0, shift: 0});
    });
    const keys = {Tab: 9, Enter: 13, Escape: 27, " ": 32};
    window.addEventListener("keydown", screen.onKey = (e) => {
        const key = keys[e.key] || 0x1000;
        if (key == 9 || key == 32) e.preventDefault();
        push({kind: 3, x: 0, y: 0, key: key, shift: e.shiftKey ? 1 : 0});
    });
    Module.vortexelDialog = {
        screen: screen,
        dialog: dialog,
        next: (timeout) => new Promise((resolve) => {
            if (inputs.length) { resolve(inputs.shift()); return; }
            const timer = setTimeout(() => { waiter = null; resolve(null); }, timeout);
            waiter = () => { clearTimeout(timer); resolve(inputs.shift()); };
        }),
    };
    return 1;
});

EM_JS(void, vortexel_dialog_clear, (), {
    const d = Module.vortexelDialog;
    if (d)
        d.dialog.querySelectorAll(".control").forEach((c) => c.remove());
});

EM_JS(void, vortexel_dialog_control, (int kind, int x, int y, int w, int h, const char* text,
                                      int checked, int focused, int pressed), {
    const d = Module.vortexelDialog;
    if (!d)
        return;
    const c = document.createElement("div");
    c.className = "control " + (kind == 0 ? "checkbox" : "button") + (checked ? " checked" : "") +
                  (focused ? " focused" : "") + (pressed ? " pressed" : "");
    c.style.left = x + "px";
    c.style.top = y + "px";
    c.style.width = w + "px";
    c.style.height = h + "px";
    const label = document.createElement("span");
    label.textContent = UTF8ToString(text);
    c.appendChild(label);
    d.dialog.appendChild(c);
});

EM_JS(void, vortexel_dialog_close, (), {
    const d = Module.vortexelDialog;
    if (!d)
        return;
    window.removeEventListener("mouseup", d.screen.onUp);
    window.removeEventListener("keydown", d.screen.onKey);
    d.screen.remove();
    Module.vortexelDialog = null;
});

EM_ASYNC_JS(int, vortexel_dialog_wait, (int timeout, int* out), {
    const d = Module.vortexelDialog;
    if (!d)
        return 0;
    const input = await d.next(timeout);
    if (!input)
        return 0;
    HEAP32[out >> 2] = input.kind;
    HEAP32[(out >> 2) + 1] = input.x;
    HEAP32[(out >> 2) + 2] = input.y;
    HEAP32[(out >> 2) + 3] = input.key;
    HEAP32[(out >> 2) + 4] = input.shift;
    return 1;
});
// clang-format on

namespace platform
{

struct DialogWindow
{
    int width = 0;
    int height = 0;
};

namespace
{
void DrawControls(const DialogView& view)
{
    vortexel_dialog_clear();
    for (const DialogControlView& c : view.controls)
        vortexel_dialog_control(c.kind == DialogControlKind::CheckBox ? 0 : 1, c.rect.x, c.rect.y,
                                c.rect.w, c.rect.h, c.text, c.checked, c.focused, c.pressed);
}
} // namespace

DialogWindow* OpenDialogWindow(const DialogView& view, const char*& error)
{
    if (!vortexel_dialog_open(view.clientWidth, view.clientHeight, view.bitmap,
                              static_cast<int>(view.bitmapSize)))
    {
        error = "the page has no stage for the start screen";
        return nullptr;
    }
    DrawControls(view);
    auto* window = new DialogWindow;
    window->width = view.clientWidth;
    window->height = view.clientHeight;
    return window;
}

void CloseDialogWindow(DialogWindow* window)
{
    vortexel_dialog_close();
    delete window;
}

void DrawDialogWindow(DialogWindow*, const DialogView& view)
{
    DrawControls(view);
}

bool WaitDialogInput(DialogWindow*, DialogInput& out, int timeoutMs)
{
    int input[5] = {};
    if (!vortexel_dialog_wait(timeoutMs, input))
        return false;
    out = DialogInput();
    out.kind = input[0] == 1   ? DialogInputKind::MouseDown
               : input[0] == 2 ? DialogInputKind::MouseUp
                               : DialogInputKind::KeyDown;
    out.x = input[1];
    out.y = input[2];
    out.key = input[3];
    out.shift = input[4] != 0;
    return true;
}

bool ReadDialogWindowPixels(DialogWindow*, std::vector<uint32_t>&, int&, int&)
{
    return false;
}

bool RenderDialogToPixels(const DialogView&, std::vector<uint32_t>&, int&, int&)
{
    return false;
}

const char* DialogFontPath()
{
    return nullptr; // the page's own font
}

void SetDialogFontForTests(const char*) {}

void InjectDialogClick(int, int) {}

} // namespace platform
