// The one export macro: marks what a library of ours shows to the others.
#pragma once

// Everything is hidden by default (CMake sets -fvisibility=hidden); APPRT_API
// opens a symbol to other modules. On Windows the runtime's own build exports
// and everyone else imports, so the runtime sets APPRT_BUILDING_RUNTIME.
#if defined(_WIN32)
#  if defined(APPRT_BUILDING_RUNTIME)
#    define APPRT_API __declspec(dllexport)
#  else
#    define APPRT_API __declspec(dllimport)
#  endif
#  define APPRT_MODULE_ENTRY extern "C" __declspec(dllexport)
#else
#  define APPRT_API __attribute__((visibility("default")))
#  define APPRT_MODULE_ENTRY extern "C" __attribute__((visibility("default")))
#endif

// Exports a module's function under its own name as well, for a host that
// looks it up in the library itself (GetProcAddress(kvdlink, "KVD")). The
// runtime's function table stays the way every call goes here.
#if defined(__clang__)
#  define APPRT_EXPORT_NAMED(name, fn)                                                      \
    _Pragma("clang diagnostic push")                                                       \
    _Pragma("clang diagnostic ignored \"-Wreturn-type-c-linkage\"")                        \
    APPRT_MODULE_ENTRY ::apprt::Value name(::apprt::Args args) { return fn(args); }         \
    _Pragma("clang diagnostic pop")
#else
#  define APPRT_EXPORT_NAMED(name, fn) \
    APPRT_MODULE_ENTRY ::apprt::Value name(::apprt::Args args) { return fn(args); }
#endif
