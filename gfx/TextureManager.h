#pragma once
// The process-wide texture cache, keyed by file name under the data folder.
//
// Created on first GetInstance, which also tests and initialises DevIL. The
// first GetTexture for a name loads the image and creates the texture; later
// calls with the same name (exact, case-sensitive) return that texture,
// whatever flags they pass. Texture pointers stay valid until ReleaseAll or
// Shutdown. Main thread only, with the window's context current.
#include <list>
#include <string>

class Texture;

struct TextureMap
{
    std::string name; // as the caller passed it, without the data folder
    Texture* texture;
    // How it was made, to make it again (Reload); false for empty textures.
    bool fromFile = false;
    bool mipmaps = false, repeat = false, linear = false;
};

class TextureManager
{
  public:
    // Null (after "Wrong DEVIL Version" and a quit request) when the image
    // library is too old; the next call tests again.
    static TextureManager* GetInstance();

    // Null when the image could not be loaded (already reported, quit posted);
    // nothing is cached then. mipmaps builds a mipmap chain, repeat wraps
    // instead of clamping to the edge, linear filters instead of nearest.
    Texture* GetTexture(std::string name, bool mipmaps, bool repeat, bool linear);
    // Loads and caches without looking for an existing entry.
    Texture* LoadTexture(std::string name, bool mipmaps, bool repeat, bool linear);
    // Live editing: loads the picture of every entry of that name again and
    // puts it behind the same Texture objects (new GL texture, same filters,
    // mipmaps built again), so whoever holds them draws the new picture. A
    // picture that fails to load is reported as at first and the textures keep
    // the last good one. False when nothing was reloaded.
    bool Reload(const std::string& name);
    // A transparent black RGBA texture, linear and repeating, cached under name
    // (a second entry of the same name is possible; GetTexture finds the first).
    bool CreateEmptyTexture(int width, int height, std::string name);

    // Deletes every texture (GL name and object) and empties the cache.
    void ReleaseAll();
    // Shuts the image library down, then ReleaseAll. The instance stays.
    void Shutdown();

    size_t GetCount() const { return m_Textures.size(); }

    // Test hooks: pretend DevIL reports these versions (0 restores the real
    // query), and drop the instance so that GetInstance tests again.
    static void SetVersionOverride(int il, int ilu);
    static void ResetInstance();

  private:
    TextureManager() = default;
    Texture* Register(const std::string& name, Texture* texture);

    std::list<TextureMap*> m_Textures;
};
