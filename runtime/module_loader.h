// The platform's part of loading modules: libraries, symbols, directories.
#pragma once

#include <filesystem>
#include <string>

namespace apprt::detail {

// The file of module `name` in `dir` ("libkvdlink.so", "kvdlink.dll").
std::filesystem::path moduleFile(const std::filesystem::path& dir, const std::string& name);
// Loads the library and keeps it mapped for the process's life: classes it
// creates stay registered, and their methods are its code. nullptr on
// failure, with the system's reason in `why`.
void* openLibrary(const std::filesystem::path& path, std::string& why);
void* findSymbol(void* library, const char* name);

}  // namespace apprt::detail
