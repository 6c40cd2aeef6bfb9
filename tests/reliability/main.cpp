// The reliability suite runs inside a private network when the machine allows one, so that even
// real name lookups cannot leave loopback; tests that need it skip otherwise.
#include <gtest/gtest.h>

#include <iostream>

#include "PrivateNetwork.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (const std::string why = vedodud::reliability::EnterPrivateNetwork(); !why.empty()) {
        std::cerr << vedodud::reliability::NoPrivateNetwork() << "; name lookup cases will skip\n";
    }
    return RUN_ALL_TESTS();
}
