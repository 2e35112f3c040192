#include "info/PictureFit.h"

#include <algorithm>

namespace info {

PictureSize fitPicture(PictureSize picture, PictureSize client) {
    const int w = std::max(client.width, 0);
    const int h = std::max(client.height, 0);
    if (picture.width <= 0 || picture.height <= 0)
        return {};
    if (w >= picture.width && h >= picture.height)
        return picture;
    const double ratio = static_cast<double>(picture.width) / picture.height;
    PictureSize shown{w, static_cast<int>(w / ratio)};
    if (shown.height > h)
        shown = {static_cast<int>(h * ratio), h};
    return shown;
}

} // namespace info
