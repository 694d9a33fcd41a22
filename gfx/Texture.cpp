#include "gfx/Texture.h"

#include "gfx/TImage.h"
#include "platform/GLWindow.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

bool Texture::Create(const TImage& image, int minFilter, int magFilter, int wrapS, int wrapT)
{
    return Upload(image, minFilter, magFilter, wrapS, wrapT, false);
}

bool Texture::CreateMipmapped(const TImage& image, int minFilter, int magFilter, int wrapS,
                              int wrapT)
{
    return Upload(image, minFilter, magFilter, wrapS, wrapT, true);
}

bool Texture::Upload(const TImage& image, int minFilter, int magFilter, int wrapS, int wrapT,
                     bool mipmapped)
{
    if (!image.data)
        return false;
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);

    if (image.bpp == 3 || image.bpp == 4)
    {
        // Image rows are tightly packed; GL's default 4-byte row alignment
        // would read past the end of RGB rows whose width is not a multiple of 4.
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        GLenum format = image.bpp == 4 ? GL_RGBA : GL_RGB;
        if (mipmapped)
            gluBuild2DMipmaps(GL_TEXTURE_2D, image.bpp, image.width, image.height, format,
                              GL_UNSIGNED_BYTE, image.data);
        else
            glTexImage2D(GL_TEXTURE_2D, 0, image.bpp, image.width, image.height, 0, format,
                         GL_UNSIGNED_BYTE, image.data);
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    }

    components = image.bpp;
    width = image.width;
    height = image.height;
    glDisable(GL_TEXTURE_2D);
    return true;
}

void Texture::Bind()
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, id);
}

void Texture::Unbind()
{
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Texture::Delete()
{
    if (id != 0 && platform::IsGLContextCurrent())
        glDeleteTextures(1, &id);
    id = 0;
}
