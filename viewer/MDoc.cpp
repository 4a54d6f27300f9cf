#include "viewer/MDoc.h"

TDoubleRect TMDoc::GetExtent() { return TDoubleRect{}; }
