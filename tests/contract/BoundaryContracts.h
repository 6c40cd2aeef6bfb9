// The contracts every implementation of the boundary keeps, the scripted stand-in included; the
// two toolkits add FormContract.
#pragma once

#include "contract/MessageBoxContract.h"
#include "contract/TrayIconContract.h"
#include "contract/WindowContract.h"

// In namespace vedodud::contract, where the suites are declared.
#define INSTANTIATE_BOUNDARY_CONTRACTS(Prefix, Backend)                \
    INSTANTIATE_TYPED_TEST_SUITE_P(Prefix, WindowContract, Backend);   \
    INSTANTIATE_TYPED_TEST_SUITE_P(Prefix, TrayIconContract, Backend); \
    INSTANTIATE_TYPED_TEST_SUITE_P(Prefix, MessageBoxContract, Backend)
