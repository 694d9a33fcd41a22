#pragma once
// A GL 2D texture made from a TImage. Created and deleted while the window's
// context is current. Texture objects handed out by the TextureManager stay
// valid until its ReleaseAll or Shutdown.
struct TImage;

class Texture
{
  public:
    // Uploads image (3 or 4 bytes per pixel) with the given filters and wrap
    // modes, setting exactly those four parameters. Leaves 2D texturing
    // disabled and the new texture bound. False, creating nothing, when the
    // image has no data.
    bool Create(const TImage& image, int minFilter, int magFilter, int wrapS, int wrapT);
    // As Create, with a full mipmap chain (non-power-of-two images are scaled).
    bool CreateMipmapped(const TImage& image, int minFilter, int magFilter, int wrapS, int wrapT);

    void Bind();   // enables 2D texturing and binds this texture
    void Unbind(); // binds texture 0; 2D texturing stays enabled
    // Deletes the GL texture name; the object stays, with id 0. Without a
    // current context the name has already gone with its context.
    void Delete();

    int components = 0; // 3 or 4
    unsigned id = 0;    // GL texture name
    int width = 0;
    int height = 0;

  private:
    bool Upload(const TImage& image, int minFilter, int magFilter, int wrapS, int wrapT,
                bool mipmapped);
};
