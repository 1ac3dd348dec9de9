// The one piece of DYNARRAY that is not a template: the lock that serialises sorting.
#include "dynarray.h"

CRITSECT& DynarraySortLock()
{
    static CRITSECT* lock = new CRITSECT;  // lives as long as arrays of static storage may sort
    return *lock;
}
