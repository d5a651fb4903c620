// Shrinking a failing input: delete chunks of it while the failure persists,
// so that a generated case can be reported as a small one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kelvane::test_support {

// Returns a text, no longer than `input`, for which `still_fails` holds
// (`input` itself must fail). Tries chunks from half the text down to single
// bytes; stops after `max_tries` calls of `still_fails`.
std::string Shrink(std::string input, const std::function<bool(std::string_view)>& still_fails,
                   size_t max_tries = 4000);

}  // namespace kelvane::test_support
