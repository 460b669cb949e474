#pragma once
// The pictures a canvas shows: the kind is recognised by the file's leading
// bytes and only that kind's decoder is run; nothing is left to guess.

#include <QImage>

#include "shell/values/text.h"

namespace brindlow {

enum class PictureKind { None, Gif, Jpeg, Png, Bmp, Icon, Cursor, Pcx8, Pcx1 };

// Fewer leading bytes than this are never a picture.
inline constexpr std::size_t kPictureMinimumBytes = 8;

// The kind told by the leading bytes; None for anything shorter than
// kPictureMinimumBytes or of no known kind.
PictureKind recognisePicture(const Bytes& bytes);

// The decoded picture (for a GIF its first image), or a null image when the
// bytes are of no known kind or fail to decode. A GIF whose first image is
// cut short counts as failing: the image reader would show a partial one.
QImage decodePicture(const Bytes& bytes);

}  // namespace brindlow
