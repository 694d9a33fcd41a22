#include "gfx/TextureManager.h"

#include "core/DataFiles.h"
#include "core/ErrorBox.h"
#include "gfx/ImagePrefetch.h"
#include "gfx/TImage.h"
#include "gfx/Texture.h"
#include "platform/Events.h"

#include "platform/Paths.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <epoxy/gl.h>

namespace
{
TextureManager* Instance = nullptr;
int ilVersionOverride = 0;
int iluVersionOverride = 0;

// The oldest DevIL whose behaviour the loaders rely on. ILUT is not linked
// (Debian's build drags SDL 1.2 and Allegro into the process), so only the two
// linked components are tested.
const int kMinimumVersion = 167;

int IlVersion()
{
    return ilVersionOverride ? ilVersionOverride : ilGetInteger(IL_VERSION_NUM);
}
int IluVersion()
{
    return iluVersionOverride ? iluVersionOverride : iluGetInteger(ILU_VERSION_NUM);
}
} // namespace

TextureManager* TextureManager::GetInstance()
{
    if (Instance)
        return Instance;
    ImagePrefetch::Wait(); // DevIL has one user at a time
    if (IlVersion() < kMinimumVersion || IluVersion() < kMinimumVersion)
    {
        ShowError("Texture Loader", "Wrong DEVIL Version");
        platform::PostQuitRequest(true);
        return nullptr;
    }
    InstallImageMemoryLimit();
    ilInit();
    // iluErrorString needs ILU's tables: without this the first load error
    // would crash instead of being reported.
    iluInit();
    Instance = new TextureManager;
    return Instance;
}

Texture* TextureManager::GetTexture(std::string name, bool mipmaps, bool repeat, bool linear)
{
    for (TextureMap* entry : m_Textures)
        if (entry->name == name)
            return entry->texture;
    return LoadTexture(name, mipmaps, repeat, linear);
}

namespace
{
// The texture of an image with the cache's three choices.
void Upload(Texture& texture, const TImage& image, bool mipmaps, bool repeat, bool linear)
{
    GLint filter = linear ? GL_LINEAR : GL_NEAREST;
    GLint wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    if (mipmaps)
        texture.CreateMipmapped(image, filter, filter, wrap, wrap);
    else
        texture.Create(image, filter, filter, wrap, wrap);
}
} // namespace

Texture* TextureManager::LoadTexture(std::string name, bool mipmaps, bool repeat, bool linear)
{
    NoteDataFile(DataFileKind::Picture, platform::DataPath(name), name);
    TImage image = LoadTextureImage(name);
    if (!image.data)
        return nullptr;
    auto* texture = new Texture;
    Upload(*texture, image, mipmaps, repeat, linear);
    FreeImage(image);
    Register(name, texture);
    TextureMap* entry = m_Textures.back();
    entry->fromFile = true;
    entry->mipmaps = mipmaps;
    entry->repeat = repeat;
    entry->linear = linear;
    return texture;
}

bool TextureManager::Reload(const std::string& name)
{
    // Uploading binds and disables; between frames nobody should notice.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    const GLboolean enabled = glIsEnabled(GL_TEXTURE_2D);
    bool reloaded = false;
    for (TextureMap* entry : m_Textures)
    {
        if (!entry->fromFile || entry->name != name)
            continue;
        TImage image = LoadTextureImage(name);
        if (!image.data)
            break; // reported; the texture keeps its picture
        Texture fresh;
        Upload(fresh, image, entry->mipmaps, entry->repeat, entry->linear);
        FreeImage(image);
        if (static_cast<GLuint>(bound) == entry->texture->id)
            bound = static_cast<GLint>(fresh.id); // a deleted name must not be bound again
        entry->texture->Delete();
        *entry->texture = fresh; // the same object, the new GL texture
        reloaded = true;
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    if (enabled)
        glEnable(GL_TEXTURE_2D);
    return reloaded;
}

bool TextureManager::CreateEmptyTexture(int width, int height, std::string name)
{
    TImage image = CreateBlankImage(width, height);
    auto* texture = new Texture;
    texture->Create(image, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    FreeImage(image);
    Register(name, texture);
    return true;
}

Texture* TextureManager::Register(const std::string& name, Texture* texture)
{
    m_Textures.push_back(new TextureMap{name, texture});
    return texture;
}

void TextureManager::ReleaseAll()
{
    for (TextureMap* entry : m_Textures)
    {
        entry->texture->Delete();
        delete entry->texture;
        delete entry;
    }
    m_Textures.clear();
}

void TextureManager::Shutdown()
{
    ImagePrefetch::Discard();
    ilShutDown();
    ReleaseAll();
}

void TextureManager::SetVersionOverride(int il, int ilu)
{
    ilVersionOverride = il;
    iluVersionOverride = ilu;
}

void TextureManager::ResetInstance()
{
    if (Instance)
        Instance->ReleaseAll();
    delete Instance;
    Instance = nullptr;
}
