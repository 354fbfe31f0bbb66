#pragma once

#include <string>

namespace records {

// A random (version 4) UUID as 36 lower-case characters, "0f9e1c42-7a3d-4b6e-9c1f-2d8a5e7b3c10":
// the form run ids have always had, so that ids made before and after read alike.
std::string randomUuid();

} // namespace records
