// Browser build only: the page's services (WebPage.h, WebImage.h).
#include "platform/web/WebImage.h"
#include "platform/web/WebPage.h"

#include <emscripten.h>

#include <cstdlib>

// clang-format off
EM_JS(char*, vortexel_query_value, (const char* name), {
    const params = new URLSearchParams(location.search);
    const key = UTF8ToString(name);
    if (!params.has(key))
        return 0;
    const value = params.get(key) || "";
    const size = lengthBytesUTF8(value) + 1;
    const out = _malloc(size);
    stringToUTF8(value, out, size);
    return out;
});

EM_ASYNC_JS(void, vortexel_wait_frame, (), {
    await new Promise((resolve) => requestAnimationFrame(() => resolve()));
});

EM_ASYNC_JS(void, vortexel_yield, (), {
    await new Promise((resolve) => setTimeout(resolve, 0));
});

EM_JS(void, vortexel_show_report, (const char* caption, const char* text), {
    const panel = document.getElementById("reports");
    if (!panel)
        return;
    const box = document.createElement("div");
    box.className = "report";
    const title = document.createElement("b");
    title.textContent = UTF8ToString(caption);
    const body = document.createElement("pre");
    body.textContent = UTF8ToString(text);
    box.appendChild(title);
    box.appendChild(body);
    panel.appendChild(box);
    panel.hidden = false;
});

EM_JS(int, vortexel_request_fullscreen, (), {
    const stage = document.getElementById("stage");
    if (!stage || !stage.requestFullscreen)
        return 0;
    try {
        stage.requestFullscreen().catch((e) => console.log("vortexel: full screen refused: " + e));
    } catch (e) {
        return 0;
    }
    return 1;
});

EM_JS(void, vortexel_exit_fullscreen, (), {
    if (document.fullscreenElement)
        document.exitFullscreen().catch(() => {});
});

EM_JS(void, vortexel_set_state, (const char* state), {
    const text = UTF8ToString(state);
    document.body.dataset.state = text;
    if (text == "frame ready")
        document.title = text;
});

EM_ASYNC_JS(int, vortexel_decode_picture, (const unsigned char* bytes, int size, int* width,
                                          int* height, unsigned char** pixels), {
    try {
        const blob = new Blob([HEAPU8.slice(bytes, bytes + size)]);
        const bitmap = await createImageBitmap(
            blob, {premultiplyAlpha: "none", colorSpaceConversion: "none"});
        const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
        const context = canvas.getContext("2d", {willReadFrequently: true});
        context.drawImage(bitmap, 0, 0);
        const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
        const out = _malloc(data.length);
        HEAPU8.set(data, out);
        HEAP32[width >> 2] = bitmap.width;
        HEAP32[height >> 2] = bitmap.height;
        HEAPU32[pixels >> 2] = out;
        bitmap.close();
        return 1;
    } catch (e) {
        return 0;
    }
});
// clang-format on

namespace platform::web
{

namespace
{
bool pacing = true;
}

void SetFramePacing(bool on)
{
    pacing = on;
}

bool FramePacing()
{
    return pacing;
}

bool QueryValue(const char* name, std::string& value)
{
    char* text = vortexel_query_value(name);
    if (!text)
        return false;
    value = text;
    std::free(text);
    return true;
}

void WaitForNextFrame()
{
    vortexel_wait_frame();
}

void YieldToBrowser()
{
    vortexel_yield();
}

void ShowReport(const char* caption, const std::string& text)
{
    vortexel_show_report(caption, text.c_str());
}

bool RequestFullscreen()
{
    return vortexel_request_fullscreen() != 0;
}

void ExitFullscreen()
{
    vortexel_exit_fullscreen();
}

void SetPageState(const char* state)
{
    vortexel_set_state(state);
}

bool DecodePicture(const unsigned char* bytes, size_t size, DecodedPicture& picture)
{
    int width = 0;
    int height = 0;
    unsigned char* pixels = nullptr;
    if (!vortexel_decode_picture(bytes, static_cast<int>(size), &width, &height, &pixels))
        return false;
    picture.width = width;
    picture.height = height;
    picture.rgba.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
    std::free(pixels);
    return true;
}

} // namespace platform::web
