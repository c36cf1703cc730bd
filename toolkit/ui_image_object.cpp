#include "toolkit/ui_image_object.h"

#include "toolkit/image.h"

UIImageObject::~UIImageObject() { delete image; }
