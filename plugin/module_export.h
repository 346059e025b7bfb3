// Marks what the module exports to the host. Everything else is built with hidden
// visibility, so only the symbols marked here leave orvaneplugin.so / orvaneplugin.dll.
#pragma once

#if defined(_WIN32)
#if defined(ORVANE_BUILDING_MODULE)
#define ORVANE_EXPORT __declspec(dllexport)
#else
#define ORVANE_EXPORT
#endif
#else
#define ORVANE_EXPORT __attribute__((visibility("default")))
#endif
