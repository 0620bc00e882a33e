#include <gtest/gtest.h>
#include "core/buffers.h"
#include "core/random.h"

using namespace tormel;

TEST(Random, FirstDrawsFromTheInitialSeed)
{
    resetrand();
    int want[5] = {19029, 23522, 17726, 8243, 12870};
    for (int w : want) EXPECT_EQ(tormel::rand(), w);
}
