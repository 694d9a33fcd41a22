#pragma once
// Decoded images and the loaders that read them through DevIL.
//
// Every loader returns a TImage by value. On success data holds width x height
// x bpp bytes (rows as DevIL delivers them; channels too, except that the RGB
// variants put red first) and belongs to the caller, who frees it with
// FreeImage once the texture exists.
// On failure the loader has shown the error and posted a quit request, and
// data is null. DevIL must have been initialised (TextureManager::GetInstance).
#include <cstdint>
#include <string>

struct TImage
{
    unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int bpp = 3; // bytes per pixel: 3 (RGB) or 4 (RGBA)
};

// Images decoded ahead on another thread (gfx/ImagePrefetch installs itself
// here): every decode first calls wait, which returns once that thread is done
// with DevIL (one user at a time); LoadTextureImage asks take for a decoded
// image of exactly its path, which then belongs to the caller.
struct DecodedAhead
{
    void (*wait)() = nullptr;
    bool (*take)(const std::string& path, TImage& image) = nullptr;
};
void SetDecodedAhead(const DecodedAhead& source);

// Reads an image from the data folder (or takes it from DecodedAhead when it
// was decoded ahead). Names of 4 characters or fewer are rejected before any
// file is opened.
TImage LoadTextureImage(const std::string& name);
// Any format DevIL decodes; images that are not 3 or 4 bytes per pixel of
// 8-bit channels are converted to RGB, or RGBA when they carry alpha.
TImage LoadImageFile(const std::string& path);
// As LoadImageFile, but reports nothing: data is null on failure.
TImage DecodeImageFile(const std::string& path);
// As LoadImageFile, but always delivers RGB (bpp 3), red first.
TImage LoadJPGImageFile(const std::string& path);
// A Windows BMP file as 24-bit RGB rows, red first (DevIL's own BMP order,
// BGR, is converted; LoadImageFile keeps it).
TImage LoadBMPImageFile(const std::string& path);
// width x height RGBA pixels, all bytes 0.
TImage CreateBlankImage(int width, int height);

// Frees the pixel bytes and leaves data null.
void FreeImage(TImage& image);

// Limits on what the loaders accept, checked against the size the file's
// header declares before decoding and again against the decoded image: no
// side longer than the largest texture GL takes (at most kMaxImageSide), and
// no more than kMaxImageBytes of pixels as RGBA (8192 x 8192). A picture over
// a limit is reported like one that cannot be decoded. Only regular files are
// read.
constexpr int kMaxImageSide = 16384;
constexpr uint64_t kMaxImageBytes = uint64_t(256) << 20;
// The GL maximum texture size, once a context exists; 0 or less restores the
// default.
void SetMaxImageSide(int side);
// Makes DevIL allocate through a bounded allocator; before ilInit, once.
void InstallImageMemoryLimit();
