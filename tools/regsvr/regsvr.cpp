// regsvr: registers an in-process server library in the registry file, or removes its
// registration.
//
//   regsvr [/U] [/S] <library>
//
// Loads the library and calls its DllRegisterServer, or DllUnregisterServer with /U. Messages go
// through the runtime's message hook (stderr) unless /S is given. Exit codes: 0 success,
// 1 bad command line, 3 the library cannot be loaded, 4 the entry point is missing,
// 5 the entry point reported a failure.
#include <dlfcn.h>
#include <sys/stat.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "velmarcom.h"

namespace {

constexpr const char* kCaption = "regsvr";

bool IsSwitch(const std::string& arg, char letter) {
  if (arg.size() != 2 || (arg[0] != '/' && arg[0] != '-')) return false;
  char c = arg[1];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return c == letter;
}

std::string HexCode(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

int Run(int argc, char** argv) {
  bool unregister = false, silent = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (IsSwitch(a, 'U'))
      unregister = true;
    else if (IsSwitch(a, 'S'))
      silent = true;
    else
      files.push_back(a);
  }
  auto say = [&](const std::string& text) {
    if (!silent) VcomMessageBox(text.c_str(), kCaption, MB_OK);
  };
  if (files.size() != 1) {
    say("Usage: regsvr [/U] [/S] <library>\n/U - Unregister server\n/S - Silent; display no message boxes");
    return 1;
  }
  std::string file = files[0];
  // A bare file name means the current folder, not the loader's search path.
  std::string path = file.find('/') == std::string::npos ? "./" + file : file;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved)) path = resolved;

  // Only a regular file is loaded: a pipe or a device would make the loader wait or read without end.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    say("Loading \"" + file + "\" failed: not a library file");
    return 3;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    say("Loading \"" + file + "\" failed: " + (why ? why : "unknown error"));
    CoUninitialize();
    return 3;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto fn = reinterpret_cast<DllRegisterServerFn>(::dlsym(handle, entry));
  if (!fn) {
    say(file + " was loaded, but the " + entry + " entry point was not found.");
    CoUninitialize();
    return 4;
  }
  HRESULT hr = fn();
  CoUninitialize();
  if (FAILED(hr)) {
    std::string text = std::string(entry) + " in " + file + " failed.\nReturn code was: " + HexCode(hr);
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
      Bstr description;
      if (SUCCEEDED(info->GetDescription(description.out())) && description.length() > 0)
        text += "\n" + description.str();
      info->Release();
    }
    say(text);
    return 5;
  }
  say(std::string(entry) + " in " + file + " succeeded.");
  return 0;  // the library stays loaded until the process ends
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (...) {
    std::fputs("regsvr: unexpected failure\n", stderr);
    return 5;
  }
}
