#pragma once
// Tests trust an authority made at test time; the Windows service only trusts Windows' certificate
// store.

namespace lc::platform {

// Adds the authorities of the tests' trusted-certificates file, if one is set, to the user's
// root store; true when there is none or all were added.
bool trust_test_authorities();

}  // namespace lc::platform
