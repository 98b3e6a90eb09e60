#include "model/DerivedValues.h"

DerivedValues &DerivedValues::shared()
{
    static DerivedValues values;
    return values;
}
