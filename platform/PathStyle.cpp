#include "platform/PathStyle.h"

namespace platform {

const PathStyle& nativePathStyle()
{
    return kPosixPathStyle;
}

} // namespace platform
