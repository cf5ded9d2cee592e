#include "polarmaps.h"
#include <gtest/gtest.h>
