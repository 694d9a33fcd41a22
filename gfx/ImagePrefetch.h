#pragma once
// Decodes images on a second thread while start-up opens the window and the
// sound, so that the effects' texture loads behind the loading screen only
// upload. DevIL keeps global state and is not thread-safe: while a prefetch
// runs only its thread calls DevIL, and every DevIL user on the main thread
// waits for it first (Wait). A prefetch reports nothing: an image that fails
// to decode is not kept, and its ordinary load reports it at the usual moment,
// so reports come in the same order as without a prefetch.
#include <string>
#include <vector>

struct TImage;

class ImagePrefetch
{
  public:
    // The names of a folder's image files (by extension), in name order, at
    // most 32 of them and 64 MB of files in all: what a demo's effects are
    // likely to ask for.
    static std::vector<std::string> ImageFiles(const std::string& folder);
    // Start on the data folder's image files, by the paths LoadTextureImage
    // gives them.
    static void StartForDataFolder();

    // Starts decoding the given paths on a second thread. Does nothing while
    // another prefetch has images or is running.
    static void Start(std::vector<std::string> paths);
    // Returns once the decoding thread has finished.
    static void Wait();
    // Hands over the decoded image of exactly this path (the caller frees it)
    // and true; false when it was not decoded ahead.
    static bool Take(const std::string& path, TImage& image);
    // Frees every image nobody took.
    static void Discard();
    static size_t Pending();
};
