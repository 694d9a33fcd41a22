// Draws the program's icon from the demo's own artwork: the shield of
// Data/crest.png, cut to a square and scaled down with an area filter to the
// sizes the desktop's hicolor icon theme asks for. The output is committed as
// packaging/icons/vortexel-<size>.png and installed with the program.
//
//   make_icon [CREST [FOLDER]]   (default: Data/crest.png, packaging/icons)
#include <IL/il.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
// The shield's square in the 512 x 512 crest: its opaque part spans x 130-382
// and y 152-441; the square adds a little of the glow around it.
const int kCropX = 105;
const int kCropY = 145;
const int kCropSide = 302;
const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<double> rgba; // premultiplied, 0..1
};

bool Load(const std::string& path, Picture& out)
{
    ILuint image = ilGenImage();
    ilBindImage(image);
    bool ok = ilLoadImage(path.c_str()) == IL_TRUE &&
              ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
    if (ok)
    {
        out.width = ilGetInteger(IL_IMAGE_WIDTH);
        out.height = ilGetInteger(IL_IMAGE_HEIGHT);
        bool upper = ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_UPPER_LEFT;
        const ILubyte* data = ilGetData();
        out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
        for (int y = 0; y < out.height; ++y)
        {
            int row = upper ? y : out.height - 1 - y;
            for (int x = 0; x < out.width; ++x)
            {
                const ILubyte* p = data + (static_cast<size_t>(row) * out.width + x) * 4;
                double a = p[3] / 255.0;
                double* q = &out.rgba[(static_cast<size_t>(y) * out.width + x) * 4];
                for (int c = 0; c < 3; ++c)
                    q[c] = p[c] / 255.0 * a;
                q[3] = a;
            }
        }
    }
    ilDeleteImage(image);
    return ok;
}

// The square (x0, y0, side) of src scaled to size x size: each output pixel is
// the area-weighted mean of the source pixels it covers.
Picture Shrink(const Picture& src, int x0, int y0, int side, int size)
{
    Picture out;
    out.width = out.height = size;
    out.rgba.assign(static_cast<size_t>(size) * size * 4, 0.0);
    double step = static_cast<double>(side) / size;
    for (int oy = 0; oy < size; ++oy)
        for (int ox = 0; ox < size; ++ox)
        {
            double sx0 = x0 + ox * step, sx1 = sx0 + step;
            double sy0 = y0 + oy * step, sy1 = sy0 + step;
            double sum[4] = {0, 0, 0, 0};
            for (int y = static_cast<int>(sy0); y < static_cast<int>(std::ceil(sy1)); ++y)
            {
                double wy = std::min<double>(y + 1, sy1) - std::max<double>(y, sy0);
                for (int x = static_cast<int>(sx0); x < static_cast<int>(std::ceil(sx1)); ++x)
                {
                    double wx = std::min<double>(x + 1, sx1) - std::max<double>(x, sx0);
                    const double* p = &src.rgba[(static_cast<size_t>(y) * src.width + x) * 4];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += p[c] * wx * wy;
                }
            }
            double* q = &out.rgba[(static_cast<size_t>(oy) * size + ox) * 4];
            for (int c = 0; c < 4; ++c)
                q[c] = sum[c] / (step * step);
        }
    return out;
}

bool Save(const Picture& pic, const std::string& path)
{
    std::vector<ILubyte> bytes(pic.rgba.size());
    for (size_t i = 0; i < pic.rgba.size(); i += 4)
    {
        double a = pic.rgba[i + 3];
        for (int c = 0; c < 3; ++c)
        {
            double v = a > 0.0 ? pic.rgba[i + c] / a : 0.0;
            bytes[i + c] = static_cast<ILubyte>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
        }
        bytes[i + 3] = static_cast<ILubyte>(std::lround(std::clamp(a, 0.0, 1.0) * 255.0));
    }
    ILuint image = ilGenImage();
    ilBindImage(image);
    bool ok =
        ilTexImage(pic.width, pic.height, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE, bytes.data()) == IL_TRUE;
    if (ok)
    {
        // The bytes are top row first.
        ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
        ok = ilSave(IL_PNG, path.c_str()) == IL_TRUE;
    }
    ilDeleteImage(image);
    return ok;
}
} // namespace

int main(int argc, char** argv)
{
    std::string source = std::string(VORTEXEL_SOURCE_DIR) + "/";
    std::string crest = argc > 1 ? argv[1] : source + "Data/crest.png";
    std::string folder = argc > 2 ? argv[2] : source + "packaging/icons";

    ilInit();
    ilEnable(IL_FILE_OVERWRITE);
    Picture pic;
    if (!Load(crest, pic) || pic.width < kCropX + kCropSide || pic.height < kCropY + kCropSide)
    {
        std::fprintf(stderr, "make_icon: cannot read a 512 x 512 crest from %s\n", crest.c_str());
        return 1;
    }
    for (int size : kSizes)
    {
        std::string path = folder + "/vortexel-" + std::to_string(size) + ".png";
        if (!Save(Shrink(pic, kCropX, kCropY, kCropSide, size), path))
        {
            std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
