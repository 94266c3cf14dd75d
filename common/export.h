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
