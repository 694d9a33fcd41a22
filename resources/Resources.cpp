#include "resources/Resources.h"

#include "resources/banner_data.h"

ResourceBytes BannerBitmap()
{
    return ResourceBytes{k_banner_data, k_banner_data_size};
}
