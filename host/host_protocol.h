// What the host and a plug-in agree on beyond the function signatures and the records: the
// numbers the host uses for document and data types, the oldest host version this plug-in runs
// on, and the sentences with which it refuses an older one.
#pragma once

#include <cstdint>

namespace orvane {

// Document types, as kdGetDocumentType reports them.
constexpr int kFmrDocumentType = 1;
constexpr int kVmrDocumentType = 3;

// The data types of an FMR's time course, as its header's data-type field holds them.
constexpr std::int32_t kFmrDataInt16 = 1;    // 16-bit signed integers
constexpr std::int32_t kFmrDataFloat32 = 2;  // 32-bit floats

// A host version as kdGetVersionOfKeldra reports it.
struct HostVersion {
    int major;
    int minor;
    int sub;
};

// The oldest host the plug-in runs on.
constexpr HostVersion kMinimumHostVersion{2, 1, 0};

// What an older host is shown in a message box by each entry point: initPlugin, when the host
// registers the plug-in, and execute, when it runs it. The two are worded differently (2.1 and
// 2.1.0), and users know each as it is.
constexpr const char* kInitPluginVersionRefusal =
    "Can not execute this plugin - Keldra version 2.1 or higher required.";
constexpr const char* kExecuteVersionRefusal = "Can not execute this plugin - Keldra version 2.1.0 or higher required.";

}  // namespace orvane
