// Checking the bound table for every function the run calls.
#include "run/required_host_functions.h"

namespace orvane {

const char* firstMissingRunFunction(const HostApi& api) {
    // Each entry pairs a name with "is it bound"; kept in binding order so that the message
    // names the same function whichever way the table was filled.
    const struct {
        const char* name;
        bool bound;
    } required[] = {
        {"kdGetVersionOfKeldra", api.kdGetVersionOfKeldra != nullptr},
        {"kdShowLogTab", api.kdShowLogTab != nullptr},
        {"kdLogText", api.kdLogText != nullptr},
        {"kdMessageBox", api.kdMessageBox != nullptr},
        {"kdGetIntegerInput", api.kdGetIntegerInput != nullptr},
        {"kdUpdateActiveWindow", api.kdUpdateActiveWindow != nullptr},
        {"kdGetNumberOfDocsInWorkspace", api.kdGetNumberOfDocsInWorkspace != nullptr},
        {"kdGetDocumentType", api.kdGetDocumentType != nullptr},
        {"kdSetAsCurrentDocument", api.kdSetAsCurrentDocument != nullptr},
        {"kdCalculateIAMatrix", api.kdCalculateIAMatrix != nullptr},
        {"kdGetHeaderOfCurrentFMR", api.kdGetHeaderOfCurrentFMR != nullptr},
        {"kdSetHeaderOfCurrentFMR", api.kdSetHeaderOfCurrentFMR != nullptr},
        {"kdGetSTCFloatDataOfCurrentFMR", api.kdGetSTCFloatDataOfCurrentFMR != nullptr},
        {"kdGetSTCIntDataOfCurrentFMR", api.kdGetSTCIntDataOfCurrentFMR != nullptr},
        {"kdSaveFMRAndSTC", api.kdSaveFMRAndSTC != nullptr},
        {"kdGetScannerPositionHeaderOfCurrentFMR", api.kdGetScannerPositionHeaderOfCurrentFMR != nullptr},
        {"kdGetCurrentVMR", api.kdGetCurrentVMR != nullptr},
        {"kdGetMainHeaderOfCurrentVMR", api.kdGetMainHeaderOfCurrentVMR != nullptr},
        {"kdGetScannerPositionHeaderOfCurrentVMR", api.kdGetScannerPositionHeaderOfCurrentVMR != nullptr},
        {"kdGetPastTransformationsHeaderOfCurrentVMR", api.kdGetPastTransformationsHeaderOfCurrentVMR != nullptr},
    };
    static_assert(sizeof required / sizeof required[0] == 20, "the run calls 20 host functions");
    for (const auto& function : required) {
        if (!function.bound) {
            return function.name;
        }
    }
    return nullptr;
}

}  // namespace orvane
