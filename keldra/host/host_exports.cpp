// The host API: all 152 host functions, exported by name with C linkage from the keldra
// executable so that the module finds them with the dynamic loader. The 20 the module calls
// forward to the active HostSession; the others say that this host does not provide them and
// return failure. Nothing escapes these functions as an exception.
#include <cstdio>
#include <exception>
#include <type_traits>

#include "host/host_function_list.h"
#include "host/host_function_types.h"
#include "keldra/host/host_session.h"

#if defined(_WIN32)
#define KELDRA_HOST_EXPORT __declspec(dllexport)
#else
#define KELDRA_HOST_EXPORT __attribute__((visibility("default")))
#endif

using orvane::FmrHeader;
using orvane::PastTransformations;
using orvane::PositionHeader;
using orvane::VmrHeader;
using orvane::keldra::HostSession;

namespace {

template <typename Result, typename Body>
Result hostCall(const char* name, Result failure, Body body) noexcept {
    HostSession* session = orvane::keldra::activeHostSession();
    if (session == nullptr) {
        std::fprintf(stderr, "keldra: %s was called while no workspace is open\n", name);
        return failure;
    }
    try {
        try {
            return body(*session);
        } catch (const std::exception& e) {
            session->internalFailure(name, e.what());
        } catch (...) {
            session->internalFailure(name, "unexpected failure");
        }
    } catch (...) {
        std::fprintf(stderr, "keldra: %s failed\n", name);
    }
    return failure;
}

}  // namespace

