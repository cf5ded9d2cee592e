// Server modules loaded by the runtime, shared by creation and type-library loading.
#pragma once

#include <string>

namespace velmarcom_internal {

// dlopen (RTLD_NOW) of a module path, once per path; modules stay loaded. Null on failure.
void* LoadModule(const std::string& path);

}  // namespace velmarcom_internal
