#include "sat.h"

TSat EmptySat;
