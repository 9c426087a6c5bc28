// The PNG bytes of the built-in images, generated from resources/ by the build.
#pragma once

#include <cstddef>

struct BuiltInImage {
    const unsigned char* data; // nullptr when the image is missing
    size_t size;
};

constexpr int builtInImageCount = 46;
extern const BuiltInImage builtInImages[builtInImageCount];
