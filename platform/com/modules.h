// Server modules loaded by the runtime, shared by creation and type-library loading.
#pragma once

#include <string>

#include "velmarcom.h"

namespace velmarcom_internal {

// dlopen (RTLD_NOW) of a module path, once per path; modules stay loaded. Null on failure,
// also for a path that is not a regular file (a pipe, a device, a folder).
void* LoadModule(const std::string& path);

// The source named in the error information the runtime itself sets.
inline constexpr const char* kRuntimeSource = "velmarcom";

// Sets the thread's error information to why the registry failed (velmar::registry::
// LastErrorText, which names the file) and returns hr.
HRESULT RegistryFailure(HRESULT hr);

}  // namespace velmarcom_internal
