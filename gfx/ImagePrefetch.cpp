#include "gfx/ImagePrefetch.h"

#include "gfx/TImage.h"
#include "platform/Paths.h"

#include <IL/il.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <system_error>
#include <thread>

namespace
{

const size_t kMaxFiles = 32;
const uintmax_t kMaxBytes = 64u << 20;

// The decoded images by path. Only the decoding thread writes it, and only
// before Wait returns; the main thread reads it only after.
struct Prefetch
{
    std::thread worker;
    std::map<std::string, TImage> images;
    ~Prefetch() // whatever path the program leaves by, nothing is left behind
    {
        if (worker.joinable())
            worker.join();
        for (auto& entry : images)
            FreeImage(entry.second);
    }
} prefetch;

thread_local bool decodingThread = false;

bool IsImageName(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* ext : {".jpg", ".jpeg", ".png", ".bmp", ".tga"})
    {
        size_t n = std::char_traits<char>::length(ext);
        if (name.size() > n && name.compare(name.size() - n, n, ext) == 0)
            return true;
    }
    return false;
}

void Decode(std::vector<std::string> paths, std::map<std::string, TImage>* out)
{
    decodingThread = true;
    InstallImageMemoryLimit();
    ilInit();
    for (const std::string& path : paths)
    {
        TImage image = DecodeImageFile(path);
        if (image.data)
            (*out)[path] = image;
    }
}

} // namespace

void ImagePrefetch::StartForDataFolder()
{
    std::vector<std::string> paths;
    for (const std::string& name : ImageFiles(platform::DataFolder()))
        paths.push_back(platform::DataPath(name)); // as LoadTextureImage names them
    Start(std::move(paths));
}

std::vector<std::string> ImagePrefetch::ImageFiles(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && IsImageName(it->path().filename().string()))
            names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> kept;
    uintmax_t bytes = 0;
    for (const std::string& name : names)
    {
        uintmax_t size = fs::file_size(fs::path(folder) / name, ec);
        if (ec || kept.size() == kMaxFiles || bytes + size > kMaxBytes)
            continue;
        bytes += size;
        kept.push_back(name);
    }
    return kept;
}

void ImagePrefetch::Start(std::vector<std::string> paths)
{
    if (prefetch.worker.joinable() || !prefetch.images.empty() || paths.empty())
        return;
#ifdef __EMSCRIPTEN__
    // Browser build: one thread, and the browser decodes; every picture is
    // decoded when an effect asks for it.
    return;
#endif
    SetDecodedAhead(DecodedAhead{&ImagePrefetch::Wait, &ImagePrefetch::Take});
    prefetch.worker = std::thread(Decode, std::move(paths), &prefetch.images);
}

void ImagePrefetch::Wait()
{
    if (!decodingThread && prefetch.worker.joinable())
        prefetch.worker.join();
}

bool ImagePrefetch::Take(const std::string& path, TImage& image)
{
    Wait();
    auto it = prefetch.images.find(path);
    if (it == prefetch.images.end())
        return false;
    image = it->second;
    prefetch.images.erase(it);
    return true;
}

void ImagePrefetch::Discard()
{
    Wait();
    for (auto& entry : prefetch.images)
        FreeImage(entry.second);
    prefetch.images.clear();
}

size_t ImagePrefetch::Pending()
{
    Wait();
    return prefetch.images.size();
}
