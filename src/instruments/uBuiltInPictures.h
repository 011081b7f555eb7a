// The instruments' built-in pictures, shipped as resources of the library.
#pragma once

#include <QImage>
#include <string_view>

namespace qx {

// The picture of that name ("ausgang4", "QXBmpButtonUp", ...); a null image
// for an unknown name.
QImage BuiltInPicture(std::string_view name);

}  // namespace qx