extern "C" {

KELDRA_HOST_EXPORT bool kdGetVersionOfKeldra(int* major, int* minor, int* subVersion) noexcept {
    return hostCall("kdGetVersionOfKeldra", false, [&](HostSession& s) { return s.getVersion(major, minor, subVersion); });
}

KELDRA_HOST_EXPORT bool kdShowLogTab() noexcept {
    return hostCall("kdShowLogTab", false, [&](HostSession& s) { return s.showLogTab(); });
}

KELDRA_HOST_EXPORT bool kdLogText(const char* text) noexcept {
    return hostCall("kdLogText", false, [&](HostSession& s) { return s.logText(text); });
}

KELDRA_HOST_EXPORT bool kdMessageBox(const char* text) noexcept {
    return hostCall("kdMessageBox", false, [&](HostSession& s) { return s.messageBox(text); });
}

KELDRA_HOST_EXPORT int kdGetIntegerInput(const char* prompt, int defaultValue, int minimum, int maximum) noexcept {
    return hostCall("kdGetIntegerInput", defaultValue,
                    [&](HostSession& s) { return s.integerInput(prompt, defaultValue, minimum, maximum); });
}

KELDRA_HOST_EXPORT int kdGetNumberOfDocsInWorkspace() noexcept {
    return hostCall("kdGetNumberOfDocsInWorkspace", 0, [&](HostSession& s) { return s.numberOfDocuments(); });
}

KELDRA_HOST_EXPORT int kdGetDocumentType(int documentIndex) noexcept {
    return hostCall("kdGetDocumentType", 0, [&](HostSession& s) { return s.documentTypeOf(documentIndex); });
}

KELDRA_HOST_EXPORT bool kdSetAsCurrentDocument(int documentIndex) noexcept {
    return hostCall("kdSetAsCurrentDocument", false, [&](HostSession& s) { return s.setCurrentDocument(documentIndex); });
}

KELDRA_HOST_EXPORT bool kdGetHeaderOfCurrentFMR(FmrHeader* header) noexcept {
    return hostCall("kdGetHeaderOfCurrentFMR", false, [&](HostSession& s) { return s.getFmrHeader(header); });
}

KELDRA_HOST_EXPORT bool kdSetHeaderOfCurrentFMR(FmrHeader* header) noexcept {
    return hostCall("kdSetHeaderOfCurrentFMR", false, [&](HostSession& s) { return s.setFmrHeader(header); });
}

KELDRA_HOST_EXPORT bool kdGetScannerPositionHeaderOfCurrentFMR(PositionHeader* position) noexcept {
    return hostCall("kdGetScannerPositionHeaderOfCurrentFMR", false,
                    [&](HostSession& s) { return s.getFmrPosition(position); });
}

KELDRA_HOST_EXPORT short** kdGetSTCIntDataOfCurrentFMR() noexcept {
    return hostCall("kdGetSTCIntDataOfCurrentFMR", static_cast<short**>(nullptr),
                    [&](HostSession& s) { return s.fmrIntData(); });
}

KELDRA_HOST_EXPORT float** kdGetSTCFloatDataOfCurrentFMR() noexcept {
    return hostCall("kdGetSTCFloatDataOfCurrentFMR", static_cast<float**>(nullptr),
                    [&](HostSession& s) { return s.fmrFloatData(); });
}

KELDRA_HOST_EXPORT bool kdSaveFMRAndSTC(const char* fmrFileName, const char* stcPrefix) noexcept {
    return hostCall("kdSaveFMRAndSTC", false, [&](HostSession& s) { return s.saveFmr(fmrFileName, stcPrefix); });
}

KELDRA_HOST_EXPORT bool kdGetMainHeaderOfCurrentVMR(VmrHeader* header) noexcept {
    return hostCall("kdGetMainHeaderOfCurrentVMR", false, [&](HostSession& s) { return s.getVmrHeader(header); });
}

KELDRA_HOST_EXPORT unsigned char* kdGetCurrentVMR(int* dimX, int* dimY, int* dimZ) noexcept {
    return hostCall("kdGetCurrentVMR", static_cast<unsigned char*>(nullptr),
                    [&](HostSession& s) { return s.currentVmr(dimX, dimY, dimZ); });
}

KELDRA_HOST_EXPORT bool kdGetScannerPositionHeaderOfCurrentVMR(PositionHeader* position) noexcept {
    return hostCall("kdGetScannerPositionHeaderOfCurrentVMR", false,
                    [&](HostSession& s) { return s.getVmrPosition(position); });
}

KELDRA_HOST_EXPORT bool kdGetPastTransformationsHeaderOfCurrentVMR(PastTransformations* past) noexcept {
    return hostCall("kdGetPastTransformationsHeaderOfCurrentVMR", false,
                    [&](HostSession& s) { return s.getPastTransformations(past); });
}

KELDRA_HOST_EXPORT bool kdCalculateIAMatrix(PositionHeader* fmrPosition, PositionHeader* vmrPosition,
                                            PastTransformations* /*past*/, float* initialAlignment,
                                            float* pastTransformation, int* out1, int* out2, int* out3, int* out4,
                                            int* out5, int* out6) noexcept {
    return hostCall("kdCalculateIAMatrix", false, [&](HostSession& s) {
        int* outs[6] = {out1, out2, out3, out4, out5, out6};
        return s.calculateInitialAlignment(fmrPosition, vmrPosition, initialAlignment, pastTransformation, outs);
    });
}

KELDRA_HOST_EXPORT bool kdUpdateActiveWindow() noexcept {
    return hostCall("kdUpdateActiveWindow", false, [&](HostSession& s) { return s.updateActiveWindow(); });
}

// Every host function the module does not call, under its name; each one reports that this
// host does not provide it and returns 0 (false, or a null pointer, to its caller).
#define KELDRA_NOT_PROVIDED_GenericHostFunction(name)                                          \
    KELDRA_HOST_EXPORT int name() noexcept {                                                  \
        return hostCall(#name, 0, [&](HostSession& s) { s.notProvided(#name); return 0; }); \
    }
// The 20 provided functions are defined above.
#define KELDRA_NOT_PROVIDED_KdGetVersionOfKeldraFunction(name)
#define KELDRA_NOT_PROVIDED_KdShowLogTabFunction(name)
#define KELDRA_NOT_PROVIDED_KdLogTextFunction(name)
#define KELDRA_NOT_PROVIDED_KdMessageBoxFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetIntegerInputFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetNumberOfDocsInWorkspaceFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetDocumentTypeFunction(name)
#define KELDRA_NOT_PROVIDED_KdSetAsCurrentDocumentFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetHeaderOfCurrentFMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdSetHeaderOfCurrentFMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetScannerPositionHeaderOfCurrentFMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetSTCIntDataOfCurrentFMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetSTCFloatDataOfCurrentFMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdSaveFMRAndSTCFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetMainHeaderOfCurrentVMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetCurrentVMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetScannerPositionHeaderOfCurrentVMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdGetPastTransformationsHeaderOfCurrentVMRFunction(name)
#define KELDRA_NOT_PROVIDED_KdCalculateIAMatrixFunction(name)
#define KELDRA_NOT_PROVIDED_KdUpdateActiveWindowFunction(name)
#define KELDRA_DEFINE_IF_NOT_PROVIDED(name, type) KELDRA_NOT_PROVIDED_##type(name)
ORVANE_HOST_FUNCTIONS(KELDRA_DEFINE_IF_NOT_PROVIDED)
#undef KELDRA_DEFINE_IF_NOT_PROVIDED

}  // extern "C"

// Each provided function has exactly the signature the module calls it through.
namespace orvane {
#define KELDRA_CHECK_SIGNATURE(name, type)                                                          \
    static_assert(std::is_same<type, GenericHostFunction>::value ||                                 \
                      std::is_convertible<decltype(&::name), type>::value,                          \
                  #name " must have the signature of " #type);
ORVANE_HOST_FUNCTIONS(KELDRA_CHECK_SIGNATURE)
#undef KELDRA_CHECK_SIGNATURE
}  // namespace orvane
